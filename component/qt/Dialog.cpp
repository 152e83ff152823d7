// The Qt calculator dialog as Show drives it: the owner's frame and screen in twips, the dialog
// moved and run application-modal, and how its run ended. Qt lays out on a logical grid of 96
// pixels to the inch, so twips are 15 to the pixel on every screen.
#include "component/qt/Dialog.h"

#include <QApplication>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "forms/Twips.h"
#include "forms/qt/frmCalculator.h"

namespace zarnetcalc::component::qt {

namespace {

using forms::PixelsToTwips;

TwipsRect InTwips(const QRect& r) {
    return {PixelsToTwips(r.x()), PixelsToTwips(r.y()), PixelsToTwips(r.width()),
            PixelsToTwips(r.height())};
}

// Lets window managers keep the dialog above the owner's window and give it the focus.
void MakeTransientFor(QWidget& dialog, const QWidget& owner) {
    dialog.winId();  // creates the dialog's native window, so that it has a window handle
    QWindow* ownerWindow = owner.window()->windowHandle();  // none while the owner was never shown
    if (ownerWindow != nullptr && dialog.windowHandle() != nullptr)
        dialog.windowHandle()->setTransientParent(ownerWindow);
}

class QtCalculatorDialog final : public CalculatorDialog {
  public:
    explicit QtCalculatorDialog(QWidget* owner)
        : owner_(owner), dialog_(new forms::qt::frmCalculator) {}
    ~QtCalculatorDialog() override { delete dialog_.data(); }  // gone already if someone deleted it

    TwipsRect Outer() const override {
        return {dialog_->Left(), dialog_->Top(), dialog_->Width(), dialog_->Height()};
    }
    void MoveTo(float left, float top) override { dialog_->MoveTo(left, top); }

    // The owner's outer rectangle, frame included where the platform reports one, and the
    // screen that holds it.
    std::optional<TwipsRect> OwnerRect() const override {
        if (owner_.isNull())
            return std::nullopt;
        return InTwips(owner_->frameGeometry());
    }
    std::optional<TwipsRect> ScreenArea() const override {
        const QScreen* screen = owner_.isNull() ? nullptr : owner_->screen();
        if (screen == nullptr)
            screen = QGuiApplication::primaryScreen();
        if (screen == nullptr)
            return std::nullopt;
        return InTwips(screen->geometry());
    }

    void SetDisplayText(std::string_view text) override {
        dialog_->SetDisplayText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
    void StartFrom(double start) override { dialog_->Logic().StartFrom(start); }
    std::string Tag() const override { return dialog_->Tag().toStdString(); }
    std::string DisplayText() const override { return dialog_->DisplayText().toStdString(); }

    ModalEnd RunModal() override {
        dialog_->setWindowModality(Qt::ApplicationModal);
        if (!owner_.isNull())
            MakeTransientFor(*dialog_, *owner_);
        // A zero-time timer fires in the modal loop's first turn: a loop that never ran (the
        // application was already quitting) showed nothing the user could answer.
        bool loopRan = false;
        QTimer::singleShot(0, dialog_.data(), [&loopRan] { loopRan = true; });
        dialog_->exec();
        if (dialog_.isNull())
            return ModalEnd::Interrupted;  // someone destroyed the dialog inside the modal loop
        if (!loopRan && dialog_->Tag().isEmpty())
            return ModalEnd::NotShown;
        return ModalEnd::Hidden;
    }

  private:
    QPointer<QWidget> owner_;
    QPointer<forms::qt::frmCalculator> dialog_;
};

}  // namespace

GuiThread CheckGuiThread() {
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return GuiThread::NoApplication;
    return QThread::currentThread() == app->thread() ? GuiThread::Ok : GuiThread::OtherThread;
}

std::unique_ptr<CalculatorDialog> QtOwner::OpenCalculator() {
    return std::make_unique<QtCalculatorDialog>(window_.data());
}

}  // namespace zarnetcalc::component::qt
