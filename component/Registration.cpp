// Self-registration: writes the class, its programmatic identifier, the type library and the
// interface under Software\Classes of the machine's store when it may be written, else of the
// user's, and removes exactly those keys again. Written against the platform's registry functions.
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/Runtime.h"
#include "registry/RegistryValue.h"

namespace zarnetcalc::runtime {

namespace {

using namespace zarnetcalc::registry;

const std::string kClasses = "Software\\Classes\\";

// A text value that registration writes under Software\Classes.
struct Value {
    std::string key;   // below Software\Classes
    std::string name;  // "" is the key's default value
    std::string text;
};

std::string ClsidKey() {
    return "CLSID\\" + GuidToString(CLSID_clsZarnetCalc);
}
std::string TypeLibKey() {  // this library's version only: other versions are not ours
    return "TypeLib\\" + GuidToString(LIBID_ZarnetCalc) + "\\" ZC_TYPELIB_VERSION_TEXT;
}
std::string InterfaceKey(const IID& iid) {
    return "Interface\\" + GuidToString(iid);
}

// The folder of a path, cut at its last separator. Plain text work: the path is in the
// registry functions' code page, which a std::filesystem::path would not keep on Windows.
std::string Folder(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) {
        return {};
    }
    // The root keeps its separator ("/", "C:\").
    const bool root = cut == 0 || (cut == 2 && path[1] == ':');
    return path.substr(0, root ? cut + 1 : cut);
}

// Where a row of the registration table applies: everywhere, or only where the platform's own
// component runtime reads it (the type library's file and the interface's marshaler).
enum class Where { all, windows };

struct Row {
    Where where;
    const char* key;
    const char* name;
    const char* text;
};

// The same rows the Windows installer carries, generated from component/registration.table.
constexpr Row kRows[] = {
#include "component/RegistrationTable.inc"
};

// A key or text of the table with its placeholders filled in.
std::string Fill(std::string text, const std::string& libraryPath) {
    const std::pair<const char*, std::string> fills[] = {
        {"{CLSID}", GuidToString(CLSID_clsZarnetCalc)},
        {"{IID}", GuidToString(IID__clsZarnetCalc)},
        {"{IID2}", GuidToString(IID__clsZarnetCalc2)},
        {"{VERSION}", ZC_TYPELIB_VERSION_TEXT},
        {"{LIBID}", GuidToString(LIBID_ZarnetCalc)},
        {"{PROGID}", kProgID},
        {"{LIBRARY}", libraryPath},
        {"{FOLDER}", Folder(libraryPath)},
        {"{PLATFORM}", TypeLibraryPlatform()},
    };
    for (const auto& [placeholder, value] : fills) {
        const std::string_view mark = placeholder;
        for (std::size_t at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + value.size())) {
            text.replace(at, mark.size(), value);
        }
    }
    return text;
}

std::vector<Value> Values(const std::string& libraryPath) {
    // The platform's runtime is the one that reads the type library's file; the stand-in here
    // registers no platform for it.
    const bool windows = !TypeLibraryPlatform().empty();
    std::vector<Value> values;
    for (const Row& row : kRows) {
        if (row.where == Where::all || windows) {
            values.push_back({Fill(row.key, libraryPath), row.name, Fill(row.text, libraryPath)});
        }
    }
    return values;
}

std::string Failure(HKEY root, LONG r) {
    std::string what;
    switch (r) {
        case ERROR_ACCESS_DENIED:
            what = "access denied";
            break;
        case ERROR_BADDB:
            what = "the store is corrupt";
            break;
        case ERROR_FILE_TOO_LARGE:
            what = "the store is larger than any registry store, so it is not read";
            break;
        default:
            what = "error " + std::to_string(r);
            break;
    }
    return std::string(root == HKEY_LOCAL_MACHINE ? " HKEY_LOCAL_MACHINE: "
                                                  : " HKEY_CURRENT_USER: ") +
           what + ".";
}

