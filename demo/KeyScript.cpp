// Token table of the scripted mode: which button a caption names, and which key, modifiers and
// text a bracketed key name stands for on a US keyboard.
#include "KeyScript.h"

#include <QRegularExpression>
#include <map>
#include <optional>

namespace zarnetcalc::demo {

namespace {

const std::map<QString, QString>& Buttons() {
    static const std::map<QString, QString> buttons = [] {
        std::map<QString, QString> m;
        for (int d = 0; d <= 9; ++d) m[QString::number(d)] = QString("cmdKeypad(%1)").arg(d);
        // Captions of the keypad keys 10 to 19, in index order.
        const char* captions[] = {"00", ".", "*", "/", "-", "+", "(", ")", "=", "%"};
        for (int i = 0; i < 10; ++i) m[captions[i]] = QString("cmdKeypad(%1)").arg(10 + i);
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
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};

const std::map<QString, KeyDef>& Keys() {
    static const std::map<QString, KeyDef> keys = [] {
        std::map<QString, KeyDef> m;
        for (int d = 0; d <= 9; ++d) {
            const auto key = static_cast<Qt::Key>(Qt::Key_0 + d);
            m[QString("<%1>").arg(d)] = {key, Qt::NoModifier, QString::number(d)};
            m[QString("<KP%1>").arg(d)] = {key, Qt::KeypadModifier, QString::number(d)};
        }
        m["<KP*>"] = {Qt::Key_Asterisk, Qt::KeypadModifier, "*"};
        m["<KP+>"] = {Qt::Key_Plus, Qt::KeypadModifier, "+"};
        m["<KP->"] = {Qt::Key_Minus, Qt::KeypadModifier, "-"};
        m["<KP.>"] = {Qt::Key_Period, Qt::KeypadModifier, "."};
        m["<KP/>"] = {Qt::Key_Slash, Qt::KeypadModifier, "/"};
        m["<Enter>"] = {Qt::Key_Return, Qt::NoModifier, "\r"};
        m["<Space>"] = {Qt::Key_Space, Qt::NoModifier, " "};
        m["<Esc>"] = {Qt::Key_Escape, Qt::NoModifier, "\x1b"};
        m["<F2>"] = {Qt::Key_F2, Qt::NoModifier, ""};
        m["<Tab>"] = {Qt::Key_Tab, Qt::NoModifier, "\t"};
        m["<Alt+F>"] = {Qt::Key_F, Qt::AltModifier, "f"};
        m["<Alt+E>"] = {Qt::Key_E, Qt::AltModifier, "e"};
        m["<Alt+A>"] = {Qt::Key_A, Qt::AltModifier, "a"};
        m["<Alt+C>"] = {Qt::Key_C, Qt::AltModifier, "c"};
        // The shifted characters of a US main keyboard: Shift+5, 9, 0, 8 and =.
        m["<%>"] = {Qt::Key_Percent, Qt::ShiftModifier, "%"};
        m["<(>"] = {Qt::Key_ParenLeft, Qt::ShiftModifier, "("};
        m["<)>"] = {Qt::Key_ParenRight, Qt::ShiftModifier, ")"};
        m["<*>"] = {Qt::Key_Asterisk, Qt::ShiftModifier, "*"};
        m["<+>"] = {Qt::Key_Plus, Qt::ShiftModifier, "+"};
        m["<->"] = {Qt::Key_Minus, Qt::NoModifier, "-"};
        m["<.>"] = {Qt::Key_Period, Qt::NoModifier, "."};
        m["</>"] = {Qt::Key_Slash, Qt::NoModifier, "/"};
        return m;
    }();
    return keys;
}

std::optional<KeyToken> ParseToken(const QString& text) {
    KeyToken token;
    token.text = text;
    if (auto b = Buttons().find(text); b != Buttons().end()) {
        token.kind = KeyToken::Kind::Click;
        token.objectName = b->second;
        return token;
    }
    if (auto k = Keys().find(text); k != Keys().end()) {
        token.kind = KeyToken::Kind::Key;
        token.key = k->second.key;
        token.modifiers = k->second.modifiers;
        token.keyText = k->second.text;
        return token;
    }
    return std::nullopt;
}

}  // namespace

ParsedScript ParseKeyScript(const QString& script) {
    ParsedScript parsed;
    static const QRegularExpression whiteSpace("\\s+");
    for (const QString& text : script.split(whiteSpace, Qt::SkipEmptyParts)) {
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
