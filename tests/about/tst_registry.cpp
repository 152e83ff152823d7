// Tests of the registry store: values and names survive the file, hand-written, exported,
// broken and unusable store files, hand edits kept, values apart from subkeys, query sizes,
// handles, read-only stores, the classes view, deletion, and writers that meet or were killed.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <thread>
#include <vector>

#include "RegistryTestSupport.h"
#include "registry/Registry.h"

using namespace zarnetcalc::registry;
using namespace zarnetcalc::testing;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kKey = "SOFTWARE\\Zarnet\\Test";

QByteArray Dword(std::uint32_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);  // little-endian host
}

HKEY Handle(quintptr value) {
    return reinterpret_cast<HKEY>(value);
}

// A writable handle to root\key (created when missing), or null.
HKEY Writer(HKEY root, const std::string& key) {
    HKEY h = nullptr;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                    &h, nullptr);
    return h;
}

LONG SetText(HKEY key, const char* name, const QByteArray& text) {
    const QByteArray data = text + '\0';
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.constData()),
                          DWORD(data.size()));
}

QByteArray Utf16(const QByteArray& utf8) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return QByteArray("\xFF\xFE") + QByteArray(encoder(QString::fromUtf8(utf8)));
}

// Lines of a store file, each ended by eol.
QByteArray Lines(std::initializer_list<const char*> lines, const char* eol = "\n") {
    QByteArray out;
    for (const char* line : lines) {
        out += QByteArray(line) + eol;
    }
    return out;
}

}  // namespace

class TestRegistry : public QObject {
    Q_OBJECT

  private:
    std::optional<TempRegistry> reg_;

    QByteArray Machine() const { return TempRegistry::ReadFile(reg_->MachineFile()); }

  private slots:
    void init() { reg_.emplace(); }
    void cleanup() {
        ::chmod(QFile::encodeName(reg_->MachineDir()).constData(), 0700);
        ::chmod(QFile::encodeName(reg_->MachineDir() + "/ZarnetCalc").constData(), 0700);
        QFile::setPermissions(reg_->MachineFile(), QFile::ReadOwner | QFile::WriteOwner);
        reg_.reset();
    }

