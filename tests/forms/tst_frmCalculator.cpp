// The calculator dialog driven by real key and mouse events through its window: focus after
// each kind of key, Enter as equals, the ways the dialog ends, the error lockout, tab order, the
// geometry of the controls in twips, and what the window system and a screen reader meet.
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <QtTest/qtestspontaneevent.h>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

#include "forms/qt/frmCalculator.h"

using zarnetcalc::forms::qt::frmCalculator;

namespace {

// The accessibility events a screen reader would be sent, with the object's name and what it
// would read: the new name for a name change, the inserted text for a text update.
struct Heard {
    QAccessible::Event type;
    QString object;
    QString text;
};
QList<Heard>* g_heard = nullptr;

void RecordAccessibilityEvent(QAccessibleEvent* event) {
    if (g_heard == nullptr) {
        return;
    }
    QString text;
    if (event->type() == QAccessible::NameChanged) {
        text = event->accessibleInterface()->text(QAccessible::Name);
    } else if (event->type() == QAccessible::TextUpdated) {
        text = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    }
    g_heard->append({event->type(), event->object()->objectName(), text});
}

// Turns accessibility on, as the platform does when a screen reader runs (Qt sends no events
// before), and records the events while it lives.
class Listener {
  public:
    Listener() : previous_(QAccessible::installUpdateHandler(RecordAccessibilityEvent)) {
        g_heard = &heard;
        Platform()->setActive(true);
    }
    ~Listener() {
        Platform()->setActive(false);
        QAccessible::installUpdateHandler(previous_);
        g_heard = nullptr;
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    QStringList Texts(QAccessible::Event type, const QString& object) const {
        QStringList texts;
        for (const Heard& h : heard) {
            if (h.type == type && h.object == object) {
                texts << h.text;
            }
        }
        return texts;
    }

    QList<Heard> heard;

  private:
    static QPlatformAccessibility* Platform() {
        return QGuiApplicationPrivate::platformIntegration()->accessibility();
    }
    QAccessible::UpdateHandler previous_;
};

}  // namespace

class tst_frmCalculator : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void keys_data();
    void keys();
    void dialogEnds_data();
    void dialogEnds();
    void windowCloseIsRefused();
    void errorLockout_data();
    void errorLockout();
    void tabOrderFromOneKey();
    void geometryInTwips_data();
    void geometryInTwips();
    void hiddenButtonsOutOfMouseReach();
    void placementProperties();
    void controlsAreNamed();
    void appearance();
    void longNumbersAreReadable_data();
    void longNumbersAreReadable();
    void displayMenu_data();
    void displayMenu();
    void focusIsShown();
    void minimisedComesBack();
    void screenReaderHearsTheDisplay();

  private:
    void ShowDialog();
    void Play(const QString& script);
    QString FocusName() const;
    template <class T = QWidget>
    T* Control(const QString& name) const {
        T* control = dlg_->findChild<T*>(name);
        if (control == nullptr) {
            qFatal("no control %s", qPrintable(name));
        }
        return control;
    }

    std::unique_ptr<frmCalculator> dlg_;
};

void tst_frmCalculator::init() {
    dlg_ = std::make_unique<frmCalculator>();
}

void tst_frmCalculator::cleanup() {
    dlg_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void tst_frmCalculator::ShowDialog() {
    dlg_->show();
    dlg_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dlg_.get()));
}

QString tst_frmCalculator::FocusName() const {
    QWidget* focus = dlg_->focusWidget();
    return focus != nullptr ? focus->objectName() : QString();
}

