// The sample host window on Windows: how an application uses the component through its
// dispatch interface, synchronously from a button's handler.
#include "HostWindow.h"

#include <cstdio>
#include <string>

#include "ScriptPlayer.h"
#include "common/win32/Clipboard.h"
#include "common/win32/WideText.h"
#include "demo/SampleHost.h"

namespace zarnetcalc::demo {

namespace {

constexpr const wchar_t* kWindowClass = L"ZarnetCalcDemo.HostWindow";
constexpr int kNumberId = 101;
constexpr int kOutcomeId = 102;
// The button is the window's default: Enter presses it wherever the focus is.
constexpr int kCalculatorId = IDOK;

void PrintError(const char* what, const CallError& error) {
    Fail(1, what, ": " + error.description + " (error " + std::to_string(error.number) + ")");
}

}  // namespace

HostWindow::~HostWindow() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool HostWindow::Create() {
    CallError error;
    if (!calc_.Create(L"ZarnetCalc.clsZarnetCalc", error)) {
        Fail(1, error.description);
        return false;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, L"ZarnetCalc demo", style, 100, 100,
                            360, 150, nullptr, nullptr, instance, this);
    if (hwnd_ == nullptr) {
        Fail(1, "cannot make the window");
        return false;
    }
    // A client area of 360 by 150 at this window's DPI, laid out in that unit.
    const int dpi = static_cast<int>(GetDpiForWindow(hwnd_));
    auto px = [dpi](int units) { return MulDiv(units, dpi, USER_DEFAULT_SCREEN_DPI); };
    RECT frame{0, 0, px(360), px(150)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                   static_cast<UINT>(dpi))) {
        font_.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
    }
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD childStyle, int id, int x,
                     int y, int w, int h) {
        HWND window =
            CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, text,
                            WS_CHILD | WS_VISIBLE | childStyle, px(x), px(y), px(w), px(h), hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return window;
    };
    child(L"STATIC", L"&Number:", SS_LEFT, -1, 12, 15, 70, 20);
    txtNumber_ = child(L"EDIT", L"0", WS_TABSTOP | ES_RIGHT | ES_READONLY | ES_AUTOHSCROLL,
                       kNumberId, 90, 12, 258, 24);
    cmdCalculator_ = child(L"BUTTON", L"&Calculator...", WS_TABSTOP | BS_DEFPUSHBUTTON,
                           kCalculatorId, 238, 50, 110, 30);
    lblOutcome_ = child(L"STATIC", L"Press Calculator... to work out a number.",
                        SS_LEFT | SS_NOPREFIX, kOutcomeId, 12, 100, 336, 40);
    return true;
}

void HostWindow::SetNumber(std::optional<double> number) {
    number_ = number;
    SetWindowTextW(txtNumber_, zarnetcalc::win32::Widen(ResultText(number.value_or(0))).c_str());
}

void HostWindow::SetOutcome(const wchar_t* text) {
    SetWindowTextW(lblOutcome_, text);
}

void HostWindow::OpenCalculator() {
    if (inShow_) {
        return;  // the calculator is modal; its owner cannot press the button again meanwhile
    }
    inShow_ = true;
    lastShowFailed_ = false;
    CallError error;
    const bool shown = calc_.SetOwner(hwnd_, error) &&
                       (number_ ? calc_.ShowFrom(*number_, error) : calc_.Show(error));
    inShow_ = false;
    if (player_ != nullptr) {
        player_->CalculatorEnded();
    }
    if (!shown) {
        lastShowFailed_ = true;
        SetOutcome(L"The calculator failed.");
        PrintError("Show failed", error);
        return;
    }

    double result = 0;
    bool cancelled = false;
    bool errorOccurred = false;
    if (!calc_.Result(result, error) || !calc_.Cancelled(cancelled, error) ||
        !calc_.ErrorOccurred(errorOccurred, error)) {
        lastShowFailed_ = true;
        PrintError("reading the outcome failed", error);
        return;
    }
    if (cancelled) {
        SetOutcome(L"Cancelled: the number is unchanged.");
    } else if (errorOccurred) {
        SetOutcome(L"The calculation ended in an error: the number is unchanged.");
    } else {
        SetNumber(result);
        SetOutcome(L"Taken from the calculator.");
    }
    if (printClipboard_) {
        PrintLine(ClipboardLine(zarnetcalc::win32::ClipboardText(hwnd_).value_or("")));
    }
    PrintLine(ResultLine(result, cancelled, errorOccurred));
}

int HostWindow::Run() {
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The dialog manager's keyboard for the host window: Tab, Enter, Alt+C.
        if (hwnd_ != nullptr && IsDialogMessageW(hwnd_, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT HostWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kCalculatorId && HIWORD(wParam) == BN_CLICKED) {
                OpenCalculator();
                if (player_ != nullptr) {
                    PostMessageW(hwnd, WM_CLOSE, 0, 0);  // a script runs the calculator once
                }
                return 0;
            }
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace zarnetcalc::demo
