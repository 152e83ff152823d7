// Calls into the component through IDispatch, as script hosts and other late-binding clients do.
#include "Component.h"

#include <oleauto.h>

#include "common/win32/WideText.h"
#include "common/win32/WindowForm.h"

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

}  // namespace

bool Component::Create(const wchar_t* progId, CallError& error) {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&calc_));
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
    if (!calc_) {
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
    const auto form =
        zarnetcalc::win32::WindowForm::Create<Microsoft::WRL::ComPtr<IDispatch>>(window);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_DISPATCH;
    argument.pdispVal = form.Get();  // the component takes its own reference
    return Invoke(L"MyOwner", DISPATCH_PROPERTYPUTREF, &argument, nullptr, error);
}

bool Component::Show(CallError& error) {
    return Invoke(L"Show", DISPATCH_METHOD, nullptr, nullptr, error);
}

bool Component::ShowFrom(double start, CallError& error) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_R8;
    argument.dblVal = start;
    return Invoke(L"ShowFrom", DISPATCH_METHOD, &argument, nullptr, error);
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
