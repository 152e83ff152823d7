// The access key a caption marks ("&FIX": F), as both dialogs and their bindings read it.
// Toolkit-free and header-only.
#pragma once

#include <string_view>

namespace zarnetcalc::forms {

// The character after a single "&" ("&&" is a plain "&"), as written; 0 when there is none.
template <class Char>
constexpr Char AccessKeyOf(std::basic_string_view<Char> caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == Char('&')) {
            if (caption[i + 1] != Char('&')) {
                return caption[i + 1];
            }
            ++i;
        }
    }
    return Char(0);
}

}  // namespace zarnetcalc::forms
