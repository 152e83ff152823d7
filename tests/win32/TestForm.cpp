// zctestform.dll: a form for the Windows checks, creatable by scripts as "ZarnetCalcTest.Form".
// Like the forms of Windows development tools it is a dispatch object whose hWnd property (a
// Long) names its top-level window. Child gives a form whose window is a child window, and
// Destroy destroys the window, so the checks can offer the component windows it must refuse;
// CloseCalculatorSoon presses F2 in the next calculator the thread opens, so a script can run one.
// Registered for the machine by its own DllRegisterServer (Wine 8 does not look up classes
// registered per user); nothing here is part of the component.
#include <windows.h>

#include <oleauto.h>
#include <olectl.h>

#include <wrl/client.h>

#include <string>

#include "common/win32/WindowForm.h"

namespace {

// {493F0D02-E455-444F-8ACF-A55E94E3266B}
constexpr CLSID kClsid = {
    0x493f0d02, 0xe455, 0x444f, {0x8a, 0xcf, 0xa5, 0x5e, 0x94, 0xe3, 0x26, 0x6b}};
constexpr const char* kClsidText = "{493F0D02-E455-444F-8ACF-A55E94E3266B}";
constexpr const char* kProgId = "ZarnetCalcTest.Form";
constexpr const wchar_t* kWindowClass = L"ZarnetCalcTestForm";

enum : DISPID { kChild = 2, kDestroy = 3, kCloseCalculatorSoon = 4 };

HINSTANCE module;

HWND MakeWindow(HWND parent) {
    static const ATOM registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = module;
        wc.lpszClassName = kWindowClass;
        return RegisterClassW(&wc);
    }();
    if (!registered) {
        return nullptr;
    }
    const DWORD style = parent ? WS_CHILD : WS_OVERLAPPEDWINDOW;
    return CreateWindowExW(0, kWindowClass, L"Test form", style, 100, 100, 400, 300, parent,
                           nullptr, module, nullptr);
}

BOOL CALLBACK PressF2InCalculator(HWND window, LPARAM pressed) {
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    if (!IsWindowVisible(window) || lstrcmpW(title, L"Calculator") != 0) {
        return TRUE;
    }
    PostMessageW(window, WM_KEYDOWN, VK_F2, 0);
    *reinterpret_cast<bool*>(pressed) = true;
    return FALSE;
}

void CALLBACK CloseCalculator(HWND, UINT, UINT_PTR timer, DWORD) {
    bool pressed = false;
    EnumThreadWindows(GetCurrentThreadId(), PressF2InCalculator,
                      reinterpret_cast<LPARAM>(&pressed));
    if (pressed) {
        KillTimer(nullptr, timer);
    }
}

class Form final : public zarnetcalc::win32::WindowForm {
  public:
    // A top-level form, or a child form inside parent's window (holding parent alive).
    explicit Form(Form* parent = nullptr)
        : WindowForm(MakeWindow(parent ? parent->Window() : nullptr)), parent_(parent) {}

  private:
    ~Form() override { DestroyOwnWindow(); }
    DISPID MemberId(const wchar_t* name) const override {
        if (lstrcmpiW(name, L"Child") == 0) {
            return kChild;
        }
        if (lstrcmpiW(name, L"CloseCalculatorSoon") == 0) {
            return kCloseCalculatorSoon;
        }
        return lstrcmpiW(name, L"Destroy") == 0 ? DISPID{kDestroy} : DISPID_UNKNOWN;
    }
    HRESULT InvokeMember(DISPID id, WORD flags, VARIANT* result) override {
        switch (id) {
            case kChild:
                if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                if (result != nullptr) {
                    VariantInit(result);
                    result->vt = VT_DISPATCH;
                    result->pdispVal = new Form(this);
                }
                return S_OK;
            case kDestroy:
                if (!(flags & DISPATCH_METHOD)) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                DestroyOwnWindow();
                return S_OK;
            case kCloseCalculatorSoon:
                if (!(flags & DISPATCH_METHOD)) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                SetTimer(nullptr, 0, 30, CloseCalculator);
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }
    void DestroyOwnWindow() {
        if (window_ && IsWindow(window_)) {
            DestroyWindow(window_);  // the handle stays: it now names no window
        }
    }

    Microsoft::WRL::ComPtr<Form> parent_;
};

class Factory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // a static object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) {
            return E_POINTER;
        }
        *ppv = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        Form* form = new Form();
        const HRESULT hr = form->QueryInterface(riid, ppv);
        form->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
Factory factory;

bool SetText(const std::string& key, const char* name, const std::string& text) {
    return RegSetKeyValueA(HKEY_LOCAL_MACHINE, ("Software\\Classes\\" + key).c_str(), name, REG_SZ,
                           text.c_str(), static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// The test form stays loaded once used: the checks never unload it.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    *ppv = nullptr;
    return clsid == kClsid ? factory.QueryInterface(riid, ppv) : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return SELFREG_E_CLASS;
    }
    const std::string clsidKey = std::string("CLSID\\") + kClsidText;
    const bool ok = SetText(kProgId + std::string("\\CLSID"), nullptr, kClsidText) &&
                    SetText(clsidKey + "\\ProgID", nullptr, kProgId) &&
                    SetText(clsidKey + "\\InprocServer32", nullptr, path) &&
                    SetText(clsidKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("Software\\Classes\\") + kProgId).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                   (std::string("Software\\Classes\\CLSID\\") + kClsidText).c_str());
    return S_OK;
}
