// The sample host's main window on Windows: a read-only number field, a "Calculator..." button
// that opens the calculator component over the window, and a line telling how it ended.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <optional>

#include "Component.h"
#include "common/win32/Handles.h"

namespace zarnetcalc::demo {

class ScriptPlayer;

class HostWindow {
  public:
    HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow();

    // Creates the component by its programmatic identifier and the window (hidden); false, with
    // the reason printed, when either fails.
    bool Create();
    HWND Hwnd() const { return hwnd_; }
    HWND CalculatorButton() const { return cmdCalculator_; }
    bool LastShowFailed() const { return lastShowFailed_; }

    // The player told when the calculator has ended; with one, the host closes itself after the
    // first run of the calculator.
    void SetScriptPlayer(ScriptPlayer* player) { player_ = player; }
    // With on, the clipboard's text is printed ("Clipboard=TEXT") before each Result line.
    void PrintClipboard(bool on) { printClipboard_ = on; }
    // The number field's figure, which the calculator opens on (ShowFrom) and writes back when
    // it is closed with a figure. With none, the calculator opens at "0" (Show), as the scripted
    // mode does without --start.
    void SetNumber(std::optional<double> number);

    // Runs the calculator modally; on return shows the outcome and prints it on stdout as
    // "Result=R Cancelled=C ErrorOccurred=E".
    void OpenCalculator();

    // The message loop, until the window is closed; returns the exit status it was given.
    int Run();

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void SetOutcome(const wchar_t* text);

    Component calc_;  // one object, shown any number of times
    HWND hwnd_ = nullptr;
    HWND txtNumber_ = nullptr;
    HWND cmdCalculator_ = nullptr;
    HWND lblOutcome_ = nullptr;
    zarnetcalc::win32::UniqueFont font_;  // the controls' font, freed after the window goes
    ScriptPlayer* player_ = nullptr;
    std::optional<double> number_ = 0.0;
    bool lastShowFailed_ = false;
    bool printClipboard_ = false;
    bool inShow_ = false;
};

}  // namespace zarnetcalc::demo
