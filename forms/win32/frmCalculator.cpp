// The calculator dialog on Win32: one loop makes the controls of the layout table, each bound to
// its handler in the logic; the key preview hands every key to the logic before the focused
// control. What the keys and buttons do is the logic's business (calculator/Calculator.h).
#include "forms/win32/frmCalculator.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <utility>

#include "common/win32/Clipboard.h"
#include "forms/DisplayFit.h"
#include "forms/win32/Accessibility.h"
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

bool IsGreenLabel(ControlRole role) {
    return role == ControlRole::Display || role == ControlRole::SubDisplay;
}

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
    Destroy();  // the timer, and the controls that use the fonts and picture, go with the window
}

void frmCalculator::CreateControls() {
    // Children are stacked in the order they are made, the first on top, and the dialog manager
    // walks that order for Tab: so buttons are made in tab order, which also puts the two hidden
    // buttons (tab 19 and 27) behind the "=" key (tab 16).
    std::array<std::size_t, kControls.size()> order{};
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [](std::size_t a, std::size_t b) {
        return kControls[a].tabIndex < kControls[b].tabIndex;
    });

    for (const std::size_t i : order) {
        const ControlDef& def = kControls[i];
        const int id = CalculatorControlId(i);
        const RECT place = ClientRectFor(def.left, def.top, def.width, def.height);
        HWND window = nullptr;
        switch (def.kind) {
            case ControlKind::Timer:
                // Designed enabled; the reset in Form_Load stops it before the first tick.
                timerId_ = id;
                SetTimerRunning(true);
                continue;
            case ControlKind::Button: {
                DWORD style = WS_TABSTOP | BS_PUSHBUTTON;
                if (def.role == ControlRole::About) {
                    style |= BS_ICON;
                } else if (def.role == ControlRole::Tmp) {
                    style |= BS_NOTIFY;  // tells when it gets and loses the focus
                }
                window = CreateChild(L"BUTTON", def.caption, style, id, place);
                break;
            }
            case ControlKind::Label: {
                // The green labels draw themselves, so that they stay green on black even while
                // the error lockout has disabled them. The display has a single-line border.
                DWORD style = IsGreenLabel(def.role) ? SS_OWNERDRAW : SS_LEFT | SS_NOPREFIX;
                if (def.role == ControlRole::Display) {
                    style |= WS_BORDER;
                }
                window = CreateChild(L"STATIC", "", style, id, place);
                break;
            }
        }
        if (window == nullptr) {
            continue;
        }
        controls_[i] = window;
        switch (def.role) {
            case ControlRole::About:
                cmdAbout_ = window;
                break;
            case ControlRole::Keypad:
                cmdKeypad_[def.index] = window;
                break;
            case ControlRole::AllClear:
            case ControlRole::Done:
                break;
            case ControlRole::Cancel:
                cmdCancel_ = window;
                // Behind the "=" key, and only for the keyboard: the mouse passes through it,
                // also where the key above is disabled (the system then looks for the window
                // under it, which must not be this one).
                accessibility::Present(window, accessibility::Presentation::Hidden);
                break;
            case ControlRole::Tmp:
                cmdTmp_ = window;
                accessibility::Present(window, accessibility::Presentation::Speaker);
                break;
            case ControlRole::Display:
                txtDisplay_ = window;
                accessibility::Present(window, accessibility::Presentation::Readout);
                break;
            case ControlRole::SubDisplay:
                if (def.index == 0) {
                    lblSubDisplay0_ = window;
                }
                accessibility::Present(window, def.index == 0
                                                   ? accessibility::Presentation::Readout
                                                   : accessibility::Presentation::OutOfTheWay);
                // The indicators sit in front of the display's left end.
                SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                break;
            case ControlRole::ErrorCode:
                accessibility::Present(window, accessibility::Presentation::OutOfTheWay);
                break;
            case ControlRole::Timer:
            case ControlRole::Fix:
            case ControlRole::Clear:
                break;
        }
    }
    // The dialog opens with the focus on the first control in tab order: the "1" key.
    FocusControl(GetNextDlgTabItem(Hwnd(), nullptr, FALSE));
}

