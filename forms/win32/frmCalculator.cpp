// The calculator dialog on Win32: one window draws every control of the layout table, each bound to
// its handler in the logic through the table's facts, and the display and indicator are painted
// here; the key preview hands every key to the logic before that window. What the keys and
// buttons do is the logic's business (calculator/Calculator.h).
#include "forms/win32/frmCalculator.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <map>
#include <utility>

#include "common/win32/Clipboard.h"
#include "forms/DisplayFit.h"
#include "forms/win32/ControlNames.h"
#include "forms/win32/KeyTranslation.h"
#include "forms/win32/Pictures.h"
#include "forms/win32/frmAbout.h"

namespace zarnetcalc::forms::win32 {
namespace {

using layout::ControlDef;
using layout::ControlKind;
using layout::ControlRole;
using layout::kControls;

// Caption without title-bar buttons, fixed single border; owned by the host's window, so it
// stays above it and has no task-bar entry of its own.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

const std::size_t kDisplay = layout::IndexOf(ControlRole::Display);
const std::size_t kIndicator = layout::IndexOf(ControlRole::SubDisplay, 0);
const std::size_t kTmp = layout::IndexOf(ControlRole::Tmp);
const std::size_t kCancel = layout::IndexOf(ControlRole::Cancel);

}  // namespace

frmCalculator::frmCalculator(HWND owner) {
    if (!Create(kCalculatorClass, kStyle, kExStyle, owner, layout::kClientWidth,
                layout::kClientHeight)) {
        return;
    }
    SetWindowTextW(Hwnd(), L"Calculator");
    logic_.Form_Load();
}

frmCalculator::~frmCalculator() {
    Destroy();  // the timer, and the windows that use the fonts and picture, go with the window
}

void frmCalculator::CreateControls() {
    keypad_.emplace(
        Hwnd(), controls::kCalculatorKeypadId,
        [this](std::size_t index) { layout::Click(kControls[index], logic_); },
        [this](HDC dc, std::size_t index, const RECT& area) { DrawLabel(dc, index, area); });
    // Designed enabled; the reset in Form_Load stops it before the first tick.
    timerId_ = CalculatorControlId(layout::IndexOf(ControlRole::Timer));
    SetTimerRunning(true);
    // The dialog opens with the focus on the first key in tab order, the "1" key.
    FocusControl(keypad_->Hwnd());
}

void frmCalculator::Layout() {
    const auto fontOf = [this](std::size_t index) {
        const auto named = layout::FontOf(kControls[index]);
        return CreateNamedFont(Widen(named->family).c_str(), named->points, false);
    };
    displayFont_ = fontOf(kDisplay);
    indicatorFont_ = fontOf(kIndicator);
    keypad_->Layout(Dpi(), DialogFont());
}

bool frmCalculator::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_CONTEXTMENU: {
            // A right click on the display, or the Menu key or Shift+F10 wherever the focus is
            // (lParam -1 then), opens the display's menu.
            const RECT display = keypad_->ScreenRect(kDisplay);
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const bool keyboard = lParam == -1;
            if (!keyboard && !PtInRect(&display, at)) {
                return false;
            }
            if (keyboard) {
                at = POINT{(display.left + display.right) / 2, (display.top + display.bottom) / 2};
            }
            ShowDisplayMenu(at);
            result = 0;
            return true;
        }
        case WM_TIMER:
            if (static_cast<int>(wParam) != timerId_) {
                return false;
            }
            logic_.Timer1_Timer();
            result = 0;
            return true;
        default:
            return false;
    }
}

// The display and the indicator: green on black, enabled or not.
void frmCalculator::DrawLabel(HDC dc, std::size_t index, RECT area) const {
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetTextColor(dc, kGreen);
    SetBkColor(dc, kBlack);
    SetBkMode(dc, TRANSPARENT);
    if (index == kDisplay) {
        DrawDisplay(dc, area);
        return;
    }
    SelectObject(dc, indicatorFont_.Get());
    const std::wstring& text = keypad_->Text(index);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
}

