// How the calculator dialog's controls present themselves to screen readers through Qt's
// accessibility interfaces. Which control gets which presentation, and when a change is announced,
// is frmCalculator's business; Qt's own interfaces serve every other control.
#pragma once

#include "forms/CalculatorControls.h"

class QLabel;
class QString;
class QWidget;

namespace zarnetcalc::forms::qt::accessibility {

using layout::Presentation;

// Gives a control of the calculator dialog its presentation (layout::PresentationOf); a Key keeps
// Qt's own. Qt keeps the first interface it makes for a widget, so this comes before anything
// that reports on the control (its accessible name).
void Present(QWidget* control, Presentation presentation);

// Makes a control presented as a Speaker speak for the display.
void SpeakFor(QWidget* speaker, QLabel* display);

// Announces a readout's new text (oldText is what it read before): a text update and a value
// change on the label and, where one speaks for it, a name change on its speaker, which is what a
// screen reader says when the speaker has the focus.
void AnnounceReadout(QLabel* readout, const QString& oldText, QWidget* speaker = nullptr);

// Says a message through a speaker: its name is the message (and a name change is sent) until
// the next readout it speaks for is announced.
void Announce(QWidget* speaker, const QString& message);

}  // namespace zarnetcalc::forms::qt::accessibility
