// The registry layer on Windows: a thin pass-through to advapi32's ANSI functions. Key and
// value names are handed over as they come (text in the ANSI code page).
#include "about/Registry.h"

#include <windows.h>

// winreg.h names the A or W functions by macros that would rename the layer's own functions.
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegCreateKeyEx
#undef RegSetValueEx
#undef RegDeleteValue
#undef RegDeleteTree

namespace zarnetcalc::registry {
namespace {

HKEY ToHkey(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

RegResult RegOpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result) {
    if (result == nullptr)
        return kERROR_INVALID_PARAMETER;
    HKEY opened = nullptr;
    const LONG r = ::RegOpenKeyExA(ToHkey(root), subKey.c_str(), options, access, &opened);
    *result = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(opened) : 0;
    return r;
}

RegResult RegQueryValueEx(RegKey key, const std::string& valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size) {
    DWORD t = 0;
    DWORD n = size != nullptr ? *size : 0;
    const LONG r = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &t, data,
                                      size != nullptr ? &n : nullptr);
    if (type != nullptr && (r == ERROR_SUCCESS || r == ERROR_MORE_DATA))
        *type = t;
    if (size != nullptr && (r == ERROR_SUCCESS || r == ERROR_MORE_DATA))
        *size = n;
    return r;
}

RegResult RegCloseKey(RegKey key) {
    return ::RegCloseKey(ToHkey(key));
}

RegResult RegCreateKeyEx(RegKey root, const std::string& subKey, std::uint32_t access,
                         RegKey* result) {
    if (result == nullptr)
        return kERROR_INVALID_PARAMETER;
    HKEY created = nullptr;
    const LONG r = ::RegCreateKeyExA(ToHkey(root), subKey.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, access, nullptr, &created, nullptr);
    *result = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(created) : 0;
    return r;
}

RegResult RegSetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, size);
}

RegResult RegDeleteValue(RegKey key, const std::string& valueName) {
    return ::RegDeleteValueA(ToHkey(key), valueName.c_str());
}

RegResult RegDeleteTree(RegKey root, const std::string& subKey) {
    if (subKey.empty() &&
        (root == kHKEY_CLASSES_ROOT || root == kHKEY_CURRENT_USER || root == kHKEY_LOCAL_MACHINE)) {
        return kERROR_ACCESS_DENIED;  // never empty a whole root
    }
    return ::RegDeleteTreeA(ToHkey(root), subKey.empty() ? nullptr : subKey.c_str());
}

RegResult RegSetStringValue(RegKey key, const std::string& valueName, const std::string& text) {
    return RegSetValueEx(key, valueName, kREG_SZ,
                         reinterpret_cast<const std::uint8_t*>(text.c_str()),
                         static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace zarnetcalc::registry
