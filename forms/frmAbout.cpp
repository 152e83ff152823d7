// Placeholder About box until the real one lands.
#include "forms/frmAbout.h"

#include <QMessageBox>

namespace zarnetcalc::forms {

void ShowAboutBox(QWidget* parent) {
    QMessageBox::about(parent, "About Zarnet Calculator", "Zarnet Calculator");
}

}  // namespace zarnetcalc::forms
