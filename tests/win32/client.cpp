// zc-client.exe: a native C++ client of the registered component, printing what it sees through
// the dual interfaces' vtables, through IDispatch and through the type library, plus the unload
// answer, calls from a second thread, and hosts as users found them (keys posted at once, a Show
// inside a Show, an owner that does not answer, a worker thread that ends). The harness compares
// the lines with client.expected. With --hung-owner it is that owner: a window whose thread
// stops reading its messages. Built once more against the interface's header as released in
// 1.3.0 (released-1.3.0/), it is zc-client-1.3.0.exe, whose --as-released run is what such a
// client does (client-1.3.0.expected).
#include <windows.h>
#ifdef ZC_CLIENT_AS_RELEASED
#include <initguid.h>  // the released header's identifiers, defined here
#endif

#include <oleacc.h>
#include <oleauto.h>

#include <wrl/client.h>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <map>
#include <string>
#include <thread>

#include "common/win32/CalculatorControls.h"
#include "common/win32/Input.h"
#include "common/win32/WideText.h"
#include "common/win32/WindowForm.h"
#include "zarnetcalc/DispatchIds.h"
#include "zarnetcalc/ZarnetCalc_h.h"

namespace {

template <class T>
using Ptr = Microsoft::WRL::ComPtr<T>;

// The slot of an out-pointer argument, emptied first.
template <class T>
void** Out(Ptr<T>& p) {
    return reinterpret_cast<void**>(p.ReleaseAndGetAddressOf());
}

std::string Narrow(const wchar_t* text) {
    return text ? zarnetcalc::win32::Narrow(text) : "(null)";
}

std::string Hex(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

std::string GuidText(const GUID& guid) {
    wchar_t buf[40];
    return StringFromGUID2(guid, buf, 40) ? Narrow(buf) : "?";
}

void Line(const std::string& label, const std::string& value) {
    std::printf("%s: %s\n", label.c_str(), value.c_str());
}

// The result code and, on failure, the calling thread's error description.
std::string Outcome(HRESULT hr) {
    std::string text = Hex(hr);
    if (SUCCEEDED(hr)) {
        return text;
    }
    Ptr<IErrorInfo> info;
    if (GetErrorInfo(0, info.ReleaseAndGetAddressOf()) == S_OK && info.Get()) {
        BSTR description = nullptr;
        BSTR source = nullptr;
        info->GetDescription(&description);
        info->GetSource(&source);
        text += " \"" + Narrow(description) + "\" from " + Narrow(source);
        SysFreeString(description);
        SysFreeString(source);
    } else {
        text += " (no error info)";
    }
    return text;
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) {
        return a == b;
    }
    Ptr<IUnknown> ua;
    Ptr<IUnknown> ub;
    a->QueryInterface(IID_IUnknown, Out(ua));
    b->QueryInterface(IID_IUnknown, Out(ub));
    return ua.Get() == ub.Get();
}

void Vtable(_clsZarnetCalc* calc, IDispatch* form, IDispatch* child) {
    double d = -1;
    VARIANT_BOOL b = 1;
    HRESULT hr = calc->get_Result(&d);
    Line("get_Result", Hex(hr) + " " + std::to_string(d));
    hr = calc->put_Result(12.5);
    calc->get_Result(&d);
    Line("put_Result(12.5)", Hex(hr) + ", then " + std::to_string(d));
    hr = calc->get_Cancelled(&b);
    Line("get_Cancelled", Hex(hr) + " " + std::to_string(b));
    b = 1;
    hr = calc->get_ErrorOccurred(&b);
    Line("get_ErrorOccurred", Hex(hr) + " " + std::to_string(b));
    // What a careful vtable client asks before it reads the error object.
    Ptr<ISupportErrorInfo> support;
    hr = calc->QueryInterface(IID_ISupportErrorInfo, Out(support));
    Line("ISupportErrorInfo",
         Hex(hr) + " " +
             (support.Get() ? Hex(support->InterfaceSupportsErrorInfo(IID__clsZarnetCalc))
                            : "none"));
    Line("Show without an owner", Outcome(calc->Show()));

    Ptr<IDispatch> owner;
    Line("put_MyOwner(form)", Outcome(calc->put_MyOwner(form)));
    hr = calc->get_MyOwner(owner.ReleaseAndGetAddressOf());
    Line("get_MyOwner", Hex(hr) + (SameObject(owner.Get(), form) ? " the form" : " not the form"));
    Line("put_MyOwner(child window's form)", Outcome(calc->put_MyOwner(child)));
    hr = calc->get_MyOwner(owner.ReleaseAndGetAddressOf());
    Line("get_MyOwner", Hex(hr) + (SameObject(owner.Get(), form) ? " the form" : " not the form"));
    // The application quitting while the calculator is up ends it as Esc would, and the quit
    // message goes on to the loops further out.
    PostQuitMessage(0);
    Line("Show with an owner, the application quitting", Outcome(calc->Show()));
    b = 0;
    calc->get_Cancelled(&b);
    MSG quit;
    const bool passedOn = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    Line("  then",
         "Cancelled " + std::to_string(b) + ", WM_QUIT " + (passedOn ? "passed on" : "lost"));
    Line("put_MyOwner(null)", Outcome(calc->put_MyOwner(nullptr)));
    hr = calc->get_MyOwner(owner.ReleaseAndGetAddressOf());
    Line("get_MyOwner", Hex(hr) + (owner.Get() ? " an object" : " null"));
}

// Show over forms of its own: where the calculator is placed (centred over the owner's window,
// and kept inside the work area of its monitor), and an owner destroyed while the calculator is
// up, which takes the dialog with it so that Show ends as Esc would. A timer looks at the
// calculator once it is up, then ends it by quitting or by destroying the owner.
struct ShowWatch {
    IDispatch* form = nullptr;
    HWND owner = nullptr;
    bool destroyOwner = false;
    std::string placed = "the calculator did not open";
} watch;

BOOL CALLBACK FindCalculator(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 64) > 0 &&
        lstrcmpW(name, L"ZarnetCalc.frmCalculator") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void InvokeOnForm(IDispatch* form, const wchar_t* member, WORD flags, VARIANT* result) {
    LPOLESTR name = const_cast<LPOLESTR>(member);
    DISPID id = DISPID_UNKNOWN;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (SUCCEEDED(form->GetIDsOfNames(IID_NULL, &name, 1, 0, &id))) {
        form->Invoke(id, IID_NULL, 0, flags, &none, result, nullptr, nullptr);
    }
}

void CALLBACK WatchShow(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCalculator, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) {
        return;  // not up yet
    }
    KillTimer(nullptr, timer);
    RECT d{}, o{};
    GetWindowRect(dialog, &d);
    GetWindowRect(watch.owner, &o);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(watch.owner, MONITOR_DEFAULTTONEAREST), &monitor);
    // Twice the distance between the centres, so that a pixel of rounding is allowed.
    const long dx = (d.left + d.right) - (o.left + o.right);
    const long dy = (d.top + d.bottom) - (o.top + o.bottom);
    if (dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2) {
        watch.placed = "centred over it";
    } else if (d.left == monitor.rcWork.left && d.top == monitor.rcWork.top) {
        watch.placed = "at the work area's top-left corner";
    } else {
        watch.placed = "at (" + std::to_string(d.left) + ", " + std::to_string(d.top) + ")";
    }
    if (watch.destroyOwner) {
        InvokeOnForm(watch.form, L"Destroy", DISPATCH_METHOD, nullptr);
    } else {
        PostQuitMessage(0);
    }
}