// Plays a space-separated script through the dialog's window, as the platform would deliver it:
// a single character is that key on the main keyboard, "numX" the keypad key typing X,
// "click:name" a mouse click at the control's centre, others are named keys.
void tst_frmCalculator::Play(const QString& script) {
    QWindow* window = dlg_->windowHandle();
    QVERIFY(window != nullptr);
    const QStringList tokens = script.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (token.startsWith(QLatin1String("click:"))) {
            QWidget* control = Control(token.mid(6));
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier,
                              control->mapTo(dlg_.get(), control->rect().center()));
        } else if (token == QLatin1String("Enter")) {
            QTest::keyClick(window, Qt::Key_Return);
        } else if (token == QLatin1String("numEnter")) {
            QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
        } else if (token == QLatin1String("Space")) {
            QTest::keyClick(window, Qt::Key_Space);
        } else if (token == QLatin1String("Tab")) {
            QTest::keyClick(window, Qt::Key_Tab);
        } else if (token == QLatin1String("Esc")) {
            QTest::keyClick(window, Qt::Key_Escape);
        } else if (token == QLatin1String("F2")) {
            QTest::keyClick(window, Qt::Key_F2);
        } else if (token.startsWith(QLatin1String("Alt+"))) {
            // An access key "animates" its button: the click follows about 100 ms later.
            QTest::keyClick(window, token.at(4).toLower().toLatin1(), Qt::AltModifier);
            QTest::qWait(250);
        } else if (token == QLatin1String("Shift+8")) {  // US layout: types "*"
            QTest::keyClick(window, Qt::Key_Asterisk, Qt::ShiftModifier);
        } else if (token.startsWith(QLatin1String("Shift+"))) {  // French top row: types digit
            QTest::keyClick(window, Qt::Key(Qt::Key_0 + token.mid(6).toInt()), Qt::ShiftModifier);
        } else if (token == QLatin1String("numComma")) {  // decimal key of a "," layout
            QTest::keyClick(window, Qt::Key_Comma, Qt::KeypadModifier);
        } else if (token.startsWith(QLatin1String("num"))) {
            QTest::keyClick(window, token.at(3).toLatin1(), Qt::KeypadModifier);
        } else if (token.size() == 1) {
            QTest::keyClick(window, token.at(0).toLatin1());
        } else {
            QFAIL(qPrintable("unknown script token " + token));
        }
    }
}

void tst_frmCalculator::keys_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("focus");

    const QString tmp = QStringLiteral("cmdTmp");
    QTest::newRow("nothing pressed") << ""
                                     << "0"
                                     << "cmdKeypad(1)";
    QTest::newRow("Enter before any key presses 1") << "Enter"
                                                    << "1" << tmp;
    QTest::newRow("Space before any key presses 1") << "Space"
                                                    << "1" << tmp;
    QTest::newRow("main keyboard digits") << "1 2 0"
                                          << "120" << tmp;
    QTest::newRow("keypad digits") << "num4 num0 num9"
                                   << "409" << tmp;
    QTest::newRow("Enter after a key is equals") << "2 + 3 Enter"
                                                 << "5" << tmp;
    QTest::newRow("keypad Enter is equals") << "2 * 3 numEnter"
                                            << "6" << tmp;
    QTest::newRow("Space on cmdTmp is equals") << "9 - 4 Space"
                                               << "5" << tmp;
    QTest::newRow("repeated Enter repeats nothing new") << "2 + 3 Enter Enter"
                                                        << "5" << tmp;
    QTest::newRow("keypad plus applied once") << "num5 num+ num3 numEnter"
                                              << "8" << tmp;
    QTest::newRow("keypad operators") << "num8 num/ num2 num- num1 num* num3 Enter"
                                      << "9" << tmp;
    QTest::newRow("shift+8 applies * alone") << "5 Shift+8 3 Enter"
                                             << "15" << tmp;
    QTest::newRow("shifted top row enters digits") << "Shift+1 Shift+2 + 1 Enter"
                                                   << "13" << tmp;
    QTest::newRow("keypad decimal typing comma") << "1 numComma 5"
                                                 << "1.5" << tmp;
    QTest::newRow("keypad decimal typing point") << "1 num. 5"
                                                 << "1.5" << tmp;
    QTest::newRow("main keyboard point") << "2 . 2 5"
                                         << "2.25" << tmp;
    QTest::newRow("main keyboard comma does nothing") << "2 , 5"
                                                      << "25" << tmp;
    QTest::newRow("percent key") << "2 0 0 + 1 0 %"
                                 << "220" << tmp;
    QTest::newRow("parentheses move only the focus") << "click:cmdKeypad(4) ( )"
                                                     << "4" << tmp;
    QTest::newRow("letters do nothing") << "7 a x"
                                        << "7"
                                        << "cmdTmp";
    QTest::newRow("mouse on keys") << "click:cmdKeypad(7) click:cmdKeypad(15) click:cmdKeypad(2) "
                                      "click:cmdKeypad(18)"
                                   << "9" << tmp;
    QTest::newRow("mouse then Enter") << "click:cmdKeypad(6) click:cmdKeypad(12) 7 Enter"
                                      << "42" << tmp;
    QTest::newRow("double zero key") << "1 click:cmdKeypad(10)"
                                     << "100" << tmp;
    QTest::newRow("CE shows 0.00 under FIX 3") << "click:cmdFix 3 1 2 click:cmdCLR"
                                               << "0.00" << tmp;
    QTest::newRow("CE by access key") << "5 Alt+E"
                                      << "0.00" << tmp;
    QTest::newRow("AC button") << "5 + 2 click:cmdAC"
                               << "0" << tmp;
    QTest::newRow("FIX button") << "click:cmdFix"
                                << "0" << tmp;
    // FIX moves the focus to cmdTmp; Tab takes it on to "%"; the digit after FIX leaves it there.
    QTest::newRow("FIX then digit keeps focus") << "click:cmdFix Tab 2"
                                                << "0.00"
                                                << "cmdKeypad(19)";
    QTest::newRow("Tab from 1 then Enter presses 2") << "Tab Enter"
                                                     << "2" << tmp;
}

