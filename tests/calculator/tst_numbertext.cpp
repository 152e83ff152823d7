// Tests of the calculator's number text: conversions both ways, Format, integer rounding, and that
// none of it changes under a locale whose decimal separator is ",".
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale>
#include <string>

#include "calculator/NumberText.h"

using namespace zarnetcalc::calculator;

Q_DECLARE_METATYPE(TextNumberStatus)

class TestNumberText : public QObject {
    Q_OBJECT

  private slots:
    void numberToText_data();
    void numberToText();
    void numberToTextReadsBack_data();
    void numberToTextReadsBack();
    void parse_data();
    void parse();
    void format_data();
    void format();
    void roundHalfEven_data();
    void roundHalfEven();
    void sameUnderCommaLocale();
};

void TestNumberText::numberToText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("whole") << 42.0 << "42";
    QTest::newRow("negative fraction") << -2.5 << "-2.5";
    QTest::newRow("binary noise hidden by 15 digits") << 0.1 + 0.2 << "0.3";
    QTest::newRow("15 digits whole") << 123456789012345.0 << "123456789012345";
    QTest::newRow("16th digit rounded") << 0.12345678901234567 << "0.123456789012346";
    QTest::newRow("1E+15 in exponent form") << 1e15 << "1E+15";
    QTest::newRow("rounding up to 1E+15") << 999999999999999.9 << "1E+15";
    QTest::newRow("1E+16") << 1e16 << "1E+16";
    QTest::newRow("1.5E+20") << 1.5e20 << "1.5E+20";
    QTest::newRow("negative exponent form") << -1.5e20 << "-1.5E+20";
    QTest::newRow("three exponent digits") << 1e100 << "1E+100";
    QTest::newRow("largest double")
        << std::numeric_limits<double>::max() << "1.79769313486232E+308";
    QTest::newRow("0.0001 plain") << 0.0001 << "0.0001";
    QTest::newRow("0.00001 in exponent form") << 0.00001 << "1E-05";
    QTest::newRow("small negative") << -0.000025 << "-2.5E-05";
    QTest::newRow("subnormal") << 5e-324 << "4.94065645841247E-324";
    QTest::newRow("infinity is no number") << std::numeric_limits<double>::infinity() << "Error";
    QTest::newRow("nan is no number") << std::numeric_limits<double>::quiet_NaN() << "Error";
}

void TestNumberText::numberToText() {
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(NumberToText(value)), text);

    std::string reused(100, 'x');  // stale content must not leak into the result
    NumberToText(value, reused);
    QCOMPARE(QString::fromStdString(reused), text);
}

// Whatever the conversion writes, it reads back to the same 15 significant digits.
void TestNumberText::numberToTextReadsBack_data() {
    QTest::addColumn<double>("value");
    QTest::newRow("third") << 1.0 / 3;
    QTest::newRow("large") << -9.87654321e250;
    QTest::newRow("tiny") << 3.3e-300;
    QTest::newRow("near the switch") << 0.000099999999999999;
}

void TestNumberText::numberToTextReadsBack() {
    QFETCH(double, value);
    const std::string text = NumberToText(value);
    const std::optional<double> back = TextToNumber(text);
    QVERIFY2(back.has_value(), text.c_str());
    QCOMPARE(NumberToText(*back), text);
}

void TestNumberText::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextNumberStatus>("status");
    QTest::addColumn<double>("value");

    const auto ok = TextNumberStatus::ok;
    const auto bad = TextNumberStatus::malformed;
    const auto range = TextNumberStatus::outOfRange;
    QTest::newRow("digits") << "42" << ok << 42.0;
    QTest::newRow("leading zeros as typed") << "007" << ok << 7.0;
    QTest::newRow("trailing point") << "3." << ok << 3.0;
    QTest::newRow("fraction") << "12.05" << ok << 12.05;
    QTest::newRow("negative") << "-2.5" << ok << -2.5;
    QTest::newRow("negative zero text") << "-0" << ok << 0.0;
    QTest::newRow("exponent") << "1.5E+20" << ok << 1.5e20;
    QTest::newRow("negative exponent") << "1E-05" << ok << 1e-5;
    QTest::newRow("lower-case exponent") << "2e3" << ok << 2000.0;
    QTest::newRow("whole exponent form with point") << "1E+16." << ok << 1e16;
    QTest::newRow("400 leading zeros") << QString(400, '0') + "1" << ok << 1.0;

    QTest::newRow("empty") << "" << bad << 0.0;
    QTest::newRow("Error") << "Error" << bad << 0.0;
    QTest::newRow("minus alone") << "-" << bad << 0.0;
    QTest::newRow("plus sign") << "+5" << bad << 0.0;
    QTest::newRow("leading space") << " 5" << bad << 0.0;
    QTest::newRow("trailing space") << "5 " << bad << 0.0;
    QTest::newRow("comma separator") << "1,5" << bad << 0.0;
    QTest::newRow("no integer digit") << ".5" << bad << 0.0;
    QTest::newRow("two points") << "1..2" << bad << 0.0;
    QTest::newRow("point after fraction exponent") << "1.5E+20." << bad << 0.0;
    QTest::newRow("exponent without digits") << "1E+" << bad << 0.0;
    QTest::newRow("inf") << "inf" << bad << 0.0;
    QTest::newRow("nan") << "nan" << bad << 0.0;
    QTest::newRow("hex") << "0x10" << bad << 0.0;

    QTest::newRow("400 digits") << QString(400, '9') << range << 0.0;
    QTest::newRow("exponent overflow") << "1E+400" << range << 0.0;
    QTest::newRow("fraction underflow") << "0." + QString(400, '0') + "1" << range << 0.0;
}

