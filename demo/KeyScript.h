// The scripted mode's little language: tokens separated by white space, each a button to click
// by its caption or one key in angle brackets. Parsing only; delivering them is ScriptPlayer's.
#pragma once

#include <QString>
#include <Qt>
#include <vector>

namespace zarnetcalc::demo {

struct KeyToken {
    enum class Kind { Click, Key };

    QString text;  // the token as written in the script
    Kind kind = Kind::Click;

    // Click: the objectName of the button whose caption the token names.
    QString objectName;

    // Key: the key as the toolkit reports it from a US keyboard.
    Qt::Key key = Qt::Key_unknown;
    Qt::KeyboardModifiers modifiers;
    QString keyText;  // what the key types ("" for F2)
};

struct ParsedScript {
    std::vector<KeyToken> tokens;
    QString unknownToken;  // the first token that is not known; tokens is then empty
    bool ok() const { return unknownToken.isEmpty(); }
};

// Buttons by caption: 0 to 9, 00, . * / - + ( ) = %, FIX, CE, AC, Close, About. Keys: <0>..<9>,
// <KP0>..<KP9>, <KP*> <KP+> <KP-> <KP.> <KP/>, <Enter> <Space> <Esc> <F2> <Tab>, <Alt+F> <Alt+E>
// <Alt+A> <Alt+C>, and the characters <%> <(> <)> <*> <+> <-> <.> </> as typed on a US keyboard
// (<*> is Shift+8). Tokens are case-sensitive.
ParsedScript ParseKeyScript(const QString& script);

}  // namespace zarnetcalc::demo
