// The library's binary interface for hosts that do not link the C++ class: the component
// runtime's shapes (IUnknown, IClassFactory, IDispatch, the dual interface _clsZarnetCalc), the
// value variant, result codes, the fixed identifiers and the exported C entry points. On Windows
// these are the platform's own (<windows.h>, <oleauto.h> and the interface header generated from
// the library's IDL); elsewhere this header declares the same names and shapes. The class itself
// is clsZarnetCalc.h.
//
// A late-binding host on Linux, in ten lines:
//
//     using namespace zarnetcalc::com;
//     ComPtr<IDispatch> calc;
//     if (FAILED(ZarnetCalcCreateObject("ZarnetCalc.clsZarnetCalc", &IID_IDispatch,
//                                       calc.PutVoid()))) { /* ZarnetCalcGetErrorDescription */ }
//     ComPtr<IUnknown> owner;
//     ZarnetCalcWrapWindow(&mainWindow, owner.Put());
//     PutProperty(calc.Get(), u"MyOwner", MakeObject(owner.Get()));
//     CallMethod(calc.Get(), u"Show");
//     VARIANT result;
//     GetProperty(calc.Get(), u"Result", &result);   // result.vt == VT_R8, result.dblVal
//
// Rules of the interface, as in COM:
// - Every interface pointer handed out carries one reference; the receiver releases it.
// - When a call fails, its out-parameters are null, VT_EMPTY, 0 or DISPID_UNKNOWN.
// - An object belongs to the thread that created it ("Apartment"): a call from another thread
//   fails with RPC_E_WRONG_THREAD. AddRef and Release may come from any thread.
// - No C++ exception crosses this interface: every failure is a result code, and the thread's
//   last error description (ZarnetCalcGetErrorDescription) says what went wrong.
// - Texts are UTF-16 (OLECHAR), NUL-terminated. Texts the library hands out (BSTR) are freed by
//   the receiver with SysFreeString (std::free does the same here).
//
// Identifiers of this library, fixed for all its versions 1.x:
//   CLSID_clsZarnetCalc   {D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}  class clsZarnetCalc
//   IID__clsZarnetCalc    {91B368B2-595C-440A-9CA8-11BBF168F238}  dual interface _clsZarnetCalc
//   LIBID_ZarnetCalc      {55905F67-BCDA-4365-BBE2-4A477DADDF06}  type library ZarnetCalc 1.0
//   IID_IZarnetCalcWindow {FD6F138D-3CCE-44E1-B91F-41CEDD4E79E3}  a host window wrapped as a form
//   ProgID                "ZarnetCalc.clsZarnetCalc"
// IUnknown, IClassFactory and IDispatch keep their well-known COM identifiers.
//
// Dispatch ids of _clsZarnetCalc (names are matched without regard to case):
//   MyOwner 0x68030000 (get, put)   ErrorOccurred 0x68030001 (get)   Cancelled 0x68030002 (get)
//   Result  0x68030003 (get, put)   Show          0x60030004 (method)
#pragma once

#include "zarnetcalc/DispatchIds.h"

#ifdef _WIN32

#include <windows.h>  // first: the other system headers build on it

#include <oleauto.h>
#include <olectl.h>  // the self-registration results

#include "zarnetcalc/ZarnetCalc_h.h"  // generated from the library's IDL by widl

#else

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "zarnetcalc/zarnetcalc_export.h"

class QWidget;

namespace zarnetcalc::com {

// ---- Basic types ---------------------------------------------------------------------------

using HRESULT = std::int32_t;
using SCODE = HRESULT;
using DISPID = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using WORD = std::uint16_t;
using BOOL = std::int32_t;
using LCID = std::uint32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;  // True = -1, False = 0
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}
constexpr bool IsEqualGUID(const GUID& a, const GUID& b) {
    return a == b;
}

