// Tests of the About box dialog: opened through ShowAboutBox with a timer driving the modal loop,
// closed by Enter, Esc and the mouse, its layout, separator, icon and the unavailable message;
// the Qt platform calls it starts the system-information tool with.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <optional>

#include "RegistryTestSupport.h"
#include "forms/qt/Pictures.h"
#include "forms/qt/SysInfo.h"
#include "forms/qt/frmAbout.h"
#include "forms/qt/frmCalculator.h"

using zarnetcalc::forms::qt::frmAbout;
using zarnetcalc::forms::qt::QtSysInfoPlatform;
using zarnetcalc::forms::qt::ShowAboutBox;
using zarnetcalc::testing::TempRegistry;

namespace {

// Runs check on the modal About box once open() has brought it up; check closes it.
void WithAboutBox(const std::function<void()>& open, const std::function<void(frmAbout*)>& check) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(box));
        ran = true;
        check(box);
    });
    // A safety net, so a test that fails to close the box cannot hang.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget())
            w->close();
    });
    guard.start(5000);
    open();
    QVERIFY(ran);
}

void WithAboutBox(QWidget* parent, const std::function<void(frmAbout*)>& check) {
    WithAboutBox([parent] { ShowAboutBox(parent); }, check);
}

template <typename T>
T* Child(QWidget* box, const char* name) {
    T* w = box->findChild<T*>(QString::fromUtf8(name));
    if (w == nullptr)
        qWarning("no control %s", name);
    return w;
}

