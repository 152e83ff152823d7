// The component's COM objects (the calculator object, its class object, Linux's form objects):
// the counted object every object of the library is, with the runtime's call discipline: every
// call starts by clearing the thread's error description, and a refused QueryInterface leaves one.
#pragma once

#include "common/CountedObject.h"
#include "component/Runtime.h"

namespace zarnetcalc::runtime {

template <class Derived, class... Interfaces>
class ComObject : public com::CountedObject<Derived, Interfaces...> {
  public:
    void BeginCall() { ClearErrorInfo(); }
    HRESULT Refuse(HRESULT hr, const std::string& what) { return ReportError(hr, what); }
};

}  // namespace zarnetcalc::runtime