void ShowOverForms(_clsZarnetCalc* calc, const CLSID& formClsid) {
    const struct {
        const char* label;
        int left, top;
        bool destroyOwner;
    } cases[] = {
        {"Show over a form at (100, 100), 400 by 300", 100, 100, false},
        {"Show over a form off the screen's top-left corner", -300, -200, false},
        {"Show, the owner destroyed while it is up", 100, 100, true},
    };
    for (const auto& c : cases) {
        Ptr<IDispatch> form;
        CoCreateInstance(formClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, Out(form));
        VARIANT handle;
        VariantInit(&handle);
        if (form.Get()) {
            InvokeOnForm(form.Get(), L"hWnd", DISPATCH_PROPERTYGET, &handle);
        }
        if (!form.Get() || handle.vt != VT_I4 || FAILED(calc->put_MyOwner(form.Get()))) {
            Line(c.label, "no form could be set as the owner");
            continue;
        }
        watch = ShowWatch{form.Get(), reinterpret_cast<HWND>(static_cast<INT_PTR>(handle.lVal)),
                          c.destroyOwner};
        SetWindowPos(watch.owner, nullptr, c.left, c.top, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
        SetTimer(nullptr, 0, 20, WatchShow);
        const HRESULT hr = calc->Show();
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        VARIANT_BOOL cancelled = 0;
        calc->get_Cancelled(&cancelled);
        Line(c.label,
             Outcome(hr) + ", " + watch.placed + ", Cancelled " + std::to_string(cancelled));
        calc->put_MyOwner(nullptr);
    }
}

void Dispatch(IDispatch* calc) {
    const wchar_t* names[] = {L"Result",  L"Cancelled", L"Show", L"ErrorOccurred",
                              L"MyOwner", L"rESULT",    L"Owner"};
    for (const wchar_t* name : names) {
        DISPID id = 0;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        const HRESULT hr = calc->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(id));
        Line("GetIDsOfNames " + Narrow(name), Hex(hr) + " " + buf);
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO info{};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = calc->Invoke(ZC_DISPID_SHOW, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                              &result, &info, nullptr);
    if (info.pfnDeferredFillIn) {
        info.pfnDeferredFillIn(&info);
    }
    Line("Invoke Show", Hex(hr) + ", exception " + Hex(info.scode) + " \"" +
                            Narrow(info.bstrDescription) + "\" from " + Narrow(info.bstrSource));
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);

    VARIANT value;
    value.vt = VT_R8;
    value.dblVal = 3.5;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&value, &named, 1, 1};
    hr = calc->Invoke(ZC_DISPID_RESULT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put,
                      nullptr, nullptr, nullptr);
    Line("Invoke put Result 3.5", Hex(hr));
    hr = calc->Invoke(ZC_DISPID_RESULT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                      &result, nullptr, nullptr);
    Line("Invoke get Result", Hex(hr) + " vt " + std::to_string(result.vt) + " " +
                                  std::to_string(result.vt == VT_R8 ? result.dblVal : -1));
    VariantClear(&result);
}

const char* KindName(INVOKEKIND kind) {
    switch (kind) {
        case INVOKE_FUNC:
            return "method";
        case INVOKE_PROPERTYGET:
            return "propget";
        case INVOKE_PROPERTYPUT:
            return "propput";
        case INVOKE_PROPERTYPUTREF:
            return "propputref";
    }
    return "?";
}

