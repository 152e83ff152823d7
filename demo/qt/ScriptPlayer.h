// Plays a parsed key script into the calculator once its modal loop runs, one token per event
// loop turn, through the toolkit's input events: a mouse click at a button's centre, or a key to
// the focused control. Prints one line per token; ends the calculator with Close if the script
// left it open. Parsing is KeyScript's; opening the calculator is the host's.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <vector>

#include "demo/KeyScript.h"

class QWidget;

namespace zarnetcalc::demo {

class ScriptPlayer : public QObject {
    Q_OBJECT

  public:
    ScriptPlayer(std::vector<KeyToken> tokens, QString screenshotPath);

    // Waits for the calculator to open, then plays. Call before the calculator is shown.
    void Start();
    // Stops waiting or playing, for a calculator that never opened or has ended.
    void Stop();

    bool Finished() const { return finished_; }
    bool ScreenshotFailed() const { return screenshotFailed_; }

  private:
    void Tick();
    void Deliver(const KeyToken& token);
    void WaitForAnimatedClicks();
    void PrintLine(const KeyToken& token);
    void Finish();
    void TakeScreenshot();
    void CloseNestedModal();

    std::vector<KeyToken> tokens_;
    QString screenshotPath_;
    QPointer<QWidget> dialog_;
    std::size_t next_ = 0;
    QTimer guard_;  // closes any modal box (About) that a token opens above the calculator
    int guardAttempts_ = 0;
    bool stopped_ = false;
    bool finished_ = false;
    bool screenshotTaken_ = false;
    bool screenshotFailed_ = false;
};

}  // namespace zarnetcalc::demo
