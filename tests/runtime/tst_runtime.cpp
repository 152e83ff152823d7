// The calculator through its binary interface only: the library is loaded with dlopen and driven
// through the class object, the dual interface and Invoke, as a late-binding host drives it.
#include <QApplication>
#include <QTest>

#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "ComLibrary.h"
#include "support/ShowDriver.h"

using namespace zarnetcalc::com;
using zarnetcalc::testing::Play;
using zarnetcalc::testing::WhenShown;

Q_DECLARE_METATYPE(zarnetcalc::com::GUID)
Q_DECLARE_METATYPE(zarnetcalc::com::VARIANT)
Q_DECLARE_METATYPE(std::vector<zarnetcalc::com::VARIANT>)

namespace {

ComLibrary lib;

// An object of the host's own that is not a form.
class ForeignObject final : public IUnknown {
  public:
    HRESULT QueryInterface(const IID& riid, void** ppv) override {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;
};

ComPtr<_clsZarnetCalc2> NewCalc() {
    ComPtr<IClassFactory> factory;
    ComPtr<_clsZarnetCalc2> calc;
    if (SUCCEEDED(
            lib.getClassObject(&CLSID_clsZarnetCalc, &IID_IClassFactory, factory.PutVoid()))) {
        factory->CreateInstance(nullptr, IID__clsZarnetCalc2, calc.PutVoid());
    }
    return calc;
}

HRESULT InvokeId(IDispatch* object, DISPID id, std::uint16_t flags, std::vector<VARIANT> args,
                 VARIANT* result = nullptr, EXCEPINFO* info = nullptr,
                 std::uint32_t* argErr = nullptr, std::vector<DISPID> named = {}) {
    DISPPARAMS params{args.empty() ? nullptr : args.data(), named.empty() ? nullptr : named.data(),
                      static_cast<std::uint32_t>(args.size()),
                      static_cast<std::uint32_t>(named.size())};
    return object->Invoke(id, IID_NULL, 0, flags, &params, result, info, argErr);
}

HRESULT PutId(IDispatch* object, DISPID id, VARIANT value) {
    return InvokeId(object, id, DISPATCH_PROPERTYPUT, {value}, nullptr, nullptr, nullptr,
                    {DISPID_PROPERTYPUT});
}

VARIANT GetId(IDispatch* object, DISPID id) {
    VARIANT v = MakeEmpty();
    v.vt = 0xFFFF;  // a failed get must not leave this
    if (FAILED(InvokeId(object, id, DISPATCH_PROPERTYGET, {}, &v))) {
        v.vt = 0xFFFF;
    }
    return v;
}

// What calling every member from the current thread gave: the results, whether every
// out-parameter (set to garbage first) came back empty, and the error description.
struct Calls {
    QList<HRESULT> results;
    bool outsEmpty = false;
    QString description;
};
Calls CallEveryMember(_clsZarnetCalc2* calc, IDispatch* form) {
    Calls calls;
    double value = 9;
    VARIANT_BOOL flag = 9;
    IDispatch* owner = reinterpret_cast<IDispatch*>(1);
    void* object = reinterpret_cast<void*>(1);
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
    DISPID id = 5;
    VARIANT v = MakeDouble(3);
    std::u16string name = u"Result";
    LPOLESTR names[] = {name.data()};
    calls.results << calc->get_Result(&value) << calc->put_Result(5) << calc->get_Cancelled(&flag)
                  << calc->Show() << calc->ShowFrom(1) << calc->put_MyOwner(form)
                  << calc->get_MyOwner(&owner) << calc->QueryInterface(IID_IUnknown, &object)
                  << calc->GetTypeInfo(0, 0, &typeInfo)
                  << calc->GetIDsOfNames(IID_NULL, names, 1, 0, &id)
                  << InvokeId(calc, DISPID_Result, DISPATCH_PROPERTYGET, {}, &v);
    calls.outsEmpty = value == 0 && flag == VARIANT_FALSE && !owner && !object && !typeInfo &&
                      id == DISPID_UNKNOWN && v.vt == VT_EMPTY;
    calls.description = lib.LastError();
    calc->AddRef();  // counting is free-threaded
    calc->Release();
    return calls;
}

}  // namespace

class tst_runtime : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> owner_;

    // A host window as a form object, through its dispatch interface.
    ComPtr<IDispatch> Wrap(QWidget* window) {
        ComPtr<IUnknown> wrapped;
        ComPtr<IDispatch> form;
        if (SUCCEEDED(lib.wrapWindow(window, wrapped.Put()))) {
            wrapped.As(IID_IDispatch, form);
        }
        return form;
    }

