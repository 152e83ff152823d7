// Calls into the component through IDispatch, as script hosts and other late-binding clients do,
// and the host's form object that MyOwner takes.
#include "Component.h"

#include <oleauto.h>

#include "common/win32/WideText.h"

#include <cstdio>

namespace zarnetcalc::demo {
namespace {

std::string Utf8(const wchar_t* text) {
    return text != nullptr ? zarnetcalc::win32::Narrow(text) : std::string();
}

std::string ResultCodeText(HRESULT hr) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The host's window as a form: a dispatch object whose one member is the hWnd property (a Long,
// as forms of the usual Windows development tools have it).
class Form final : public IDispatch {
  public:
    explicit Form(HWND window) : window_(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
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
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info != nullptr) {
            *info = nullptr;
        }
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (names == nullptr || ids == nullptr) {
            return E_POINTER;
        }
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] =
                names[i] != nullptr && lstrcmpiW(names[i], L"hWnd") == 0 ? kHwnd : DISPID_UNKNOWN;
            if (ids[i] == DISPID_UNKNOWN) {
                hr = DISP_E_UNKNOWNNAME;
            }
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != kHwnd) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if ((flags & DISPATCH_PROPERTYGET) == 0) {
            return DISP_E_MEMBERNOTFOUND;  // read-only
        }
        if (result == nullptr) {
            return E_POINTER;
        }
        VariantInit(result);
        result->vt = VT_I4;
        // Window handles are 32-bit values, also in 64-bit processes.
        result->lVal = static_cast<LONG>(reinterpret_cast<INT_PTR>(window_));
        return S_OK;
    }

  private:
    static constexpr DISPID kHwnd = 1;
    ~Form() = default;
    ULONG refs_ = 1;
    HWND window_;
};

}  // namespace

Component::~Component() {
    if (calc_ != nullptr) {
        calc_->Release();
    }
}

bool Component::Create(const wchar_t* progId, CallError& error) {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&calc_));
    }
    if (FAILED(hr)) {
        error = {hr, "cannot create " + Utf8(progId) + " (" + ResultCodeText(hr) +
                         "); is zarnetcalc.dll registered?"};
        return false;
    }
    return true;
}

bool Component::Invoke(const wchar_t* name, WORD flags, VARIANT* argument, VARIANT* result,
                       CallError& error) {
    if (calc_ == nullptr) {
        error = {E_POINTER, "the component was not created"};
        return false;
    }
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = calc_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        error = {hr, "the component has no member " + Utf8(name)};
        return false;
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument, nullptr, argument != nullptr ? 1u : 0u, 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT badArgument = 0;
    hr = calc_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception,
                       &badArgument);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn != nullptr) {
            exception.pfnDeferredFillIn(&exception);
        }
        // The platform's error numbers travel as 0x800A0000 | number.
        const HRESULT code = exception.scode != 0 ? exception.scode : hr;
        error.number = exception.wCode != 0 ? exception.wCode
                       : (static_cast<unsigned long>(code) & 0xFFFF0000UL) == 0x800A0000UL
                           ? static_cast<long>(code & 0xFFFF)
                           : static_cast<long>(code);
        error.description = Utf8(exception.bstrDescription);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return false;
    }
    if (FAILED(hr)) {
        error = {hr, Utf8(name) + " failed (" + ResultCodeText(hr) + ")"};
        return false;
    }
    return true;
}

bool Component::SetOwner(HWND window, CallError& error) {
    Form* form = new Form(window);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_DISPATCH;
    argument.pdispVal = form;
    const bool ok = Invoke(L"MyOwner", DISPATCH_PROPERTYPUTREF, &argument, nullptr, error);
    form->Release();  // the component keeps its own reference
    return ok;
}

bool Component::Show(CallError& error) {
    return Invoke(L"Show", DISPATCH_METHOD, nullptr, nullptr, error);
}

bool Component::Result(double& value, CallError& error) {
    VARIANT result;
    VariantInit(&result);
    if (!Invoke(L"Result", DISPATCH_PROPERTYGET, nullptr, &result, error)) {
        return false;
    }
    VARIANT number;
    VariantInit(&number);
    const HRESULT hr = VariantChangeType(&number, &result, 0, VT_R8);
    VariantClear(&result);
    if (FAILED(hr)) {
        error = {hr, "Result is not a number"};
        return false;
    }
    value = number.dblVal;
    return true;
}

namespace {

bool ReadFlag(VARIANT& result, bool& value, CallError& error) {
    VARIANT flag;
    VariantInit(&flag);
    const HRESULT hr = VariantChangeType(&flag, &result, 0, VT_BOOL);
    VariantClear(&result);
    if (FAILED(hr)) {
        error = {hr, "not a flag"};
        return false;
    }
    value = flag.boolVal != VARIANT_FALSE;
    return true;
}

}  // namespace

bool Component::Cancelled(bool& value, CallError& error) {
    VARIANT result;
    VariantInit(&result);
    return Invoke(L"Cancelled", DISPATCH_PROPERTYGET, nullptr, &result, error) &&
           ReadFlag(result, value, error);
}

bool Component::ErrorOccurred(bool& value, CallError& error) {
    VARIANT result;
    VariantInit(&result);
    return Invoke(L"ErrorOccurred", DISPATCH_PROPERTYGET, nullptr, &result, error) &&
           ReadFlag(result, value, error);
}

}  // namespace zarnetcalc::demo
