// Tests of the calculator dialog's logic through a fake set of controls: entry, display, the chain
// arithmetic and percentages, fixed decimals, the error lockout, keyboard map and buttons.
#include <QtTest>

#include <cmath>
#include <limits>

#include "FakeControls.h"
#include "calculator/Calculator.h"

using namespace zarnetcalc::calculator;
using zarnetcalc::calculator::test::FakeControls;

namespace {

// A freshly loaded dialog driven by key scripts: tokens separated by spaces. "+ - * / % = ( ) 00"
// are keypad keys, FIX CE AC the buttons, ENTER the hidden equals button, CLOSE and ESC the
// dialog's ends, TIMER a tick, "kd:N" a key-down code, "kp:C" a typed character, "key:N" a raw
// keypad index. Any other token is typed key by key: digits and ".".
class Rig {
  public:
    FakeControls ui;
    Calculator calc{ui};

    Rig() { calc.Form_Load(); }

    bool Press(const QString& token) {
        static const QHash<QString, std::int16_t> keys = {
            {"00", key::k00},        {"*", key::kMultiply}, {"/", key::kDivide},
            {"-", key::kSubtract},   {"+", key::kAdd},      {"(", key::kOpenParen},
            {")", key::kCloseParen}, {"=", key::kEquals},   {"%", key::kPercent}};
        if (const auto it = keys.find(token); it != keys.end()) {
            std::int16_t index = *it;
            calc.cmdKeypad_Click(index);
        } else if (token == "FIX") {
            calc.cmdFix_Click();
        } else if (token == "CE") {
            calc.cmdCLR_Click();
        } else if (token == "AC") {
            calc.cmdAC_Click();
        } else if (token == "ENTER") {
            calc.cmdTmp_Click();
        } else if (token == "CLOSE") {
            calc.cmdDone_Click();
        } else if (token == "ESC") {
            calc.cmdCancel_Click();
        } else if (token == "TIMER") {
            calc.Timer1_Timer();
        } else if (token.startsWith("kd:")) {
            std::int16_t code = token.mid(3).toShort();
            calc.Form_KeyDown(code, 0);
        } else if (token.startsWith("kp:") && token.size() == 4) {
            std::int16_t ascii = static_cast<std::int16_t>(token.at(3).unicode());
            calc.Form_KeyPress(ascii);
        } else if (token.startsWith("key:")) {
            std::int16_t index = token.mid(4).toShort();
            calc.cmdKeypad_Click(index);
        } else {
            for (QChar c : token) {
                std::int16_t index;
                if (c.isDigit()) {
                    index = static_cast<std::int16_t>(c.digitValue());
                } else if (c == '.') {
                    index = key::kPoint;
                } else {
                    return false;
                }
                calc.cmdKeypad_Click(index);
            }
        }
        return true;
    }

    // The display after each token.
    QStringList Run(const QString& script) {
        QStringList shown;
        for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
            if (!Press(token)) {
                shown << "<bad token " + token + ">";
                break;
            }
            shown << QString::fromStdString(ui.display);
        }
        return shown;
    }
};

// Field-by-field differences of two states, empty when they are the same.
QString StateDiff(const CalculationState& a, const CalculationState& b) {
    QStringList d;
    const auto num = [&](const char* name, double x, double y) {
        if (!(x == y && std::signbit(x) == std::signbit(y))) {
            d << QString("%1: %2 / %3").arg(name).arg(x).arg(y);
        }
    };
    const auto str = [&](const char* name, const std::string& x, const std::string& y) {
        if (x != y) {
            d << QString("%1: '%2' / '%3'").arg(name, x.c_str(), y.c_str());
        }
    };
    const auto flag = [&](const char* name, bool x, bool y) {
        if (x != y) {
            d << QString("%1: %2 / %3").arg(name).arg(x).arg(y);
        }
    };
    num("dblAccumulator", a.dblAccumulator, b.dblAccumulator);
    num("dblOperand", a.dblOperand, b.dblOperand);
    str("strPendingOp", std::string(OperatorText(a.strPendingOp)),
        std::string(OperatorText(b.strPendingOp)));
    flag("blnNewEntry", a.blnNewEntry, b.blnNewEntry);
    str("strDisplayFormat", a.strDisplayFormat, b.strDisplayFormat);
    flag("blnFixPending", a.blnFixPending, b.blnFixPending);
    str("strIntPart", a.strIntPart, b.strIntPart);
    str("strFracPart", a.strFracPart, b.strFracPart);
    flag("blnDecimalMode", a.blnDecimalMode, b.blnDecimalMode);
    flag("blnInIntPart", a.blnInIntPart, b.blnInIntPart);
    flag("blnPointPending", a.blnPointPending, b.blnPointPending);
    return d.join("; ");
}

