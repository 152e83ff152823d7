// zctestform.dll: a form for the Windows checks, creatable by scripts as "ZarnetCalcTest.Form".
// Like the forms of Windows development tools it is a dispatch object whose hWnd property (a
// Long) names its top-level window. Child gives a form whose window is a child window, and
// Destroy destroys the window, so the checks can offer the component windows it must refuse.
// Registered for the machine by its own DllRegisterServer (Wine 8 does not look up classes
// registered per user); nothing here is part of the component.
#include <windows.h>

#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <string>

namespace {

// {493F0D02-E455-444F-8ACF-A55E94E3266B}
constexpr CLSID kClsid = {
    0x493f0d02, 0xe455, 0x444f, {0x8a, 0xcf, 0xa5, 0x5e, 0x94, 0xe3, 0x26, 0x6b}};
constexpr const char* kClsidText = "{493F0D02-E455-444F-8ACF-A55E94E3266B}";
constexpr const char* kProgId = "ZarnetCalcTest.Form";
constexpr const wchar_t* kWindowClass = L"ZarnetCalcTestForm";

enum : DISPID { kHwnd = 1, kChild = 2, kDestroy = 3 };
struct Member {
    const wchar_t* name;
    DISPID id;
};
constexpr Member kMembers[] = {{L"hWnd", kHwnd}, {L"Child", kChild}, {L"Destroy", kDestroy}};

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

class Form final : public IDispatch {
  public:
    // A top-level form, or a child form inside parent's window (holding parent alive).
    explicit Form(Form* parent = nullptr) : parent_(parent) {
        if (parent_) {
            parent_->AddRef();
        }
        hwnd_ = MakeWindow(parent_ ? parent_->hwnd_ : nullptr);
    }
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        for (const Member& m : kMembers) {
            if (count > 0 && lstrcmpiW(names[0], m.name) == 0) {
                ids[0] = m.id;
                return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
            }
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (params && params->cArgs != 0) {
            return DISP_E_BADPARAMCOUNT;
        }
        VARIANT ignored;
        VariantInit(&ignored);
        VARIANT* out = result ? result : &ignored;
        const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
        switch (id) {
            case kHwnd:
                if (!get) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                // Window handles keep to 32 bits, so a Long holds them, as forms hand them out.
                out->vt = VT_I4;
                out->lVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(hwnd_));
                return S_OK;
            case kChild:
                if (!get) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                out->vt = VT_DISPATCH;
                out->pdispVal = new Form(this);
                VariantClear(&ignored);
                return S_OK;
            case kDestroy:
                if (!(flags & DISPATCH_METHOD)) {
                    return DISP_E_MEMBERNOTFOUND;
                }
                DestroyOwnWindow();
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    ~Form() {
        DestroyOwnWindow();
        if (parent_) {
            parent_->Release();
        }
    }
    void DestroyOwnWindow() {
        if (hwnd_ && IsWindow(hwnd_)) {
            DestroyWindow(hwnd_);  // the handle stays in hwnd_: it now names no window
        }
    }

    std::atomic<ULONG> refs_{1};
    Form* parent_;
    HWND hwnd_ = nullptr;
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
    HKEY classes;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes", 0, KEY_ALL_ACCESS, &classes) !=
        ERROR_SUCCESS) {
        return S_OK;
    }
    RegDeleteTreeA(classes, kProgId);
    RegDeleteTreeA(classes, (std::string("CLSID\\") + kClsidText).c_str());
    RegCloseKey(classes);
    return S_OK;
}