// The whole text, right-aligned in the space of the display right of the indicators (which lie
// in front of its left end), in a smaller font when it is too wide at the display's own size.
void frmCalculator::DrawDisplay(HDC dc, RECT area) const {
    const int gap = MulDiv(2, Dpi(), USER_DEFAULT_SCREEN_DPI);
    area.left = std::max(area.left, keypad_->ClientRect(kIndicator).right + gap);
    area.right -= gap;

    LOGFONTW font{};
    GetObjectW(displayFont_.Get(), sizeof font, &font);
    std::map<long, zarnetcalc::win32::UniqueFont> scaled;  // by height, for this drawing
    const auto fontAt = [&](double scale) {
        LOGFONTW f = font;
        f.lfHeight = static_cast<LONG>(std::lround(font.lfHeight * scale));
        auto& made = scaled[f.lfHeight];
        if (!made) {
            made.Reset(CreateFontIndirectW(&f));
        }
        return made.Get();
    };
    const DisplayFit fit =
        FitDisplayText(display_, area.right - area.left, [&](std::string_view text, double scale) {
            SelectObject(dc, fontAt(scale));
            const std::wstring wide = Widen(text);
            SIZE size{};
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
            return static_cast<double>(size.cx);
        });
    SelectObject(dc, fontAt(fit.scale));
    const std::wstring shown = Widen(fit.text);
    DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_RIGHT);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));  // before the scaled fonts go
}

void frmCalculator::OnCloseRequest() {
    // No close box, and no other way out than Close, F2 and Esc: the request is refused.
}

void frmCalculator::PreviewKeyDown(unsigned vk, char32_t typed, std::int16_t shift) {
    if (std::int16_t KeyCode = KeyDownCode(vk, typed); KeyCode != 0) {
        logic_.Form_KeyDown(KeyCode, shift);
    }
}

void frmCalculator::PreviewChar(char32_t typed) {
    if (std::int16_t KeyAscii = KeyPressCode(typed); KeyAscii != 0) {
        logic_.Form_KeyPress(KeyAscii);
    }
}

// The dialog manager's keys over the keypad's entries: Tab and the arrows walk the tab order
// (the hidden buttons where they sit in it), Enter presses the focused key, Esc the hidden cancel
// button; Alt plus an access key presses its key.
bool frmCalculator::HandleNavigationKey(unsigned vk) {
    switch (vk) {
        case VK_TAB:
            FocusKey(keypad_->Next(GetKeyState(VK_SHIFT) < 0));
            return true;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            FocusKey(keypad_->Next(vk == VK_LEFT || vk == VK_UP));
            return true;
        case VK_RETURN:
            if (const auto focused = keypad_->Focused()) {
                keypad_->Click(*focused);
            }
            return true;
        case VK_ESCAPE:
            keypad_->Click(kCancel);
            return true;
        default:
            return false;
    }
}

bool frmCalculator::HandleAccessKey(char32_t typed) {
    const auto key =
        keypad_->ForAccessKey(static_cast<char32_t>(std::towlower(static_cast<wint_t>(typed))));
    if (!key) {
        return false;  // left to the default handling, which beeps
    }
    keypad_->Click(*key);
    return true;
}

void frmCalculator::FocusKey(std::optional<std::size_t> index) {
    if (index) {
        keypad_->Focus(*index);
        FocusControl(keypad_->Hwnd());
    }
}

// ---- geometry -----------------------------------------------------------------------------

RECT frmCalculator::OuterRect() const {
    RECT r{};
    if (Hwnd() == nullptr || !GetWindowRect(Hwnd(), &r)) {
        return RECT{};
    }
    return r;
}

float frmCalculator::Left() const {
    return PixelsToTwips(OuterRect().left, Dpi());
}

float frmCalculator::Top() const {
    return PixelsToTwips(OuterRect().top, Dpi());
}