QString Digits(char first, int zeros) {
    return QString(first) + QString(zeros, '0');
}

// Only AC, Close and the two hidden buttons stay usable in the error state.
std::string LockedPattern() {
    std::string s(FakeControls::kCount, '0');
    for (std::size_t i :
         {FakeControls::kAC, FakeControls::kDone, FakeControls::kCancel, FakeControls::kTmp}) {
        s[i] = '1';
    }
    return s;
}

std::string UnlockedPattern() {
    std::string s(FakeControls::kCount, '1');
    s[FakeControls::kTimer1] = '0';
    return s;
}

}  // namespace

class TestCalculator : public QObject {
    Q_OBJECT

  private slots:
    void formLoad();
    void pasted_data();
    void pasted();
    void keyScript_data();
    void keyScript();
    void stateAfterScript_data();
    void stateAfterScript();
    void errorLockout();
    void errorStaysOnOperators_data();
    void errorStaysOnOperators();
    void fixNineWritesEightBack();
    void focus_data();
    void focus();
    void keyboardMap_data();
    void keyboardMap();
    void dialogEnds_data();
    void dialogEnds();
    void aboutAndTimer();
};

void TestCalculator::formLoad() {
    Rig rig;
    rig.ui.tag = "OK";
    rig.calc.Form_Load();
    QCOMPARE(rig.ui.display, std::string("0"));
    QCOMPARE(rig.ui.indicator, std::string());
    QCOMPARE(rig.ui.tag, std::string());
    QCOMPARE(rig.ui.EnabledPattern(), UnlockedPattern());
    QVERIFY(rig.calc.State().blnInIntPart);
}

