// The About box's logic (texts, OK, the system-information launcher) and its registry reader.
// Drawing the box and showing the message are done by forms/frmAbout.
#include "about/AboutLogic.h"

#include <utility>
#include <vector>

#include "zarnetcalc/version.h"

namespace zarnetcalc::about {

using namespace registry;

Flag GetKeyValue(const RegKey& KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal) {
    KeyVal.clear();
    RegKey hKey = 0;
    // Read rights only: a user who may only read the key still finds the tool.
    if (RegOpenKeyEx(KeyRoot, KeyName, 0, kKEY_QUERY_VALUE | kREAD_CONTROL, &hKey) !=
        kERROR_SUCCESS) {
        return kFalse;  // nothing was opened, so nothing to close
    }

    std::vector<std::uint8_t> tmpVal(1024, 0);
    std::uint32_t KeyValSize = 1024;
    std::uint32_t KeyValType = 0;
    RegResult rc = RegQueryValueEx(hKey, SubKeyRef, &KeyValType, tmpVal.data(), &KeyValSize);
    // A longer value: grow to the size it reports and read again (it may change in between).
    for (int tries = 0; rc == kERROR_MORE_DATA && tries < 4; ++tries) {
        tmpVal.assign(KeyValSize, 0);
        rc = RegQueryValueEx(hKey, SubKeyRef, &KeyValType, tmpVal.data(), &KeyValSize);
    }
    RegCloseKey(hKey);
    if (rc != kERROR_SUCCESS) {
        return kFalse;
    }

    tmpVal.resize(KeyValSize);
    switch (KeyValType) {
        case kREG_SZ: {
            std::string text(tmpVal.begin(), tmpVal.end());
            if (!text.empty() && text.back() == '\0') {
                text.pop_back();  // the terminator RegSetValueEx stored
            }
            KeyVal = std::move(text);
            return kTrue;
        }
        case kREG_DWORD: {
            if (tmpVal.size() != 4) {
                return kFalse;
            }
            const std::uint32_t number = std::uint32_t(tmpVal[0]) | std::uint32_t(tmpVal[1]) << 8 |
                                         std::uint32_t(tmpVal[2]) << 16 |
                                         std::uint32_t(tmpVal[3]) << 24;
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
        if (GetKeyValue(kHKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, SysInfoPath)) {
            started = platform_.StartProgram(SysInfoPath);
        } else if (GetKeyValue(kHKEY_LOCAL_MACHINE, kSysInfoDirKey, kSysInfoDirValue,
                               SysInfoPath)) {
            const std::string file = SysInfoFilePath(SysInfoPath);
            started = platform_.FileExists(file) && platform_.StartProgram(file);
        }
    } catch (...) {
        started = false;  // any failure on the way ends in the one message
    }
    if (!started) {
        controls_.ShowMessage(kUnavailableMessage, version::kTitle);
    }
}

}  // namespace zarnetcalc::about