float frmCalculator::Width() const {
    const RECT r = OuterRect();
    return PixelsToTwips(r.right - r.left, Dpi());
}

float frmCalculator::Height() const {
    const RECT r = OuterRect();
    return PixelsToTwips(r.bottom - r.top, Dpi());
}

void frmCalculator::MoveTo(float leftTwips, float topTwips) {
    if (Hwnd() == nullptr) {
        return;
    }
    const RECT r = OuterRect();
    SetWindowPos(Hwnd(), nullptr, TwipsToPosition(leftTwips, Dpi(), r.left),
                 TwipsToPosition(topTwips, Dpi(), r.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- the control operations the logic calls ------------------------------------------------

std::string frmCalculator::Tag() const {
    return tag_;
}

void frmCalculator::SetTag(std::string_view text) {
    tag_.assign(text);
}

std::string frmCalculator::DisplayText() const {
    return display_;
}

void frmCalculator::SetDisplayText(std::string_view text) {
    if (text == display_) {
        return;  // a key that changes nothing costs no repaint
    }
    display_.assign(text);
    const std::wstring wide = Widen(display_);
    keypad_->SetText(kDisplay, wide);
    // The hidden equals button, where the focus rests, takes the figure as its name, so that a
    // screen reader speaks it after the key that made it.
    keypad_->SetText(kTmp, wide);
}

void frmCalculator::SetIndicatorText(std::string_view text) {
    keypad_->SetText(kIndicator, Widen(text));
}

void frmCalculator::SetControlEnabled(std::size_t index, bool enabled) {
    if (index >= kControls.size()) {
        return;
    }
    if (kControls[index].kind == ControlKind::Timer) {
        SetTimerRunning(enabled);  // a timer's "enabled" is whether it runs
    } else {
        keypad_->SetEnabled(index, enabled);
    }
}

void frmCalculator::SetTimerRunning(bool running) {
    if (Hwnd() == nullptr || running == timerRunning_) {
        return;
    }
    if (running) {
        timerRunning_ = SetTimer(Hwnd(), static_cast<UINT_PTR>(timerId_), 1, nullptr) != 0;
    } else {
        KillTimer(Hwnd(), static_cast<UINT_PTR>(timerId_));
        timerRunning_ = false;
    }
}

void frmCalculator::FocusTmp() {
    FocusKey(kTmp);
}

void frmCalculator::HideDialog() {
    // Ends the modal loop, which hides the window once the owner is enabled again.
    EndModal();
}

void frmCalculator::ShowAboutBox() {
    win32::ShowAboutBox(Hwnd());
}

// Read elsewhere and given up after about a second, so that a clipboard owner that renders late
// never holds the dialog: its text is then nothing to paste.
std::optional<std::string> frmCalculator::ClipboardText() const {
    return zarnetcalc::win32::ClipboardTextWithin(1000);
}

void frmCalculator::SetClipboardText(std::string_view text) {
    zarnetcalc::win32::SetClipboardText(Hwnd(), text);
}

// The focus holder says the message as its name, until the next figure.
void frmCalculator::Announce(std::string_view message) {
    keypad_->SetText(kTmp, Widen(message));
}

// Copy and Paste, Paste greyed while the clipboard holds nothing the keypad could have typed;
// the focus goes back to where it was.
void frmCalculator::ShowDisplayMenu(POINT at) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    enum : UINT { kCopy = 1, kPaste = 2 };
    AppendMenuW(menu, MF_STRING, kCopy, L"&Copy");
    AppendMenuW(menu, MF_STRING | (logic_.CanPaste() ? 0 : MF_GRAYED), kPaste, L"&Paste");
    const std::optional<std::size_t> focus = keypad_->Focused();
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr));
    DestroyMenu(menu);
    FocusKey(focus);
    if (chosen == kCopy) {
        logic_.CopyDisplay();
    } else if (chosen == kPaste) {
        logic_.PasteClipboard();
    }
}

}  // namespace zarnetcalc::forms::win32
