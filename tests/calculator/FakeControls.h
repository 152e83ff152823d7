// A stand-in for the calculator dialog's controls: records what the logic does to them, so the
// logic is tested without a window. The named controls sit inside the collection, as in the dialog.
#pragma once

#include <string>
#include <vector>

#include "calculator/ControlSurface.h"

namespace zarnetcalc::calculator::test {

class FakeControls : public ControlSurface {
  public:
    static constexpr std::size_t kCount = 29;
    static constexpr std::size_t kTimer1 = 1;
    static constexpr std::size_t kAC = 23;
    static constexpr std::size_t kDone = 24;
    static constexpr std::size_t kCancel = 26;
    static constexpr std::size_t kTmp = 27;

    std::string display;
    std::string indicator;
    std::string tag;
    std::vector<bool> enabled = std::vector<bool>(kCount, true);
    int focusCount = 0;
    int hideCount = 0;
    int aboutCount = 0;
    std::optional<std::string> clipboard;
    std::vector<std::string> announced;

    std::size_t IndexOf(NamedControl c) const override {
        switch (c) {
            case NamedControl::cmdAC:
                return kAC;
            case NamedControl::cmdDone:
                return kDone;
            case NamedControl::cmdCancel:
                return kCancel;
            case NamedControl::cmdTmp:
                return kTmp;
            case NamedControl::Timer1:
                return kTimer1;
        }
        return kCount;
    }

    std::string DisplayText() const override { return display; }
    void SetDisplayText(std::string_view text) override { display.assign(text); }
    void SetIndicatorText(std::string_view text) override { indicator.assign(text); }
    std::string Tag() const override { return tag; }
    void SetTag(std::string_view text) override { tag.assign(text); }
    std::size_t ControlCount() const override { return kCount; }
    void SetControlEnabled(std::size_t index, bool on) override { enabled.at(index) = on; }
    void FocusTmp() override { ++focusCount; }
    void HideDialog() override { ++hideCount; }
    void ShowAboutBox() override { ++aboutCount; }
    std::optional<std::string> ClipboardText() const override { return clipboard; }
    void SetClipboardText(std::string_view text) override { clipboard = std::string(text); }
    void Announce(std::string_view message) override { announced.emplace_back(message); }

    // The enabled states as a string of 1 and 0, easy to compare and to read in a failure.
    std::string EnabledPattern() const {
        std::string s;
        for (bool on : enabled) {
            s.push_back(on ? '1' : '0');
        }
        return s;
    }
};

}  // namespace zarnetcalc::calculator::test
