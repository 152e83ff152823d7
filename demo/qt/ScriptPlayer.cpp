// The scripted mode's player. It runs inside the calculator's modal loop, one token per event
// loop turn, so the dialog repaints and handles each input as it would for a person.
#include "ScriptPlayer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <cstdio>

namespace zarnetcalc::demo {

namespace {

// The key as Qt reports it from a US keyboard: a named key by its name, any other by the
// character it types (Qt's code for a printable character is its upper-case form).
Qt::Key QtKey(const KeyStroke& stroke) {
    switch (stroke.named) {
        case KeyStroke::Named::None:
            // With Ctrl a letter types a control character: the key is the letter's.
            return static_cast<Qt::Key>(
                QChar(stroke.ctrl ? stroke.key : stroke.typed).toUpper().unicode());
        case KeyStroke::Named::Enter:
            return Qt::Key_Return;
        case KeyStroke::Named::Space:
            return Qt::Key_Space;
        case KeyStroke::Named::Esc:
            return Qt::Key_Escape;
        case KeyStroke::Named::F2:
            return Qt::Key_F2;
        case KeyStroke::Named::Tab:
            return Qt::Key_Tab;
        case KeyStroke::Named::Insert:
            return Qt::Key_Insert;
    }
    return Qt::Key_unknown;
}

// Presses and releases one key on a widget as the platform delivers it: modifier keys first,
// the shortcut override (so that Alt+F reaches the &FIX mnemonic), then press and release.
void SendKey(QWidget* target, const KeyStroke& stroke) {
    const Qt::Key key = QtKey(stroke);
    Qt::KeyboardModifiers modifiers;
    modifiers.setFlag(Qt::KeypadModifier, stroke.keypad);
    modifiers.setFlag(Qt::ShiftModifier, stroke.shift);
    modifiers.setFlag(Qt::AltModifier, stroke.alt);
    modifiers.setFlag(Qt::ControlModifier, stroke.ctrl);
    const QString text = stroke.typed != 0 ? QString(QChar(stroke.typed)) : QString();
    QPointer<QWidget> alive = target;
    auto send = [&](QEvent::Type type, int k, Qt::KeyboardModifiers m, const QString& t) {
        if (alive.isNull())
            return;
        QKeyEvent event(type, k, m, t);
        if (type == QEvent::KeyPress &&
            qt_sendShortcutOverrideEvent(alive, event.timestamp(), k, m, t))
            return;
        QApplication::sendEvent(alive, &event);
    };
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    if (held & Qt::ShiftModifier)
        send(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, {});
    if (held & Qt::ControlModifier)
        send(QEvent::KeyPress, Qt::Key_Control, held, {});
    if (held & Qt::AltModifier)
        send(QEvent::KeyPress, Qt::Key_Alt, held, {});
    send(QEvent::KeyPress, key, modifiers, text);
    send(QEvent::KeyRelease, key, modifiers, text);
    if (held & Qt::AltModifier)
        send(QEvent::KeyRelease, Qt::Key_Alt, held, {});
    if (held & Qt::ControlModifier)
        send(QEvent::KeyRelease, Qt::Key_Control, held, {});
    if (held & Qt::ShiftModifier)
        send(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier, {});
}

QString LabelText(QWidget* dialog, const char* name) {
    const auto* label = dialog->findChild<QLabel*>(name);
    return label != nullptr ? label->text() : QString();
}

void Print(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

}  // namespace

ScriptPlayer::ScriptPlayer(std::vector<KeyToken> tokens, QString screenshotPath)
    : tokens_(std::move(tokens)), screenshotPath_(std::move(screenshotPath)) {
    guard_.setInterval(10);
    connect(&guard_, &QTimer::timeout, this, &ScriptPlayer::CloseNestedModal);
}

void ScriptPlayer::Start() {
    stopped_ = false;
    QTimer::singleShot(0, this, &ScriptPlayer::Tick);
}

void ScriptPlayer::Stop() {
    stopped_ = true;
    guard_.stop();
}

void ScriptPlayer::Tick() {
    if (stopped_ || finished_)
        return;
    if (dialog_.isNull()) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->findChild<QLabel*>("txtDisplay") == nullptr) {
            QTimer::singleShot(1, this, &ScriptPlayer::Tick);  // not open yet
            return;
        }
        dialog_ = modal;
        (void)QTest::qWaitForWindowExposed(dialog_);
        guard_.start();
    }

