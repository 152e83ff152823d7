// The members of _clsZarnetCalc2 (_clsZarnetCalc's and those added since) as data, for the
// dispatch object (Dispatch.cpp): each member's name, dispatch id, and its get, put and call on
// the shared component.
#pragma once

#include <span>

#include "component/Runtime.h"

namespace zarnetcalc::runtime {

struct Member {
    const char* name;
    DISPID id;
    void (*get)(component::Component&, VARIANT* out);          // null: cannot be read
    void (*put)(component::Component&, const VARIANT& value);  // null: read-only
    // null: not a method. argument is the method's one argument, or null for one that takes none.
    void (*call)(component::Component&, const VARIANT* argument);
    bool putByReference;       // a reference assignment ("Set x.MyOwner = f") is taken as a put
    const char* argumentName;  // a method's one argument (dispatch id 0), or null for none
};

// In the interface's order.
std::span<const Member> Members();
// The member of that dispatch id, or null.
const Member* FindMember(DISPID id);
// Automation names compare without regard to (ASCII) case.
bool SameName(const OLECHAR* given, const char* name);

}  // namespace zarnetcalc::runtime
