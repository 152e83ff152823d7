// Feeds arbitrary byte strings to the registry functions as sequences of create, set, query,
// delete-value, delete-tree and re-open on the two stores in a temporary folder (the machine's
// starting as a hand-written UTF-8 file, a regedit export in UTF-16 with continued hex lines, or
// a REGEDIT4 file; stores made read-only or broken by hand, and a killed writer's lock and
// temporary file left, in between), and checks after every step: a successful write reads back
// with the same type and bytes, a failed call left both files byte for byte, a store stays in its
// own encoding, and values and subkeys of the same name never affect each other.
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/Registry.h"

using namespace zarnetcalc::registry;

namespace {

QTemporaryDir* folder = nullptr;
QString machineFile, userFile;

// Names chosen to collide: cases, the store's own syntax, a value named like a subkey.
const char* const kNames[] = {"",    "a",    "A",        "@",        "x;y=[z]", "q\"\\",
                              "sub", "a\\b", "\xc3\xa9", "\xc3\x89", "\xff"};
const char* const kSubKeys[] = {"",       "a",       "A",        "a\\b",        "A\\B\\c", "sub",
                                "a\\sub", "x;y=[z]", "\xc3\xa9", "\xc3\x89\\@", "\\bad"};
constexpr DWORD kTypes[] = {REG_SZ, REG_DWORD, 3, 7, 0, 0x12345678};

[[noreturn]] void Fail(const char* what, const char* name) {
    std::fprintf(stderr, "invariant broken: %s (name \"%s\")\n", what, name);
    std::abort();
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t Next() {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    }
};

struct Read {
    LONG result;
    DWORD type = 0;
    QByteArray data;
    bool operator==(const Read& o) const {
        return result == o.result && type == o.type && data == o.data;
    }
};

Read Query(HKEY key, const char* name) {
    Read q{-1, 0, {}};
    DWORD size = 0;
    q.result = RegQueryValueExA(key, name, nullptr, &q.type, nullptr, &size);
    if (q.result == ERROR_SUCCESS) {
        q.data.resize(qsizetype(size));
        q.result = RegQueryValueExA(key, name, nullptr, &q.type,
                                    reinterpret_cast<BYTE*>(q.data.data()), &size);
    }
    return q;
}

LONG OpenResult(HKEY key, const char* sub) {
    HKEY h = nullptr;
    const LONG r = RegOpenKeyExA(key, sub, 0, KEY_READ, &h);
    if (r == ERROR_SUCCESS)
        RegCloseKey(h);
    return r;
}

// An open key and how it was reached, so that it can be opened again.
struct Handle {
    HKEY key;
    HKEY root;
    std::string path;
};

}  // namespace

