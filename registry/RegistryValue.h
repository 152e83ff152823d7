// Reading one registry value whole, written once for the component's three readers (registration,
// creation by name, the About box), on top of the registry functions of Registry.h; and an open
// key as an owned handle.
#pragma once

#include <string>
#include <vector>

#include "common/UniqueHandle.h"
#include "registry/Registry.h"

namespace zarnetcalc::registry {

// An open key, closed when its owner goes.
using UniqueKey = UniqueHandle<HKEY, &RegCloseKey>;

struct RegistryValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Opens root\key with the given rights, reads the value named name whole (a first read of 1024
// bytes, then as many as the registry says, should the value be longer or grow meanwhile), and
// closes the key. ERROR_SUCCESS, or the registry's error; a name with a NUL in it is not found.
LONG ReadRegistryValue(HKEY root, const std::string& key, const std::string& name, REGSAM access,
                       RegistryValue& value);

// A text value (REG_SZ) read with query rights, without the terminator it was stored with.
// ERROR_INVALID_DATA for a value of another type.
LONG ReadRegistryText(HKEY root, const std::string& key, const std::string& name,
                      std::string& text);

}  // namespace zarnetcalc::registry
