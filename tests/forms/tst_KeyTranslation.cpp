// Key events to the codes the calculator's two keyboard handlers read, across layouts and the
// numeric keypad.
#include <QTest>

#include "forms/qt/KeyTranslation.h"
#include "forms/win32/KeyTranslation.h"

using zarnetcalc::forms::qt::KeyCodes;
using zarnetcalc::forms::qt::TranslateKey;

class tst_KeyTranslation : public QObject {
    Q_OBJECT

  private slots:
    void translate_data();
    void translate();
    // The Windows binding's rule, on virtual-key codes and the characters the keys type.
    void win32Codes_data();
    void win32Codes();
};

void tst_KeyTranslation::translate_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("keyDown");
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("keyPress");

    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int pad = Qt::KeypadModifier;

    QTest::newRow("main digit") << int(Qt::Key_5) << none << "5" << 53 << 0 << 53;
    QTest::newRow("main zero") << int(Qt::Key_0) << none << "0" << 48 << 0 << 48;
    QTest::newRow("main nine") << int(Qt::Key_9) << none << "9" << 57 << 0 << 57;
    QTest::newRow("keypad digit") << int(Qt::Key_5) << pad << "5" << 101 << 0 << 53;
    QTest::newRow("keypad zero") << int(Qt::Key_0) << pad << "0" << 96 << 0 << 48;
    QTest::newRow("keypad nine") << int(Qt::Key_9) << pad << "9" << 105 << 0 << 57;
    // US layout: Shift+8 types "*", which must not also enter an 8.
    QTest::newRow("US shift+8") << int(Qt::Key_Asterisk) << shift << "*" << 0 << 1 << 42;
    QTest::newRow("digit key typing other char") << int(Qt::Key_8) << shift << "*" << 0 << 1 << 42;
    QTest::newRow("US shift+5 percent") << int(Qt::Key_Percent) << shift << "%" << 0 << 1 << 37;
    // French layout: the top row types digits only with Shift.
    QTest::newRow("AZERTY shift+&") << int(Qt::Key_1) << shift << "1" << 49 << 1 << 49;
    QTest::newRow("AZERTY & alone") << int(Qt::Key_Ampersand) << none << "&" << 0 << 0 << 38;
    QTest::newRow("AZERTY ( alone") << int(Qt::Key_ParenLeft) << none << "(" << 0 << 0 << 40;
    QTest::newRow("keypad +") << int(Qt::Key_Plus) << pad << "+" << 107 << 0 << 43;
    QTest::newRow("main +") << int(Qt::Key_Plus) << shift << "+" << 0 << 1 << 43;
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << pad << "-" << 109 << 0 << 45;
    QTest::newRow("main -") << int(Qt::Key_Minus) << none << "-" << 0 << 0 << 45;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << pad << "*" << 106 << 0 << 42;
    QTest::newRow("keypad /") << int(Qt::Key_Slash) << pad << "/" << 111 << 0 << 47;
    QTest::newRow("keypad decimal point") << int(Qt::Key_Period) << pad << "." << 110 << 0 << 46;
    QTest::newRow("keypad decimal comma") << int(Qt::Key_Comma) << pad << "," << 110 << 0 << 44;
    QTest::newRow("main period") << int(Qt::Key_Period) << none << "." << 0 << 0 << 46;
    QTest::newRow("main comma") << int(Qt::Key_Comma) << none << "," << 0 << 0 << 44;
    QTest::newRow("keypad 8 num lock off") << int(Qt::Key_Up) << pad << "" << 38 << 0 << 0;
    QTest::newRow("keypad decimal num lock off")
        << int(Qt::Key_Delete) << pad << "" << 46 << 0 << 0;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << pad << "\r" << 13 << 0 << 13;
    QTest::newRow("return") << int(Qt::Key_Return) << none << "\r" << 13 << 0 << 13;
    QTest::newRow("escape") << int(Qt::Key_Escape) << none << "\x1b" << 27 << 0 << 27;
    QTest::newRow("F2") << int(Qt::Key_F2) << none << "" << 113 << 0 << 0;
    QTest::newRow("F1") << int(Qt::Key_F1) << none << "" << 112 << 0 << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << none << "a" << 65 << 0 << 97;
    QTest::newRow("alt+letter") << int(Qt::Key_F) << int(Qt::AltModifier) << "f" << 70 << 4 << 102;
    QTest::newRow("ctrl+alt digit")
        << int(Qt::Key_5) << int(Qt::ControlModifier | Qt::AltModifier) << "5" << 53 << 6 << 53;
    QTest::newRow("shift key alone") << int(Qt::Key_Shift) << shift << "" << 16 << 1 << 0;
    QTest::newRow("dead key, no text") << int(Qt::Key_Dead_Circumflex) << none << "" << 0 << 0 << 0;
    QTest::newRow("character outside 16 bits")
        << int(Qt::Key_unknown) << none << QString::fromUtf8("\xF0\x9F\x98\x80") << 0 << 0 << 0;
    QTest::newRow("high BMP character")
        << int(Qt::Key_unknown) << none << QString(QChar(0xFF05)) << 0 << 0 << 0;
    QTest::newRow("latin-1 character")
        << int(Qt::Key_Eacute) << none << QString(QChar(0xE9)) << 0 << 0 << 0xE9;
}

