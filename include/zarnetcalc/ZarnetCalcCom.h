// This library's binary interface, for hosts that do not link the C++ class: its identifiers,
// the dual interfaces _clsZarnetCalc and _clsZarnetCalc2 with their dispatch ids, and the exported
// C entry points. The
// runtime's shapes it is written in (IUnknown, IDispatch, VARIANT, result codes) come from
// ComPlatform.h; helpers for host programs (ComPtr, late-bound calls by name) from ComHelpers.h.
// On Windows the interface is the header generated from the library's IDL. The class itself is
// clsZarnetCalc.h.
//
// A late-binding host on Linux, in ten lines (with ComHelpers.h):
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
//   IID__clsZarnetCalc2   {71F18A98-8019-4FFA-812A-7C364EE57F8D}  dual interface _clsZarnetCalc2
//   LIBID_ZarnetCalc      {55905F67-BCDA-4365-BBE2-4A477DADDF06}  type library ZarnetCalc 1.1
//   IID_IZarnetCalcWindow {FD6F138D-3CCE-44E1-B91F-41CEDD4E79E3}  a host window wrapped as a form
//   ProgID                "ZarnetCalc.clsZarnetCalc"
// IUnknown, IClassFactory and IDispatch keep their well-known COM identifiers.
//
// Dispatch ids (names are matched without regard to case):
//   MyOwner 0x68030000 (get, put)   ErrorOccurred 0x68030001 (get)   Cancelled 0x68030002 (get)
//   Result  0x68030003 (get, put)   Show          0x60030004 (method)
//   ShowFrom 0x60030005 (method of _clsZarnetCalc2, one argument Start, its dispatch id 0)
// An interface once released never changes: the members added since 1.3.0 are in
// _clsZarnetCalc2, derived from _clsZarnetCalc, which the object also answers to.
#pragma once

#include "zarnetcalc/ComPlatform.h"
#include "zarnetcalc/DispatchIds.h"

#ifdef _WIN32

#include "zarnetcalc/ZarnetCalc_h.h"  // generated from the library's IDL by widl

#else

#include "zarnetcalc/zarnetcalc_export.h"

class QWidget;

namespace zarnetcalc::com {

// ---- Identifiers and interfaces of this library ------------------------------------------------

inline constexpr CLSID CLSID_clsZarnetCalc = {
    0xD1B95FEC, 0xF1E6, 0x4E7E, {0xBB, 0x9A, 0xAF, 0x5A, 0x08, 0x18, 0xEE, 0xB8}};
inline constexpr IID IID__clsZarnetCalc = {
    0x91B368B2, 0x595C, 0x440A, {0x9C, 0xA8, 0x11, 0xBB, 0xF1, 0x68, 0xF2, 0x38}};
inline constexpr IID IID__clsZarnetCalc2 = {
    0x71F18A98, 0x8019, 0x4FFA, {0x81, 0x2A, 0x7C, 0x36, 0x4E, 0xE5, 0x7F, 0x8D}};
inline constexpr GUID LIBID_ZarnetCalc = {
    0x55905F67, 0xBCDA, 0x4365, {0xBB, 0xE2, 0x4A, 0x47, 0x7D, 0xAD, 0xDF, 0x06}};
inline constexpr IID IID_IZarnetCalcWindow = {
    0xFD6F138D, 0x3CCE, 0x44E1, {0xB9, 0x1F, 0x41, 0xCE, 0xDD, 0x4E, 0x79, 0xE3}};
inline constexpr DISPID DISPID_MyOwner = ZC_DISPID_MYOWNER;
inline constexpr DISPID DISPID_ErrorOccurred = ZC_DISPID_ERROROCCURRED;
inline constexpr DISPID DISPID_Cancelled = ZC_DISPID_CANCELLED;
inline constexpr DISPID DISPID_Result = ZC_DISPID_RESULT;
inline constexpr DISPID DISPID_Show = ZC_DISPID_SHOW;
inline constexpr DISPID DISPID_ShowFrom = ZC_DISPID_SHOWFROM;

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

// _clsZarnetCalc and the members added since.
class _clsZarnetCalc2 : public _clsZarnetCalc {
  public:
    // Show, with the calculator opened on Start instead of "0" (see clsZarnetCalc::ShowFrom).
    // A Start that is not a finite number fails with error 5 before anything is shown.
    virtual HRESULT STDMETHODCALLTYPE ShowFrom(double Start) = 0;

  protected:
    ~_clsZarnetCalc2() = default;
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
//     Version                      = "1.1"
//   ZarnetCalc.clsZarnetCalc       = "clsZarnetCalc", CLSID = {clsid}
//   TypeLib\{libid}\1.1            = "ZarnetCalc", FLAGS = "0", HELPDIR = <library's folder>
//   Interface\{iid}                = "_clsZarnetCalc", TypeLib = {libid}, Version = "1.1"
//   Interface\{iid2}               = "_clsZarnetCalc2", TypeLib = {libid}, Version = "1.1"
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
