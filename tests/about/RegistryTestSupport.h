// Test support for code that uses the registry functions: points both store files at fresh
// temporary folders (through the environment, so a library loaded with dlopen sees them too,
// and nothing touches the real user's files), and reads or sets one value in one call.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "registry/Registry.h"

namespace zarnetcalc::testing {

// Value types the component never writes, for tests of the store.
inline constexpr registry::DWORD kRegExpandSz = 2;
inline constexpr registry::DWORD kRegBinary = 3;
inline constexpr registry::DWORD kRegMultiSz = 7;
inline constexpr registry::DWORD kRegQword = 11;

// Owns a machine and a user store folder for the life of one test.
class TempRegistry {
  public:
    TempRegistry() { UseFolders(machine_->path(), user_->path()); }

    static void UseFolders(const QString& machine, const QString& user) {
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(machine));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(user));
    }

    QString MachineDir() const { return machine_->path(); }
    QString UserDir() const { return user_->path(); }
    QString MachineFile() const { return machine_->path() + "/ZarnetCalc/HKEY_LOCAL_MACHINE.reg"; }
    QString UserFile() const { return user_->path() + "/ZarnetCalc/HKEY_CURRENT_USER.reg"; }

    // Writes a store file by hand, as an administrator would.
    static void WriteFile(const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    // A file's bytes, or "<absent>".
    static QByteArray ReadFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    }

  private:
    std::unique_ptr<QTemporaryDir> machine_ = std::make_unique<QTemporaryDir>();
    std::unique_ptr<QTemporaryDir> user_ = std::make_unique<QTemporaryDir>();
};

struct Queried {
    registry::LONG result = -1;
    registry::DWORD type = 0;
    QByteArray data;
};

// Opens key for reading, reads the value whole (size first, then data) and closes the key.
inline Queried QueryValue(registry::HKEY root, const std::string& key, const std::string& name) {
    using namespace registry;
    Queried q;
    HKEY h = nullptr;
    q.result = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h);
    if (q.result != ERROR_SUCCESS)
        return q;
    DWORD size = 0;
    q.result = RegQueryValueExA(h, name.c_str(), nullptr, &q.type, nullptr, &size);
    if (q.result == ERROR_SUCCESS) {
        q.data.resize(qsizetype(size));
        q.result = RegQueryValueExA(h, name.c_str(), nullptr, &q.type,
                                    reinterpret_cast<BYTE*>(q.data.data()), &size);
        q.data.resize(qsizetype(size));
    }
    RegCloseKey(h);
    return q;
}

// Creates key (and its parents) and sets one value on it.
inline registry::LONG SetValue(registry::HKEY root, const std::string& key, const std::string& name,
                               registry::DWORD type, const QByteArray& data) {
    using namespace registry;
    HKEY h = nullptr;
    LONG r = RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS)
        return r;
    r = RegSetValueExA(h, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.constData()),
                       DWORD(data.size()));
    RegCloseKey(h);
    return r;
}

inline QByteArray Sz(const char* text) {
    return QByteArray(text) + QByteArray(1, '\0');
}

}  // namespace zarnetcalc::testing