// A type's identifier, kind and size; with listMembers, its own functions in vtable order with
// their dispatch ids.
void Members(ITypeInfo* info, const std::string& label, bool listMembers) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) {
        Line(label, "no attributes");
        return;
    }
    Line(label, GuidText(attr->guid) + " kind " + std::to_string(attr->typekind) + ", " +
                    std::to_string(attr->cFuncs) + " functions, flags " +
                    std::to_string(attr->wTypeFlags));
    for (UINT i = 0; listMembers && i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) {
            continue;
        }
        BSTR name = nullptr;
        UINT got = 0;
        info->GetNames(f->memid, &name, 1, &got);
        char id[16];
        std::snprintf(id, sizeof id, "0x%08lX", static_cast<unsigned long>(f->memid));
        Line("  " + Narrow(name), std::string(KindName(f->invkind)) + " " + id + ", " +
                                      std::to_string(f->cParams) + " parameters, returns vt " +
                                      std::to_string(f->elemdescFunc.tdesc.vt));
        SysFreeString(name);
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
}

void TypeLibrary(IDispatch* calc) {
    UINT count = 0;
    HRESULT hr = calc->GetTypeInfoCount(&count);
    Line("GetTypeInfoCount", Hex(hr) + " " + std::to_string(count));
    Ptr<ITypeInfo> info;
    hr = calc->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf());
    Line("GetTypeInfo(0)", Hex(hr));
    if (info.Get()) {
        Members(info.Get(), "  dispatch type", false);
        HREFTYPE ref = 0;
        Ptr<ITypeInfo> vtable;
        if (SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, vtable.ReleaseAndGetAddressOf()))) {
            Members(vtable.Get(), "  interface type", true);
            // The interfaces it derives from, down to IDispatch.
            Ptr<ITypeInfo> base;
            while (SUCCEEDED(vtable->GetRefTypeOfImplType(0, &ref)) &&
                   SUCCEEDED(vtable->GetRefTypeInfo(ref, base.ReleaseAndGetAddressOf()))) {
                TYPEATTR* attr = nullptr;
                const bool dispatch =
                    SUCCEEDED(base->GetTypeAttr(&attr)) && IsEqualGUID(attr->guid, IID_IDispatch);
                if (attr) {
                    base->ReleaseTypeAttr(attr);
                }
                if (dispatch) {
                    break;
                }
                Members(base.Get(), "  derived from", true);
                vtable = base;
            }
        }
    }

    Ptr<ITypeLib> lib;
    hr = LoadRegTypeLib(LIBID_ZarnetCalc, 1, 0, LOCALE_NEUTRAL, lib.ReleaseAndGetAddressOf());
    Line("LoadRegTypeLib", Hex(hr));
    if (!lib.Get()) {
        return;
    }
    TLIBATTR* attr = nullptr;
    BSTR name = nullptr;
    lib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    if (SUCCEEDED(lib->GetLibAttr(&attr))) {
        Line("  library", Narrow(name) + " " + GuidText(attr->guid) + " " +
                              std::to_string(attr->wMajorVerNum) + "." +
                              std::to_string(attr->wMinorVerNum));
        lib->ReleaseTLibAttr(attr);
    }
    SysFreeString(name);
    Ptr<ITypeInfo> coclass;
    hr = lib->GetTypeInfoOfGuid(CLSID_clsZarnetCalc, coclass.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr)) {
        BSTR cls = nullptr;
        coclass->GetDocumentation(MEMBERID_NIL, &cls, nullptr, nullptr, nullptr);
        HREFTYPE ref = 0;
        Ptr<ITypeInfo> itf;
        BSTR itfName = nullptr;
        if (SUCCEEDED(coclass->GetRefTypeOfImplType(0, &ref)) &&
            SUCCEEDED(coclass->GetRefTypeInfo(ref, itf.ReleaseAndGetAddressOf()))) {
            itf->GetDocumentation(MEMBERID_NIL, &itfName, nullptr, nullptr, nullptr);
        }
        Line("  class", Narrow(cls) + ", default interface " + Narrow(itfName));
        SysFreeString(cls);
        SysFreeString(itfName);
    } else {
        Line("  class", Hex(hr));
    }
}

// Calls from a thread that did not create the object are refused; AddRef and Release are not.
void OtherThread(_clsZarnetCalc* calc) {
    HRESULT vtable = S_OK;
    HRESULT dispatch = S_OK;
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        calc->AddRef();
        double d = 0;
        vtable = calc->get_Result(&d);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        dispatch = calc->Invoke(ZC_DISPID_RESULT, IID_NULL, LOCALE_USER_DEFAULT,
                                DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
        VariantClear(&result);
        calc->Release();
        CoUninitialize();
    }).join();
    Line("get_Result from another thread", Hex(vtable));
    Line("Invoke from another thread", Hex(dispatch));
}

// A client in the multithreaded apartment gets the object from an apartment of its own, through
// the type library's marshaler: the registration of the type library and the interface at work.
void OtherApartment(const CLSID& clsid) {
    std::thread([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            Ptr<_clsZarnetCalc> calc;
            const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER,
                                                IID__clsZarnetCalc, Out(calc));
            Line("CoCreateInstance in the multithreaded apartment", Hex(hr));
            if (calc.Get()) {
                double d = 0;
                calc->put_Result(2.5);
                const HRESULT got = calc->get_Result(&d);
                Line("  put_Result(2.5), get_Result", Hex(got) + " " + std::to_string(d));
                // (Wine 8 does not carry the error info between apartments.)
                Line("  Show", Hex(calc->Show()));
            }
        }
        CoUninitialize();
    }).join();
}