void tst_frmCalculator::keys() {
    QFETCH(QString, script);
    QFETCH(QString, display);
    QFETCH(QString, focus);

    ShowDialog();
    Play(script);
    QCOMPARE(dlg_->DisplayText(), display);
    QCOMPARE(FocusName(), focus);
    QVERIFY(dlg_->isVisible());
    QCOMPARE(dlg_->Tag(), QString());
}

void tst_frmCalculator::dialogEnds_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("display");

    QTest::newRow("Esc") << "4 2 Esc"
                         << "Cancelled"
                         << "42";
    QTest::newRow("Esc with focus on a key") << "Tab Tab Esc"
                                             << "Cancelled"
                                             << "0";
    QTest::newRow("F2") << "4 2 F2"
                        << "OK"
                        << "42";
    QTest::newRow("Close button") << "7 click:cmdDone"
                                  << "OK"
                                  << "7";
    QTest::newRow("Close by access key") << "7 Alt+C"
                                         << "OK"
                                         << "7";
    QTest::newRow("Esc in the error state") << "8 / 0 Enter Esc"
                                            << "Cancelled"
                                            << "Error";
    QTest::newRow("F2 in the error state") << "8 / 0 Enter F2"
                                           << "OK"
                                           << "Error";
}

// Each row runs the dialog modally, as the component does, and ends it from the keyboard.
void tst_frmCalculator::dialogEnds() {
    QFETCH(QString, script);
    QFETCH(QString, tag);
    QFETCH(QString, display);

    dlg_->setWindowModality(Qt::ApplicationModal);
    bool played = false;
    QTimer::singleShot(0, this, [&] {
        if (QTest::qWaitForWindowExposed(dlg_.get())) {
            Play(script);
        }
        played = true;
        if (dlg_->isVisible()) {
            dlg_->done(-1);  // the script failed to end the dialog: do not hang
        }
    });
    const int result = dlg_->exec();
    QVERIFY(played);
    QVERIFY(result != -1);
    QVERIFY(!dlg_->isVisible());
    QCOMPARE(dlg_->Tag(), tag);
    QCOMPARE(dlg_->DisplayText(), display);
}

void tst_frmCalculator::windowCloseIsRefused() {
    ShowDialog();
    Play("5");
    QCloseEvent fromWindowManager;
    QSpontaneKeyEvent::setSpontaneous(&fromWindowManager);
    QApplication::sendEvent(dlg_.get(), &fromWindowManager);
    QVERIFY(dlg_->isVisible());
    QCOMPARE(dlg_->Tag(), QString());
    QCOMPARE(dlg_->DisplayText(), QString("5"));
}

void tst_frmCalculator::errorLockout_data() {
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("afterAC");

    // The keyboard reaches the keypad handler directly, disabled keys or not. The failed
    // division keeps the entry "0" it was given, so new digits follow it.
    QTest::newRow("main keyboard digit") << "7"
                                         << "07"
                                         << "7";
    QTest::newRow("keypad digit") << "num3"
                                  << "03"
                                  << "7";
    QTest::newRow("digit then equals divides again") << "4 Enter"
                                                     << "2"
                                                     << "7";
    // The point key turns decimal mode on, which outlives AC: whole results show a point.
    QTest::newRow("keypad point") << "num. 5"
                                  << "0.5"
                                  << "7.";
}

