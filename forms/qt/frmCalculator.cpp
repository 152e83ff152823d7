// The calculator dialog: one loop builds the controls of the layout table, each bound to its
// handler in the logic; key preview hands every key to the logic before the focused control.
// It also shows where the focus is, keeps itself from being left minimised, and tells screen
// readers what the display shows (forms/CalculatorAccessibility.h). What the keys and buttons
// do is the logic's business (calculator/Calculator.h).
#include "forms/qt/frmCalculator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTimer>

#include "forms/CalculatorControls.h"
#include "forms/qt/CalculatorAccessibility.h"
#include "forms/qt/DisplayLabel.h"
#include "forms/qt/KeyTranslation.h"
#include "forms/qt/Pictures.h"
#include "forms/qt/PixelRect.h"
#include "forms/qt/frmAbout.h"

namespace zarnetcalc::forms::qt {
namespace {

using layout::ControlDef;
using layout::ControlKind;
using layout::ControlRole;

// The texts of the layout table as QStrings, composed once per process rather than per dialog
// (they are shared, not copied, by the widgets that take them).
struct ControlTexts {
    QString name;
    QString caption;
    QString accessibleName;
};
using ControlTextTable = std::array<ControlTexts, layout::kControls.size()>;

const ControlTextTable& Texts() {
    static const ControlTextTable texts = [] {
        ControlTextTable table;
        for (std::size_t i = 0; i < table.size(); ++i) {
            const ControlDef& def = layout::kControls[i];
            table[i] = {QString::fromUtf8(controls::kCalculatorControls[i].data(),
                                          qsizetype(controls::kCalculatorControls[i].size())),
                        QString::fromLatin1(def.caption), QString::fromLatin1(def.accessibleName)};
        }
        return table;
    }();
    return texts;
}

// The named family where the system has it, else the dialog's own font, at the given size.
QFont NamedFont(const QFont& dialogFont, const QString& family, qreal points) {
    // Asking the font database costs more than building the rest of the dialog: ask once.
    static QHash<QString, bool> installed;
    auto known = installed.find(family);
    if (known == installed.end()) {
        known = installed.insert(family, QFontDatabase::hasFamily(family));
    }
    QFont font = dialogFont;
    if (known.value()) {
        font.setFamily(family);
    }
    font.setPointSizeF(points);
    return font;
}

// Pure green on black in every state: the display stays readable while the error lockout has
// disabled it.
QPalette GreenOnBlack(QPalette palette) {
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, QColor(0, 255, 0));
        palette.setColor(group, QPalette::Window, Qt::black);
    }
    return palette;
}

void PaintGreenOnBlack(QLabel* label, const QPalette& greenOnBlack) {
    label->setPalette(greenOnBlack);
    label->setAutoFillBackground(true);
}

}  // namespace

// While the hidden cmdTmp has the focus, Enter presses it, and it stands for "=": the "=" key is
// then drawn as the default button, though the dialog has none.
class frmCalculator::KeyButton final : public QPushButton {
  public:
    using QPushButton::QPushButton;

    void ShowAsDefault(bool on) {
        if (on != asDefault_) {
            asDefault_ = on;
            update();
        }
    }

  protected:
    void initStyleOption(QStyleOptionButton* option) const override {
        QPushButton::initStyleOption(option);
        if (asDefault_) {
            option->features |= QStyleOptionButton::DefaultButton;
        }
    }

  private:
    bool asDefault_ = false;
};

frmCalculator::frmCalculator(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmCalculator"));
    setWindowTitle(QStringLiteral("Calculator"));
    setFixedSize(TwipsToPixels(layout::kClientWidth), TwipsToPixels(layout::kClientHeight));
    BuildControls();
    installEventFilter(this);  // keys sent to the dialog itself are previewed too
    logic_.Form_Load();
    // The platform window exists from the start, so that the outer size and position (frame
    // included, where the platform reports one) read the same before the dialog is placed and
    // after it is shown.
    create();
}

frmCalculator::~frmCalculator() = default;

