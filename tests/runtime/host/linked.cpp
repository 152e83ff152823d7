// A host that links the class: Show over its window, Close at once, read the outcome.
#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include <zarnetcalc/clsZarnetCalc.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.show();

    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&window);
    QTimer::singleShot(0, [] {
        QApplication::activeModalWidget()->findChild<QAbstractButton*>("cmdDone")->click();
    });
    calc->Show();

    std::printf("Result=%g Cancelled=%d ErrorOccurred=%d\n", calc->Result(), calc->Cancelled(),
                calc->ErrorOccurred());
    return calc->Result() == 0 && calc->Cancelled() == zarnetcalc::kFalse ? 0 : 1;
}
