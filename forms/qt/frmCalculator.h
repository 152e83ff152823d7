// The calculator dialog on Qt Widgets: builds the controls from the layout table, binds them to
// the calculator logic and delivers keys to it. The logic itself lives in calculator/.
//
// Use (the component does this):
//     zarnetcalc::forms::qt::frmCalculator dlg(owner);  // controls built, Form_Load run
//     dlg.MoveTo(1500.0f, 3000.0f);                 // twips
//     dlg.SetDisplayText("0");
//     dlg.exec();                                  // ends when Close, F2 or Esc hides it
//     QString outcome = dlg.Tag(), figure = dlg.DisplayText();
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "calculator/Calculator.h"
#include "calculator/ControlSurface.h"

class QKeyEvent;
class QLabel;
class QPushButton;
class QTimer;

namespace zarnetcalc::forms::qt {

class frmCalculator : public QDialog {
    Q_OBJECT

  public:
    explicit frmCalculator(QWidget* parent = nullptr);  // builds every control, then Form_Load
    ~frmCalculator() override;

    QString Tag() const;
    QString DisplayText() const;
    void SetDisplayText(const QString& text);
    calculator::Calculator& Logic();

    // The window's outer rectangle in twips (15 per logical pixel) on the virtual desktop, frame
    // included where the platform reports one. A position that is not finite is ignored; one far
    // off any desktop is brought within a million pixels.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void MoveTo(float leftTwips, float topTwips);

    // Esc ends up here: it clicks cmdCancel, whose handler sets the tag and hides the dialog.
    void reject() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    class KeyButton;  // a push button that can look like the default button without being one

    // The control operations the logic calls, answered by this dialog.
    class Surface final : public calculator::ControlSurface {
      public:
        explicit Surface(frmCalculator& dialog) : d_(dialog) {}
        std::string DisplayText() const override;
        void SetDisplayText(std::string_view text) override;
        void SetIndicatorText(std::string_view text) override;
        std::string Tag() const override;
        void SetTag(std::string_view text) override;
        std::size_t ControlCount() const override;
        void SetControlEnabled(std::size_t index, bool enabled) override;
        std::size_t IndexOf(calculator::NamedControl control) const override;
        void FocusTmp() override;
        void HideDialog() override;
        void ShowAboutBox() override;
        std::optional<std::string> ClipboardText() const override;
        void SetClipboardText(std::string_view text) override;
        void Announce(std::string_view message) override;

      private:
        frmCalculator& d_;
    };

    // One entry of the control collection: a widget, or the timer (which has no widget).
    struct Control {
        QWidget* widget = nullptr;
        QTimer* timer = nullptr;
    };

    void BuildControls();
    void PreviewKey(const QKeyEvent& event);
    void SetControlEnabled(const Control& control, bool enabled);
    void ShowDisplay(const QString& text);
    void ShowIndicator(const QString& text);
    void ShowWhereEnterGoes(bool onTmp);
    void RestoreFromMinimised();
    void ShowDisplayMenu(const QPoint& at);

    Surface surface_{*this};
    calculator::Calculator logic_{surface_};
    std::vector<Control> controls_;  // collection order of the layout table

    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdTmp_ = nullptr;
    KeyButton* equalsKey_ = nullptr;
    QLabel* txtDisplay_ = nullptr;
    QLabel* lblSubDisplay0_ = nullptr;
    QTimer* Timer1_ = nullptr;

    std::string display_;  // txtDisplay's text, kept as the logic reads it
    std::string tag_;
    const QEvent* previewed_ = nullptr;  // a key previewed at a control, travelling on
};

}  // namespace zarnetcalc::forms::qt
