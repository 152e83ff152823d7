// Self-registration and creation by programmatic identifier, against registry stores in temporary
// folders: what registration writes and where, that unregistration leaves the stores as they were,
// and the failures of create-by-name. The library is loaded with dlopen; the stores are read and
// prepared through the registry layer itself.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <optional>

#include "ComLibrary.h"
#include "tests/about/RegistryTestSupport.h"

using namespace zarnetcalc::com;
using namespace zarnetcalc::registry;
using namespace zarnetcalc::testing;

Q_DECLARE_METATYPE(zarnetcalc::com::GUID)

namespace {

ComLibrary lib;

const std::string kClsid = "{D1B95FEC-F1E6-4E7E-BB9A-AF5A0818EEB8}";
const std::string kLibid = "{55905F67-BCDA-4365-BBE2-4A477DADDF06}";
const std::string kIid = "{91B368B2-595C-440A-9CA8-11BBF168F238}";
const std::string kIid2 = "{71F18A98-8019-4FFA-812A-7C364EE57F8D}";
const std::string kVersion = "1.1";  // of the type library
const std::string kOtherClsid = "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}";

bool SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& text) {
    return SetValue(root, key, name, REG_SZ, QByteArray::fromStdString(text) + '\0') ==
           ERROR_SUCCESS;
}

std::optional<std::string> ReadString(HKEY root, const std::string& key,
                                      const std::string& name = "") {
    const Queried q = QueryValue(root, key, name);
    if (q.result != ERROR_SUCCESS || q.type != REG_SZ || !q.data.endsWith('\0')) {
        return std::nullopt;
    }
    return q.data.chopped(1).toStdString();
}

QString Canonical(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).canonicalFilePath();
}

// A store written by hand: other programs' entries, comments, blank lines, and values named
// exactly like the keys registration writes. Registering and unregistering must keep it whole.
QByteArray HandWrittenStore(const char* eol) {
    const std::string lines[] = {
        "Windows Registry Editor Version 5.00",
        "",
        "; Entries of other programs, kept by hand.",
        "[Software\\Classes]",
        "@=\"classes\"",
        "\"ZarnetCalc.clsZarnetCalc\"=\"a value, not a programmatic identifier\"",
        "",
        "[Software\\Classes\\CLSID]",
        "\"" + kClsid + "\"=\"a value named like the class\"",
        "[Software\\Classes\\CLSID\\" + kOtherClsid + "]",
        "@=\"Other.Thing\"",
        "",
        "[Software\\Classes\\CLSID\\" + kOtherClsid + "\\InprocServer32]",
        "@=\"/opt/other/libother.so\"",
        "[Software\\Classes\\Other.Thing\\CLSID]",
        "@=\"" + kOtherClsid + "\"",
        "",
        "; another version of the same type library",
        "[Software\\Classes\\TypeLib\\" + kLibid + "\\2.0]",
        "@=\"ZarnetCalc 2\"",
        "[Software\\Classes\\TypeLib]",
        "\"" + kLibid + "\"=hex:01,02",
        "[Software\\Classes\\Interface]",
        "\"" + kIid + "\"=dword:00000001",
        "",
        "[Software\\Vendor\\Settings]",
        "\"Colour\"=\"green ; [not] a \\\"comment\\\"\"",
    };
    QByteArray out;
    for (const std::string& line : lines) {
        out += QByteArray::fromStdString(line) + eol;
    }
    return out;
}

}  // namespace

class tst_registration : public QObject {
    Q_OBJECT

    std::optional<TempRegistry> reg_;

    QString MachineFile() const { return reg_->MachineFile(); }
    QString UserFile() const { return reg_->UserFile(); }

    static QByteArray Bytes(const QString& path) { return TempRegistry::ReadFile(path); }
    static bool HoldsNothing(const QString& path) { return !Bytes(path).contains('['); }
    // The store's file (when there is one) and its folder lose their write bits: read-only for
    // the registry even when the tests run as root.
    static void MakeReadOnly(const QString& dir) {
        const QFileDevice::Permissions read =
            QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const QFileDevice::Permissions exec =
            QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QDir().mkpath(dir + "/ZarnetCalc");
        for (const QString& file : QDir(dir + "/ZarnetCalc").entryList(QDir::Files)) {
            QFile::setPermissions(dir + "/ZarnetCalc/" + file, read);
        }
        QFile::setPermissions(dir + "/ZarnetCalc", read | exec);
    }

