// The sample host's scripted mode, run as a separate process exactly as automation would run it:
// its output per token, its Result line, its exit status and its errors.
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run RunDemo(const QStringList& arguments, const QProcessEnvironment& env) {
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.start(ZC_DEMO_PATH, arguments);
    Run run;
    if (!demo.waitForFinished(30000)) {
        demo.kill();
        demo.waitForFinished();
        return run;
    }
    run.exitCode = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
    run.out = QString::fromUtf8(demo.readAllStandardOutput());
    run.err = QString::fromUtf8(demo.readAllStandardError());
    return run;
}

Run RunDemo(const QStringList& arguments) {
    return RunDemo(arguments, QProcessEnvironment::systemEnvironment());
}

}  // namespace

class tst_demo : public QObject {
    Q_OBJECT

  private slots:
    void script_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("output");

        QTest::newRow("sum: five token lines and the Result line")
            << "1 2 + 3 ="
            << "1\t1\t\n2\t12\t\n+\t12\t\n3\t3\t\n=\t15\t\n"
               "Result=15 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("empty script: closed at once") << ""
                                                      << "Result=0 Cancelled=False "
                                                         "ErrorOccurred=False\n";
        QTest::newRow("Esc ends it; later tokens report closed")
            << "5 <Esc> 3"
            << "5\t5\t\n<Esc>\t(closed)\n3\t(closed)\nResult=0 Cancelled=True "
               "ErrorOccurred=False\n";
        QTest::newRow("F2 ends it as Close does")
            << "4 <F2>"
            << "4\t4\t\n<F2>\t(closed)\nResult=4 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("Error: disabled key ignores the click, left open ends in error")
            << "8 / 0 = 5"
            << "8\t8\t\n/\t8\t\n0\t0\t\n=\tError\t\n5\tError\t\n"
               "Result=0 Cancelled=False ErrorOccurred=True\n";
        QTest::newRow("Error: a keyboard digit still reaches the keypad")
            << "8 / 0 = <5>"
            << "8\t8\t\n/\t8\t\n0\t0\t\n=\tError\t\n<5>\t05\t\n"
               "Result=5 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("FIX indicator and fixed decimals")
            << "FIX 2 . 5"
            << "FIX\t0\tFIX\n2\t0.00\tFIX\n.\t0.00\tFIX\n5\t0.50\tFIX\n"
               "Result=0.5 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("Shift+8 applies * once, Enter is equals")
            << "5 <*> 3 <Enter>"
            << "5\t5\t\n<*>\t5\t\n3\t3\t\n<Enter>\t15\t\n"
               "Result=15 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("numeric keypad")
            << "<KP1> <KP2> <KP/> <KP4> <Enter>"
            << "<KP1>\t1\t\n<KP2>\t12\t\n<KP/>\t12\t\n<KP4>\t4\t\n<Enter>\t3\t\n"
               "Result=3 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("shifted characters and percent")
            << "2 0 0 + 1 0 <%>"
            << "2\t2\t\n0\t20\t\n0\t200\t\n+\t200\t\n1\t1\t\n0\t10\t\n<%>\t220\t\n"
               "Result=220 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("access keys: CE, FIX, Close")
            << "5 <Alt+E> <Alt+F> 1 7 <Alt+C> 9"
            << "5\t5\t\n<Alt+E>\t0.00\t\n<Alt+F>\t0.00\tFIX\n1\t0.0\tFIX\n7\t7.0\tFIX\n"
               "<Alt+C>\t(closed)\n9\t(closed)\nResult=7 Cancelled=False ErrorOccurred=False\n";
        QTest::newRow("About opens and is closed before the next token")
            << "5 About 3"
            << "5\t5\t\nAbout\t5\t\n3\t53\t\nResult=53 Cancelled=False ErrorOccurred=False\n";
    }

    // Neither the host nor the component says anything on standard error in a normal run.
    void script() {
        QFETCH(QString, script);
        QFETCH(QString, output);
        const Run run = RunDemo({"--keys", script});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, output);
        QCOMPARE(run.err, QString());
    }

    // No display, no platform and no runtime directory given, as in a bare container: the
    // scripted mode runs offscreen by itself, without a warning.
    void withoutDisplay() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
            env.remove(name);
        const Run run = RunDemo({"--keys", "6 * 7 ="}, env);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.endsWith("Result=42 Cancelled=False ErrorOccurred=False\n"),
                 qPrintable(run.out));
        QCOMPARE(run.err, QString());
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("named");  // what the one-line error must name

        QTest::newRow("unknown token") << QStringList{"--keys", "1 foo 2"} << "foo";
        QTest::newRow("captions are case-sensitive") << QStringList{"--keys", "1 close"} << "close";
        QTest::newRow("unknown key") << QStringList{"--keys", "<Alt+X>"} << "<Alt+X>";
        QTest::newRow("unclosed bracket") << QStringList{"--keys", "<KP1"} << "<KP1";
        QTest::newRow("--keys without a script") << QStringList{"--keys"} << "--keys";
        QTest::newRow("--screenshot without --keys")
            << QStringList{"--screenshot", "x.png"} << "--screenshot";
        QTest::newRow("unknown option") << QStringList{"--keys", "1", "--bogus"} << "--bogus";
    }

    void badArguments() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, named);
        const Run run = RunDemo(arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QString());  // nothing was shown or typed
        const QStringList lines = run.err.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(!lines.isEmpty() && lines.last().contains(named), qPrintable(run.err));
    }

    void screenshot_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("open after the last token") << "1 2 + 3 =";
        QTest::newRow("ended by the script") << "4 <Esc>";
    }

    void screenshot() {
        QFETCH(QString, script);
        QTemporaryDir dir;
        const QString file = dir.filePath("calculator.png");
        const Run run = RunDemo({"--keys", script, "--screenshot", file});
        QCOMPARE(run.exitCode, 0);
        const QImage image(file);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() > 100 && image.height() > image.width());  // the tall keypad
    }

    void screenshotNotWritable() {
        QTemporaryDir dir;
        const Run run =
            RunDemo({"--keys", "1", "--screenshot", dir.filePath("missing/dir/shot.png")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("screenshot"));
        QVERIFY(run.out.endsWith("Result=1 Cancelled=False ErrorOccurred=False\n"));
    }
};

QTEST_GUILESS_MAIN(tst_demo)
#include "tst_demo.moc"