    void valueSurvivesTheFile_data() {
        QTest::addColumn<DWORD>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("text") << REG_SZ << Sz("C:\\Program Files\\tool.exe");
        QTest::newRow("text with the store's syntax") << REG_SZ << Sz("[k] ; \"v\"=@ \\\" x=y,z");
        QTest::newRow("text with a newline") << REG_SZ << Sz("a, \"b\";\nc = d\r");
        QTest::newRow("unicode text")
            << REG_SZ << QByteArray("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\0", 11);
        QTest::newRow("empty text") << REG_SZ << Sz("");
        QTest::newRow("text without NUL") << REG_SZ << QByteArray("abc");
        QTest::newRow("text with inner NUL") << REG_SZ << QByteArray("a\0b\0", 4);
        QTest::newRow("text that is not UTF-8") << REG_SZ << QByteArray("\xff\xfe\0", 3);
        QTest::newRow("text looking like a number") << REG_SZ << Sz("dword:00000001");
        QTest::newRow("empty data as text") << REG_SZ << QByteArray();
        QTest::newRow("dword") << REG_DWORD << Dword(0xdeadbeef);
        QTest::newRow("dword zero") << REG_DWORD << Dword(0);
        QTest::newRow("dword of 3 bytes") << REG_DWORD << QByteArray("\1\2\3");
        QTest::newRow("qword") << kRegQword << QByteArray("\x01\x02\x03\x04\x05\x06\x07\x88");
        QTest::newRow("binary") << kRegBinary << QByteArray("\0\xff,\n", 4);
        QTest::newRow("empty binary") << kRegBinary << QByteArray();
        QTest::newRow("multi text") << kRegMultiSz << QByteArray("a\0b\0\0", 5);
        QTest::newRow("unusual type") << DWORD(0x12345678) << QByteArray("x");
    }
    // Written, then read from a copy of the file: what was reported written is on disk.
    void valueSurvivesTheFile() {
        QFETCH(DWORD, type);
        QFETCH(QByteArray, data);
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "Value", type, data), ERROR_SUCCESS);

        QTemporaryDir copy;
        QDir().mkpath(copy.path() + "/ZarnetCalc");
        QVERIFY(
            QFile::copy(reg_->MachineFile(), copy.path() + "/ZarnetCalc/HKEY_LOCAL_MACHINE.reg"));
        TempRegistry::UseFolders(copy.path(), reg_->UserDir());
        const Queried q = QueryValue(HKEY_LOCAL_MACHINE, kKey, "Value");
        QCOMPARE(q.result, ERROR_SUCCESS);
        QCOMPARE(q.type, type);
        QCOMPARE(q.data, data);
    }

    void namesSurviveTheFile_data() {
        QTest::addColumn<std::string>("key");
        QTest::addColumn<std::string>("value");
        QTest::newRow("default value") << kKey << std::string();
        QTest::newRow("root key's default value") << std::string() << std::string();
        QTest::newRow("root key's named value") << std::string() << std::string("v");
        QTest::newRow("value named @") << kKey << std::string("@");
        QTest::newRow("spaces") << std::string("SOFTWARE\\Shared Tools\\ a b ")
                                << std::string(" x ");
        QTest::newRow("slash") << std::string("a/b\\c") << std::string("d/e");
        QTest::newRow("backslash in value name") << kKey << std::string("x\\y");
        QTest::newRow("dots") << std::string(".\\..\\.x") << std::string(".");
        QTest::newRow("percent") << std::string("%41%2F") << std::string("%25");
        QTest::newRow("store syntax") << std::string("[s]=;#\"@") << std::string("=;#[]\"'@\\");
        QTest::newRow("unicode") << std::string("\xc3\xbc\xe2\x82\xac")
                                 << std::string("\xe2\x82\xac");
        QTest::newRow("trailing backslash") << std::string("k\\") << std::string("v");
    }
    void namesSurviveTheFile() {
        QFETCH(std::string, key);
        QFETCH(std::string, value);
        QCOMPARE(SetValue(HKEY_CURRENT_USER, key, value, REG_SZ, Sz("v")), ERROR_SUCCESS);
        QCOMPARE(SetValue(HKEY_CURRENT_USER, key, "other", REG_SZ, Sz("o")), ERROR_SUCCESS);
        const Queried q = QueryValue(HKEY_CURRENT_USER, key, value);
        QCOMPARE(q.result, ERROR_SUCCESS);
        QCOMPARE(q.data, Sz("v"));
        // The name's look-alikes must not alias it.
        QCOMPARE(QueryValue(HKEY_CURRENT_USER, key, value + "_").result, ERROR_FILE_NOT_FOUND);
    }

    void lookupIgnoresCaseAndKeepsSpelling() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cl\xc3\xa9", "PATH", REG_SZ,
                          Sz("1")),
                 ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "software\\MICROSOFT\\CL\xc3\x89", "path").data,
                 Sz("1"));
        // A write through another spelling updates the same value, keeping the first spelling.
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, "Software\\microsoft\\cl\xc3\xa9", "Path", REG_SZ,
                          Sz("2")),
                 ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cl\xc3\xa9", "PATH").data,
                 Sz("2"));
        QCOMPARE(Machine(), Lines({"Windows Registry Editor Version 5.00", "",
                                   "[SOFTWARE\\Microsoft\\Cl\xc3\xa9]", "\"PATH\"=\"2\""}));
    }

    void handWrittenStore_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<LONG>("result");
        QTest::addColumn<DWORD>("type");
        QTest::addColumn<QByteArray>("data");
        const QByteArray head = "[SOFTWARE\\Zarnet\\Test]\n";
        const QByteArray none;
        QTest::newRow("text") << head + "\"v\"=\"/usr/bin/x\"\n"
                              << ERROR_SUCCESS << REG_SZ << Sz("/usr/bin/x");
        QTest::newRow("escapes and syntax in a text")
            << head + "\"v\"=\"a;b=[c] \\\"q\\\" \\\\ d\"\n"
            << ERROR_SUCCESS << REG_SZ << Sz("a;b=[c] \"q\" \\ d");
        QTest::newRow("header, comments, blank lines, CRLF")
            << QByteArray("Windows Registry Editor Version 5.00\r\n\r\n; note\r\n") +
                   head.chopped(1) + "\r\n  \"v\" = \"x\"  \r\n"
            << ERROR_SUCCESS << REG_SZ << Sz("x");
        QTest::newRow("UTF-8 byte order mark")
            << "\xEF\xBB\xBF" + head + "\"v\"=\"x\"" << ERROR_SUCCESS << REG_SZ << Sz("x");
        QTest::newRow("dword") << head + "\"v\"=dword:0000002a\n"
                               << ERROR_SUCCESS << REG_DWORD << Dword(42);
        QTest::newRow("dword short, capitals") << head + "\"v\"=DWORD:2A\n"
                                               << ERROR_SUCCESS << REG_DWORD << Dword(42);
        QTest::newRow("hex with blanks") << head + "\"v\"=hex: 01, 02,ff\n"
                                         << ERROR_SUCCESS << kRegBinary << QByteArray("\1\2\xff");
        QTest::newRow("empty hex") << head + "\"v\"=hex:\n"
                                   << ERROR_SUCCESS << kRegBinary << QByteArray();
        QTest::newRow("hex(2)") << head + "\"v\"=hex(2):41,00\n"
                                << ERROR_SUCCESS << kRegExpandSz << QByteArray("A\0", 2);
        QTest::newRow("hex(b)") << head + "\"v\"=hex(b):01,02,03,04,05,06,07,08\n"
                                << ERROR_SUCCESS << kRegQword << QByteArray("\1\2\3\4\5\6\7\x08");
        QTest::newRow("name and key case") << QByteArray("[software\\ZARNET\\test]\n\"V\"=\"x\"\n")
                                           << ERROR_SUCCESS << REG_SZ << Sz("x");
        QTest::newRow("key in two sections")
            << head + "\"a\"=\"1\"\n[Other]\n" + head + "\"v\"=\"x\"\n"
            << ERROR_SUCCESS << REG_SZ << Sz("x");
        // Files as regedit exports them.
        QTest::newRow("hex going on at the next lines")
            << head + "\"v\"=hex:01,\\\n  02,\\\r\n  03\n"
            << ERROR_SUCCESS << kRegBinary << QByteArray("\1\2\3");
        QTest::newRow("REGEDIT4 header") << "REGEDIT4\n\n" + head + "\"v\"=\"x\"\n"
                                         << ERROR_SUCCESS << REG_SZ << Sz("x");
        QTest::newRow("UTF-16 with its byte order mark, CRLF")
            << Utf16(
                   "Windows Registry Editor Version 5.00\r\n\r\n[SOFTWARE\\Zarnet\\Test]"
                   "\r\n\"v\"=\"\xc3\xa9\"\r\n")
            << ERROR_SUCCESS << REG_SZ << Sz("\xc3\xa9");
        QTest::newRow("key through its subkey only")
            << QByteArray("[SOFTWARE\\Zarnet\\Test\\Sub]\n\"v\"=\"x\"\n") << ERROR_FILE_NOT_FOUND
            << 0u << none;
        QTest::newRow("missing value") << head + "\"w\"=\"1\"\n"
                                       << ERROR_FILE_NOT_FOUND << 0u << none;
        QTest::newRow("missing key") << QByteArray("[SOFTWARE\\Zarnet]\n\"v\"=\"1\"\n")
                                     << ERROR_FILE_NOT_FOUND << 0u << none;
        // Anything else makes the whole file unreadable.
        QTest::newRow("unterminated section")
            << QByteArray("[SOFTWARE\n") << ERROR_BADDB << 0u << none;
        QTest::newRow("empty key name")
            << QByteArray("[SOFTWARE\\\\Zarnet]\n") << ERROR_BADDB << 0u << none;
        QTest::newRow("value before any section")
            << QByteArray("\"v\"=\"x\"\n") << ERROR_BADDB << 0u << none;
        QTest::newRow("unquoted name") << head + "v=x\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("bare =") << head + "=x\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("unknown escape") << head + "\"v\"=\"C:\\Tools\"\n"
                                        << ERROR_BADDB << 0u << none;
        QTest::newRow("unterminated text") << head + "\"v\"=\"abc\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("text then more") << head + "\"v\"=\"a\" b\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("dword not hex") << head + "\"v\"=dword:xyz\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("dword too long") << head + "\"v\"=dword:123456789\n"
                                        << ERROR_BADDB << 0u << none;
        QTest::newRow("dword empty") << head + "\"v\"=dword:\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("hex odd digits") << head + "\"v\"=hex:012\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("hex trailing comma") << head + "\"v\"=hex:01,\n"
                                            << ERROR_BADDB << 0u << none;
        QTest::newRow("hex( unclosed") << head + "\"v\"=hex(2:41\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("hex going on past the end") << head + "\"v\"=hex:01,\\\n"
                                                   << ERROR_BADDB << 0u << none;
        QTest::newRow("text going on at the next line") << head + "\"v\"=\"a\\\n  b\"\n"
                                                        << ERROR_BADDB << 0u << none;
        QTest::newRow("UTF-16 without its byte order mark")
            << Utf16(head + "\"v\"=\"x\"\n").mid(2) << ERROR_BADDB << 0u << none;
        QTest::newRow("Wine's own registry file")
            << QByteArray(
                   "WINE REGISTRY Version 2\n\n[SOFTWARE\\\\Zarnet\\\\Test] 1700000000\n"
                   "#time=1da0000000000000\n\"v\"=\"x\"\n")
            << ERROR_BADDB << 0u << none;
        QTest::newRow("deletion mark") << head + "\"v\"=-\n" << ERROR_BADDB << 0u << none;
        QTest::newRow("value twice") << head + "\"v\"=\"1\"\n[Other]\n" + head + "\"V\"=\"2\"\n"
                                     << ERROR_BADDB << 0u << none;
        QTest::newRow("NUL bytes")
            << head + QByteArray("\"v\"=\"1\"\n\0\0", 10) << ERROR_BADDB << 0u << none;
        QTest::newRow("not UTF-8") << head + "\"v\"=\"\xff\xfe\"\n" << ERROR_BADDB << 0u << none;
    }
    // A broken file gives the same error on every read, and a write into it changes nothing.
    void handWrittenStore() {
        QFETCH(QByteArray, file);
        QFETCH(LONG, result);
        QFETCH(DWORD, type);
        QFETCH(QByteArray, data);
        TempRegistry::WriteFile(reg_->MachineFile(), file);
        for (int read = 0; read < 2; ++read) {
            const Queried q = QueryValue(HKEY_LOCAL_MACHINE, kKey, "v");
            QCOMPARE(q.result, result);
            QCOMPARE(q.type, type);
            QCOMPARE(q.data, data);
        }
        if (result == ERROR_BADDB) {
            QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("new")), ERROR_BADDB);
            QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_BADDB);
            QCOMPARE(Machine(), file);
        }
    }

    // A file rewritten at once with a text of the same length (its times may not change at all)
    // is read anew, never served from the read before.
    void rewrittenStoreIsReadAnew() {
        for (const char* v : {"1", "2", "3"}) {
            TempRegistry::WriteFile(reg_->MachineFile(),
                                    QByteArray("[") + kKey.c_str() + "]\n\"v\"=\"" + v + "\"\n");
            QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "v").data, Sz(v));
        }
    }

    void unusableStorePath_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<LONG>("read");
        QTest::addColumn<LONG>("write");
        QTest::newRow("folder") << "folder" << ERROR_BADDB << ERROR_BADDB;
        QTest::newRow("symlink loop") << "loop" << ERROR_CANTREAD << ERROR_CANTREAD;
        QTest::newRow("unreadable file")
            << "unreadable" << ERROR_ACCESS_DENIED << ERROR_ACCESS_DENIED;
        QTest::newRow("named pipe") << "fifo" << ERROR_BADDB << ERROR_BADDB;
        QTest::newRow("symlink to nothing")
            << "dangling" << ERROR_FILE_NOT_FOUND << ERROR_CANTWRITE;
    }
    // Reported as such, and never replaced.
    void unusableStorePath() {
        QFETCH(QString, kind);
        QFETCH(LONG, read);
        QFETCH(LONG, write);
        const QString path = reg_->MachineFile();
        const QByteArray native = QFile::encodeName(path);
        QVERIFY(QDir().mkpath(reg_->MachineDir() + "/ZarnetCalc"));
        if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "loop") {
            QVERIFY(::symlink(native.constData(), native.constData()) == 0);
        } else if (kind == "unreadable") {
            TempRegistry::WriteFile(path, "[SOFTWARE]\n");
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        } else if (kind == "fifo") {
            QVERIFY(::mkfifo(native.constData(), 0600) == 0);
        } else {
            QVERIFY(::symlink("nowhere.reg", native.constData()) == 0);
        }
        struct stat before {};
        QVERIFY(::lstat(native.constData(), &before) == 0);

        HKEY h = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &h), read);
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE", "v", REG_SZ, Sz("x")), write);
        QCOMPARE(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_SZ, nullptr, 0), write);

        struct stat after {};
        QVERIFY(::lstat(native.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QVERIFY(!QFile::exists(reg_->MachineDir() + "/ZarnetCalc/nowhere.reg"));
    }

    void symlinkedStoreIsWrittenThrough() {
        QTemporaryDir elsewhere;
        const QString target = elsewhere.path() + "/machine.reg";
        TempRegistry::WriteFile(target, "; kept\n");
        QVERIFY(QDir().mkpath(reg_->MachineDir() + "/ZarnetCalc"));
        QVERIFY(QFile::link(target, reg_->MachineFile()));
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("x")), ERROR_SUCCESS);
        QVERIFY(QFileInfo(reg_->MachineFile()).isSymLink());
        QCOMPARE(TempRegistry::ReadFile(target),
                 Lines({"; kept", "", "[SOFTWARE\\Zarnet\\Test]", "\"v\"=\"x\""}));
    }

    void handEditsSurvive_data() {
        QTest::addColumn<QByteArray>("store");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray crlf = Lines(
            {"; written by hand", "", "[A]", "\"keep\"=\"1\"", "; a note in A", "\"v\"=\"old\"", "",
             "; the next key", "[A\\B]", "@=\"b\"", "", "[C\\D]", "\"x\"=dword:00000001"},
            "\r\n");
        // New lines end as the file's lines do.
        QTest::newRow("replace a value")
            << crlf << "set A v"
            << QByteArray(crlf).replace("\"v\"=\"old\"\r\n", "\"v\"=\"new\"\r\n");
        QTest::newRow("add a value at the end of its section")
            << crlf << "set A w"
            << QByteArray(crlf).replace("\"v\"=\"old\"\r\n", "\"v\"=\"old\"\r\n\"w\"=\"new\"\r\n");
        QTest::newRow("a value on a key that has no section yet")
            << crlf << "set C w" << crlf + Lines({"", "[C]", "\"w\"=\"new\""}, "\r\n");
        QTest::newRow("new key at the end")
            << crlf << "create E\\F" << crlf + Lines({"", "[E\\F]"}, "\r\n");
        // A regedit export: UTF-16 written back as UTF-16, continued lines kept where unchanged.
        const QByteArray exported =
            Lines({"Windows Registry Editor Version 5.00", "", "[A]", "\"b\"=hex:01,02,\\",
                   "  03,04", "\"v\"=\"old\"", "", "[D]", "\"c\"=hex(2):41,00,\\", "  00,00"},
                  "\r\n");
        QTest::newRow("a regedit export: replace a value")
            << Utf16(exported) << "set A v"
            << Utf16(QByteArray(exported).replace("\"v\"=\"old\"", "\"v\"=\"new\""));
        QTest::newRow("a regedit export: replace a continued value")
            << Utf16(exported) << "set D c"
            << Utf16(QByteArray(exported).replace("\"c\"=hex(2):41,00,\\\r\n  00,00",
                                                  "\"c\"=\"new\""));
        QTest::newRow("a regedit export: delete a continued value")
            << Utf16(exported) << "delete value A b"
            << Utf16(QByteArray(exported).replace("\"b\"=hex:01,02,\\\r\n  03,04\r\n", ""));
        QTest::newRow("delete a value")
            << crlf << "delete value A keep" << QByteArray(crlf).replace("\"keep\"=\"1\"\r\n", "");
        QTest::newRow("delete a key and its subkeys")
            << crlf << "delete tree A"
            << Lines({"; written by hand", "", "; the next key", "", "[C\\D]",
                      "\"x\"=dword:00000001"},
                     "\r\n");
        const QByteArray lf = "[K]\n\"h\"=hex:01,02\n; end\n\n[K\\L]\n\"z\"=\"1\"";
        QTest::newRow("replace the last line of a file without final newline")
            << lf << "set K\\L z" << QByteArray(lf).replace("\"z\"=\"1\"", "\"z\"=\"new\"");
        QTest::newRow("delete the last key of a file without final newline")
            << lf << "delete tree K\\L" << QByteArray("[K]\n\"h\"=hex:01,02\n; end");
    }
    // Lines the library did not mean to change stay as they were, byte for byte.
    void handEditsSurvive() {
        QFETCH(QByteArray, store);
        QFETCH(QString, op);
        QFETCH(QByteArray, expected);
        TempRegistry::WriteFile(reg_->MachineFile(), store);
        const QStringList words = op.split(' ');
        const std::string key = words.last().toStdString();
        if (words[0] == "set") {
            HKEY h = Writer(HKEY_LOCAL_MACHINE, words[1].toStdString());
            QCOMPARE(SetText(h, words[2].toUtf8().constData(), "new"), ERROR_SUCCESS);
            RegCloseKey(h);
        } else if (words[0] == "create") {
            RegCloseKey(Writer(HKEY_LOCAL_MACHINE, key));
        } else if (words[1] == "value") {
            HKEY h = Writer(HKEY_LOCAL_MACHINE, words[2].toStdString());
            QCOMPARE(RegDeleteValueA(h, key.c_str()), ERROR_SUCCESS);
            RegCloseKey(h);
        } else {
            QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str()), ERROR_SUCCESS);
        }
        QCOMPARE(Machine(), expected);
    }

    // Deleting a value never touches a subkey of the same name, and the reverse.
    void valuesAndSubkeysAreSeparate() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "X", REG_SZ, Sz("value")), ERROR_SUCCESS);
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey + "\\x", "", REG_SZ, Sz("key")), ERROR_SUCCESS);
        HKEY h = Writer(HKEY_LOCAL_MACHINE, kKey);
        QCOMPARE(RegDeleteValueA(h, "X"), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey + "\\X", "").data, Sz("key"));
        QCOMPARE(SetText(h, "x", "value"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteTreeA(h, "X"), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "X").data, Sz("value"));
        QCOMPARE(RegDeleteTreeA(h, "X"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteValueA(h, "X"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValueA(h, "X"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);
    }

    void querySizes() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("12345")), ERROR_SUCCESS);
        HKEY h = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_QUERY_VALUE, &h),
                 ERROR_SUCCESS);
        DWORD type = 0;
        DWORD size = 0;
        QCOMPARE(RegQueryValueExA(h, "v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        QCOMPARE(size, 6u);  // the NUL counts
        QCOMPARE(type, REG_SZ);

        BYTE buf[8] = {0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa, 0xaa};
        size = 5;
        QCOMPARE(RegQueryValueExA(h, "v", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
        QCOMPARE(size, 6u);
        size = 6;
        QCOMPARE(RegQueryValueExA(h, "v", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buf), 7), Sz("12345") + "\xaa");
        QCOMPARE(RegQueryValueExA(h, "v", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
        QCOMPARE(RegQueryValueExA(h, "v", nullptr, &type, buf, nullptr), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegQueryValueExA(h, "v", &size, &type, nullptr, nullptr), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);
    }

    void badArguments_data() {
        QTest::addColumn<quintptr>("root");
        QTest::addColumn<std::string>("key");
        QTest::addColumn<DWORD>("options");
        QTest::addColumn<LONG>("open");
        QTest::addColumn<LONG>("create");
        const auto machine = reinterpret_cast<quintptr>(HKEY_LOCAL_MACHINE);
        const LONG invalid = ERROR_INVALID_PARAMETER;
        QTest::newRow("leading backslash")
            << machine << std::string("\\SOFTWARE") << 0u << invalid << invalid;
        QTest::newRow("doubled backslash")
            << machine << std::string("a\\\\b") << 0u << invalid << invalid;
        QTest::newRow("long component")
            << machine << std::string(256, 'k') << 0u << invalid << invalid;
        // No key of such a name can be in a store.
        QTest::newRow("not UTF-8")
            << machine << std::string("\xff") << 0u << ERROR_FILE_NOT_FOUND << invalid;
        QTest::newRow("line break")
            << machine << std::string("a\nb") << 0u << ERROR_FILE_NOT_FOUND << invalid;
        QTest::newRow("unknown option") << machine << std::string("a") << 1u << invalid << invalid;
        QTest::newRow("HKEY_USERS") << quintptr(0x80000003u) << std::string("a") << 0u
                                    << ERROR_INVALID_HANDLE << ERROR_INVALID_HANDLE;
        QTest::newRow("null handle") << quintptr(0) << std::string("a") << 0u
                                     << ERROR_INVALID_HANDLE << ERROR_INVALID_HANDLE;
        QTest::newRow("made-up handle") << quintptr(0x1234567) << std::string("a") << 0u
                                        << ERROR_INVALID_HANDLE << ERROR_INVALID_HANDLE;
    }
    void badArguments() {
        QFETCH(quintptr, root);
        QFETCH(std::string, key);
        QFETCH(DWORD, options);
        QFETCH(LONG, open);
        QFETCH(LONG, create);
        HKEY h = Handle(99);
        QCOMPARE(RegOpenKeyExA(Handle(root), key.c_str(), options, KEY_READ, &h), open);
        QCOMPARE(h, nullptr);
        h = Handle(99);
        QCOMPARE(RegCreateKeyExA(Handle(root), key.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                                 nullptr, &h, nullptr),
                 create);
        QCOMPARE(h, nullptr);
        if (options == 0) {
            QCOMPARE(RegDeleteTreeA(Handle(root), key.c_str()), open);
        }
        QVERIFY(!QFile::exists(reg_->MachineFile()));
        QVERIFY(!QFile::exists(reg_->MachineDir() + "/ZarnetCalc"));
    }

    void nullPointers() {
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, nullptr),
                 ERROR_INVALID_PARAMETER);
        QCOMPARE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 nullptr, nullptr),
                 ERROR_INVALID_PARAMETER);
        HKEY h = nullptr;
        QCOMPARE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &h, nullptr),
                 ERROR_INVALID_PARAMETER);
        QCOMPARE(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, kRegBinary, nullptr, 4),
                 ERROR_INVALID_PARAMETER);
        // A null name is the default value, as an empty one.
        QCOMPARE(RegSetValueExA(HKEY_LOCAL_MACHINE, nullptr, 0, kRegBinary, nullptr, 0),
                 ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "", "").type, kRegBinary);
    }

    void handles() {
        HKEY a = Writer(HKEY_CURRENT_USER, kKey);
        DWORD disposition = 0;
        HKEY b = nullptr;
        QCOMPARE(RegCreateKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                                 &b, &disposition),
                 ERROR_SUCCESS);
        QCOMPARE(disposition, REG_OPENED_EXISTING_KEY);
        QCOMPARE(RegCloseKey(a), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(a), ERROR_INVALID_HANDLE);
        DWORD size = 0;
        QCOMPARE(RegQueryValueExA(a, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
        QCOMPARE(SetText(a, "v", "x"), ERROR_INVALID_HANDLE);
        QCOMPARE(RegDeleteValueA(a, "v"), ERROR_INVALID_HANDLE);
        // The number of a closed handle comes back, so handle numbers never run into the
        // predefined roots however many keys are opened.
        HKEY c = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_READ, &c), ERROR_SUCCESS);
        QCOMPARE(c, a);
        for (int i = 0; i < 1000; ++i) {
            QCOMPARE(RegCloseKey(c), ERROR_SUCCESS);
            QCOMPARE(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &c), ERROR_SUCCESS);
            QCOMPARE(c, a);
        }
        for (HKEY k : {b, c, HKEY_LOCAL_MACHINE}) QCOMPARE(RegCloseKey(k), ERROR_SUCCESS);
    }

    void subkeyOfAnOpenKey() {
        HKEY parent = Writer(HKEY_LOCAL_MACHINE, "SOFTWARE");
        HKEY child = nullptr;
        DWORD disposition = 0;
        QCOMPARE(RegCreateKeyExA(parent, "Zarnet\\Test", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &child, &disposition),
                 ERROR_SUCCESS);
        QCOMPARE(disposition, REG_CREATED_NEW_KEY);
        QCOMPARE(SetText(child, "v", "x"), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
        HKEY reader = nullptr;
        QCOMPARE(RegOpenKeyExA(parent, "", 0, KEY_READ, &reader), ERROR_SUCCESS);
        QCOMPARE(RegCreateKeyExA(reader, "Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                                 nullptr),
                 ERROR_ACCESS_DENIED);
        for (HKEY k : {parent, reader}) QCOMPARE(RegCloseKey(k), ERROR_SUCCESS);
    }

    void rightsOfAHandle() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("x")), ERROR_SUCCESS);
        HKEY reader = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ, &reader),
                 ERROR_SUCCESS);
        QCOMPARE(SetText(reader, "v", "y"), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteValueA(reader, "v"), ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteTreeA(reader, ""), ERROR_ACCESS_DENIED);
        HKEY writer = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_SET_VALUE, &writer),
                 ERROR_SUCCESS);
        DWORD size = 0;
        QCOMPARE(RegQueryValueExA(writer, "v", nullptr, nullptr, nullptr, &size),
                 ERROR_ACCESS_DENIED);
        for (HKEY k : {reader, writer}) QCOMPARE(RegCloseKey(k), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
    }

    void readOnlyStore_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("0444 file") << "file";
        QTest::newRow("no file, 0555 folder") << "folder";
        QTest::newRow("writable file in a 0555 folder") << "both";
    }
    // Judged by permission bits, so it holds when the tests run as root too; nothing changes.
    void readOnlyStore() {
        QFETCH(QString, kind);
        const QByteArray storeDir = QFile::encodeName(reg_->MachineDir() + "/ZarnetCalc");
        if (kind != "folder") {
            QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("x")), ERROR_SUCCESS);
        }
        if (kind == "file") {
            QVERIFY(QFile::setPermissions(reg_->MachineFile(),
                                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        } else {
            QVERIFY(::chmod(kind == "both" ? storeDir.constData()
                                           : QFile::encodeName(reg_->MachineDir()).constData(),
                            0555) == 0);
        }
        const QByteArray before = Machine();
        const auto entries = [&] {
            return QDir(QString::fromLocal8Bit(storeDir))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        };
        const QStringList entriesBefore = entries();
        HKEY h = nullptr;
        const std::string key = kind != "folder" ? kKey : "";
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, 0x2003F, &h),
                 ERROR_ACCESS_DENIED);
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_WRITE, &h),
                 ERROR_ACCESS_DENIED);
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey + "\\New", "v", REG_SZ, Sz("y")),
                 ERROR_ACCESS_DENIED);
        QCOMPARE(SetText(HKEY_LOCAL_MACHINE, "v", "y"), ERROR_ACCESS_DENIED);
        if (kind != "folder") {
            QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_ACCESS_DENIED);
            QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "v").data, Sz("x"));
        }
        QCOMPARE(Machine(), before);
        QCOMPARE(entries(), entriesBefore);
        // The user's store is unaffected.
        QCOMPARE(SetValue(HKEY_CURRENT_USER, kKey, "v", REG_SZ, Sz("u")), ERROR_SUCCESS);
    }

    // HKEY_CLASSES_ROOT reads the user's Software\Classes first, then the machine's, and takes
    // no writes.
    void classesView() {
        const std::string key = "Software\\Classes\\Zarnet.Test";
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, key, "", REG_SZ, Sz("machine")), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_CLASSES_ROOT, "zarnet.test", "").data, Sz("machine"));
        QCOMPARE(SetValue(HKEY_CURRENT_USER, key, "", REG_SZ, Sz("user")), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_CLASSES_ROOT, "Zarnet.Test", "").data, Sz("user"));
        const QByteArray machine = Machine();
        const QByteArray user = TempRegistry::ReadFile(reg_->UserFile());

        HKEY h = nullptr;
        QCOMPARE(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Zarnet.Test", 0, KEY_WRITE, &h),
                 ERROR_ACCESS_DENIED);
        QCOMPARE(SetValue(HKEY_CLASSES_ROOT, "Zarnet.Test", "", REG_SZ, Sz("x")),
                 ERROR_ACCESS_DENIED);
        QCOMPARE(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Zarnet.Test"), ERROR_ACCESS_DENIED);
        QCOMPARE(SetText(HKEY_CLASSES_ROOT, "v", "x"), ERROR_ACCESS_DENIED);
        QCOMPARE(Machine(), machine);
        QCOMPARE(TempRegistry::ReadFile(reg_->UserFile()), user);

        QCOMPARE(RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_CLASSES_ROOT, "Zarnet.Test", "").data, Sz("machine"));
        QCOMPARE(QueryValue(HKEY_CLASSES_ROOT, "Other", "").result, ERROR_FILE_NOT_FOUND);
        QCOMPARE(QueryValue(HKEY_CLASSES_ROOT, "", "").result, ERROR_FILE_NOT_FOUND);
    }

    void deleteTree() {
        for (const char* key :
             {"SOFTWARE\\Zarnet\\A\\B", "SOFTWARE\\Zarnet\\A\\C", "SOFTWARE\\Zarnet\\D"}) {
            QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, key, "v", REG_SZ, Sz(key)), ERROR_SUCCESS);
        }
        HKEY open = nullptr;
        QCOMPARE(
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\B", 0, KEY_ALL_ACCESS, &open),
            ERROR_SUCCESS);
        QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\zarnet\\a"), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\C", "v").result,
                 ERROR_FILE_NOT_FOUND);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\D", "v").data,
                 Sz("SOFTWARE\\Zarnet\\D"));
        // A handle outliving its key reports it, and does not bring the key back.
        QCOMPARE(SetText(open, "v", "x"), ERROR_KEY_DELETED);
        DWORD size = 0;
        QCOMPARE(RegQueryValueExA(open, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
        HKEY sub = nullptr;
        QCOMPARE(RegCreateKeyExA(open, "E", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
                 ERROR_KEY_DELETED);
        QCOMPARE(RegCloseKey(open), ERROR_SUCCESS);
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A\\B", "v").result,
                 ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zarnet\\A"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
    }

    void emptyKeysExistAndDeletingLeavesTheStoreAsItWas() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, "Keep", "v", REG_SZ, Sz("k")), ERROR_SUCCESS);
        const QByteArray before = Machine();

        HKEY h = Writer(HKEY_LOCAL_MACHINE, "A\\B\\Empty");
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\Empty", 0, KEY_READ, &h), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);
        // A key emptied of its last value stays; the key itself is not emptied by a tree deletion.
        h = Writer(HKEY_LOCAL_MACHINE, "A\\B\\Empty");
        QCOMPARE(SetText(h, "v", "x"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValueA(h, "v"), ERROR_SUCCESS);
        QCOMPARE(RegDeleteValueA(h, "v"), ERROR_FILE_NOT_FOUND);
        QCOMPARE(RegDeleteTreeA(h, ""), ERROR_INVALID_PARAMETER);
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);
        QCOMPARE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\Empty", 0, KEY_READ, &h), ERROR_SUCCESS);
        QCOMPARE(RegCloseKey(h), ERROR_SUCCESS);

        QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
        QCOMPARE(Machine(), before);

        // A store that was empty is empty again, without the header its first key brought.
        TempRegistry::WriteFile(reg_->MachineFile(), "");
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, "A\\B", "v", REG_SZ, Sz("x")), ERROR_SUCCESS);
        QVERIFY(Machine().startsWith("Windows Registry Editor Version 5.00\n"));
        QCOMPARE(RegDeleteTreeA(HKEY_LOCAL_MACHINE, "A"), ERROR_SUCCESS);
        QCOMPARE(Machine(), QByteArray());
    }

    // What a writer killed at the wrong moment leaves (a lock file, a half-written copy of the
    // store) neither blocks nor outlives the next write.
    void leftoversOfAKilledWriter() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("1")), ERROR_SUCCESS);
        TempRegistry::WriteFile(reg_->MachineFile() + ".lock", "");
        TempRegistry::WriteFile(reg_->MachineFile() + ".tmp", "[half a store");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", REG_SZ, Sz("2")), ERROR_SUCCESS);
        QVERIFY2(timer.elapsed() < 2000, "a lock nobody holds was waited for");
        QVERIFY(!QFile::exists(reg_->MachineFile() + ".tmp"));
        QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, kKey, "v").data, Sz("2"));
    }

    // Writers of several processes, and threads of one, busy at once: every write lands.
    void busyWriters() {
        constexpr int kProcesses = 3;
        constexpr int kWrites = 150;
        auto write = [](const std::string& key, int count) {
            int failures = 0;
            for (int i = 0; i < count; ++i) {
                const std::string name = "v" + std::to_string(i);
                failures +=
                    SetValue(HKEY_LOCAL_MACHINE, key, name, REG_SZ, Sz("x")) != ERROR_SUCCESS;
            }
            return failures;
        };
        std::vector<pid_t> children;
        for (int p = 0; p < kProcesses; ++p) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0)
                ::_exit(write("P" + std::to_string(p), kWrites) == 0 ? 0 : 1);
            children.push_back(child);
        }
        int threadFailures[2] = {};
        std::thread a([&] { threadFailures[0] = write("T0", kWrites); });
        std::thread b([&] {
            for (int i = 0; i < kWrites; ++i) {
                HKEY h = Writer(HKEY_LOCAL_MACHINE, "T1\\K" + std::to_string(i));
                threadFailures[1] += h == nullptr;
                RegCloseKey(h);
            }
        });
        a.join();
        b.join();
        for (const pid_t child : children) {
            int status = -1;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        QCOMPARE(threadFailures[0] + threadFailures[1], 0);
        for (const char* key : {"P0", "P1", "P2", "T0"}) {
            QCOMPARE(QueryValue(HKEY_LOCAL_MACHINE, key, "v" + std::to_string(kWrites - 1)).data,
                     Sz("x"));
        }
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