void tst_frmCalculator::errorLockout() {
    QFETCH(QString, after);
    QFETCH(QString, display);
    QFETCH(QString, afterAC);

    ShowDialog();
    Play("8 / 0 Enter");
    QCOMPARE(dlg_->DisplayText(), QString("Error"));

    const QStringList stayEnabled{"cmdAC", "cmdDone", "cmdCancel", "cmdTmp"};
    int disabled = 0;
    for (QWidget* control : dlg_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool expected = stayEnabled.contains(control->objectName());
        QVERIFY2(control->isEnabled() == expected, qPrintable(control->objectName()));
        disabled += expected ? 0 : 1;
    }
    QCOMPARE(disabled, 27);  // 20 keys, FIX, CE, About and the four labels
    QVERIFY(!Control<QTimer>("Timer1")->isActive());
    QCOMPARE(FocusName(), QString("cmdTmp"));

    Play(after);
    QCOMPARE(dlg_->DisplayText(), display);

    Play("click:cmdAC");
    QCOMPARE(dlg_->DisplayText(), QString("0"));
    for (QWidget* control : dlg_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }
    QVERIFY(!Control<QTimer>("Timer1")->isActive());
    Play("6 + 1 Enter");
    QCOMPARE(dlg_->DisplayText(), afterAC);
}

void tst_frmCalculator::tabOrderFromOneKey() {
    ShowDialog();
    const QStringList expected{"cmdKeypad(2)",  "cmdKeypad(3)",  "cmdKeypad(4)",  "cmdKeypad(5)",
                               "cmdKeypad(6)",  "cmdKeypad(7)",  "cmdKeypad(8)",  "cmdKeypad(9)",
                               "cmdKeypad(0)",  "cmdKeypad(10)", "cmdKeypad(11)", "cmdKeypad(12)",
                               "cmdKeypad(13)", "cmdKeypad(14)", "cmdKeypad(15)", "cmdKeypad(18)",
                               "cmdKeypad(16)", "cmdKeypad(17)", "cmdCancel",     "cmdAC",
                               "cmdCLR",        "cmdDone",       "cmdFix",        "cmdTmp",
                               "cmdKeypad(19)", "cmdAbout",      "cmdKeypad(1)"};
    QCOMPARE(FocusName(), QString("cmdKeypad(1)"));
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(dlg_->windowHandle(), Qt::Key_Tab);
        visited << FocusName();
    }
    QCOMPARE(visited, expected);
    QCOMPARE(dlg_->DisplayText(), QString("0"));  // Tab is no calculator key
}

void tst_frmCalculator::geometryInTwips_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("display") << "txtDisplay" << QRect(120, 120, 2292, 492);
    QTest::newRow("key 1") << "cmdKeypad(1)" << QRect(120, 2160, 372, 372);
    QTest::newRow("key 9") << "cmdKeypad(9)" << QRect(1080, 1200, 372, 372);
    QTest::newRow("equals, two rows high") << "cmdKeypad(18)" << QRect(2040, 2160, 372, 852);
    QTest::newRow("percent") << "cmdKeypad(19)" << QRect(1560, 720, 372, 372);
    QTest::newRow("Close, two columns wide") << "cmdDone" << QRect(1560, 3120, 852, 372);
    QTest::newRow("About") << "cmdAbout" << QRect(2040, 720, 372, 372);
    QTest::newRow("FIX indicator") << "lblSubDisplay(0)" << QRect(168, 168, 252, 144);
    QTest::newRow("cmdTmp") << "cmdTmp" << QRect(2160, 2280, 132, 252);
}

// Every edge lies within half a pixel (7.5 twips) of where the table puts it.
void tst_frmCalculator::geometryInTwips() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);

    const QRect px = Control(name)->geometry();
    const auto near = [](int pixels, int twipsValue) {
        return qAbs(pixels * 15 - twipsValue) <= 7;
    };
    QVERIFY2(near(px.x(), twips.x()), qPrintable(QString::number(px.x())));
    QVERIFY2(near(px.y(), twips.y()), qPrintable(QString::number(px.y())));
    QVERIFY2(near(px.x() + px.width(), twips.x() + twips.width()),
             qPrintable(QString::number(px.width())));
    QVERIFY2(near(px.y() + px.height(), twips.y() + twips.height()),
             qPrintable(QString::number(px.height())));
}