void TestCalculator::keyScript_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("displays");

    // Entry, decimal mode off: the integer digits exactly as typed.
    QTest::newRow("leading zero kept") << "0 5"
                                       << "0 05";
    QTest::newRow("leading zeros kept") << "0 0 7"
                                        << "0 00 007";
    QTest::newRow("00 after reset") << "00"
                                    << "00";
    QTest::newRow("00 after a digit") << "1 00"
                                      << "1 100";
    QTest::newRow("00 starts a new entry") << "5 + 00 1 ="
                                           << "5 5 00 001 6";
    QTest::newRow("parentheses do nothing") << "5 ( )"
                                            << "5 5 5";
    QTest::newRow("no index beyond the keypad") << "5 key:20 key:-1"
                                                << "5 5 5";

    // Decimal mode.
    QTest::newRow("point then fraction") << "1 . 5 ."
                                         << "1 1. 1.5 1.5";
    QTest::newRow("whole entries keep a point") << "1 . AC 7"
                                                << "1 1. 0 7.";
    QTest::newRow("result in decimal mode") << "1.5 + 2 ="
                                            << "1.5 1.5 2. 3.5";
    QTest::newRow("whole result with point") << "1.5 + 1.5 ="
                                             << "1.5 1.5 1.5 3.";
    QTest::newRow("point after operator starts 0.") << "2 + . 5 * 3 ="
                                                    << "2 2 0. 0.5 2.5 3. 7.5";
    QTest::newRow("point before operator") << "2 . + 3 ="
                                           << "2 2. 2. 3. 5.";
    QTest::newRow("fraction shown only in decimal mode") << "7 / 2 ="
                                                         << "7 7 2 3";

    // The chain, without precedence, and equals.
    QTest::newRow("worked chain") << "5 + 3 * 2 = 3 ="
                                  << "5 5 3 8 2 16 3 48";
    QTest::newRow("operator after operator replaces") << "6 + * 2 ="
                                                      << "6 6 6 2 12";
    QTest::newRow("equals right after operator") << "5 + = ="
                                                 << "5 5 5 5";
    QTest::newRow("equals after operator then digit") << "5 + = 3 ="
                                                      << "5 5 5 3 8";
    QTest::newRow("repeated equals") << "2 + 3 = ="
                                     << "2 2 3 5 5";
    QTest::newRow("equals repeats with new number") << "2 + 3 = 4 ="
                                                    << "2 2 3 5 4 9";
    QTest::newRow("subtraction order") << "3 - 5 ="
                                       << "3 3 5 -2";
    QTest::newRow("division order") << "8 / 2 ="
                                    << "8 8 2 4";
    QTest::newRow("negative fraction by its integer digits") << "0 - 1 / 2 ="
                                                             << "0 0 1 -1 2 -0";
    QTest::newRow("negative fraction in decimal mode") << "1 - 1.5 ="
                                                       << "1 1 1.5 -0.5";
    QTest::newRow("negative zero shown as 0") << "0 - 1 * 0 ="
                                              << "0 0 1 -1 0 0";
    QTest::newRow("Enter is equals") << "2 + 3 ENTER"
                                     << "2 2 3 5";

    // Percentages.
    QTest::newRow("add percent") << "200 + 10 %"
                                 << "200 200 10 220";
    QTest::newRow("subtract percent") << "200 - 10 %"
                                      << "200 200 10 180";
    QTest::newRow("multiply percent") << "200 * 10 %"
                                      << "200 200 10 20";
    QTest::newRow("divide percent") << "200 / 10 %"
                                    << "200 200 10 2000";
    QTest::newRow("operator after percent replaces it") << "200 + 10 % + 5 ="
                                                        << "200 200 10 220 220 5 225";
    QTest::newRow("number after percent starts anew") << "200 + 10 % 5 + 1 ="
                                                      << "200 200 10 220 5 5 1 6";

    // Fixed decimals.
    QTest::newRow("FIX 2 chain") << "FIX 2 1 + 2 ="
                                 << "0 0.00 1.00 1.00 2.00 3.00";
    QTest::newRow("FIX 1 then FIX 0") << "3.25 FIX 1 FIX 0"
                                      << "3.25 3.25 3.3 3.3 3";
    QTest::newRow("FIX shows the running result") << "5 + 3 = 7 FIX 2"
                                                  << "5 5 3 8 7 7 8.00";
    QTest::newRow("FIX with decimal mode keeps fraction") << "12.75 + FIX 2"
                                                          << "12.75 12.75 12.75 12.75";
    QTest::newRow("FIX without decimal mode drops fraction") << "51 / 4 = FIX 2"
                                                             << "51 51 4 12 12 12.00";
    QTest::newRow("point after FIX leaves the hidden fraction out") << "51 / 4 = 9 FIX 2 ."
                                                                    << "51 51 4 12 9 9 12.00 12.00";
    QTest::newRow("FIX 9 gives eight decimals") << "FIX 9"
                                                << "0 0.00000000";
    QTest::newRow("Format rounds as read") << "1.005 FIX 2"
                                           << "1.005 1.005 1.01";
    QTest::newRow("FIX 0 halves to even down") << "12.5 FIX 0"
                                               << "12.5 12.5 12";
    QTest::newRow("FIX 0 halves to even up") << "13.5 FIX 0"
                                             << "13.5 13.5 14";
    QTest::newRow("FIX 0 beyond 16 bits") << "40000.5 FIX 0"
                                          << "40000.5 40000.5 40000";
    // 1.1 - 0.6 is a little above 0.5 as a double; the display reads 0.5, which goes to 0.
    QTest::newRow("FIX 0 rounds the value as shown") << "1.1 - 0.6 = FIX 0"
                                                     << "1.1 1.1 0.6 0.5 0.5 0";
    QTest::newRow("FIX 0 ends the format") << "FIX 2 FIX 0 7"
                                           << "0 0.00 0.00 0 07";

    // Clear entry.
    QTest::newRow("CE shows 0.00 under FIX 3") << "FIX 3 1 2 CE 5"
                                               << "0 0.000 1.000 12.000 0.00 5.000";
    QTest::newRow("CE in the fraction part") << "1.5 CE 7"
                                             << "1.5 0.00 0.7";
    QTest::newRow("CE keeps the chain") << "4 + 9 CE 2 ="
                                        << "4 4 9 0.00 2 6";

    // Exponent-form results, split at their first point.
    QTest::newRow("exponent result by integer digit") << "15" + QString(19, '0') + " + 5 ="
                                                      << "15" + QString(19, '0') + " 1 5 1";
    QTest::newRow("exponent result in decimal mode") << ". AC " + Digits('1', 20) + " +"
                                                     << "0. 0 " + Digits('1', 20) + ". 1E+20.";
    QTest::newRow("exponent result under FIX")
        << ". AC " + Digits('1', 16) + " + FIX 2"
        << "0. 0 " + Digits('1', 16) + ". 1E+16. 1E+16. 10000000000000000.00";

    // Sound behaviour at the limits of a double.
    QTest::newRow("overflow is an error")
        << Digits('1', 200) + " * " + Digits('1', 200) + " ="
        << Digits('1', 200) + " 1E+200 " + Digits('1', 200) + " Error";
    QTest::newRow("huge entry shown as typed, error on operator")
        << Digits('1', 400) + " +" << Digits('1', 400) + " Error";
    QTest::newRow("huge entry under FIX is an error")
        << "FIX 2 " + Digits('1', 400) << "0 0.00 Error";
    QTest::newRow("huge entry as FIX source is an error")
        << Digits('1', 400) + " FIX 2" << Digits('1', 400) + " " + Digits('1', 400) + " Error";

    // Division by zero and what still works.
    QTest::newRow("divide by zero") << "8 / 0 ="
                                    << "8 8 0 Error";
    QTest::newRow("percent divide by zero") << "8 / 0 %"
                                            << "8 8 0 Error";
    QTest::newRow("keyboard digit replaces Error") << "8 / 0 = kd:53 ="
                                                   << "8 8 0 Error 05 1";
    QTest::newRow("AC ends the error") << "8 / 0 = AC 3 + 4 ="
                                       << "8 8 0 Error 0 3 3 4 7";
    QTest::newRow("keypad double delivery applies once") << "5 kd:107 kp:+ 3 ="
                                                         << "5 5 5 3 8";
}

