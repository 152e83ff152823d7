// Token table of the scripted mode: which button a caption names, and which key with which
// modifiers a bracketed key name stands for on a US keyboard.
#include "demo/KeyScript.h"

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

namespace zarnetcalc::demo {

const char* const kScriptUsage =
    "Opens the sample host window; its Calculator... button opens the calculator. Each time the\n"
    "calculator closes, a line Result=R Cancelled=C ErrorOccurred=E is printed.\n"
    "\n"
    "--keys types SCRIPT into the calculator and prints, per token, the token, the display and\n"
    "the FIX indicator, tab-separated (or the token and (closed) once the calculator has ended),\n"
    "then clicks Close if it is still open, and prints the Result line. Tokens, separated by\n"
    "white space: a button by its caption (0-9 00 . * / - + ( ) = % FIX CE AC Close About), or a\n"
    "key: <0>-<9> <KP0>-<KP9> <KP*> <KP+> <KP-> <KP.> <KP/> <Enter> <Space> <Esc> <F2> <Tab>\n"
    "<Alt+F> <Alt+E> <Alt+A> <Alt+C> <%> <(> <)> <*> <+> <-> <.> </> (a US keyboard: <*> is\n"
    "Shift+8), <Ctrl+C> <Ctrl+Insert> (copy) <Ctrl+V> <Shift+Insert> (paste). An About box a\n"
    "token opens is closed with Esc before the next token. When the script copies, a line\n"
    "Clipboard=TEXT with the clipboard's text comes before the Result line.\n"
    "--clipboard puts TEXT on the clipboard before the calculator opens.\n"
    "--start puts NUMBER into the host's number field, and the calculator opens on it (ShowFrom)\n"
    "as if it had just shown it as the result of =; without it the scripted calculator opens at 0\n"
    "(Show), while the window opens it on the field's number.\n"
    "--screenshot saves the calculator as it looks after the last token (or as it was when it\n"
    "ended) as a PNG.\n";

namespace {

const std::map<std::string, std::string>& Buttons() {
    static const std::map<std::string, std::string> buttons = [] {
        std::map<std::string, std::string> m;
        auto keypad = [](int index) {
            std::string name = "cmdKeypad(";  // (appended, not added: GCC 12 for x86 warns there)
            name.append(std::to_string(index)).append(")");
            return name;
        };
        for (int d = 0; d <= 9; ++d) m[std::to_string(d)] = keypad(d);
        // Captions of the keypad keys 10 to 19, in index order.
        const char* captions[] = {"00", ".", "*", "/", "-", "+", "(", ")", "=", "%"};
        for (int i = 0; i < 10; ++i) m[captions[i]] = keypad(10 + i);
        m["FIX"] = "cmdFix";
        m["CE"] = "cmdCLR";
        m["AC"] = "cmdAC";
        m["Close"] = "cmdDone";
        m["About"] = "cmdAbout";  // the About key has a picture, no caption
        return m;
    }();
    return buttons;
}

const std::map<std::string, KeyStroke>& Keys() {
    using N = KeyStroke::Named;
    static const std::map<std::string, KeyStroke> keys = [] {
        std::map<std::string, KeyStroke> m;
        auto plain = [](char key, char typed) { return KeyStroke{N::None, key, typed}; };
        auto keypad = [](char key) { return KeyStroke{N::None, key, key, true}; };
        auto shifted = [](char key, char typed) {
            return KeyStroke{N::None, key, typed, false, true};
        };
        auto named = [](N name, char typed) { return KeyStroke{name, 0, typed}; };
        for (char d = '0'; d <= '9'; ++d) {
            m[std::string("<") + d + ">"] = plain(d, d);
            m[std::string("<KP") + d + ">"] = keypad(d);
        }
        for (char op : {'*', '+', '-', '.', '/'}) m[std::string("<KP") + op + ">"] = keypad(op);
        m["<Enter>"] = named(N::Enter, '\r');
        m["<Space>"] = named(N::Space, ' ');
        m["<Esc>"] = named(N::Esc, '\x1b');
        m["<F2>"] = named(N::F2, 0);
        m["<Tab>"] = named(N::Tab, '\t');
        for (char letter : {'f', 'e', 'a', 'c'})
            m[std::string("<Alt+") + char(letter - 'a' + 'A') + ">"] = {N::None, letter, letter,
                                                                        false,   false,  true};
        // The shifted characters of a US main keyboard: Shift+5, 9, 0, 8 and =.
        m["<%>"] = shifted('5', '%');
        m["<(>"] = shifted('9', '(');
        m["<)>"] = shifted('0', ')');
        m["<*>"] = shifted('8', '*');
        m["<+>"] = shifted('=', '+');
        for (char c : {'-', '.', '/'}) m[std::string("<") + c + ">"] = plain(c, c);
        // The clipboard's keys: Ctrl and a letter types its control character.
        m["<Ctrl+C>"] = {N::None, 'c', '\x03', false, false, false, true};
        m["<Ctrl+V>"] = {N::None, 'v', '\x16', false, false, false, true};
        m["<Ctrl+Insert>"] = {N::Insert, 0, 0, false, false, false, true};
        m["<Shift+Insert>"] = {N::Insert, 0, 0, false, true, false, false};
        return m;
    }();
    return keys;
}

std::optional<KeyToken> ParseToken(const std::string& text) {
    KeyToken token;
    token.text = text;
    if (auto b = Buttons().find(text); b != Buttons().end()) {
        token.kind = KeyToken::Kind::Click;
        token.objectName = b->second;
        return token;
    }
    if (auto k = Keys().find(text); k != Keys().end()) {
        token.kind = KeyToken::Kind::Key;
        token.key = k->second;
        return token;
    }
    return std::nullopt;
}

}  // namespace

bool Copies(const ParsedScript& script) {
    return std::any_of(script.tokens.begin(), script.tokens.end(), [](const KeyToken& token) {
        return token.text == "<Ctrl+C>" || token.text == "<Ctrl+Insert>";
    });
}

ParsedScript ParseKeyScript(const std::string& script) {
    ParsedScript parsed;
    std::istringstream words(script);  // white space separates tokens
    std::string text;
    while (words >> text) {
        std::optional<KeyToken> token = ParseToken(text);
        if (!token) {
            parsed.tokens.clear();
            parsed.unknownToken = text;
            return parsed;
        }
        parsed.tokens.push_back(std::move(*token));
    }
    return parsed;
}

}  // namespace zarnetcalc::demo