// A path in its long form, for comparing (registration may write the short form).
std::wstring LongPath(const std::wstring& path) {
    wchar_t buffer[1024];
    const DWORD n = GetLongPathNameW(path.c_str(), buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, n) : path;
}

std::wstring ClassesText(const std::wstring& key) {
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS) {
        return L"(none)";
    }
    return buffer;
}

// The paths registration wrote name the library and its folder (the stage registers it from a
// folder whose name is not plain ASCII).
void RegisteredPaths(HMODULE module) {
    wchar_t path[1024];
    const DWORD n = GetModuleFileNameW(module, path, 1024);
    const std::wstring library = LongPath(std::wstring(path, n));
    const std::wstring folder = library.substr(0, library.find_last_of(L'\\'));
    const auto same = [](const std::wstring& a, const std::wstring& b) {
        return lstrcmpiW(LongPath(a).c_str(), b.c_str()) == 0 ? "the library's"
                                                              : "another: " + Narrow(a.c_str());
    };
    BSTR typeLibPath = nullptr;
    QueryPathOfRegTypeLib(LIBID_ZarnetCalc, 1, 0, LOCALE_NEUTRAL, &typeLibPath);
    Line("registered type library path", same(typeLibPath ? typeLibPath : L"", library));
    SysFreeString(typeLibPath);
    Line("registered InprocServer32",
         same(ClassesText(L"CLSID\\{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}\\InprocServer32"),
              library));
    Line("registered HELPDIR", same(ClassesText(L"TypeLib\\{55905F67-BCDA-4365-BBE2-4A477DADDF06}"
                                                L"\\" ZC_TYPELIB_VERSION_TEXT L"\\HELPDIR"),
                                    folder));
}

// The version resource of the library.
void Version(HMODULE module) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    std::string data(size, '\0');
    VS_FIXEDFILEINFO* fixed = nullptr;
    wchar_t* product = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        !VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                        reinterpret_cast<void**>(&product), &length)) {
        Line("version", "no version resource");
        return;
    }
    Line("version", std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                        std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                        std::to_string(LOWORD(fixed->dwFileVersionLS)) + " " + Narrow(product));
}

// ---- hosts as users found them ----------------------------------------------------------

// What to do once a calculator (other than skip) is up, per thread timer.
struct WhenUp {
    HWND skip;
    std::function<void(HWND)> act;
};
std::map<UINT_PTR, WhenUp> whenUp;

BOOL CALLBACK FindCalculatorBut(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<std::pair<HWND, HWND>*>(search);  // skip, found
    HWND found = nullptr;
    FindCalculator(window, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr && found != s->first) {
        s->second = found;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto it = whenUp.find(timer);
    if (it == whenUp.end()) {
        return;
    }
    std::pair<HWND, HWND> search{it->second.skip, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindCalculatorBut, reinterpret_cast<LPARAM>(&search));
    if (search.second == nullptr) {
        return;  // not up yet
    }
    KillTimer(nullptr, timer);
    const WhenUp pending = std::move(it->second);
    whenUp.erase(it);
    pending.act(search.second);
}

// Runs a step a moment later, once the messages before it are handled.
std::map<UINT_PTR, std::function<void()>> later;

void CALLBACK OnLater(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto it = later.find(timer);
    if (it != later.end()) {
        const std::function<void()> step = std::move(it->second);
        later.erase(it);
        step();
    }
}

void Later(std::function<void()> step) {
    later[SetTimer(nullptr, 0, 300, OnLater)] = std::move(step);
}

// Opens a calculator (Show, ShowFrom), and acts once it is up.
HRESULT OpenThen(const std::function<HRESULT()>& open, HWND skip, std::function<void(HWND)> act) {
    whenUp[SetTimer(nullptr, 0, 20, OnTimer)] = {skip, std::move(act)};
    return open();
}
HRESULT ShowThen(_clsZarnetCalc* calc, HWND skip, std::function<void(HWND)> act) {
    return OpenThen([calc] { return calc->Show(); }, skip, std::move(act));
}

void PostKey(HWND dialog, UINT vk) {
    PostMessageW(dialog, WM_KEYDOWN, vk, 0);
}
void PostKeys(HWND dialog, std::initializer_list<UINT> keys) {
    for (const UINT vk : keys) {
        PostKey(dialog, vk);
    }
}

Ptr<_clsZarnetCalc> NewCalculator(const CLSID& clsid, IDispatch* owner) {
    Ptr<_clsZarnetCalc> calc;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__clsZarnetCalc, Out(calc));
    if (calc.Get() && owner != nullptr) {
        calc->put_MyOwner(owner);
    }
    return calc;
}

std::string Ended(_clsZarnetCalc* calc, HRESULT hr) {
    double result = 0;
    VARIANT_BOOL cancelled = 0;
    calc->get_Result(&result);
    calc->get_Cancelled(&cancelled);
    char text[64];
    std::snprintf(text, sizeof text, ", Result %g, Cancelled %d", result, cancelled);
    return Outcome(hr) + text;
}

