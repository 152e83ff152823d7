// A top-level Win32 window that runs modally over an owner with its own message loop, as the
// dialogs of the component need it: a key preview that sees every key before the focused control,
// the dialog manager's keyboard (Tab and arrows between controls, Enter on the focused button,
// Esc on the cancel button, Alt plus an access key), layout in twips for the window's DPI, and
// close requests that each dialog answers itself. What the controls are is left to the dialogs.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "common/win32/Handles.h"
#include "common/win32/WideText.h"
#include "forms/Twips.h"

namespace zarnetcalc::forms::win32 {

using zarnetcalc::win32::Narrow;
using zarnetcalc::win32::Widen;
using zarnetcalc::win32::WindowText;

// The DPI a window is drawn at (96 for a process that is not DPI-aware), or the screen's when the
// window is null.
int DpiOf(HWND window);

// This code's module (the component's library, or a program it is linked into): the dialogs'
// window classes are registered for it.
HINSTANCE FormsModule();

// Registers a window class of FormsModule() once per load of the module (a later call with the
// same name returns the same atom). A library's classes outlive it unless it unregisters them, and
// a stale class would send the next load's windows to the old window procedure: the library's
// detach calls UnregisterFormsClasses.
ATOM RegisterFormsClass(const wchar_t* className, WNDPROC procedure);
void UnregisterFormsClasses();

// The object behind a window of such a class, for its window procedure: the creation parameter,
// kept in GWLP_USERDATA from WM_NCCREATE (where it learns its window through handle) to
// WM_NCDESTROY (where it forgets it). Null outside that span, and for WM_NCDESTROY itself.
template <class Object>
Object* ObjectOfWindow(HWND window, UINT message, LPARAM lParam, HWND Object::*handle) {
    if (message == WM_NCCREATE) {
        auto* object =
            static_cast<Object*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (object != nullptr) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
            object->*handle = window;
        }
        return object;
    }
    auto* object = reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object != nullptr && message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        object->*handle = nullptr;
        return nullptr;
    }
    return object;
}

class DialogWindow {
  public:
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    virtual ~DialogWindow();  // destroys the window with its controls

    // The window, or null once it is destroyed (also by someone else, such as its owner).
    HWND Hwnd() const { return hwnd_; }
    int Dpi() const { return dpi_; }

    enum class ModalEnd {
        Ended,      // EndModal
        Destroyed,  // the window was destroyed while it was up
        Quit,       // WM_QUIT arrived; it is posted again for the loops further out
    };
    // Shows the window over owner (which may be null) and handles messages until EndModal. The
    // owner is disabled meanwhile and enabled again before the window is hidden, so that the
    // activation returns to it. An exception thrown by a handler ends the loop and is rethrown
    // here, once the owner is enabled again.
    ModalEnd RunModal(HWND owner);
    // Ends RunModal's loop once the message being handled is done.
    void EndModal();
    bool InModal() const { return inModal_; }

  protected:
    DialogWindow() = default;
    // Destroys the window while the dialog deriving from this one is still whole; its
    // destructor calls this first.
    void Destroy();

    // Registers the class (once per module) and creates the window hidden, its client area the
    // given size in twips at the DPI of the owner's monitor. Controls are the dialog's to make,
    // in CreateControls; Layout places them. False when the window cannot be made.
    bool Create(const wchar_t* className, DWORD style, DWORD exStyle, HWND owner,
                int clientWidthTwips, int clientHeightTwips);
    virtual void CreateControls() = 0;
    // Places the controls and sets their fonts for Dpi(); again when the DPI changes.
    virtual void Layout() = 0;

    // Messages the dialog handles itself; returns false for those left to the default handling.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A button window was clicked (by the mouse, Space, or the keyboard handling below).
    virtual void OnCommand(int id);
    // The title bar's or the system's request to close (WM_CLOSE, SC_CLOSE, Alt+F4).
    virtual void OnCloseRequest() = 0;
    // The key preview: every key the window or one of its controls gets, before it does. typed is
    // the character the key types (0 for none).
    virtual void PreviewKeyDown(unsigned vk, char32_t typed, std::int16_t shift);
    virtual void PreviewChar(char32_t typed);
    // The buttons Esc and Enter press when the focus is not on a button; null for none.
    virtual HWND CancelButton() const { return nullptr; }
    virtual HWND DefaultButton() const { return nullptr; }
    // The dialog manager's keys, over the child windows: Tab and the arrows, Enter, Esc; and
    // Alt plus an access key. A dialog whose controls are no windows answers them itself. True
    // when the key was taken.
    virtual bool HandleNavigationKey(unsigned vk);
    virtual bool HandleAccessKey(char32_t typed);

    // A child control at place (client pixels) with the dialog's font; its text is UTF-8.
    HWND CreateChild(const wchar_t* windowClass, std::string_view text, DWORD style, int id,
                     const RECT& place);
    // Whether the controls stand where Layout would put them for Dpi(): made there, or placed
    // by Layout since. Each child moved is a round trip to the window system, so Layout moves
    // them only when the DPI has changed.
    bool ChildrenPlaced() const { return childrenDpi_ == dpi_; }
    // Presses a button as its click would, unless it is disabled.
    void Click(HWND button);
    // Gives the focus to a control now when the window is active, else when it next is.
    void FocusControl(HWND control);
    // The font controls use unless they name one: the system's message font at Dpi().
    HFONT DialogFont() const { return dialogFont_.Get(); }
    // A font of the named family where the system has it, else of the dialog font's family.
    zarnetcalc::win32::UniqueFont CreateNamedFont(const wchar_t* family, double points,
                                                  bool bold) const;
    RECT ClientRectFor(int left, int top, int width, int height) const {
        const PixelEdges e = PixelRect(left, top, width, height, dpi_);
        return RECT{e.left, e.top, e.right, e.bottom};
    }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleDialogKeys(MSG& msg);
    void SetDpi(int dpi);
    SIZE WindowSizeFor(int dpi) const;

    HWND hwnd_ = nullptr;
    int childrenDpi_ = 0;  // the DPI the controls were made or last placed for
    DWORD style_ = 0;
    DWORD exStyle_ = 0;
    int clientWidthTwips_ = 0;
    int clientHeightTwips_ = 0;
    int dpi_ = 96;
    zarnetcalc::win32::UniqueFont dialogFont_;
    HWND focus_ = nullptr;  // the control that gets the focus when the window is activated
    bool inModal_ = false;
    bool endRequested_ = false;
    std::exception_ptr failure_;  // thrown by a handler, rethrown by RunModal
};

}  // namespace zarnetcalc::forms::win32
