// The registry functions the component calls, under the platform's own names and signatures.
// On Windows this is <windows.h> and advapi32 itself; elsewhere the same names are declared here
// and implemented by a small file store (RegistryStore.cpp). Callers write
//     using namespace zarnetcalc::registry;
// and then code exactly as against advapi32, so one source compiles for both platforms.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zarnetcalc::registry {

// Windows writes each change as it is made and readers see every step; a registration that
// cannot be finished takes back what it wrote itself. A batch there changes nothing.
class StoreBatch {
  public:
    explicit StoreBatch(HKEY) {}
    LONG Commit() { return ERROR_SUCCESS; }
};

}  // namespace zarnetcalc::registry

#else

#include <cstdint>

namespace zarnetcalc::registry {

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPCSTR = const char*;
using LPSTR = char*;
using REGSAM = DWORD;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
using PFILETIME = FILETIME*;

// The predefined roots. HKEY_CLASSES_ROOT is a read-only merged view: a key is the user's
// Software\Classes\<key> when that exists, else the machine's; writes go to one of those two.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000u});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001u});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002u});

// Results (the Windows error codes).
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;  // no such key or value
inline constexpr LONG ERROR_ACCESS_DENIED = 5;   // the store may not be written (or read)
inline constexpr LONG ERROR_INVALID_HANDLE = 6;  // not an open key
inline constexpr LONG ERROR_INVALID_DATA = 13;   // a value of the wrong kind
inline constexpr LONG ERROR_OUTOFMEMORY = 14;    // no handle left to give
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_FILE_TOO_LARGE = 223;  // the store file is larger than any store
inline constexpr LONG ERROR_MORE_DATA = 234;       // the buffer is too small; the size is set
inline constexpr LONG ERROR_BADDB = 1009;          // the store file cannot be parsed
inline constexpr LONG ERROR_CANTREAD = 1012;       // the store file cannot be read
inline constexpr LONG ERROR_CANTWRITE = 1013;      // the store file could not be written
inline constexpr LONG ERROR_KEY_DELETED = 1018;    // the open key has since been deleted

// Value types.
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_DWORD = 4;

// Access rights.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM DELETE = 0x00010000;
inline constexpr REGSAM READ_CONTROL = 0x00020000;
inline constexpr REGSAM KEY_READ = 0x00020019;
inline constexpr REGSAM KEY_WRITE = 0x00020006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData);
LONG RegCloseKey(HKEY hKey);
LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, PHKEY phkResult,
                     LPDWORD lpdwDisposition);
LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData);
LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
LONG RegDeleteTreeA(HKEY hKey, LPCSTR lpSubKey);
// Here only the counts of subkeys and values are answered; the other outputs must be null.
LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);

// Gathers the calling thread's writes to one store (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER) into
// one write of its file. While the batch lives, no other writer, in this process or another,
// changes that store; this thread reads the store as the batch has changed it, everyone else as
// it was before the batch or, once Commit has written it, after. A batch ended without Commit
// writes nothing. Writes to another store, or from another thread, are not part of it.
class StoreBatch {
  public:
    explicit StoreBatch(HKEY root);
    ~StoreBatch();
    StoreBatch(const StoreBatch&) = delete;
    StoreBatch& operator=(const StoreBatch&) = delete;

    // Writes what the batch changed (nothing when it changed nothing). ERROR_SUCCESS, or
    // ERROR_CANTWRITE with the store as it was; the batch is over either way. A write the batch
    // could not take failed itself, with its reason.
    LONG Commit();

  private:
    struct State;
    State* state_;
};

}  // namespace zarnetcalc::registry

#endif
