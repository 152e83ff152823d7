// Where the calculator dialog's controls are and what they show, found by their published names
// (zarnetcalc/ControlNames.h) as a host or a test finds them: children of the accessible object of
// the window that draws them. For the sample host's scripted mode and the Windows checks; nothing
// here is part of the component. Header-only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <oleacc.h>
#include <wrl/client.h>

#include <optional>
#include <string_view>

#include "common/win32/WideText.h"
#include "zarnetcalc/ControlNames.h"

namespace zarnetcalc::win32 {

// IAccessible's identifier, written out: the one in MinGW's import library is not a constant.
inline constexpr IID kIidAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The keypad window's accessible object, null when there is none.
inline Microsoft::WRL::ComPtr<IAccessible> KeypadObject(HWND dialog) {
    Microsoft::WRL::ComPtr<IAccessible> keypad;
    if (HWND window = GetDlgItem(dialog, controls::kCalculatorKeypadId)) {
        AccessibleObjectFromWindow(window, OBJID_CLIENT, kIidAccessible,
                                   reinterpret_cast<void**>(keypad.GetAddressOf()));
    }
    return keypad;
}

// The accessible child of a control (-1, no child at all, for a name that is none).
inline VARIANT KeyChild(std::string_view name) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    const long id = controls::CalculatorChildId(name);
    child.lVal = id != 0 ? id : -1;
    return child;
}

// Where the control is on the screen.
inline std::optional<RECT> ControlRect(HWND dialog, std::string_view name) {
    long left = 0, top = 0, width = 0, height = 0;
    const auto keypad = KeypadObject(dialog);
    if (!keypad || FAILED(keypad->accLocation(&left, &top, &width, &height, KeyChild(name)))) {
        return std::nullopt;
    }
    return RECT{left, top, left + width, top + height};
}

// What a label shows (its accessible value), UTF-8.
inline std::string ControlText(HWND dialog, std::string_view name) {
    const auto keypad = KeypadObject(dialog);
    BSTR value = nullptr;
    if (!keypad || FAILED(keypad->get_accValue(KeyChild(name), &value)) || value == nullptr) {
        return {};
    }
    const std::string text = Narrow(value);
    SysFreeString(value);
    return text;
}

// Whether a key shows pressed (by the mouse or Space).
inline bool AnyKeyPressed(HWND dialog) {
    const auto keypad = KeypadObject(dialog);
    long count = 0;
    if (!keypad || FAILED(keypad->get_accChildCount(&count))) {
        return false;
    }
    for (long id = 1; id <= count; ++id) {
        VARIANT child;
        VariantInit(&child);
        child.vt = VT_I4;
        child.lVal = id;
        VARIANT state;
        VariantInit(&state);
        if (SUCCEEDED(keypad->get_accState(child, &state)) && state.vt == VT_I4 &&
            (state.lVal & STATE_SYSTEM_PRESSED) != 0) {
            return true;
        }
    }
    return false;
}

}  // namespace zarnetcalc::win32