void frmCalculator::BuildControls() {
    const QFont dialogFont = font();
    const QPalette greenOnBlack = GreenOnBlack(palette());
    std::vector<std::pair<int, QWidget*>> tabOrder;
    controls_.reserve(layout::kControls.size());

    for (const ControlDef& def : layout::kControls) {
        const ControlTexts& texts =
            Texts()[static_cast<std::size_t>(&def - layout::kControls.data())];
        if (def.kind == ControlKind::Timer) {
            // Designed enabled; the reset in Form_Load stops it again before the first tick.
            Timer1_ = new QTimer(this);
            Timer1_->setObjectName(texts.name);
            Timer1_->setInterval(1);
            connect(Timer1_, &QTimer::timeout, this, [this] { logic_.Timer1_Timer(); });
            Timer1_->start();
            controls_.push_back({nullptr, Timer1_});
            continue;
        }

        QWidget* widget = nullptr;
        if (def.kind == ControlKind::Button) {
            auto* button = new KeyButton(texts.caption, this);
            // No default button: Enter belongs to whichever button has the focus.
            button->setAutoDefault(false);
            button->setDefault(false);
            button->setFocusPolicy(Qt::StrongFocus);
            if (layout::HasPicture(def)) {
                button->setIcon(QuestionMarkPicture());
                button->setIconSize(QSize(16, 16));
            }
            connect(button, &QPushButton::clicked, this,
                    [this, &def] { layout::Click(def, logic_); });
            widget = button;
            tabOrder.emplace_back(def.tabIndex, button);
        } else {
            auto* label =
                def.role == ControlRole::Display ? new DisplayLabel(this) : new QLabel(this);
            label->setFocusPolicy(Qt::NoFocus);
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            widget = label;
        }
        widget->setObjectName(texts.name);
        if (def.index >= 0) {
            widget->setProperty("Index", static_cast<int>(def.index));
        }
        widget->setGeometry(PixelRect(def.left, def.top, def.width, def.height));
        widget->installEventFilter(this);
        controls_.push_back({widget, nullptr});
        accessibility::Present(widget, layout::PresentationOf(def));
        if (const auto named = layout::FontOf(def)) {
            widget->setFont(
                NamedFont(dialogFont, QString::fromLatin1(named->family), named->points));
        }
        if (layout::IsGreenOnBlack(def)) {
            PaintGreenOnBlack(static_cast<QLabel*>(widget), greenOnBlack);
        }
        widget->setAccessibleName(texts.accessibleName);
    }

    const auto control = [this](ControlRole role, int index = -1) {
        return controls_[layout::IndexOf(role, index)].widget;
    };
    cmdCancel_ = static_cast<QPushButton*>(control(ControlRole::Cancel));
    cmdTmp_ = static_cast<QPushButton*>(control(ControlRole::Tmp));
    equalsKey_ = static_cast<KeyButton*>(control(ControlRole::Keypad, calculator::key::kEquals));
    txtDisplay_ = static_cast<QLabel*>(control(ControlRole::Display));
    lblSubDisplay0_ = static_cast<QLabel*>(control(ControlRole::SubDisplay, 0));
    cmdTmp_->setAccessibleDescription(QString::fromLatin1(layout::kSpeakerDescription));
    // The display: right-aligned plain text in a single-line box.
    txtDisplay_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtDisplay_->setFrameStyle(QFrame::Box | QFrame::Plain);
    txtDisplay_->setLineWidth(1);
    txtDisplay_->setMargin(2);
    txtDisplay_->setTextFormat(Qt::PlainText);

    // The indicators sit in front of the display's left end; the hidden buttons lie behind the
    // "=" key, out of the mouse's reach.
    control(ControlRole::SubDisplay, 0)->raise();
    control(ControlRole::SubDisplay, 1)->raise();
    cmdCancel_->stackUnder(equalsKey_);
    cmdTmp_->stackUnder(equalsKey_);
    accessibility::SpeakFor(cmdTmp_, txtDisplay_);

    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    }
    // The dialog opens with the focus on the first control in tab order: the "1" key.
    if (!tabOrder.empty()) {
        tabOrder.front().second->setFocus(Qt::OtherFocusReason);
    }
}

