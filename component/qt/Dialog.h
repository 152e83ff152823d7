// Show's binding to Qt Widgets: a host window as the owner Show opens the calculator over, and
// the Qt calculator dialog as Show runs it. The protocol itself is component/Component.h.
#pragma once

#include <QPointer>
#include <QWidget>

#include "component/Component.h"

namespace zarnetcalc::component::qt {

// Whether this thread may run a dialog: widgets live on the thread of a QApplication only.
enum class GuiThread { Ok, NoApplication, OtherThread };
GuiThread CheckGuiThread();

class QtOwner : public OwnerWindow {
  public:
    explicit QtOwner(QWidget* window) : window_(window) {}
    // The window, or null once it has been destroyed.
    QWidget* Window() const { return window_.data(); }

    bool Exists() const override { return !window_.isNull(); }
    std::unique_ptr<CalculatorDialog> OpenCalculator() override;

  private:
    QPointer<QWidget> window_;
};

}  // namespace zarnetcalc::component::qt
