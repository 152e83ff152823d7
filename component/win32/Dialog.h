// Show's binding to Win32: a top-level window as the owner Show opens the calculator over, and
// the native calculator dialog as Show runs it. The protocol itself is component/Component.h.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "component/Component.h"

namespace zarnetcalc::component::win32 {

class Win32Owner : public OwnerWindow {
  public:
    explicit Win32Owner(HWND window) : window_(window) {}
    HWND Window() const { return window_; }

    bool Exists() const override { return window_ != nullptr && IsWindow(window_); }
    std::unique_ptr<CalculatorDialog> OpenCalculator() override;

  private:
    HWND window_;
};

}  // namespace zarnetcalc::component::win32
