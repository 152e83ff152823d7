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
#include "common/win32/WideText.h"
#include "demo/KeyScript.h"

namespace {

using zarnetcalc::win32::Narrow;

constexpr const char* kSynopsis =
    "Usage: zarnetcalc-demo\n"
    "       zarnetcalc-demo --keys \"SCRIPT\" [--screenshot FILE.png]\n"
    "\n";
constexpr const char* kPlatformNote =
    "\nThe component (zarnetcalc.dll) must be registered: regsvr32 zarnetcalc.dll\n";

// How long the script waits for the calculator to open before it gives up.
constexpr unsigned kOpenWaitMs = 20000;

int Fail(int status, const char* message, const std::string& detail = "") {
    std::fprintf(stderr, "zarnetcalc-demo: %s%s\n", message, detail.c_str());
    std::fflush(stderr);
    return status;
}

struct Options {
    std::optional<std::string> keys;
    std::wstring screenshot;
    bool help = false;
    std::string unknown;  // the first argument that is no option of ours
};

std::optional<Options> ParseOptions(const std::vector<std::wstring>& args, int& status) {
    Options options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        auto value = [&](const std::wstring& name) -> std::optional<std::wstring> {
            if (arg.rfind(name + L"=", 0) == 0) {
                return arg.substr(name.size() + 1);
            }
            if (arg != name) {
                return std::nullopt;
            }
            if (i + 1 >= args.size()) {
                return std::wstring();  // reported below as missing
            }
            return args[++i];
        };
        if (arg == L"--help" || arg == L"-h") {
            options.help = true;
        } else if (arg == L"--keys" && i + 1 >= args.size()) {
            status = Fail(2, "--keys needs a SCRIPT");
            return std::nullopt;
        } else if (auto keys = value(L"--keys")) {
            options.keys = Narrow(*keys);
        } else if (auto file = value(L"--screenshot")) {
            if (file->empty()) {
                status = Fail(2, "--screenshot needs a FILE.png");
                return std::nullopt;
            }
            options.screenshot = *file;
        } else if (options.unknown.empty()) {
            options.unknown = Narrow(arg);
        }
    }
    return options;
}

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
    SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    INPUT click[2] = {};
    click[0].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].type = INPUT_MOUSE;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));

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
    std::vector<std::wstring> args(argv, argv + (argv != nullptr ? argc : 0));
    LocalFree(argv);

    int status = 0;
    std::optional<Options> options = ParseOptions(args, status);
    if (!options) {
        return status;
    }
    if (options->help) {
        std::fputs(kSynopsis, stdout);
        std::fputs(zarnetcalc::demo::kScriptUsage, stdout);
        std::fputs(kPlatformNote, stdout);
        return 0;
    }
    if (!options->screenshot.empty() && !options->keys) {
        return Fail(2, "--screenshot needs --keys");
    }

    // The whole script is read before anything is shown.
    zarnetcalc::demo::ParsedScript script;
    if (options->keys) {
        script = zarnetcalc::demo::ParseKeyScript(*options->keys);
        if (!script.ok()) {
            return Fail(2, "unknown token in --keys: ", script.unknownToken);
        }
    }
    if (!options->unknown.empty()) {
        return Fail(2, "unknown option: ", options->unknown);
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
            zarnetcalc::demo::ScriptPlayer player(std::move(script.tokens), options->screenshot);
            window.SetScriptPlayer(&player);
            result = RunScript(window, player);
            window.SetScriptPlayer(nullptr);
        } else {
            ShowWindow(window.Hwnd(), SW_SHOWNORMAL);
            result = window.Run();
        }
    }
    CoUninitialize();
    return result;
}