// ---- Result codes (the values Windows uses) --------------------------------------------------

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150u);
inline constexpr HRESULT REGDB_E_WRITEREGDB = static_cast<HRESULT>(0x80040151u);
inline constexpr HRESULT REGDB_E_INVALIDVALUE = static_cast<HRESULT>(0x80040153u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010Eu);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

}  // namespace zarnetcalc::com

// As on Windows, where they are macros too.
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (static_cast<::zarnetcalc::com::HRESULT>(hr) >= 0)
#endif
#ifndef FAILED
#define FAILED(hr) (static_cast<::zarnetcalc::com::HRESULT>(hr) < 0)
#endif
#ifndef STDMETHODCALLTYPE
#define STDMETHODCALLTYPE
#endif

namespace zarnetcalc::com {

// ---- Identifiers ---------------------------------------------------------------------------

inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ISupportErrorInfo = {
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr CLSID CLSID_clsZarnetCalc = {
    0xD1B95FEC, 0xF1E6, 0x4E7E, {0xBB, 0x9A, 0xAF, 0x5A, 0x08, 0x18, 0xEE, 0xB8}};
inline constexpr IID IID__clsZarnetCalc = {
    0x91B368B2, 0x595C, 0x440A, {0x9C, 0xA8, 0x11, 0xBB, 0xF1, 0x68, 0xF2, 0x38}};
inline constexpr GUID LIBID_ZarnetCalc = {
    0x55905F67, 0xBCDA, 0x4365, {0xBB, 0xE2, 0x4A, 0x47, 0x7D, 0xAD, 0xDF, 0x06}};
inline constexpr IID IID_IZarnetCalcWindow = {
    0xFD6F138D, 0x3CCE, 0x44E1, {0xB9, 0x1F, 0x41, 0xCE, 0xDD, 0x4E, 0x79, 0xE3}};

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr DISPID DISPID_MyOwner = ZC_DISPID_MYOWNER;
inline constexpr DISPID DISPID_ErrorOccurred = ZC_DISPID_ERROROCCURRED;
inline constexpr DISPID DISPID_Cancelled = ZC_DISPID_CANCELLED;
inline constexpr DISPID DISPID_Result = ZC_DISPID_RESULT;
inline constexpr DISPID DISPID_Show = ZC_DISPID_SHOW;

// Invoke flags.
inline constexpr WORD DISPATCH_METHOD = 0x1;
inline constexpr WORD DISPATCH_PROPERTYGET = 0x2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;

// ---- Values --------------------------------------------------------------------------------

class IUnknown;
class IDispatch;
class ITypeInfo;  // no type information on this platform: GetTypeInfo gives none

// The kinds of value that cross the dispatch interface (numbers as Windows' VARTYPE).
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000,  // combined with a type: the value is reached through a pointer
};

struct VARIANT {
    VARTYPE vt;  // a VARENUM
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        double dblVal;          // VT_R8
        float fltVal;           // VT_R4
        std::int32_t lVal;      // VT_I4
        std::int16_t iVal;      // VT_I2
        VARIANT_BOOL boolVal;   // VT_BOOL
        SCODE scode;            // VT_ERROR
        IUnknown* punkVal;      // VT_UNKNOWN, owns one reference (may be null: "Nothing")
        IDispatch* pdispVal;    // VT_DISPATCH, likewise
        VARIANT* pvarVal;       // VT_BYREF | VT_VARIANT
        IDispatch** ppdispVal;  // VT_BYREF | VT_DISPATCH
    };
};
using VARIANTARG = VARIANT;

struct DISPPARAMS {
    VARIANTARG* rgvarg;         // arguments, last one first
    DISPID* rgdispidNamedArgs;  // DISPID_PROPERTYPUT for the value of a property put
    UINT cArgs;
    UINT cNamedArgs;
};

// Filled by Invoke when it returns DISP_E_EXCEPTION: the member's own failure.
struct EXCEPINFO {
    WORD wCode;  // 0: the failure is in scode
    WORD wReserved;
    BSTR bstrSource;       // "ZarnetCalc.clsZarnetCalc"
    BSTR bstrDescription;  // the error message
    BSTR bstrHelpFile;     // none
    std::uint32_t dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;  // the failure as a result code, e.g. 0x800A005B for error 91
};