// Identifier texts compare without regard to case.
bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The default value of root\key as text, or nothing when the key or value is missing.
std::optional<std::string> ReadDefault(HKEY root, const std::string& key) {
    std::string text;
    if (ReadRegistryText(root, key, "", text) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return text;
}

// Whether the programmatic identifier below classes (a store's Software\Classes, as a handle or
// as prefix) names our class: another component's registration of the same name is left alone.
bool ProgIdIsOurs(HKEY classes, const std::string& prefix) {
    const auto clsid = ReadDefault(classes, prefix + kProgID + "\\CLSID");
    return clsid && SameText(*clsid, GuidToString(CLSID_clsZarnetCalc));
}

// The programmatic identifier's key goes once the class is registered in no registry view. On
// 64-bit Windows the class and interface keys have a copy in each view, one per bitness, but the
// programmatic identifier's key is one for both: it stays while the other bitness's class is
// registered, and goes from both views after (this Wine keeps a copy in each view).
LONG RemoveProgId(HKEY root) {
    const auto otherView = OtherRegistryView();
    if (UniqueKey clsid;
        otherView && RegOpenKeyExA(root, (kClasses + ClsidKey()).c_str(), 0,
                                   KEY_QUERY_VALUE | *otherView, clsid.Put()) == ERROR_SUCCESS) {
        return ERROR_SUCCESS;  // still registered for the other bitness
    }
    LONG r = ERROR_SUCCESS;
    if (ProgIdIsOurs(root, kClasses)) {
        r = RegDeleteTreeA(root, (kClasses + kProgID).c_str());
    }
    // The other view's copy, where there is one.
    if (UniqueKey other;
        otherView && RegOpenKeyExA(root, "Software\\Classes", 0, KEY_ALL_ACCESS | *otherView,
                                   other.Put()) == ERROR_SUCCESS) {
        if (ProgIdIsOurs(other.Get(), "")) {
            RegDeleteTreeA(other.Get(), kProgID);
        }
    }
    return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

// How many subkeys and values a key holds; nothing when it cannot be read.
std::optional<std::pair<DWORD, DWORD>> Contents(HKEY root, const std::string& key) {
    UniqueKey handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, handle.Put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyA(handle.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::pair{subKeys, values};
}

// Removes key when it holds neither values nor subkeys: the type library's own key, which
// registration made to hold its version, once no version is left in it.
void RemoveIfEmpty(HKEY root, const std::string& key) {
    if (const auto contents = Contents(root, key);
        contents && contents->first == 0 && contents->second == 0) {
        RegDeleteTreeA(root, key.c_str());
    }
}

// The type library's version key is shared by the registrations of both bitnesses on 64-bit
// Windows (the registry's 32-bit view keeps classes and interfaces apart, not type libraries):
// only this build's platform entry goes, and the version key with it once no other platform's
// entry is left under "0".
LONG RemoveTypeLibrary(HKEY root) {
    const std::string version = kClasses + TypeLibKey();
    if (!Contents(root, version)) {
        return ERROR_SUCCESS;  // not in this store (a read-only store that lacks it is no failure)
    }
    if (const std::string platform = TypeLibraryPlatform(); !platform.empty()) {
        const LONG r = RegDeleteTreeA(root, (version + "\\0\\" + platform).c_str());
        if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) {
            return r;
        }
    }
    if (const auto languages = Contents(root, version + "\\0"); languages && languages->first > 0) {
        return ERROR_SUCCESS;  // the other bitness is still registered
    }
    const LONG r = RegDeleteTreeA(root, version.c_str());
    return r == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : r;
}

// Removes the keys of one store; a key that is not there is no failure.
LONG RemoveFrom(HKEY root) {
    LONG worst = ERROR_SUCCESS;
    // The keys registration owns in one store: the class and the interfaces (the type library's
    // version key is RemoveTypeLibrary's, the programmatic identifier's RemoveProgId's). Values
    // that share a name with one of these keys are not keys and stay.
    for (const std::string& key :
         {kClasses + ClsidKey(), kClasses + InterfaceKey(IID__clsZarnetCalc),
          kClasses + InterfaceKey(IID__clsZarnetCalc2)}) {
        UniqueKey handle;
        const LONG open = RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, handle.Put());
        if (open == ERROR_FILE_NOT_FOUND) {
            continue;  // not in this store (a read-only store that lacks it is no failure)
        }
        handle.Reset();
        const LONG r = RegDeleteTreeA(root, key.c_str());
        if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) {
            worst = r;
        }
    }
    if (const LONG r = RemoveProgId(root); r != ERROR_SUCCESS) {
        worst = r;
    }
    if (const LONG r = RemoveTypeLibrary(root); r != ERROR_SUCCESS) {
        worst = r;
    }
    RemoveIfEmpty(root, kClasses + "TypeLib\\" + GuidToString(LIBID_ZarnetCalc));
    return worst;
}

