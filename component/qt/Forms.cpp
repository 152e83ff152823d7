// Forms on Linux: host windows that hosts wrap as form objects (ZarnetCalcWrapWindow) to pass as
// MyOwner, and turning them into the owner Show opens over. The dispatch object is
// component/Dispatch.cpp; Show's Qt binding is Dialog.cpp.
#include <QPointer>
#include <QWidget>

#include "component/ComObject.h"
#include "component/qt/Dialog.h"
#include "component/qt/Platform.h"
#include "zarnetcalc/ComHelpers.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

// A host window as a form. It watches the window through a QPointer, so a window destroyed while
// wrapped reads as null instead of dangling. Its dispatch interface has no members.
class WindowObject final : public ComObject<WindowObject, IZarnetCalcWindow> {
  public:
    static constexpr const char* kName = "A form";
    static bool Implements(REFIID riid) {
        return IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
               IsEqualGUID(riid, IID_IZarnetCalcWindow);
    }

    explicit WindowObject(QWidget* window) : window_(window) {}

    QWidget* Window() override { return window_.data(); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override {
        if (typeInfo) {
            *typeInfo = nullptr;
        }
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (result) {
            VariantInit(result);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

  private:
    QPointer<QWidget> window_;
};

// An owner set through MyOwner: the host window, and the form object it came as, so that MyOwner
// gives back the very object the host stored.
class FormOwner final : public component::qt::QtOwner {
  public:
    FormOwner(QWidget* window, ComPtr<IZarnetCalcWindow> form)
        : QtOwner(window), form_(std::move(form)) {}
    IDispatch* Form() const {
        form_->AddRef();
        return form_.Get();
    }

  private:
    ComPtr<IZarnetCalcWindow> form_;
};

}  // namespace

std::unique_ptr<component::OwnerWindow> OwnerFromForm(IUnknown* object) {
    ComPtr<IZarnetCalcWindow> form;
    if (FAILED(object->QueryInterface(IID_IZarnetCalcWindow, form.PutVoid())) || !form) {
        throw Error(kErrTypeMismatch,
                    "Type mismatch: MyOwner takes a form (see ZarnetCalcWrapWindow)");
    }
    QWidget* window = form->Window();
    if (!window) {
        throw Error(kErrTypeMismatch, "Type mismatch: the form's window no longer exists");
    }
    if (!window->isWindow()) {
        throw Error(kErrTypeMismatch, "Type mismatch");
    }
    return std::make_unique<FormOwner>(window, std::move(form));
}

// Every owner the dispatch object stores came from OwnerFromForm.
IDispatch* FormOf(component::OwnerWindow& owner) {
    return static_cast<FormOwner&>(owner).Form();
}

// A dialog can only be run by the GUI thread of a QApplication; say so instead of letting Qt
// abort the process.
void CheckShowThread() {
    switch (component::qt::CheckGuiThread()) {
        case component::qt::GuiThread::Ok:
            return;
        case component::qt::GuiThread::NoApplication:
            throw Error(kErrInvalidCall,
                        "Invalid procedure call or argument: Show needs a running QApplication");
        case component::qt::GuiThread::OtherThread:
            throw CallFailure{RPC_E_WRONG_THREAD,
                              "Show must be called on the thread of the QApplication"};
    }
}

HRESULT WrapWindow(QWidget* window, IUnknown** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return ReportError(E_POINTER, "ZarnetCalcWrapWindow: the out-pointer is null");
    }
    *ppv = nullptr;
    if (!window) {
        return ReportError(E_POINTER, "ZarnetCalcWrapWindow: the window is null");
    }
    try {
        *ppv = static_cast<IZarnetCalcWindow*>(new WindowObject(window));
        return S_OK;
    } catch (...) {
        const MemberFailure failure = FailureFromCurrentException();
        return ReportError(failure.hr, failure.description);
    }
}

}  // namespace zarnetcalc::runtime