void TestCalculator::keyScript() {
    QFETCH(QString, script);
    QFETCH(QString, displays);
    Rig rig;
    QCOMPARE(rig.Run(script), displays.split(' '));
}

void TestCalculator::stateAfterScript_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<double>("accumulator");
    QTest::addColumn<QString>("pendingOp");
    QTest::addColumn<bool>("newEntry");
    QTest::addColumn<bool>("pointPending");
    QTest::addColumn<QString>("indicator");

    QTest::newRow("full value kept while integer shown")
        << "7 / 2 =" << 3.5 << "/" << true << false << "";
    QTest::newRow("point belongs to its entry")
        << "2 + . 5 * 3 =" << 7.5 << "*" << true << false << "";
    QTest::newRow("point pending through a new entry")
        << "2 + . 5" << 2.0 << "+" << false << true << "";
    QTest::newRow("fraction digit ends point pending")
        << "1 . 5" << 0.0 << "" << false << false << "";
    QTest::newRow("trailing point entry") << "2 . + 3 =" << 5.0 << "+" << true << false << "";
    QTest::newRow("error keeps accumulator and operator")
        << "8 / 0 =" << 8.0 << "/" << false << false << "";
    QTest::newRow("overflow keeps accumulator")
        << Digits('1', 200) + " * " + Digits('1', 200) + " =" << 1e200 << "*" << false << false
        << "";
    QTest::newRow("FIX 2 keeps the fraction")
        << "51 / 4 = FIX 2" << 12.75 << "/" << true << false << "FIX";
    QTest::newRow("FIX rebuilds a zero accumulator")
        << "12.05 FIX 1" << 12.05 << "" << false << false << "FIX";
    QTest::newRow("FIX pending shows the indicator")
        << "FIX" << 0.0 << "" << false << false << "FIX";
    QTest::newRow("FIX 0 rounds and clears the indicator")
        << "51 / 4 = FIX 0" << 13.0 << "/" << true << false << "";
    QTest::newRow("percent is pending after percent")
        << "200 + 10 %" << 220.0 << "%" << true << false << "";
    QTest::newRow("CE keeps the chain") << "4 + 9 CE" << 4.0 << "+" << false << false << "";
    QTest::newRow("AC clears the indicator") << "FIX 2 AC" << 0.0 << "" << false << false << "";
}

