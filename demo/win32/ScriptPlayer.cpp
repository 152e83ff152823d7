// The scripted mode's player on Windows. It runs from a thread timer, which the component's modal
// loop dispatches like any other message; the system hands out a timer message only when no
// input is waiting, so each tick finds the previous token's input handled and the dialog drawn.
#include "ScriptPlayer.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "common/win32/CalculatorControls.h"
#include "common/win32/Input.h"
#include "common/win32/WideText.h"
#include "demo/SampleHost.h"
#include "zarnetcalc/ControlNames.h"

namespace zarnetcalc::demo {

namespace {

using controls::kCalculatorClass;
using zarnetcalc::win32::ClickAt;
using zarnetcalc::win32::ControlRect;
using zarnetcalc::win32::ControlText;
using zarnetcalc::win32::PressKey;
using zarnetcalc::win32::WindowText;

constexpr UINT kTickMs = 10;
constexpr DWORD kSettleMs = 2000;  // the longest a token may take before its line is printed

ScriptPlayer* player = nullptr;  // thread timers carry no context of their own

BOOL CALLBACK FindCalculatorWindow(HWND window, LPARAM found) {
    wchar_t name[64] = {};
    if (IsWindowVisible(window) && GetClassNameW(window, name, 64) > 0 &&
        lstrcmpW(name, kCalculatorClass) == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The calculator dialog once it is up on this thread, else null.
HWND FindCalculator() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCalculatorWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A click at the centre of a control, window or key.
void Click(HWND dialog, const std::string& name) {
    if (const std::optional<RECT> place = ControlRect(dialog, name)) {
        ClickAt(*place);
    }
}

// The virtual-key code of a key on a US keyboard.
unsigned VirtualKey(const KeyStroke& stroke) {
    switch (stroke.named) {
        case KeyStroke::Named::Enter:
            return VK_RETURN;
        case KeyStroke::Named::Space:
            return VK_SPACE;
        case KeyStroke::Named::Esc:
            return VK_ESCAPE;
        case KeyStroke::Named::F2:
            return VK_F2;
        case KeyStroke::Named::Tab:
            return VK_TAB;
        case KeyStroke::Named::Insert:
            return VK_INSERT;
        case KeyStroke::Named::None:
            break;
    }
    const char key = stroke.key;
    if (key >= '0' && key <= '9') {
        return stroke.keypad ? VK_NUMPAD0 + unsigned(key - '0') : unsigned(key);
    }
    if (key >= 'a' && key <= 'z') {
        return unsigned(key - 'a' + 'A');
    }
    switch (key) {
        case '*':
            return VK_MULTIPLY;  // only on the keypad
        case '+':
            return VK_ADD;
        case '-':
            return stroke.keypad ? VK_SUBTRACT : VK_OEM_MINUS;
        case '.':
            return stroke.keypad ? VK_DECIMAL : VK_OEM_PERIOD;
        case '/':
            return stroke.keypad ? VK_DIVIDE : VK_OEM_2;
        case '=':
            return VK_OEM_PLUS;
        default:
            return 0;
    }
}

void SendKey(const KeyStroke& stroke) {
    PressKey(VirtualKey(stroke), stroke.shift, stroke.alt, stroke.ctrl);
}

}  // namespace

ScriptPlayer::ScriptPlayer(std::vector<KeyToken> tokens, std::wstring screenshotPath)
    : tokens_(std::move(tokens)), screenshotPath_(std::move(screenshotPath)) {}

ScriptPlayer::~ScriptPlayer() {
    Stop();
}

void ScriptPlayer::Start(unsigned waitMs) {
    player = this;
    started_ = GetTickCount();
    waitMs_ = waitMs;
    timer_ = SetTimer(nullptr, 0, kTickMs, OnTimer);
}

void ScriptPlayer::Stop() {
    if (timer_ != 0) {
        KillTimer(nullptr, timer_);
        timer_ = 0;
    }
    if (player == this) {
        player = nullptr;
    }
}

void CALLBACK ScriptPlayer::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (player != nullptr) {
        player->Tick();
    }
}

void ScriptPlayer::Tick() {
    if (finished_ || gaveUp_) {
        return;
    }
    if (dialog_ == nullptr) {
        dialog_ = FindCalculator();
        if (dialog_ == nullptr) {
            if (GetTickCount() - started_ > waitMs_) {
                gaveUp_ = true;  // the calculator never opened; the host reports it
                Stop();
                PostQuitMessage(1);
            }
            return;
        }
        if (!screenshotPath_.empty()) {
            picture_.Capture(dialog_);
        }
    }
    if (!IsWindow(dialog_) || !IsWindowVisible(dialog_)) {
        return;  // it has ended; CalculatorEnded reports the rest
    }
    if (!IsWindowEnabled(dialog_)) {
        CloseNestedModal();  // a box above it (About) disables it while it is up
        return;
    }
    nestedAttempts_ = 0;

    if (finishing_) {
        // Should Close not end it, F2 and then Esc do, rather than leave the script hanging.
        ++closeAttempts_;
        if (closeAttempts_ == 100) {
            PressKey(VK_F2);
        } else if (closeAttempts_ == 200) {
            PressKey(VK_ESCAPE);
        }
        return;
    }
    if (awaitingLine_) {
        if (!Settled() && GetTickCount() - delivered_ < kSettleMs) {
            return;
        }
        awaitingLine_ = false;
        PrintLine(tokens_[next_ - 1]);
        if (!screenshotPath_.empty()) {
            picture_.Capture(dialog_);
        }
    }
    if (next_ < tokens_.size()) {
        Deliver(tokens_[next_++]);
        awaitingLine_ = true;
        delivered_ = GetTickCount();
        return;
    }
    Finish();
}

// The token is done when its input is handled, no key is held down and none shows pressed.
bool ScriptPlayer::Settled() const {
    return HIWORD(GetQueueStatus(QS_INPUT)) == 0 && GetCapture() == nullptr &&
           !zarnetcalc::win32::AnyKeyPressed(dialog_);
}

void ScriptPlayer::Deliver(const KeyToken& token) {
    switch (token.kind) {
        case KeyToken::Kind::Click:
            Click(dialog_, token.objectName);
            return;
        case KeyToken::Kind::Key:
            SendKey(token.key);
            return;
    }
}

void ScriptPlayer::PrintLine(const KeyToken& token) {
    demo::PrintLine(token.text + '\t' + ControlText(dialog_, "txtDisplay") + '\t' +
                    ControlText(dialog_, "lblSubDisplay(0)"));
}

void ScriptPlayer::PrintClosed(const KeyToken& token) {
    demo::PrintLine(token.text + "\t(closed)");
}

// A token that opens a modal box above the calculator (About) would stop the script: the box
// gets Esc, and is asked to close should Esc not close it.
void ScriptPlayer::CloseNestedModal() {
    HWND box = GetActiveWindow();
    if (box == nullptr || box == dialog_) {
        return;
    }
    if (++nestedAttempts_ <= 3) {
        PressKey(VK_ESCAPE);
    } else {
        PostMessageW(box, WM_CLOSE, 0, 0);
    }
}

void ScriptPlayer::Finish() {
    WriteScreenshot();
    finishing_ = true;
    Click(dialog_, "cmdDone");
}

void ScriptPlayer::CalculatorEnded() {
    if (dialog_ == nullptr || finished_) {
        return;  // it never opened
    }
    // Its modal loop has stopped: the token that ended it, and the rest, find it closed.
    if (awaitingLine_) {
        awaitingLine_ = false;
        PrintClosed(tokens_[next_ - 1]);
    }
    while (next_ < tokens_.size()) {
        PrintClosed(tokens_[next_++]);
    }
    WriteScreenshot();  // as it was when it ended
    finished_ = true;
    Stop();
}

void ScriptPlayer::WriteScreenshot() {
    if (screenshotPath_.empty() || screenshotWritten_) {
        return;
    }
    screenshotWritten_ = true;
    if (dialog_ != nullptr && IsWindow(dialog_) && IsWindowVisible(dialog_)) {
        picture_.Capture(dialog_);
    }
    if (!picture_.SavePng(screenshotPath_)) {
        screenshotFailed_ = true;
        Fail(1, "cannot write the screenshot ", zarnetcalc::win32::Narrow(screenshotPath_));
    }
}

}  // namespace zarnetcalc::demo
