// The About box's logic: its texts at load, OK, and starting the system-information tool found
// through the registry. The window, its controls and the message box are left to forms/.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "registry/RegistryValue.h"
#include "zarnetcalc/Flag.h"

namespace zarnetcalc::about {

using namespace zarnetcalc::registry;  // the platform's registry names (global on Windows)

using zarnetcalc::Flag;
using zarnetcalc::kFalse;
using zarnetcalc::kTrue;

inline constexpr const char* kUnavailableMessage = "System Information Is Unavailable At This Time";
// Where the tool is looked for, under HKEY_LOCAL_MACHINE: first its full path, then its folder.
inline constexpr const char* kSysInfoPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kSysInfoPathValue = "PATH";
inline constexpr const char* kSysInfoDirKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSysInfoDirValue = "MSINFO";
inline constexpr const char* kSysInfoFileName = "MSINFO32.EXE";

// What the logic does to the About box's controls.
class AboutControls {
  public:
    virtual ~AboutControls() = default;
    virtual void SetCaption(const std::string& text) = 0;  // the window title
    virtual void SetTitle(const std::string& text) = 0;    // lblTitle
    virtual void SetVersion(const std::string& text) = 0;  // lblVersion
    virtual void Unload() = 0;                             // close and delete the box
    // A message box with an OK button only.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
};

// Starting a program, testing for a file and finding a program on PATH: the toolkit binding
// supplies them (forms/qt/SysInfo.h), tests put fakes here.
struct SysInfoPlatform {
    std::function<bool(const std::string& program)> StartProgram;  // true when it started
    std::function<bool(const std::string& path)> FileExists;
    std::function<std::string(const std::string& name)> FindProgram;  // full path, or ""
};

// System-information programs looked for on PATH when the registry names none, best first:
// hardware/system information tools, then the desktops' system monitors (GNOME, KDE Plasma 5/6
// and older, MATE, Xfce, LXDE).
const std::vector<std::string>& SystemInfoCandidates();

// Reads value SubKeyRef of key KeyName under KeyRoot into KeyVal, opening the key for reading
// only. A string comes back without its trailing NUL, a 32-bit number as decimal text; any
// other type, a missing key or value, or a name holding a NUL gives False and KeyVal "". Values
// of any length are read whole.
Flag GetKeyValue(const HKEY& KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);

// The tool's file in the folder named by the second lookup: "<folder>\MSINFO32.EXE" on
// Windows; elsewhere joined with "/", a trailing "/" or "\" of the folder dropped first.
// "" for an empty folder.
std::string SysInfoFilePath(const std::string& directory);

class AboutLogic {
  public:
    AboutLogic(AboutControls& controls, SysInfoPlatform platform);

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    // The full path from the first lookup is started as it is (its file is not tested); else
    // the folder from the second is tested for the tool's file; else the first candidate found
    // on PATH is started. When none is found, or starting fails, the unavailable message.
    void StartSysInfo();

  private:
    AboutControls& controls_;
    SysInfoPlatform platform_;
};

}  // namespace zarnetcalc::about
