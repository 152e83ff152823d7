// The scripted mode's little language, the same for the sample host on both platforms: tokens
// separated by white space, each a button to click by its caption or one key in angle brackets.
// Parsing only, plain C++; typing the keys is each platform's ScriptPlayer.
#pragma once

#include <string>
#include <vector>

namespace zarnetcalc::demo {

// A key as pressed on a US keyboard, for each platform to turn into its own key codes.
struct KeyStroke {
    enum class Named { None, Enter, Space, Esc, F2, Tab, Insert };

    Named named = Named::None;
    char key = 0;    // unnamed: the key's own character ('5' for <%>, 'f' for <Alt+F>)
    char typed = 0;  // what the key types with its modifiers ('%' for <%>); 0 for F2
    bool keypad = false;
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};

struct KeyToken {
    enum class Kind { Click, Key };

    std::string text;  // the token as written in the script
    Kind kind = Kind::Click;
    std::string objectName;  // Click: the name of the button whose caption the token names
    KeyStroke key;           // Key
};

struct ParsedScript {
    std::vector<KeyToken> tokens;
    std::string unknownToken;  // the first token that is not known; tokens is then empty
    bool ok() const { return unknownToken.empty(); }
};

// Buttons by caption: 0 to 9, 00, . * / - + ( ) = %, FIX, CE, AC, Close, About. Keys: <0>..<9>,
// <KP0>..<KP9>, <KP*> <KP+> <KP-> <KP.> <KP/>, <Enter> <Space> <Esc> <F2> <Tab>, <Alt+F> <Alt+E>
// <Alt+A> <Alt+C>, the characters <%> <(> <)> <*> <+> <-> <.> </> as typed on a US keyboard
// (<*> is Shift+8), and the clipboard's <Ctrl+C> <Ctrl+Insert> <Ctrl+V> <Shift+Insert>. Tokens
// are case-sensitive.
ParsedScript ParseKeyScript(const std::string& script);

// Whether the script copies to the clipboard (the host then prints the clipboard's text).
bool Copies(const ParsedScript& script);

// The sample host's usage below its synopsis: the window, --keys and --screenshot.
extern const char* const kScriptUsage;

}  // namespace zarnetcalc::demo
