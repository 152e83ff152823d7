// The About box as a Qt dialog: its controls laid out from a table, the etched separator and the
// icon drawn, the logic's control operations bound to them. Texts and the launcher are in about/.
//
//   zarnetcalc::forms::qt::ShowAboutBox(this);  // modal; returns when OK, Enter or Esc closes it
#pragma once

#include <QDialog>

#include <string>

#include "about/AboutLogic.h"

class QLabel;
class QPushButton;

namespace zarnetcalc::forms::qt {

// Shows the shared About box modally over parent and returns when it is closed. The box is
// created on first use, centred on the screen, and deleted (unloaded) by its OK button.
void ShowAboutBox(QWidget* parent);

class frmAbout : public QDialog, private about::AboutControls {
    Q_OBJECT

  public:
    explicit frmAbout(QWidget* parent = nullptr);

    bool unloadRequested() const { return unloadRequested_; }
    // Esc and the window's close button press OK, as the cancel button.
    void reject() override;

    // The window icon: a white question mark on a dark green disc.

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void SetCaption(const std::string& text) override;
    void SetTitle(const std::string& text) override;
    void SetVersion(const std::string& text) override;
    void Unload() override;
    void ShowMessage(const std::string& text, const std::string& title) override;

    about::AboutLogic logic_;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    bool unloadRequested_ = false;
};

}  // namespace zarnetcalc::forms::qt
