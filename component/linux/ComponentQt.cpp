// The component behind the binary interface on Linux: clsZarnetCalc with its Qt dialog, and the
// host windows that hosts wrap as forms to pass as MyOwner. The dispatch object over it is
// component/Dispatch.cpp.
#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include "component/ComObject.h"
#include "component/linux/RuntimeLinux.h"
#include "zarnetcalc/clsZarnetCalc.h"

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

class QtComponent final : public ComponentCore {
  public:
    double Result() override { return calc_->Result(); }
    void SetResult(double value) override { calc_->setResult(value); }
    VARIANT_BOOL Cancelled() override { return calc_->Cancelled(); }
    VARIANT_BOOL ErrorOccurred() override { return calc_->ErrorOccurred(); }

    // The form the host stored comes back as long as it still names the owner; an owner set
    // through the class itself gets a form made for it.
    IDispatch* Owner() override {
        QWidget* owner = calc_->MyOwner();
        if (!owner) {
            form_.Reset();
            return nullptr;
        }
        if (!form_ || form_->Window() != owner) {
            form_ = ComPtr<IZarnetCalcWindow>(new WindowObject(owner));
        }
        form_->AddRef();
        return form_.Get();
    }

    void SetOwner(IUnknown* object) override {
        if (!object) {
            calc_->setMyOwner(nullptr);
            form_.Reset();
            return;
        }
        ComPtr<IZarnetCalcWindow> form;
        if (FAILED(object->QueryInterface(IID_IZarnetCalcWindow, form.PutVoid())) || !form) {
            throw Error(kErrTypeMismatch,
                        "Type mismatch: MyOwner takes a form (see ZarnetCalcWrapWindow)");
        }
        QWidget* window = form->Window();
        if (!window) {
            throw Error(kErrTypeMismatch, "Type mismatch: the form's window no longer exists");
        }
        calc_->setMyOwner(window);  // a widget that is not a window is a type mismatch too
        form_ = std::move(form);
    }

    void Show() override {
        // A dialog can only be run by the GUI thread of a QApplication; say so instead of
        // letting Qt abort the process.
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app) {
            throw Error(kErrInvalidCall,
                        "Invalid procedure call or argument: Show needs a running QApplication");
        }
        if (QThread::currentThread() != app->thread()) {
            throw CallFailure{RPC_E_WRONG_THREAD,
                              "Show must be called on the thread of the QApplication"};
        }
        calc_->Show();
    }

  private:
    std::shared_ptr<clsZarnetCalc> calc_ = clsZarnetCalc::Create();
    ComPtr<IZarnetCalcWindow> form_;
};

}  // namespace

std::unique_ptr<ComponentCore> CreateComponentCore() {
    return std::make_unique<QtComponent>();
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
