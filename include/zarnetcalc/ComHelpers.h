// Small C++ helpers for host programs on Linux that call the component through its binary
// interface: an owning interface pointer, variants made in one line, and late-bound calls by
// member name. Inline, calling only through the interfaces; the library needs none of them.
// (On Windows, WRL's ComPtr and the platform's own functions serve.)
#pragma once

#include "zarnetcalc/ZarnetCalcCom.h"

#ifndef _WIN32

namespace zarnetcalc::com {

// Owns one reference to an interface, as WRL's ComPtr does: made from a raw pointer (or assigned
// one) it adds a reference of its own; Attach adopts the caller's reference without adding one,
// and Detach hands its reference back.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) {  // NOLINT(google-explicit-constructor): as WRL's
        if (p_) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(ComPtr other) noexcept {
        T* old = p_;
        p_ = other.p_;
        other.p_ = old;
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() {
        if (p_) {
            T* p = p_;
            p_ = nullptr;
            p->Release();
        }
    }
    // Takes over the reference p carries (no AddRef); the one held before is released.
    void Attach(T* p) {
        if (p != p_) {
            Reset();
            p_ = p;
        }
    }
    // For out-parameters: drops the current reference and gives the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    T** ReleaseAndGetAddressOf() { return Put(); }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const {
        if (!p_) {
            return E_POINTER;
        }
        return p_->QueryInterface(iid, out.PutVoid());
    }

  private:
    T* p_ = nullptr;
};

inline VARIANT MakeEmpty() {
    VARIANT v{};
    v.vt = VT_EMPTY;
    return v;
}
inline VARIANT MakeDouble(double value) {
    VARIANT v{};
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}
inline VARIANT MakeBool(bool value) {
    VARIANT v{};
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
// Borrows the object: the variant does not own a reference (do not VariantClear it).
inline VARIANT MakeObject(IUnknown* object) {
    VARIANT v{};
    v.vt = VT_UNKNOWN;
    v.punkVal = object;
    return v;
}

inline void ClearExcepInfo(EXCEPINFO* e) {
    if (!e) {
        return;
    }
    SysFreeString(e->bstrSource);
    SysFreeString(e->bstrDescription);
    SysFreeString(e->bstrHelpFile);
    *e = EXCEPINFO{};
}

// Late-bound calls by member name (exception details, if any, are freed: use Invoke for them).
inline HRESULT InvokeByName(IDispatch* object, const char16_t* name, WORD flags, DISPPARAMS* params,
                            VARIANT* result) {
    if (!object || !name) {
        return E_POINTER;
    }
    DISPID id = DISPID_UNKNOWN;
    auto* names = const_cast<LPOLESTR*>(&name);  // the callee only reads them
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) {
        return hr;
    }
    EXCEPINFO info{};
    hr = object->Invoke(id, IID_NULL, 0, flags, params, result, &info, nullptr);
    ClearExcepInfo(&info);
    return hr;
}
inline HRESULT GetProperty(IDispatch* object, const char16_t* name, VARIANT* result) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return InvokeByName(object, name, DISPATCH_PROPERTYGET, &none, result);
}
inline HRESULT PutProperty(IDispatch* object, const char16_t* name, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return InvokeByName(object, name, DISPATCH_PROPERTYPUT, &params, nullptr);
}
inline HRESULT CallMethod(IDispatch* object, const char16_t* name) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return InvokeByName(object, name, DISPATCH_METHOD, &none, nullptr);
}
// A method of one argument: CallMethod(calc.Get(), u"ShowFrom", MakeDouble(12.5)).
inline HRESULT CallMethod(IDispatch* object, const char16_t* name, VARIANT argument) {
    DISPPARAMS one{&argument, nullptr, 1, 0};
    return InvokeByName(object, name, DISPATCH_METHOD, &one, nullptr);
}

}  // namespace zarnetcalc::com

#endif  // _WIN32