// Values a script host hands over in forms of its own.
void ScriptValues(_clsZarnetCalc* calc, IDispatch* form) {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"1e400");
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&text, &named, 1, 1};
    EXCEPINFO info{};
    HRESULT hr = calc->Invoke(ZC_DISPID_RESULT, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                              &put, nullptr, &info, nullptr);
    Line("Invoke put Result \"1e400\"", Hex(hr) + ", exception " + Hex(info.scode));
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    VariantClear(&text);

    IUnknown* unknown = form;
    VARIANT byReference;
    VariantInit(&byReference);
    byReference.vt = VT_BYREF | VT_UNKNOWN;
    byReference.ppunkVal = &unknown;
    put.rgvarg = &byReference;
    hr = calc->Invoke(ZC_DISPID_MYOWNER, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &put,
                      nullptr, nullptr, nullptr);
    Line("Invoke put MyOwner by reference to an IUnknown", Hex(hr));
}

void PostedKeys(const CLSID& clsid, IDispatch* form) {
    Ptr<_clsZarnetCalc> calc = NewCalculator(clsid, form);
    const HRESULT hr = ShowThen(calc.Get(), nullptr, [](HWND dialog) {
        PostKeys(dialog, {'7', VK_F2});
    });
    Line("Show, 7 and F2 posted at once", Ended(calc.Get(), hr));
}

void NestedShow(const CLSID& clsid, IDispatch* form) {
    Ptr<_clsZarnetCalc> outer = NewCalculator(clsid, form);
    std::string during = "not seen";
    std::string after = "not seen";
    const HRESULT hr = ShowThen(outer.Get(), nullptr, [&](HWND outerDialog) {
        Ptr<_clsZarnetCalc> inner = NewCalculator(clsid, form);
        ShowThen(inner.Get(), outerDialog, [&](HWND innerDialog) {
            during = IsWindowEnabled(outerDialog) ? "enabled" : "disabled";
            PostKey(innerDialog, VK_F2);
        });
        after = IsWindowEnabled(outerDialog) ? "enabled" : "disabled";
        PostKey(outerDialog, VK_F2);
    });
    Line("Show inside a Show", Outcome(hr) + ", the outer calculator " + during +
                                   " while the inner one is up, " + after + " after it");
}

// The owner: a window of another process whose thread has stopped reading its messages.
int HungOwner() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarnetCalcHungOwner";
    RegisterClassW(&windowClass);
    CreateWindowW(L"ZarnetCalcHungOwner", L"Hung owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                  400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
    Sleep(30000);
    return 0;
}

void OwnerThatDoesNotAnswer(const CLSID& clsid) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --hung-owner";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        Line("Show over a window that does not answer", "the other process did not start");
        return;
    }
    HWND window = nullptr;
    for (int i = 0; i < 500 && window == nullptr; ++i) {
        Sleep(20);
        window = FindWindowW(L"ZarnetCalcHungOwner", nullptr);
    }
    const auto form = zarnetcalc::win32::WindowForm::Create<Ptr<IDispatch>>(window);
    Ptr<_clsZarnetCalc> calc = NewCalculator(clsid, form.Get());
    const DWORD start = GetTickCount();
    const HRESULT hr = calc->Show();
    const DWORD took = GetTickCount() - start;
    Line("Show over a window of another process that does not answer",
         Outcome(hr) + (took < 5000 ? ", at once" : ", after " + std::to_string(took) + " ms"));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// A worker thread in an apartment of its own uses the calculator and ends.
struct WorkerJob {
    CLSID clsid;
    CLSID formClsid;
};

DWORD WINAPI Worker(void* parameter) {
    const auto* job = static_cast<WorkerJob*>(parameter);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        Ptr<IDispatch> form;
        CoCreateInstance(job->formClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, Out(form));
        Ptr<_clsZarnetCalc> calc = NewCalculator(job->clsid, form.Get());
        if (calc.Get()) {
            ShowThen(calc.Get(), nullptr, [](HWND dialog) { PostKey(dialog, VK_F2); });
        }
    }
    CoUninitialize();
    return 0;
}

DWORD WINAPI Idle(void*) {
    Sleep(3000);
    return 0;
}

// A client (a screen reader, say) that still holds the calculator's accessible object once the
// calculator has gone keeps the library loaded, for the object's code is in it; the object then
// says its window is gone. Once it is released the library can go.
void AccessibleObjectHeld(const WorkerJob& job) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Ptr<IAccessible> held;
    {
        Ptr<IDispatch> form;
        CoCreateInstance(job.formClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, Out(form));
        Ptr<_clsZarnetCalc> calc = NewCalculator(job.clsid, form.Get());
        if (calc.Get()) {
            ShowThen(calc.Get(), nullptr, [&held](HWND dialog) {
                held = zarnetcalc::win32::KeypadObject(dialog);
                PostKey(dialog, VK_F2);
            });
        }
    }
    CoFreeUnusedLibrariesEx(0, 0);
    Line("zarnetcalc.dll while a client holds the closed calculator's accessible object",
         GetModuleHandleW(L"zarnetcalc.dll") != nullptr ? "still loaded" : "unloaded");
    long children = 0;
    Line("  the object, asked for its children",
         held.Get() ? Hex(held->get_accChildCount(&children)) : "no object");
    held.Reset();
    CoFreeUnusedLibrariesEx(0, 0);
    Line("  once it is released",
         GetModuleHandleW(L"zarnetcalc.dll") != nullptr ? "still loaded" : "unloaded");
    CoUninitialize();
}

