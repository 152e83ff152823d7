// The calculator component as a late-binding host reaches it: created by its programmatic
// identifier, called through IDispatch by member name, given a form (a dispatch object with an
// hWnd property) as its owner. The host window is HostWindow's.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <string>

namespace zarnetcalc::demo {

// A failed call: the component's own error number (91 for Show without an owner) where it gave
// one, else the result code, and its description.
struct CallError {
    long number = 0;
    std::string description;
};

class Component {
  public:
    Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // CLSIDFromProgID and CoCreateInstance; false, with error set, when that fails.
    bool Create(const wchar_t* progId, CallError& error);

    // Set MyOwner = a form of window.
    bool SetOwner(HWND window, CallError& error);
    bool Show(CallError& error);
    bool ShowFrom(double start, CallError& error);
    bool Result(double& value, CallError& error);
    bool Cancelled(bool& value, CallError& error);
    bool ErrorOccurred(bool& value, CallError& error);

  private:
    bool Invoke(const wchar_t* name, WORD flags, VARIANT* argument, VARIANT* result,
                CallError& error);

    Microsoft::WRL::ComPtr<IDispatch> calc_;
};

}  // namespace zarnetcalc::demo