// Texts handed across the interface.
inline BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    auto* copy = static_cast<BSTR>(std::malloc((std::size_t{length} + 1) * sizeof(OLECHAR)));
    if (copy) {
        if (text) {
            std::memcpy(copy, text, std::size_t{length} * sizeof(OLECHAR));
        } else {
            std::memset(copy, 0, std::size_t{length} * sizeof(OLECHAR));
        }
        copy[length] = u'\0';
    }
    return copy;
}
inline BSTR SysAllocString(const OLECHAR* text) {
    if (!text) {
        return nullptr;
    }
    UINT length = 0;
    while (text[length]) {
        ++length;
    }
    return SysAllocStringLen(text, length);
}
inline void SysFreeString(BSTR text) {
    std::free(text);
}

// ---- Interfaces ----------------------------------------------------------------------------

class IUnknown {
  public:
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;  // released, never deleted by the holder
};

class IClassFactory : public IUnknown {
  public:
    // pUnkOuter must be null (no aggregation). One new object per call.
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    // Keeps the library loaded (DllCanUnloadNow answers S_FALSE) while locks are held.
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;

  protected:
    ~IClassFactory() = default;
};

class IDispatch : public IUnknown {
  public:
    // No type information on this platform: the count is 0 and GetTypeInfo gives none.
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    // riid must be IID_NULL. Unknown names get DISPID_UNKNOWN and DISP_E_UNKNOWNNAME.
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                                                    LCID lcid, DISPID* rgDispId) = 0;
    // pVarResult receives the value of a property get (required there); pExcepInfo and
    // puArgErr may be null.
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid,
                                             WORD wFlags, DISPPARAMS* pDispParams,
                                             VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                             UINT* puArgErr) = 0;

  protected:
    ~IDispatch() = default;
};

// Answers S_OK for an interface whose failing calls leave an error description for the calling
// thread (here: ZarnetCalcGetErrorDescription).
class ISupportErrorInfo : public IUnknown {
  public:
    virtual HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) = 0;

  protected:
    ~ISupportErrorInfo() = default;
};