// The machine store's first content: hand-written UTF-8 with CRLF lines, a regedit export, or an
// old REGEDIT4 file.
QByteArray Seed(std::uint8_t which) {
    switch (which % 3) {
        case 0:
            return "; kept by "
                   "hand\r\n\r\n[a]\r\n\"A\"=\"1\"\r\n\"sub\"=dword:00000002\r\n[a\\sub]\n";
        case 1: {
            QStringEncoder utf16(QStringConverter::Utf16LE);
            return "\xFF\xFE" +
                   QByteArray(utf16(QStringLiteral(
                       "Windows Registry Editor Version "
                       "5.00\r\n\r\n[a]\r\n\"A\"=hex(2):31,00,\\\r\n"
                       "  00,00\r\n\"sub\"=dword:00000002\r\n\r\n[a\\sub]\r\n@=\"\u00e9\"\r\n")));
        }
        default:
            return "REGEDIT4\n\n[a]\n\"A\"=\"1\"\n[a\\sub]\n";
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const QString base = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath();
    folder = new QTemporaryDir(base + "/zarnetcalc-fuzz-XXXXXX");
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(folder->filePath("machine")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder->filePath("user")));
    machineFile = folder->filePath("machine/ZarnetCalc/HKEY_LOCAL_MACHINE.reg");
    userFile = folder->filePath("user/ZarnetCalc/HKEY_CURRENT_USER.reg");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Fresh stores: the machine's written by hand, the user's not there yet.
    QFile::setPermissions(userFile, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(userFile);
    QDir().mkpath(folder->filePath("machine/ZarnetCalc"));
    Input in{data, size};
    QFile seed(machineFile);
    seed.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const QByteArray first = Seed(in.Next());
    const bool utf16 = first.startsWith("\xFF\xFE");
    seed.write(first);
    seed.close();
    bool broken = false;

    std::vector<Handle> open = {{HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, ""},
                                {HKEY_CURRENT_USER, HKEY_CURRENT_USER, ""},
                                {HKEY_CLASSES_ROOT, HKEY_CLASSES_ROOT, ""}};
    while (in.size > 0) {
        const std::uint8_t op = in.Next() % 9;
        Handle& at = open[in.Next() % open.size()];
        const char* name = kNames[in.Next() % std::size(kNames)];
        const char* sub = kSubKeys[in.Next() % std::size(kSubKeys)];
        const QByteArray machineBefore = Bytes(machineFile);
        const QByteArray userBefore = Bytes(userFile);
        LONG r = ERROR_SUCCESS;
        switch (op) {
            case 0: {  // create a subkey: a value of that name stays as it was
                const Read value = Query(at.key, sub);
                HKEY h = nullptr;
                r = RegCreateKeyExA(at.key, sub, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &h, nullptr);
                if (r == ERROR_SUCCESS) {
                    if (OpenResult(at.key, sub) != ERROR_SUCCESS)
                        Fail("a created key cannot be opened", sub);
                    if (!(Query(at.key, sub) == value))
                        Fail("creating a subkey changed a value", sub);
                    open.push_back({h, at.root, at.path + (at.path.empty() ? "" : "\\") + sub});
                }
                break;
            }
            case 1: {  // set a value: it reads back; a subkey of that name stays
                const DWORD type = kTypes[in.Next() % std::size(kTypes)];
                QByteArray bytes;
                for (int n = in.Next() % 12; n > 0; --n) bytes += char(in.Next());
                const LONG subkey = OpenResult(at.key, name);
                r = RegSetValueExA(at.key, name, 0, type,
                                   reinterpret_cast<const BYTE*>(bytes.constData()),
                                   DWORD(bytes.size()));
                if (r == ERROR_SUCCESS && !(Query(at.key, name) == Read{0, type, bytes}))
                    Fail("a value reads back otherwise", name);
                if (r == ERROR_SUCCESS && *name != '\0' && OpenResult(at.key, name) != subkey)
                    Fail("setting a value changed a subkey", name);
                break;
            }
            case 2:  // query: reads change nothing
                r = Query(at.key, name).result;
                if (Bytes(machineFile) != machineBefore || Bytes(userFile) != userBefore)
                    Fail("a query changed a store", name);
                break;
            case 3: {  // delete a value: a subkey of that name stays
                const LONG subkey = OpenResult(at.key, name);
                r = RegDeleteValueA(at.key, name);
                if (r == ERROR_SUCCESS && Query(at.key, name).result != ERROR_FILE_NOT_FOUND)
                    Fail("a deleted value is still there", name);
                if (r == ERROR_SUCCESS && *name != '\0' && OpenResult(at.key, name) != subkey)
                    Fail("deleting a value changed a subkey", name);
                break;
            }
            case 4: {  // delete a subkey: a value of that name stays
                const Read value = Query(at.key, sub);
                r = RegDeleteTreeA(at.key, sub);
                const Read after = Query(at.key, sub);
                // A key that was there only through this subkey goes with it.
                const bool vanished =
                    value.result == ERROR_FILE_NOT_FOUND && after.result == ERROR_KEY_DELETED;
                if (r == ERROR_SUCCESS && !vanished &&
                    OpenResult(at.key, sub) != ERROR_FILE_NOT_FOUND)
                    Fail("a deleted key is still there", sub);
                if (r == ERROR_SUCCESS && !vanished && !(after == value))
                    Fail("deleting a subkey changed a value", sub);
                break;
            }
            case 5:  // close a key and open it again by its path
                if (at.key != at.root) {
                    if (at.key != nullptr && RegCloseKey(at.key) != ERROR_SUCCESS)
                        Fail("an open key does not close", at.path.c_str());
                    r = RegOpenKeyExA(at.root, at.path.c_str(), 0, KEY_ALL_ACCESS, &at.key);
                    if (r != ERROR_SUCCESS && at.key != nullptr)
                        Fail("a failed open gave a handle", at.path.c_str());
                }
                break;
            case 6:  // the user's store becomes read-only, or writable again
                ::chmod(QFile::encodeName(userFile).constData(), in.Next() % 2 ? 0444 : 0644);
                continue;
            case 8:  // a writer killed on the way left its lock file and half a copy
                for (const QString& store : {machineFile, userFile}) {
                    QFile lock(store + ".lock");
                    lock.open(QIODevice::WriteOnly);
                    QFile copy(store + ".tmp");
                    copy.open(QIODevice::WriteOnly);
                    copy.write("[half");
                }
                continue;
            case 7:  // the machine's store is broken by hand, or mended
                if (utf16)
                    continue;  // appending bytes would break its encoding, not just a line
                broken = !broken;
                seed.open(QIODevice::WriteOnly | QIODevice::Append);
                seed.write(broken ? "garbage\n" : "");
                seed.close();
                if (!broken)
                    QFile::resize(machineFile, Bytes(machineFile).size() - 8);
                continue;
        }
        if (r != ERROR_SUCCESS &&
            (Bytes(machineFile) != machineBefore || Bytes(userFile) != userBefore))
            Fail("a failed call changed a store", name);
        if (!broken && Query(HKEY_LOCAL_MACHINE, "").result == ERROR_BADDB)
            Fail("the library wrote a store it cannot read", name);
        if (utf16 && Bytes(machineFile).size() > 0 && !Bytes(machineFile).startsWith("\xFF\xFE"))
            Fail("a UTF-16 store was written in another encoding", name);
    }
    for (const Handle& h : open) RegCloseKey(h.key);
    return 0;
}
