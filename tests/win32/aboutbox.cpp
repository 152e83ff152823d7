// zc-aboutbox.exe: the Windows About box as a user meets it, for the Windows checks. It opens the
// box, prints its texts, presses Alt+S (System Info...) through the system's input, and then:
//   unavailable  prints the message box that follows (title, text, buttons, owner) and closes
//                it with Enter;
//   started      prints whether the system-information tool was started: the tool is a copy of
//                this program, which, run without arguments, leaves a mark in the file named by
//                ZC_ABOUTBOX_MARK.
// Esc then closes the box, and the check prints whether it was unloaded. The box opens over an
// owner window, which must be disabled while it is up and active again after it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "common/win32/Input.h"
#include "forms/win32/DialogWindow.h"
#include "forms/win32/frmAbout.h"
#include "zarnetcalc/ControlNames.h"

namespace {

using zarnetcalc::controls::AboutControlId;
using zarnetcalc::controls::kAboutClass;
using zarnetcalc::forms::win32::WindowText;

constexpr DWORD kTimeoutMs = 20000;

enum class Mode { Unavailable, Started };
enum class Step { OpenBox, Answer, CloseBox, Done };

Mode mode = Mode::Unavailable;
HWND owner = nullptr;
Step step = Step::OpenBox;
DWORD started = 0;
DWORD stepStarted = 0;
std::string mark;
bool failed = false;

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

struct Search {
    const wchar_t* className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    wchar_t name[64] = {};
    if ((IsWindowVisible(window) || !search->visibleOnly) && GetClassNameW(window, name, 64) > 0 &&
        lstrcmpW(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A top-level window of this thread with this class, else null.
HWND FindWindowOfClass(const wchar_t* className, bool visibleOnly = true) {
    Search search{className, visibleOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ButtonsOf(HWND box) {
    std::string buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        if (IsWindowVisible(child) && GetClassNameW(child, name, 16) > 0 &&
            lstrcmpiW(name, L"Button") == 0) {
            buttons += (buttons.empty() ? "" : ", ") + WindowText(child);
        }
    }
    return buttons;
}

void Next(Step next) {
    step = next;
    stepStarted = GetTickCount();
}

void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    if (GetTickCount() - started > kTimeoutMs) {
        Print("timed out");
        failed = true;
        KillTimer(nullptr, timer);
        PostQuitMessage(1);  // ends the box's loop
        return;
    }
    const HWND about = FindWindowOfClass(kAboutClass);
    const HWND message = FindWindowOfClass(L"#32770");
    switch (step) {
        case Step::OpenBox: {
            if (about == nullptr || GetForegroundWindow() != about) {
                return;
            }
            Print("caption: " + WindowText(about));
            Print(std::string("owner while the box is up: ") +
                  (IsWindowEnabled(owner) ? "enabled" : "disabled"));
            for (const char* name :
                 {"lblTitle", "lblVersion", "Label1(1)", "cmdOK", "cmdSysInfo"}) {
                Print(std::string(name) + ": " +
                      WindowText(GetDlgItem(about, *AboutControlId(name))));
            }
            zarnetcalc::win32::PressKey('S', false, true);
            Next(Step::Answer);
            return;
        }
        case Step::Answer:
            if (mode == Mode::Unavailable) {
                if (message == nullptr) {
                    return;
                }
                Print("message box: \"" + WindowText(message) +
                      "\": " + WindowText(GetDlgItem(message, 0xFFFF)));
                Print("message box buttons: " + ButtonsOf(message));
                Print(std::string("message box owner: ") +
                      (GetWindow(message, GW_OWNER) == about ? "the About box" : "another"));
                zarnetcalc::win32::PressKey(VK_RETURN, false, false);
                Next(Step::CloseBox);
                return;
            }
            if (GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES) {
                if (GetTickCount() - stepStarted < 10000) {
                    return;
                }
                Print("the tool was not started");
            } else {
                Print("the tool was started");
            }
            if (message != nullptr) {
                Print("message box: \"" + WindowText(message) +
                      "\": " + WindowText(GetDlgItem(message, 0xFFFF)));
                zarnetcalc::win32::PressKey(VK_RETURN, false, false);
            }
            Next(Step::CloseBox);
            return;
        case Step::CloseBox:
            if (message != nullptr || about == nullptr || !IsWindowEnabled(about)) {
                return;  // the message box is still closing
            }
            zarnetcalc::win32::PressKey(VK_ESCAPE, false, false);
            Next(Step::Done);
            return;
        case Step::Done:
            return;
    }
}

// Run as the system-information tool: leave the mark and end.
int LeaveMark() {
    const char* file = std::getenv("ZC_ABOUTBOX_MARK");
    if (file == nullptr) {
        return 2;
    }
    if (FILE* out = std::fopen(file, "w")) {
        std::fputs("started\n", out);
        std::fclose(out);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return LeaveMark();
    }
    if (std::strcmp(argv[1], "unavailable") == 0) {
        mode = Mode::Unavailable;
    } else if (std::strcmp(argv[1], "started") == 0) {
        mode = Mode::Started;
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        mark = std::string(folder) + "zc-aboutbox-mark.txt";
        DeleteFileA(mark.c_str());
        SetEnvironmentVariableA("ZC_ABOUTBOX_MARK", mark.c_str());
    } else {
        std::puts("usage: zc-aboutbox unavailable | started");
        return 2;
    }

    owner = CreateWindowExW(0, L"STATIC", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 400,
                            300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(owner);
    started = GetTickCount();
    SetTimer(nullptr, 0, 10, Tick);
    zarnetcalc::forms::win32::ShowAboutBox(owner);
    Print(std::string("after OK: ") + (FindWindowOfClass(kAboutClass, false) == nullptr
                                           ? "no About box left"
                                           : "the box is still there"));
    Print(std::string("owner after OK: ") + (IsWindowEnabled(owner) ? "enabled" : "disabled") +
          (GetActiveWindow() == owner ? ", active" : ", not active"));
    DestroyWindow(owner);
    if (mode == Mode::Started) {
        DeleteFileA(mark.c_str());
    }
    return failed ? 1 : 0;
}
