// The library's entry points on Windows: DllMain keeps the module handle (for the library's path
// and its embedded type library) and unregisters the dialogs' window classes when unloaded, and the
// four exports of ../zarnetcalc.def hand over to the runtime. None lets an exception out.
#include "component/win32/Platform.h"
#include "forms/win32/DialogWindow.h"

using namespace zarnetcalc::runtime;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        RememberModule(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded while the process goes on: the next load registers the classes afresh.
        zarnetcalc::forms::win32::UnregisterFormsClasses();
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