// In a process of its own (--worker), where nothing else holds the library: a worker thread in
// an apartment of its own uses the calculator and ends, and the library can go afterwards; and a
// library loaded and freed by hand while another thread lives goes too.
int WorkerProcess() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WorkerJob job{};
    CLSIDFromProgID(L"ZarnetCalc.clsZarnetCalc", &job.clsid);
    CLSIDFromProgID(L"ZarnetCalcTest.Form", &job.formClsid);
    HANDLE thread = CreateThread(nullptr, 0, Worker, &job, 0, nullptr);
    const bool ended = thread != nullptr && WaitForSingleObject(thread, 15000) == WAIT_OBJECT_0;
    Line("a thread that used the calculator, then released it and COM",
         ended ? "ended" : "never ended");
    CoFreeUnusedLibrariesEx(0, 0);
    Line("  zarnetcalc.dll after CoFreeUnusedLibraries",
         GetModuleHandleW(L"zarnetcalc.dll") != nullptr ? "still loaded" : "unloaded");
    CoUninitialize();

    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof path;
    RegGetValueW(HKEY_CLASSES_ROOT,
                 L"CLSID\\{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}\\InprocServer32", nullptr,
                 RRF_RT_REG_SZ, nullptr, path, &size);
    HANDLE idle = CreateThread(nullptr, 0, Idle, nullptr, 0, nullptr);
    HMODULE library = LoadLibraryW(path);
    const bool freed = library != nullptr && FreeLibrary(library) &&
                       GetModuleHandleW(L"zarnetcalc.dll") == nullptr;
    Line("zarnetcalc.dll loaded and freed by hand while another thread lives",
         freed ? "unloaded" : "still loaded");
    if (idle != nullptr) {
        WaitForSingleObject(idle, 5000);
        CloseHandle(idle);
    }
    if (thread != nullptr) {
        CloseHandle(thread);
    }
    AccessibleObjectHeld(job);
    return 0;
}

// Runs the checks of --worker in a child process, its lines in this one's output.
void WorkerThread() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" --worker";
    std::fflush(stdout);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetHandleInformation(out, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        Line("a thread that used the calculator", "the process did not start");
        return;
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        Line("the worker's process", "never ended");
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// ---- a screen reader's view, through the system's accessibility interface --------------------

using zarnetcalc::win32::KeyChild;
using zarnetcalc::win32::KeypadObject;

// A control as a screen reader meets it: its name, value (for a label) and whether it is shown.
std::string Described(IAccessible* object, VARIANT child) {
    if (object == nullptr) {
        return "no accessible object";
    }
    BSTR name = nullptr;
    BSTR value = nullptr;
    VARIANT state;
    VariantInit(&state);
    VARIANT role;
    VariantInit(&role);
    object->get_accName(child, &name);
    object->get_accValue(child, &value);
    object->get_accState(child, &state);
    object->get_accRole(child, &role);
    std::string text = "name \"" + Narrow(name ? name : L"") + "\"";
    if (value != nullptr) {
        text += ", value \"" + Narrow(value) + "\"";
    }
    text += role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_PUSHBUTTON ? ", push button" : "";
    const bool invisible = state.vt == VT_I4 && (state.lVal & STATE_SYSTEM_INVISIBLE) != 0;
    text += invisible ? ", not shown" : ", shown";
    SysFreeString(name);
    SysFreeString(value);
    return text;
}

// What the screen reader hears from the calculator's window while keys are typed: name changes
// of the focus holder, and the children the focus events name (a repeat told once).
struct Heard {
    HWND window = nullptr;
    LONG speaker = 0;     // the focus holder's child id
    std::string names;    // what its name changes said, in order
    std::string focused;  // the children focused, in order
    LONG lastFocused = 0;
} heard;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                      DWORD) {
    if (window != heard.window || object != OBJID_CLIENT) {
        return;
    }
    if (event == EVENT_OBJECT_FOCUS) {
        for (const std::string_view name : zarnetcalc::controls::kCalculatorControls) {
            if (child != heard.lastFocused &&
                zarnetcalc::controls::CalculatorChildId(name) == child) {
                heard.focused += (heard.focused.empty() ? "" : ", ") + std::string(name);
            }
        }
        heard.lastFocused = child;
        return;
    }
    Ptr<IAccessible> accessible;
    VARIANT which;
    VariantInit(&which);
    if (child == heard.speaker && SUCCEEDED(AccessibleObjectFromEvent(
                                      window, object, child, accessible.GetAddressOf(), &which))) {
        BSTR name = nullptr;
        accessible->get_accName(which, &name);
        heard.names += (heard.names.empty() ? "\"" : ", \"") + Narrow(name ? name : L"") + "\"";
        SysFreeString(name);
    }
}

void ScreenReader(const CLSID& clsid, IDispatch* form) {
    Ptr<_clsZarnetCalc> calc = NewCalculator(clsid, form);
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    const char* controls[] = {"txtDisplay", "lblSubDisplay(0)", "cmdAbout",
                              "cmdFix",     "cmdDone",          "cmdTmp",
                              "cmdCancel",  "lblErrorCode",     "lblSubDisplay(1)"};
    const HRESULT hr = ShowThen(calc.Get(), nullptr, [&](HWND dialog) {
        const Ptr<IAccessible> keypad = KeypadObject(dialog);
        long children = 0;
        if (keypad.Get()) {
            keypad->get_accChildCount(&children);
        }
        Line("  children of the calculator's window", std::to_string(children));
        for (const char* name : controls) {
            Line("  " + std::string(name), Described(keypad.Get(), KeyChild(name)));
        }
        heard.window = GetDlgItem(dialog, zarnetcalc::controls::kCalculatorKeypadId);
        heard.speaker = KeyChild("cmdTmp").lVal;
        PostKeys(dialog, {'5', VK_MULTIPLY, '2', VK_RETURN});
        Later([dialog] { PostKey(dialog, VK_F2); });
    });
    Line("  name changes on cmdTmp, keys 5 * 2 Enter", heard.names);
    Line("  the focus meanwhile on", heard.focused);
    Line("  then", Ended(calc.Get(), hr));
    if (hook != nullptr) {
        UnhookWinEvent(hook);
    }
}

