// A window as a form, the way the forms of Windows development tools reach the component: a
// dispatch object whose hWnd property (a Long) names the window. The sample host passes itself
// as MyOwner through one; the Windows checks derive forms with members of their own from it.
// Header-only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <oleauto.h>

#include "common/CountedObject.h"

namespace zarnetcalc::win32 {

class WindowForm : public com::CountedObject<WindowForm, IDispatch> {
  public:
    static constexpr const char* kName = "A form";
    explicit WindowForm(HWND window) : window_(window) {}

    HWND Window() const { return window_; }

    static bool Implements(REFIID riid) {
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch);
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
    // One name at a time, without named parameters; names compare without regard to case.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (names == nullptr || ids == nullptr) {
            return E_POINTER;
        }
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        if (count == 0 || names[0] == nullptr) {
            return DISP_E_UNKNOWNNAME;
        }
        ids[0] = lstrcmpiW(names[0], L"hWnd") == 0 ? kHwnd : MemberId(names[0]);
        return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (params != nullptr && params->cArgs != 0) {
            return DISP_E_BADPARAMCOUNT;
        }
        const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
        if (id != kHwnd) {
            return InvokeMember(id, flags, result);
        }
        if (!get) {
            return DISP_E_MEMBERNOTFOUND;  // read-only
        }
        if (result == nullptr) {
            return E_POINTER;
        }
        VariantInit(result);
        // Window handles keep to 32 bits, also in 64-bit processes: a Long holds them, as
        // forms hand them out.
        result->vt = VT_I4;
        result->lVal = static_cast<LONG>(reinterpret_cast<LONG_PTR>(window_));
        return S_OK;
    }

  protected:
    friend class com::CountedObject<WindowForm, IDispatch>;  // deletes it at its last release
    static constexpr DISPID kHwnd = 1;
    virtual ~WindowForm() = default;

    // Members a form adds beside hWnd: their ids (DISPID_UNKNOWN for none), and their calls
    // (result may be null).
    virtual DISPID MemberId(const wchar_t*) const { return DISPID_UNKNOWN; }
    virtual HRESULT InvokeMember(DISPID, WORD, VARIANT*) { return DISP_E_MEMBERNOTFOUND; }

    HWND window_;
};

}  // namespace zarnetcalc::win32
