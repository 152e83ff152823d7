// The calculator's display on Qt: a label that draws its whole text in the space the FIX
// indicators leave free (forms/DisplayFit.h), never under them. Its text, and what assistive
// tools read, stay the label's own.
#pragma once

#include <QLabel>

namespace zarnetcalc::forms::qt {

class DisplayLabel final : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zarnetcalc::forms::qt