void frmCalculator::Layout() {
    const int dpi = Dpi();
    zarnetcalc::win32::UniqueFont display = CreateNamedFont(L"MS Sans Serif", 9.6, false);
    zarnetcalc::win32::UniqueFont indicator = CreateNamedFont(L"Abadi MT Condensed", 7.8, false);
    zarnetcalc::win32::UniqueIcon picture =
        CreateQuestionMarkPicture(MulDiv(16, dpi, USER_DEFAULT_SCREEN_DPI));

    for (std::size_t i = 0; i < kControls.size(); ++i) {
        HWND window = controls_[i];
        if (window == nullptr) {
            continue;
        }
        const ControlDef& def = kControls[i];
        if (!ChildrenPlaced()) {
            // Borders are part of the control's rectangle, as the table gives it.
            const RECT r = ClientRectFor(def.left, def.top, def.width, def.height);
            SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        HFONT font = DialogFont();
        if (def.role == ControlRole::Display) {
            font = display.Get();
        } else if (def.role == ControlRole::SubDisplay) {
            font = indicator.Get();
        }
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (cmdAbout_ != nullptr) {
        SendMessageW(cmdAbout_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture.Get()));
    }
    // The controls hold the new fonts and picture now: the old ones may go.
    displayFont_ = std::move(display);
    indicatorFont_ = std::move(indicator);
    aboutPicture_ = std::move(picture);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool frmCalculator::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_COMMAND: {
            // While the hidden cmdTmp has the focus, Enter presses it, and it stands for "=":
            // the "=" key is then drawn as the default button, though the dialog has none.
            const WORD notification = HIWORD(wParam);
            if (cmdTmp_ == nullptr || reinterpret_cast<HWND>(lParam) != cmdTmp_ ||
                (notification != BN_SETFOCUS && notification != BN_KILLFOCUS)) {
                return false;
            }
            SendMessageW(cmdKeypad_[calculator::key::kEquals], BM_SETSTYLE,
                         notification == BN_SETFOCUS ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
            result = 0;
            return true;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType != ODT_STATIC) {
                return false;
            }
            DrawLabel(item);
            result = TRUE;
            return true;
        }
        case WM_CONTEXTMENU: {
            // A right click on the display, or the Menu key or Shift+F10 wherever the focus is
            // (lParam -1 then), opens the display's menu.
            RECT display{};
            GetWindowRect(txtDisplay_, &display);
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

void frmCalculator::DrawLabel(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const int saved = SaveDC(dc);
    SetTextColor(dc, kGreen);
    SetBkColor(dc, kBlack);
    SetBkMode(dc, TRANSPARENT);
    if (item.hwndItem == txtDisplay_) {
        DrawDisplay(dc, area);
    } else {
        const std::wstring text = Widen(WindowText(item.hwndItem));
        SelectObject(dc, indicatorFont_.Get());
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    }
    RestoreDC(dc, saved);
}

// The whole text, right-aligned in the space of the display right of the indicators (which lie
// in front of its left end), in a smaller font when it is too wide at the display's own size.
void frmCalculator::DrawDisplay(HDC dc, RECT area) const {
    RECT indicator{};
    POINT origin{0, 0};
    GetWindowRect(lblSubDisplay0_, &indicator);
    ClientToScreen(txtDisplay_, &origin);
    const int gap = MulDiv(2, Dpi(), USER_DEFAULT_SCREEN_DPI);
    area.left = std::max(area.left, indicator.right - origin.x + gap);
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
    SelectObject(dc, displayFont_.Get());  // before the scaled fonts go
}

void frmCalculator::OnCommand(int id) {
    const int index = id - kCalculatorIdBase;
    if (index < 0 || static_cast<std::size_t>(index) >= kControls.size()) {
        return;
    }
    const ControlDef& def = kControls[static_cast<std::size_t>(index)];
    switch (def.role) {
        case ControlRole::About:
            logic_.cmdAbout_Click();
            break;
        case ControlRole::Keypad: {
            std::int16_t Index = def.index;  // the handler may write into its argument
            logic_.cmdKeypad_Click(Index);
            break;
        }
        case ControlRole::Fix:
            logic_.cmdFix_Click();
            break;
        case ControlRole::Done:
            logic_.cmdDone_Click();
            break;
        case ControlRole::Clear:
            logic_.cmdCLR_Click();
            break;
        case ControlRole::AllClear:
            logic_.cmdAC_Click();
            break;
        case ControlRole::Cancel:
            logic_.cmdCancel_Click();
            break;
        case ControlRole::Tmp:
            logic_.cmdTmp_Click();
            break;
        case ControlRole::Timer:
        case ControlRole::ErrorCode:
        case ControlRole::SubDisplay:
        case ControlRole::Display:
            break;
    }
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
    if (txtDisplay_ != nullptr) {
        SetWindowTextW(txtDisplay_, wide.c_str());
        InvalidateRect(txtDisplay_, nullptr, FALSE);
    }
    // The hidden equals button, where the focus rests, takes the figure as its name, so that a
    // screen reader speaks it after the key that made it; no one sees its caption.
    if (cmdTmp_ != nullptr) {
        SetWindowTextW(cmdTmp_, wide.c_str());
        accessibility::AnnounceName(cmdTmp_);
    }
}

void frmCalculator::SetIndicatorText(std::string_view text) {
    if (lblSubDisplay0_ != nullptr) {
        SetWindowTextW(lblSubDisplay0_, Widen(text).c_str());
        InvalidateRect(lblSubDisplay0_, nullptr, FALSE);
    }
}

void frmCalculator::SetControlEnabled(std::size_t index, bool enabled) {
    if (index >= kControls.size()) {
        return;
    }
    if (kControls[index].kind == ControlKind::Timer) {
        SetTimerRunning(enabled);  // a timer's "enabled" is whether it runs
    } else if (controls_[index] != nullptr) {
        EnableWindow(controls_[index], enabled ? TRUE : FALSE);
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
    FocusControl(cmdTmp_);
}

void frmCalculator::HideDialog() {
    // Ends the modal loop, which hides the window once the owner is enabled again.
    EndModal();
}

void frmCalculator::ShowAboutBox() {
    win32::ShowAboutBox(Hwnd());
}

std::optional<std::string> frmCalculator::ClipboardText() const {
    return zarnetcalc::win32::ClipboardText(Hwnd());
}

void frmCalculator::SetClipboardText(std::string_view text) {
    zarnetcalc::win32::SetClipboardText(Hwnd(), text);
}

// The focus holder says the message as its name, until the next figure.
void frmCalculator::Announce(std::string_view message) {
    if (cmdTmp_ != nullptr) {
        SetWindowTextW(cmdTmp_, Widen(message).c_str());
        accessibility::AnnounceName(cmdTmp_);
    }
}

// Copy and Paste, Paste greyed while the clipboard holds nothing the keypad could have typed;
// the focus goes back to where it was.
void frmCalculator::ShowDisplayMenu(POINT at) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) {
        return;
    }
    enum : UINT { kCopy = 1, kPaste = 2 };
    const bool pastable =
        calculator::IsPastable(calculator::TrimmedText(ClipboardText().value_or("")));
    AppendMenuW(menu, MF_STRING, kCopy, L"&Copy");
    AppendMenuW(menu, MF_STRING | (pastable ? 0 : MF_GRAYED), kPaste, L"&Paste");
    const HWND focus = GetFocus();
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr));
    DestroyMenu(menu);
    if (focus != nullptr && IsWindow(focus)) {
        FocusControl(focus);
    }
    if (chosen == kCopy) {
        logic_.CopyDisplay();
    } else if (chosen == kPaste) {
        logic_.PasteClipboard();
    }
}

}  // namespace zarnetcalc::forms::win32
