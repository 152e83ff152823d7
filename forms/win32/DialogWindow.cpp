// The modal window both Win32 dialogs build on: its window class, modal message loop, DPI and
// fonts. Its keyboard is DialogKeys.cpp; the controls and what they do are the dialogs'.
#include "forms/win32/DialogWindow.h"

#include <cmath>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace zarnetcalc::forms::win32 {

HINSTANCE FormsModule() {
    static const HINSTANCE module = [] {
        HMODULE handle = nullptr;
        GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&FormsModule), &handle);
        return handle;
    }();
    return module;
}

namespace {

struct FormsClasses {
    std::mutex mutex;
    std::map<std::wstring, ATOM> atoms;
};

FormsClasses& Classes() {
    static FormsClasses classes;
    return classes;
}

}  // namespace

ATOM RegisterFormsClass(const wchar_t* className, WNDPROC procedure) {
    FormsClasses& classes = Classes();
    const std::lock_guard lock(classes.mutex);
    if (const auto known = classes.atoms.find(className); known != classes.atoms.end()) {
        return known->second;
    }
    // One left by a program that linked this code and did not unregister it is replaced.
    UnregisterClassW(className, FormsModule());
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = FormsModule();
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    const ATOM atom = RegisterClassExW(&windowClass);
    if (atom != 0) {
        classes.atoms.emplace(className, atom);
    }
    return atom;
}

void UnregisterFormsClasses() {
    FormsClasses& classes = Classes();
    const std::lock_guard lock(classes.mutex);
    for (const auto& [name, atom] : classes.atoms) {
        UnregisterClassW(name.c_str(), FormsModule());
    }
    classes.atoms.clear();
}

namespace {

// The DPI functions of Windows 10 1607 and later, looked up so that older systems still load us.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(LPRECT, DWORD, BOOL, DWORD, UINT) = nullptr;
    BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT) = nullptr;
};

template <class Function>
void Lookup(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const DpiFunctions& DpiApi() {
    static const DpiFunctions functions = [] {
        DpiFunctions f;
        if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
            Lookup(user32, "GetDpiForWindow", f.getDpiForWindow);
            Lookup(user32, "AdjustWindowRectExForDpi", f.adjustWindowRectExForDpi);
            Lookup(user32, "SystemParametersInfoForDpi", f.systemParametersInfoForDpi);
        }
        return f;
    }();
    return functions;
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

zarnetcalc::win32::UniqueFont CreateMessageFont(int dpi) {
    using zarnetcalc::win32::UniqueFont;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    const DpiFunctions& f = DpiApi();
    if (f.systemParametersInfoForDpi &&
        f.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                     static_cast<UINT>(dpi))) {
        return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, ScreenDpi());
        return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    return UniqueFont();
}

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM windows) {
    if (IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    }
    return TRUE;
}

// Asked once per family: the answer does not change while the dialogs are up. (One table for
// the process, not one per thread: a thread-local object with a destructor would keep the library
// loaded, and a thread that used it from ending, through the runtime's thread-exit hooks.)
bool FamilyInstalled(const wchar_t* family) {
    static std::mutex mutex;
    static std::map<std::wstring, bool> known;
    std::lock_guard guard(mutex);
    const auto it = known.find(family);
    if (it != known.end()) {
        return it->second;
    }
    bool found = false;
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, family, LF_FACESIZE);
    if (HDC screen = GetDC(nullptr)) {
        EnumFontFamiliesExW(screen, &wanted, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
        ReleaseDC(nullptr, screen);
    }
    known.emplace(family, found);
    return found;
}

}  // namespace

