// The About box's controls and separator lines as data, in twips: one table that the Qt and the
// Win32 bindings of frmAbout both lay out. No toolkit in here.
#pragma once

#include <array>
#include <string_view>

#include "zarnetcalc/ControlNames.h"

namespace zarnetcalc::forms::about_layout {

// The box's client area, in twips.
inline constexpr int kClientWidth = 5652;
inline constexpr int kClientHeight = 3024;

enum class Role { OK, SysInfo, Title, Version, Notice };
enum class Kind { Button, Label };

struct ControlDef {
    Role role;
    Kind kind;
    const char* name;              // objectName
    const char* caption;           // UTF-8, with "&" before the access key
    int left, top, width, height;  // twips
};

// In tab order: OK first, then System Info; labels take no focus.
inline constexpr std::array<ControlDef, 5> kControls{{
    {Role::OK, Kind::Button, "cmdOK", "OK", 4200, 1800, 1260, 345},
    {Role::SysInfo, Kind::Button, "cmdSysInfo", "&System Info...", 4200, 2280, 1245, 345},
    {Role::Title, Kind::Label, "lblTitle", "Application Title", 240, 120, 3888, 480},
    {Role::Version, Kind::Label, "lblVersion", "Version", 240, 720, 3888, 228},
    {Role::Notice, Kind::Label, "Label1(1)", "Copyright \u00a9 Zarnet. All rights reserved.", 240,
     1080, 3732, 252},
}};

constexpr bool NamesArePublished() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        if (std::string_view(kControls[i].name) != controls::kAboutControls[i]) {
            return false;
        }
    }
    return kControls.size() == controls::kAboutControls.size();
}
static_assert(NamesArePublished(), "the objectNames of zarnetcalc/ControlNames.h are this table's");

struct LineDef {
    int x1, y1, x2, y2;  // twips
    bool light;          // the window-background colour, else black
};

// Line1(0) and Line1(1): a light line just under a black one, an etched separator.
inline constexpr std::array<LineDef, 2> kLines{{
    {132, 1584, 5532, 1584, true},
    {120, 1560, 5517, 1560, false},
}};

}  // namespace zarnetcalc::forms::about_layout
