// The calculator's face as one window that draws every control of the layout table (but the timer,
// which is no control one sees): each is an entry of its model, at the table's place. The keys
// (the keypad, FIX, AC, CE, Close, About) are painted as push buttons (the visual style's where
// themes are on, the classic frame otherwise) and pressed for the mouse and Space as buttons are;
// the display and the FIX indicator are painted by the dialog's routine; the two hidden buttons
// (which take the focus from the keyboard) and the two unused labels are never drawn nor reached
// by the mouse. The window keeps which entry has the focus, and answers screen readers with one
// accessible object that has a child per entry. What a click does, and the rest of the keyboard,
// are the dialog's.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <uxtheme.h>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/Handles.h"
#include "forms/CalculatorControls.h"

namespace zarnetcalc::forms::win32 {

class Keypad {
  public:
    // The window is made over parent's whole client area. onClick gets the collection index of
    // the entry clicked (by the mouse, Space, Enter, an access key or a screen reader's default
    // action); paintLabel paints the display or the indicator in its rectangle.
    using LabelPainter = std::function<void(HDC dc, std::size_t index, const RECT& area)>;
    Keypad(HWND parent, int id, std::function<void(std::size_t)> onClick, LabelPainter paintLabel);
    ~Keypad();
    Keypad(const Keypad&) = delete;
    Keypad& operator=(const Keypad&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // The keypad of a keypad window while the window lives, else null.
    static Keypad* FromWindow(HWND window);
    // Whether the control at that collection index is an entry here (all but the timer).
    static bool Holds(std::size_t index);
    // An entry's place, in the window's client pixels and on the screen.
    RECT ClientRect(std::size_t index) const;
    RECT ScreenRect(std::size_t index) const;

    // The entries' places for the DPI (the layout table's, in pixels), and the keys' font.
    void Layout(int dpi, HFONT font);

    void SetEnabled(std::size_t index, bool enabled);
    bool Enabled(std::size_t index) const;
    // Gives an entry the focus within the keypad (the window itself takes the system's focus as
    // the dialog gives it); a screen reader hears the move when the window has the focus.
    void Focus(std::size_t index);
    std::optional<std::size_t> Focused() const;
    // The entry after (or before) the focused one in tab order, which Tab and the arrows move to.
    std::optional<std::size_t> Next(bool backwards) const;
    // The entry whose caption has this access key ("&FIX": f), enabled or not.
    std::optional<std::size_t> ForAccessKey(char32_t key) const;
    // Presses an entry as its click would, unless it is disabled.
    void Click(std::size_t index);

    // What a label shows (repainted, and told to screen readers as its name and value), or the
    // focus holder's name for screen readers (the display's figure, or a message said instead).
    void SetText(std::size_t index, const std::wstring& text);
    const std::wstring& Text(std::size_t index) const;

    // For the accessible object: an entry's facts and place in screen pixels.
    struct EntryFacts {
        std::size_t index;
        std::wstring name;  // a key's accessible name; what a label or the focus holder says
        bool key, label;    // drawn as a key, or as a label
        bool enabled, focused, pressed, isDefault;
        RECT screen;
    };
    std::size_t EntryCount() const { return entries_.size(); }
    // Entries are the accessible object's children 1 to EntryCount(), in the collection's order.
    static LONG ChildId(std::size_t entry) { return static_cast<LONG>(entry + 1); }
    std::optional<std::size_t> EntryOfChild(LONG child) const {
        return child > 0 && static_cast<std::size_t>(child) <= entries_.size()
                   ? std::optional<std::size_t>(child - 1)
                   : std::nullopt;
    }
    EntryFacts Facts(std::size_t entry) const;
    std::optional<std::size_t> EntryAt(POINT screen) const;  // a key or a label
    std::optional<std::size_t> EntryOf(std::size_t index) const;
    bool HasFocus() const { return GetFocus() == hwnd_; }
    // A screen reader's default action: the click, posted so that it runs outside the call.
    void PostClick(std::size_t index);

  private:
    struct Entry {
        std::size_t index;  // in the control collection
        RECT rect{};        // client pixels
        bool enabled = true;
        std::wstring text;  // a label's, or the focus holder's spoken name
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc) const;
    // cues: the window's keyboard-cue state (UISF_*); focus: the focused entry, if it has focus.
    void PaintKey(HDC dc, const Entry& entry, WORD cues, std::optional<std::size_t> focus) const;
    static bool IsKey(const Entry& entry);
    static bool IsLabel(const Entry& entry);
    bool IsDefault(const Entry& entry) const;
    bool ShowsPressed(std::size_t entry) const;
    std::optional<std::size_t> HitTest(POINT client) const;
    void Redraw(std::optional<std::size_t> entry);
    void SetHot(std::optional<std::size_t> entry);
    void NotifyFocus() const;

    HWND hwnd_ = nullptr;
    std::function<void(std::size_t)> onClick_;
    LabelPainter paintLabel_;
    std::vector<Entry> entries_;
    std::array<int, layout::kControls.size()> entryOf_{};  // -1: no entry
    std::vector<std::size_t> tabOrder_;                    // entries in tab order
    std::optional<std::size_t> focus_, hot_, pressed_;     // entries
    bool mouseInside_ = false;  // the pointer is over the pressed entry (while captured)
    bool spaceDown_ = false;    // Space holds the focused entry down
    bool tracking_ = false;     // asked for WM_MOUSELEAVE
    HFONT font_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    HTHEME theme_ = nullptr;
};

}  // namespace zarnetcalc::forms::win32
