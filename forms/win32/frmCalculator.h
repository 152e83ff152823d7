// The calculator dialog as a native Win32 window: the layout table that the Qt dialog uses too,
// drawn by one window (Keypad.h) and bound to the calculator logic, with the key preview of
// DialogWindow; the display and the FIX indicator are painted here. The logic itself lives in
// calculator/; placing and showing the dialog is the component's.
//
//     zarnetcalc::forms::win32::frmCalculator dialog(owner);  // controls made, Form_Load run
//     dialog.MoveTo(1500.0f, 3000.0f);                        // twips
//     dialog.SetDisplayText("0");
//     dialog.RunModal(owner);                                 // until Close, F2 or Esc
//     std::string outcome = dialog.Tag(), figure = dialog.DisplayText();
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "calculator/Calculator.h"
#include "calculator/ControlSurface.h"
#include "forms/CalculatorControls.h"
#include "forms/win32/DialogWindow.h"
#include "forms/win32/Keypad.h"

namespace zarnetcalc::forms::win32 {

class frmCalculator final : public DialogWindow, private calculator::ControlSurface {
  public:
    // Makes the window (hidden) with every control of the layout table, then runs Form_Load.
    explicit frmCalculator(HWND owner);
    ~frmCalculator() override;

    // False when the window could not be made; nothing else works then.
    bool Loaded() const { return Hwnd() != nullptr; }

    std::string Tag() const override;
    std::string DisplayText() const override;
    void SetDisplayText(std::string_view text) override;
    calculator::Calculator& Logic() { return logic_; }

    // The window's outer rectangle in twips at its DPI. A position that is not finite is
    // ignored; one far off any desktop is brought within a million pixels.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void MoveTo(float leftTwips, float topTwips);

  private:
    // DialogWindow
    void CreateControls() override;
    void Layout() override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnCloseRequest() override;
    void PreviewKeyDown(unsigned vk, char32_t typed, std::int16_t shift) override;
    void PreviewChar(char32_t typed) override;
    bool HandleNavigationKey(unsigned vk) override;
    bool HandleAccessKey(char32_t typed) override;

    // ControlSurface, the operations the logic calls
    void SetIndicatorText(std::string_view text) override;
    void SetTag(std::string_view text) override;
    std::size_t ControlCount() const override { return layout::kControls.size(); }
    void SetControlEnabled(std::size_t index, bool enabled) override;
    std::size_t IndexOf(calculator::NamedControl control) const override {
        return layout::IndexOf(control);
    }
    void FocusTmp() override;
    void HideDialog() override;
    void ShowAboutBox() override;
    std::optional<std::string> ClipboardText() const override;
    void SetClipboardText(std::string_view text) override;
    void Announce(std::string_view message) override;

    void FocusKey(std::optional<std::size_t> index);
    void ShowDisplayMenu(POINT at);
    void SetTimerRunning(bool running);
    void DrawLabel(HDC dc, std::size_t index, RECT area) const;
    void DrawDisplay(HDC dc, RECT area) const;
    RECT OuterRect() const;

    calculator::Calculator logic_{*this};
    std::optional<Keypad> keypad_;
    int timerId_ = 0;
    bool timerRunning_ = false;

    zarnetcalc::win32::UniqueFont displayFont_;
    zarnetcalc::win32::UniqueFont indicatorFont_;

    std::string display_;  // txtDisplay's text, kept as the logic reads it
    std::string tag_;
};

}  // namespace zarnetcalc::forms::win32
