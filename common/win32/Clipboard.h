// The system clipboard's text as UTF-8, read and written on behalf of a window of this thread.
// Header-only: the calculator dialog and the sample host both use it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "common/win32/WideText.h"

namespace zarnetcalc::win32 {

// Nothing when the clipboard holds no text (or another program keeps it open).
inline std::optional<std::string> ClipboardText(HWND owner) {
    std::optional<std::string> text;
    if (!OpenClipboard(owner)) {
        return text;
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = Narrow(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

inline bool SetClipboardText(HWND owner, std::string_view text) {
    const std::wstring wide = Widen(text);
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (data == nullptr) {
        return false;
    }
    if (auto* copy = static_cast<wchar_t*>(GlobalLock(data))) {
        std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, copy);
        GlobalUnlock(data);
    }
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        if (SetClipboardData(CF_UNICODETEXT, data) != nullptr) {
            data = nullptr;  // the clipboard's now
        }
        CloseClipboard();
    }
    if (data != nullptr) {
        GlobalFree(data);
        return false;
    }
    return true;
}

}  // namespace zarnetcalc::win32