// What registration changed in one store, so that a registration it could not finish is taken
// back and the store is left as it was: the keys it made (the topmost of each path that was not
// there), and every value it wrote over, as it was.
class Undo {
  public:
    explicit Undo(HKEY root) : root_(root) {}

    // Before key is created: notes the first part of its path that is not there yet, which
    // Created then counts as made.
    void BeforeCreating(const std::string& key) {
        creating_.clear();
        for (std::size_t cut = 0; cut != std::string::npos;) {
            cut = key.find('\\', cut + 1);
            const std::string part = key.substr(0, cut);
            if (UnderMade(part)) {
                return;
            }
            UniqueKey handle;
            if (RegOpenKeyExA(root_, part.c_str(), 0, KEY_QUERY_VALUE, handle.Put()) ==
                ERROR_FILE_NOT_FOUND) {
                creating_ = part;
                return;
            }
        }
    }
    void Created() {
        if (!creating_.empty()) {
            made_.push_back(std::move(creating_));
            creating_.clear();
        }
    }
    // Before a value is written: keeps what it held, unless it lies in a key registration made.
    void BeforeWriting(const std::string& key, const std::string& name) {
        if (UnderMade(key)) {
            return;
        }
        Prior prior{key, name, {}, false};
        prior.existed =
            ReadRegistryValue(root_, key, name, KEY_QUERY_VALUE, prior.value) == ERROR_SUCCESS;
        priors_.push_back(std::move(prior));
    }
    // Puts back the values, then removes the keys made; ERROR_SUCCESS or the first failure.
    LONG Rollback() {
        LONG first = ERROR_SUCCESS;
        auto note = [&first](LONG r) {
            if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND && first == ERROR_SUCCESS) {
                first = r;
            }
        };
        for (auto p = priors_.rbegin(); p != priors_.rend(); ++p) {
            UniqueKey handle;
            LONG r = RegOpenKeyExA(root_, p->key.c_str(), 0, KEY_SET_VALUE, handle.Put());
            if (r == ERROR_SUCCESS) {
                r = p->existed ? RegSetValueExA(handle.Get(), p->name.c_str(), 0, p->value.type,
                                                p->value.data.data(),
                                                static_cast<DWORD>(p->value.data.size()))
                               : RegDeleteValueA(handle.Get(), p->name.c_str());
            }
            note(r);
        }
        for (auto key = made_.rbegin(); key != made_.rend(); ++key) {
            note(RegDeleteTreeA(root_, key->c_str()));
        }
        return first;
    }

  private:
    struct Prior {
        std::string key;
        std::string name;
        RegistryValue value;
        bool existed;
    };
    bool UnderMade(const std::string& key) const {
        for (const std::string& made : made_) {
            if (SameText(key.substr(0, made.size()), made) &&
                (key.size() == made.size() || key[made.size()] == '\\')) {
                return true;
            }
        }
        return false;
    }

    HKEY root_;
    std::string creating_;
    std::vector<std::string> made_;
    std::vector<Prior> priors_;
};

