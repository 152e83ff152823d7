// The About box's platform calls through Qt (see SysInfoQt.h).
#include "forms/qt/SysInfo.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace zarnetcalc::forms::qt {

about::SysInfoPlatform QtSysInfoPlatform() {
    about::SysInfoPlatform platform;
    platform.StartProgram = [](const std::string& program) {
        if (program.empty() || program.find('\0') != std::string::npos) {
            return false;
        }
        return QProcess::startDetached(QString::fromStdString(program), {});
    };
    platform.FileExists = [](const std::string& path) {
        return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile();
    };
    platform.FindProgram = [](const std::string& name) {
        return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
    };
    return platform;
}

}  // namespace zarnetcalc::forms::qt
