// The sample host's main window: a read-only number field, a "Calculator..." button that opens
// the calculator component over the window, and a line telling how the calculator ended.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zarnetcalc {
class clsZarnetCalc;
}

namespace zarnetcalc::demo {

class HostWindow : public QWidget {
    Q_OBJECT

  public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    QPushButton* CalculatorButton() const { return cmdCalculator_; }
    bool LastShowFailed() const { return lastShowFailed_; }
    // With on, the clipboard's text is printed ("Clipboard=TEXT") before each Result line.
    void PrintClipboard(bool on) { printClipboard_ = on; }
    // The number field's figure, which the calculator opens on (ShowFrom) and writes back when
    // it is closed with a figure. With none, the calculator opens at "0" (Show), as the scripted
    // mode does without --start.
    void SetNumber(std::optional<double> number);

  public slots:
    // Runs the calculator modally; on return shows the outcome and prints it on stdout as
    // "Result=R Cancelled=C ErrorOccurred=E".
    void OpenCalculator();

  private:
    std::shared_ptr<clsZarnetCalc> calc_;  // one object, shown any number of times
    QLineEdit* txtNumber_ = nullptr;
    QPushButton* cmdCalculator_ = nullptr;
    QLabel* lblOutcome_ = nullptr;
    std::optional<double> number_ = 0.0;
    bool lastShowFailed_ = false;
    bool printClipboard_ = false;
};

}  // namespace zarnetcalc::demo
