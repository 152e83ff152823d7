// The About box as a native Win32 window: its controls laid out from the table the Qt box uses
// too, the etched separator and the icon drawn, the About logic bound to them. The texts and the
// system-information launcher are about/'s.
//
//     zarnetcalc::forms::win32::ShowAboutBox(calculatorWindow);  // modal; returns when closed
#pragma once

#include <string>

#include "about/AboutLogic.h"
#include "forms/win32/DialogWindow.h"
#include "forms/win32/SysInfo.h"

namespace zarnetcalc::forms::win32 {

// Shows the shared About box modally over owner and returns when it is closed. The box is made
// on first use, centred on the work area of the owner's monitor, and unloaded by its OK button
// (Enter, Esc and the title bar's close button press OK).
void ShowAboutBox(HWND owner);

class frmAbout final : public DialogWindow, private about::AboutControls {
  public:
    explicit frmAbout(HWND owner);  // makes the window (hidden), then runs Form_Load
    ~frmAbout() override;

    bool Loaded() const { return Hwnd() != nullptr; }
    bool UnloadRequested() const { return unloadRequested_; }
    HWND Owner() const { return owner_; }
    // Moves the box to the centre of the work area of the monitor that holds window.
    void CentreOnScreenOf(HWND window);

  private:
    // DialogWindow
    void CreateControls() override;
    void Layout() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnCommand(int id) override;
    void OnCloseRequest() override;
    HWND CancelButton() const override { return cmdOK_; }
    HWND DefaultButton() const override { return cmdOK_; }

    // AboutControls
    void SetCaption(const std::string& text) override;
    void SetTitle(const std::string& text) override;
    void SetVersion(const std::string& text) override;
    void Unload() override;
    void ShowMessage(const std::string& text, const std::string& title) override;

    void Paint();

    about::AboutLogic logic_{*this, Win32SysInfoPlatform()};
    HWND owner_ = nullptr;
    HWND controls_[5] = {};
    HWND cmdOK_ = nullptr;
    HWND cmdSysInfo_ = nullptr;
    HWND lblTitle_ = nullptr;
    HWND lblVersion_ = nullptr;
    zarnetcalc::win32::UniqueFont titleFont_;
    zarnetcalc::win32::UniqueIcon smallIcon_;
    zarnetcalc::win32::UniqueIcon bigIcon_;
    bool unloadRequested_ = false;
};

}  // namespace zarnetcalc::forms::win32