QString frmCalculator::Tag() const {
    return QString::fromStdString(tag_);
}

QString frmCalculator::DisplayText() const {
    return txtDisplay_->text();
}

void frmCalculator::SetDisplayText(const QString& text) {
    display_ = text.toStdString();
    if (text != txtDisplay_->text()) {
        ShowDisplay(text);
    }
}

calculator::Calculator& frmCalculator::Logic() {
    return logic_;
}

float frmCalculator::Left() const {
    return PixelsToTwips(frameGeometry().x());
}

float frmCalculator::Top() const {
    return PixelsToTwips(frameGeometry().y());
}

float frmCalculator::Width() const {
    return PixelsToTwips(frameGeometry().width());
}

float frmCalculator::Height() const {
    return PixelsToTwips(frameGeometry().height());
}

void frmCalculator::MoveTo(float leftTwips, float topTwips) {
    move(TwipsToPosition(leftTwips, kLogicalDpi, pos().x()),
         TwipsToPosition(topTwips, kLogicalDpi, pos().y()));
}

void frmCalculator::reject() {
    cmdCancel_->click();  // no effect while cmdCancel is disabled, as for any button
}

bool frmCalculator::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn:
            if (watched != this) {
                ShowWhereEnterGoes(watched == cmdTmp_);
            }
            break;
        case QEvent::KeyPress:
            // A key a control ignores travels on to the dialog: preview it only where it was
            // first delivered.
            if (watched != this) {
                previewed_ = event;
                PreviewKey(*static_cast<QKeyEvent*>(event));
            } else if (std::exchange(previewed_, nullptr) != event) {
                PreviewKey(*static_cast<QKeyEvent*>(event));
            }
            break;
        case QEvent::KeyRelease:
            previewed_ = nullptr;
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);  // never swallowed
}

void frmCalculator::PreviewKey(const QKeyEvent& event) {
    const KeyCodes codes = TranslateKey(event);
    const bool wasVisible = isVisible();
    if (codes.keyDown != 0) {
        std::int16_t KeyCode = codes.keyDown;
        logic_.Form_KeyDown(KeyCode, codes.shift);
    }
    if (wasVisible && !isVisible()) {
        return;  // the key ended the dialog (F2): nothing more is typed into it
    }
    if (codes.keyPress != 0) {
        std::int16_t KeyAscii = codes.keyPress;
        logic_.Form_KeyPress(KeyAscii);
    }
}

void frmCalculator::keyPressEvent(QKeyEvent* event) {
    // The Menu key and Shift+F10 open the display's menu, wherever the focus is.
    const bool menuKey = event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier;
    if (menuKey || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        event->accept();
        ShowDisplayMenu(txtDisplay_->mapToGlobal(txtDisplay_->rect().center()));
        return;
    }
    // Enter (main or keypad) clicks the focused button; with the focus on cmdTmp that is "=".
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button != nullptr && button->isEnabled()) {
            event->accept();
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);  // Esc: reject(), which clicks cmdCancel
}

// A right click on the display opens its menu (the keyboard's ways in are keyPressEvent's).
void frmCalculator::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse &&
        txtDisplay_->geometry().contains(event->pos())) {
        ShowDisplayMenu(event->globalPos());
    }
}

// Copy and Paste, Paste greyed while the clipboard holds nothing the keypad could have typed.
// Leaving the menu gives the focus back to where it was.
void frmCalculator::ShowDisplayMenu(const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuDisplay"));
    QAction* copy = menu.addAction(QStringLiteral("&Copy"));
    QAction* paste = menu.addAction(QStringLiteral("&Paste"));
    paste->setEnabled(logic_.CanPaste());
    QPointer<QWidget> focus = focusWidget();
    QAction* chosen = menu.exec(at);
    if (!focus.isNull())
        focus->setFocus(Qt::PopupFocusReason);
    if (chosen == copy)
        logic_.CopyDisplay();
    else if (chosen == paste)
        logic_.PasteClipboard();
}

