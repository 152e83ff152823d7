// The dialog manager's keyboard for DialogWindow: every key goes to the key preview first (with
// the character it types), then Tab and the arrows move between controls, Enter presses the
// focused button (or the default one), Esc the cancel button, and Alt plus a caption's access key
// its button. The window and its message loop are DialogWindow.cpp.
#include <cwctype>

#include "calculator/KeyCodes.h"
#include "forms/AccessKey.h"
#include "forms/win32/DialogWindow.h"

namespace zarnetcalc::forms::win32 {
namespace {

bool IsButton(HWND window) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && lstrcmpiW(name, L"Button") == 0;
}

// The shift state as the key-down handler receives it.
std::int16_t ShiftState() {
    std::int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= calculator::kShiftMask;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= calculator::kCtrlMask;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= calculator::kAltMask;
    }
    return shift;
}

// The character TranslateMessage queued for the key just translated, 0 for none.
char32_t QueuedCharacter(HWND target) {
    MSG next{};
    for (const UINT message : {WM_CHAR, WM_SYSCHAR}) {
        if (PeekMessageW(&next, target, message, message, PM_NOREMOVE | PM_NOYIELD)) {
            return static_cast<char32_t>(next.wParam);
        }
    }
    return 0;
}

// Once a key has ended the dialog, nothing more of it is typed anywhere.
void DropQueuedCharacters(HWND target) {
    MSG next{};
    for (const UINT message : {WM_CHAR, WM_SYSCHAR}) {
        while (PeekMessageW(&next, target, message, message, PM_REMOVE | PM_NOYIELD)) {
        }
    }
}

// The access key of a window's caption, in lower case.
char32_t AccessKeyOfWindow(HWND window) {
    const std::wstring caption = Widen(WindowText(window));
    return static_cast<char32_t>(std::towlower(AccessKeyOf(std::wstring_view(caption))));
}

}  // namespace

bool DialogWindow::HandleDialogKeys(MSG& msg) {
    if (hwnd_ == nullptr || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) {
        return false;
    }
    const HWND target = msg.hwnd;
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {
            // Characters still queued from earlier keys (keys posted faster than their
            // characters were read) are handled first, in order, so that the one read below is
            // this key's own.
            MSG pending{};
            while (PeekMessageW(&pending, nullptr, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD)) {
                if (!HandleDialogKeys(pending)) {
                    DispatchMessageW(&pending);
                }
                if (endRequested_ || hwnd_ == nullptr) {
                    return true;
                }
            }
            // The keyboard in use shows its cues: focus rectangles after Tab or an arrow,
            // access-key underlines once Alt is pressed.
            const auto key = static_cast<unsigned>(msg.wParam);
            const WORD cues = key == VK_MENU ? UISF_HIDEACCEL | UISF_HIDEFOCUS
                              : key == VK_TAB || (key >= VK_LEFT && key <= VK_DOWN) ? UISF_HIDEFOCUS
                                                                                    : 0;
            if (cues != 0) {
                SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, cues), 0);
            }
            // The character the key types is queued first, so that the preview knows it.
            TranslateMessage(&msg);
            PreviewKeyDown(static_cast<unsigned>(msg.wParam), QueuedCharacter(target),
                           ShiftState());
            if (!endRequested_ && hwnd_ != nullptr &&
                !(msg.message == WM_KEYDOWN &&
                  HandleNavigationKey(static_cast<unsigned>(msg.wParam)))) {
                DispatchMessageW(&msg);
            }
            if (endRequested_ || hwnd_ == nullptr) {
                DropQueuedCharacters(target);  // the key ended the dialog (F2, Esc, Enter)
            }
            return true;
        }
        case WM_CHAR:
            PreviewChar(static_cast<char32_t>(msg.wParam));
            return endRequested_ || hwnd_ == nullptr;  // else on to the control
        case WM_SYSCHAR:
            return HandleAccessKey(static_cast<char32_t>(msg.wParam));
        default:
            return false;
    }
}

bool DialogWindow::HandleNavigationKey(unsigned vk) {
    const HWND focus = GetFocus();
    const HWND from = focus != nullptr && IsChild(hwnd_, focus) ? focus : nullptr;
    switch (vk) {
        case VK_TAB: {
            if (HWND next = GetNextDlgTabItem(hwnd_, from, GetKeyState(VK_SHIFT) < 0)) {
                FocusControl(next);
            }
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (from == nullptr) {
                return true;
            }
            // The next control that takes the focus, skipping labels; all are one group.
            const BOOL previous = vk == VK_LEFT || vk == VK_UP;
            HWND next = from;
            for (int i = 0; i < 256; ++i) {
                next = GetNextDlgGroupItem(hwnd_, next, previous);
                if (next == nullptr || next == from ||
                    (GetWindowLongW(next, GWL_STYLE) & WS_TABSTOP) != 0) {
                    break;
                }
            }
            if (next != nullptr && next != from) {
                FocusControl(next);
            }
            return true;
        }
        case VK_RETURN:
            if (from != nullptr && IsButton(from)) {
                Click(from);
            } else {
                Click(DefaultButton());
            }
            return true;
        case VK_ESCAPE:
            Click(CancelButton());
            return true;
        default:
            return false;
    }
}

bool DialogWindow::HandleAccessKey(char32_t typed) {
    const char32_t key = static_cast<char32_t>(std::towlower(static_cast<wint_t>(typed)));
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsButton(child) || !IsWindowVisible(child)) {
            continue;
        }
        if (AccessKeyOfWindow(child) == key && IsWindowEnabled(child)) {
            Click(child);
            return true;
        }
    }
    return false;  // left to the default handling, which beeps
}

}  // namespace zarnetcalc::forms::win32
