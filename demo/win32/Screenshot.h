// Pictures of a window for the scripted mode's --screenshot: its client area as it is on the
// screen now, kept in memory, and written as a PNG through the system's imaging component (WIC).
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace zarnetcalc::demo {

class Picture {
  public:
    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture();

    // The client area of window as drawn now; false when nothing could be read.
    bool Capture(HWND window);
    bool Empty() const { return bitmap_ == nullptr; }
    // Writes the picture as a PNG file; false when there is none or the file cannot be written.
    bool SavePng(const std::wstring& path) const;

  private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace zarnetcalc::demo
