// The library's seven exported functions on Linux: the four entry points of an in-process
// server, and the three a host here needs in place of the platform's component runtime
// (creating by programmatic identifier, wrapping a window as a form, the error description).
// Each hands over to the runtime; none lets an exception out.
#include "component/qt/Platform.h"

using namespace zarnetcalc::runtime;

extern "C" ZARNETCALC_EXPORT HRESULT DllCanUnloadNow() {
    return CanUnloadNow();
}

extern "C" ZARNETCALC_EXPORT HRESULT DllGetClassObject(const CLSID* rclsid, const IID* riid,
                                                       void** ppv) {
    return Guarded([&] { return GetClassObject(rclsid, riid, ppv); });
}

extern "C" ZARNETCALC_EXPORT HRESULT DllRegisterServer() {
    return Guarded([] { return RegisterServer(); });
}

extern "C" ZARNETCALC_EXPORT HRESULT DllUnregisterServer() {
    return Guarded([] { return UnregisterServer(); });
}

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcCreateObject(const char* progId, const IID* riid,
                                                            void** ppv) {
    return Guarded([&] { return CreateObjectByName(progId, riid, ppv); });
}

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcWrapWindow(QWidget* window, IUnknown** ppv) {
    return Guarded([&] { return WrapWindow(window, ppv); });
}

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcGetErrorDescription(BSTR* description) {
    if (!description) {
        return E_POINTER;
    }
    bool had = false;
    *description = TakeErrorDescription(&had);
    if (!had) {
        return S_FALSE;
    }
    return *description ? S_OK : E_OUTOFMEMORY;
}
