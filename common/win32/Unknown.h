// IUnknown for the small COM objects outside the component's runtime (the form object hosts and
// tests pass as an owner, a control's accessible object): QueryInterface gives the object as its
// Interface for every identifier Derived::Answers takes; counting is free-threaded. Header-only.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>

namespace zarnetcalc::win32 {

template <class Derived, class Interface>
class Unknown : public Interface {
  public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (!Derived::Answers(riid)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return left;
    }

  protected:
    ~Unknown() = default;

  private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace zarnetcalc::win32
