// Internals of the in-process runtime shared by its files: live-object and lock counts, the
// thread's last error description, identifier texts, and the routines the entry points call.
// The binary interface itself is include/zarnetcalc/ZarnetCalcCom.h.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include <QString>

#include "zarnetcalc/ZarnetCalcCom.h"

namespace zarnetcalc::runtime {

using namespace zarnetcalc::com;

// Objects of the library alive now (calculator objects and window wrappers), and locks.
void ObjectCreated();
void ObjectDestroyed();
long LiveObjects();
void ServerLock();
bool ServerUnlock();  // false when there was no lock to release
long ServerLocks();

// The calling thread's last error description.
void ClearErrorInfo();
HRESULT SetErrorInfo(HRESULT hr, const QString& description);  // returns hr
// The current exception as a result code, its description recorded; with an Error from the
// class, its number goes to *errorNumber when given.
HRESULT HResultFromCurrentException(int* errorNumber = nullptr, QString* description = nullptr);

// A malloc'd UTF-16 copy (freed by the receiver with std::free), or null when out of memory.
char16_t* DuplicateText(const QString& text);

// "{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}" and back (case-insensitive; braces required).
std::string GuidToString(const GUID& guid);
std::optional<GUID> GuidFromString(const std::string& text);

// The class object (a static instance) and its outstanding references.
IClassFactory* ClassFactory();
long ClassFactoryReferences();

// The routines behind the exported entry points.
HRESULT CanUnloadNow();
HRESULT GetClassObject(const CLSID* rclsid, const IID* riid, void** ppv);
HRESULT RegisterServer();
HRESULT UnregisterServer();
HRESULT CreateObjectByName(const char* progId, const IID* riid, void** ppv);

// This library's file path as the loader knows it.
std::string LibraryPath();

}  // namespace zarnetcalc::runtime