#ifdef ___clsZarnetCalc2_INTERFACE_DEFINED__

// _clsZarnetCalc2's ShowFrom as a client built against this version calls it: through the vtable,
// by name, and through the type library's description of the vtable (ITypeInfo::Invoke).
void ShowFrom(const CLSID& clsid, IDispatch* form) {
    Ptr<_clsZarnetCalc2> calc;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__clsZarnetCalc2, Out(calc));
    Line("CoCreateInstance for _clsZarnetCalc2", Hex(hr));
    if (!calc.Get()) {
        return;
    }
    calc->put_MyOwner(form);
    hr = OpenThen([&] { return calc->ShowFrom(12.5); }, nullptr,
                  [](HWND dialog) {
                      PostKeys(dialog, {VK_ADD, '1', VK_RETURN, VK_F2});
                  });
    Line("ShowFrom(12.5), + 1 Enter F2", Ended(calc.Get(), hr));
    Line("ShowFrom(NaN)", Outcome(calc->ShowFrom(std::numeric_limits<double>::quiet_NaN())));

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"showfrom"), const_cast<LPOLESTR>(L"Start")};
    DISPID ids[2] = {};
    hr = calc->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids);
    char text[48];
    std::snprintf(text, sizeof text, " 0x%08lX %ld", static_cast<unsigned long>(ids[0]),
                  static_cast<long>(ids[1]));
    Line("GetIDsOfNames showfrom, Start", Hex(hr) + text);
    VARIANT start;
    VariantInit(&start);
    start.vt = VT_BSTR;  // converted as automation converts
    start.bstrVal = SysAllocString(L"-3");
    DISPPARAMS one{&start, nullptr, 1, 0};
    hr = OpenThen(
        [&] {
            return calc->Invoke(ids[0], IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one,
                                nullptr, nullptr, nullptr);
        },
        nullptr,
        [](HWND dialog) {
            PostKeys(dialog, {VK_MULTIPLY, '2', VK_RETURN, VK_F2});
        });
    Line("Invoke ShowFrom \"-3\", * 2 Enter F2", Ended(calc.Get(), hr));
    VariantClear(&start);

    Ptr<ITypeInfo> info;
    Ptr<ITypeInfo> vtable;
    HREFTYPE ref = 0;
    if (SUCCEEDED(calc->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf())) &&
        SUCCEEDED(info->GetRefTypeOfImplType(-1, &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, vtable.ReleaseAndGetAddressOf()))) {
        start.vt = VT_R8;
        start.dblVal = 7;
        hr = OpenThen(
            [&] {
                return vtable->Invoke(static_cast<_clsZarnetCalc2*>(calc.Get()), ZC_DISPID_SHOWFROM,
                                      DISPATCH_METHOD, &one, nullptr, nullptr, nullptr);
            },
            nullptr, [](HWND dialog) { PostKey(dialog, VK_F2); });
        Line("ITypeInfo::Invoke ShowFrom 7, F2", Ended(calc.Get(), hr));
    }
}
#endif

// A clipboard owner that promises text and renders it only when asked (delayed rendering), and
// then slowly: a window of a thread of its own.
constexpr DWORD kRenderDelayMs = 5000;

LRESULT CALLBACK LateOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RENDERFORMAT && wParam == CF_UNICODETEXT) {
        Sleep(kRenderDelayMs);
        HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, sizeof L"42");
        if (auto* text = static_cast<wchar_t*>(GlobalLock(data))) {
            lstrcpyW(text, L"42");
            GlobalUnlock(data);
        }
        SetClipboardData(CF_UNICODETEXT, data);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI LateOwnerThread(void* ready) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = LateOwner;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarnetCalcLateClipboardOwner";
    RegisterClassW(&windowClass);
    HWND owner = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, nullptr);  // promised, rendered when asked
        CloseClipboard();
    }
    SetEvent(ready);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    DestroyWindow(owner);
    return 0;
}

// Ctrl+V with such an owner on the clipboard: the calculator gives up after about a second with
// nothing pasted, instead of waiting for the owner.
void PasteFromALateOwner(const CLSID& clsid, IDispatch* form) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD ownerThreadId = 0;
    HANDLE ownerThread = CreateThread(nullptr, 0, LateOwnerThread, ready, 0, &ownerThreadId);
    WaitForSingleObject(ready, 5000);
    Ptr<_clsZarnetCalc> calc = NewCalculator(clsid, form);
    DWORD pasted = 0;
    const HRESULT hr = ShowThen(calc.Get(), nullptr, [&](HWND dialog) {
        SetForegroundWindow(dialog);
        PostKey(dialog, '7');
        Later([dialog, &pasted] {
            pasted = GetTickCount();
            zarnetcalc::win32::PressKey('V', false, false, true);
            Later([dialog] { PostKey(dialog, VK_F2); });
        });
    });
    const DWORD took = GetTickCount() - pasted;
    Line("Show, 7 and Ctrl+V from a clipboard owner that renders in 5 s",
         Ended(calc.Get(), hr) + (took < kRenderDelayMs - 1000 ? ", back before it rendered"
                                                               : ", held until it rendered"));
    PostThreadMessageW(ownerThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(ownerThread, kRenderDelayMs + 5000);
    CloseHandle(ownerThread);
    CloseHandle(ready);
}

