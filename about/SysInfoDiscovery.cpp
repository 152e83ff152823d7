// Looks for a system-information program on PATH with QStandardPaths. Picking the registry key
// it answers for, and starting it, are done elsewhere.
#include "about/SysInfoDiscovery.h"

#include <QStandardPaths>
#include <QString>

namespace zarnetcalc::registry {

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

std::string FindSystemInfoProgram() {
    for (const std::string& name : SystemInfoCandidates()) {
        const QString found = QStandardPaths::findExecutable(QString::fromStdString(name));
        if (!found.isEmpty()) {
            return found.toStdString();
        }
    }
    return {};
}

}  // namespace zarnetcalc::registry
