// The members of _clsZarnetCalc as data, for the dispatch object (Dispatch.cpp): each member's
// name, dispatch id, and its get, put and call on the shared component.
#pragma once

#include <span>

#include "component/Runtime.h"

namespace zarnetcalc::runtime {

struct Member {
    const char* name;
    DISPID id;
    void (*get)(component::Component&, VARIANT* out);          // null: cannot be read
    void (*put)(component::Component&, const VARIANT& value);  // null: read-only
    void (*call)(component::Component&);                       // null: not a method
    bool putByReference;  // a reference assignment ("Set x.MyOwner = f") is taken as a put
};

// In the interface's order.
std::span<const Member> Members();
// The member of that dispatch id, or null.
const Member* FindMember(DISPID id);
// Automation names compare without regard to (ASCII) case.
bool SameName(const OLECHAR* given, const char* name);

}  // namespace zarnetcalc::runtime
