// Creating an object from its programmatic identifier, as a late-binding host does: ProgID ->
// CLSID -> InprocServer32 -> load the library -> its DllGetClassObject -> CreateInstance. The
// lookups go through the merged classes view, HKEY_CLASSES_ROOT (registry/Registry.h).
#include <dlfcn.h>

#include <string>

#include "component/Runtime.h"
#include "registry/Registry.h"

namespace zarnetcalc::runtime {

namespace {

using namespace zarnetcalc::registry;  // the platform's registry names (global on Windows)

using GetClassObjectFunction = HRESULT (*)(const CLSID*, const IID*, void**);

// The default value of a classes key: the text, or the registry error.
LONG ReadClassesDefault(const std::string& key, std::string* text) {
    HKEY handle = nullptr;
    LONG r = RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (r != ERROR_SUCCESS) {
        return r;
    }
    DWORD type = 0;
    DWORD size = 0;
    r = RegQueryValueExA(handle, "", nullptr, &type, nullptr, &size);
    if (r == ERROR_SUCCESS && type != REG_SZ) {
        r = ERROR_INVALID_DATA;
    }
    if (r == ERROR_SUCCESS) {
        std::string data(size, '\0');
        r = RegQueryValueExA(handle, "", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size);
        data.resize(size);
        while (!data.empty() && data.back() == '\0') {
            data.pop_back();
        }
        *text = data;
    }
    RegCloseKey(handle);
    return r;
}

// A registry failure while looking up key, as a result code with its description.
HRESULT LookupFailure(LONG r, const QString& what) {
    switch (r) {
        case ERROR_FILE_NOT_FOUND:
            return SetErrorInfo(REGDB_E_CLASSNOTREG, what + QStringLiteral(" is not registered"));
        case ERROR_INVALID_DATA:
            return SetErrorInfo(REGDB_E_INVALIDVALUE,
                                what + QStringLiteral(": the registered value "
                                                      "is not a text"));
        case ERROR_BADDB:
            return SetErrorInfo(REGDB_E_READREGDB, what + QStringLiteral(": the classes store is "
                                                                         "corrupt"));
        default:
            return SetErrorInfo(REGDB_E_READREGDB,
                                what + QStringLiteral(": the classes store could not be read "
                                                      "(error %1)")
                                           .arg(r));
    }
}

bool ValidProgId(const std::string& progId) {
    if (progId.empty() || progId.size() > 255) {
        return false;
    }
    for (const unsigned char c : progId) {
        if (c < 0x20 || c == '\\' || c == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

HRESULT CreateObjectByName(const char* progIdText, const IID* riid, void** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return SetErrorInfo(E_POINTER,
                            QStringLiteral("ZarnetCalcCreateObject: the out-pointer is null"));
    }
    *ppv = nullptr;
    if (!progIdText || !riid) {
        return SetErrorInfo(E_POINTER, QStringLiteral("ZarnetCalcCreateObject: a null argument"));
    }
    try {
        const std::string progId = progIdText;
        const QString shown = QStringLiteral("\"%1\"").arg(QString::fromUtf8(progIdText));
        if (!ValidProgId(progId)) {
            return SetErrorInfo(REGDB_E_CLASSNOTREG,
                                shown + QStringLiteral(" is not a valid programmatic identifier"));
        }

        std::string clsidText;
        LONG r = ReadClassesDefault(progId + "\\CLSID", &clsidText);
        if (r != ERROR_SUCCESS) {
            return LookupFailure(r, QStringLiteral("The programmatic identifier ") + shown);
        }
        const auto clsid = GuidFromString(clsidText);
        if (!clsid) {
            return SetErrorInfo(REGDB_E_INVALIDVALUE,
                                QStringLiteral("%1 names a malformed class identifier \"%2\"")
                                    .arg(shown, QString::fromStdString(clsidText)));
        }
        const QString classShown = QString::fromStdString(clsidText);

        std::string path;
        r = ReadClassesDefault("CLSID\\" + GuidToString(*clsid) + "\\InprocServer32", &path);
        if (r != ERROR_SUCCESS) {
            return LookupFailure(r, QStringLiteral("The library of class ") + classShown);
        }
        if (path.empty()) {
            return SetErrorInfo(REGDB_E_CLASSNOTREG,
                                QStringLiteral("Class %1 has no library path").arg(classShown));
        }

        // The library stays loaded: objects it made may outlive this call.
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = dlerror();
            return SetErrorInfo(
                CO_E_DLLNOTFOUND,
                QStringLiteral("The library of %1 could not be loaded: %2")
                    .arg(shown, QString::fromLocal8Bit(why ? why : "unknown reason")));
        }
        auto getClassObject =
            reinterpret_cast<GetClassObjectFunction>(dlsym(library, "DllGetClassObject"));
        if (!getClassObject) {
            return SetErrorInfo(
                CO_E_ERRORINDLL,
                QStringLiteral("%1 has no DllGetClassObject").arg(QString::fromStdString(path)));
        }
        IClassFactory* factory = nullptr;
        HRESULT hr =
            getClassObject(&*clsid, &IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr) || !factory) {
            return SetErrorInfo(FAILED(hr) ? hr : E_UNEXPECTED,
                                QStringLiteral("The library of %1 gave no class object for %2")
                                    .arg(shown, classShown));
        }
        hr = factory->CreateInstance(nullptr, *riid, ppv);
        factory->Release();
        return hr;
    } catch (...) {
        return HResultFromCurrentException();
    }
}

}  // namespace zarnetcalc::runtime

using namespace zarnetcalc::runtime;

extern "C" ZARNETCALC_EXPORT HRESULT ZarnetCalcCreateObject(const char* progId, const IID* riid,
                                                            void** ppv) {
    return CreateObjectByName(progId, riid, ppv);
}
