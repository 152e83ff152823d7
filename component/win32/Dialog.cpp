// The native calculator dialog as Show drives it: the owner's window rectangle and the work area
// of its monitor in the dialog's twips (at the DPI it was made for), the dialog moved and run
// modally over the owner, and how its run ended.
#include "component/win32/Dialog.h"

#include "forms/win32/frmCalculator.h"
#include "zarnetcalc/Error.h"

namespace zarnetcalc::component::win32 {
namespace {

using forms::PixelsToTwips;
using forms::win32::frmCalculator;

TwipsRect InTwips(const RECT& r, int dpi) {
    return {PixelsToTwips(r.left, dpi), PixelsToTwips(r.top, dpi),
            PixelsToTwips(r.right - r.left, dpi), PixelsToTwips(r.bottom - r.top, dpi)};
}

class Win32CalculatorDialog final : public CalculatorDialog {
  public:
    explicit Win32CalculatorDialog(HWND owner) : owner_(owner), dialog_(owner) {}
    bool Loaded() const { return dialog_.Loaded(); }

    TwipsRect Outer() const override {
        return {dialog_.Left(), dialog_.Top(), dialog_.Width(), dialog_.Height()};
    }
    void MoveTo(float left, float top) override { dialog_.MoveTo(left, top); }

    std::optional<TwipsRect> OwnerRect() const override {
        RECT r{};
        if (!IsWindow(owner_) || !GetWindowRect(owner_, &r)) {
            return std::nullopt;
        }
        return InTwips(r, dialog_.Dpi());
    }
    std::optional<TwipsRect> ScreenArea() const override {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoW(MonitorFromWindow(owner_, MONITOR_DEFAULTTONEAREST), &monitor)) {
            return std::nullopt;
        }
        return InTwips(monitor.rcWork, dialog_.Dpi());
    }

    void SetDisplayText(std::string_view text) override { dialog_.SetDisplayText(text); }
    void StartFrom(double start) override { dialog_.Logic().StartFrom(start); }
    std::string Tag() const override { return dialog_.Tag(); }
    std::string DisplayText() const override { return dialog_.DisplayText(); }

    // The owner is disabled while the dialog is up. A window destroyed with its owner, or the
    // application quitting, ends the run without the user's word.
    ModalEnd RunModal() override {
        switch (dialog_.RunModal(owner_)) {
            case frmCalculator::ModalEnd::Ended:
                return ModalEnd::Hidden;
            case frmCalculator::ModalEnd::Destroyed:
            case frmCalculator::ModalEnd::Quit:
                return ModalEnd::Interrupted;
        }
        return ModalEnd::Interrupted;
    }

  private:
    HWND owner_;
    frmCalculator dialog_;  // destroyed when Show drops this, whichever way Show ends
};

// How long an owner of another thread (or process) may take to answer before Show gives up:
// disabling it waits for its thread, which may have stopped reading its messages.
constexpr UINT kOwnerAnswerMs = 1000;

bool Answers(HWND owner) {
    if (GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId()) {
        return true;
    }
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerAnswerMs,
                               &ignored) != 0;
}

}  // namespace

std::unique_ptr<CalculatorDialog> Win32Owner::OpenCalculator() {
    if (!Answers(window_)) {
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: the owner's window does not answer (its "
                    "program may have stopped responding)");
    }
    auto dialog = std::make_unique<Win32CalculatorDialog>(window_);
    if (!dialog->Loaded()) {
        throw Error(kErrInvalidCall,
                    "Invalid procedure call or argument: the calculator window cannot be made");
    }
    return dialog;
}

}  // namespace zarnetcalc::component::win32