void TestCalculator::stateAfterScript() {
    QFETCH(QString, script);
    QFETCH(double, accumulator);
    QFETCH(QString, pendingOp);
    QFETCH(bool, newEntry);
    QFETCH(bool, pointPending);
    QFETCH(QString, indicator);
    Rig rig;
    rig.Run(script);
    const CalculationState& s = rig.calc.State();
    QCOMPARE(s.dblAccumulator, accumulator);
    QCOMPARE(QString::fromStdString(std::string(OperatorText(s.strPendingOp))), pendingOp);
    QCOMPARE(s.blnNewEntry, newEntry);
    QCOMPARE(s.blnPointPending, pointPending);
    QCOMPARE(QString::fromStdString(rig.ui.indicator), indicator);
}

void TestCalculator::errorLockout() {
    Rig rig;
    rig.Run("1 . 5 FIX 2 8 / 0 =");
    QCOMPARE(rig.ui.display, std::string("Error"));
    QCOMPARE(rig.ui.EnabledPattern(), LockedPattern());
    QCOMPARE(rig.calc.State().dblOperand, 0.0);

    rig.Run("kd:57");  // keyboard digits still reach the keypad
    QCOMPARE(rig.ui.display, std::string("9.00"));
    QCOMPARE(rig.ui.EnabledPattern(), LockedPattern());  // only AC unlocks

    rig.Run("AC");
    QCOMPARE(rig.ui.display, std::string("0"));
    QCOMPARE(rig.ui.EnabledPattern(), UnlockedPattern());
    QVERIFY(rig.calc.State().strDisplayFormat.empty());
    QVERIFY(rig.calc.State().blnDecimalMode);  // AC leaves decimal mode on
    QCOMPARE(rig.Run("7"), QStringList{"7."});
}

// Once the display reads "Error", operators, equals and percent change nothing at all.
void TestCalculator::errorStaysOnOperators_data() {
    QTest::addColumn<QString>("into");
    QTest::addColumn<QString>("then");

    const QList<QPair<const char*, QString>> intos = {
        {"divide by zero", "8 / 0 ="},
        {"percent divide by zero", "8 / 0 %"},
        {"overflow", Digits('1', 200) + " * " + Digits('1', 200) + " ="},
        {"huge entry", "5 + " + Digits('1', 400) + " ="},
        {"huge entry under FIX", "FIX 2 " + Digits('1', 400)},
    };
    const QList<QPair<const char*, QString>> thens = {
        {"equals", "="},    {"plus", "+"},          {"percent", "%"},
        {"Enter", "ENTER"}, {"typed star", "kp:*"}, {"keypad minus", "kd:109"},
    };
    for (const auto& [intoName, into] : intos) {
        for (const auto& [thenName, then] : thens) {
            QTest::addRow("%s, %s", intoName, thenName) << into << then;
        }
    }
}

void TestCalculator::errorStaysOnOperators() {
    QFETCH(QString, into);
    QFETCH(QString, then);
    Rig rig;
    rig.Run(into);
    QCOMPARE(rig.ui.display, std::string("Error"));
    const CalculationState before = rig.calc.State();
    rig.Run(then);
    QCOMPARE(rig.ui.display, std::string("Error"));
    QCOMPARE(StateDiff(rig.calc.State(), before), QString());
    QCOMPARE(rig.ui.EnabledPattern(), LockedPattern());
}

void TestCalculator::fixNineWritesEightBack() {
    Rig rig;
    rig.calc.cmdFix_Click();
    std::int16_t index = 9;
    rig.calc.cmdKeypad_Click(index);
    QCOMPARE(index, std::int16_t(8));
    QCOMPARE(rig.calc.State().strDisplayFormat, std::string("0.00000000"));
    QCOMPARE(rig.ui.indicator, std::string("FIX"));
    QVERIFY(!rig.calc.State().blnFixPending);

    std::int16_t five = 5;  // an ordinary digit is left alone
    rig.calc.cmdKeypad_Click(five);
    QCOMPARE(five, std::int16_t(5));
}

