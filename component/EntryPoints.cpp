// The four exported entry points of the in-process server. Each hands over to the runtime's
// routine of the same purpose (Runtime.cpp, Dispatch.cpp, Registration.cpp); none lets an
// exception out.
#include "component/Runtime.h"

using namespace zarnetcalc::runtime;

extern "C" ZARNETCALC_EXPORT HRESULT DllCanUnloadNow() {
    return CanUnloadNow();
}

extern "C" ZARNETCALC_EXPORT HRESULT DllGetClassObject(const CLSID* rclsid, const IID* riid,
                                                       void** ppv) {
    try {
        return GetClassObject(rclsid, riid, ppv);
    } catch (...) {
        return HResultFromCurrentException();
    }
}

extern "C" ZARNETCALC_EXPORT HRESULT DllRegisterServer() {
    return RegisterServer();
}

extern "C" ZARNETCALC_EXPORT HRESULT DllUnregisterServer() {
    return UnregisterServer();
}