void tst_frmCalculator::hiddenButtonsOutOfMouseReach() {
    ShowDialog();
    QWidget* equals = Control("cmdKeypad(18)");
    for (const char* name : {"cmdTmp", "cmdCancel"}) {
        QWidget* hidden = Control(name);
        QVERIFY(equals->geometry().contains(hidden->geometry()));
        QCOMPARE(dlg_->childAt(hidden->geometry().center()), equals);
    }
    // The indicators are in front of the display.
    QCOMPARE(dlg_->childAt(Control("lblSubDisplay(0)")->geometry().center()),
             Control("lblSubDisplay(0)"));
    // A click there is "=" and leaves the tag alone.
    Play("3 + 4 click:cmdTmp");
    QCOMPARE(dlg_->DisplayText(), QString("7"));
    QCOMPARE(dlg_->Tag(), QString());
}

void tst_frmCalculator::placementProperties() {
    // A fixed client area of 2532 x 3612 twips, to the nearest pixel.
    QCOMPARE(dlg_->minimumSize(), dlg_->maximumSize());
    QVERIFY(qAbs(dlg_->width() * 15 - 2532) <= 7);
    QVERIFY(qAbs(dlg_->height() * 15 - 3612) <= 7);

    // The outer size is known before the dialog is placed, and showing it does not change it,
    // so placement code can centre it before the show.
    const float width = dlg_->Width();
    const float height = dlg_->Height();
    QVERIFY(width >= dlg_->width() * 15.0f);
    QVERIFY(height >= dlg_->height() * 15.0f);

    dlg_->MoveTo(1500.0f, 3000.0f);
    ShowDialog();
    QCOMPARE(dlg_->Left(), 1500.0f);
    QCOMPARE(dlg_->Top(), 3000.0f);
    QCOMPARE(dlg_->Width(), width);
    QCOMPARE(dlg_->Height(), height);

    // Nonsense leaves the window where it was.
    dlg_->MoveTo(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity());
    QCOMPARE(dlg_->Left(), 1500.0f);
    QCOMPARE(dlg_->Top(), 3000.0f);
    dlg_->MoveTo(-1.0e30f, 3000.0f);
    QVERIFY(dlg_->Left() < 0);
    QVERIFY(dlg_->isVisible());
}

void tst_frmCalculator::controlsAreNamed() {
    QStringList names{"cmdAbout",   "cmdFix",           "cmdDone",         "cmdCLR",
                      "cmdAC",      "cmdCancel",        "cmdTmp",          "lblErrorCode",
                      "txtDisplay", "lblSubDisplay(0)", "lblSubDisplay(1)"};
    for (int i = 0; i < 20; ++i) {
        names << QString("cmdKeypad(%1)").arg(i);
    }
    for (const QString& name : names) {
        const QList<QWidget*> found = dlg_->findChildren<QWidget*>(name);
        QVERIFY2(found.size() == 1, qPrintable(name));
        QVERIFY2(!found.front()->accessibleName().isEmpty(), qPrintable(name));
    }
    QCOMPARE(Control("cmdKeypad(18)")->accessibleName(), QString("Equals"));
    QCOMPARE(Control("cmdKeypad(13)")->property("Index").toInt(), 13);
    QCOMPARE(Control("lblSubDisplay(1)")->property("Index").toInt(), 1);
    QCOMPARE(dlg_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), names.size());

    // Designed running, stopped by the reset at load, 1 ms when it runs.
    auto* timer = Control<QTimer>("Timer1");
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 1);
}