void TestCalculator::focus_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("focusMoves");

    QTest::newRow("digit") << ""
                           << "5" << 1;
    QTest::newRow("operator") << "5"
                              << "+" << 1;
    QTest::newRow("equals") << "5 + 2"
                            << "=" << 1;
    QTest::newRow("point") << ""
                           << "." << 1;
    QTest::newRow("parenthesis") << ""
                                 << "(" << 1;
    QTest::newRow("no key") << ""
                            << "key:42" << 0;
    QTest::newRow("FIX button") << ""
                                << "FIX" << 1;
    QTest::newRow("digit after FIX") << "FIX"
                                     << "2" << 0;
    QTest::newRow("CE") << ""
                        << "CE" << 1;
    QTest::newRow("AC") << ""
                        << "AC" << 1;
    QTest::newRow("timer tick") << ""
                                << "TIMER" << 1;
    QTest::newRow("Enter") << ""
                           << "ENTER" << 1;
    QTest::newRow("Close") << ""
                           << "CLOSE" << 0;
    QTest::newRow("keyboard digit") << ""
                                    << "kd:99" << 1;
    QTest::newRow("keyboard other key") << ""
                                        << "kd:65" << 0;
    QTest::newRow("error") << "8 / 0"
                           << "=" << 1;
}

void TestCalculator::focus() {
    QFETCH(QString, before);
    QFETCH(QString, action);
    QFETCH(int, focusMoves);
    Rig rig;
    rig.Run(before);
    const int start = rig.ui.focusCount;
    rig.Run(action);
    QCOMPARE(rig.ui.focusCount - start, focusMoves);
}

// Each keyboard code does what the key it stands for does; the code itself is left unchanged.
void TestCalculator::keyboardMap_data() {
    QTest::addColumn<bool>("keyDown");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("sameAs");

    for (int d = 0; d <= 9; ++d) {
        QTest::addRow("main %d", d) << true << 48 + d << QString::number(d);
        QTest::addRow("numpad %d", d) << true << 96 + d << QString::number(d);
    }
    QTest::newRow("numpad *") << true << 106 << "*";
    QTest::newRow("numpad +") << true << 107 << "+";
    QTest::newRow("numpad -") << true << 109 << "-";
    QTest::newRow("numpad .") << true << 110 << ".";
    QTest::newRow("numpad /") << true << 111 << "/";
    QTest::newRow("F2") << true << 113 << "CLOSE";
    QTest::newRow("separator key 108") << true << 108 << "";
    QTest::newRow("letter A") << true << 65 << "";
    QTest::newRow("Enter key code") << true << 13 << "";

    QTest::newRow("char %") << false << 37 << "%";
    QTest::newRow("char (") << false << 40 << "(";
    QTest::newRow("char )") << false << 41 << ")";
    QTest::newRow("char *") << false << 42 << "*";
    QTest::newRow("char +") << false << 43 << "+";
    QTest::newRow("char -") << false << 45 << "-";
    QTest::newRow("char .") << false << 46 << ".";
    QTest::newRow("char /") << false << 47 << "/";
    QTest::newRow("char digit is not typed here") << false << 53 << "";
    QTest::newRow("char =") << false << 61 << "";
    QTest::newRow("char comma") << false << 44 << "";
}

void TestCalculator::keyboardMap() {
    QFETCH(bool, keyDown);
    QFETCH(int, code);
    QFETCH(QString, sameAs);
    const QString prefix = "1 . 2 + 3";  // an entry and a pending operator to act on

    Rig byKey;
    byKey.Run(prefix);
    std::int16_t c = static_cast<std::int16_t>(code);
    if (keyDown) {
        byKey.calc.Form_KeyDown(c, 1);  // Shift is not looked at
    } else {
        byKey.calc.Form_KeyPress(c);
    }
    QCOMPARE(int(c), code);

    Rig byButton;
    byButton.Run(prefix + " " + sameAs);
    QCOMPARE(byKey.ui.display, byButton.ui.display);
    QCOMPARE(byKey.ui.tag, byButton.ui.tag);
    QCOMPARE(byKey.ui.hideCount, byButton.ui.hideCount);
    QCOMPARE(byKey.ui.focusCount, byButton.ui.focusCount);
    QCOMPARE(StateDiff(byKey.calc.State(), byButton.calc.State()), QString());
}

