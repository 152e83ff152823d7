// A late-binding host: registers the component in a private store, creates it by its
// programmatic identifier and drives it through the dispatch interface only.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include <zarnetcalc/ComHelpers.h>

using namespace zarnetcalc::com;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir store;  // keep the real registry stores untouched
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(store.filePath("machine")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(store.filePath("user")));
    if (DllRegisterServer() != S_OK) {
        return 2;
    }

    ComPtr<IDispatch> calc;
    if (FAILED(
            ZarnetCalcCreateObject("ZarnetCalc.clsZarnetCalc", &IID_IDispatch, calc.PutVoid()))) {
        return 3;
    }
    QWidget window;
    window.show();
    ComPtr<IUnknown> owner;
    ZarnetCalcWrapWindow(&window, owner.Put());
    PutProperty(calc.Get(), u"MyOwner", MakeObject(owner.Get()));
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        for (const char* key :
             {"cmdKeypad(4)", "cmdKeypad(15)", "cmdKeypad(5)", "cmdKeypad(18)", "cmdDone"}) {
            dialog->findChild<QAbstractButton*>(key)->click();
        }
    });
    const HRESULT shown = CallMethod(calc.Get(), u"Show");
    VARIANT result = MakeEmpty();
    GetProperty(calc.Get(), u"Result", &result);
    std::printf("Show=0x%08x Result=%g\n", static_cast<unsigned>(shown), result.dblVal);

    calc.Reset();
    owner.Reset();
    const bool unloadable = DllCanUnloadNow() == S_OK;
    DllUnregisterServer();
    return shown == S_OK && result.vt == VT_R8 && result.dblVal == 9 && unloadable ? 0 : 1;
}