void frmCalculator::closeEvent(QCloseEvent* event) {
    // The title bar has no close button and the user leaves only through Close, F2 or Esc, so a
    // close request from the window system is refused. A close() from the host's own code just
    // hides the dialog and leaves the tag as it is.
    if (event->spontaneous()) {
        event->ignore();
    } else {
        event->accept();
    }
}

void frmCalculator::showEvent(QShowEvent* event) {
    // Styles draw the focus frame only once the keyboard has moved the focus, and showing a
    // window forgets that it has; the frame is shown from the start, so the "1" key that Enter
    // presses at open is marked.
    setAttribute(Qt::WA_KeyboardFocusChange);
    QDialog::showEvent(event);
}

void frmCalculator::changeEvent(QEvent* event) {
    // Some window managers offer to minimise any window; a minimised modal dialog would leave
    // its owner blocked with nothing to return to, so the dialog comes straight back. (Restoring
    // from inside the state change is not reliable on every platform: it is done next turn.)
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QTimer::singleShot(0, this, &frmCalculator::RestoreFromMinimised);
    }
    QDialog::changeEvent(event);
}

void frmCalculator::RestoreFromMinimised() {
    if (isVisible() && isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        activateWindow();
    }
}

void frmCalculator::ShowWhereEnterGoes(bool onTmp) {
    equalsKey_->ShowAsDefault(onTmp);
}

void frmCalculator::SetControlEnabled(const Control& control, bool enabled) {
    if (control.widget != nullptr) {
        control.widget->setEnabled(enabled);
    } else if (enabled) {
        control.timer->start();  // a timer's "enabled" is whether it runs
    } else {
        control.timer->stop();
    }
}

void frmCalculator::ShowDisplay(const QString& text) {
    const QString old = txtDisplay_->text();
    txtDisplay_->setText(text);
    accessibility::AnnounceReadout(txtDisplay_, old, cmdTmp_);
}

void frmCalculator::ShowIndicator(const QString& text) {
    const QString old = lblSubDisplay0_->text();
    if (text != old) {
        lblSubDisplay0_->setText(text);
        accessibility::AnnounceReadout(lblSubDisplay0_, old);
    }
}

// --- the control operations the logic calls ---

std::string frmCalculator::Surface::DisplayText() const {
    return d_.display_;
}

void frmCalculator::Surface::SetDisplayText(std::string_view text) {
    if (text == d_.display_) {
        return;  // a key that changes nothing costs no repaint and says nothing
    }
    d_.display_.assign(text);
    d_.ShowDisplay(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void frmCalculator::Surface::SetIndicatorText(std::string_view text) {
    d_.ShowIndicator(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

std::string frmCalculator::Surface::Tag() const {
    return d_.tag_;
}

void frmCalculator::Surface::SetTag(std::string_view text) {
    d_.tag_.assign(text);
}

std::size_t frmCalculator::Surface::ControlCount() const {
    return d_.controls_.size();
}

void frmCalculator::Surface::SetControlEnabled(std::size_t index, bool enabled) {
    if (index < d_.controls_.size()) {
        d_.SetControlEnabled(d_.controls_[index], enabled);
    }
}

std::size_t frmCalculator::Surface::IndexOf(calculator::NamedControl control) const {
    return layout::IndexOf(control);
}

void frmCalculator::Surface::FocusTmp() {
    d_.cmdTmp_->setFocus(Qt::OtherFocusReason);
}

void frmCalculator::Surface::HideDialog() {
    d_.hide();
}

void frmCalculator::Surface::ShowAboutBox() {
    qt::ShowAboutBox(&d_);
}

std::optional<std::string> frmCalculator::Surface::ClipboardText() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText())
        return std::nullopt;
    return data->text().toStdString();
}

void frmCalculator::Surface::SetClipboardText(std::string_view text) {
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void frmCalculator::Surface::Announce(std::string_view message) {
    accessibility::Announce(
        d_.cmdTmp_, QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

}  // namespace zarnetcalc::forms::qt
