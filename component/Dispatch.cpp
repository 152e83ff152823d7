// The calculator object behind the binary interface and its class object: the apartment check,
// a reference held for every call, failures as result codes, and Invoke's argument rules. The
// member table (Members.h) serves GetIDsOfNames, Invoke and the typed members of _clsZarnetCalc
// and _clsZarnetCalc2 alike.
#include <cstdio>
#include <utility>

#include "component/ComObject.h"
#include "component/Members.h"
#include "zarnetcalc/DispatchIds.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

// ---- the calculator object -------------------------------------------------------------------

// _clsZarnetCalc2 is _clsZarnetCalc with the members added since: one vtable serves both.
class CalculatorObject final
    : public ComObject<CalculatorObject, _clsZarnetCalc2, ISupportErrorInfo> {
  public:
    static constexpr const char* kName = "clsZarnetCalc";
    void* InterfaceFor(REFIID riid) {
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDispatch) ||
            IsEqualGUID(riid, IID__clsZarnetCalc) || IsEqualGUID(riid, IID__clsZarnetCalc2)) {
            return static_cast<_clsZarnetCalc2*>(this);
        }
        if (IsEqualGUID(riid, IID_ISupportErrorInfo)) {
            return static_cast<ISupportErrorInfo*>(this);
        }
        return nullptr;
    }

    CalculatorObject() : thread_(CurrentThreadToken()) {}

    // Every call but AddRef and Release comes on the creating thread (the apartment).
    HRESULT Admit() {
        if (CurrentThreadToken() != thread_) {
            return ReportError(RPC_E_WRONG_THREAD,
                               "clsZarnetCalc was called on another thread than the one that "
                               "created it");
        }
        return S_OK;
    }

    // ISupportErrorInfo: every failing member of the dual interfaces leaves an error description
    // for the calling thread.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return IsEqualGUID(riid, IID__clsZarnetCalc) || IsEqualGUID(riid, IID__clsZarnetCalc2)
                   ? S_OK
                   : S_FALSE;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return Call(Door::Typed, nullptr, [&] { *Out(count) = TypeInfoCount(); });
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) override {
        if (typeInfo) {
            *typeInfo = nullptr;
        }
        return Call(Door::Typed, nullptr, [&] {
            Out(typeInfo);
            if (index != 0 || TypeInfoCount() == 0) {
                throw CallFailure{DISP_E_BADINDEX,
                                  "clsZarnetCalc has no type information " + std::to_string(index)};
            }
            if (const HRESULT hr = LoadTypeInfo(typeInfo); FAILED(hr)) {
                throw CallFailure{hr, "The type information could not be loaded"};
            }
        });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
        }
        return Call(Door::Typed, nullptr, [&] {
            if (!names || !ids) {
                throw CallFailure{E_POINTER, "GetIDsOfNames: a null array"};
            }
            if (!IsEqualGUID(riid, IID_NULL)) {
                throw CallFailure{DISP_E_UNKNOWNINTERFACE, "GetIDsOfNames: riid must be IID_NULL"};
            }
            if (count == 0) {
                throw CallFailure{E_INVALIDARG, "GetIDsOfNames: no name given"};
            }
            if (!names[0]) {
                throw CallFailure{E_POINTER, "GetIDsOfNames: a null name"};
            }
            const Member* member = nullptr;
            for (const Member& m : Members()) {
                if (SameName(names[0], m.name)) {
                    member = &m;
                    ids[0] = m.id;
                }
            }
            if (!member) {
                throw CallFailure{DISP_E_UNKNOWNNAME, "clsZarnetCalc has no member of that name"};
            }
            // A method's argument by its name, as "ShowFrom Start:=12.5" asks for it.
            if (count == 2 && member->argumentName && names[1] &&
                SameName(names[1], member->argumentName)) {
                ids[1] = 0;
            } else if (count > 1) {
                throw CallFailure{DISP_E_UNKNOWNNAME,
                                  std::string(member->name) + " has no parameter of that name"};
            }
        });
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) override {
        if (result) {
            VariantInit(result);
        }
        if (excepInfo) {
            *excepInfo = EXCEPINFO{};
        }
        return Call(Door::Dispatch, excepInfo,
                    [&] { Dispatch(id, riid, flags, params, result, argErr); });
    }

    // _clsZarnetCalc: each typed member is its table row.
    HRESULT STDMETHODCALLTYPE get_Result(double* value) override {
        return TypedGet(ZC_DISPID_RESULT, value);
    }
    HRESULT STDMETHODCALLTYPE put_Result(double value) override {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_R8;
        v.dblVal = value;
        return TypedPut(ZC_DISPID_RESULT, v);
    }
    HRESULT STDMETHODCALLTYPE get_Cancelled(VARIANT_BOOL* value) override {
        return TypedGet(ZC_DISPID_CANCELLED, value);
    }
    HRESULT STDMETHODCALLTYPE Show() override {
        return Call(Door::Typed, nullptr,
                    [&] { FindMember(ZC_DISPID_SHOW)->call(core_, nullptr); });
    }
    HRESULT STDMETHODCALLTYPE get_ErrorOccurred(VARIANT_BOOL* value) override {
        return TypedGet(ZC_DISPID_ERROROCCURRED, value);
    }
    HRESULT STDMETHODCALLTYPE get_MyOwner(IDispatch** value) override {
        return TypedGet(ZC_DISPID_MYOWNER, value);
    }
    HRESULT STDMETHODCALLTYPE put_MyOwner(IDispatch* value) override {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = value;  // borrowed
        return TypedPut(ZC_DISPID_MYOWNER, v);
    }

    // _clsZarnetCalc2
    HRESULT STDMETHODCALLTYPE ShowFrom(double Start) override {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_R8;
        v.dblVal = Start;
        return Call(Door::Typed, nullptr, [&] { FindMember(ZC_DISPID_SHOWFROM)->call(core_, &v); });
    }

  private:
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
            throw CallFailure{E_POINTER, "The out-pointer is null"};
        }
        return pointer;
    }

    static void Take(const VARIANT& v, double* out) { *out = v.dblVal; }
    static void Take(const VARIANT& v, VARIANT_BOOL* out) { *out = v.boolVal; }
    static void Take(const VARIANT& v, IDispatch** out) { *out = v.pdispVal; }

    template <class T>
    HRESULT TypedGet(DISPID id, T* out) {
        if (out) {
            *out = T{};
        }
        return Call(Door::Typed, nullptr, [&] {
            Out(out);
            VARIANT v;
            VariantInit(&v);
            FindMember(id)->get(core_, &v);
            Take(v, out);  // the reference an object value carries goes to the caller
        });
    }
    HRESULT TypedPut(DISPID id, const VARIANT& value) {
        return Call(Door::Typed, nullptr, [&] { FindMember(id)->put(core_, value); });
    }

    // Runs one call: the apartment check, an extra reference, and every failure turned into a
    // result code with its description. A failure of the call itself (CallFailure) is returned
    // as it is; a failure of the member comes back as its own code through the typed members,
    // and as DISP_E_EXCEPTION with the details in EXCEPINFO through Invoke.
    enum class Door { Typed, Dispatch };

    template <class Body>
    HRESULT Call(Door door, EXCEPINFO* excepInfo, Body&& body) {
        ClearErrorInfo();
        if (const HRESULT hr = Admit(); FAILED(hr)) {
            return hr;
        }
        CallReference hold(this);
        MemberFailure failure;
        try {
            body();
            return S_OK;
        } catch (const CallFailure& f) {
            return ReportError(f.hr, f.description);
        } catch (...) {
            failure = FailureFromCurrentException();
        }
        ReportError(failure.hr, failure.description);
        if (door == Door::Typed) {
            return failure.hr;
        }
        if (excepInfo) {
            excepInfo->scode = failure.hr;  // wCode stays 0: the code is in scode
            excepInfo->bstrSource = AllocText(kProgID);
            excepInfo->bstrDescription = AllocText(failure.description);
        }
        return DISP_E_EXCEPTION;
    }
    void Dispatch(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result,
                  UINT* argErr) {
        if (!IsEqualGUID(riid, IID_NULL)) {
            throw CallFailure{DISP_E_UNKNOWNINTERFACE, "Invoke: riid must be IID_NULL"};
        }
        if (!params) {
            throw CallFailure{E_POINTER, "Invoke: the parameters are null"};
        }
        if ((params->cArgs > 0 && !params->rgvarg) ||
            (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
            throw CallFailure{E_POINTER, "Invoke: an argument array is null"};
        }
        if (params->cNamedArgs > params->cArgs) {
            throw CallFailure{E_INVALIDARG, "Invoke: more named arguments than arguments"};
        }
        const Member* member = FindMember(id);
        if (!member) {
            throw CallFailure{DISP_E_MEMBERNOTFOUND,
                              "clsZarnetCalc has no member with dispatch id " +
                                  Hex(static_cast<std::uint32_t>(id))};
        }
        const std::string name = member->name;
        if (flags == 0 || (flags & ~0xFu) != 0) {
            throw CallFailure{E_INVALIDARG, "Invoke: invalid flags " + Hex(flags)};
        }
        const bool putFlag = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (putFlag && (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
            throw CallFailure{E_INVALIDARG,
                              "Invoke: a property put cannot be combined with a get or a call"};
        }

        if (putFlag) {
            const bool byValue = (flags & DISPATCH_PROPERTYPUT) != 0;
            if (!member->put || (!byValue && !member->putByReference)) {
                throw CallFailure{DISP_E_MEMBERNOTFOUND,
                                  !member->put ? name + " cannot be assigned"
                                               : name + " cannot be set by reference"};
            }
            if (params->cArgs != 1) {
                throw CallFailure{DISP_E_BADPARAMCOUNT, name + " takes exactly one value"};
            }
            if (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
                if (argErr) {
                    *argErr = 0;
                }
                throw CallFailure{DISP_E_PARAMNOTFOUND,
                                  name + ": the value must be the DISPID_PROPERTYPUT argument"};
            }
            member->put(core_, params->rgvarg[0]);
            return;
        }
        const bool asGet = member->get && (flags & DISPATCH_PROPERTYGET) != 0;
        const bool asCall = member->call && (flags & DISPATCH_METHOD) != 0;
        if (!asGet && !asCall) {
            throw CallFailure{DISP_E_MEMBERNOTFOUND,
                              member->call ? name + " is a method" : name + " is a property"};
        }
        const UINT arguments = asCall && member->argumentName ? 1 : 0;
        if (params->cNamedArgs != 0 &&
            (arguments == 0 || params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != 0)) {
            if (argErr) {
                *argErr = 0;
            }
            throw CallFailure{arguments == 0 ? DISP_E_NONAMEDARGS : DISP_E_PARAMNOTFOUND,
                              arguments == 0
                                  ? name + " takes no named arguments"
                                  : name + " takes one argument, " + member->argumentName};
        }
        if (params->cArgs != arguments) {
            throw CallFailure{DISP_E_BADPARAMCOUNT, arguments == 0 ? name + " takes no arguments"
                                                                   : name + " takes one argument"};
        }
        if (asCall) {
            member->call(core_, arguments == 1 ? &params->rgvarg[0] : nullptr);
            return;
        }
        if (!result) {
            throw CallFailure{E_POINTER, name + ": the result pointer is null"};
        }
        member->get(core_, result);
    }

    component::Component core_;
    const std::uint64_t thread_;
};

// ---- the class object ------------------------------------------------------------------------

class ClassObject final : public ComObject<ClassObject, IClassFactory> {
  public:
    static constexpr const char* kName = "The class object";
    static bool Implements(REFIID riid) {
        return IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IClassFactory);
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        ClearErrorInfo();
        if (!ppv) {
            return ReportError(E_POINTER, "CreateInstance: the out-pointer is null");
        }
        *ppv = nullptr;
        if (outer) {
            return ReportError(CLASS_E_NOAGGREGATION, "clsZarnetCalc cannot be aggregated");
        }
        CalculatorObject* object = nullptr;
        try {
            object = new CalculatorObject();
        } catch (...) {
            const MemberFailure failure = FailureFromCurrentException();
            return ReportError(failure.hr, failure.description);
        }
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();  // the caller's reference, if any, is the one QueryInterface added
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        ClearErrorInfo();
        if (lock) {
            ServerLock();
            return S_OK;
        }
        if (!ServerUnlock()) {
            return ReportError(E_UNEXPECTED, "LockServer(FALSE) without a lock to release");
        }
        return S_OK;
    }
};

}  // namespace

HRESULT GetClassObject(const CLSID* rclsid, const IID* riid, void** ppv) {
    ClearErrorInfo();
    if (!ppv) {
        return ReportError(E_POINTER, "DllGetClassObject: the out-pointer is null");
    }
    *ppv = nullptr;
    if (!rclsid || !riid) {
        return ReportError(E_POINTER, "DllGetClassObject: a null identifier");
    }
    if (!IsEqualGUID(*rclsid, CLSID_clsZarnetCalc)) {
        return ReportError(CLASS_E_CLASSNOTAVAILABLE,
                           "This library has no class " + GuidToString(*rclsid));
    }
    ClassObject* factory = nullptr;
    try {
        factory = new ClassObject;
    } catch (const std::bad_alloc&) {
        return ReportError(E_OUTOFMEMORY, "Out of memory");
    }
    const HRESULT hr = factory->QueryInterface(*riid, ppv);
    factory->Release();
    return hr;
}

}  // namespace zarnetcalc::runtime
