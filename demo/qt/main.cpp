// zarnetcalc-demo: the sample host of the calculator component. Without arguments it opens its
// window; with --keys it types a script into the calculator and prints what the display shows.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "HostWindow.h"
#include "ScriptPlayer.h"
#include "demo/SampleHost.h"

namespace {

constexpr const char* kSynopsis =
    "Usage: zarnetcalc-demo [--start NUMBER] [Qt options]\n"
    "       zarnetcalc-demo --keys \"SCRIPT\" [--start NUMBER] [--clipboard TEXT]\n"
    "                       [--screenshot FILE.png]\n"
    "\n";
constexpr const char* kPlatformNote = "Without a display the offscreen platform is used.\n";

using zarnetcalc::demo::Fail;

bool HaveDisplay(bool platformGiven) {
    return platformGiven || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int RunScript(zarnetcalc::demo::HostWindow& window, zarnetcalc::demo::ScriptPlayer& player) {
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);

    // Opens the calculator as a person would, with a click on the host's button; the player
    // starts typing as soon as the calculator's modal loop runs, and the click returns when the
    // calculator has closed and the host has printed the Result line.
    player.Start();
    QPushButton* button = window.CalculatorButton();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&window, button->rect().center()));
    player.Stop();

    if (window.LastShowFailed())
        return 1;
    if (!player.Finished())
        return Fail(1, "the calculator did not open");
    return player.ScreenshotFailed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    std::optional<zarnetcalc::demo::HostOptions> options = zarnetcalc::demo::ParseHostOptions(
        std::vector<std::string>(argv, argv + argc), kSynopsis, kPlatformNote, status);
    if (!options)
        return status;
    // Arguments that are not ours are left for Qt, which removes the ones it knows.
    std::vector<char*> qtArgs{argv[0]};
    bool platformGiven = false;
    for (const std::size_t i : options->others) {
        platformGiven = platformGiven || std::string(argv[i]) == "-platform";
        qtArgs.push_back(argv[i]);
    }
    qtArgs.push_back(nullptr);

    if (!HaveDisplay(platformGiven)) {
        if (!options->keys)
            return Fail(1,
                        "no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                        "use --keys \"SCRIPT\" to run a script without one");
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    // Qt keeps per-user runtime files in XDG_RUNTIME_DIR and warns when a session (a container,
    // a CI job, a plain su) has none: such a run gets a private one, removed at exit.
    std::optional<QTemporaryDir> runtimeDir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeDir.emplace();
        if (runtimeDir->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    }

    int qtArgc = static_cast<int>(qtArgs.size()) - 1;
    QApplication app(qtArgc, qtArgs.data());
    if (const QStringList rest = QApplication::arguments().mid(1); !rest.isEmpty())
        return Fail(2, "unknown option: ", qPrintable(rest.first()));

    if (options->clipboard)
        QGuiApplication::clipboard()->setText(QString::fromStdString(*options->clipboard));
    zarnetcalc::demo::HostWindow window;
    window.PrintClipboard(zarnetcalc::demo::Copies(options->script));
    if (options->keys) {
        window.SetNumber(options->start);
        zarnetcalc::demo::ScriptPlayer player(std::move(options->script.tokens),
                                              QString::fromStdString(options->screenshot));
        return RunScript(window, player);
    }
    if (options->start)
        window.SetNumber(options->start);
    window.show();
    return QApplication::exec();
}
