// The component behind the binary interface on Windows: Result and the two flags, and the owner,
// a form whose hWnd property names a top-level window. Show runs the native dialog
// (ShowCalculator.cpp); the dispatch object over it is component/Dispatch.cpp.
#include "component/win32/RuntimeWin32.h"
#include "component/win32/ShowCalculator.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

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

class Win32Component final : public ComponentCore {
  public:
    Win32Component() = default;
    Win32Component(const Win32Component&) = delete;
    Win32Component& operator=(const Win32Component&) = delete;
    ~Win32Component() override { DropOwner(); }

    double Result() override { return result_; }
    void SetResult(double value) override { result_ = value; }
    VARIANT_BOOL Cancelled() override { return cancelled_; }
    VARIANT_BOOL ErrorOccurred() override { return errorOccurred_; }

    // The stored form while its window exists.
    IDispatch* Owner() override {
        if (form_ && !IsWindow(window_)) {
            DropOwner();
        }
        if (form_) {
            form_->AddRef();
        }
        return form_;
    }

    void SetOwner(IUnknown* object) override {
        if (!object) {
            DropOwner();
            return;
        }
        IDispatch* form = nullptr;
        if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&form)))) {
            throw Error(kErrTypeMismatch, "Type mismatch: MyOwner takes a form");
        }
        const HWND window = FormWindow(form);
        if (!window) {
            form->Release();
            throw Error(kErrTypeMismatch,
                        "Type mismatch: MyOwner takes a form whose hWnd names a top-level window");
        }
        DropOwner();
        form_ = form;
        window_ = window;
    }

    void Show() override {
        if (!form_ || !IsWindow(window_)) {
            throw Error(kErrObjectNotSet, "Object variable or With block variable not set");
        }
        const component::ShowOutcome outcome =
            component::ShowCalculator(window_, [this] { result_ = 0; });
        result_ = outcome.result;
        cancelled_ = outcome.cancelled ? VARIANT_TRUE : VARIANT_FALSE;
        errorOccurred_ = outcome.errorOccurred ? VARIANT_TRUE : VARIANT_FALSE;
    }

  private:
    void DropOwner() {
        if (form_) {
            form_->Release();
            form_ = nullptr;
        }
        window_ = nullptr;
    }

    double result_ = 0;
    VARIANT_BOOL cancelled_ = VARIANT_FALSE;
    VARIANT_BOOL errorOccurred_ = VARIANT_FALSE;
    IDispatch* form_ = nullptr;  // one reference while set
    HWND window_ = nullptr;
};

}  // namespace

std::unique_ptr<ComponentCore> CreateComponentCore() {
    return std::make_unique<Win32Component>();
}

}  // namespace zarnetcalc::runtime
