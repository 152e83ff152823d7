// zc-protect-key.exe HKLM|HKCU KEY SDDL: sets the access list of a registry key (which `reg add`
// cannot), so the Windows checks can close a store for writing or a key for reading.
#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::puts("usage: zc-protect-key HKLM|HKCU KEY SDDL");
        return 2;
    }
    const std::string root = argv[1];
    const HKEY rootKey = root == "HKLM"   ? HKEY_LOCAL_MACHINE
                         : root == "HKCU" ? HKEY_CURRENT_USER
                                          : nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!rootKey || !ConvertStringSecurityDescriptorToSecurityDescriptorA(argv[3], SDDL_REVISION_1,
                                                                          &descriptor, nullptr)) {
        std::printf("zc-protect-key: bad root or descriptor\n");
        return 2;
    }
    HKEY key = nullptr;
    LONG r = RegOpenKeyExA(rootKey, argv[2], 0, WRITE_DAC, &key);
    if (r == ERROR_SUCCESS) {
        r = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    if (r != ERROR_SUCCESS) {
        std::printf("zc-protect-key %s\\%s: error %ld\n", argv[1], argv[2], r);
        return 1;
    }
    return 0;
}