  private slots:
    void initTestCase() {
        const QString failure = lib.Load();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init() {
        owner_ = std::make_unique<QWidget>();
        owner_->setGeometry(100, 100, 400, 300);
        owner_->show();
    }

    void cleanup() {
        owner_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
        // Every reference a test took has been given back.
        QCOMPARE(lib.canUnloadNow(), S_OK);
    }

    void classObject_data() {
        QTest::addColumn<bool>("knownClass");
        QTest::addColumn<GUID>("iid");
        QTest::addColumn<HRESULT>("expected");
        QTest::newRow("IUnknown") << true << IID_IUnknown << S_OK;
        QTest::newRow("IClassFactory") << true << IID_IClassFactory << S_OK;
        QTest::newRow("the object's interface") << true << IID__clsZarnetCalc << E_NOINTERFACE;
        QTest::newRow("IDispatch") << true << IID_IDispatch << E_NOINTERFACE;
        QTest::newRow("another class") << false << IID_IClassFactory << CLASS_E_CLASSNOTAVAILABLE;
    }
    void classObject() {
        QFETCH(bool, knownClass);
        QFETCH(GUID, iid);
        QFETCH(HRESULT, expected);
        const CLSID clsid = knownClass ? CLSID_clsZarnetCalc : IID__clsZarnetCalc;
        void* object = reinterpret_cast<void*>(1);
        QCOMPARE(lib.getClassObject(&clsid, &iid, &object), expected);
        if (expected == S_OK) {
            QVERIFY(object);
            QCOMPARE(lib.canUnloadNow(), S_FALSE);  // a held class object keeps the library
            static_cast<IUnknown*>(object)->Release();
        } else {
            QCOMPARE(object, nullptr);
            QVERIFY(!lib.LastError().isEmpty());
        }
    }

    void classObjectNullArguments() {
        void* object = nullptr;
        QCOMPARE(lib.getClassObject(&CLSID_clsZarnetCalc, &IID_IClassFactory, nullptr), E_POINTER);
        QCOMPARE(lib.getClassObject(nullptr, &IID_IClassFactory, &object), E_POINTER);
        QCOMPARE(lib.getClassObject(&CLSID_clsZarnetCalc, nullptr, &object), E_POINTER);
        QCOMPARE(object, nullptr);
    }

    void createInstance_data() {
        QTest::addColumn<GUID>("iid");
        QTest::addColumn<bool>("aggregate");
        QTest::addColumn<HRESULT>("expected");
        QTest::newRow("IUnknown") << IID_IUnknown << false << S_OK;
        QTest::newRow("IDispatch") << IID_IDispatch << false << S_OK;
        QTest::newRow("_clsZarnetCalc") << IID__clsZarnetCalc << false << S_OK;
        QTest::newRow("_clsZarnetCalc2") << IID__clsZarnetCalc2 << false << S_OK;
        QTest::newRow("ISupportErrorInfo") << IID_ISupportErrorInfo << false << S_OK;
        QTest::newRow("IClassFactory") << IID_IClassFactory << false << E_NOINTERFACE;
        QTest::newRow("a form's interface") << IID_IZarnetCalcWindow << false << E_NOINTERFACE;
        QTest::newRow("aggregated") << IID_IUnknown << true << CLASS_E_NOAGGREGATION;
    }
    void createInstance() {
        QFETCH(GUID, iid);
        QFETCH(bool, aggregate);
        QFETCH(HRESULT, expected);
        ComPtr<IClassFactory> factory;
        QCOMPARE(lib.getClassObject(&CLSID_clsZarnetCalc, &IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        ForeignObject outer;
        ComPtr<IUnknown> object;
        QCOMPARE(factory->CreateInstance(aggregate ? &outer : nullptr, iid, object.PutVoid()),
                 expected);
        QCOMPARE(bool(object), expected == S_OK);
        if (object) {
            // One identity whatever interface it was asked through.
            ComPtr<IUnknown> a, b;
            QCOMPARE(object->QueryInterface(IID_IUnknown, a.PutVoid()), S_OK);
            ComPtr<IDispatch> d;
            QCOMPARE(object->QueryInterface(IID_IDispatch, d.PutVoid()), S_OK);
            QCOMPARE(d->QueryInterface(IID_IUnknown, b.PutVoid()), S_OK);
            QCOMPARE(a.Get(), b.Get());
            ComPtr<ISupportErrorInfo> errors;
            QCOMPARE(object.As(IID_ISupportErrorInfo, errors), S_OK);
            QCOMPARE(errors->InterfaceSupportsErrorInfo(IID__clsZarnetCalc), S_OK);
            QCOMPARE(errors->InterfaceSupportsErrorInfo(IID__clsZarnetCalc2), S_OK);
            QCOMPARE(errors->InterfaceSupportsErrorInfo(IID_IClassFactory), S_FALSE);
        }
        QCOMPARE(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    }

    void freshObjectThroughBothDoors() {
        auto calc = NewCalc();
        QVERIFY(calc);
        double result = 1;
        VARIANT_BOOL cancelled = 1, error = 1;
        IDispatch* owner = reinterpret_cast<IDispatch*>(1);
        QCOMPARE(calc->get_Result(&result), S_OK);
        QCOMPARE(calc->get_Cancelled(&cancelled), S_OK);
        QCOMPARE(calc->get_ErrorOccurred(&error), S_OK);
        QCOMPARE(calc->get_MyOwner(&owner), S_OK);
        QCOMPARE(result, 0.0);
        QCOMPARE(cancelled, VARIANT_FALSE);
        QCOMPARE(error, VARIANT_FALSE);
        QCOMPARE(owner, nullptr);

        const VARIANT r = GetId(calc.Get(), DISPID_Result);
        QCOMPARE(r.vt, std::uint16_t(VT_R8));
        QCOMPARE(r.dblVal, 0.0);
        for (DISPID flag : {DISPID_Cancelled, DISPID_ErrorOccurred}) {
            const VARIANT b = GetId(calc.Get(), flag);
            QCOMPARE(b.vt, std::uint16_t(VT_BOOL));
            QCOMPARE(b.boolVal, VARIANT_FALSE);
        }
        const VARIANT o = GetId(calc.Get(), DISPID_MyOwner);
        QCOMPARE(o.vt, std::uint16_t(VT_DISPATCH));
        QCOMPARE(o.pdispVal, nullptr);
    }

    void namesToIds_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<DISPID>("id");
        QTest::newRow("Result") << "Result" << DISPID_Result;
        QTest::newRow("lower case") << "result" << DISPID_Result;
        QTest::newRow("upper case") << "CANCELLED" << DISPID_Cancelled;
        QTest::newRow("Show") << "sHoW" << DISPID_Show;
        QTest::newRow("ShowFrom") << "showfrom" << DISPID_ShowFrom;
        QTest::newRow("ErrorOccurred") << "ErrorOccurred" << DISPID_ErrorOccurred;
        QTest::newRow("MyOwner") << "myOwner" << DISPID_MyOwner;
        QTest::newRow("prefix") << "Resul" << DISPID_UNKNOWN;
        QTest::newRow("longer") << "Results" << DISPID_UNKNOWN;
        QTest::newRow("trailing space") << "Show " << DISPID_UNKNOWN;
        QTest::newRow("empty") << "" << DISPID_UNKNOWN;
        QTest::newRow("field name") << "dblResult" << DISPID_UNKNOWN;
        QTest::newRow("non-ASCII look-alike") << QString::fromUtf8("Sh\u00D6w") << DISPID_UNKNOWN;
    }
    void namesToIds() {
        QFETCH(QString, name);
        QFETCH(DISPID, id);
        auto calc = NewCalc();
        std::u16string text = name.toStdU16String();
        LPOLESTR names[] = {text.data()};
        DISPID got = 12345;
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, names, 1, 0, &got),
                 id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK);
        QCOMPARE(got, id);
    }

    void namesBadInput() {
        auto calc = NewCalc();
        std::u16string result = u"Result", value = u"value";
        LPOLESTR names[] = {result.data(), value.data()};
        DISPID ids[2] = {0, 0};
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
        QCOMPARE(ids[0], DISPID_Result);  // the member is known, its "parameter" is not
        QCOMPARE(ids[1], DISPID_UNKNOWN);
        std::u16string showFrom = u"ShowFrom", start = u"start";
        LPOLESTR withArgument[] = {showFrom.data(), start.data()};
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, withArgument, 2, 0, ids), S_OK);
        QCOMPARE(ids[0], DISPID_ShowFrom);
        QCOMPARE(ids[1], DISPID(0));
        QCOMPARE(calc->GetIDsOfNames(IID_IUnknown, names, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_POINTER);
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr), E_POINTER);
        LPOLESTR none[] = {nullptr};
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, none, 1, 0, ids), E_POINTER);
        QCOMPARE(calc->GetIDsOfNames(IID_NULL, names, 0, 0, ids), E_INVALIDARG);
        UINT count = 9;
        QCOMPARE(calc->GetTypeInfoCount(&count), S_OK);
        QCOMPARE(count, 0u);
    }

    void putAndGetByNameAndId() {
        auto calc = NewCalc();
        QCOMPARE(PutProperty(calc.Get(), u"result", MakeDouble(-12.5)), S_OK);
        VARIANT v = GetId(calc.Get(), DISPID_Result);
        QCOMPARE(v.vt, std::uint16_t(VT_R8));
        QCOMPARE(v.dblVal, -12.5);
        QCOMPARE(PutId(calc.Get(), DISPID_Result, MakeDouble(1e300)), S_OK);
        QCOMPARE(GetProperty(calc.Get(), u"RESULT", &v), S_OK);
        QCOMPARE(v.dblVal, 1e300);
        double typed = 0;
        QCOMPARE(calc->put_Result(0.25), S_OK);
        QCOMPARE(calc->get_Result(&typed), S_OK);
        QCOMPARE(typed, 0.25);
        // Both put forms: with and without the DISPID_PROPERTYPUT name.
        QCOMPARE(InvokeId(calc.Get(), DISPID_Result, DISPATCH_PROPERTYPUT, {MakeDouble(3)}), S_OK);
        QCOMPARE(GetId(calc.Get(), DISPID_Result).dblVal, 3.0);
        // A get may also carry the method flag, as Basic hosts send it.
        QCOMPARE(
            InvokeId(calc.Get(), DISPID_Result, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, &v),
            S_OK);
        QCOMPARE(v.dblVal, 3.0);
    }

    void invokeBadInput_data() {
        QTest::addColumn<DISPID>("id");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<double>>("args");  // NaN stands for an object (Nothing)
        QTest::addColumn<QList<int>>("named");
        QTest::addColumn<bool>("wantResult");
        QTest::addColumn<HRESULT>("expected");
        const int get = DISPATCH_PROPERTYGET, put = DISPATCH_PROPERTYPUT;
        const QList<int> putName{DISPID_PROPERTYPUT};
        const double objArg = qQNaN();
        QTest::newRow("unknown id")
            << 0x12345 << get << QList<double>{} << QList<int>{} << true << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("default member")
            << 0 << get << QList<double>{} << QList<int>{} << true << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("put on Cancelled") << DISPID_Cancelled << put << QList<double>{1} << putName
                                          << false << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("put on ErrorOccurred") << DISPID_ErrorOccurred << put << QList<double>{1}
                                              << putName << false << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("put on Show")
            << DISPID_Show << put << QList<double>{1} << putName << false << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("get on Show") << DISPID_Show << get << QList<double>{} << QList<int>{}
                                     << true << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("Result called") << DISPID_Result << int(DISPATCH_METHOD) << QList<double>{}
                                       << QList<int>{} << true << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("put by reference")
            << DISPID_Result << int(DISPATCH_PROPERTYPUTREF) << QList<double>{1} << putName << false
            << DISP_E_MEMBERNOTFOUND;
        QTest::newRow("get with an argument") << DISPID_Result << get << QList<double>{1}
                                              << QList<int>{} << true << DISP_E_BADPARAMCOUNT;
        QTest::newRow("Show with an argument")
            << DISPID_Show << int(DISPATCH_METHOD) << QList<double>{1} << QList<int>{} << false
            << DISP_E_BADPARAMCOUNT;
        QTest::newRow("put without a value") << DISPID_Result << put << QList<double>{}
                                             << QList<int>{} << false << DISP_E_BADPARAMCOUNT;
        QTest::newRow("put with two values")
            << DISPID_Result << put << QList<double>{1, 2} << QList<int>{DISPID_PROPERTYPUT}
            << false << DISP_E_BADPARAMCOUNT;
        // Values of the wrong kind are the member's own type mismatch (error 13).
        QTest::newRow("Result given an object") << DISPID_Result << put << QList<double>{objArg}
                                                << putName << false << DISP_E_EXCEPTION;
        QTest::newRow("MyOwner given a number")
            << DISPID_MyOwner << put << QList<double>{2} << putName << false << DISP_E_EXCEPTION;
        QTest::newRow("value under another name") << DISPID_Result << put << QList<double>{1}
                                                  << QList<int>{7} << false << DISP_E_PARAMNOTFOUND;
        QTest::newRow("named argument to a get") << DISPID_Result << get << QList<double>{1}
                                                 << QList<int>{7} << true << DISP_E_NONAMEDARGS;
        QTest::newRow("no flags") << DISPID_Result << 0 << QList<double>{} << QList<int>{} << true
                                  << E_INVALIDARG;
        QTest::newRow("unknown flag")
            << DISPID_Result << 0x12 << QList<double>{} << QList<int>{} << true << E_INVALIDARG;
        QTest::newRow("put and get at once")
            << DISPID_Result << (put | get) << QList<double>{1} << putName << true << E_INVALIDARG;
        QTest::newRow("get without a result")
            << DISPID_Result << get << QList<double>{} << QList<int>{} << false << E_POINTER;
    }
    void invokeBadInput() {
        QFETCH(DISPID, id);
        QFETCH(int, flags);
        QFETCH(QList<double>, args);
        QFETCH(QList<int>, named);
        QFETCH(bool, wantResult);
        QFETCH(HRESULT, expected);
        auto calc = NewCalc();
        auto form = Wrap(owner_.get());
        QCOMPARE(calc->put_Result(7.25), S_OK);
        QCOMPARE(calc->put_MyOwner(form.Get()), S_OK);

        std::vector<VARIANT> variants;
        for (double a : args) {
            variants.push_back(qIsNaN(a) ? MakeObject(nullptr) : MakeDouble(a));
        }
        VARIANT result = MakeDouble(99);
        EXCEPINFO info{};
        std::uint32_t argErr = 77;
        const HRESULT hr = InvokeId(calc.Get(), id, static_cast<std::uint16_t>(flags), variants,
                                    wantResult ? &result : nullptr, &info, &argErr,
                                    std::vector<DISPID>(named.begin(), named.end()));
        QCOMPARE(hr, expected);
        QVERIFY(!lib.LastError().isEmpty());
        if (wantResult) {
            QCOMPARE(result.vt, std::uint16_t(VT_EMPTY));
        }
        if (expected == DISP_E_PARAMNOTFOUND) {
            QCOMPARE(argErr, 0u);
        }
        if (expected == DISP_E_EXCEPTION) {
            QCOMPARE(info.scode, HResultFromErrorNumber(13));
            ClearExcepInfo(&info);
        }
        // Nothing changed.
        QCOMPARE(GetId(calc.Get(), DISPID_Result).dblVal, 7.25);
        VARIANT owner = GetId(calc.Get(), DISPID_MyOwner);
        QCOMPARE(owner.pdispVal, form.Get());
        VariantClear(&owner);
    }

    void invokeMalformedParameters() {
        auto calc = NewCalc();
        VARIANT result = MakeEmpty();
        QCOMPARE(calc->Invoke(DISPID_Result, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result,
                              nullptr, nullptr),
                 E_POINTER);
        DISPPARAMS noArray{nullptr, nullptr, 1, 0};
        QCOMPARE(calc->Invoke(DISPID_Result, IID_NULL, 0, DISPATCH_PROPERTYPUT, &noArray, nullptr,
                              nullptr, nullptr),
                 E_POINTER);
        VARIANT value = MakeDouble(1);
        DISPPARAMS tooManyNamed{&value, nullptr, 1, 2};
        QCOMPARE(calc->Invoke(DISPID_Result, IID_NULL, 0, DISPATCH_PROPERTYPUT, &tooManyNamed,
                              nullptr, nullptr, nullptr),
                 E_POINTER);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        QCOMPARE(calc->Invoke(DISPID_Result, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, &result,
                              nullptr, nullptr),
                 DISP_E_UNKNOWNINTERFACE);
    }

    void nullOutPointers() {
        auto calc = NewCalc();
        QCOMPARE(calc->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
        QCOMPARE(calc->get_Result(nullptr), E_POINTER);
        QCOMPARE(calc->get_Cancelled(nullptr), E_POINTER);
        QCOMPARE(calc->get_ErrorOccurred(nullptr), E_POINTER);
        QCOMPARE(calc->get_MyOwner(nullptr), E_POINTER);
        QCOMPARE(calc->GetTypeInfoCount(nullptr), E_POINTER);
        QCOMPARE(lib.wrapWindow(owner_.get(), nullptr), E_POINTER);
        IUnknown* form = reinterpret_cast<IUnknown*>(1);
        QCOMPARE(lib.wrapWindow(nullptr, &form), E_POINTER);
        QCOMPARE(form, nullptr);
        QCOMPARE(lib.errorDescription(nullptr), E_POINTER);
    }

    void ownerRoundTrip() {
        auto calc = NewCalc();
        auto form = Wrap(owner_.get());
        QVERIFY(form);
        QCOMPARE(PutId(calc.Get(), DISPID_MyOwner, MakeObject(form.Get())), S_OK);
        // The host gets back the object it stored, through both doors.
        VARIANT v = GetId(calc.Get(), DISPID_MyOwner);
        QCOMPARE(v.vt, std::uint16_t(VT_DISPATCH));
        QCOMPARE(v.pdispVal, form.Get());
        VariantClear(&v);
        ComPtr<IDispatch> typed;
        QCOMPARE(calc->get_MyOwner(typed.Put()), S_OK);
        QCOMPARE(typed.Get(), form.Get());
        ComPtr<IZarnetCalcWindow> window;
        QCOMPARE(typed.As(IID_IZarnetCalcWindow, window), S_OK);
        QCOMPARE(window->Window(), owner_.get());

        // Empty and Nothing both clear it.
        QCOMPARE(PutId(calc.Get(), DISPID_MyOwner, MakeEmpty()), S_OK);
        QCOMPARE(GetId(calc.Get(), DISPID_MyOwner).pdispVal, nullptr);
        QCOMPARE(calc->put_MyOwner(form.Get()), S_OK);
        QCOMPARE(PutId(calc.Get(), DISPID_MyOwner, MakeObject(nullptr)), S_OK);
        QCOMPARE(GetId(calc.Get(), DISPID_MyOwner).pdispVal, nullptr);
        // A reference assignment ("Set calc.MyOwner = form") stores it as well.
        VARIANT byReference = MakeObject(form.Get());
        QCOMPARE(InvokeId(calc.Get(), DISPID_MyOwner, DISPATCH_PROPERTYPUTREF, {byReference},
                          nullptr, nullptr, nullptr, {DISPID_PROPERTYPUT}),
                 S_OK);
        v = GetId(calc.Get(), DISPID_MyOwner);
        QCOMPARE(v.pdispVal, form.Get());
        VariantClear(&v);
        QCOMPARE(calc->put_MyOwner(nullptr), S_OK);

        // An owner destroyed while stored reads as none; so does its wrapper.
        QCOMPARE(calc->put_MyOwner(form.Get()), S_OK);
        owner_.reset();
        QCOMPARE(GetId(calc.Get(), DISPID_MyOwner).pdispVal, nullptr);
        QCOMPARE(window->Window(), nullptr);
    }

    void ownerThatIsNotAForm_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("the calculator itself") << "self";
        QTest::newRow("a foreign object") << "foreign";
        QTest::newRow("a form whose window is gone") << "destroyed";
        QTest::newRow("a form of a child widget") << "child";
    }
    void ownerThatIsNotAForm() {
        QFETCH(QString, kind);
        auto calc = NewCalc();
        auto form = Wrap(owner_.get());
        QCOMPARE(calc->put_MyOwner(form.Get()), S_OK);

        ForeignObject foreign;
        ComPtr<IUnknown> other;
        auto gone = std::make_unique<QWidget>();
        auto* child = new QWidget(owner_.get());
        if (kind == "self") {
            other = ComPtr<IUnknown>(calc.Get());
        } else if (kind == "foreign") {
            other = &foreign;  // as WRL's ComPtr: a reference of its own
            QCOMPARE(foreign.refs, 2u);
        } else if (kind == "destroyed") {
            other.Attach(Wrap(gone.get()).Detach());
            gone.reset();
        } else {
            other.Attach(Wrap(child).Detach());
        }
        EXCEPINFO info{};
        QCOMPARE(InvokeId(calc.Get(), DISPID_MyOwner, DISPATCH_PROPERTYPUT,
                          {MakeObject(other.Get())}, nullptr, &info, nullptr, {DISPID_PROPERTYPUT}),
                 DISP_E_EXCEPTION);
        QCOMPARE(info.scode, HResultFromErrorNumber(13));
        QVERIFY(info.bstrDescription && info.bstrDescription[0]);
        ClearExcepInfo(&info);
        QVERIFY(!lib.LastError().isEmpty());
        ComPtr<IDispatch> asDispatch;
        if (SUCCEEDED(other.As(IID_IDispatch, asDispatch))) {
            QCOMPARE(calc->put_MyOwner(asDispatch.Get()), HResultFromErrorNumber(13));
        }
        asDispatch.Reset();
        ComPtr<IDispatch> stored;
        QCOMPARE(calc->get_MyOwner(stored.Put()), S_OK);
        QCOMPARE(stored.Get(), form.Get());
        other.Reset();
        QCOMPARE(foreign.refs, 1u);  // no reference of the host's object kept
    }

    void show_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("typed");     // through the typed Show instead of Invoke
        QTest::addColumn<VARIANT>("start");  // ShowFrom's argument, or VT_EMPTY for Show
        QTest::addColumn<double>("result");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<bool>("error");
        const VARIANT none = MakeEmpty();
        QTest::newRow("close at once") << "Close" << false << none << 0.0 << false << false;
        QTest::newRow("12 + 3 =") << "1 2 + 3 = Close" << false << none << 15.0 << false << false;
        QTest::newRow("typed Show") << "7 * 6 = Close" << true << none << 42.0 << false << false;
        QTest::newRow("Esc") << "5 <Esc>" << false << none << 0.0 << true << false;
        QTest::newRow("8 / 0 =") << "8 / 0 = Close" << false << none << 0.0 << false << true;
        QTest::newRow("ShowFrom 12.5, + 1 =")
            << "+ 1 = Close" << false << MakeDouble(12.5) << 13.5 << false << false;
        QTest::newRow("typed ShowFrom -3, * 2 =")
            << "* 2 = Close" << true << MakeDouble(-3) << -6.0 << false << false;
        VARIANT integer = MakeEmpty();
        integer.vt = VT_I2;
        integer.iVal = 7;
        QTest::newRow("ShowFrom an integer, closed at once")
            << "Close" << false << integer << 7.0 << false << false;
    }
    void show() {
        QFETCH(QString, script);
        QFETCH(bool, typed);
        QFETCH(VARIANT, start);
        QFETCH(double, result);
        QFETCH(bool, cancelled);
        QFETCH(bool, error);
        auto calc = NewCalc();
        QCOMPARE(PutProperty(calc.Get(), u"MyOwner", MakeObject(Wrap(owner_.get()).Get())), S_OK);
        QCOMPARE(calc->put_Result(12.5), S_OK);  // not used by Show
        WhenShown([&](QWidget* dialog) { Play(dialog, script); });
        const bool from = start.vt != VT_EMPTY;
        QCOMPARE(typed ? (from ? calc->ShowFrom(start.dblVal) : calc->Show())
                       : (from ? CallMethod(calc.Get(), u"ShowFrom", start)
                               : CallMethod(calc.Get(), u"Show")),
                 S_OK);
        QCOMPARE(GetId(calc.Get(), DISPID_Result).dblVal, result);
        QCOMPARE(GetId(calc.Get(), DISPID_Cancelled).boolVal,
                 cancelled ? VARIANT_TRUE : VARIANT_FALSE);
        QCOMPARE(GetId(calc.Get(), DISPID_ErrorOccurred).boolVal,
                 error ? VARIANT_TRUE : VARIANT_FALSE);
    }

    // What ShowFrom refuses, before anything is shown.
    void showFromRefuses_data() {
        QTest::addColumn<std::vector<VARIANT>>("arguments");
        QTest::addColumn<HRESULT>("invoked");  // Invoke's result
        QTest::addColumn<HRESULT>("scode");    // its exception's code, for DISP_E_EXCEPTION
        VARIANT null = MakeEmpty();
        null.vt = VT_NULL;
        QTest::newRow("not a number")
            << std::vector{MakeDouble(std::numeric_limits<double>::quiet_NaN())} << DISP_E_EXCEPTION
            << HResultFromErrorNumber(5);
        QTest::newRow("infinity") << std::vector{MakeDouble(
                                         std::numeric_limits<double>::infinity())}
                                  << DISP_E_EXCEPTION << HResultFromErrorNumber(5);
        QTest::newRow("Null") << std::vector{null} << DISP_E_EXCEPTION
                              << HResultFromErrorNumber(13);
        QTest::newRow("no argument") << std::vector<VARIANT>{} << DISP_E_BADPARAMCOUNT << S_OK;
        QTest::newRow("two arguments")
            << std::vector{MakeDouble(1), MakeDouble(2)} << DISP_E_BADPARAMCOUNT << S_OK;
    }
    void showFromRefuses() {
        QFETCH(std::vector<VARIANT>, arguments);
        QFETCH(HRESULT, invoked);
        QFETCH(HRESULT, scode);
        auto calc = NewCalc();
        QCOMPARE(calc->put_MyOwner(Wrap(owner_.get()).Get()), S_OK);
        QCOMPARE(calc->put_Result(4), S_OK);
        EXCEPINFO info{};
        QCOMPARE(InvokeId(calc.Get(), DISPID_ShowFrom, DISPATCH_METHOD, arguments, nullptr, &info),
                 invoked);
        QCOMPARE(info.scode, scode);
        ClearExcepInfo(&info);
        QCOMPARE(GetId(calc.Get(), DISPID_Result).dblVal, 4.0);  // kept
        QVERIFY(QApplication::topLevelWidgets().size() == 1);    // only the owner
    }

    void showWithoutOwnerIsAMemberError() {
        auto calc = NewCalc();
        QCOMPARE(calc->put_Result(4), S_OK);
        EXCEPINFO info{};
        QCOMPARE(InvokeId(calc.Get(), DISPID_Show, DISPATCH_METHOD, {}, nullptr, &info),
                 DISP_E_EXCEPTION);
        QCOMPARE(info.scode, HResultFromErrorNumber(91));
        QCOMPARE(info.wCode, std::uint16_t(0));  // only one of the two codes is given
        QVERIFY(info.bstrDescription && info.bstrDescription[0]);
        QCOMPARE(QString::fromUtf16(info.bstrSource), QStringLiteral("ZarnetCalc.clsZarnetCalc"));
        ClearExcepInfo(&info);
        QCOMPARE(calc->Show(), HResultFromErrorNumber(91));
        QVERIFY(!lib.LastError().isEmpty());
        QCOMPARE(GetId(calc.Get(), DISPID_Result).dblVal, 4.0);  // kept
        QVERIFY(QApplication::topLevelWidgets().size() == 1);    // only the owner
    }

    void hostReleasesDuringShow() {
        _clsZarnetCalc* calc = NewCalc().Detach();
        auto form = Wrap(owner_.get());
        QCOMPARE(calc->put_MyOwner(form.Get()), S_OK);
        WhenShown([&](QWidget* dialog) {
            calc->Release();  // the host's only reference
            Play(dialog, "Close");
        });
        QCOMPARE(calc->Show(), S_OK);  // the call's own reference kept the object alive
        form.Reset();
        QCOMPARE(lib.canUnloadNow(), S_OK);  // and it went when Show returned
    }

    void unloadPolling() {
        QCOMPARE(lib.canUnloadNow(), S_OK);
        ComPtr<IClassFactory> factory;
        QCOMPARE(lib.getClassObject(&CLSID_clsZarnetCalc, &IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        QCOMPARE(lib.canUnloadNow(), S_FALSE);
        ComPtr<IUnknown> object;
        QCOMPARE(factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()), S_OK);
        QCOMPARE(factory->LockServer(1), S_OK);
        factory.Reset();
        QCOMPARE(lib.canUnloadNow(), S_FALSE);  // object and lock
        object.Reset();
        QCOMPARE(lib.canUnloadNow(), S_FALSE);  // lock
        QCOMPARE(lib.getClassObject(&CLSID_clsZarnetCalc, &IID_IClassFactory, factory.PutVoid()),
                 S_OK);
        QCOMPARE(factory->LockServer(0), S_OK);
        QCOMPARE(factory->LockServer(0), E_UNEXPECTED);  // no lock left to release
        factory.Reset();
        QCOMPARE(lib.canUnloadNow(), S_OK);
        auto form = Wrap(owner_.get());
        QCOMPARE(lib.canUnloadNow(), S_FALSE);  // a form object is the library's too
    }

    // An object answers the thread that made it only, and a refused call leaves its
    // out-parameters empty. Once the creating thread has ended, every thread is another one
    // (the ended thread's id may come back on a new thread; that does not make it the creator).
    void wrongThread() {
        auto calc = NewCalc();
        auto form = Wrap(owner_.get());
        QCOMPARE(calc->put_Result(2), S_OK);
        Calls fromOther;
        std::thread([&] { fromOther = CallEveryMember(calc.Get(), form.Get()); }).join();
        QCOMPARE(fromOther.results, QList<HRESULT>(11, RPC_E_WRONG_THREAD));
        QVERIFY(fromOther.outsEmpty);
        QVERIFY(fromOther.description.contains("thread"));
        double value = 0;
        QCOMPARE(calc->get_Result(&value), S_OK);
        QCOMPARE(value, 2.0);

        ComPtr<_clsZarnetCalc2> orphan;
        std::thread([&] { orphan = NewCalc(); }).join();
        QVERIFY(orphan);
        for (int later = 0; later < 3; ++later) {
            Calls fromNew;
            std::thread([&] { fromNew = CallEveryMember(orphan.Get(), form.Get()); }).join();
            QCOMPARE(fromNew.results, QList<HRESULT>(11, RPC_E_WRONG_THREAD));
        }
        QCOMPARE(CallEveryMember(orphan.Get(), form.Get()).results,
                 QList<HRESULT>(11, RPC_E_WRONG_THREAD));
    }

    void showOffTheGuiThread() {
        // An object made on a worker thread may be used there, but cannot run a dialog.
        HRESULT show = S_OK;
        std::thread worker([&] {
            auto calc = NewCalc();
            show = calc ? calc->Show() : E_FAIL;
        });
        worker.join();
        QCOMPARE(show, RPC_E_WRONG_THREAD);
    }

    void errorDescriptionLifecycle() {
        auto calc = NewCalc();
        QCOMPARE(calc->get_Result(nullptr), E_POINTER);
        char16_t* text = nullptr;
        QCOMPARE(lib.errorDescription(&text), S_OK);
        QVERIFY(text && text[0]);
        std::free(text);
        QCOMPARE(lib.errorDescription(&text), S_FALSE);  // consumed
        QCOMPARE(text, nullptr);
        QCOMPARE(calc->get_Result(nullptr), E_POINTER);
        double value = 0;
        QCOMPARE(calc->get_Result(&value), S_OK);  // a later success clears it
        QCOMPARE(lib.errorDescription(&text), S_FALSE);
    }
};

QTEST_MAIN(tst_runtime)
#include "tst_runtime.moc"