void TestCalculator::dialogEnds_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("hides");

    QTest::newRow("Close") << "5 CLOSE"
                           << "OK" << 1;
    QTest::newRow("F2") << "5 kd:113"
                        << "OK" << 1;
    QTest::newRow("Esc") << "5 ESC"
                         << "Cancelled" << 1;
    QTest::newRow("Close in the error state") << "8 / 0 = CLOSE"
                                              << "OK" << 1;
    QTest::newRow("AC clears the tag") << "CLOSE AC"
                                       << "" << 1;
}

void TestCalculator::dialogEnds() {
    QFETCH(QString, script);
    QFETCH(QString, tag);
    QFETCH(int, hides);
    Rig rig;
    const QStringList shown = rig.Run(script);
    QCOMPARE(QString::fromStdString(rig.ui.tag), tag);
    QCOMPARE(rig.ui.hideCount, hides);
    QCOMPARE(shown.size(), script.count(' ') + 1);
}

void TestCalculator::aboutAndTimer() {
    Rig rig;
    rig.Run("4 +");
    const CalculationState before = rig.calc.State();
    rig.calc.cmdAbout_Click();
    QCOMPARE(rig.ui.aboutCount, 1);
    QCOMPARE(StateDiff(rig.calc.State(), before), QString());

    rig.ui.enabled[FakeControls::kTimer1] = true;
    rig.calc.Timer1_Timer();
    QVERIFY(!rig.ui.enabled[FakeControls::kTimer1]);
}

// What a paste takes: the numbers the keypad could have typed; anything else is announced as
// "Nothing to paste" and changes nothing.
void TestCalculator::pasted_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("display");  // after "5 +" and the paste
    const QString refused = "5";
    QTest::newRow("digits") << "42"
                            << "42";
    QTest::newRow("a point") << "0.5"
                             << "0.5";
    QTest::newRow("a point first") << ".5"
                                   << "0.5";
    QTest::newRow("a point last") << "7."
                                  << "7.";
    QTest::newRow("blanks and a line end around it") << " \t12\r\n"
                                                     << "12";
    QTest::newRow("64 digits") << QString(64, '9') << QString(64, '9');
    QTest::newRow("65 digits") << QString(65, '9') << refused;
    QTest::newRow("a sign") << "-3" << refused;
    QTest::newRow("a plus") << "+3" << refused;
    QTest::newRow("an exponent") << "1E5" << refused;
    QTest::newRow("two points") << "1.2.3" << refused;
    QTest::newRow("only a point") << "." << refused;
    QTest::newRow("grouping") << "1,234" << refused;
    QTest::newRow("a decimal comma") << "1,5" << refused;
    QTest::newRow("two lines") << "1\n2" << refused;
    QTest::newRow("letters") << "12a" << refused;
    QTest::newRow("nothing") << "" << refused;
    QTest::newRow("blanks only") << "  " << refused;
}

void TestCalculator::pasted() {
    QFETCH(QString, clipboard);
    QFETCH(QString, display);
    Rig rig;
    rig.Run("5 +");
    rig.ui.clipboard = clipboard.toStdString();
    rig.calc.PasteClipboard();
    QCOMPARE(QString::fromStdString(rig.ui.display), display);
    const bool refused = rig.ui.display == "5";
    QCOMPARE(rig.ui.announced.size(), refused ? std::size_t(1) : std::size_t(0));
    if (refused)
        QCOMPARE(QString::fromStdString(rig.ui.announced.front()), QString("Nothing to paste"));
    rig.ui.clipboard.reset();  // no text at all
    rig.calc.PasteClipboard();
    QCOMPARE(QString::fromStdString(rig.ui.display), display);
}

QTEST_APPLESS_MAIN(TestCalculator)
#include "tst_calculator.moc"
