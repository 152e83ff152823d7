// What the runtime files of this folder share beyond component/Runtime.h: the error description
// store read by ZarnetCalcGetErrorDescription, host windows wrapped as forms, and creation by
// programmatic identifier.
#pragma once

#include "component/Runtime.h"

class QWidget;

namespace zarnetcalc::runtime {

// The calling thread's last error description, handed over (null when there is none).
BSTR TakeErrorDescription(bool* had);

HRESULT WrapWindow(QWidget* window, IUnknown** ppv);
HRESULT CreateObjectByName(const char* progId, const IID* riid, void** ppv);

}  // namespace zarnetcalc::runtime
