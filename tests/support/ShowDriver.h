// "Show the calculator, then play these keys" for tests and benchmarks: a timer inside the modal
// loop finds the calculator dialog and plays a script into it as a user would, with mouse
// clicks on buttons and key presses to the focused control.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

namespace zarnetcalc::testing {

// The calculator dialog while it is the active modal window, else null.
inline QWidget* CalculatorDialog() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal->findChild<QLabel*>("txtDisplay") != nullptr ? modal : nullptr;
}

inline QString DisplayOf(QWidget* dialog) {
    return dialog->findChild<QLabel*>("txtDisplay")->text();
}

// Set by <Quit> until FinishQuit: the dialog then ends only when its loop returns.
inline bool& QuitAsked() {
    static bool asked = false;
    return asked;
}

// Plays space-separated tokens into the dialog: a button by its caption (0-9 00 . * / - + ( ) =
// % FIX CE AC Close), a key (<Esc> <F2> <Enter>), or <Quit>, which asks the application to quit
// as a window manager's session end would. Stops early once the dialog has ended.
inline void Play(QWidget* dialog, const QString& script) {
    static const std::map<QString, QString> buttons = [] {
        std::map<QString, QString> m;
        for (int d = 0; d <= 9; ++d) m[QString::number(d)] = QString("cmdKeypad(%1)").arg(d);
        const char* keypad[] = {"00", ".", "*", "/", "-", "+", "(", ")", "=", "%"};
        for (int i = 0; i < 10; ++i) m[keypad[i]] = QString("cmdKeypad(%1)").arg(10 + i);
        m["FIX"] = "cmdFix";
        m["CE"] = "cmdCLR";
        m["AC"] = "cmdAC";
        m["Close"] = "cmdDone";
        return m;
    }();
    static const std::map<QString, Qt::Key> keys = {
        {"<Esc>", Qt::Key_Escape}, {"<F2>", Qt::Key_F2}, {"<Enter>", Qt::Key_Return}};

    for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
        if (!dialog->isVisible())
            return;
        if (token == "<Quit>") {
            QuitAsked() = true;
            QCoreApplication::exit(0);
        } else if (auto k = keys.find(token); k != keys.end()) {
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : dialog;
            QTest::keyClick(target, k->second);
        } else if (auto b = buttons.find(token); b != buttons.end()) {
            auto* button = dialog->findChild<QPushButton*>(b->second);
            QVERIFY2(button != nullptr, qPrintable(b->second));
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        } else {
            QFAIL(qPrintable("unknown token in the test script: " + token));
        }
    }
}

// Runs `inDialog` on the active modal window that `accepted` takes (any, when empty) as soon as
// its modal loop runs; after `giveUp` event-loop turns without one, runs `onGiveUp` instead.
// Plain Qt, so benchmarks use it too.
inline void WhenModal(std::function<void(QWidget*)> inDialog,
                      std::function<bool(QWidget*)> accepted = {},
                      std::function<void()> onGiveUp = {}, int giveUp = 100000) {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [=, ticks = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && (!accepted || accepted(modal))) {
            poll->stop();
            poll->deleteLater();
            inDialog(modal);
        } else if (++ticks > giveUp) {
            poll->deleteLater();
            if (onGiveUp)
                onGiveUp();
        }
    });
    poll->start();
}

// Runs `inDialog` on the calculator as soon as its modal loop runs. A watchdog ends a dialog that
// the script left open, so a failing test fails instead of hanging.
inline void WhenShown(std::function<void(QWidget*)> inDialog) {
    WhenModal(
        [inDialog](QWidget* dialog) {
            QPointer<QWidget> alive = dialog;
            inDialog(dialog);
            if (alive && alive->isVisible() && !QuitAsked()) {
                alive->hide();
                QFAIL("the script left the calculator open");
            }
        },
        [](QWidget*) { return CalculatorDialog() != nullptr; },
        [] { QFAIL("the calculator never opened"); });
}

// A quit asked for by <Quit> stays pending on the thread until an application loop has run;
// tests that quit call this afterwards so later modal loops run again.
inline void FinishQuit() {
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QuitAsked() = false;
}

}  // namespace zarnetcalc::testing