void tst_frmCalculator::appearance() {
    QCOMPARE(dlg_->windowTitle(), QString("Calculator"));
    const Qt::WindowFlags flags = dlg_->windowFlags();
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                       Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!dlg_->testAttribute(Qt::WA_DeleteOnClose));

    for (QPushButton* button : dlg_->findChildren<QPushButton*>()) {
        QVERIFY2(!button->autoDefault() && !button->isDefault(), qPrintable(button->objectName()));
    }
    QCOMPARE(Control<QPushButton>("cmdFix")->text(), QString("&FIX"));
    QCOMPARE(Control<QPushButton>("cmdCLR")->text(), QString("C&E"));

    for (const char* name : {"txtDisplay", "lblSubDisplay(0)", "lblSubDisplay(1)"}) {
        QLabel* label = Control<QLabel>(name);
        for (auto group : {QPalette::Active, QPalette::Disabled}) {
            QCOMPARE(label->palette().color(group, QPalette::WindowText), QColor(0, 255, 0));
            QCOMPARE(label->palette().color(group, QPalette::Window), QColor(Qt::black));
        }
        QVERIFY(label->autoFillBackground());
    }
    auto* display = Control<QLabel>("txtDisplay");
    QVERIFY(display->alignment() & Qt::AlignRight);
    QCOMPARE(display->frameShape(), QFrame::Box);
    QCOMPARE(display->font().pointSizeF(), 9.6);
    QCOMPARE(Control<QLabel>("lblSubDisplay(1)")->font().pointSizeF(), 7.8);

    // The About picture: 16 x 16, with yellow in it.
    auto* about = Control<QPushButton>("cmdAbout");
    QCOMPARE(about->iconSize(), QSize(16, 16));
    const QImage picture = about->icon().pixmap(QSize(16, 16), 1.0).toImage();
    QCOMPARE(picture.size(), QSize(16, 16));
    int yellow = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QColor c = picture.pixelColor(x, y);
            yellow += (c.alpha() > 200 && c.red() > 200 && c.green() > 200 && c.blue() < 80);
        }
    }
    QVERIFY2(yellow >= 10, qPrintable(QString::number(yellow)));
}

// At open the "1" key, which Enter presses, shows the focus; once the focus rests on the hidden
// cmdTmp, the "=" key looks like the button Enter presses.
void tst_frmCalculator::longNumbersAreReadable_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a negative fraction of 15 digits") << "0 - . 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 Enter"
                                                      << "-0.123456789012345";
    QTest::newRow("a result in exponent form") << ". 1 - 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 Enter"
                                               << "-1.23456789012346E+16";
    QTest::newRow("an entry of 40 digits")
        << "1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0"
        << "1234567890123456789012345678901234567890";
}

// What is drawn, not only the label's text: the display's ink starts right of the indicators in
// front of its left end, and hiding them uncovers nothing.
void tst_frmCalculator::longNumbersAreReadable() {
    QFETCH(QString, script);
    QFETCH(QString, shown);
    ShowDialog();
    Play(script);
    QCOMPARE(dlg_->DisplayText(), shown);

    const QRect display = Control("txtDisplay")->geometry();
    const int indicatorsRight = Control("lblSubDisplay(0)")->geometry().right();
    auto leftmostInk = [&] {
        const QImage image = dlg_->grab().toImage();
        for (int x = display.left() + 2; x < display.right() - 1; ++x) {
            for (int y = display.top() + 2; y < display.bottom() - 1; ++y) {
                if (qGreen(image.pixel(x, y)) > 96)
                    return x;
            }
        }
        return -1;
    };
    const int shownWithIndicators = leftmostInk();
    Control("lblSubDisplay(0)")->hide();
    Control("lblSubDisplay(1)")->hide();
    QCOMPARE(leftmostInk(), shownWithIndicators);
    QVERIFY2(shownWithIndicators > indicatorsRight,
             qPrintable(QString("ink at %1, the indicators end at %2")
                            .arg(shownWithIndicators)
                            .arg(indicatorsRight)));
}

void tst_frmCalculator::displayMenu_data() {
    QTest::addColumn<QString>("openedBy");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("pasteEnabled");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("clipboardAfter");
    QTest::newRow("right click, Copy") << "click"
                                       << "x"
                                       << "&Copy" << false << "7"
                                       << "7";
    QTest::newRow("Menu key, Paste") << "Menu"
                                     << "12"
                                     << "&Paste" << true << "712"
                                     << "12";
    QTest::newRow("Shift+F10, left with Esc") << "Shift+F10"
                                              << "1e5"
                                              << "" << false << "7"
                                              << "1e5";
}