void TestNumberText::parse() {
    QFETCH(QString, text);
    QFETCH(TextNumberStatus, status);
    QFETCH(double, value);
    const std::string t = text.toStdString();
    const TextNumber n = ParseNumberText(t);
    QCOMPARE(n.status, status);
    QCOMPARE(TextToNumber(t).has_value(), status == TextNumberStatus::ok);
    if (status == TextNumberStatus::ok) {
        QCOMPARE(n.value, value);
    }
}

void TestNumberText::format_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");

    QTest::newRow("pads decimals") << 3.0 << "0.00"
                                   << "3.00";
    QTest::newRow("at least one integer digit") << 0.25 << "0.00"
                                                << "0.25";
    QTest::newRow("half away from zero") << 3.25 << "0.0"
                                         << "3.3";
    QTest::newRow("negative half away from zero") << -3.25 << "0.0"
                                                  << "-3.3";
    QTest::newRow("rounds as read, 1.005") << 1.005 << "0.00"
                                           << "1.01";
    QTest::newRow("rounds as read, 2.675") << 2.675 << "0.00"
                                           << "2.68";
    QTest::newRow("below half") << 2.674 << "0.00"
                                << "2.67";
    QTest::newRow("carry into a new digit") << 9.995 << "0.00"
                                            << "10.00";
    QTest::newRow("carry from nothing kept") << 0.005 << "0.00"
                                             << "0.01";
    QTest::newRow("far below the last decimal") << 0.0001 << "0.00"
                                                << "0.00";
    QTest::newRow("negative rounding to zero") << -0.004 << "0.00"
                                               << "0.00";
    QTest::newRow("negative zero") << -0.0 << "0.0"
                                   << "0.0";
    QTest::newRow("eight decimals") << 1.0 / 3 << "0.00000000"
                                    << "0.33333333";
    QTest::newRow("beyond 15 digits are zeros") << 1.23456789012345678e20 << "0.00"
                                                << "123456789012346000000.00";
    QTest::newRow("exponent-form value written out") << 1.5e20 << "0.0"
                                                     << "150000000000000000000.0";
    QTest::newRow("tiny value") << 1e-300 << "0.00000000"
                                << "0.00000000";
    QTest::newRow("zero decimals") << 2.5 << "0"
                                   << "3";
    QTest::newRow("empty pattern: plain text") << 2.5 << ""
                                               << "2.5";
    QTest::newRow("unknown pattern: plain text") << 2.5 << "#,##0.00"
                                                 << "2.5";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "0.00"
                              << "Error";
}

void TestNumberText::format() {
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(Format(value, pattern.toStdString())), text);
}

void TestNumberText::roundHalfEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");

    QTest::newRow("12.5 to even 12") << 12.5 << 12.0;
    QTest::newRow("13.5 to even 14") << 13.5 << 14.0;
    QTest::newRow("-2.5 to even -2") << -2.5 << -2.0;
    QTest::newRow("-3.5 to even -4") << -3.5 << -4.0;
    QTest::newRow("0.5 to 0") << 0.5 << 0.0;
    QTest::newRow("not a half rounds to nearest") << 2.6 << 3.0;
    QTest::newRow("just below a half") << 2.4999999999999996 << 2.0;
    QTest::newRow("beyond 16 bits") << 40000.5 << 40000.0;
    QTest::newRow("beyond 32 bits") << 4294967297.5 << 4294967298.0;
    QTest::newRow("huge stays") << 1e300 << 1e300;
}

void TestNumberText::roundHalfEven() {
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

namespace {

struct CommaNumpunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

// Switches the C and C++ global locales to German conventions. Debian images often carry no
// compiled German locale, so one is compiled from the system's locale sources when needed.
bool UseCommaLocale(QTemporaryDir& dir) {
    const char* name = "de_DE.UTF-8";
    if (!std::setlocale(LC_ALL, name)) {
        QProcess localedef;
        localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir.filePath(name)});
        if (localedef.waitForFinished(60000)) {
            qputenv("LOCPATH", dir.path().toLocal8Bit());
        }
    }
    if (std::setlocale(LC_ALL, name)) {
        std::locale::global(std::locale(name));
        return true;
    }
    // No compiled locale: the C++ global locale with a "," numpunct is the best left.
    std::locale::global(std::locale(std::locale::classic(), new CommaNumpunct));
    return false;
}

}  // namespace

void TestNumberText::sameUnderCommaLocale() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string oldC = std::setlocale(LC_ALL, nullptr);
    const std::locale oldCpp;

    const bool cLocale = UseCommaLocale(dir);
    if (cLocale) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%.1f", 1.5);
        QCOMPARE(QByteArray(buf), QByteArray("1,5"));  // the locale really is in force
    } else {
        qWarning("no C locale with a decimal comma; only the C++ global locale was changed");
    }

    const std::string text = NumberToText(-1234.5);
    const std::string formatted = Format(1234.5, "0.00");
    const std::optional<double> read = TextToNumber("1234.5");
    const std::optional<double> commaRead = TextToNumber("1234,5");

    std::setlocale(LC_ALL, oldC.c_str());
    std::locale::global(oldCpp);

    QCOMPARE(QString::fromStdString(text), QStringLiteral("-1234.5"));
    QCOMPARE(QString::fromStdString(formatted), QStringLiteral("1234.50"));
    QVERIFY(read.has_value());
    QCOMPARE(*read, 1234.5);
    QVERIFY(!commaRead.has_value());
}

QTEST_GUILESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