int DpiOf(HWND window) {
    if (window != nullptr && DpiApi().getDpiForWindow != nullptr) {
        if (const UINT dpi = DpiApi().getDpiForWindow(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return ScreenDpi();
}

// ---- the window ---------------------------------------------------------------------------

DialogWindow::~DialogWindow() {
    if (hwnd_ != nullptr) {
        // The dialog that derives from this one is gone already: its handlers must not run.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

void DialogWindow::Destroy() {
    if (hwnd_ != nullptr) {
        DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
    }
}

bool DialogWindow::Create(const wchar_t* className, DWORD style, DWORD exStyle, HWND owner,
                          int clientWidthTwips, int clientHeightTwips) {
    if (RegisterFormsClass(className, WindowProc) == 0) {
        return false;
    }

    style_ = style;
    exStyle_ = exStyle;
    clientWidthTwips_ = clientWidthTwips;
    clientHeightTwips_ = clientHeightTwips;
    // Made on the owner's monitor, at its DPI; placing the window is the caller's.
    dpi_ = DpiOf(owner);
    RECT ownerRect{};
    if (owner == nullptr || !GetWindowRect(owner, &ownerRect)) {
        ownerRect = RECT{};
    }
    const SIZE size = WindowSizeFor(dpi_);
    if (!CreateWindowExW(exStyle, className, L"", style, ownerRect.left, ownerRect.top, size.cx,
                         size.cy, owner, nullptr, FormsModule(), this)) {
        return false;
    }
    dialogFont_ = CreateMessageFont(dpi_);
    // Focus rectangles and access-key underlines as the system's keyboard-cue setting says: when
    // it is off they are hidden until the keyboard is used in the window (DialogKeys.cpp).
    BOOL cues = TRUE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
    SendMessageW(hwnd_, WM_CHANGEUISTATE,
                 MAKEWPARAM(cues ? UIS_CLEAR : UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    CreateControls();
    childrenDpi_ = dpi_;
    SetDpi(DpiOf(hwnd_));  // the window's own monitor may differ from the owner's
    Layout();
    childrenDpi_ = dpi_;
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    return hwnd_ != nullptr;
}

SIZE DialogWindow::WindowSizeFor(int dpi) const {
    RECT frame{0, 0, TwipsToPixels(clientWidthTwips_, dpi), TwipsToPixels(clientHeightTwips_, dpi)};
    if (DpiApi().adjustWindowRectExForDpi != nullptr) {
        DpiApi().adjustWindowRectExForDpi(&frame, style_, FALSE, exStyle_, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, style_, FALSE, exStyle_);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void DialogWindow::SetDpi(int dpi) {
    if (dpi == dpi_ || dpi <= 0) {
        return;
    }
    dpi_ = dpi;
    const zarnetcalc::win32::UniqueFont previous =
        std::exchange(dialogFont_, CreateMessageFont(dpi_));
    Layout();  // gives the controls the new fonts before the old one goes
    childrenDpi_ = dpi_;
}

HWND DialogWindow::CreateChild(const wchar_t* windowClass, std::string_view text, DWORD style,
                               int id, const RECT& place) {
    HWND child = CreateWindowExW(
        0, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
        place.left, place.top, place.right - place.left, place.bottom - place.top, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), FormsModule(), nullptr);
    if (child != nullptr) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_.Get()), FALSE);
    }
    return child;
}

zarnetcalc::win32::UniqueFont DialogWindow::CreateNamedFont(const wchar_t* family, double points,
                                                            bool bold) const {
    LOGFONTW font{};
    if (!dialogFont_ || GetObjectW(dialogFont_.Get(), sizeof font, &font) == 0) {
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    }
    if (FamilyInstalled(family)) {
        lstrcpynW(font.lfFaceName, family, LF_FACESIZE);
    }
    font.lfHeight = -static_cast<LONG>(std::lround(points * dpi_ / 72.0));
    font.lfWidth = 0;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    return zarnetcalc::win32::UniqueFont(CreateFontIndirectW(&font));
}

void DialogWindow::Click(HWND button) {
    if (hwnd_ == nullptr || button == nullptr || !IsWindowEnabled(button)) {
        return;  // a disabled button ignores its keyboard equivalents, as it ignores the mouse
    }
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void DialogWindow::FocusControl(HWND control) {
    focus_ = control;
    if (hwnd_ != nullptr && GetActiveWindow() == hwnd_) {
        SetFocus(control);
    }
}

void DialogWindow::EndModal() {
    endRequested_ = true;
    if (hwnd_ != nullptr) {
        PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the loop should it be waiting
    }
}

void DialogWindow::PreviewKeyDown(unsigned, char32_t, std::int16_t) {}

void DialogWindow::OnCommand(int) {}

void DialogWindow::PreviewChar(char32_t) {}

bool DialogWindow::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

DialogWindow::ModalEnd DialogWindow::RunModal(HWND owner) {
    if (hwnd_ == nullptr) {
        return ModalEnd::Destroyed;
    }
    endRequested_ = false;
    inModal_ = true;
    // Modal for the whole thread, as a task-modal message box is: the owner (which may be of
    // another thread) and every other window of this thread that takes input, such as a
    // calculator a Show further out opened, are disabled while this one is up.
    std::vector<HWND> disabled;
    const auto disable = [&](HWND window) {
        if (window != nullptr && window != hwnd_ && IsWindow(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            disabled.push_back(window);
        }
    };
    disable(owner);
    std::vector<HWND> threadWindows;
    EnumThreadWindows(GetCurrentThreadId(), CollectVisible,
                      reinterpret_cast<LPARAM>(&threadWindows));
    for (const HWND window : threadWindows) {
        disable(window);
    }
    const HWND activeBefore = GetActiveWindow();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);

    ModalEnd end = ModalEnd::Ended;
    MSG msg{};
    while (!endRequested_ && hwnd_ != nullptr) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loops further out
            end = ModalEnd::Quit;
            break;
        }
        if (got == -1) {
            break;
        }
        if (!HandleDialogKeys(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (hwnd_ == nullptr && end == ModalEnd::Ended) {
        end = ModalEnd::Destroyed;
    }
    inModal_ = false;
    // Enabled again before this window goes, so that the activation returns to them.
    for (auto window = disabled.rbegin(); window != disabled.rend(); ++window) {
        if (IsWindow(*window)) {
            EnableWindow(*window, TRUE);
        }
    }
    if (hwnd_ != nullptr) {
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (activeBefore != nullptr && activeBefore != hwnd_ && IsWindow(activeBefore) &&
        IsWindowEnabled(activeBefore) && GetActiveWindow() != activeBefore) {
        SetActiveWindow(activeBefore);
    }
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    return end;
}

LRESULT CALLBACK DialogWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* self = ObjectOfWindow(hwnd, message, lParam, &DialogWindow::hwnd_);
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // No exception may cross the system's frames: it ends the modal loop and is rethrown there.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        if (!self->failure_) {
            self->failure_ = std::current_exception();
        }
        self->EndModal();
        return 0;
    }
}

LRESULT DialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMessage(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
                OnCommand(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_CLOSE:
            OnCloseRequest();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                OnCloseRequest();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus != nullptr && IsChild(hwnd_, focus)) {
                    focus_ = focus;  // given back when the window is active again
                }
                return 0;
            }
            [[fallthrough]];
        case WM_SETFOCUS: {
            HWND focus = focus_;
            if (focus == nullptr || !IsChild(hwnd_, focus) || !IsWindowEnabled(focus) ||
                !IsWindowVisible(focus)) {
                focus = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            }
            if (focus != nullptr) {
                SetFocus(focus);
            }
            return 0;
        }
        case WM_DPICHANGED: {
            SetDpi(HIWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            const SIZE size = WindowSizeFor(dpi_);
            SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace zarnetcalc::forms::win32
