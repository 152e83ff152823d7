// The About box on Win32: makes its controls from the shared table in twips, draws the separator
// and the icon, and hands clicks to about::AboutLogic, which owns the texts and the launcher.
#include "forms/win32/frmAbout.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "forms/AboutLayout.h"
#include "forms/win32/ControlNames.h"
#include "forms/win32/Pictures.h"

namespace zarnetcalc::forms::win32 {
namespace {

using namespace about_layout;

// A fixed dialog with a title bar, an icon and a close button; owned by the calculator, so it
// has no task-bar entry of its own.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

// One About box per thread: windows belong to the thread that made them.
thread_local frmAbout* shared = nullptr;

}  // namespace

frmAbout::frmAbout(HWND owner) : owner_(owner) {
    if (!Create(kAboutClass, kStyle, kExStyle, owner, kClientWidth, kClientHeight)) {
        return;
    }
    logic_.Form_Load();
}

frmAbout::~frmAbout() {
    Destroy();  // before the font and icons the window uses go
}

void frmAbout::CreateControls() {
    // Made in the table's order, which is the tab order: OK first, then System Info.
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlDef& def = kControls[i];
        DWORD style = 0;
        const wchar_t* windowClass = L"STATIC";
        switch (def.kind) {
            case Kind::Button:
                windowClass = L"BUTTON";
                style = WS_TABSTOP | (def.role == Role::OK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
                break;
            case Kind::Label:
                style = SS_LEFT | SS_NOPREFIX;
                break;
        }
        // Layout corrects the labels' heights for their fonts.
        HWND window = CreateChild(windowClass, def.caption, style, AboutControlId(i),
                                  ClientRectFor(def.left, def.top, def.width, def.height));
        controls_[i] = window;
        switch (def.role) {
            case Role::OK:
                cmdOK_ = window;
                break;
            case Role::SysInfo:
                cmdSysInfo_ = window;
                break;
            case Role::Title:
                lblTitle_ = window;
                break;
            case Role::Version:
                lblVersion_ = window;
                break;
            case Role::Notice:
                break;
        }
    }
    FocusControl(cmdOK_);
}

void frmAbout::Layout() {
    zarnetcalc::win32::UniqueFont title = CreateNamedFont(L"MS Sans Serif", 9.6, true);
    const zarnetcalc::win32::WindowDc screen(Hwnd());
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        HWND window = controls_[i];
        if (window == nullptr) {
            continue;
        }
        const ControlDef& def = kControls[i];
        HFONT font = def.role == Role::Title ? title.Get() : DialogFont();
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        RECT r = ClientRectFor(def.left, def.top, def.width, def.height);
        if (def.kind == Kind::Label && screen.Get() != nullptr) {
            // A label is never shorter than one line of its font, so no text is cut off.
            const zarnetcalc::win32::SelectedObject withFont(screen.Get(), font);
            TEXTMETRICW metrics{};
            GetTextMetricsW(screen.Get(), &metrics);
            r.bottom = std::max(r.bottom, r.top + static_cast<LONG>(metrics.tmHeight));
        }
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    titleFont_ = std::move(title);  // the label holds the new font now

    // The icon, at the sizes of the title bar and of the task switcher for this DPI.
    zarnetcalc::win32::UniqueIcon smallIcon =
        CreateAboutIcon(MulDiv(16, Dpi(), USER_DEFAULT_SCREEN_DPI));
    zarnetcalc::win32::UniqueIcon bigIcon =
        CreateAboutIcon(MulDiv(32, Dpi(), USER_DEFAULT_SCREEN_DPI));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.Get()));
    smallIcon_ = std::move(smallIcon);
    bigIcon_ = std::move(bigIcon);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void frmAbout::CentreOnScreenOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT box{};
    if (Hwnd() == nullptr || !GetWindowRect(Hwnd(), &box) ||
        !GetMonitorInfoW(
            MonitorFromWindow(window != nullptr ? window : Hwnd(), MONITOR_DEFAULTTONEAREST),
            &monitor)) {
        return;
    }
    const RECT& work = monitor.rcWork;
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(Hwnd(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool frmAbout::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_PAINT) {
        return false;
    }
    Paint();
    result = 0;
    return true;
}

// The etched separator: a black line with a line of the window-background colour right under
// it, each a pixel thick at 96 DPI and thicker in step with the DPI.
void frmAbout::Paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(Hwnd(), &paint);
    if (dc == nullptr) {
        return;
    }
    const int dpi = Dpi();
    const int thickness = std::max(1, dpi / USER_DEFAULT_SCREEN_DPI);
    int blackRow = 0;
    for (const LineDef& line : kLines) {
        if (!line.light) {
            blackRow = TwipsToLinePixel(line.y1, dpi);
        }
    }
    for (const LineDef& line : kLines) {
        const int top = line.light ? blackRow + thickness : TwipsToLinePixel(line.y1, dpi);
        const RECT r{TwipsToLinePixel(line.x1, dpi), top, TwipsToLinePixel(line.x2, dpi) + 1,
                     top + thickness};
        FillRect(dc, &r,
                 line.light ? GetSysColorBrush(COLOR_WINDOW)
                            : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    EndPaint(Hwnd(), &paint);
}

void frmAbout::OnCommand(int id) {
    if (id == GetDlgCtrlID(cmdOK_)) {
        logic_.cmdOK_Click();
    } else if (id == GetDlgCtrlID(cmdSysInfo_)) {
        logic_.cmdSysInfo_Click();
    }
}

void frmAbout::OnCloseRequest() {
    Click(cmdOK_);  // the close button is the cancel button's
}

void frmAbout::SetCaption(const std::string& text) {
    SetWindowTextW(Hwnd(), Widen(text).c_str());
}

void frmAbout::SetTitle(const std::string& text) {
    SetWindowTextW(lblTitle_, Widen(text).c_str());
}

void frmAbout::SetVersion(const std::string& text) {
    SetWindowTextW(lblVersion_, Widen(text).c_str());
}

void frmAbout::Unload() {
    unloadRequested_ = true;
    EndModal();  // ShowAboutBox deletes the box once its loop has returned
}

void frmAbout::ShowMessage(const std::string& text, const std::string& title) {
    MessageBoxW(Hwnd(), Widen(text).c_str(), Widen(title).c_str(), MB_OK);
}

void ShowAboutBox(HWND owner) {
    if (shared != nullptr && shared->InModal()) {
        SetForegroundWindow(shared->Hwnd());  // already up: there is only one
        return;
    }
    // A box whose window went with its owner, or that belongs to another owner, is made anew.
    if (shared != nullptr && (shared->Hwnd() == nullptr || shared->Owner() != owner)) {
        delete std::exchange(shared, nullptr);
    }
    if (shared == nullptr) {
        auto box = std::make_unique<frmAbout>(owner);
        if (!box->Loaded()) {
            return;  // no window could be made: nothing to show
        }
        shared = box.release();
    }
    shared->CentreOnScreenOf(owner);
    DialogWindow::ModalEnd end = DialogWindow::ModalEnd::Destroyed;
    try {
        end = shared->RunModal(owner);
    } catch (...) {
        delete std::exchange(shared, nullptr);
        throw;
    }
    if (shared->UnloadRequested() || end != DialogWindow::ModalEnd::Ended) {
        delete std::exchange(shared, nullptr);  // unloaded: the next use loads a fresh one
    }
}

}  // namespace zarnetcalc::forms::win32
