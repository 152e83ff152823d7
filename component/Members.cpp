// The members of _clsZarnetCalc2 as one table: name, dispatch id, and what get, put and call do
// on the shared component. Values arrive as variants and leave as variants.
#include "component/Members.h"

#include <string>

#include "zarnetcalc/DispatchIds.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::runtime {

namespace {

using component::Component;

// A by-reference argument (VBScript passes variables that way) reads as the value it points to.
const VARIANT& ValueOf(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal) {
        return *value.pvarVal;
    }
    return value;
}

// A number argument, as a script host's own conversion fails: a number too large is an overflow.
double NumberOf(const VARIANT& value, const char* member) {
    double number = 0;
    const HRESULT hr = VariantToNumber(ValueOf(value), &number);
    if (hr == DISP_E_OVERFLOW) {
        throw Error(kErrOverflow,
                    std::string("Overflow: ") + member + " takes a number a double can hold");
    }
    if (FAILED(hr)) {
        throw Error(kErrTypeMismatch, std::string("Type mismatch: ") + member + " takes a number");
    }
    return number;
}

void GetResult(Component& core, VARIANT* out) {
    out->vt = VT_R8;
    out->dblVal = core.Result();
}
void PutResult(Component& core, const VARIANT& value) {
    core.SetResult(NumberOf(value, "Result"));
}
void GetCancelled(Component& core, VARIANT* out) {
    out->vt = VT_BOOL;
    out->boolVal = core.Cancelled();
}
void CallShow(Component& core, const VARIANT*) {
    CheckShowThread();
    core.Show();
}
void CallShowFrom(Component& core, const VARIANT* start) {
    CheckShowThread();
    core.ShowFrom(NumberOf(*start, "ShowFrom"));
}
void GetErrorOccurred(Component& core, VARIANT* out) {
    out->vt = VT_BOOL;
    out->boolVal = core.ErrorOccurred();
}
void GetMyOwner(Component& core, VARIANT* out) {
    component::OwnerWindow* owner = core.Owner();
    out->vt = VT_DISPATCH;
    out->pdispVal = owner != nullptr ? FormOf(*owner) : nullptr;
}
void SetOwner(Component& core, IUnknown* form) {
    core.SetOwner(form != nullptr ? OwnerFromForm(form) : nullptr);
}
// An object, Nothing, Empty or Null; anything else is not a form.
void PutMyOwner(Component& core, const VARIANT& argument) {
    const VARIANT& value = ValueOf(argument);
    switch (value.vt) {
        case VT_EMPTY:
        case VT_NULL:
            SetOwner(core, nullptr);
            return;
        case VT_DISPATCH:
            SetOwner(core, value.pdispVal);
            return;
        case VT_UNKNOWN:
            SetOwner(core, value.punkVal);
            return;
        case VT_BYREF | VT_DISPATCH:
            SetOwner(core, value.ppdispVal ? *value.ppdispVal : nullptr);
            return;
        case VT_BYREF | VT_UNKNOWN:
            SetOwner(core, value.ppunkVal ? *value.ppunkVal : nullptr);
            return;
        default:
            throw Error(kErrTypeMismatch, "Type mismatch: MyOwner takes a form");
    }
}

// In the interfaces' order: _clsZarnetCalc's, then what _clsZarnetCalc2 adds.
constexpr Member kMemberTable[] = {
    {"Result", ZC_DISPID_RESULT, GetResult, PutResult, nullptr, false, nullptr},
    {"Cancelled", ZC_DISPID_CANCELLED, GetCancelled, nullptr, nullptr, false, nullptr},
    {"Show", ZC_DISPID_SHOW, nullptr, nullptr, CallShow, false, nullptr},
    {"ErrorOccurred", ZC_DISPID_ERROROCCURRED, GetErrorOccurred, nullptr, nullptr, false, nullptr},
    {"MyOwner", ZC_DISPID_MYOWNER, GetMyOwner, PutMyOwner, nullptr, true, nullptr},
    {"ShowFrom", ZC_DISPID_SHOWFROM, nullptr, nullptr, CallShowFrom, false, "Start"},
};

}  // namespace

std::span<const Member> Members() {
    return kMemberTable;
}

const Member* FindMember(DISPID id) {
    for (const Member& m : kMemberTable) {
        if (m.id == id) {
            return &m;
        }
    }
    return nullptr;
}

// Automation names compare without regard to (ASCII) case.
bool SameName(const OLECHAR* given, const char* name) {
    auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (; *given && *name; ++given, ++name) {
        if (lower(static_cast<unsigned>(*given)) != lower(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return *given == 0 && *name == 0;
}

}  // namespace zarnetcalc::runtime