void HostsAsUsersFoundThem(_clsZarnetCalc* calc, const CLSID& clsid, IDispatch* form) {
    ScriptValues(calc, form);
    calc->put_MyOwner(nullptr);
    PostedKeys(clsid, form);
    NestedShow(clsid, form);
    OwnerThatDoesNotAnswer(clsid);
    PasteFromALateOwner(clsid, form);
    WorkerThread();
    Line("a screen reader's view of the calculator", "");
    ScreenReader(clsid, form);
}

using CanUnloadFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The component created by its programmatic identifier through _clsZarnetCalc, and a test form
// with a child form.
struct Client {
    CLSID clsid{};
    CLSID formClsid{};
    Ptr<_clsZarnetCalc> calc;
    Ptr<IDispatch> form;
    Ptr<IDispatch> child;
};
bool Begin(Client& s) {
    HRESULT hr = CLSIDFromProgID(L"ZarnetCalc.clsZarnetCalc", &s.clsid);
    Line("CLSIDFromProgID", Hex(hr) + " " + GuidText(s.clsid));
    hr = CoCreateInstance(s.clsid, nullptr, CLSCTX_INPROC_SERVER, IID__clsZarnetCalc, Out(s.calc));
    Line("CoCreateInstance", Hex(hr));
    if (SUCCEEDED(CLSIDFromProgID(L"ZarnetCalcTest.Form", &s.formClsid))) {
        CoCreateInstance(s.formClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, Out(s.form));
    }
    if (!s.calc.Get() || !s.form.Get()) {
        Line("stopped", "the component or the test form could not be created");
        return false;
    }
    DISPID childId = DISPID_UNKNOWN;
    LPOLESTR childName = const_cast<LPOLESTR>(L"Child");
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(s.form->GetIDsOfNames(IID_NULL, &childName, 1, 0, &childId)) &&
        SUCCEEDED(s.form->Invoke(childId, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr,
                                 nullptr)) &&
        v.vt == VT_DISPATCH) {
        *s.child.ReleaseAndGetAddressOf() = v.pdispVal;
    } else {
        VariantClear(&v);
    }
    return true;
}

// What a client built against the interface as released in 1.3.0 does: _clsZarnetCalc's vtable
// and dispatch ids, Show with keys, the type library by the version it knew.
int ReleasedRun() {
    Client s;
    if (!Begin(s)) {
        return 1;
    }
    Vtable(s.calc.Get(), s.form.Get(), s.child.Get());
    PostedKeys(s.clsid, s.form.Get());
    Dispatch(s.calc.Get());
    TypeLibrary(s.calc.Get());
    return 0;
}

int Run() {
    Client s;
    if (!Begin(s)) {
        return 1;
    }
    const CLSID& clsid = s.clsid;
    const CLSID& formClsid = s.formClsid;
    Ptr<_clsZarnetCalc>& calc = s.calc;
    Ptr<IDispatch>& form = s.form;
    HRESULT hr = S_OK;

    Vtable(calc.Get(), form.Get(), s.child.Get());
    ShowOverForms(calc.Get(), formClsid);
    HostsAsUsersFoundThem(calc.Get(), clsid, form.Get());
    Dispatch(calc.Get());
    TypeLibrary(calc.Get());
#ifdef ___clsZarnetCalc2_INTERFACE_DEFINED__
    ShowFrom(clsid, form.Get());
#endif
    OtherThread(calc.Get());

    HMODULE module = GetModuleHandleW(L"zarnetcalc.dll");
    auto canUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!canUnload || !getClassObject) {
        Line("stopped", "zarnetcalc.dll's entry points not found");
        return 1;
    }
    Line("DllCanUnloadNow with an object alive", Hex(canUnload()));
    calc.Reset();
    Line("DllCanUnloadNow after its release", Hex(canUnload()));
    Ptr<IClassFactory> factory;
    hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, Out(factory));
    Line("CoGetClassObject", Hex(hr));
    if (factory.Get()) {
        factory->LockServer(TRUE);
        factory.Reset();
        Line("DllCanUnloadNow with a lock", Hex(canUnload()));
        hr =
            CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, Out(factory));
        if (factory.Get()) {
            factory->LockServer(FALSE);
            Ptr<IUnknown> object;
            hr = factory->CreateInstance(form.Get(), IID_IUnknown, Out(object));
            Line("CreateInstance with an outer object", Hex(hr));
            factory.Reset();
        }
        Line("DllCanUnloadNow after unlocking", Hex(canUnload()));
    }
    Ptr<IUnknown> other;
    hr = getClassObject(formClsid, IID_IClassFactory, Out(other));
    Line("DllGetClassObject for another class", Hex(hr) + (other.Get() ? " an object" : " null"));
    Version(module);
    RegisteredPaths(module);
    OtherApartment(clsid);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--hung-owner") {
        return HungOwner();
    }
    if (argc == 2 && std::string(argv[1]) == "--worker") {
        return WorkerProcess();
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::puts("CoInitializeEx failed");
        return 1;
    }
    const int status = argc == 2 && std::string(argv[1]) == "--as-released" ? ReleasedRun() : Run();
    CoUninitialize();
    return status;
}
