// The About box: one shared instance, created on first use and shown modally.
#pragma once

class QWidget;

namespace zarnetcalc::forms {

// Shows the shared About box modally over parent and returns when it is closed.
void ShowAboutBox(QWidget* parent);

}  // namespace zarnetcalc::forms
