// Test support for code that uses the registry layer: points both INI stores at fresh temporary
// folders (so nothing touches the real user's files), and reads values back in one call.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

#include "about/Registry.h"

namespace zarnetcalc::testing {

// Owns a machine and a user store folder for the life of one test.
class TempRegistry {
  public:
    TempRegistry() { UseFolders(machine_->path(), user_->path()); }

    static void UseFolders(const QString& machine, const QString& user) {
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, user);
    }

    QString MachineDir() const { return machine_->path(); }
    QString UserDir() const { return user_->path(); }
    QString MachineFile() const { return machine_->path() + "/ZarnetCalc/HKEY_LOCAL_MACHINE.ini"; }
    QString UserFile() const { return user_->path() + "/ZarnetCalc/HKEY_CURRENT_USER.ini"; }

    // Writes a store file by hand, as an administrator would.
    static void WriteFile(const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }

  private:
    std::unique_ptr<QTemporaryDir> machine_ = std::make_unique<QTemporaryDir>();
    std::unique_ptr<QTemporaryDir> user_ = std::make_unique<QTemporaryDir>();
};

struct Queried {
    registry::RegResult result = -1;
    std::uint32_t type = 0;
    QByteArray data;
};

// Opens key for reading, reads the value whole (size first, then data) and closes the key.
inline Queried QueryValue(registry::RegKey root, const std::string& key, const std::string& name) {
    using namespace registry;
    Queried q;
    RegKey h = 0;
    q.result = RegOpenKeyEx(root, key, 0, kKEY_READ, &h);
    if (q.result != kERROR_SUCCESS)
        return q;
    std::uint32_t size = 0;
    q.result = RegQueryValueEx(h, name, &q.type, nullptr, &size);
    if (q.result == kERROR_SUCCESS) {
        q.data.resize(qsizetype(size));
        q.result = RegQueryValueEx(h, name, &q.type, reinterpret_cast<std::uint8_t*>(q.data.data()),
                                   &size);
        q.data.resize(qsizetype(size));
    }
    RegCloseKey(h);
    return q;
}

// Creates key (and its parents) and sets one value on it.
inline registry::RegResult SetValue(registry::RegKey root, const std::string& key,
                                    const std::string& name, std::uint32_t type,
                                    const QByteArray& data) {
    using namespace registry;
    RegKey h = 0;
    RegResult r = RegCreateKeyEx(root, key, kKEY_ALL_ACCESS, &h);
    if (r != kERROR_SUCCESS)
        return r;
    r = RegSetValueEx(h, name, type, reinterpret_cast<const std::uint8_t*>(data.constData()),
                      std::uint32_t(data.size()));
    RegCloseKey(h);
    return r;
}

inline QByteArray Sz(const char* text) {
    return QByteArray(text) + QByteArray(1, '\0');
}

}  // namespace zarnetcalc::testing
