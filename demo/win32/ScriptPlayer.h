// Plays a parsed key script into the calculator once it is open, from a timer that ticks inside
// the component's modal loop, through real input (SendInput): a mouse click at a button's centre,
// or a key to the focused control. Prints one line per token once the token has been handled;
// ends the calculator with Close if the script left it open. Parsing is KeyScript's; opening the
// calculator and printing the Result line are the host's.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "Screenshot.h"
#include "demo/KeyScript.h"

namespace zarnetcalc::demo {

class ScriptPlayer {
  public:
    ScriptPlayer(std::vector<KeyToken> tokens, std::wstring screenshotPath);
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;
    ~ScriptPlayer();

    // Waits for the calculator to open (for up to waitMs), then plays. Call before it is shown.
    void Start(unsigned waitMs);
    void Stop();
    // The calculator has ended (Show returned): the token that ended it and the rest of the
    // script are reported as closed, and the screenshot shows it as it was when it ended.
    void CalculatorEnded();

    bool Finished() const { return finished_; }
    bool GaveUp() const { return gaveUp_; }
    bool ScreenshotFailed() const { return screenshotFailed_; }

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    void Tick();
    bool Settled() const;
    void Deliver(const KeyToken& token);
    void PrintLine(const KeyToken& token);
    void PrintClosed(const KeyToken& token);
    void CloseNestedModal();
    void Finish();
    void WriteScreenshot();

    std::vector<KeyToken> tokens_;
    std::wstring screenshotPath_;
    Picture picture_;  // the calculator as it looked after the last token it handled
    HWND dialog_ = nullptr;
    UINT_PTR timer_ = 0;
    DWORD started_ = 0;
    DWORD waitMs_ = 0;
    DWORD delivered_ = 0;  // when the token awaiting its line was delivered
    std::size_t next_ = 0;
    bool awaitingLine_ = false;
    int nestedAttempts_ = 0;
    int closeAttempts_ = 0;
    bool finishing_ = false;
    bool finished_ = false;
    bool gaveUp_ = false;
    bool screenshotWritten_ = false;
    bool screenshotFailed_ = false;
};

}  // namespace zarnetcalc::demo
