// Starting the system-information tool and testing for its file on Windows: CreateProcess with
// the path as the program (no shell, no search of PATH), a normal, focused window; the lookups
// that find the tool are AboutLogic's.
#include "forms/win32/SysInfo.h"

#include <windows.h>

namespace zarnetcalc::forms::win32 {
namespace {

// Paths come from the registry in the ANSI code page, as GetKeyValue reads them. A quote cannot
// be part of a file name, and would let the path break out of its place on the command line.
bool IsUsablePath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos &&
           path.find('"') == std::string::npos;
}

bool StartProgram(const std::string& program) {
    if (!IsUsablePath(program)) {
        return false;
    }
    // The program's own name as its first argument, as a shell would pass it; no other argument.
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    // The tool runs on by itself; nothing of it is kept.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool FileExists(const std::string& path) {
    if (!IsUsablePath(path)) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

about::SysInfoPlatform Win32SysInfoPlatform() {
    return about::SysInfoPlatform{StartProgram, FileExists,
                                  [](const std::string&) { return std::string(); }};
}

}  // namespace zarnetcalc::forms::win32
