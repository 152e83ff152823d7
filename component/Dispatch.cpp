// The calculator object behind the binary interface (_clsZarnetCalc over a clsZarnetCalc) and its
// class factory: name lookup, Invoke by dispatch id, the typed members, the apartment check.
// The behaviour of the members themselves is clsZarnetCalc's.
#include <QApplication>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

#include "component/Runtime.h"
#include "zarnetcalc/clsZarnetCalc.h"

namespace zarnetcalc::runtime {

namespace {

const QString kSource = QString::fromLatin1(kProgID);

// The members in the interface's order, with the calls each one answers.
struct Member {
    const char16_t* name;
    DISPID id;
    bool get;
    bool put;
    bool method;
};
constexpr Member kMembers[] = {
    {u"Result", DISPID_Result, true, true, false},
    {u"Cancelled", DISPID_Cancelled, true, false, false},
    {u"Show", DISPID_Show, false, false, true},
    {u"ErrorOccurred", DISPID_ErrorOccurred, true, false, false},
    {u"MyOwner", DISPID_MyOwner, true, true, false},
};

const Member* FindMember(DISPID id) {
    for (const Member& m : kMembers) {
        if (m.id == id) {
            return &m;
        }
    }
    return nullptr;
}

// Names compare without regard to ASCII case, as automation names do.
bool SameName(const char16_t* a, const char16_t* b) {
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (; *a && *b; ++a, ++b) {
        if (lower(*a) != lower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

// A failure of a member with its own result code (reported through DISP_E_EXCEPTION by Invoke).
struct MemberFailure {
    HRESULT hr;
    QString description;
};

// A failure of the call itself (bad arguments, wrong thread): Invoke returns it as it is.
struct CallFailure {
    HRESULT hr;
    QString description;
};

class CalculatorObject final : public _clsZarnetCalc {
  public:
    explicit CalculatorObject(std::shared_ptr<clsZarnetCalc> calc)
        : calc_(std::move(calc)), thread_(std::this_thread::get_id()) {
        ObjectCreated();
    }
    CalculatorObject(const CalculatorObject&) = delete;
    CalculatorObject& operator=(const CalculatorObject&) = delete;

    // IUnknown
    HRESULT QueryInterface(const IID& riid, void** ppv) override {
        return Call(nullptr, [&] {
            if (!ppv) {
                throw CallFailure{E_POINTER,
                                  QStringLiteral("QueryInterface: the out-pointer is null")};
            }
            *ppv = nullptr;
            if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__clsZarnetCalc) {
                *ppv = static_cast<_clsZarnetCalc*>(this);
                AddRef();
                return;
            }
            throw CallFailure{E_NOINTERFACE,
                              QStringLiteral("clsZarnetCalc does not support the interface %1")
                                  .arg(QString::fromStdString(GuidToString(riid)))};
        });
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // IDispatch
    HRESULT GetTypeInfoCount(std::uint32_t* pctinfo) override {
        return Call(nullptr, [&] { *Out(pctinfo) = 0; });
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, void** ppTInfo) override {
        return Call(nullptr, [&] {
            *Out(ppTInfo) = nullptr;
            throw CallFailure{DISP_E_BADINDEX,
                              QStringLiteral("clsZarnetCalc has no type information")};
        });
    }
    HRESULT GetIDsOfNames(const IID& riid, const char16_t* const* names, std::uint32_t count, LCID,
                          DISPID* ids) override {
        return Call(nullptr, [&] {
            if (!names || !ids) {
                throw CallFailure{E_POINTER, QStringLiteral("GetIDsOfNames: a null array")};
            }
            if (!(riid == IID_NULL)) {
                throw CallFailure{DISP_E_UNKNOWNINTERFACE,
                                  QStringLiteral("GetIDsOfNames: riid must be IID_NULL")};
            }
            if (count == 0) {
                throw CallFailure{E_INVALIDARG, QStringLiteral("GetIDsOfNames: no name given")};
            }
            for (std::uint32_t i = 0; i < count; ++i) {
                ids[i] = DISPID_UNKNOWN;
            }
            if (!names[0]) {
                throw CallFailure{E_POINTER, QStringLiteral("GetIDsOfNames: a null name")};
            }
            for (const Member& m : kMembers) {
                if (SameName(names[0], m.name)) {
                    ids[0] = m.id;
                }
            }
            if (ids[0] == DISPID_UNKNOWN) {
                throw CallFailure{DISP_E_UNKNOWNNAME,
                                  QStringLiteral("clsZarnetCalc has no member named \"%1\"")
                                      .arg(QString::fromUtf16(names[0]))};
            }
            if (count > 1) {
                // The members take no named parameters.
                throw CallFailure{
                    DISP_E_UNKNOWNNAME,
                    QStringLiteral("%1 has no named parameters").arg(QString::fromUtf16(names[0]))};
            }
        });
    }
    HRESULT Invoke(DISPID id, const IID& riid, LCID, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excepInfo, std::uint32_t* argErr) override {
        if (excepInfo) {
            *excepInfo = EXCEPINFO{};
        }
        return Call(
            excepInfo, [&] { Dispatch(id, riid, flags, params, result, argErr); }, true);
    }

    // _clsZarnetCalc
    HRESULT get_Result(double* value) override {
        return Call(nullptr, [&] { *Out(value) = calc_->Result(); });
    }
    HRESULT put_Result(double value) override {
        return Call(nullptr, [&] { calc_->setResult(value); });
    }
    HRESULT get_Cancelled(VARIANT_BOOL* value) override {
        return Call(nullptr, [&] { *Out(value) = calc_->Cancelled(); });
    }
    HRESULT Show() override {
        return Call(nullptr, [&] { RunShow(); });
    }
    HRESULT get_ErrorOccurred(VARIANT_BOOL* value) override {
        return Call(nullptr, [&] { *Out(value) = calc_->ErrorOccurred(); });
    }
    HRESULT get_MyOwner(IUnknown** value) override {
        return Call(nullptr, [&] { *Out(value) = OwnerObject(); });
    }
    HRESULT put_MyOwner(IUnknown* value) override {
        return Call(nullptr, [&] { StoreOwner(value); });
    }

  private:
    ~CalculatorObject() { ObjectDestroyed(); }

    // Holds an extra reference for the length of a call.
    class CallReference {
      public:
        explicit CallReference(CalculatorObject* self) : self_(self) { self_->AddRef(); }
        ~CallReference() { self_->Release(); }
        CallReference(const CallReference&) = delete;
        CallReference& operator=(const CallReference&) = delete;

      private:
        CalculatorObject* self_;
    };

    template <class T>
    static T* Out(T* pointer) {
        if (!pointer) {
            throw CallFailure{E_POINTER, QStringLiteral("The out-pointer is null")};
        }
        return pointer;
    }

    // Runs one member: the apartment check, an extra reference, and every failure turned into a
    // result code with its description. A failure of the call (CallFailure: bad arguments, wrong
    // thread) is returned as it is; through Invoke (dispatch) a failure of the member itself is
    // DISP_E_EXCEPTION with the details in EXCEPINFO, else the member's own code.
    template <class Body>
    HRESULT Call(EXCEPINFO* excepInfo, Body&& body, bool dispatch = false) {
        ClearErrorInfo();
        if (std::this_thread::get_id() != thread_) {
            return SetErrorInfo(
                RPC_E_WRONG_THREAD,
                QStringLiteral("clsZarnetCalc was called on another thread than the "
                               "one that created it"));
        }
        CallReference hold(this);
        HRESULT memberHr = S_OK;
        int number = 0;
        QString description;
        try {
            body();
            return S_OK;
        } catch (const CallFailure& f) {
            return SetErrorInfo(f.hr, f.description);
        } catch (const MemberFailure& f) {
            memberHr = SetErrorInfo(f.hr, f.description);
            description = f.description;
        } catch (...) {
            memberHr = HResultFromCurrentException(&number, &description);
        }
        if (!dispatch) {
            return memberHr;
        }
        if (excepInfo) {
            excepInfo->wCode = static_cast<std::uint16_t>(number);
            excepInfo->scode = memberHr;
            excepInfo->bstrSource = DuplicateText(kSource);
            excepInfo->bstrDescription = DuplicateText(description);
        }
        return DISP_E_EXCEPTION;
    }

    void Dispatch(DISPID id, const IID& riid, std::uint16_t flags, DISPPARAMS* params,
                  VARIANT* result, std::uint32_t* argErr) {
        if (result) {
            *result = MakeEmpty();
        }
        if (!(riid == IID_NULL)) {
            throw CallFailure{DISP_E_UNKNOWNINTERFACE,
                              QStringLiteral("Invoke: riid must be IID_NULL")};
        }
        if (!params) {
            throw CallFailure{E_POINTER, QStringLiteral("Invoke: the parameters are null")};
        }
        if ((params->cArgs > 0 && !params->rgvarg) ||
            (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
            throw CallFailure{E_POINTER, QStringLiteral("Invoke: an argument array is null")};
        }
        if (params->cNamedArgs > params->cArgs) {
            throw CallFailure{E_INVALIDARG,
                              QStringLiteral("Invoke: more named arguments than arguments")};
        }
        const Member* member = FindMember(id);
        if (!member) {
            throw CallFailure{DISP_E_MEMBERNOTFOUND,
                              QStringLiteral("clsZarnetCalc has no member with dispatch id 0x%1")
                                  .arg(static_cast<std::uint32_t>(id), 8, 16, QLatin1Char('0'))};
        }
        const QString name = QString::fromUtf16(member->name);
        if (flags == 0 || (flags & ~0xFu) != 0) {
            throw CallFailure{E_INVALIDARG,
                              QStringLiteral("Invoke: invalid flags 0x%1").arg(flags, 0, 16)};
        }
        const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
        if (put && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
            throw CallFailure{E_INVALIDARG,
                              QStringLiteral("Invoke: a property put cannot be combined "
                                             "with a get or a method call")};
        }

        if (put) {
            if (!member->put) {
                throw CallFailure{DISP_E_MEMBERNOTFOUND,
                                  member->get ? QStringLiteral("%1 is read-only").arg(name)
                                              : QStringLiteral("%1 is not a property").arg(name)};
            }
            if (params->cArgs != 1) {
                throw CallFailure{DISP_E_BADPARAMCOUNT,
                                  QStringLiteral("%1 takes exactly one value").arg(name)};
            }
            if (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                SetArgErr(argErr, 0);
                throw CallFailure{
                    DISP_E_PARAMNOTFOUND,
                    QStringLiteral("%1: the value must be the DISPID_PROPERTYPUT argument")
                        .arg(name)};
            }
            PutValue(*member, params->rgvarg[0], argErr);
            return;
        }
        if (flags == DISPATCH_PROPERTYPUTREF) {
            throw CallFailure{
                DISP_E_MEMBERNOTFOUND,
                QStringLiteral("%1 cannot be set by reference; use a property put").arg(name)};
        }
        const bool asGet = member->get && (flags & DISPATCH_PROPERTYGET) != 0;
        const bool asMethod = member->method && (flags & DISPATCH_METHOD) != 0;
        if (!asGet && !asMethod) {
            throw CallFailure{DISP_E_MEMBERNOTFOUND,
                              member->method ? QStringLiteral("%1 is a method").arg(name)
                                             : QStringLiteral("%1 is a property").arg(name)};
        }
        if (params->cNamedArgs != 0) {
            throw CallFailure{DISP_E_NONAMEDARGS,
                              QStringLiteral("%1 takes no named arguments").arg(name)};
        }
        if (params->cArgs != 0) {
            throw CallFailure{DISP_E_BADPARAMCOUNT,
                              QStringLiteral("%1 takes no arguments").arg(name)};
        }
        if (asMethod) {
            RunShow();
            return;
        }
        if (!result) {
            throw CallFailure{E_POINTER,
                              QStringLiteral("%1: the result pointer is null").arg(name)};
        }
        switch (member->id) {
            case DISPID_Result:
                *result = MakeDouble(calc_->Result());
                break;
            case DISPID_Cancelled:
                result->vt = VT_BOOL;
                result->boolVal = calc_->Cancelled();
                break;
            case DISPID_ErrorOccurred:
                result->vt = VT_BOOL;
                result->boolVal = calc_->ErrorOccurred();
                break;
            case DISPID_MyOwner:
                result->vt = VT_UNKNOWN;
                result->punkVal = OwnerObject();
                break;
            default:
                throw CallFailure{E_UNEXPECTED, QStringLiteral("%1 has no value").arg(name)};
        }
    }

    static void SetArgErr(std::uint32_t* argErr, std::uint32_t index) {
        if (argErr) {
            *argErr = index;
        }
    }

    void PutValue(const Member& member, const VARIANT& value, std::uint32_t* argErr) {
        switch (member.id) {
            case DISPID_Result:
                if (value.vt != VT_R8) {
                    SetArgErr(argErr, 0);
                    throw CallFailure{DISP_E_TYPEMISMATCH,
                                      QStringLiteral("Result takes a double (VT_R8)")};
                }
                calc_->setResult(value.dblVal);
                return;
            case DISPID_MyOwner:
                if (value.vt == VT_EMPTY) {
                    StoreOwner(nullptr);
                    return;
                }
                if (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH) {
                    SetArgErr(argErr, 0);
                    throw CallFailure{DISP_E_TYPEMISMATCH,
                                      QStringLiteral("MyOwner takes a form object")};
                }
                try {
                    StoreOwner(value.vt == VT_DISPATCH ? value.pdispVal : value.punkVal);
                } catch (const CallFailure&) {
                    SetArgErr(argErr, 0);
                    throw;
                }
                return;
            default:
                throw CallFailure{DISP_E_MEMBERNOTFOUND,
                                  QStringLiteral("Not a property that can be set")};
        }
    }

    // The stored owner as a form object (one reference for the caller), or null for none. The
    // object the host stored comes back as long as it still names the owner.
    IUnknown* OwnerObject() {
        QWidget* owner = calc_->MyOwner();
        if (!owner) {
            ownerObject_.Reset();
            return nullptr;
        }
        ComPtr<IZarnetCalcWindow> form;
        if (ownerObject_ && SUCCEEDED(ownerObject_.As(IID_IZarnetCalcWindow, form)) &&
            form->Window() == owner) {
            ownerObject_->AddRef();
            return ownerObject_.Get();
        }
        IUnknown* wrapper = nullptr;
        const HRESULT hr = ZarnetCalcWrapWindow(owner, &wrapper);
        if (FAILED(hr)) {
            throw MemberFailure{hr, QStringLiteral("MyOwner: the owner could not be wrapped")};
        }
        ownerObject_ = ComPtr<IUnknown>(wrapper, true);
        return wrapper;
    }

    // Stores a form object (or none) as the owner; anything else is a type mismatch and leaves the
    // owner as it was.
    void StoreOwner(IUnknown* object) {
        if (!object) {
            calc_->setMyOwner(nullptr);
            ownerObject_.Reset();
            return;
        }
        ComPtr<IZarnetCalcWindow> form;
        if (FAILED(object->QueryInterface(IID_IZarnetCalcWindow, form.PutVoid())) || !form) {
            throw CallFailure{
                DISP_E_TYPEMISMATCH,
                QStringLiteral("MyOwner takes a form object (see ZarnetCalcWrapWindow)")};
        }
        QWidget* window = form->Window();
        if (!window) {
            throw CallFailure{DISP_E_TYPEMISMATCH,
                              QStringLiteral("MyOwner: the form's window no longer exists")};
        }
        try {
            calc_->setMyOwner(window);
        } catch (const zarnetcalc::Error& e) {
            if (e.Number() == kErrTypeMismatch) {
                throw CallFailure{DISP_E_TYPEMISMATCH, QString::fromUtf8(e.what())};
            }
            throw;
        }
        ownerObject_ = ComPtr<IUnknown>(object, true);
    }

    void RunShow() {
        // A dialog can only be run by the GUI thread of a QApplication; say so instead of letting
        // Qt abort the process.
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app) {
            throw MemberFailure{E_UNEXPECTED, QStringLiteral("Show needs a running QApplication")};
        }
        if (QThread::currentThread() != app->thread()) {
            throw CallFailure{
                RPC_E_WRONG_THREAD,
                QStringLiteral("Show must be called on the thread of the QApplication")};
        }
        calc_->Show();
    }

    std::atomic<ULONG> refs_{1};
    std::shared_ptr<clsZarnetCalc> calc_;
    ComPtr<IUnknown> ownerObject_;
    const std::thread::id thread_;
};

// The one class object. It lives for the whole load of the library; its outstanding references
// count for unload polling, as server locks do.
class Factory final : public IClassFactory {
  public:
    HRESULT QueryInterface(const IID& riid, void** ppv) override {
        ClearErrorInfo();
        if (!ppv) {
            return SetErrorInfo(E_POINTER,
                                QStringLiteral("QueryInterface: the out-pointer is null"));
        }
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return SetErrorInfo(E_NOINTERFACE, QStringLiteral("The class object supports IUnknown and "
                                                          "IClassFactory only"));
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG Release() override {
        long current = refs_.load();
        while (current > 0 && !refs_.compare_exchange_weak(current, current - 1)) {
        }
        return static_cast<ULONG>(current > 0 ? current - 1 : 0);
    }
    HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** ppv) override {
        ClearErrorInfo();
        if (!ppv) {
            return SetErrorInfo(E_POINTER,
                                QStringLiteral("CreateInstance: the out-pointer is null"));
        }
        *ppv = nullptr;
        if (outer) {
            return SetErrorInfo(CLASS_E_NOAGGREGATION,
                                QStringLiteral("clsZarnetCalc cannot be aggregated"));
        }
        CalculatorObject* object = nullptr;
        try {
            object = new CalculatorObject(clsZarnetCalc::Create());
        } catch (...) {
            return HResultFromCurrentException();
        }
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();  // the caller's reference, if any, is the one QueryInterface added
        return hr;
    }
    HRESULT LockServer(BOOL lock) override {
        ClearErrorInfo();
        if (lock) {
            ServerLock();
            return S_OK;
        }
        if (!ServerUnlock()) {
            return SetErrorInfo(E_UNEXPECTED,
                                QStringLiteral("LockServer(FALSE) without a lock to release"));
        }
        return S_OK;
    }
    long References() const { return refs_.load(); }

  private:
    std::atomic<long> refs_{0};
};

Factory g_factory;

}  // namespace

IClassFactory* ClassFactory() {
    return &g_factory;
}
long ClassFactoryReferences() {
    return g_factory.References();
}

HRESULT GetClassObject(const CLSID* rclsid, const IID* riid, void** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return SetErrorInfo(E_POINTER,
                            QStringLiteral("DllGetClassObject: the out-pointer is null"));
    }
    *ppv = nullptr;
    if (!rclsid || !riid) {
        return SetErrorInfo(E_POINTER, QStringLiteral("DllGetClassObject: a null identifier"));
    }
    if (!(*rclsid == CLSID_clsZarnetCalc)) {
        return SetErrorInfo(CLASS_E_CLASSNOTAVAILABLE,
                            QStringLiteral("This library has no class %1")
                                .arg(QString::fromStdString(GuidToString(*rclsid))));
    }
    return g_factory.QueryInterface(*riid, ppv);
}

}  // namespace zarnetcalc::runtime
