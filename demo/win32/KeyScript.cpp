// Token table of the scripted mode on Windows: which button a caption names, and which key and
// modifiers a bracketed key name stands for on a US keyboard.
#include "KeyScript.h"

#include <windows.h>

#include <map>
#include <optional>
#include <sstream>

namespace zarnetcalc::demo {

namespace {

const std::map<std::string, std::string>& Buttons() {
    static const std::map<std::string, std::string> buttons = [] {
        std::map<std::string, std::string> m;
        auto keypad = [](int index) {
            return std::string("cmdKeypad(").append(std::to_string(index)).append(")");
        };
        for (int d = 0; d <= 9; ++d) {
            m[std::to_string(d)] = keypad(d);
        }
        // Captions of the keypad keys 10 to 19, in index order.
        const char* captions[] = {"00", ".", "*", "/", "-", "+", "(", ")", "=", "%"};
        for (int i = 0; i < 10; ++i) {
            m[captions[i]] = keypad(10 + i);
        }
        m["FIX"] = "cmdFix";
        m["CE"] = "cmdCLR";
        m["AC"] = "cmdAC";
        m["Close"] = "cmdDone";
        m["About"] = "cmdAbout";  // the About key has a picture, no caption
        return m;
    }();
    return buttons;
}

struct KeyDef {
    unsigned vk;
    bool shift;
    bool alt;
};

const std::map<std::string, KeyDef>& Keys() {
    static const std::map<std::string, KeyDef> keys = [] {
        std::map<std::string, KeyDef> m;
        for (unsigned d = 0; d <= 9; ++d) {
            const std::string digit = std::to_string(d);
            m[std::string("<").append(digit).append(">")] = {'0' + d, false, false};
            m[std::string("<KP").append(digit).append(">")] = {VK_NUMPAD0 + d, false, false};
        }
        m["<KP*>"] = {VK_MULTIPLY, false, false};
        m["<KP+>"] = {VK_ADD, false, false};
        m["<KP->"] = {VK_SUBTRACT, false, false};
        m["<KP.>"] = {VK_DECIMAL, false, false};
        m["<KP/>"] = {VK_DIVIDE, false, false};
        m["<Enter>"] = {VK_RETURN, false, false};
        m["<Space>"] = {VK_SPACE, false, false};
        m["<Esc>"] = {VK_ESCAPE, false, false};
        m["<F2>"] = {VK_F2, false, false};
        m["<Tab>"] = {VK_TAB, false, false};
        m["<Alt+F>"] = {'F', false, true};
        m["<Alt+E>"] = {'E', false, true};
        m["<Alt+A>"] = {'A', false, true};
        m["<Alt+C>"] = {'C', false, true};
        // The shifted characters of a US main keyboard: Shift+5, 9, 0, 8 and =.
        m["<%>"] = {'5', true, false};
        m["<(>"] = {'9', true, false};
        m["<)>"] = {'0', true, false};
        m["<*>"] = {'8', true, false};
        m["<+>"] = {VK_OEM_PLUS, true, false};
        m["<->"] = {VK_OEM_MINUS, false, false};
        m["<.>"] = {VK_OEM_PERIOD, false, false};
        m["</>"] = {VK_OEM_2, false, false};
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
        token.vk = k->second.vk;
        token.shift = k->second.shift;
        token.alt = k->second.alt;
        return token;
    }
    return std::nullopt;
}

}  // namespace

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
