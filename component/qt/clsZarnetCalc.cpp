// clsZarnetCalc, the public Qt class: a thin wrapper that takes QWidgets as owners and hands
// every member to the shared component (component/Component.h), which runs Show.
#include "zarnetcalc/clsZarnetCalc.h"

#include "component/Component.h"
#include "component/qt/Dialog.h"

namespace zarnetcalc {

using component::qt::QtOwner;

class clsZarnetCalc::Impl {
  public:
    component::Component core;
};

clsZarnetCalc::clsZarnetCalc() : impl_(std::make_unique<Impl>()) {}

clsZarnetCalc::~clsZarnetCalc() = default;

std::shared_ptr<clsZarnetCalc> clsZarnetCalc::Create() {
    return std::shared_ptr<clsZarnetCalc>(new clsZarnetCalc());
}

double clsZarnetCalc::Result() const {
    return impl_->core.Result();
}

void clsZarnetCalc::setResult(double value) {
    impl_->core.SetResult(value);
}

Flag clsZarnetCalc::Cancelled() const {
    return impl_->core.Cancelled();
}

Flag clsZarnetCalc::ErrorOccurred() const {
    return impl_->core.ErrorOccurred();
}

QWidget* clsZarnetCalc::MyOwner() const {
    // Every owner stored here is a QtOwner.
    const auto* owner = static_cast<const QtOwner*>(impl_->core.Owner());
    return owner != nullptr ? owner->Window() : nullptr;
}

void clsZarnetCalc::setMyOwner(QWidget* owner) {
    if (owner != nullptr && !owner->isWindow())
        throw Error(kErrTypeMismatch, "Type mismatch");
    impl_->core.SetOwner(owner != nullptr ? std::make_unique<QtOwner>(owner) : nullptr);
}

namespace {

void RequireGuiThread() {
    if (component::qt::CheckGuiThread() != component::qt::GuiThread::Ok)
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: Show must be called on the thread of a "
                    "QApplication");
}

}  // namespace

void clsZarnetCalc::Show() {
    // The host may drop its last reference from inside the modal loop.
    const std::shared_ptr<clsZarnetCalc> self = shared_from_this();
    RequireGuiThread();
    impl_->core.Show();
}

void clsZarnetCalc::ShowFrom(double Start) {
    const std::shared_ptr<clsZarnetCalc> self = shared_from_this();
    RequireGuiThread();
    impl_->core.ShowFrom(Start);
}

}  // namespace zarnetcalc