// The display's menu: Copy, and Paste greyed while the clipboard holds nothing to paste; the
// focus is where it was once the menu has gone.
void tst_frmCalculator::displayMenu() {
    QFETCH(QString, openedBy);
    QFETCH(QString, clipboard);
    QFETCH(QString, chosen);
    QFETCH(bool, pasteEnabled);
    QFETCH(QString, display);
    QFETCH(QString, clipboardAfter);
    ShowDialog();
    Play("7");
    QGuiApplication::clipboard()->setText(clipboard);
    bool seen = false;
    QTimer poll;  // until the menu is up
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr)
            return;
        poll.stop();
        seen = true;
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 2);
        QVERIFY(actions[0]->isEnabled());
        QCOMPARE(actions[1]->isEnabled(), pasteEnabled);
        for (QAction* action : actions) {
            if (action->text() == chosen)
                menu->setActiveAction(action);
        }
        QTest::keyClick(menu, chosen.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
    });
    poll.start(0);
    QWindow* window = dlg_->windowHandle();
    if (openedBy == "click") {
        QWidget* label = Control("txtDisplay");
        QContextMenuEvent event(QContextMenuEvent::Mouse, label->rect().center(),
                                label->mapToGlobal(label->rect().center()));
        QApplication::sendEvent(label, &event);
    } else if (openedBy == "Menu") {
        QTest::keyClick(window, Qt::Key_Menu);
    } else {
        QTest::keyClick(window, Qt::Key_F10, Qt::ShiftModifier);
    }
    QTRY_VERIFY(seen);
    poll.stop();
    QCOMPARE(dlg_->DisplayText(), display);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
    QCOMPARE(FocusName(), QString("cmdTmp"));
}

void tst_frmCalculator::focusIsShown() {
    ShowDialog();
    QWidget* one = Control("cmdKeypad(1)");
    QWidget* equals = Control("cmdKeypad(18)");
    const QImage oneAtOpen = one->grab().toImage();
    const QImage equalsAtOpen = equals->grab().toImage();
    Play("5");
    QCOMPARE(FocusName(), QString("cmdTmp"));
    QVERIFY(one->grab().toImage() != oneAtOpen);
    QVERIFY(equals->grab().toImage() != equalsAtOpen);
    Play("Tab");  // the focus leaves cmdTmp: "=" looks as it did
    QCOMPARE(equals->grab().toImage(), equalsAtOpen);
}

// A window manager that minimises the modal dialog anyway gets it back at once.
void tst_frmCalculator::minimisedComesBack() {
    ShowDialog();
    dlg_->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(!dlg_->isMinimized());
    QVERIFY(dlg_->isVisible());
    Play("4");
    QCOMPARE(dlg_->DisplayText(), QString("4"));
}

// A screen reader hears every new figure, "Error" included, from the object with the focus; it
// reads the display and the FIX indicator by their text and value; and the controls no listener
// needs are reported as not shown while the enable and disable walks still reach them.
void tst_frmCalculator::screenReaderHearsTheDisplay() {
    ShowDialog();
    Listener listener;
    Play("8 / 0 Enter click:cmdAC click:cmdFix");

    const QStringList figures{"8", "0", "Error", "0"};
    QCOMPARE(listener.Texts(QAccessible::NameChanged, "cmdTmp"), figures);
    QCOMPARE(listener.Texts(QAccessible::TextUpdated, "txtDisplay"), figures);
    QCOMPARE(listener.Texts(QAccessible::TextUpdated, "lblSubDisplay(0)"), QStringList{"FIX"});

    QCOMPARE(FocusName(), QString("cmdTmp"));
    QAccessibleInterface* focus = QAccessible::queryAccessibleInterface(Control("cmdTmp"));
    QCOMPARE(focus->text(QAccessible::Name), QString("0"));
    QVERIFY(focus->role() != QAccessible::Button);
    QVERIFY(focus->state().focused);

    for (const char* name : {"txtDisplay", "lblSubDisplay(0)"}) {
        QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(Control(name));
        QAccessibleTextInterface* text = readout->textInterface();
        QVERIFY2(text != nullptr, name);
        QCOMPARE(readout->text(QAccessible::Value), Control<QLabel>(name)->text());
        QCOMPARE(text->text(0, text->characterCount()), Control<QLabel>(name)->text());
        QVERIFY(!readout->state().invisible);
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(Control("lblSubDisplay(0)"))
                 ->text(QAccessible::Value),
             QString("FIX"));

    for (const char* name : {"cmdCancel", "lblErrorCode", "lblSubDisplay(1)"}) {
        QVERIFY2(QAccessible::queryAccessibleInterface(Control(name))->state().invisible, name);
    }
    QVERIFY(!QAccessible::queryAccessibleInterface(Control("cmdKeypad(1)"))->state().invisible);
}

QTEST_MAIN(tst_frmCalculator)
#include "tst_frmCalculator.moc"
