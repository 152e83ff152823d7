// Reading one registry value whole through the registry functions, for every reader of the
// component; what a value means is the reader's.
#include "registry/RegistryValue.h"

namespace zarnetcalc::registry {

namespace {

LONG ReadOnce(HKEY root, const std::string& key, const std::string& name, REGSAM access,
              RegistryValue& value) {
    value = RegistryValue{};
    UniqueKey handle;
    if (const LONG r = RegOpenKeyExA(root, key.c_str(), 0, access, handle.Put());
        r != ERROR_SUCCESS) {
        return r;
    }
    value.data.assign(1024, 0);
    DWORD size = 1024;
    LONG r = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &value.type, value.data.data(),
                              &size);
    for (int tries = 0; r == ERROR_MORE_DATA && tries < 4; ++tries) {
        value.data.assign(size, 0);
        r = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &value.type, value.data.data(),
                             &size);
    }
    value.data.resize(r == ERROR_SUCCESS ? size : 0);
    return r;
}

}  // namespace

// A key deleted between the open and the read (another program unregistering, say) is looked up
// again: it is either gone for good (not found) or back, and read then.
LONG ReadRegistryValue(HKEY root, const std::string& key, const std::string& name, REGSAM access,
                       RegistryValue& value) {
    if (key.find('\0') != std::string::npos || name.find('\0') != std::string::npos) {
        value = RegistryValue{};
        return ERROR_FILE_NOT_FOUND;  // the registry would see a shorter name
    }
    LONG r = ReadOnce(root, key, name, access, value);
    for (int tries = 0; r == ERROR_KEY_DELETED && tries < 3; ++tries) {
        r = ReadOnce(root, key, name, access, value);
    }
    return r;
}

LONG ReadRegistryText(HKEY root, const std::string& key, const std::string& name,
                      std::string& text) {
    text.clear();
    RegistryValue value;
    const LONG r = ReadRegistryValue(root, key, name, KEY_QUERY_VALUE, value);
    if (r != ERROR_SUCCESS) {
        return r;
    }
    if (value.type != REG_SZ) {
        return ERROR_INVALID_DATA;
    }
    text.assign(value.data.begin(), value.data.end());
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return ERROR_SUCCESS;
}

}  // namespace zarnetcalc::registry
