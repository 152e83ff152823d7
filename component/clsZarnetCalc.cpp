// clsZarnetCalc: the component's properties and Show, which runs one fresh calculator dialog
// modally over the owner and turns the way it ended into Result, Cancelled and ErrorOccurred.
// The dialog's controls and logic are forms/ and calculator/; the placement arithmetic is
// PlaceOverOwner.cpp, fed here with the owner's and its screen's real geometry.
#include "zarnetcalc/clsZarnetCalc.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <optional>

#include "calculator/NumberText.h"
#include "component/PlaceOverOwner.h"
#include "component/ShowOutcome.h"
#include "forms/frmCalculator.h"

namespace zarnetcalc {

namespace {

using component::kTwipsPerPixel;

component::TwipsRect InTwips(const QRect& r) {
    return {static_cast<float>(r.x()) * kTwipsPerPixel, static_cast<float>(r.y()) * kTwipsPerPixel,
            static_cast<float>(r.width()) * kTwipsPerPixel,
            static_cast<float>(r.height()) * kTwipsPerPixel};
}

// The dialog's Q_PROPERTYs "Left", "Top", "Width" and "Height" (twips) by name.
class QtProperties final : public component::LateBoundGeometry {
  public:
    explicit QtProperties(QObject& object) : object_(object) {}
    std::optional<float> Get(const char* name) const override {
        bool ok = false;
        const float value = object_.property(name).toFloat(&ok);
        return ok ? std::optional<float>(value) : std::nullopt;
    }
    void Set(const char* name, float value) override { object_.setProperty(name, value); }

  private:
    QObject& object_;
};

// Widgets may only be made on the thread of a QApplication; anything else would abort the host.
void RequireGuiThread() {
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr || QThread::currentThread() != app->thread())
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: Show must be called on the thread of a "
                    "QApplication");
}

// Lets window managers keep the dialog above the owner's window and give it the focus.
void MakeTransientFor(QWidget& dialog, const QWidget& owner) {
    dialog.winId();  // creates the dialog's native window, so that it has a window handle
    QWindow* ownerWindow = owner.window()->windowHandle();  // none while the owner was never shown
    if (ownerWindow != nullptr && dialog.windowHandle() != nullptr)
        dialog.windowHandle()->setTransientParent(ownerWindow);
}

}  // namespace

clsZarnetCalc::clsZarnetCalc() {
    Class_Initialize();
}

clsZarnetCalc::~clsZarnetCalc() = default;  // Class_Terminate: nothing of its own

std::shared_ptr<clsZarnetCalc> clsZarnetCalc::Create() {
    return std::shared_ptr<clsZarnetCalc>(new clsZarnetCalc());
}

void clsZarnetCalc::Class_Initialize() {
    dblResult = 0;
    blnCancelled = kFalse;
    blnErrorOccurred = kFalse;
}

double clsZarnetCalc::Result() const {
    auto self = shared_from_this();
    return dblResult;
}

void clsZarnetCalc::setResult(double value) {
    auto self = shared_from_this();
    dblResult = value;
}

Flag clsZarnetCalc::Cancelled() const {
    auto self = shared_from_this();
    return blnCancelled;
}

Flag clsZarnetCalc::ErrorOccurred() const {
    auto self = shared_from_this();
    return blnErrorOccurred;
}

QWidget* clsZarnetCalc::MyOwner() const {
    auto self = shared_from_this();
    return frmOwner.data();
}

void clsZarnetCalc::setMyOwner(QWidget* owner) {
    auto self = shared_from_this();
    if (owner != nullptr && !owner->isWindow())
        throw Error(kErrTypeMismatch, "Type mismatch");
    frmOwner = owner;
}

void clsZarnetCalc::PlaceOverOwner(QObject& dialog) {
    const QWidget* owner = frmOwner.data();
    if (owner == nullptr)
        throw Error(kErrObjectNotSet, "Object variable or With block variable not set");

    // The owner's outer rectangle, frame included where the platform reports one, and the
    // screen that holds it.
    const QScreen* screen = owner->screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    std::optional<component::TwipsRect> screenArea;
    if (screen != nullptr)
        screenArea = InTwips(screen->geometry());

    QtProperties properties(dialog);
    if (!component::PlaceOverOwner(properties, InTwips(owner->frameGeometry()), screenArea))
        throw Error(kErrNoSuchProperty, "Object doesn't support this property or method");
}

void clsZarnetCalc::Show() {
    auto self = shared_from_this();
    RequireGuiThread();

    // A fresh dialog for every call, destroyed when the call ends, whichever way it ends.
    auto dialog = std::make_unique<forms::frmCalculator>();
    const QPointer<forms::frmCalculator> alive = dialog.get();

    PlaceOverOwner(*dialog);  // fails before anything is shown when there is no owner
    dblResult = 0;
    dialog->SetDisplayText(QString::fromStdString(calculator::NumberToText(dblResult)));

    dialog->setWindowModality(Qt::ApplicationModal);
    MakeTransientFor(*dialog, *frmOwner);
    // A zero-time timer fires in the modal loop's first turn: a loop that never ran (the
    // application was already quitting) showed nothing the user could answer.
    bool loopRan = false;
    QTimer::singleShot(0, dialog.get(), [&loopRan] { loopRan = true; });
    dialog->exec();

    if (alive.isNull()) {
        // Someone destroyed the dialog inside the modal loop: nothing was confirmed.
        (void)dialog.release();
        dblResult = 0;
        blnCancelled = kTrue;
        blnErrorOccurred = kFalse;
        return;
    }
    if (!loopRan && dialog->Tag().isEmpty())
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: the application is quitting, so the "
                    "calculator cannot be shown");

    const component::ShowOutcome outcome =
        component::ReadOutcome(dialog->Tag().toStdString(), dialog->DisplayText().toStdString());
    dblResult = outcome.result;
    blnCancelled = outcome.cancelled ? kTrue : kFalse;
    blnErrorOccurred = outcome.errorOccurred ? kTrue : kFalse;
}

}  // namespace zarnetcalc
