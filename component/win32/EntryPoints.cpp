// The library's entry points on Windows: DllMain keeps the module handle (for the library's path
// and its embedded type library), and the four exports of ../zarnetcalc.def hand over to the
// runtime. None lets an exception out.
#include "component/win32/Platform.h"

using namespace zarnetcalc::runtime;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        RememberModule(instance);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return CanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return Guarded([&] { return GetClassObject(&rclsid, &riid, ppv); });
}

STDAPI DllRegisterServer() {
    return Guarded([] { return RegisterServer(); });
}

STDAPI DllUnregisterServer() {
    return Guarded([] { return UnregisterServer(); });
}
