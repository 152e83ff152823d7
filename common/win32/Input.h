// Real input through the system (SendInput), as the sample host's scripted mode and the Windows
// checks type and click: a key with its modifiers, and a left click at the centre of a rectangle
// of the screen. Header-only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace zarnetcalc::win32 {

// Presses and releases one key as the keyboard would: modifiers first, then the key.
inline void PressKey(unsigned vk, bool shift = false, bool alt = false, bool ctrl = false) {
    INPUT inputs[8] = {};
    UINT count = 0;
    auto add = [&](unsigned key, bool up) {
        INPUT& input = inputs[count++];
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key);
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        if (key == VK_DIVIDE || key == VK_INSERT) {
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;  // the keypad shares their scan codes
        }
    };
    if (shift) {
        add(VK_SHIFT, false);
    }
    if (ctrl) {
        add(VK_CONTROL, false);
    }
    if (alt) {
        add(VK_MENU, false);
    }
    add(vk, false);
    add(vk, true);
    if (alt) {
        add(VK_MENU, true);
    }
    if (ctrl) {
        add(VK_CONTROL, true);
    }
    if (shift) {
        add(VK_SHIFT, true);
    }
    SendInput(count, inputs, sizeof(INPUT));
}

// A left click at the centre of a rectangle of the screen: whatever lies on top there gets it,
// and a disabled button lets it go by.
inline void ClickAt(const RECT& r) {
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace zarnetcalc::win32
