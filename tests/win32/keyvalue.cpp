// zc-keyvalue.exe: the About box's registry reader GetKeyValue on the real registry, for the
// Windows checks. "read KEY VALUE..." prints what GetKeyValue gives for each pair under
// HKEY_LOCAL_MACHINE; "protect KEY SDDL" first sets a key's access list, which `reg add` cannot.
#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <string>

#include "about/AboutLogic.h"

namespace {

int Protect(const char* key, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        std::printf("protect %s: bad descriptor %s\n", key, sddl);
        return 1;
    }
    HKEY handle = nullptr;
    LONG r = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, WRITE_DAC, &handle);
    if (r == ERROR_SUCCESS) {
        r = RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(handle);
    }
    LocalFree(descriptor);
    if (r != ERROR_SUCCESS) {
        std::printf("protect %s: error %ld\n", key, r);
        return 1;
    }
    return 0;
}

// Long texts are shortened to their start and their length.
std::string Shown(const std::string& text) {
    constexpr std::size_t kShown = 60;
    if (text.size() <= kShown) {
        return "\"" + text + "\"";
    }
    return "\"" + text.substr(0, kShown) + "...\" (" + std::to_string(text.size()) + " characters)";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "protect" && argc == 4) {
        return Protect(argv[2], argv[3]);
    }
    if (command != "read" || argc % 2 != 0) {
        std::puts("usage: zc-keyvalue read KEY VALUE [KEY VALUE...] | protect KEY SDDL");
        return 2;
    }
    for (int i = 2; i + 1 < argc; i += 2) {
        std::string value = "unchanged";
        const auto flag =
            zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE, argv[i], argv[i + 1], value);
        std::printf("%s | %s: %s %s\n", argv[i], argv[i + 1], flag ? "True" : "False",
                    Shown(value).c_str());
    }
    return 0;
}
