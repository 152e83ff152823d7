// Tests of the About box's logic: GetKeyValue against a temporary store, the launcher's outcomes
// with fake platform calls, and the texts at load.
#include <QFile>
#include <QtTest>

#include <optional>
#include <stdexcept>

#include "RegistryTestSupport.h"
#include "about/AboutLogic.h"

using namespace zarnetcalc::about;
using namespace zarnetcalc::testing;

Q_DECLARE_METATYPE(std::string)

namespace {

struct FakeControls : AboutControls {
    std::string caption, title, version;
    int unloads = 0;
    std::vector<std::pair<std::string, std::string>> messages;
    void SetCaption(const std::string& t) override { caption = t; }
    void SetTitle(const std::string& t) override { title = t; }
    void SetVersion(const std::string& t) override { version = t; }
    void Unload() override { ++unloads; }
    void ShowMessage(const std::string& text, const std::string& t) override {
        messages.emplace_back(text, t);
    }
};

// Records what the logic asks of the platform.
struct FakePlatform {
    bool launchSucceeds = true;
    bool fileExists = true;
    bool launchThrows = false;
    QStringList onPath;  // programs found on PATH, as /bin/<name>
    QStringList launched;
    QStringList fileTests;
    SysInfoPlatform Get() {
        return {[this](const std::string& p) {
                    launched << QString::fromStdString(p);
                    if (launchThrows)
                        throw std::runtime_error("cannot start");
                    return launchSucceeds;
                },
                [this](const std::string& p) {
                    fileTests << QString::fromStdString(p);
                    return fileExists;
                },
                [this](const std::string& name) {
                    return onPath.contains(QString::fromStdString(name)) ? "/bin/" + name
                                                                         : std::string();
                }};
    }
};

QByteArray Dword(std::uint32_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

const std::string kKey = "SOFTWARE\\Zarnet";

}  // namespace

class TestAboutLogic : public QObject {
    Q_OBJECT

  private:
    std::optional<TempRegistry> reg_;