  private slots:
    void initTestCase() {
        const QString failure = lib.Load();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init() { reg_.emplace(); }

    void cleanup() {
        // Writable again, so the temporary folders can go.
        for (const QString& dir : {reg_->MachineDir(), reg_->UserDir()}) {
            QFile::setPermissions(dir + "/ZarnetCalc", QFileDevice::ReadOwner |
                                                           QFileDevice::WriteOwner |
                                                           QFileDevice::ExeOwner);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        QCOMPARE(lib.canUnloadNow(), S_OK);
        reg_.reset();
    }

    void registersInTheMachineStore() {
        QCOMPARE(lib.registerServer(), S_OK);
        const HKEY m = HKEY_LOCAL_MACHINE;
        const std::string classes = "Software\\Classes\\";
        const std::string clsid = classes + "CLSID\\" + kClsid;
        QCOMPARE(ReadString(m, clsid), std::optional<std::string>("clsZarnetCalc"));
        const auto path = ReadString(m, clsid + "\\InprocServer32");
        QVERIFY(path);
        QCOMPARE(Canonical(*path), Canonical(ZARNETCALC_LIBRARY_PATH));
        QVERIFY(QFileInfo(QString::fromStdString(*path)).isAbsolute());
        QCOMPARE(ReadString(m, clsid + "\\InprocServer32", "ThreadingModel"),
                 std::optional<std::string>("Apartment"));
        QCOMPARE(ReadString(m, clsid + "\\ProgID"), std::optional<std::string>(kProgID));
        QCOMPARE(ReadString(m, clsid + "\\TypeLib"), std::optional(kLibid));
        QCOMPARE(ReadString(m, clsid + "\\Version"), std::optional(kVersion));
        QCOMPARE(ReadString(m, classes + kProgID + "\\CLSID"), std::optional(kClsid));
        QCOMPARE(ReadString(m, classes + "TypeLib\\" + kLibid + "\\" + kVersion),
                 std::optional<std::string>("ZarnetCalc"));
        for (const auto& [iid, name] :
             {std::pair{kIid, "_clsZarnetCalc"}, std::pair{kIid2, "_clsZarnetCalc2"}}) {
            QCOMPARE(ReadString(m, classes + "Interface\\" + iid),
                     std::optional<std::string>(name));
            QCOMPARE(ReadString(m, classes + "Interface\\" + iid + "\\TypeLib"),
                     std::optional(kLibid));
            QCOMPARE(ReadString(m, classes + "Interface\\" + iid + "\\TypeLib", "Version"),
                     std::optional(kVersion));
        }
        QVERIFY(HoldsNothing(UserFile()));
        // Registering twice is harmless.
        const QByteArray once = Bytes(MachineFile());
        QCOMPARE(lib.registerServer(), S_OK);
        QCOMPARE(Bytes(MachineFile()), once);
    }

    void unregisterLeavesTheStoresAsTheyWere_data() {
        QTest::addColumn<bool>("machineWritable");
        QTest::newRow("machine store") << true;
        QTest::newRow("user store (machine read-only)") << false;
    }
    // Values named like registration's keys, other versions, comments and blank lines included.
    void unregisterLeavesTheStoresAsTheyWere() {
        QFETCH(bool, machineWritable);
        TempRegistry::WriteFile(MachineFile(), HandWrittenStore("\n"));
        TempRegistry::WriteFile(UserFile(), HandWrittenStore("\r\n"));
        if (!machineWritable) {
            MakeReadOnly(reg_->MachineDir());
        }
        const QByteArray machineBefore = Bytes(MachineFile());
        const QByteArray userBefore = Bytes(UserFile());

        QCOMPARE(lib.registerServer(), S_OK);
        const HKEY written = machineWritable ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        QVERIFY(ReadString(written, "Software\\Classes\\CLSID\\" + kClsid));
        QCOMPARE(Bytes(machineWritable ? UserFile() : MachineFile()),
                 machineWritable ? userBefore : machineBefore);

        QCOMPARE(lib.unregisterServer(), S_OK);
        QCOMPARE(Bytes(MachineFile()), machineBefore);
        QCOMPARE(Bytes(UserFile()), userBefore);
        QCOMPARE(lib.unregisterServer(), S_OK);  // nothing left to remove is no failure
    }

    void unregisterFromEmptyStoresWritesNothing() {
        QCOMPARE(lib.unregisterServer(), S_OK);
        QVERIFY(HoldsNothing(MachineFile()));
        QVERIFY(HoldsNothing(UserFile()));
        QCOMPARE(lib.registerServer(), S_OK);
        QCOMPARE(lib.unregisterServer(), S_OK);
        QVERIFY(HoldsNothing(MachineFile()));
    }

    void programmaticIdOfAnotherClassIsLeftAlone() {
        QCOMPARE(lib.registerServer(), S_OK);
        // Another component has since taken the name over.
        QVERIFY(SetString(HKEY_LOCAL_MACHINE,
                          std::string("Software\\Classes\\") + kProgID + "\\CLSID", "",
                          kOtherClsid));
        QCOMPARE(lib.unregisterServer(), S_OK);
        QCOMPARE(ReadString(HKEY_CLASSES_ROOT, std::string(kProgID) + "\\CLSID"),
                 std::optional(kOtherClsid));
        QVERIFY(!ReadString(HKEY_CLASSES_ROOT, "CLSID\\" + kClsid));
    }

    void registerInAMachineStoreThatBecameReadOnlyMovesNothing() {
        QCOMPARE(lib.registerServer(), S_OK);
        MakeReadOnly(reg_->MachineDir());
        const QByteArray machineBefore = Bytes(MachineFile());
        // Unregistering cannot remove the machine's copy: a clear failure, nothing half-done.
        QCOMPARE(lib.unregisterServer(), SELFREG_E_CLASS);
        QVERIFY(lib.LastError().contains("HKEY_LOCAL_MACHINE"));
        QCOMPARE(Bytes(MachineFile()), machineBefore);
    }

    void registerFailsWhenNoStoreIsWritable() {
        MakeReadOnly(reg_->MachineDir());
        MakeReadOnly(reg_->UserDir());
        QCOMPARE(lib.registerServer(), SELFREG_E_CLASS);
        const QString why = lib.LastError();
        QVERIFY2(why.contains("HKEY_LOCAL_MACHINE") && why.contains("HKEY_CURRENT_USER"),
                 qPrintable(why));
        QVERIFY(HoldsNothing(MachineFile()));
        QVERIFY(HoldsNothing(UserFile()));
    }

    // A disk that fills while registration writes (a file size limit stands in for it): each
    // store ends fully registered, or byte for byte as it was.
    void registrationIsAllOrNothingInEachStore() {
        TempRegistry::WriteFile(MachineFile(), HandWrittenStore("\n"));
        const QByteArray machineBefore = Bytes(MachineFile());
        QCOMPARE(lib.registerServer(), S_OK);
        const qsizetype registered = Bytes(MachineFile()).size();
        QCOMPARE(lib.unregisterServer(), S_OK);
        QCOMPARE(Bytes(MachineFile()), machineBefore);

        const auto fullyRegistered = [](HKEY root) {
            const std::string classes = "Software\\Classes\\";
            return ReadString(root, classes + "CLSID\\" + kClsid) &&
                   ReadString(root, classes + "Interface\\" + kIid + "\\TypeLib", "Version");
        };
        std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
        rlimit unlimited{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        for (qsizetype limit = machineBefore.size(); limit <= registered; limit += 53) {
            TempRegistry::WriteFile(MachineFile(), machineBefore);
            TempRegistry::WriteFile(UserFile(), "");
            rlimit small = unlimited;
            small.rlim_cur = rlim_t(limit);
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            const HRESULT hr = lib.registerServer();
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unlimited), 0);
            const QByteArray machine = Bytes(MachineFile());
            QVERIFY2(
                machine == machineBefore || fullyRegistered(HKEY_LOCAL_MACHINE),
                qPrintable(QString("limit %1: the machine store is half registered").arg(limit)));
            const QByteArray user = Bytes(UserFile());
            QVERIFY2(user.isEmpty() || fullyRegistered(HKEY_CURRENT_USER),
                     qPrintable(QString("limit %1: the user store is half registered").arg(limit)));
            QCOMPARE(hr == S_OK, machine != machineBefore || !user.isEmpty());
        }
    }

    void registerBesideAnUnreadableMachineStore_data() {
        QTest::addColumn<bool>("huge");
        QTest::addColumn<QString>("why");
        QTest::newRow("malformed") << false << "corrupt";
        QTest::newRow("larger than any store") << true << "larger than any registry store";
    }
    void registerBesideAnUnreadableMachineStore() {
        QFETCH(bool, huge);
        QFETCH(QString, why);
        if (huge) {
            // 2 GB that cost no disk: refused by its size, never read.
            TempRegistry::WriteFile(MachineFile(), "");
            QFile file(MachineFile());
            QVERIFY(file.resize(qint64{2} << 30));
        } else {
            static const char kGarbage[] = "[Software\0\xff\xfe garbage";  // a NUL, bad UTF-8
            TempRegistry::WriteFile(MachineFile(), QByteArray(kGarbage, sizeof kGarbage - 1));
        }
        const QFileInfo before(MachineFile());
        const QByteArray bytes = huge ? QByteArray() : Bytes(MachineFile());
        QCOMPARE(lib.registerServer(), S_OK);  // into the user's store
        QVERIFY(ReadString(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\" + kClsid));
        QCOMPARE(lib.unregisterServer(), SELFREG_E_CLASS);  // the machine store cannot be read
        const QString failure = lib.LastError();
        QVERIFY2(failure.contains(why), qPrintable(failure));
        QVERIFY(!ReadString(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\" + kClsid));
        const QFileInfo after(MachineFile());
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.lastModified(), before.lastModified());
        if (!huge) {
            QCOMPARE(Bytes(MachineFile()), bytes);
        }
    }

    // Two other processes register and unregister over and over while this one reads: each
    // registration and unregistration is one unit, so a reader sees the class fully registered or
    // not at all, and no call fails because of what another process does meanwhile.
    void registrationIsOneUnitForOtherProcesses() {
        const QByteArray handWritten = HandWrittenStore("\n");
        TempRegistry::WriteFile(MachineFile(), handWritten);
        constexpr int kMilliseconds = 1500;
        std::vector<pid_t> writers;
        for (int i = 0; i < 2; ++i) {
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                bool failed = false;
                QElapsedTimer clock;
                clock.start();
                while (clock.elapsed() < kMilliseconds) {
                    failed = lib.registerServer() != S_OK || failed;
                    failed = lib.unregisterServer() != S_OK || failed;
                }
                ::_exit(failed ? 1 : 0);
            }
            writers.push_back(pid);
        }
        const QByteArray keys[] = {
            QByteArray::fromStdString("[Software\\Classes\\CLSID\\" + kClsid + "]"),
            QByteArray("[Software\\Classes\\") + kProgID + "]",
            QByteArray::fromStdString("[Software\\Classes\\TypeLib\\" + kLibid + "\\" + kVersion +
                                      "]"),
            QByteArray::fromStdString("[Software\\Classes\\Interface\\" + kIid + "]"),
            QByteArray::fromStdString("[Software\\Classes\\Interface\\" + kIid2 + "]"),
        };
        int torn = 0;
        int failedCreations = 0;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kMilliseconds) {
            const QByteArray store = Bytes(MachineFile());
            const std::size_t present =
                std::count_if(std::begin(keys), std::end(keys),
                              [&](const QByteArray& k) { return store.contains(k); });
            torn += present != 0 && present != std::size(keys);
            ComPtr<IDispatch> calc;
            const HRESULT hr = lib.createObject(kProgID, &IID_IDispatch, calc.PutVoid());
            failedCreations += hr != S_OK && hr != REGDB_E_CLASSNOTREG;
        }
        for (const pid_t pid : writers) {
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "a writer's call failed");
        }
        QCOMPARE(torn, 0);
        QCOMPARE(failedCreations, 0);
        QCOMPARE(Bytes(MachineFile()), handWritten);
    }

    void createByProgIdAndDriveThroughDispatch_data() {
        QTest::addColumn<QByteArray>("progId");
        QTest::newRow("as registered") << QByteArray(kProgID);
        QTest::newRow("other case") << QByteArray("zarnetcalc.CLSZARNETCALC");
    }
    void createByProgIdAndDriveThroughDispatch() {
        QFETCH(QByteArray, progId);
        QCOMPARE(lib.registerServer(), S_OK);
        ComPtr<IDispatch> calc;
        QCOMPARE(lib.createObject(progId.constData(), &IID_IDispatch, calc.PutVoid()), S_OK);
        QVERIFY(calc);

        QWidget owner;
        owner.show();
        ComPtr<IUnknown> form;
        QCOMPARE(lib.wrapWindow(&owner, form.Put()), S_OK);
        QCOMPARE(PutProperty(calc.Get(), u"MyOwner", MakeObject(form.Get())), S_OK);
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            for (const char* name :
                 {"cmdKeypad(9)", "cmdKeypad(15)", "cmdKeypad(1)", "cmdKeypad(18)", "cmdDone"}) {
                QTest::mouseClick(dialog->findChild<QPushButton*>(name), Qt::LeftButton);
            }
        });
        QCOMPARE(CallMethod(calc.Get(), u"Show"), S_OK);
        VARIANT result = MakeEmpty();
        QCOMPARE(GetProperty(calc.Get(), u"Result", &result), S_OK);
        QCOMPARE(result.vt, std::uint16_t(VT_R8));
        QCOMPARE(result.dblVal, 10.0);  // 9 + 1 =
    }

    void createByNameFailures_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("progId");
        QTest::addColumn<GUID>("iid");
        QTest::addColumn<HRESULT>("expected");
        const QByteArray ours(kProgID);
        QTest::newRow("nothing registered") << "" << ours << IID_IDispatch << REGDB_E_CLASSNOTREG;
        QTest::newRow("unknown identifier") << "register" << QByteArray("ZarnetCalc.clsOther")
                                            << IID_IDispatch << REGDB_E_CLASSNOTREG;
        QTest::newRow("identifier that is not UTF-8")
            << "register" << QByteArray("ZarnetCalc.cls\xff") << IID_IDispatch
            << REGDB_E_CLASSNOTREG;
        QTest::newRow("empty identifier")
            << "register" << QByteArray("") << IID_IDispatch << REGDB_E_CLASSNOTREG;
        QTest::newRow("a key path, not an identifier")
            << "register" << QByteArray("CLSID\\") + QByteArray(kClsid.c_str()) << IID_IDispatch
            << REGDB_E_CLASSNOTREG;
        QTest::newRow("malformed class id")
            << "malformed clsid" << ours << IID_IDispatch << REGDB_E_INVALIDVALUE;
        QTest::newRow("class without a library")
            << "no library" << ours << IID_IDispatch << REGDB_E_CLASSNOTREG;
        QTest::newRow("library missing")
            << "missing library" << ours << IID_IDispatch << CO_E_DLLNOTFOUND;
        QTest::newRow("library without the entry point")
            << "foreign library" << ours << IID_IDispatch << CO_E_ERRORINDLL;
        QTest::newRow("a class the library lacks")
            << "other class" << ours << IID_IDispatch << CLASS_E_CLASSNOTAVAILABLE;
        QTest::newRow("unsupported interface")
            << "register" << ours << IID_IClassFactory << E_NOINTERFACE;
        QTest::newRow("malformed store")
            << "malformed store" << ours << IID_IDispatch << REGDB_E_READREGDB;
        QTest::newRow("store folder missing")
            << "no folders" << ours << IID_IDispatch << REGDB_E_CLASSNOTREG;
    }
    void createByNameFailures() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, progId);
        QFETCH(GUID, iid);
        QFETCH(HRESULT, expected);
        const HKEY m = HKEY_LOCAL_MACHINE;
        const std::string classes = "Software\\Classes\\";
        if (!setup.isEmpty() && setup != "no folders") {
            QCOMPARE(lib.registerServer(), S_OK);
        }
        const std::string server = classes + "CLSID\\" + kClsid + "\\InprocServer32";
        if (setup == "malformed clsid") {
            QVERIFY(SetString(m, classes + kProgID + "\\CLSID", "", "D1B95FEC-F1E6"));
        } else if (setup == "no library") {
            QCOMPARE(RegDeleteTreeA(m, server.c_str()), ERROR_SUCCESS);
        } else if (setup == "missing library") {
            QVERIFY(SetString(m, server, "", "/nonexistent/libzarnetcalc.so.1"));
        } else if (setup == "foreign library") {
            QVERIFY(SetString(m, server, "", "libm.so.6"));
        } else if (setup == "other class") {
            QVERIFY(SetString(m, classes + kProgID + "\\CLSID", "", kOtherClsid));
            QVERIFY(SetString(m, classes + "CLSID\\" + kOtherClsid + "\\InprocServer32", "",
                              ZARNETCALC_LIBRARY_PATH));
        } else if (setup == "malformed store") {
            TempRegistry::WriteFile(
                MachineFile(),
                "[Software\\Classes\\ZarnetCalc.clsZarnetCalc\\CLSID]\n@=\"\xff\xfe\"\n");
        } else if (setup == "no folders") {
            TempRegistry::UseFolders(reg_->MachineDir() + "/not/there",
                                     reg_->UserDir() + "/not/there");
        }
        void* object = reinterpret_cast<void*>(1);
        QCOMPARE(lib.createObject(progId.constData(), &iid, &object), expected);
        QCOMPARE(object, nullptr);
        QVERIFY(!lib.LastError().isEmpty());
    }

    void createByNameNullArguments() {
        void* object = nullptr;
        QCOMPARE(lib.createObject(nullptr, &IID_IDispatch, &object), E_POINTER);
        QCOMPARE(lib.createObject(kProgID, nullptr, &object), E_POINTER);
        QCOMPARE(lib.createObject(kProgID, &IID_IDispatch, nullptr), E_POINTER);
        QCOMPARE(object, nullptr);
    }
};

QTEST_MAIN(tst_registration)
#include "tst_registration.moc"
