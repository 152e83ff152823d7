// The registry layer: open a key, query a value, close; plus create, set and delete for
// registration. On Windows it calls advapi32; elsewhere it keeps each root in an INI store.
//
// The INI stores (everything below is about the non-Windows build):
// - HKEY_LOCAL_MACHINE is QSettings(IniFormat, SystemScope, "ZarnetCalc", "HKEY_LOCAL_MACHINE"),
//   normally /etc/xdg/ZarnetCalc/HKEY_LOCAL_MACHINE.ini; HKEY_CURRENT_USER is the UserScope
//   file "HKEY_CURRENT_USER.ini", normally ~/.config/ZarnetCalc/. Fallbacks are off.
//   Tests point both elsewhere, before any call, with
//     QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, tmpMachineDir);
//     QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, tmpUserDir);
// - HKEY_CLASSES_ROOT is a view: a key under it is HKCU\Software\Classes\<key> when that exists,
//   else HKLM\Software\Classes\<key>. A new key goes to the machine's store when it is writable,
//   else to the user's. Deleting removes the user's copy when there is one, else the machine's.
// - Layout: each key is a QSettings group, one path component per level, so the file reads as
//   a tree ("[SOFTWARE]" then "Microsoft\Shared%20Tools\MSINFO\PATH=sz:/usr/bin/hardinfo").
//   In names, '%', '/' and '\' are written %25, %2F and %5C, and a leading '.' as %2E. The
//   value with the empty name (the key's default value) is ".", and ".." marks a key created
//   empty. Lookups ignore case, as on Windows; a name keeps the spelling it was created with.
//   Keys created only as intermediates of a deeper key have no mark: they vanish with their
//   last subkey, so deleting what was created leaves the store as it was.
// - Values keep their type: "sz:text" (REG_SZ; its data is the UTF-8 text plus one NUL),
//   "dword:0000002a", "qword:...", "hex:de,ad,be,ef" (REG_BINARY), "hex(N):..." (type N in hex,
//   also used for a REG_SZ whose bytes are not NUL-terminated UTF-8). Prefixes ignore case.
//   A value written by hand without a prefix is a REG_SZ, so "PATH=/usr/bin/hardinfo" works;
//   texts holding a comma must be quoted, as QSettings does itself.
// - Errors: a store Qt cannot parse, or one holding NUL bytes or invalid UTF-8, gives
//   kERROR_BADDB; a value whose text is malformed (e.g. "dword:xyz") gives kERROR_INVALID_DATA.
// - Access: a store's permission bits are its access list. The bits of the class that applies
//   to the caller (owner if the file is the caller's, else group, else other) must grant write
//   (and access(2) must agree) for write rights; a store file not yet made is judged by its
//   nearest existing folder. So a 0444 store is read-only even for root. Opening with write
//   rights (set value, create subkey, create link, delete, write DAC/owner) on a read-only store
//   gives kERROR_ACCESS_DENIED; read rights open it.
// - Handles: open keys live in a handle table; a handle is never reused, and an unknown or
//   closed one gives kERROR_INVALID_HANDLE. Using a handle whose key was deleted gives
//   kERROR_KEY_DELETED. The predefined roots need no opening and ignore RegCloseKey.
// - Text: key and value names are UTF-8 (the ANSI code page here); key names may not hold empty
//   components (so no leading or doubled '\'; one trailing '\' is ignored) and each component
//   is at most 255 characters, value names at most 16383 (else kERROR_INVALID_PARAMETER).
// - System information: when HKLM "SOFTWARE\Microsoft\Shared Tools\MSINFO" value "PATH" is not
//   in the store, the layer answers it with the first system-information program found on PATH
//   (see SysInfoDiscovery.h), so the About box can start one with no set-up.
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
inline constexpr RegResult kERROR_INVALID_DATA = 13;
inline constexpr RegResult kERROR_INVALID_PARAMETER = 87;
inline constexpr RegResult kERROR_MORE_DATA = 234;
inline constexpr RegResult kERROR_BADDB = 1009;  // the store is corrupt
inline constexpr RegResult kERROR_KEY_DELETED = 1018;

inline constexpr std::uint32_t kREG_NONE = 0;
inline constexpr std::uint32_t kREG_SZ = 1;
inline constexpr std::uint32_t kREG_EXPAND_SZ = 2;
inline constexpr std::uint32_t kREG_BINARY = 3;
inline constexpr std::uint32_t kREG_DWORD = 4;
inline constexpr std::uint32_t kREG_MULTI_SZ = 7;
inline constexpr std::uint32_t kREG_QWORD = 11;

// Access rights.
inline constexpr std::uint32_t kKEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t kKEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t kKEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t kKEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t kKEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t kKEY_CREATE_LINK = 0x0020;
inline constexpr std::uint32_t kDELETE = 0x00010000;
inline constexpr std::uint32_t kREAD_CONTROL = 0x00020000;
inline constexpr std::uint32_t kWRITE_DAC = 0x00040000;
inline constexpr std::uint32_t kWRITE_OWNER = 0x00080000;
inline constexpr std::uint32_t kKEY_READ = 0x00020019;
inline constexpr std::uint32_t kKEY_WRITE = 0x00020006;
inline constexpr std::uint32_t kKEY_ALL_ACCESS = 0x000F003F;
inline constexpr std::uint32_t kMAXIMUM_ALLOWED = 0x02000000;
inline constexpr std::uint32_t kGENERIC_ALL = 0x10000000;
inline constexpr std::uint32_t kGENERIC_WRITE = 0x40000000;
inline constexpr std::uint32_t kGENERIC_READ = 0x80000000;

inline constexpr std::uint32_t kREG_OPTION_OPEN_LINK = 0x0008;

// Opens an existing key. options is 0 (or kREG_OPTION_OPEN_LINK, ignored); result gets the handle.
RegResult RegOpenKeyEx(RegKey root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, RegKey* result);
// Like RegQueryValueExA: with data null, only type and size are returned; with a buffer too
// small, kERROR_MORE_DATA and the size needed. type and size may be null when not wanted.
RegResult RegQueryValueEx(RegKey key, const std::string& valueName, std::uint32_t* type,
                          std::uint8_t* data, std::uint32_t* size);
RegResult RegCloseKey(RegKey key);

// Opens a key, creating it and any missing parents first.
RegResult RegCreateKeyEx(RegKey root, const std::string& subKey, std::uint32_t access,
                         RegKey* result);
// Stores data as given; a REG_SZ should include its NUL in size, as RegSetValueExA expects.
RegResult RegSetValueEx(RegKey key, const std::string& valueName, std::uint32_t type,
                        const std::uint8_t* data, std::uint32_t size);
// Removes one value of a key.
RegResult RegDeleteValue(RegKey key, const std::string& valueName);
// Removes subKey with all its values and subkeys; an empty subKey empties the key itself
// (refused on a predefined root, so a whole store cannot be wiped by mistake).
RegResult RegDeleteTree(RegKey root, const std::string& subKey);

// Convenience for registration: writes a REG_SZ value (with its NUL) under an open key.
RegResult RegSetStringValue(RegKey key, const std::string& valueName, const std::string& text);

}  // namespace zarnetcalc::registry
