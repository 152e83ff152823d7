// How the calculator dialog's controls present themselves to screen readers through Qt's
// accessibility interfaces. Which control gets which presentation, and when a change is announced,
// is frmCalculator's business; Qt's own interfaces serve every other control.
#pragma once

class QLabel;
class QString;
class QWidget;

namespace zarnetcalc::forms::qt::accessibility {

enum class Presentation {
    Readout,      // a label showing a figure: its text, and the number it shows as its value
    Indicator,    // a label lit with a word or blank: its text, and 1 (lit) or 0 as its value
    Speaker,      // the focus holder: its name is the display's text, and Enter presses it
    OutOfTheWay,  // a control no listener needs: there and enabled, but reported as not shown
};

// Gives a control of the calculator dialog its presentation. Qt keeps the first interface it makes
// for a widget, so this comes before anything that reports on the control (its accessible name).
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