// Writes every value into one store, noting in undo what it changes.
LONG WriteTo(HKEY root, const std::vector<Value>& values, Undo& undo) {
    for (const Value& v : values) {
        const std::string key = kClasses + v.key;
        undo.BeforeCreating(key);
        UniqueKey handle;
        LONG r = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, handle.Put(), nullptr);
        if (r != ERROR_SUCCESS) {
            return r;
        }
        undo.Created();
        undo.BeforeWriting(key, v.name);
        // A text value is stored with its terminating NUL.
        r = RegSetValueExA(handle.Get(), v.name.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(v.text.c_str()),
                           static_cast<DWORD>(v.text.size() + 1));
        if (r != ERROR_SUCCESS) {
            return r;
        }
    }
    return ERROR_SUCCESS;
}

// Failures that say the store itself cannot be written (or read, so not rewritten): then the
// registration goes to the next store. Any other failure is reported as it is.
bool StoreUnwritable(LONG r) {
    return r == ERROR_ACCESS_DENIED || r == ERROR_CANTWRITE || r == ERROR_CANTREAD ||
           r == ERROR_BADDB || r == ERROR_FILE_TOO_LARGE;
}

// The whole registration in one store, as one unit for other writers and readers (a batch); a
// registration that cannot be finished is taken back (undo), and the store is left as it was.
LONG RegisterIn(HKEY root, const std::vector<Value>& values, std::string& failures) {
    StoreBatch batch(root);
    Undo undo(root);
    LONG r = WriteTo(root, values, undo);
    if (r == ERROR_SUCCESS) {
        r = batch.Commit();
    }
    if (r != ERROR_SUCCESS) {
        failures += Failure(root, r);
        if (const LONG back = undo.Rollback(); back != ERROR_SUCCESS) {
            failures +=
                " What was written there could not all be taken back:" + Failure(root, back);
        }
    }
    return r;
}

// Unregistration from one store, as one unit.
LONG RemoveAllFrom(HKEY root) {
    StoreBatch batch(root);
    const LONG r = RemoveFrom(root);
    const LONG written = batch.Commit();
    return r != ERROR_SUCCESS ? r : written;
}

}  // namespace

HRESULT RegisterServer() {
    ClearErrorInfo();
    try {
        const std::string path = LibraryPath();
        if (path.empty()) {
            return ReportError(SELFREG_E_CLASS,
                               "DllRegisterServer: the library's own path is unknown");
        }
        const auto values = Values(path);
        std::string failures;
        for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            const LONG r = RegisterIn(root, values, failures);
            if (r == ERROR_SUCCESS) {
                // A copy left in the user's store would shadow the machine's in the merged view.
                if (root == HKEY_LOCAL_MACHINE) {
                    RemoveAllFrom(HKEY_CURRENT_USER);
                }
                return S_OK;
            }
            if (!StoreUnwritable(r)) {
                return ReportError(
                    SELFREG_E_CLASS,
                    "DllRegisterServer: the class could not be registered." + failures);
            }
        }
        return ReportError(SELFREG_E_CLASS,
                           "DllRegisterServer: neither classes store could be written." + failures);
    } catch (...) {
        return ReportError(SELFREG_E_CLASS, FailureFromCurrentException().description);
    }
}

HRESULT UnregisterServer() {
    ClearErrorInfo();
    try {
        std::string failures;
        for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            const LONG r = RemoveAllFrom(root);
            if (r != ERROR_SUCCESS) {
                failures += Failure(root, r);
            }
        }
        if (!failures.empty()) {
            return ReportError(SELFREG_E_CLASS,
                               "DllUnregisterServer: the registration could not be removed "
                               "everywhere." +
                                   failures);
        }
        return S_OK;
    } catch (...) {
        return ReportError(SELFREG_E_CLASS, FailureFromCurrentException().description);
    }
}

}  // namespace zarnetcalc::runtime
