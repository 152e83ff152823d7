// zarnetcalc-demo: the sample host of the calculator component. Without arguments it opens its
// window; with --keys it types a script into the calculator and prints what the display shows.
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "HostWindow.h"
#include "ScriptPlayer.h"
#include "demo/KeyScript.h"

namespace {

constexpr const char* kSynopsis =
    "Usage: zarnetcalc-demo [Qt options]\n"
    "       zarnetcalc-demo --keys \"SCRIPT\" [--screenshot FILE.png]\n"
    "\n";
constexpr const char* kPlatformNote = "Without a display the offscreen platform is used.\n";

int Fail(int status, const char* message, const char* detail = "") {
    std::fprintf(stderr, "zarnetcalc-demo: %s%s\n", message, detail);
    return status;
}

struct Options {
    std::optional<QString> keys;
    QString screenshot;
    bool help = false;
    bool platformGiven = false;
    std::vector<char*> qtArgs;  // everything else, for QApplication
};

// Reads our own options; others are left for Qt, which removes the ones it knows.
std::optional<Options> ParseOptions(int argc, char** argv, int& status) {
    Options options;
    options.qtArgs.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&](const char* name) -> std::optional<QString> {
            const std::size_t n = std::strlen(name);
            if (std::strncmp(arg, name, n) == 0 && arg[n] == '=')
                return QString::fromLocal8Bit(arg + n + 1);
            if (std::strcmp(arg, name) != 0)
                return std::nullopt;
            if (i + 1 >= argc)
                return QString();  // reported below as missing
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(arg, "--keys") == 0 && i + 1 >= argc) {
            status = Fail(2, "--keys needs a SCRIPT");
            return std::nullopt;
        } else if (auto keys = value("--keys")) {
            options.keys = *keys;
        } else if (auto file = value("--screenshot")) {
            if (file->isEmpty()) {
                status = Fail(2, "--screenshot needs a FILE.png");
                return std::nullopt;
            }
            options.screenshot = *file;
        } else {
            if (std::strcmp(arg, "-platform") == 0)
                options.platformGiven = true;
            options.qtArgs.push_back(argv[i]);
        }
    }
    options.qtArgs.push_back(nullptr);
    return options;
}

bool HaveDisplay(const Options& options) {
    return options.platformGiven || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
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
    std::optional<Options> options = ParseOptions(argc, argv, status);
    if (!options)
        return status;
    if (options->help) {
        std::fputs(kSynopsis, stdout);
        std::fputs(zarnetcalc::demo::kScriptUsage, stdout);
        std::fputs(kPlatformNote, stdout);
        return 0;
    }
    if (!options->screenshot.isEmpty() && !options->keys)
        return Fail(2, "--screenshot needs --keys");

    // The whole script is read before anything is shown.
    zarnetcalc::demo::ParsedScript script;
    if (options->keys) {
        script = zarnetcalc::demo::ParseKeyScript(options->keys->toStdString());
        if (!script.ok())
            return Fail(2, "unknown token in --keys: ", script.unknownToken.c_str());
    }

    if (!HaveDisplay(*options)) {
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

    int qtArgc = static_cast<int>(options->qtArgs.size()) - 1;
    QApplication app(qtArgc, options->qtArgs.data());
    if (const QStringList rest = QApplication::arguments().mid(1); !rest.isEmpty())
        return Fail(2, "unknown option: ", qPrintable(rest.first()));

    zarnetcalc::demo::HostWindow window;
    if (options->keys) {
        zarnetcalc::demo::ScriptPlayer player(std::move(script.tokens), options->screenshot);
        return RunScript(window, player);
    }
    window.show();
    return QApplication::exec();
}
