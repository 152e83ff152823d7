// The scripted mode's little language on Windows, the same as the Linux sample host's: tokens
// separated by white space, each a button to click by its caption or one key in angle brackets,
// the keys as virtual-key codes of a US keyboard. Parsing only; typing them is ScriptPlayer's.
#pragma once

#include <string>
#include <vector>

namespace zarnetcalc::demo {

struct KeyToken {
    enum class Kind { Click, Key };

    std::string text;  // the token as written in the script
    Kind kind = Kind::Click;

    // Click: the objectName of the button whose caption the token names.
    std::string objectName;

    // Key: the virtual-key code, pressed with Shift or Alt held where the key needs it.
    unsigned vk = 0;
    bool shift = false;
    bool alt = false;
};

struct ParsedScript {
    std::vector<KeyToken> tokens;
    std::string unknownToken;  // the first token that is not known; tokens is then empty
    bool ok() const { return unknownToken.empty(); }
};

// Buttons by caption: 0 to 9, 00, . * / - + ( ) = %, FIX, CE, AC, Close, About. Keys: <0>..<9>,
// <KP0>..<KP9>, <KP*> <KP+> <KP-> <KP.> <KP/>, <Enter> <Space> <Esc> <F2> <Tab>, <Alt+F> <Alt+E>
// <Alt+A> <Alt+C>, and the characters <%> <(> <)> <*> <+> <-> <.> </> as typed on a US keyboard
// (<*> is Shift+8). Tokens are case-sensitive.
ParsedScript ParseKeyScript(const std::string& script);

}  // namespace zarnetcalc::demo
