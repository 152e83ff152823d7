// Starting the system-information tool and testing for its file on Linux, through Qt Core; the
// lookups that find the tool are AboutLogic's.
#include <QFileInfo>
#include <QProcess>
#include <QString>

#include "about/AboutLogic.h"

namespace zarnetcalc::about {

SysInfoPlatform DefaultSysInfoPlatform() {
    SysInfoPlatform platform;
    platform.StartProgram = [](const std::string& program) {
        if (program.empty() || program.find('\0') != std::string::npos) {
            return false;
        }
        return QProcess::startDetached(QString::fromStdString(program), {});
    };
    platform.FileExists = [](const std::string& path) {
        return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
    };
    return platform;
}

}  // namespace zarnetcalc::about
