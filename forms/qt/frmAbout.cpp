// The About box: builds its controls from a table in twips, draws the separator and the icon,
// and hands clicks to about::AboutLogic, which owns the texts and the system-information launcher.
#include "forms/qt/frmAbout.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <array>

#include "forms/AboutLayout.h"
#include "forms/qt/Pictures.h"
#include "forms/qt/PixelRect.h"
#include "forms/qt/SysInfo.h"

namespace zarnetcalc::forms::qt {
namespace {

using namespace about_layout;

QPointer<frmAbout>& SharedInstance() {
    static QPointer<frmAbout> instance;
    return instance;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent,
              // Fixed dialog: title and close button only. A box without an owner is a tool
              // window, so it gets no task-bar entry of its own either.
              (parent != nullptr ? Qt::Dialog : Qt::Tool) | Qt::CustomizeWindowHint |
                  Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                  Qt::MSWindowsFixedSizeDialogHint),
      logic_(*this, QtSysInfoPlatform()) {
    setObjectName(QStringLiteral("frmAbout"));
    setFixedSize(TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));
    setWindowIcon(AboutIcon());
    setSizeGripEnabled(false);

    QWidget* previous = nullptr;
    for (const ControlDef& def : kControls) {
        QWidget* widget = nullptr;
        const QString caption = QString::fromUtf8(def.caption);
        switch (def.kind) {
            case Kind::Button: {
                auto* button = new QPushButton(caption, this);
                widget = button;
                if (previous != nullptr) {
                    setTabOrder(previous, button);
                }
                previous = button;
                break;
            }
            case Kind::Label: {
                auto* label = new QLabel(caption, this);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
        }
        widget->setObjectName(QString::fromUtf8(def.name));
        QRect rect = PixelRect(def.left, def.top, def.width, def.height);
        switch (def.role) {
            case Role::OK:
                cmdOK_ = static_cast<QPushButton*>(widget);
                cmdOK_->setDefault(true);
                connect(cmdOK_, &QPushButton::clicked, this, [this] { logic_.cmdOK_Click(); });
                break;
            case Role::SysInfo:
                cmdSysInfo_ = static_cast<QPushButton*>(widget);
                connect(cmdSysInfo_, &QPushButton::clicked, this,
                        [this] { logic_.cmdSysInfo_Click(); });
                break;
            case Role::Title: {
                lblTitle_ = static_cast<QLabel*>(widget);
                QFont font = lblTitle_->font();
                font.setFamilies({QStringLiteral("MS Sans Serif"), font.family()});
                font.setBold(true);
                font.setPointSizeF(9.6);
                lblTitle_->setFont(font);
                break;
            }
            case Role::Version:
                lblVersion_ = static_cast<QLabel*>(widget);
                break;
            case Role::Notice:
                break;
        }
        if (def.kind == Kind::Label) {
            // A label is never shorter than one line of its font, so no text is cut off.
            rect.setHeight(std::max(rect.height(), widget->fontMetrics().height()));
        }
        widget->setGeometry(rect);
    }
    cmdOK_->setFocus();
    logic_.Form_Load();
}

void frmAbout::reject() {
    cmdOK_->click();
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter p(this);
    for (const LineDef& line : kLines) {
        p.setPen(QPen(line.light ? palette().color(QPalette::Base) : QColor(Qt::black), 1));
        // Cut to whole pixels, so the two lines of the etch touch (rows 104 and 105).
        p.drawLine(TwipsToLinePixel(line.x1), TwipsToLinePixel(line.y1), TwipsToLinePixel(line.x2),
                   TwipsToLinePixel(line.y2));
    }
}

void frmAbout::SetCaption(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void frmAbout::SetTitle(const std::string& text) {
    lblTitle_->setText(QString::fromStdString(text));
}

void frmAbout::SetVersion(const std::string& text) {
    lblVersion_->setText(QString::fromStdString(text));
}

void frmAbout::Unload() {
    unloadRequested_ = true;
    accept();  // ShowAboutBox deletes the box once the modal loop has returned
}

void frmAbout::ShowMessage(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("msgSysInfoUnavailable"));
    box.exec();
}

void ShowAboutBox(QWidget* parent) {
    QPointer<frmAbout>& shared = SharedInstance();
    if (shared != nullptr && shared->isVisible()) {
        shared->raise();  // already up: there is only one
        shared->activateWindow();
        return;
    }
    if (shared == nullptr) {
        shared = new frmAbout(parent);
    }
    QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        shared->winId();  // a native window, so the frame's margins are known where they can be
        QRect frame(QPoint(0, 0), shared->frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        shared->move(frame.topLeft());
    }
    QPointer<frmAbout> box = shared;
    box->exec();
    if (box != nullptr && box->unloadRequested()) {
        delete box.data();  // unloaded by OK; the next use loads a fresh one
    }
}

}  // namespace zarnetcalc::forms::qt
