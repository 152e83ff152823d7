// Creating an object from its programmatic identifier, as a late-binding host does and as the
// platform's component runtime would: ProgID -> CLSID -> InprocServer32 -> load the library ->
// its DllGetClassObject -> CreateInstance. The lookups read the merged HKEY_CLASSES_ROOT view.
#include <QLibrary>
#include <QString>
#include <QUuid>

#include <string>

#include "component/qt/Platform.h"
#include "registry/RegistryValue.h"

namespace zarnetcalc::runtime {

namespace {

using namespace zarnetcalc::registry;

using GetClassObjectFunction = HRESULT (*)(const CLSID*, const IID*, void**);

// The default value of a classes key as text, or the registry's error.
LONG ReadClassesDefault(const std::string& key, std::string* text) {
    return ReadRegistryText(HKEY_CLASSES_ROOT, key, "", *text);
}

// A registry failure while looking up what, as a result code with its description.
HRESULT LookupFailure(LONG r, const std::string& what) {
    switch (r) {
        case ERROR_FILE_NOT_FOUND:
            return ReportError(REGDB_E_CLASSNOTREG, what + " is not registered");
        case ERROR_INVALID_DATA:
            return ReportError(REGDB_E_INVALIDVALUE, what + ": the registered value is not a text");
        case ERROR_BADDB:
            return ReportError(REGDB_E_READREGDB, what + ": the classes store is corrupt");
        default:
            return ReportError(REGDB_E_READREGDB, what +
                                                      ": the classes store could not be read "
                                                      "(error " +
                                                      std::to_string(r) + ")");
    }
}

// A name the classes store can hold: valid UTF-8 without control characters or '\', at most
// 255 bytes.
bool ValidProgId(const std::string& progId) {
    if (progId.empty() || progId.size() > 255) {
        return false;
    }
    for (const unsigned char c : progId) {
        if (c < 0x20 || c == '\\' || c == 0x7F) {
            return false;
        }
    }
    const QString decoded = QString::fromUtf8(progId.data(), qsizetype(progId.size()));
    return decoded.toUtf8().toStdString() == progId;  // invalid sequences do not survive
}

}  // namespace

HRESULT CreateObjectByName(const char* progIdText, const IID* riid, void** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return ReportError(E_POINTER, "ZarnetCalcCreateObject: the out-pointer is null");
    }
    *ppv = nullptr;
    if (!progIdText || !riid) {
        return ReportError(E_POINTER, "ZarnetCalcCreateObject: a null argument");
    }
    const std::string progId = progIdText;
    if (!ValidProgId(progId)) {
        return ReportError(REGDB_E_CLASSNOTREG, "That is not a registered programmatic identifier");
    }
    const std::string shown = "\"" + progId + "\"";

    std::string clsidText;
    LONG r = ReadClassesDefault(progId + "\\CLSID", &clsidText);
    if (r != ERROR_SUCCESS) {
        return LookupFailure(r, "The programmatic identifier " + shown);
    }
    const QUuid uuid = QUuid::fromString(QString::fromStdString(clsidText));
    if (uuid.isNull() || clsidText.size() != 38 || clsidText.front() != '{') {
        return ReportError(REGDB_E_INVALIDVALUE,
                           shown + " names a malformed class identifier \"" + clsidText + "\"");
    }
    CLSID clsid{uuid.data1, uuid.data2, uuid.data3, {}};
    std::copy(std::begin(uuid.data4), std::end(uuid.data4), std::begin(clsid.Data4));

    std::string path;
    r = ReadClassesDefault("CLSID\\" + GuidToString(clsid) + "\\InprocServer32", &path);
    if (r != ERROR_SUCCESS) {
        return LookupFailure(r, "The library of class " + clsidText);
    }
    if (path.empty()) {
        return ReportError(REGDB_E_CLASSNOTREG, "Class " + clsidText + " has no library path");
    }

    // The library stays loaded (QLibrary does not unload it): objects it made may outlive this.
    QLibrary library(QString::fromStdString(path));
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load()) {
        return ReportError(CO_E_DLLNOTFOUND, "The library of " + shown + " could not be loaded: " +
                                                 library.errorString().toStdString());
    }
    auto getClassObject =
        reinterpret_cast<GetClassObjectFunction>(library.resolve("DllGetClassObject"));
    if (!getClassObject) {
        return ReportError(CO_E_ERRORINDLL, path + " has no DllGetClassObject");
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        return ReportError(FAILED(hr) ? hr : E_UNEXPECTED,
                           "The library of " + shown + " gave no class object for " + clsidText);
    }
    hr = factory->CreateInstance(nullptr, *riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace zarnetcalc::runtime
