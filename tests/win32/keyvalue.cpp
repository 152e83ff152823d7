// zc-keyvalue.exe KEY VALUE...: the About box's registry reader GetKeyValue on the real registry,
// for the Windows checks. Prints what GetKeyValue gives for each pair under HKEY_LOCAL_MACHINE.
#include <windows.h>

#include <cstdio>
#include <string>

#include "about/AboutLogic.h"

namespace {

// The text, shortened to its start when long, and its length (which shows a terminator that
// was kept). Appended piece by piece: GCC 12 warns falsely about "\"" + text at -O2.
std::string Shown(const std::string& text) {
    constexpr std::size_t kShown = 70;
    std::string shown = "\"";
    shown.append(text, 0, kShown);
    shown += text.size() <= kShown ? "\" (" : "...\" (";
    shown += std::to_string(text.size()) + " characters)";
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::puts("usage: zc-keyvalue KEY VALUE [KEY VALUE...]");
        return 2;
    }
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string text = "unchanged";
        const auto flag =
            zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE, argv[i], argv[i + 1], text);
        std::printf("%s | %s: %d %s\n", argv[i], argv[i + 1], static_cast<int>(flag),
                    Shown(text).c_str());
    }
    return 0;
}
