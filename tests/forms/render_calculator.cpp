// Shows the calculator dialog, types a short sum and saves the dialog as a PNG; used by
// scripts/screenshot.sh for the README picture. Not installed.
#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <QWindow>

#include <cstdio>

#include "forms/qt/frmCalculator.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: zc_render_calculator OUTPUT.png [KEYS, F for FIX]\n");
        return 2;
    }
    const QString keys = args.size() > 2 ? args.at(2) : QStringLiteral("F21234.5+");

    zarnetcalc::forms::qt::frmCalculator dialog;
    dialog.show();
    dialog.activateWindow();  // access keys work only in the active window
    if (!QTest::qWaitForWindowActive(&dialog)) {
        std::fprintf(stderr, "the dialog was not shown\n");
        return 1;
    }
    // Each character is typed on the main keyboard, except "F", which presses FIX (Alt+F).
    for (QChar ch : keys) {
        if (ch == QLatin1Char('F')) {
            QTest::keyClick(dialog.windowHandle(), 'f', Qt::AltModifier);
            QTest::qWait(250);  // an access key clicks its button after a short animation
        } else {
            QTest::keyClick(dialog.windowHandle(), ch.toLatin1());
        }
    }
    QTest::qWait(50);
    const QPixmap picture = dialog.grab();
    if (!picture.save(args.at(1), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
