// The registry functions under the platform's own names (registry/Registry.h), answered by the
// INI layer of Registry.cpp. A bridge while callers move to those names; it goes with that layer.
#include "about/Registry.h"
#include "registry/Registry.h"

namespace zarnetcalc::registry {

namespace {

RegKey Key(HKEY key) {
    return reinterpret_cast<RegKey>(key);
}
std::string Text(LPCSTR text) {
    return text ? text : "";
}

}  // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
    RegKey opened = 0;
    const LONG r = RegOpenKeyEx(Key(hKey), Text(lpSubKey), ulOptions, samDesired, &opened);
    *phkResult = reinterpret_cast<HKEY>(opened);
    return r;
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
    return RegQueryValueEx(Key(hKey), Text(lpValueName), lpType, lpData, lpcbData);
}

LONG RegCloseKey(HKEY hKey) {
    return RegCloseKey(Key(hKey));
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD) {
    RegKey created = 0;
    const LONG r = RegCreateKeyEx(Key(hKey), Text(lpSubKey), samDesired, &created);
    *phkResult = reinterpret_cast<HKEY>(created);
    return r;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    return RegSetValueEx(Key(hKey), Text(lpValueName), dwType, lpData, cbData);
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return RegDeleteValue(Key(hKey), Text(lpValueName));
}

LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey) {
    return RegDeleteTree(Key(hKey), Text(lpSubKey));
}

}  // namespace zarnetcalc::registry
