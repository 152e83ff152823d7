// The system clipboard's text as UTF-8, read and written on behalf of a window of this thread, and
// read within a bounded time. Header-only: the calculator dialog and the sample host both use it.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
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

// The clipboard's text, read on a thread of its own, waiting at most waitMs: an owner that
// renders its text only when asked (delayed rendering) may take as long as it likes, and would
// hold the caller's thread all that time. Nothing when it did not answer in time. While waiting,
// messages sent to this thread are handled (an owner on this thread renders meanwhile). The
// reading thread keeps the module that started it loaded until it ends.
inline std::optional<std::string> ClipboardTextWithin(DWORD waitMs) {
    struct Read {
        std::atomic<int> holders{2};  // this thread and the reader
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::optional<std::string> text;
        void Release() {
            if (--holders == 0) {
                CloseHandle(done);
                delete this;
            }
        }
    };
    struct Reader {
        static DWORD WINAPI Run(void* parameter) {
            auto* read = static_cast<Read*>(parameter);
            read->text = ClipboardText(nullptr);
            SetEvent(read->done);
            read->Release();
            HMODULE self = nullptr;
            GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                   GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCWSTR>(&Run), &self);
            FreeLibraryAndExitThread(self, 0);  // the reference taken when it started
        }
    };
    auto* read = new Read;
    HMODULE module = nullptr;
    HANDLE thread = nullptr;
    if (read->done != nullptr &&
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&Reader::Run), &module)) {
        thread = CreateThread(nullptr, 0, &Reader::Run, read, 0, nullptr);
        if (thread == nullptr) {
            FreeLibrary(module);
        }
    }
    if (thread == nullptr) {
        read->holders = 1;
        read->Release();
        return std::nullopt;
    }
    CloseHandle(thread);
    const DWORD start = GetTickCount();
    bool answered = false;
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= waitMs) {
            break;
        }
        const DWORD woken =
            MsgWaitForMultipleObjectsEx(1, &read->done, waitMs - spent, QS_SENDMESSAGE, 0);
        if (woken == WAIT_OBJECT_0) {
            answered = true;
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            break;
        }
        MSG sent{};
        PeekMessageW(&sent, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // handles them
    }
    std::optional<std::string> text = answered ? read->text : std::nullopt;
    read->Release();
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
