// The About box's logic (texts, OK, the system-information launcher) and its registry reader.
// Drawing the box and showing the message are done by forms/frmAbout.
#include "about/AboutLogic.h"

#include <utility>

#include "zarnetcalc/version.h"

namespace zarnetcalc::about {

const std::vector<std::string>& SystemInfoCandidates() {
    static const std::vector<std::string> candidates = {
        "hardinfo2",
        "hardinfo",
        "kinfocenter",
        "gnome-system-monitor",
        "plasma-systemmonitor",
        "ksysguard",
        "mate-system-monitor",
        "xfce4-taskmanager",
        "lxtask",
    };
    return candidates;
}

Flag GetKeyValue(const HKEY& KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal) {
    KeyVal.clear();
    // Read rights only: a user who may only read the key still finds the tool.
    RegistryValue value;
    if (ReadRegistryValue(KeyRoot, KeyName, SubKeyRef, KEY_QUERY_VALUE | READ_CONTROL, value) !=
        ERROR_SUCCESS) {
        return kFalse;
    }
    const std::vector<BYTE>& tmpVal = value.data;
    switch (value.type) {
        case REG_SZ: {
            std::string text(tmpVal.begin(), tmpVal.end());
            if (!text.empty() && text.back() == '\0') {
                text.pop_back();  // the terminator the value was stored with
            }
            KeyVal = std::move(text);
            return kTrue;
        }
        case REG_DWORD: {
            if (tmpVal.size() != 4) {
                return kFalse;
            }
            const DWORD number = DWORD(tmpVal[0]) | DWORD(tmpVal[1]) << 8 | DWORD(tmpVal[2]) << 16 |
                                 DWORD(tmpVal[3]) << 24;
            KeyVal = std::to_string(number);
            return kTrue;
        }
        default:
            return kFalse;  // binary and other types have no text form here
    }
}

std::string SysInfoFilePath(const std::string& directory) {
    if (directory.empty()) {
        return {};
    }
#ifdef _WIN32
    return directory + "\\" + kSysInfoFileName;
#else
    std::string folder = directory;
    if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
        folder.pop_back();
    }
    return folder == "/" ? folder + kSysInfoFileName : folder + "/" + kSysInfoFileName;
#endif
}

AboutLogic::AboutLogic(AboutControls& controls, SysInfoPlatform platform)
    : controls_(controls), platform_(std::move(platform)) {}

void AboutLogic::Form_Load() {
    const std::string title = version::kTitle;
    controls_.SetCaption("About " + title);
    controls_.SetVersion("Version " + std::to_string(version::kMajor) + "." +
                         std::to_string(version::kMinor) + "." +
                         std::to_string(version::kRevision));
    controls_.SetTitle(title);
}

void AboutLogic::cmdOK_Click() {
    controls_.Unload();
}

void AboutLogic::cmdSysInfo_Click() {
    StartSysInfo();
}

void AboutLogic::StartSysInfo() {
    bool started = false;
    try {
        std::string SysInfoPath;
        std::string file;
        if (GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, SysInfoPath)) {
            file = SysInfoPath;  // started as it is, whether or not it exists
        } else if (GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoDirKey, kSysInfoDirValue, SysInfoPath) &&
                   platform_.FileExists(SysInfoFilePath(SysInfoPath))) {
            file = SysInfoFilePath(SysInfoPath);
        } else {
            // The registry names no tool: a system-information program the system has.
            for (const std::string& name : SystemInfoCandidates()) {
                file = platform_.FindProgram(name);
                if (!file.empty()) {
                    break;
                }
            }
        }
        started = !file.empty() && platform_.StartProgram(file);
    } catch (...) {
        started = false;  // any failure on the way ends in the one message
    }
    if (!started) {
        controls_.ShowMessage(kUnavailableMessage, version::kTitle);
    }
}

}  // namespace zarnetcalc::about
