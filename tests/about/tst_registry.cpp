// Tests of the INI registry layer: values and names survive a trip through the file, hand-edited
// and broken stores, query sizes, handles, read-only stores, the classes view and deletion.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <optional>

#include "RegistryTestSupport.h"
#include "about/Registry.h"
#include "about/SysInfoDiscovery.h"

using namespace zarnetcalc::registry;
using zarnetcalc::testing::Queried;
using zarnetcalc::testing::QueryValue;
using zarnetcalc::testing::SetValue;
using zarnetcalc::testing::Sz;
using zarnetcalc::testing::TempRegistry;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kKey = "SOFTWARE\\Zarnet\\Test";

QByteArray Dword(std::uint32_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);  // little-endian host
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestRegistry : public QObject {
    Q_OBJECT

  private:
    std::optional<TempRegistry> reg_;
    QTemporaryDir emptyPath_;

  private slots:
    void init() {
        reg_.emplace();
        qputenv("PATH", QFile::encodeName(emptyPath_.path()));  // no system tools to discover
    }
    void cleanup() {
        QFile::setPermissions(reg_->MachineFile(), QFile::ReadOwner | QFile::WriteOwner);
        reg_.reset();
    }

    void valueSurvivesTheFile_data() {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("text") << kREG_SZ << Sz("C:\\Program Files\\tool.exe");
        QTest::newRow("text with quotes, commas, newline") << kREG_SZ << Sz("a, \"b\";\nc = d");
        QTest::newRow("unicode text")
            << kREG_SZ << QByteArray("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\0", 11);
        QTest::newRow("empty text") << kREG_SZ << Sz("");
        QTest::newRow("text without NUL") << kREG_SZ << QByteArray("abc");
        QTest::newRow("text with inner NUL") << kREG_SZ << QByteArray("a\0b\0", 4);
        QTest::newRow("text that is not UTF-8") << kREG_SZ << QByteArray("\xff\xfe\0", 3);
        QTest::newRow("text looking like a number") << kREG_SZ << Sz("dword:00000001");
        QTest::newRow("dword") << kREG_DWORD << Dword(0xdeadbeef);
        QTest::newRow("dword zero") << kREG_DWORD << Dword(0);
        QTest::newRow("dword of 3 bytes") << kREG_DWORD << QByteArray("\1\2\3");
        QTest::newRow("qword") << kREG_QWORD << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x88");
        QTest::newRow("binary") << kREG_BINARY << QByteArray("\0\xff,\n", 4);
        QTest::newRow("empty binary") << kREG_BINARY << QByteArray();
        QTest::newRow("multi text") << kREG_MULTI_SZ << QByteArray("a\0b\0\0", 5);
        QTest::newRow("unusual type") << std::uint32_t(0x12345678) << QByteArray("x");
    }
    // Written, then read from a copy of the file, so Qt's in-memory cache cannot hide a loss.
    void valueSurvivesTheFile() {
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, data);
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, kKey, "Value", type, data), kERROR_SUCCESS);

        QTemporaryDir copy;
        QDir().mkpath(copy.path() + "/ZarnetCalc");
        QVERIFY(
            QFile::copy(reg_->MachineFile(), copy.path() + "/ZarnetCalc/HKEY_LOCAL_MACHINE.ini"));
        TempRegistry::UseFolders(copy.path(), reg_->UserDir());
        const Queried q = QueryValue(kHKEY_LOCAL_MACHINE, kKey, "Value");
        QCOMPARE(q.result, kERROR_SUCCESS);
        QCOMPARE(q.type, type);
        QCOMPARE(q.data, data);
    }

    void namesSurviveTheFile_data() {
        QTest::addColumn<std::string>("key");
        QTest::addColumn<std::string>("value");
        QTest::newRow("default value") << kKey << std::string();
        QTest::newRow("spaces") << std::string("SOFTWARE\\Shared Tools\\ a b ")
                                << std::string(" x ");
        QTest::newRow("slash") << std::string("a/b\\c") << std::string("d/e");
        QTest::newRow("backslash in value name") << kKey << std::string("x\\y");
        QTest::newRow("dots") << std::string(".\\..\\.x") << std::string(".");
        QTest::newRow("double dot value") << kKey << std::string("..");
        QTest::newRow("percent") << std::string("%41%2F") << std::string("%25");
        QTest::newRow("ini syntax") << std::string("[s]=;#") << std::string("=;#[]\"'@");
        QTest::newRow("unicode") << std::string("\xc3\xbc\xe2\x82\xac")
                                 << std::string("\xe2\x82\xac");
        QTest::newRow("trailing backslash") << std::string("k\\") << std::string("v");
    }
    void namesSurviveTheFile() {
        QFETCH(std::string, key);
        QFETCH(std::string, value);
        QCOMPARE(SetValue(kHKEY_CURRENT_USER, key, value, kREG_SZ, Sz("v")), kERROR_SUCCESS);
        QCOMPARE(SetValue(kHKEY_CURRENT_USER, key, "other", kREG_SZ, Sz("o")), kERROR_SUCCESS);
        const Queried q = QueryValue(kHKEY_CURRENT_USER, key, value);
        QCOMPARE(q.result, kERROR_SUCCESS);
        QCOMPARE(q.data, Sz("v"));
        // The name's look-alikes must not alias it.
        QCOMPARE(QueryValue(kHKEY_CURRENT_USER, key, value + "_").result, kERROR_FILE_NOT_FOUND);
    }

    void lookupIgnoresCaseAndKeepsSpelling() {
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", "PATH", kREG_SZ, Sz("1")),
                 kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "software\\MICROSOFT", "path").data, Sz("1"));
        // A write through another spelling updates the same value, keeping the first spelling.
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, "Software\\microsoft", "Path", kREG_SZ, Sz("2")),
                 kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", "PATH").data, Sz("2"));
        const QByteArray file = ReadFile(reg_->MachineFile());
        QVERIFY(file.contains("[SOFTWARE]"));
        QVERIFY(file.contains("Microsoft\\PATH="));
        QVERIFY(!file.contains("microsoft"));
    }

    void handWrittenStore_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<RegResult>("result");
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        const QByteArray head = "[SOFTWARE]\nZarnet\\Test\\";
        QTest::newRow("sz prefix") << head + "v=sz:/usr/bin/x\n"
                                   << kERROR_SUCCESS << kREG_SZ << Sz("/usr/bin/x");
        QTest::newRow("plain text") << head + "v=/usr/bin/x\n"
                                    << kERROR_SUCCESS << kREG_SZ << Sz("/usr/bin/x");
        QTest::newRow("quoted comma") << head + "v=\"a, b\"\n"
                                      << kERROR_SUCCESS << kREG_SZ << Sz("a, b");
        QTest::newRow("unquoted comma") << head + "v=a,b\n"
                                        << kERROR_SUCCESS << kREG_SZ << Sz("a,b");
        QTest::newRow("dword") << head + "v=dword:2a\n"
                               << kERROR_SUCCESS << kREG_DWORD << Dword(42);
        QTest::newRow("prefix in capitals") << head + "v=DWORD:0000002A\n"
                                            << kERROR_SUCCESS << kREG_DWORD << Dword(42);
        QTest::newRow("hex unquoted") << head + "v=hex:01, 02,ff\n"
                                      << kERROR_SUCCESS << kREG_BINARY << QByteArray("\1\2\xff");
        QTest::newRow("hex(2)") << head + "v=\"hex(2):41,00\"\n"
                                << kERROR_SUCCESS << kREG_EXPAND_SZ << QByteArray("A\0", 2);
        QTest::newRow("name case") << head + "V=x\n" << kERROR_SUCCESS << kREG_SZ << Sz("x");
        QTest::newRow("dword not hex") << head + "v=dword:xyz\n"
                                       << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("dword too long") << head + "v=dword:123456789\n"
                                        << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("dword empty") << head + "v=dword:\n"
                                     << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("hex odd digits") << head + "v=hex:012\n"
                                        << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("hex( unclosed") << head + "v=hex(2:41\n"
                                       << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("Qt byte array") << head + "v=@ByteArray(abc)\n"
                                       << kERROR_INVALID_DATA << 0u << QByteArray();
        QTest::newRow("unterminated section")
            << QByteArray("[SOFTWARE\nv=1\n") << kERROR_BADDB << 0u << QByteArray();
        QTest::newRow("NUL bytes")
            << head + QByteArray("v=1\n\0\0", 6) << kERROR_BADDB << 0u << QByteArray();
        QTest::newRow("not UTF-8") << head + "v=\xff\xfe\n" << kERROR_BADDB << 0u << QByteArray();
        QTest::newRow("missing value") << head + "w=1\n"
                                       << kERROR_FILE_NOT_FOUND << 0u << QByteArray();
        QTest::newRow("missing key") << QByteArray("[SOFTWARE]\nZarnet\\v=1\n")
                                     << kERROR_FILE_NOT_FOUND << 0u << QByteArray();
    }
    void handWrittenStore() {
        QFETCH(QByteArray, file);
        QFETCH(RegResult, result);
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, data);
        TempRegistry::WriteFile(reg_->MachineFile(), file);
        const Queried q = QueryValue(kHKEY_LOCAL_MACHINE, kKey, "v");
        QCOMPARE(q.result, result);
        if (result == kERROR_SUCCESS) {
            QCOMPARE(q.type, type);
            QCOMPARE(q.data, data);
        }
    }

    void storeThatIsAFolderIsCorrupt() {
        QVERIFY(QDir().mkpath(reg_->MachineFile()));
        RegKey h = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "SOFTWARE", 0, kKEY_READ, &h), kERROR_BADDB);
        QCOMPARE(RegCreateKeyEx(kHKEY_LOCAL_MACHINE, "SOFTWARE", kKEY_ALL_ACCESS, &h),
                 kERROR_BADDB);
    }

    void querySizes() {
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, kKey, "v", kREG_SZ, Sz("12345")), kERROR_SUCCESS);
        RegKey h = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, kKey, 0, kKEY_QUERY_VALUE, &h), kERROR_SUCCESS);
        std::uint32_t type = 0;
        std::uint32_t size = 0;
        QCOMPARE(RegQueryValueEx(h, "v", &type, nullptr, &size), kERROR_SUCCESS);
        QCOMPARE(size, 6u);  // the NUL counts
        QCOMPARE(type, kREG_SZ);

        std::uint8_t buf[8] = {0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa};
        size = 5;
        QCOMPARE(RegQueryValueEx(h, "v", nullptr, buf, &size), kERROR_MORE_DATA);
        QCOMPARE(size, 6u);
        size = 6;
        QCOMPARE(RegQueryValueEx(h, "v", nullptr, buf, &size), kERROR_SUCCESS);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 7), Sz("12345") + "\xaa");
        QCOMPARE(RegQueryValueEx(h, "v", &type, nullptr, nullptr), kERROR_SUCCESS);
        QCOMPARE(RegQueryValueEx(h, "v", &type, buf, nullptr), kERROR_INVALID_PARAMETER);
        QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);
    }

    void badArguments_data() {
        QTest::addColumn<RegKey>("root");
        QTest::addColumn<std::string>("key");
        QTest::addColumn<std::uint32_t>("options");
        QTest::addColumn<RegResult>("result");
        QTest::newRow("leading backslash")
            << kHKEY_LOCAL_MACHINE << std::string("\\SOFTWARE") << 0u << kERROR_INVALID_PARAMETER;
        QTest::newRow("doubled backslash")
            << kHKEY_LOCAL_MACHINE << std::string("a\\\\b") << 0u << kERROR_INVALID_PARAMETER;
        QTest::newRow("long component")
            << kHKEY_LOCAL_MACHINE << std::string(256, 'k') << 0u << kERROR_INVALID_PARAMETER;
        QTest::newRow("not UTF-8")
            << kHKEY_LOCAL_MACHINE << std::string("\xff") << 0u << kERROR_INVALID_PARAMETER;
        QTest::newRow("inner NUL")
            << kHKEY_LOCAL_MACHINE << std::string("a\0b", 3) << 0u << kERROR_INVALID_PARAMETER;
        QTest::newRow("unknown option")
            << kHKEY_LOCAL_MACHINE << std::string("a") << 1u << kERROR_INVALID_PARAMETER;
        QTest::newRow("HKEY_USERS")
            << RegKey(0x80000003u) << std::string("a") << 0u << kERROR_INVALID_HANDLE;
        QTest::newRow("null handle")
            << RegKey(0) << std::string("a") << 0u << kERROR_INVALID_HANDLE;
        QTest::newRow("made-up handle")
            << RegKey(0x1234567) << std::string("a") << 0u << kERROR_INVALID_HANDLE;
    }
    void badArguments() {
        QFETCH(RegKey, root);
        QFETCH(std::string, key);
        QFETCH(std::uint32_t, options);
        QFETCH(RegResult, result);
        RegKey h = 99;
        QCOMPARE(RegOpenKeyEx(root, key, options, kKEY_READ, &h), result);
        QCOMPARE(h, RegKey(0));
        if (options == 0) {
            QCOMPARE(RegCreateKeyEx(root, key, kKEY_ALL_ACCESS, &h), result);
            QCOMPARE(RegDeleteTree(root, key), result);
        }
        QVERIFY(!QFile::exists(reg_->MachineFile()));
    }

    void nullResultPointer() {
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "", 0, kKEY_READ, nullptr),
                 kERROR_INVALID_PARAMETER);
        QCOMPARE(RegCreateKeyEx(kHKEY_LOCAL_MACHINE, "a", kKEY_ALL_ACCESS, nullptr),
                 kERROR_INVALID_PARAMETER);
        QCOMPARE(RegSetValueEx(kHKEY_LOCAL_MACHINE, "v", kREG_BINARY, nullptr, 4),
                 kERROR_INVALID_PARAMETER);
    }

    void handles() {
        RegKey a = 0;
        QCOMPARE(RegCreateKeyEx(kHKEY_CURRENT_USER, kKey, kKEY_ALL_ACCESS, &a), kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(a), kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(a), kERROR_INVALID_HANDLE);
        std::uint32_t size = 0;
        QCOMPARE(RegQueryValueEx(a, "v", nullptr, nullptr, &size), kERROR_INVALID_HANDLE);
        QCOMPARE(RegSetStringValue(a, "v", "x"), kERROR_INVALID_HANDLE);
        RegKey b = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_CURRENT_USER, kKey, 0, kKEY_READ, &b), kERROR_SUCCESS);
        QVERIFY(b != a);  // a closed handle never comes back to life
        QCOMPARE(RegCloseKey(b), kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(kHKEY_LOCAL_MACHINE), kERROR_SUCCESS);
    }

    void subkeyOfAnOpenKey() {
        RegKey parent = 0;
        QCOMPARE(RegCreateKeyEx(kHKEY_LOCAL_MACHINE, "SOFTWARE", kKEY_ALL_ACCESS, &parent),
                 kERROR_SUCCESS);
        RegKey child = 0;
        QCOMPARE(RegCreateKeyEx(parent, "Zarnet\\Test", kKEY_ALL_ACCESS, &child), kERROR_SUCCESS);
        QCOMPARE(RegSetStringValue(child, "v", "x"), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
        RegKey reader = 0;
        QCOMPARE(RegOpenKeyEx(parent, "", 0, kKEY_READ, &reader), kERROR_SUCCESS);
        QCOMPARE(RegCreateKeyEx(reader, "Other", kKEY_ALL_ACCESS, &child), kERROR_ACCESS_DENIED);
        for (RegKey k : {parent, reader}) QCOMPARE(RegCloseKey(k), kERROR_SUCCESS);
    }

    void rightsOfAHandle() {
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, kKey, "v", kREG_SZ, Sz("x")), kERROR_SUCCESS);
        RegKey reader = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, kKey, 0, kKEY_READ, &reader), kERROR_SUCCESS);
        QCOMPARE(RegSetStringValue(reader, "v", "y"), kERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteValue(reader, "v"), kERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteTree(reader, ""), kERROR_ACCESS_DENIED);
        RegKey writer = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, kKey, 0, kKEY_SET_VALUE, &writer),
                 kERROR_SUCCESS);
        std::uint32_t size = 0;
        QCOMPARE(RegQueryValueEx(writer, "v", nullptr, nullptr, &size), kERROR_ACCESS_DENIED);
        for (RegKey k : {reader, writer}) QCOMPARE(RegCloseKey(k), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
    }

    void readOnlyStore_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::newRow("0444 file") << true;
        QTest::newRow("no file, 0555 folder") << false;
    }
    // Judged by permission bits, so it holds when the tests run as root too.
    void readOnlyStore() {
        QFETCH(bool, fileExists);
        if (fileExists) {
            QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, kKey, "v", kREG_SZ, Sz("x")), kERROR_SUCCESS);
            QVERIFY(QFile::setPermissions(reg_->MachineFile(),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            QVERIFY(::chmod(QFile::encodeName(reg_->MachineDir()).constData(), 0555) == 0);
        }
        const QByteArray before = ReadFile(reg_->MachineFile());
        RegKey h = 0;
        const std::string key = fileExists ? kKey : "";
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, key, 0, 0x2003F, &h), kERROR_ACCESS_DENIED);
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, key, 0, kKEY_WRITE, &h), kERROR_ACCESS_DENIED);
        QCOMPARE(RegCreateKeyEx(kHKEY_LOCAL_MACHINE, kKey + "\\New", kKEY_ALL_ACCESS, &h),
                 kERROR_ACCESS_DENIED);
        QCOMPARE(RegSetStringValue(kHKEY_LOCAL_MACHINE, "v", "y"), kERROR_ACCESS_DENIED);
        if (fileExists) {
            QCOMPARE(RegDeleteTree(kHKEY_LOCAL_MACHINE, "SOFTWARE"), kERROR_ACCESS_DENIED);
            QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
            // Asking for the most allowed gives a reading handle.
            QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, kKey, 0, kMAXIMUM_ALLOWED, &h),
                     kERROR_SUCCESS);
            QCOMPARE(RegSetStringValue(h, "v", "y"), kERROR_ACCESS_DENIED);
            QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);
        }
        QCOMPARE(ReadFile(reg_->MachineFile()), before);
        ::chmod(QFile::encodeName(reg_->MachineDir()).constData(), 0700);
        // The user's store is unaffected.
        QCOMPARE(SetValue(kHKEY_CURRENT_USER, kKey, "v", kREG_SZ, Sz("u")), kERROR_SUCCESS);
    }

    void classesGoToTheMachineWhenWritable() {
        QCOMPARE(SetValue(kHKEY_CLASSES_ROOT, "Zarnet.Test\\CLSID", "", kREG_SZ, Sz("{1}")),
                 kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "Software\\Classes\\Zarnet.Test\\CLSID", "").data,
                 Sz("{1}"));
        QVERIFY(!QFile::exists(reg_->UserFile()));
        QCOMPARE(RegDeleteTree(kHKEY_CLASSES_ROOT, "Zarnet.Test"), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_CLASSES_ROOT, "Zarnet.Test", "").result, kERROR_FILE_NOT_FOUND);
    }

    void classesGoToTheUserWhenTheMachineIsReadOnly() {
        QCOMPARE(SetValue(kHKEY_CLASSES_ROOT, "Zarnet.Test", "", kREG_SZ, Sz("machine")),
                 kERROR_SUCCESS);
        QVERIFY(QFile::setPermissions(reg_->MachineFile(), QFile::ReadOwner));
        // The machine's copy is read-only, so a write of it lands in a user's copy that shadows it.
        QCOMPARE(SetValue(kHKEY_CLASSES_ROOT, "Zarnet.Test", "", kREG_SZ, Sz("user")),
                 kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_CURRENT_USER, "Software\\Classes\\Zarnet.Test", "").data,
                 Sz("user"));
        QCOMPARE(QueryValue(kHKEY_CLASSES_ROOT, "zarnet.test", "").data, Sz("user"));
        // Deleting removes the user's copy; the machine's shows through again and stays.
        QCOMPARE(RegDeleteTree(kHKEY_CLASSES_ROOT, "Zarnet.Test"), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_CLASSES_ROOT, "Zarnet.Test", "").data, Sz("machine"));
        QCOMPARE(RegDeleteTree(kHKEY_CLASSES_ROOT, "Zarnet.Test"), kERROR_ACCESS_DENIED);
    }

    void deleteTree() {
        for (const char* key :
             {"SOFTWARE\\Zarnet\\A\\B", "SOFTWARE\\Zarnet\\A\\C", "SOFTWARE\\Zarnet\\D"}) {
            QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, key, "v", kREG_SZ, Sz(key)), kERROR_SUCCESS);
        }
        RegKey open = 0;
        QCOMPARE(
            RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\B", 0, kKEY_ALL_ACCESS, &open),
            kERROR_SUCCESS);
        QCOMPARE(RegDeleteTree(kHKEY_LOCAL_MACHINE, "software\\zarnet\\a"), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\C", "v").result,
                 kERROR_FILE_NOT_FOUND);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\D", "v").data,
                 Sz("SOFTWARE\\Zarnet\\D"));
        // A handle outliving its key reports it, and does not bring the key back.
        QCOMPARE(RegSetStringValue(open, "v", "x"), kERROR_KEY_DELETED);
        std::uint32_t size = 0;
        QCOMPARE(RegQueryValueEx(open, "v", nullptr, nullptr, &size), kERROR_KEY_DELETED);
        QCOMPARE(RegCloseKey(open), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\B", "v").result,
                 kERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteTree(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A"), kERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteTree(kHKEY_LOCAL_MACHINE, ""), kERROR_ACCESS_DENIED);
    }

    void emptyKeysExistAndDeletingLeavesTheStoreAsItWas() {
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, "Keep", "v", kREG_SZ, Sz("k")), kERROR_SUCCESS);
        QSettings before(reg_->MachineFile(), QSettings::IniFormat);
        const QStringList keysBefore = before.allKeys();

        RegKey h = 0;
        QCOMPARE(RegCreateKeyEx(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", kKEY_ALL_ACCESS, &h),
                 kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", 0, kKEY_READ, &h),
                 kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);
        // A key emptied of its last value, or with an empty subKey, stays.
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", "v", kREG_DWORD, Dword(1)),
                 kERROR_SUCCESS);
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", 0, kKEY_ALL_ACCESS, &h),
                 kERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(h, "v"), kERROR_SUCCESS);
        QCOMPARE(RegDeleteValue(h, "v"), kERROR_FILE_NOT_FOUND);
        QCOMPARE(RegSetStringValue(h, "w", "x"), kERROR_SUCCESS);
        QCOMPARE(RegDeleteTree(h, ""), kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", "w").result, kERROR_FILE_NOT_FOUND);
        QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, "A\\B\\Empty", 0, kKEY_READ, &h),
                 kERROR_SUCCESS);
        QCOMPARE(RegCloseKey(h), kERROR_SUCCESS);

        QCOMPARE(RegDeleteTree(kHKEY_LOCAL_MACHINE, "A"), kERROR_SUCCESS);
        QSettings after(reg_->MachineFile(), QSettings::IniFormat);
        QCOMPARE(after.allKeys(), keysBefore);
    }

    void discoveryPrefersTheListOrder() {
        QTemporaryDir bin;
        auto makeProgram = [&](const QString& name, bool executable) {
            TempRegistry::WriteFile(bin.path() + "/" + name, "#!/bin/sh\n");
            QFile::setPermissions(bin.path() + "/" + name, executable
                                                               ? QFile::ReadOwner | QFile::ExeOwner
                                                               : QFile::ReadOwner);
        };
        qputenv("PATH", QFile::encodeName(emptyPath_.path() + ":" + bin.path()));
        QCOMPARE(FindSystemInfoProgram(), std::string());
        makeProgram("hardinfo", false);  // not executable: not a program
        makeProgram("lxtask", true);
        QCOMPARE(FindSystemInfoProgram(), (bin.path() + "/lxtask").toStdString());
        makeProgram("gnome-system-monitor", true);
        QCOMPARE(FindSystemInfoProgram(), (bin.path() + "/gnome-system-monitor").toStdString());
    }

    void discoveryAnswersTheSysInfoPath() {
        const std::string key = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, key, "PATH").result, kERROR_FILE_NOT_FOUND);
        QTemporaryDir bin;
        TempRegistry::WriteFile(bin.path() + "/hardinfo", "#!/bin/sh\n");
        QFile::setPermissions(bin.path() + "/hardinfo", QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()));

        Queried q =
            QueryValue(kHKEY_LOCAL_MACHINE, "software\\microsoft\\shared tools\\msinfo", "Path");
        QCOMPARE(q.result, kERROR_SUCCESS);
        QCOMPARE(q.type, kREG_SZ);
        QCOMPARE(q.data, QFile::encodeName(bin.path() + "/hardinfo") + QByteArray(1, '\0'));
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, key, "Other").result, kERROR_FILE_NOT_FOUND);
        QCOMPARE(
            QueryValue(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools", "PATH").result,
            kERROR_FILE_NOT_FOUND);
        RegKey h = 0;
        QCOMPARE(RegOpenKeyEx(kHKEY_LOCAL_MACHINE, key, 0, kKEY_WRITE, &h), kERROR_FILE_NOT_FOUND);
        QVERIFY(!QFile::exists(reg_->MachineFile()));  // answered without writing anything

        // A value set by hand wins.
        QCOMPARE(SetValue(kHKEY_LOCAL_MACHINE, key, "PATH", kREG_SZ, Sz("/opt/info")),
                 kERROR_SUCCESS);
        QCOMPARE(QueryValue(kHKEY_LOCAL_MACHINE, key, "PATH").data, Sz("/opt/info"));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