// The dual interface: the dispatch members, then the typed ones in the class's member order.
// A failure inside a member returns 0x800A0000 | its error number (13, 91, ...), with the error
// description.
class _clsZarnetCalc : public IDispatch {
  public:
    virtual HRESULT STDMETHODCALLTYPE get_Result(double* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Result(double value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Cancelled(VARIANT_BOOL* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Show() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ErrorOccurred(VARIANT_BOOL* value) = 0;
    // The owner's form object, or null when none is set.
    virtual HRESULT STDMETHODCALLTYPE get_MyOwner(IDispatch** value) = 0;
    // A form object from ZarnetCalcWrapWindow, or null for none. Anything else, or a form whose
    // window has been destroyed, fails with error 13 and keeps the stored owner.
    virtual HRESULT STDMETHODCALLTYPE put_MyOwner(IDispatch* value) = 0;

  protected:
    ~_clsZarnetCalc() = default;
};

// A host window wrapped as a form (made by ZarnetCalcWrapWindow). Its dispatch interface has no
// members of its own.
class IZarnetCalcWindow : public IDispatch {
  public:
    // The wrapped window, or null once it has been destroyed.
    virtual QWidget* Window() = 0;

  protected:
    ~IZarnetCalcWindow() = default;
};

}  // namespace zarnetcalc::com

// ---- Exported entry points -----------------------------------------------------------------

extern "C" {

// S_OK when no object of the library is alive, no class-object reference is held and no server
// lock is taken; else S_FALSE.
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT DllCanUnloadNow();

// The class object of clsZarnetCalc, for IUnknown or IClassFactory. Other classes fail with
// CLASS_E_CLASSNOTAVAILABLE, other interfaces with E_NOINTERFACE, null arguments with E_POINTER.
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT DllGetClassObject(const zarnetcalc::com::CLSID* rclsid,
                                                             const zarnetcalc::com::IID* riid,
                                                             void** ppv);

// Registration in the classes store of the machine when it may be written, else of the user:
//   CLSID\{clsid}                  = "clsZarnetCalc"
//     InprocServer32               = <this library's path>, ThreadingModel = "Apartment"
//     ProgID                       = "ZarnetCalc.clsZarnetCalc"
//     TypeLib                      = {libid}
//     Version                      = "1.0"
//   ZarnetCalc.clsZarnetCalc       = "clsZarnetCalc", CLSID = {clsid}
//   TypeLib\{libid}\1.0            = "ZarnetCalc", FLAGS = "0", HELPDIR = <library's folder>
//   Interface\{iid}                = "_clsZarnetCalc", TypeLib = {libid}, Version = "1.0"
// Unregistration removes those keys again from whichever store holds them, and nothing else.
// Both return S_OK or SELFREG_E_CLASS (with the error description).
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT DllRegisterServer();
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT DllUnregisterServer();

// Creates an object from its programmatic identifier through the registration, as a late-binding
// host does: ProgID -> CLSID -> InprocServer32 -> load the library -> DllGetClassObject ->
// CreateInstance. REGDB_E_CLASSNOTREG for an identifier or class that is not registered,
// REGDB_E_INVALIDVALUE for a malformed entry, CO_E_DLLNOTFOUND for a library that cannot be
// loaded, CO_E_ERRORINDLL for one without the entry point. Libraries stay loaded.
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT ZarnetCalcCreateObject(const char* progId,
                                                                  const zarnetcalc::com::IID* riid,
                                                                  void** ppv);

// Wraps a host window as a form object for MyOwner (IUnknown, IZarnetCalcWindow). The wrapper
// watches the window: once it is destroyed, Window() returns null. E_POINTER for a null argument.
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT ZarnetCalcWrapWindow(QWidget* window,
                                                                zarnetcalc::com::IUnknown** ppv);

// The description of the last failure on the calling thread (every call of the interface clears
// it first). S_OK and a text to free with SysFreeString, or S_FALSE and null when there is none.
ZARNETCALC_EXPORT zarnetcalc::com::HRESULT ZarnetCalcGetErrorDescription(
    zarnetcalc::com::BSTR* description);

}  // extern "C"

// ---- Small C++ helpers for hosts (inline: they call only through the interfaces) -----------

namespace zarnetcalc::com {

// Owns one reference to an interface.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    explicit ComPtr(T* p, bool addRef = false) : p_(p) {
        if (p_ && addRef) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_, true) {}
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
    // For out-parameters: drops the current reference and gives the slot.
    T** Put() {
        Reset();
        return &p_;
    }
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

inline void VariantInit(VARIANT* v) {
    *v = VARIANT{};
    v->vt = VT_EMPTY;
}
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

// Releases what the variant owns and leaves it VT_EMPTY.
inline void VariantClear(VARIANT* v) {
    if (!v) {
        return;
    }
    if (v->vt == VT_UNKNOWN && v->punkVal) {
        v->punkVal->Release();
    } else if (v->vt == VT_DISPATCH && v->pdispVal) {
        v->pdispVal->Release();
    }
    VariantInit(v);
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

}  // namespace zarnetcalc::com

#endif  // _WIN32

namespace zarnetcalc::com {

#ifdef _WIN32
using ::HRESULT;
#endif

inline constexpr const char* kProgID = "ZarnetCalc.clsZarnetCalc";

// An error number of the component (13 type mismatch, 91 object not set, ...) as a result code,
// the way automation servers report them: 0x800A0000 | number.
constexpr HRESULT HResultFromErrorNumber(int number) {
    return static_cast<HRESULT>(0x800A0000u | (static_cast<unsigned>(number) & 0xFFFFu));
}

}  // namespace zarnetcalc::com