    void SetString(const std::string& key, const std::string& name, const std::string& text) {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, key, name, REG_SZ,
                          QByteArray::fromStdString(text) + QByteArray(1, '\0')),
                 ERROR_SUCCESS);
    }

  private slots:
    void init() { reg_.emplace(); }
    void cleanup() {
        QFile::setPermissions(reg_->MachineFile(), QFile::ReadOwner | QFile::WriteOwner);
        reg_.reset();
    }

    void getKeyValue_data() {
        QTest::addColumn<DWORD>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("string loses its NUL")
            << REG_SZ << Sz("C:\\x.exe") << true << QByteArray("C:\\x.exe");
        QTest::newRow("string stored without NUL")
            << REG_SZ << QByteArray("abc") << true << QByteArray("abc");
        QTest::newRow("only the last NUL goes")
            << REG_SZ << QByteArray("ab\0\0", 4) << true << QByteArray("ab\0", 3);
        QTest::newRow("empty string") << REG_SZ << Sz("") << true << QByteArray();
        QTest::newRow("1023 chars fill the buffer")
            << REG_SZ << Sz(QByteArray(1023, 'a')) << true << QByteArray(1023, 'a');
        QTest::newRow("1024 chars overflow it")
            << REG_SZ << Sz(QByteArray(1024, 'b')) << true << QByteArray(1024, 'b');
        QTest::newRow("long value")
            << REG_SZ << Sz(QByteArray(70000, 'c')) << true << QByteArray(70000, 'c');
        QTest::newRow("dword") << REG_DWORD << Dword(42) << true << QByteArray("42");
        QTest::newRow("dword ending in a zero byte")
            << REG_DWORD << Dword(1) << true << QByteArray("1");
        QTest::newRow("dword zero") << REG_DWORD << Dword(0) << true << QByteArray("0");
        QTest::newRow("dword all ones")
            << REG_DWORD << Dword(0xffffffffu) << true << QByteArray("4294967295");
        QTest::newRow("dword of 2 bytes")
            << REG_DWORD << QByteArray("\1\2") << false << QByteArray();
        QTest::newRow("binary") << kRegBinary << QByteArray("abc\0", 4) << false << QByteArray();
        QTest::newRow("expandable string") << kRegExpandSz << Sz("%HOME%") << false << QByteArray();
        QTest::newRow("qword") << kRegQword << QByteArray(8, '\1') << false << QByteArray();
    }
    void getKeyValue() {
        QFETCH(DWORD, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, found);
        QFETCH(QByteArray, text);
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kKey, "v", type, data), ERROR_SUCCESS);
        std::string value = "stale";
        QCOMPARE(GetKeyValue(HKEY_LOCAL_MACHINE, kKey, "v", value), found ? kTrue : kFalse);
        QCOMPARE(QByteArray::fromStdString(value), text);
    }

    void getKeyValueMisses_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<std::string>("key");
        QTest::addColumn<std::string>("name");
        const QByteArray store = "[SOFTWARE\\Zarnet]\n\"v\"=\"x\"\n";
        QTest::newRow("missing key") << store << std::string("SOFTWARE\\Other") << std::string("v");
        QTest::newRow("missing value") << store << kKey << std::string("w");
        QTest::newRow("no store at all") << QByteArray() << kKey << std::string("v");
        QTest::newRow("malformed store")
            << QByteArray("[SOFTWARE\n\"v\"=\"x\"\n") << kKey << std::string("v");
        QTest::newRow("malformed value")
            << QByteArray("[SOFTWARE\\Zarnet]\n\"v\"=dword:zz\n") << kKey << std::string("v");
        QTest::newRow("bad key path")
            << store << std::string("SOFTWARE\\\\Zarnet") << std::string("v");
        QTest::newRow("value name holding a NUL") << store << kKey << std::string("v\0w", 3);
        QTest::newRow("key name holding a NUL")
            << store << kKey + std::string("\0\\Other", 7) << std::string("v");
    }
    void getKeyValueMisses() {
        QFETCH(QByteArray, file);
        QFETCH(std::string, key);
        QFETCH(std::string, name);
        if (!file.isEmpty())
            TempRegistry::WriteFile(reg_->MachineFile(), file);
        std::string value = "stale";
        QCOMPARE(GetKeyValue(HKEY_LOCAL_MACHINE, key, name, value), kFalse);
        QCOMPARE(value, std::string());
    }

    // A user who may only read the store still gets the value, and the tool starts.
    void readOnlyStoreStillFindsTheTool() {
        SetString(kSysInfoPathKey, kSysInfoPathValue, "/usr/bin/tool");
        QVERIFY(QFile::setPermissions(reg_->MachineFile(), QFile::ReadOwner | QFile::ReadOther));
        std::string value;
        QCOMPARE(GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, value), kTrue);
        QCOMPARE(value, std::string("/usr/bin/tool"));
        FakeControls controls;
        FakePlatform platform;
        AboutLogic(controls, platform.Get()).StartSysInfo();
        QCOMPARE(platform.launched, QStringList{"/usr/bin/tool"});
        QVERIFY(controls.messages.empty());
    }

    void startSysInfo_data() {
        QTest::addColumn<QString>("path");  // first lookup; empty = not set
        QTest::addColumn<QString>("dir");   // second lookup; empty = not set
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("launchSucceeds");
        QTest::addColumn<QStringList>("onPath");
        QTest::addColumn<QStringList>("fileTests");
        QTest::addColumn<QStringList>("launched");
        QTest::addColumn<bool>("message");
        const QString tool = "/opt/info/MSINFO32.EXE";
        const QStringList none;
        const QStringList monitor{"lxtask"};
        QTest::newRow("first lookup, file not tested")
            << "/usr/bin/info"
            << "/opt/info" << false << true << monitor << none << QStringList{"/usr/bin/info"}
            << false;
        QTest::newRow("first lookup, launch fails") << "/usr/bin/info"
                                                    << "/opt/info" << true << false << monitor
                                                    << none << QStringList{"/usr/bin/info"} << true;
        QTest::newRow("second lookup with the file")
            << ""
            << "/opt/info" << true << true << monitor << QStringList{tool} << QStringList{tool}
            << false;
        QTest::newRow("second lookup, folder with slash")
            << ""
            << "/opt/info/" << true << true << none << QStringList{tool} << QStringList{tool}
            << false;
        QTest::newRow("second lookup without the file")
            << ""
            << "/opt/info" << false << true << none << QStringList{tool} << none << true;
        QTest::newRow("second lookup without the file, a monitor on PATH")
            << ""
            << "/opt/info" << false << true << monitor << QStringList{tool}
            << QStringList{"/bin/lxtask"} << false;
        QTest::newRow("second lookup, launch fails")
            << ""
            << "/opt/info" << true << false << monitor << QStringList{tool} << QStringList{tool}
            << true;
        QTest::newRow("neither lookup") << ""
                                        << "" << true << true << none << none << none << true;
        QTest::newRow("neither lookup, the list's first program on PATH")
            << ""
            << "" << true << true << QStringList{"lxtask", "gnome-system-monitor"} << none
            << QStringList{"/bin/gnome-system-monitor"} << false;
        QTest::newRow("neither lookup, the program on PATH fails")
            << ""
            << "" << true << false << monitor << none << QStringList{"/bin/lxtask"} << true;
    }
    void startSysInfo() {
        QFETCH(QString, path);
        QFETCH(QString, dir);
        QFETCH(bool, fileExists);
        QFETCH(bool, launchSucceeds);
        QFETCH(QStringList, onPath);
        QFETCH(QStringList, fileTests);
        QFETCH(QStringList, launched);
        QFETCH(bool, message);
        if (!path.isEmpty())
            SetString(kSysInfoPathKey, kSysInfoPathValue, path.toStdString());
        if (!dir.isEmpty())
            SetString(kSysInfoDirKey, kSysInfoDirValue, dir.toStdString());
        FakeControls controls;
        FakePlatform platform;
        platform.fileExists = fileExists;
        platform.launchSucceeds = launchSucceeds;
        platform.onPath = onPath;
        AboutLogic logic(controls, platform.Get());
        logic.cmdSysInfo_Click();
        QCOMPARE(platform.fileTests, fileTests);
        QCOMPARE(platform.launched, launched);
        QCOMPARE(controls.messages.size(), message ? std::size_t(1) : std::size_t(0));
        if (message) {
            QCOMPARE(controls.messages[0].first, std::string(kUnavailableMessage));
            QCOMPARE(controls.messages[0].second, std::string("Zarnet Calculator"));
        }
        QCOMPARE(controls.unloads, 0);
    }

    void firstLookupThatIsNotTextFallsBack() {
        QCOMPARE(SetValue(HKEY_LOCAL_MACHINE, kSysInfoPathKey, kSysInfoPathValue, kRegBinary,
                          QByteArray("/bin/sh")),
                 ERROR_SUCCESS);
        SetString(kSysInfoDirKey, kSysInfoDirValue, "/opt/info");
        FakeControls controls;
        FakePlatform platform;
        AboutLogic(controls, platform.Get()).StartSysInfo();
        QCOMPARE(platform.launched, QStringList{"/opt/info/MSINFO32.EXE"});
    }

    void launcherThatThrowsGivesTheMessage() {
        SetString(kSysInfoPathKey, kSysInfoPathValue, "/usr/bin/info");
        FakeControls controls;
        FakePlatform platform;
        platform.launchThrows = true;
        AboutLogic(controls, platform.Get()).StartSysInfo();
        QCOMPARE(controls.messages.size(), std::size_t(1));
    }

    void pathReachesTheLauncherWhole_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("shell command") << "x; rm -rf ~";
        QTest::newRow("spaces and substitutions") << "/opt/My Tools/info $(id) `id` | y & z > w";
        QTest::newRow("quotes") << "\"/opt/a b\" 'c'";
    }
    void pathReachesTheLauncherWhole() {
        QFETCH(QString, path);
        SetString(kSysInfoPathKey, kSysInfoPathValue, path.toStdString());
        FakeControls controls;
        FakePlatform platform;
        AboutLogic(controls, platform.Get()).StartSysInfo();
        QCOMPARE(platform.launched, QStringList{path});
    }

    void sysInfoFilePath_data() {
        QTest::addColumn<std::string>("dir");
        QTest::addColumn<std::string>("file");
        QTest::newRow("folder") << std::string("/opt/x") << std::string("/opt/x/MSINFO32.EXE");
        QTest::newRow("trailing slash")
            << std::string("/opt/x/") << std::string("/opt/x/MSINFO32.EXE");
        QTest::newRow("trailing backslash")
            << std::string("/opt/x\\") << std::string("/opt/x/MSINFO32.EXE");
        QTest::newRow("root") << std::string("/") << std::string("/MSINFO32.EXE");
        QTest::newRow("empty") << std::string() << std::string();
    }
    void sysInfoFilePath() {
        QFETCH(std::string, dir);
        QFETCH(std::string, file);
        QCOMPARE(SysInfoFilePath(dir), file);
    }

    void formLoadAndOk() {
        FakeControls controls;
        FakePlatform platform;
        AboutLogic logic(controls, platform.Get());
        logic.Form_Load();
        QCOMPARE(controls.caption, std::string("About Zarnet Calculator"));
        QCOMPARE(controls.version, std::string("Version 1.3.0"));
        QCOMPARE(controls.title, std::string("Zarnet Calculator"));
        QCOMPARE(controls.unloads, 0);
        logic.cmdOK_Click();
        QCOMPARE(controls.unloads, 1);
        QVERIFY(platform.launched.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAboutLogic)
#include "tst_aboutlogic.moc"
