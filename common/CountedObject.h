// Reference counting and QueryInterface, written once for every COM object this library hands
// out (the component's objects, the dialogs' accessible objects), and the count of those alive:
// while one lives, code of the library may still be called through it, so DllCanUnloadNow says
// no. An object derives from CountedObject<Self, Interface...>: with one interface it lists the
// identifiers it answers to in a static Implements(riid); with more, it maps an identifier to
// the interface pointer itself in InterfaceFor(riid). It may start every call with BeginCall(),
// refuse calls in Admit() and say why a call failed in Refuse(hr, what). Header-only.
#pragma once

#include <atomic>
#include <string>
#include <tuple>
#include <utility>

#include "zarnetcalc/ComPlatform.h"

namespace zarnetcalc::com {

// The COM objects of this library alive now (one count per library: an inline function's
// static is one object for all of its code).
inline std::atomic<long>& LiveObjects() {
    static std::atomic<long> live{0};
    return live;
}

template <class Derived, class... Interfaces>
class CountedObject : public Interfaces... {
  public:
    CountedObject() { ++LiveObjects(); }
    CountedObject(const CountedObject&) = delete;
    CountedObject& operator=(const CountedObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        Derived& self = static_cast<Derived&>(*this);
        self.BeginCall();
        if (!ppv) {
            return self.Refuse(E_POINTER, "QueryInterface: the out-pointer is null");
        }
        *ppv = nullptr;
        if (const HRESULT hr = self.Admit(); FAILED(hr)) {
            return hr;
        }
        void* found = self.InterfaceFor(riid);
        if (!found) {
            return self.Refuse(E_NOINTERFACE, std::string(Derived::kName) +
                                                  " does not support the interface asked for");
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

    // A new object in a smart pointer (WRL's ComPtr or this library's) that takes over its first
    // reference. MinGW's ComPtr::Attach adds a reference of its own, so it would leak one here.
    template <class SmartPointer, class... Arguments>
    static SmartPointer Create(Arguments&&... arguments) {
        SmartPointer pointer;
        *pointer.ReleaseAndGetAddressOf() = new Derived(std::forward<Arguments>(arguments)...);
        return pointer;
    }

    // What a Derived may do otherwise.
    void BeginCall() {}
    HRESULT Admit() { return S_OK; }
    HRESULT Refuse(HRESULT hr, const std::string&) { return hr; }

    // The first interface, for every identifier Derived::Implements takes.
    void* InterfaceFor(REFIID riid) {
        using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
        return Derived::Implements(riid) ? static_cast<First*>(static_cast<Derived*>(this))
                                         : nullptr;
    }

  protected:
    ~CountedObject() { --LiveObjects(); }

  private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace zarnetcalc::com
