// The sample host window: how an application uses clsZarnetCalc, synchronously from a slot.
#include "HostWindow.h"

#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "demo/SampleHost.h"
#include "zarnetcalc/clsZarnetCalc.h"

namespace zarnetcalc::demo {

HostWindow::HostWindow(QWidget* parent) : QWidget(parent), calc_(clsZarnetCalc::Create()) {
    setObjectName("HostWindow");
    setWindowTitle("ZarnetCalc demo");

    txtNumber_ = new QLineEdit("0", this);
    txtNumber_->setObjectName("txtNumber");
    txtNumber_->setReadOnly(true);
    txtNumber_->setAlignment(Qt::AlignRight);

    cmdCalculator_ = new QPushButton("&Calculator...", this);
    cmdCalculator_->setObjectName("cmdCalculator");
    cmdCalculator_->setDefault(true);
    connect(cmdCalculator_, &QPushButton::clicked, this, &HostWindow::OpenCalculator);

    lblOutcome_ = new QLabel("Press Calculator... to work out a number.", this);
    lblOutcome_->setObjectName("lblOutcome");

    lblOutcome_->setWordWrap(true);  // the longer outcomes take a second line

    auto* form = new QFormLayout;
    form->addRow("&Number:", txtNumber_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cmdCalculator_, 0, Qt::AlignRight);
    layout->addWidget(lblOutcome_);
    // The size limits are set once, before the window exists, and the layout leaves them alone
    // afterwards: platforms without size hints (offscreen) warn at every later change.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(layout->totalMinimumSize());
    resize(360, 150);
}

HostWindow::~HostWindow() = default;

void HostWindow::SetNumber(std::optional<double> number) {
    number_ = number;
    txtNumber_->setText(QString::fromStdString(ResultText(number.value_or(0))));
}

void HostWindow::OpenCalculator() {
    lastShowFailed_ = false;
    try {
        calc_->setMyOwner(this);
        if (number_)
            calc_->ShowFrom(*number_);
        else
            calc_->Show();
    } catch (const Error& e) {
        lastShowFailed_ = true;
        lblOutcome_->setText(QString("The calculator failed: %1 (error %2).")
                                 .arg(QString::fromStdString(e.what()))
                                 .arg(e.Number()));
        std::fprintf(stderr, "zarnetcalc-demo: Show failed: %s (error %d)\n", e.what(), e.Number());
        std::fflush(stderr);
        return;
    }

    if (calc_->Cancelled() != kFalse) {
        lblOutcome_->setText("Cancelled: the number is unchanged.");
    } else if (calc_->ErrorOccurred() != kFalse) {
        lblOutcome_->setText("The calculation ended in an error: the number is unchanged.");
    } else {
        SetNumber(calc_->Result());
        lblOutcome_->setText("Taken from the calculator.");
    }
    if (printClipboard_)
        PrintLine(ClipboardLine(QGuiApplication::clipboard()->text().toStdString()));
    PrintLine(ResultLine(calc_->Result(), calc_->Cancelled() != kFalse,
                         calc_->ErrorOccurred() != kFalse));
}

}  // namespace zarnetcalc::demo
