// The registry layer: open a key, query a value, close; plus create, set and delete-tree for
// registration. On Windows it calls advapi32; elsewhere it keeps each root in an INI store.
#pragma once

#include <cstdint>
#include <string>

namespace zarnetcalc::registry {

using RegKey = std::uintptr_t;  // an open key, or one of the predefined roots below
using RegResult = long;         // 0 for success, else a Windows-style error code

inline constexpr RegKey kHKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr RegKey kHKEY_CURRENT_USER = 0x80000001u;
inline constexpr RegKey kHKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr RegResult kERROR_SUCCESS = 0;
inline constexpr RegResult kERROR_FILE_NOT_FOUND = 2;
inline constexpr RegResult kERROR_ACCESS_DENIED = 5;
inline constexpr RegResult kERROR_INVALID_HANDLE = 6;
inline constexpr RegResult kERROR_INVALID_PARAMETER = 87;
inline constexpr RegResult kERROR_MORE_DATA = 234;

inline constexpr std::uint32_t kREG_SZ = 1;
inline constexpr std::uint32_t kREG_BINARY = 3;
inline constexpr std::uint32_t kREG_DWORD = 4;

// Access rights.
inline constexpr std::uint32_t kKEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t kKEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t kKEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t kKEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t kKEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t kKEY_CREATE_LINK = 0x0020;
inline constexpr std::uint32_t kREAD_CONTROL = 0x00020000;
inline constexpr std::uint32_t kKEY_READ = 0x00020019;
inline constexpr std::uint32_t kKEY_WRITE = 0x00020006;
inline constexpr std::uint32_t kKEY_ALL_ACCESS = 0x000F003F;

RegResult RegOpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result);
// Like RegQueryValueExA: with data null, only type and size are returned; with a buffer too
// small, kERROR_MORE_DATA and the size needed.
RegResult RegQueryValueEx(RegKey key, const std::string& valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size);
RegResult RegCloseKey(RegKey key);

RegResult RegCreateKeyEx(RegKey root, const std::string& subKey, std::uint32_t access,
                         RegKey* result);
RegResult RegSetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size);
RegResult RegDeleteTree(RegKey root, const std::string& subKey);

}  // namespace zarnetcalc::registry
