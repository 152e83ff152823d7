// Self-registration: writes the class, its programmatic identifier, the type library and the
// interface under Software\Classes of the machine's store when it may be written, else of the
// user's, and removes exactly those keys again. The stores themselves are about/Registry.
#include <filesystem>
#include <string>
#include <vector>

#include "about/Registry.h"
#include "component/Runtime.h"

namespace zarnetcalc::runtime {

namespace {

namespace reg = zarnetcalc::registry;

const std::string kClasses = "Software\\Classes\\";

struct Value {
    std::string key;   // below Software\Classes
    std::string name;  // "" is the key's default value
    std::string text;
};

std::string ClsidKey() {
    return "CLSID\\" + GuidToString(CLSID_clsZarnetCalc);
}
std::string TypeLibKey() {
    return "TypeLib\\" + GuidToString(LIBID_ZarnetCalc);
}
std::string InterfaceKey() {
    return "Interface\\" + GuidToString(IID__clsZarnetCalc);
}

std::vector<Value> Values(const std::string& libraryPath) {
    const std::string clsid = ClsidKey();
    const std::string libid = GuidToString(LIBID_ZarnetCalc);
    const std::string folder = std::filesystem::path(libraryPath).parent_path().string();
    return {
        {clsid, "", "clsZarnetCalc"},
        {clsid + "\\InprocServer32", "", libraryPath},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\ProgID", "", kProgID},
        {clsid + "\\TypeLib", "", libid},
        {clsid + "\\Version", "", "1.0"},
        {kProgID, "", "clsZarnetCalc"},
        {std::string(kProgID) + "\\CLSID", "", GuidToString(CLSID_clsZarnetCalc)},
        {TypeLibKey() + "\\1.0", "", "ZarnetCalc"},
        {TypeLibKey() + "\\1.0\\FLAGS", "", "0"},
        {TypeLibKey() + "\\1.0\\HELPDIR", "", folder},
        {InterfaceKey(), "", "_clsZarnetCalc"},
        {InterfaceKey() + "\\TypeLib", "", libid},
        {InterfaceKey() + "\\TypeLib", "Version", "1.0"},
    };
}

QString StoreName(reg::RegKey root) {
    return root == reg::kHKEY_LOCAL_MACHINE ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                            : QStringLiteral("HKEY_CURRENT_USER");
}

QString Failure(reg::RegKey root, reg::RegResult r) {
    QString what;
    switch (r) {
        case reg::kERROR_ACCESS_DENIED:
            what = QStringLiteral("access denied");
            break;
        case reg::kERROR_BADDB:
            what = QStringLiteral("the store is corrupt");
            break;
        case reg::kERROR_INVALID_DATA:
            what = QStringLiteral("a value is malformed");
            break;
        default:
            what = QStringLiteral("error %1").arg(r);
            break;
    }
    return QStringLiteral(" %1: %2.").arg(StoreName(root), what);
}

// The default value of root\key as text, or nothing when the key or value is missing.
std::optional<std::string> ReadDefault(reg::RegKey root, const std::string& key) {
    reg::RegKey handle = 0;
    if (reg::RegOpenKeyEx(root, key, 0, reg::kKEY_QUERY_VALUE, &handle) != reg::kERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (reg::RegQueryValueEx(handle, "", &type, nullptr, &size) == reg::kERROR_SUCCESS &&
        type == reg::kREG_SZ) {
        std::string data(size, '\0');
        if (reg::RegQueryValueEx(handle, "", &type, reinterpret_cast<std::uint8_t*>(data.data()),
                                 &size) == reg::kERROR_SUCCESS) {
            data.resize(size);
            while (!data.empty() && data.back() == '\0') {
                data.pop_back();
            }
            text = data;
        }
    }
    reg::RegCloseKey(handle);
    return text;
}

// The keys registration owns in one store. The programmatic identifier is ours only while it
// names our class: another component's registration of the same name is left alone.
std::vector<std::string> OwnedKeys(reg::RegKey root) {
    std::vector<std::string> keys = {kClasses + ClsidKey(), kClasses + TypeLibKey(),
                                     kClasses + InterfaceKey()};
    const auto progIdClsid = ReadDefault(root, kClasses + kProgID + "\\CLSID");
    if (progIdClsid) {
        const auto guid = GuidFromString(*progIdClsid);
        if (guid && *guid == CLSID_clsZarnetCalc) {
            keys.push_back(kClasses + kProgID);
        }
    }
    return keys;
}

// Removes the keys of one store; a key that is not there is no failure.
reg::RegResult RemoveFrom(reg::RegKey root) {
    reg::RegResult worst = reg::kERROR_SUCCESS;
    for (const std::string& key : OwnedKeys(root)) {
        reg::RegKey handle = 0;
        const reg::RegResult open = reg::RegOpenKeyEx(root, key, 0, reg::kKEY_QUERY_VALUE, &handle);
        if (open == reg::kERROR_FILE_NOT_FOUND) {
            continue;  // not in this store (a read-only store that lacks it is no failure)
        }
        if (open == reg::kERROR_SUCCESS) {
            reg::RegCloseKey(handle);
        }
        const reg::RegResult r = reg::RegDeleteTree(root, key);
        if (r != reg::kERROR_SUCCESS && r != reg::kERROR_FILE_NOT_FOUND) {
            worst = r;
        }
    }
    return worst;
}

reg::RegResult WriteTo(reg::RegKey root, const std::vector<Value>& values) {
    for (const Value& v : values) {
        reg::RegKey handle = 0;
        reg::RegResult r = reg::RegCreateKeyEx(root, kClasses + v.key, reg::kKEY_WRITE, &handle);
        if (r != reg::kERROR_SUCCESS) {
            return r;
        }
        r = reg::RegSetStringValue(handle, v.name, v.text);
        reg::RegCloseKey(handle);
        if (r != reg::kERROR_SUCCESS) {
            return r;
        }
    }
    return reg::kERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterServer() {
    ClearErrorInfo();
    try {
        const std::string path = LibraryPath();
        if (path.empty()) {
            return SetErrorInfo(SELFREG_E_CLASS,
                                QStringLiteral("DllRegisterServer: the library's own "
                                               "path is unknown"));
        }
        const auto values = Values(path);
        QString failures;
        for (const reg::RegKey root : {reg::kHKEY_LOCAL_MACHINE, reg::kHKEY_CURRENT_USER}) {
            const reg::RegResult r = WriteTo(root, values);
            if (r == reg::kERROR_SUCCESS) {
                // A copy left in the user's store would shadow the machine's in the merged view.
                if (root == reg::kHKEY_LOCAL_MACHINE) {
                    RemoveFrom(reg::kHKEY_CURRENT_USER);
                }
                return S_OK;
            }
            RemoveFrom(root);  // nothing half-written stays behind
            failures += Failure(root, r);
        }
        return SetErrorInfo(SELFREG_E_CLASS,
                            QStringLiteral("DllRegisterServer: neither classes store could be "
                                           "written.") +
                                failures);
    } catch (...) {
        HResultFromCurrentException();
        return SELFREG_E_CLASS;
    }
}

HRESULT UnregisterServer() {
    ClearErrorInfo();
    try {
        QString failures;
        for (const reg::RegKey root : {reg::kHKEY_CURRENT_USER, reg::kHKEY_LOCAL_MACHINE}) {
            const reg::RegResult r = RemoveFrom(root);
            if (r != reg::kERROR_SUCCESS) {
                failures += Failure(root, r);
            }
        }
        if (!failures.isEmpty()) {
            return SetErrorInfo(SELFREG_E_CLASS,
                                QStringLiteral("DllUnregisterServer: the registration could not "
                                               "be removed everywhere.") +
                                    failures);
        }
        return S_OK;
    } catch (...) {
        HResultFromCurrentException();
        return SELFREG_E_CLASS;
    }
}

}  // namespace zarnetcalc::runtime
