// zarnetcalc-demo.exe: the sample host of the calculator component on Windows. Without arguments
// it opens its window; with --keys it types a script into the calculator and prints what the
// display shows, exactly as the Linux sample host does.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "HostWindow.h"
#include "ScriptPlayer.h"
#include "common/win32/Clipboard.h"
#include "common/win32/Input.h"
#include "common/win32/WideText.h"
#include "demo/SampleHost.h"

namespace {

using zarnetcalc::demo::Fail;

constexpr const char* kSynopsis =
    "Usage: zarnetcalc-demo [--start NUMBER]\n"
    "       zarnetcalc-demo --keys \"SCRIPT\" [--start NUMBER] [--clipboard TEXT]\n"
    "                       [--screenshot FILE.png]\n"
    "\n";
constexpr const char* kPlatformNote =
    "\nThe component (zarnetcalc.dll) must be registered: regsvr32 zarnetcalc.dll\n";

// How long the script waits for the calculator to open before it gives up.
constexpr unsigned kOpenWaitMs = 20000;

// Drawn at the DPI of the monitor the windows are on, where the system can tell.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        if (auto set = reinterpret_cast<SetContext>(
                reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))) {
            set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        }
    }
}

// Opens the calculator as a person would, with a click on the host's button; the player starts
// typing as soon as the calculator is up, and the host closes itself once it has printed the
// Result line.
int RunScript(zarnetcalc::demo::HostWindow& window, zarnetcalc::demo::ScriptPlayer& player) {
    ShowWindow(window.Hwnd(), SW_SHOWNORMAL);
    UpdateWindow(window.Hwnd());
    SetForegroundWindow(window.Hwnd());
    player.Start(kOpenWaitMs);

    RECT button{};
    GetWindowRect(window.CalculatorButton(), &button);
    zarnetcalc::win32::ClickAt(button);

    window.Run();
    player.Stop();
    if (window.LastShowFailed()) {
        return 1;
    }
    if (!player.Finished()) {
        return Fail(1, "the calculator did not open");
    }
    return player.ScreenshotFailed() ? 1 : 0;
}

}  // namespace

int main() {
    // Lines end in "\n" alone, as on Linux.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 0; argv != nullptr && i < argc; ++i) {
        args.push_back(zarnetcalc::win32::Narrow(argv[i]));
    }
    LocalFree(argv);

    int status = 0;
    std::optional<zarnetcalc::demo::HostOptions> options =
        zarnetcalc::demo::ParseHostOptions(args, kSynopsis, kPlatformNote, status);
    if (!options) {
        return status;
    }
    if (!options->others.empty()) {
        return Fail(2, "unknown option: ", args[options->others.front()]);
    }

    BecomeDpiAware();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return Fail(1, "cannot initialise COM");
    }
    int result = 0;
    {
        zarnetcalc::demo::HostWindow window;
        if (!window.Create()) {
            result = 1;
        } else if (options->keys) {
            if (options->clipboard) {
                zarnetcalc::win32::SetClipboardText(window.Hwnd(), *options->clipboard);
            }
            window.PrintClipboard(zarnetcalc::demo::Copies(options->script));
            window.SetNumber(options->start);
            zarnetcalc::demo::ScriptPlayer player(std::move(options->script.tokens),
                                                  zarnetcalc::win32::Widen(options->screenshot));
            window.SetScriptPlayer(&player);
            result = RunScript(window, player);
            window.SetScriptPlayer(nullptr);
        } else {
            if (options->start) {
                window.SetNumber(options->start);
            }
            ShowWindow(window.Hwnd(), SW_SHOWNORMAL);
            result = window.Run();
        }
    }
    CoUninitialize();
    return result;
}