void tst_KeyTranslation::translate() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(int, keyDown);
    QFETCH(int, shift);
    QFETCH(int, keyPress);

    const KeyCodes codes = TranslateKey(key, Qt::KeyboardModifiers(modifiers), text);
    QCOMPARE(int(codes.keyDown), keyDown);
    QCOMPARE(int(codes.shift), shift);
    QCOMPARE(int(codes.keyPress), keyPress);
}

void tst_KeyTranslation::win32Codes_data() {
    QTest::addColumn<int>("vk");
    QTest::addColumn<int>("typed");  // the character the key types, 0 for none
    QTest::addColumn<int>("keyDown");
    QTest::addColumn<int>("keyPress");

    QTest::newRow("main digit") << int('5') << int('5') << 53 << 53;
    QTest::newRow("US shift+8") << int('8') << int('*') << 0 << 42;
    QTest::newRow("AZERTY shift+&") << int('1') << int('1') << 49 << 49;
    QTest::newRow("AZERTY & alone") << int('1') << int('&') << 0 << 38;
    QTest::newRow("other key typing a digit") << 0xDE << int('2') << 50 << 50;
    QTest::newRow("digit key typing nothing (Ctrl)") << int('5') << 0 << 0 << 0;
    QTest::newRow("keypad digit") << 101 << int('5') << 101 << 53;
    QTest::newRow("keypad digit typing nothing") << 101 << 0 << 101 << 0;
    QTest::newRow("keypad decimal comma") << 110 << int(',') << 110 << 44;
    QTest::newRow("keypad /") << 111 << int('/') << 111 << 47;
    QTest::newRow("F2") << 113 << 0 << 113 << 0;
    QTest::newRow("beyond 16 bits") << int('A') << 0x1F600 << 65 << 0;
    QTest::newRow("high half of 16 bits") << int('A') << 0x8000 << 65 << 0;
}

void tst_KeyTranslation::win32Codes() {
    QFETCH(int, vk);
    QFETCH(int, typed);
    QFETCH(int, keyDown);
    QFETCH(int, keyPress);
    using namespace zarnetcalc::forms::win32;
    QCOMPARE(int(KeyDownCode(unsigned(vk), char32_t(typed))), keyDown);
    QCOMPARE(int(KeyPressCode(char32_t(typed))), keyPress);
}

QTEST_APPLESS_MAIN(tst_KeyTranslation)
#include "tst_KeyTranslation.moc"
