// The component runtime's inner routines, shared by both platforms: live-object and lock counts
// for unload polling, the apartment's thread token, failures as result codes, identifier texts,
// and the platform services each platform's runtime file provides. The binary interface itself
// is include/zarnetcalc/ZarnetCalcCom.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/Component.h"
#include "zarnetcalc/ZarnetCalcCom.h"

namespace zarnetcalc::runtime {

using namespace zarnetcalc::com;

// ---- shared (Runtime.cpp) ------------------------------------------------------------------

// Server locks; with the library's live objects (common/CountedObject.h) they answer unload
// polling.
void ServerLock();
bool ServerUnlock();  // false when there was no lock to release
HRESULT CanUnloadNow();

// A number for the calling thread that no other thread of the process is ever given, even after
// this one has ended (thread ids are reused; this is not).
std::uint64_t CurrentThreadToken();

// A failure of a call itself (bad arguments, wrong thread), returned to the caller as it is.
struct CallFailure {
    HRESULT hr;
    std::string description;
};

// A failure inside a member, as the host receives it.
struct MemberFailure {
    HRESULT hr;
    std::string description;
};
// The exception being handled as a member failure: a zarnetcalc::Error gives 0x800A0000 | its
// number, running out of memory E_OUTOFMEMORY, anything else E_FAIL or E_UNEXPECTED.
MemberFailure FailureFromCurrentException();

// "{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}".
std::string GuidToString(const GUID& guid);

// The routines behind the exported entry points.
HRESULT GetClassObject(const CLSID* rclsid, const IID* riid, void** ppv);
HRESULT RegisterServer();
HRESULT UnregisterServer();

// ---- this platform's (qt/, win32/) -----------------------------------------------------------

// The calling thread's error description for its caller: cleared at the start of every call,
// set by a failure. ReportError returns hr.
void ClearErrorInfo();
HRESULT ReportError(HRESULT hr, std::string_view description);

// A text for the caller (SysFreeString frees it); null when out of memory.
BSTR AllocText(std::string_view utf8);

// A value as a number the way the platform converts variants: S_OK, DISP_E_OVERFLOW for a
// number too large for a double (a text such as "1e400"), or DISP_E_TYPEMISMATCH.
HRESULT VariantToNumber(const VARIANT& value, double* number);

// The type information of _clsZarnetCalc2: how many (0 or 1), and the one there is.
UINT TypeInfoCount();
HRESULT LoadTypeInfo(ITypeInfo** typeInfo);

// This library's file path as the loader knows it, in the text form the registry functions
// take; "" when it is unknown or cannot be written in that form.
std::string LibraryPath();

// The platform the type library is registered for under its version's "0" key: "win64" or
// "win32" as built on Windows; "" where no file of it is registered (Linux).
std::string TypeLibraryPlatform();
// The access flag that opens a key in the registry view of the other bitness on 64-bit Windows
// (KEY_WOW64_32KEY from a 64-bit build, KEY_WOW64_64KEY from a 32-bit one); nothing where there
// is a single view (Linux).
std::optional<std::uint32_t> OtherRegistryView();

// Forms as owners: what MyOwner takes and gives back on this platform (qt/Forms.cpp,
// win32/Forms.cpp). OwnerFromForm throws zarnetcalc::Error 13 for an object that is no form;
// FormOf gives the form an owner was made from, with one reference for the caller.
std::unique_ptr<component::OwnerWindow> OwnerFromForm(IUnknown* form);
IDispatch* FormOf(component::OwnerWindow& owner);
// Throws CallFailure when Show cannot run on the calling thread at all.
void CheckShowThread();

// ---- shared, on the platform's error reporting ---------------------------------------------

// Runs an exported function's body so that no exception leaves the library: one that escapes
// becomes its result code, with the error description.
template <class Body>
HRESULT Guarded(Body&& body) {
    try {
        return body();
    } catch (...) {
        const MemberFailure failure = FailureFromCurrentException();
        return ReportError(failure.hr, failure.description);
    }
}

}  // namespace zarnetcalc::runtime
