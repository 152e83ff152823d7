// The sample host's scripted mode, run as a separate process exactly as automation would run it:
// its output per token, its Result line, its exit status and its errors.
#include <QFile>
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
    // The cases are shared with the Windows stage, which runs the Windows host on them.
    void script_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>(
            "options");  // --clipboard and --start, where the case has them
        QTest::addColumn<QString>("output");
        QFile file(ZC_DEMO_SCRIPTS);
        QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), ZC_DEMO_SCRIPTS);
        QString name, script, output;
        QStringList options;
        auto addCase = [&] {
            if (!name.isEmpty())
                QTest::newRow(qPrintable(name)) << script << options << output;
            name.clear();
            script.clear();
            options.clear();
            output.clear();
        };
        int cases = 0;
        while (!file.atEnd()) {
            QString line = QString::fromUtf8(file.readLine());
            if (line.endsWith('\n'))
                line.chop(1);
            if (line.startsWith('#'))
                continue;
            if (line.isEmpty()) {
                addCase();
            } else if (line.startsWith("name: ")) {
                addCase();
                name = line.mid(6);
                ++cases;
            } else if (line.startsWith("keys:")) {
                script = line.mid(5).trimmed();
            } else if (line.startsWith("clipboard: ")) {
                options << "--clipboard" << line.mid(11);
            } else if (line.startsWith("start: ")) {
                options << "--start" << line.mid(7);
            } else {
                output += QString(line).replace("\\t", "\t") + '\n';
            }
        }
        addCase();
        QVERIFY(cases > 0);
    }

    // Neither the host nor the component says anything on standard error in a normal run.
    void script() {
        QFETCH(QString, script);
        QFETCH(QStringList, options);
        QFETCH(QString, output);
        const Run run = RunDemo(QStringList{"--keys", script} + options);
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
        QTest::newRow("--start without a number")
            << QStringList{"--keys", "1", "--start", "1,5"} << "1,5";
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
