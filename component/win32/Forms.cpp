// Forms on Windows: an owner is any dispatch object whose hWnd property names a top-level window
// (a Visual Basic or Access form, Excel's Application, the sample host's form). The dispatch
// object is component/Dispatch.cpp; Show's Win32 binding is Dialog.cpp.
#include <wrl/client.h>

#include "component/win32/Dialog.h"
#include "component/win32/Platform.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

using Microsoft::WRL::ComPtr;

// The top-level window a form names through its hWnd property, or null when the object is no
// form: no such property, a value that is not a number, or no top-level window of that handle.
HWND FormWindow(IDispatch* form) {
    wchar_t name[] = L"hWnd";
    LPOLESTR names[] = {name};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(form->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return nullptr;
    }
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    if (FAILED(form->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                            nullptr, nullptr))) {
        return nullptr;
    }
    // Window handles are 32-bit values, sign-extended in 64-bit processes: a form's Long
    // converts to the same handle.
    VARIANT handle;
    VariantInit(&handle);
    const HRESULT hr = VariantChangeType(&handle, &value, 0, VT_I8);
    VariantClear(&value);
    if (FAILED(hr)) {
        return nullptr;
    }
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(handle.llVal));
    if (!window || !IsWindow(window) || GetAncestor(window, GA_ROOT) != window) {
        return nullptr;
    }
    return window;
}

// An owner set through MyOwner: the form's window, and the form itself, so that MyOwner gives
// back the very object the host stored.
class FormOwner final : public component::win32::Win32Owner {
  public:
    FormOwner(HWND window, ComPtr<IDispatch> form) : Win32Owner(window), form_(std::move(form)) {}
    IDispatch* Form() const {
        ComPtr<IDispatch> copy = form_;
        return copy.Detach();
    }

  private:
    ComPtr<IDispatch> form_;
};

}  // namespace

std::unique_ptr<component::OwnerWindow> OwnerFromForm(IUnknown* object) {
    ComPtr<IDispatch> form;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&form)))) {
        throw Error(kErrTypeMismatch, "Type mismatch: MyOwner takes a form");
    }
    const HWND window = FormWindow(form.Get());
    if (!window) {
        throw Error(kErrTypeMismatch,
                    "Type mismatch: MyOwner takes a form whose hWnd names a top-level window");
    }
    return std::make_unique<FormOwner>(window, std::move(form));
}

// Every owner the dispatch object stores came from OwnerFromForm.
IDispatch* FormOf(component::OwnerWindow& owner) {
    return static_cast<FormOwner&>(owner).Form();
}

// The apartment check of every call already keeps Show on the thread that made the object.
void CheckShowThread() {}

}  // namespace zarnetcalc::runtime