    if (next_ < tokens_.size()) {
        const KeyToken& token = tokens_[next_++];
        const bool wasOpen = dialog_ && dialog_->isVisible();
        if (wasOpen) {
            Deliver(token);
            WaitForAnimatedClicks();
        }
        PrintLine(token);
        if (dialog_ && dialog_->isVisible()) {
            QTimer::singleShot(0, this, &ScriptPlayer::Tick);
            return;
        }
        // The calculator has ended: its modal loop stops as soon as this returns, so the rest
        // of the script is reported now. A screenshot shows it as it was when it ended.
        if (wasOpen)
            TakeScreenshot();
        while (next_ < tokens_.size()) PrintLine(tokens_[next_++]);
    }
    Finish();
}

void ScriptPlayer::Deliver(const KeyToken& token) {
    switch (token.kind) {
        case KeyToken::Kind::Click: {
            // A click where the button is on screen: whatever lies on top there gets it, and a
            // disabled button lets it go by.
            auto* button =
                dialog_->findChild<QAbstractButton*>(QString::fromStdString(token.objectName));
            if (button == nullptr || dialog_->windowHandle() == nullptr)
                return;
            const QPoint centre = button->mapTo(dialog_.data(), button->rect().center());
            QTest::mouseClick(dialog_->windowHandle(), Qt::LeftButton, {}, centre);
            return;
        }
        case KeyToken::Kind::Key: {
            QWidget* target = QApplication::focusWidget();
            if (target == nullptr)
                target = dialog_;
            SendKey(target, token.key);
            return;
        }
    }
}

// An access key (Alt+E) or Space animates its button: the button shows pressed and clicks a
// moment later. The token is done when every button is up again.
void ScriptPlayer::WaitForAnimatedClicks() {
    QDeadlineTimer deadline(2000);
    auto anyDown = [this] {
        if (dialog_.isNull() || !dialog_->isVisible())
            return false;
        const auto buttons = dialog_->findChildren<QAbstractButton*>();
        return std::any_of(buttons.begin(), buttons.end(),
                           [](const QAbstractButton* b) { return b->isDown(); });
    };
    QCoreApplication::processEvents();
    while (anyDown() && !deadline.hasExpired()) QTest::qWait(5);
}

void ScriptPlayer::PrintLine(const KeyToken& token) {
    if (dialog_ && dialog_->isVisible())
        Print(QString::fromStdString(token.text) + '\t' + LabelText(dialog_, "txtDisplay") + '\t' +
              LabelText(dialog_, "lblSubDisplay(0)"));
    else
        Print(QString::fromStdString(token.text) + "\t(closed)");
}

void ScriptPlayer::Finish() {
    TakeScreenshot();
    if (dialog_ && dialog_->isVisible()) {
        KeyToken close;
        close.kind = KeyToken::Kind::Click;
        close.objectName = "cmdDone";
        Deliver(close);
        // Should Close not end it, end it anyway rather than leave the script hanging.
        if (dialog_ && dialog_->isVisible())
            dialog_->hide();
    }
    guard_.stop();
    finished_ = true;
}

void ScriptPlayer::TakeScreenshot() {
    if (screenshotPath_.isEmpty() || screenshotTaken_ || dialog_.isNull())
        return;
    screenshotTaken_ = true;
    if (!dialog_->grab().save(screenshotPath_)) {
        screenshotFailed_ = true;
        std::fprintf(stderr, "zarnetcalc-demo: cannot write the screenshot %s\n",
                     qPrintable(screenshotPath_));
        std::fflush(stderr);
    }
}

// A token that opens a modal box above the calculator (About) would stop the script: the box
// gets Esc, and is rejected outright should Esc not close it.
void ScriptPlayer::CloseNestedModal() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == dialog_) {
        guardAttempts_ = 0;
        return;
    }
    if (++guardAttempts_ <= 3) {
        QWidget* target = modal->focusWidget() != nullptr ? modal->focusWidget() : modal;
        SendKey(target, KeyStroke{KeyStroke::Named::Esc, 0, '\x1b'});
    } else if (auto* box = qobject_cast<QDialog*>(modal)) {
        box->reject();
    } else {
        modal->close();
    }
}

}  // namespace zarnetcalc::demo