void MakeExecutable(const QString& path, const QByteArray& script) {
    TempRegistry::WriteFile(path, script);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT

  private:
    std::optional<TempRegistry> reg_;
    QTemporaryDir emptyPath_;

  private slots:
    void init() {
        reg_.emplace();
        qputenv("PATH", QFile::encodeName(emptyPath_.path()));  // nothing to discover
    }
    void cleanup() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window was left behind");
        reg_.reset();
    }

    void closes_data() {
        QTest::addColumn<int>("how");  // a key, or 0 for a click on OK, -1 for the close button
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("click OK") << 0;
        QTest::newRow("close button") << -1;
    }
    void closes() {
        QFETCH(int, how);
        QWidget owner;
        owner.show();
        QPointer<frmAbout> seen;
        WithAboutBox(&owner, [&](frmAbout* box) {
            seen = box;
            QCOMPARE(box->parentWidget(), &owner);
            QCOMPARE(box->windowTitle(), QStringLiteral("About Zarnet Calculator"));
            QCOMPARE(Child<QLabel>(box, "lblTitle")->text(), QStringLiteral("Zarnet Calculator"));
            QCOMPARE(Child<QLabel>(box, "lblVersion")->text(), QStringLiteral("Version 1.3.0"));
            QCOMPARE(QApplication::focusWidget(), Child<QPushButton>(box, "cmdOK"));
            if (how > 0) {
                QTest::keyClick(box, Qt::Key(how));
            } else if (how == 0) {
                QTest::mouseClick(Child<QPushButton>(box, "cmdOK"), Qt::LeftButton);
            } else {
                box->close();
            }
        });
        QVERIFY(seen.isNull());  // unloaded, not just hidden
        QVERIFY(owner.findChildren<frmAbout*>().isEmpty());
    }

    // The calculator's About button opens the box over the calculator, and Enter closes it.
    void opensFromTheCalculator() {
        zarnetcalc::forms::qt::frmCalculator calc;
        calc.show();
        QVERIFY(QTest::qWaitForWindowActive(&calc));
        auto* about = Child<QPushButton>(&calc, "cmdAbout");
        QVERIFY(about != nullptr);
        WithAboutBox([&] { QTest::mouseClick(about, Qt::LeftButton); },
                     [&](frmAbout* box) {
                         QCOMPARE(box->parentWidget(), &calc);
                         QTest::keyClick(box, Qt::Key_Return);
                     });
        QVERIFY(calc.isVisible());  // the calculator goes on
        QVERIFY(calc.findChildren<frmAbout*>().isEmpty());
    }

    // Enter presses the button that has the focus, so Tab then Enter asks for System Info.
    void enterOnSysInfoAsksForIt() {
        int messages = 0;
        WithAboutBox(nullptr, [&](frmAbout* box) {
            QTest::keyClick(box, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Child<QPushButton>(box, "cmdSysInfo"));
            QTimer::singleShot(0, [&] {
                auto* msg = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(msg != nullptr);
                ++messages;
                QCOMPARE(msg->text(),
                         QStringLiteral("System Information Is Unavailable At This Time"));
                QCOMPARE(msg->windowTitle(), QStringLiteral("Zarnet Calculator"));
                QCOMPARE(msg->buttons().size(), 1);
                QCOMPARE(msg->standardButton(msg->buttons().first()), QMessageBox::Ok);
                QTest::keyClick(msg, Qt::Key_Return);
            });
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            // The message closed; the About box is still up until OK.
            QCOMPARE(QApplication::activeModalWidget(), box);
            QVERIFY(box->isVisible());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(messages, 1);
    }

    void eachShowLoadsAFreshBox() {
        QPointer<frmAbout> first;
        WithAboutBox(nullptr, [&](frmAbout* box) {
            first = box;
            box->setWindowTitle("changed");
            QTest::keyClick(box, Qt::Key_Escape);
        });
        WithAboutBox(nullptr, [&](frmAbout* box) {
            QVERIFY(first.isNull());
            QCOMPARE(box->windowTitle(), QStringLiteral("About Zarnet Calculator"));
            // A second request while it is up does not open another one.
            ShowAboutBox(nullptr);
            QCOMPARE(QApplication::topLevelWidgets().size(), 1);
            QTest::keyClick(box, Qt::Key_Escape);
        });
    }

    void fixedCentredAndTidy() {
        QWidget owner;
        owner.setGeometry(0, 0, 100, 100);  // in a corner: the box still centres on the screen
        owner.show();
        WithAboutBox(&owner, [&](frmAbout* box) {
            QCOMPARE(box->size(), QSize(377, 202));  // 5652 x 3024 twips
            QCOMPARE(box->minimumSize(), box->maximumSize());
            const Qt::WindowFlags flags = box->windowFlags();
            QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
            QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
            const QPoint centre = box->screen()->availableGeometry().center();
            const QPoint off = box->frameGeometry().center() - centre;
            QVERIFY2(off.manhattanLength() <= 2, qPrintable(QString("off centre by %1,%2 of %3,%4")
                                                                .arg(off.x())
                                                                .arg(off.y())
                                                                .arg(centre.x())
                                                                .arg(centre.y())));

            const QList<QWidget*> controls =
                box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
            QCOMPARE(controls.size(), 5);
            for (QWidget* a : controls) {
                QVERIFY2(box->rect().contains(a->geometry()), qPrintable(a->objectName()));
                for (QWidget* b : controls) {
                    QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " overlaps " + b->objectName()));
                }
                if (auto* label = qobject_cast<QLabel*>(a)) {
                    QVERIFY2(label->sizeHint().width() <= label->width() &&
                                 label->fontMetrics().height() <= label->height(),
                             qPrintable(label->objectName() + " cuts off its text"));
                    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
                }
            }
            QVERIFY(Child<QLabel>(box, "lblTitle")->font().bold());
            QVERIFY(!Child<QLabel>(box, "Label1(1)")->text().isEmpty());
            QVERIFY(Child<QPushButton>(box, "cmdOK")->isDefault());
            QCOMPARE(Child<QPushButton>(box, "cmdSysInfo")->text(),
                     QStringLiteral("&System Info..."));
            QCOMPARE(Child<QPushButton>(box, "cmdOK")->nextInFocusChain(),
                     Child<QPushButton>(box, "cmdSysInfo"));
            QTest::keyClick(box, Qt::Key_Escape);
        });
    }

    // The separator: a black line with a light one right under it, across the box.
    void etchedSeparator() {
        WithAboutBox(nullptr, [&](frmAbout* box) {
            const QImage image = box->grab().toImage();
            const QColor face = box->palette().color(QPalette::Window);
            const QColor light = box->palette().color(QPalette::Base);
            for (int x : {9, 100, 300, 366}) {
                QCOMPARE(image.pixelColor(x, 103), face);
                QCOMPARE(image.pixelColor(x, 104), QColor(Qt::black));
                QCOMPARE(image.pixelColor(x, 105), light);
                QCOMPARE(image.pixelColor(x, 106), face);
            }
            QCOMPARE(image.pixelColor(3, 104), face);  // inset from the edges
            QCOMPARE(image.pixelColor(372, 105), face);
            QTest::keyClick(box, Qt::Key_Escape);
        });
    }

    void iconIsAQuestionMarkOnAGreenDisc() {
        const QImage image = zarnetcalc::forms::qt::AboutIcon().pixmap(32, 32).toImage();
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);  // round, not square
        const QColor rim = image.pixelColor(16, 3);
        QVERIFY(rim.green() > 80 && rim.red() < 30 && rim.blue() < 30);
        int white = 0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                const QColor c = image.pixelColor(x, y);
                white += c.red() > 200 && c.green() > 200 && c.blue() > 200 ? 1 : 0;
            }
        }
        QVERIFY(white > 10);
    }
    // Qt's launcher runs a program whose path is full of shell characters, and runs nothing when
    // given a shell command.
    void realLauncherUsesNoShell() {
        QTemporaryDir dir;
        const QString marker = dir.path() + "/started";
        const QString pwned = dir.path() + "/pwned";
        const QString program = dir.path() + "/my tool; touch " + pwned + " $(id)";
        MakeExecutable(program, "#!/bin/sh\n: > '" + QFile::encodeName(marker) + "'\n");
        const zarnetcalc::about::SysInfoPlatform real = QtSysInfoPlatform();
        QVERIFY(real.FileExists(program.toStdString()));
        QVERIFY(real.StartProgram(program.toStdString()));
        QTRY_VERIFY(QFile::exists(marker));

        QVERIFY(!real.StartProgram(("x; touch " + pwned).toStdString()));
        QVERIFY(!real.StartProgram(""));
        QVERIFY(!real.StartProgram(std::string("/bin/true\0x", 11)));
        QVERIFY(!real.FileExists(dir.path().toStdString()));  // a folder is not the tool
        QVERIFY(!real.FileExists(""));
        QTest::qWait(100);
        QVERIFY(!QFile::exists(pwned));
    }

    // The PATH search finds executables only, and sees a PATH changed after start.
    void findsProgramsOnPath() {
        QTemporaryDir bin;
        MakeExecutable(bin.path() + "/lxtask", "#!/bin/sh\n");
        TempRegistry::WriteFile(bin.path() + "/hardinfo", "#!/bin/sh\n");  // not executable
        const zarnetcalc::about::SysInfoPlatform real = QtSysInfoPlatform();
        QCOMPARE(real.FindProgram("lxtask"), std::string());
        qputenv("PATH", QFile::encodeName(emptyPath_.path() + ":" + bin.path()));
        QCOMPARE(real.FindProgram("lxtask"), (bin.path() + "/lxtask").toStdString());
        QCOMPARE(real.FindProgram("hardinfo"), std::string());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmAbout.moc"
