// Reference counting and QueryInterface, written once for every object the library hands out.
// An object derives from ComObject<Self, Interface...>: with one interface it lists the
// identifiers it answers to in a static Implements(riid); with more, it maps an identifier to the
// interface pointer itself in InterfaceFor(riid). It may refuse calls (the apartment check) in
// Admit().
#pragma once

#include <atomic>
#include <tuple>

#include "component/Runtime.h"

namespace zarnetcalc::runtime {

template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
  public:
    ComObject() { ObjectCreated(); }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        ClearErrorInfo();
        if (!ppv) {
            return ReportError(E_POINTER, "QueryInterface: the out-pointer is null");
        }
        *ppv = nullptr;
        if (const HRESULT hr = static_cast<Derived*>(this)->Admit(); FAILED(hr)) {
            return hr;
        }
        void* found = static_cast<Derived*>(this)->InterfaceFor(riid);
        if (!found) {
            return ReportError(E_NOINTERFACE, std::string(Derived::kName) +
                                                  " does not support the interface " +
                                                  GuidToString(riid));
        }
        *ppv = found;
        AddRef();
        return S_OK;
    }
    // Counting is free-threaded: a reference may be dropped on any thread.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return left;
    }

    HRESULT Admit() { return S_OK; }

    // The first interface, for every identifier Derived::Implements takes.
    void* InterfaceFor(REFIID riid) {
        using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
        return Derived::Implements(riid) ? static_cast<First*>(static_cast<Derived*>(this))
                                         : nullptr;
    }

  protected:
    ~ComObject() { ObjectDestroyed(); }

  private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace zarnetcalc::runtime
