// The component runtime's shapes as this library uses them, with the values Windows gives them:
// basic types, result codes, the well-known identifiers, the value variant, texts (BSTR) and the
// interfaces IUnknown, IClassFactory, IDispatch and ISupportErrorInfo. On Windows they are the
// platform's own (<windows.h>, <oleauto.h>); elsewhere, where the library stands in for the
// platform's component runtime, this header declares the same names and shapes. This library's
// own interface is ZarnetCalcCom.h.
#pragma once

#ifdef _WIN32

#include <windows.h>  // first: the other system headers build on it

#include <oleauto.h>
#include <olectl.h>  // the self-registration results

#else

#include <cstdint>
#include <cstdlib>
#include <cstring>

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
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
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

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

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
        IUnknown** ppunkVal;    // VT_BYREF | VT_UNKNOWN
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

inline void VariantInit(VARIANT* v) {
    *v = VARIANT{};
    v->vt = VT_EMPTY;
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

}  // namespace zarnetcalc::com

#endif  // _WIN32
