// Owners for the GDI and user handles the Win32 code makes: fonts, bitmaps, brushes, pens and
// icons are freed when their owner goes, an object selected into a device context is put back at
// the end of its scope, and a device context borrowed from a window is released. Header-only.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "common/UniqueHandle.h"

namespace zarnetcalc::win32 {

template <class Object>
void DeleteGdiObject(Object object) {
    DeleteObject(object);
}
template <class Object>
using UniqueGdi = UniqueHandle<Object, &DeleteGdiObject<Object>>;

using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueIcon = UniqueHandle<HICON, &DestroyIcon>;
using UniqueMemoryDc = UniqueHandle<HDC, &DeleteDC>;

// A window's device context (the screen's for a null window), released at the end of the scope.
class WindowDc {
  public:
    explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context for the length of a scope, then puts back the one that
// was there before.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace zarnetcalc::win32
