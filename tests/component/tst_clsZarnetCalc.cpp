// clsZarnetCalc through the real Show: a timer inside the modal loop finds the calculator and
// plays clicks and keys into it, as a user would; the test then reads the three properties.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <functional>
#include <limits>
#include <thread>

#include <private/qguiapplication_p.h>

#include "support/ShowDriver.h"
#include "zarnetcalc/clsZarnetCalc.h"

using zarnetcalc::clsZarnetCalc;
using zarnetcalc::Error;
using zarnetcalc::kFalse;
using zarnetcalc::kTrue;
using namespace zarnetcalc::testing;

namespace {

void ShowPlaying(clsZarnetCalc& calc, const QString& script) {
    WhenShown([script](QWidget* dialog) { Play(dialog, script); });
    calc.Show();
}

// Counts windows shown anywhere in the application while it lives.
class WindowShowSpy : public QObject {
  public:
    int shown = 0;
    WindowShowSpy() { qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            ++shown;
        return false;
    }
};

int ErrorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

}  // namespace

class tst_clsZarnetCalc : public QObject {
    Q_OBJECT

    QWidget* owner_ = nullptr;
    std::shared_ptr<clsZarnetCalc> calc_;

    void ShowOwner(const QRect& geometry) {
        owner_->setGeometry(geometry);
        owner_->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner_));
    }

  private slots:
    void init() {
        owner_ = new QWidget;
        owner_->setWindowTitle("Owner");
        ShowOwner({200, 150, 400, 320});
        calc_ = clsZarnetCalc::Create();
        calc_->setMyOwner(owner_);
    }

    void cleanup() {
        calc_.reset();
        delete owner_;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived the test");
    }

    void freshObject() {
        auto calc = clsZarnetCalc::Create();
        QCOMPARE(calc->Result(), 0.0);
        QCOMPARE(calc->Cancelled(), kFalse);
        QCOMPARE(calc->ErrorOccurred(), kFalse);
        QCOMPARE(calc->MyOwner(), nullptr);
    }

    void outcome_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<double>("result");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<bool>("error");

        QTest::newRow("Close with a sum") << "1 2 + 3 = Close" << 15.0 << false << false;
        QTest::newRow("F2 ends as Close does") << "7 <F2>" << 7.0 << false << false;
        QTest::newRow("Enter gives equals") << "2 + 3 <Enter> Close" << 5.0 << false << false;
        QTest::newRow("negative result") << "3 - 5 = Close" << -2.0 << false << false;
        QTest::newRow("Esc cancels") << "1 2 <Esc>" << 0.0 << true << false;
        QTest::newRow("Esc after a result") << "1 2 + 3 = <Esc>" << 0.0 << true << false;
        QTest::newRow("division by zero") << "8 / 0 = Close" << 0.0 << false << true;
        QTest::newRow("division by zero, percent") << "8 / 0 % Close" << 0.0 << false << true;
        QTest::newRow("Esc in the error state") << "8 / 0 = <Esc>" << 0.0 << true << false;
        QTest::newRow("AC ends the error state") << "8 / 0 = AC 4 Close" << 4.0 << false << false;
        // Not ended by the user: what was typed is not confirmed.
        QTest::newRow("the application quits") << "1 2 + 3 = <Quit>" << 0.0 << true << false;

        // Result is the display as the user reads it, not the running result behind it.
        QTest::newRow("1/3 without a point shows 0") << "1 / 3 = Close" << 0.0 << false << false;
        QTest::newRow("7/2 without a point shows 3") << "7 / 2 = Close" << 3.0 << false << false;
        QTest::newRow("point entry .5/2") << ". 5 / 2 = Close" << 0.25 << false << false;
        QTest::newRow("FIX 2 without a point: 0.00")
            << "FIX 2 1 / 4 = Close" << 0.0 << false << false;
        QTest::newRow("FIX 1 rounds what is shown")
            << "5 . 2 5 FIX 1 Close" << 5.3 << false << false;
        QTest::newRow("trailing point") << "3 . Close" << 3.0 << false << false;
        QTest::newRow("leading zeros") << "0 0 7 Close" << 7.0 << false << false;

        // Typed entries of hundreds of digits: the display no longer reads back as a double.
        const QString hundredZeros = QString("00 ").repeated(50);
        QTest::newRow("a typed 1E+100 is a number")
            << "1 " + hundredZeros + "Close" << 1e100 << false << false;
        QTest::newRow("a typed 1E+320 ends in error")
            << "1 " + hundredZeros.repeated(3) + "00 00 00 00 00 00 00 00 00 00 Close" << 0.0
            << false << true;
    }

    void outcome() {
        QFETCH(QString, script);
        QFETCH(double, result);
        QFETCH(bool, cancelled);
        QFETCH(bool, error);

        QString openedAt;
        WhenShown([&](QWidget* dialog) {
            openedAt = DisplayOf(dialog);
            Play(dialog, script);
        });
        calc_->Show();
        if (QuitAsked())
            FinishQuit();

        QCOMPARE(openedAt, QString("0"));
        QCOMPARE(calc_->Result(), result);
        QCOMPARE(calc_->Cancelled(), cancelled ? kTrue : kFalse);
        QCOMPARE(calc_->ErrorOccurred(), error ? kTrue : kFalse);
    }

    void storedResultIsNotShown() {
        calc_->setResult(12.5);
        QCOMPARE(calc_->Result(), 12.5);
        QString openedAt;
        WhenShown([&](QWidget* dialog) {
            openedAt = DisplayOf(dialog);
            Play(dialog, "Close");
        });
        calc_->Show();
        QCOMPARE(openedAt, QString("0"));
        QCOMPARE(calc_->Result(), 0.0);
    }

    // The flags describe the last Show only.
    void everyShowSetsAllThree() {
        ShowPlaying(*calc_, "<Esc>");
        QCOMPARE(calc_->Cancelled(), kTrue);
        ShowPlaying(*calc_, "8 / 0 = Close");
        QCOMPARE(calc_->Cancelled(), kFalse);
        QCOMPARE(calc_->ErrorOccurred(), kTrue);
        ShowPlaying(*calc_, "4 Close");
        QCOMPARE(calc_->ErrorOccurred(), kFalse);
        QCOMPARE(calc_->Result(), 4.0);
    }

    // Nothing of one Show reaches the next: a fresh dialog opens at "0" without FIX, and the old
    // one is gone as soon as Show returns.
    void everyShowHasItsOwnDialog() {
        QPointer<QWidget> previous;
        for (int run = 0; run < 5; ++run) {
            QString openedAt, indicator;
            QPointer<QWidget> dialog;
            WhenShown([&](QWidget* d) {
                dialog = d;
                openedAt = DisplayOf(d);
                indicator = d->findChild<QLabel*>("lblSubDisplay(0)")->text();
                Play(d, "FIX 2 . 5 Close");
            });
            calc_->Show();
            QCOMPARE(openedAt, QString("0"));
            QCOMPARE(indicator, QString());
            QCOMPARE(calc_->Result(), 0.5);
            QVERIFY2(dialog.isNull(), "the dialog outlived Show");
            QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{owner_});
        }
    }

    // A Show inside a Show (from a timer, say): the outer calculator takes no input while the
    // inner one is up, and does again once it has closed.
    void showInsideAShow() {
        auto inner = clsZarnetCalc::Create();
        inner->setMyOwner(owner_);
        bool outerBlocked = false;
        bool outerFreeAfter = false;
        WhenShown([&](QWidget* outer) {
            WhenModal(
                [&](QWidget* innerDialog) {
                    outerBlocked =
                        QGuiApplicationPrivate::instance()->isWindowBlocked(outer->windowHandle());
                    Play(innerDialog, "7 Close");
                },
                [outer](QWidget* modal) { return modal != outer && CalculatorDialog(); });
            inner->Show();
            outerFreeAfter =
                !QGuiApplicationPrivate::instance()->isWindowBlocked(outer->windowHandle());
            Play(outer, "5 Close");
        });
        calc_->Show();
        QVERIFY(outerBlocked);
        QVERIFY(outerFreeAfter);
        QCOMPARE(inner->Result(), 7.0);
        QCOMPARE(calc_->Result(), 5.0);
    }

    // Refused before anything is shown, the three properties as they were.
    void refusedBeforeShowing_data() {
        QTest::addColumn<bool>("owner");
        QTest::addColumn<bool>("showFrom");
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("number");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const int notSet = zarnetcalc::kErrObjectNotSet, invalid = zarnetcalc::kErrInvalidCall;
        QTest::newRow("Show without an owner") << false << false << 0.0 << notSet;
        QTest::newRow("ShowFrom without an owner") << false << true << 1.0 << notSet;
        QTest::newRow("ShowFrom not a number") << true << true << nan << invalid;
        QTest::newRow("ShowFrom infinity") << true << true << inf << invalid;
        QTest::newRow("ShowFrom minus infinity") << true << true << -inf << invalid;
    }
    void refusedBeforeShowing() {
        QFETCH(bool, owner);
        QFETCH(bool, showFrom);
        QFETCH(double, start);
        QFETCH(int, number);
        ShowPlaying(*calc_, "<Esc>");
        calc_->setResult(12.5);
        if (!owner) {
            calc_->setMyOwner(nullptr);
            QCOMPARE(calc_->MyOwner(), nullptr);
        }

        WindowShowSpy spy;
        QCOMPARE(ErrorNumber([&] { showFrom ? calc_->ShowFrom(start) : calc_->Show(); }), number);
        QCOMPARE(spy.shown, 0);
        QCOMPARE(calc_->Result(), 12.5);
        QCOMPARE(calc_->Cancelled(), kTrue);
        QCOMPARE(calc_->ErrorOccurred(), kFalse);
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{owner_});
    }

    // A Show while the application is quitting cannot open anything the user could answer.
    void showWhileQuitting() {
        calc_->setResult(12.5);
        QuitAsked() = true;
        QCoreApplication::exit(0);
        const int number = ErrorNumber([&] { calc_->Show(); });
        FinishQuit();
        QCOMPARE(number, zarnetcalc::kErrInvalidCall);
        QCOMPARE(calc_->Result(), 0.0);
        QCOMPARE(QApplication::topLevelWidgets(), QWidgetList{owner_});
    }

    void ownerDestroyedMeansNoOwner() {
        auto* other = new QWidget;
        calc_->setMyOwner(other);
        QCOMPARE(calc_->MyOwner(), other);
        delete other;
        QCOMPARE(calc_->MyOwner(), nullptr);
        QCOMPARE(ErrorNumber([&] { calc_->Show(); }), zarnetcalc::kErrObjectNotSet);
    }

    void ownerMustBeAWindow() {
        auto* child = new QWidget(owner_);
        QCOMPARE(ErrorNumber([&] { calc_->setMyOwner(child); }), zarnetcalc::kErrTypeMismatch);
        QCOMPARE(calc_->MyOwner(), owner_);
        try {
            calc_->setMyOwner(child);
        } catch (const Error& e) {
            QCOMPARE(QString(e.what()), QString("Type mismatch"));
        }
        // A window that was never shown is still a window.
        QWidget hidden;
        calc_->setMyOwner(&hidden);
        QCOMPARE(calc_->MyOwner(), &hidden);
        calc_->setMyOwner(nullptr);
    }

    // Widgets made off the GUI thread would abort the host: a clear error instead.
    void showFromAnotherThread() {
        int number = 0;
        std::thread other([&] { number = ErrorNumber([&] { calc_->Show(); }); });
        other.join();
        QCOMPARE(number, zarnetcalc::kErrInvalidCall);
        QCOMPARE(calc_->Result(), 0.0);
    }

    void lastReferenceReleasedDuringShow() {
        std::weak_ptr<clsZarnetCalc> weak = calc_;
        clsZarnetCalc* raw = calc_.get();
        bool aliveInside = false;
        WhenShown([&](QWidget* dialog) {
            calc_.reset();
            aliveInside = !weak.expired();
            Play(dialog, "4 2 Close");
        });
        raw->Show();
        QVERIFY(aliveInside);
        QVERIFY(weak.expired());
    }

    void dialogDestroyedDuringShow() {
        WhenShown([](QWidget* dialog) {
            Play(dialog, "4 2");
            delete dialog;
        });
        calc_->Show();
        QCOMPARE(calc_->Result(), 0.0);
        QCOMPARE(calc_->Cancelled(), kTrue);
        QCOMPARE(calc_->ErrorOccurred(), kFalse);
    }

    void modalAndTransientForTheOwner() {
        Qt::WindowModality modality = Qt::NonModal;
        QWindow* transientParent = nullptr;
        WhenShown([&](QWidget* dialog) {
            modality = dialog->windowModality();
            transientParent = dialog->windowHandle()->transientParent();
            Play(dialog, "Close");
        });
        calc_->Show();
        QCOMPARE(modality, Qt::ApplicationModal);
        QCOMPARE(transientParent, owner_->windowHandle());
    }

    // The dialog centred over the owner's frame, kept inside the owner's screen.
    void placedOverTheOwner_data() {
        QTest::addColumn<QPoint>("ownerAt");  // relative to the screen's top-left corner
        QTest::addColumn<QSize>("ownerSize");
        QTest::newRow("centred") << QPoint(150, 100) << QSize(400, 320);
        QTest::newRow("owner in the top-left corner, smaller") << QPoint(0, 0) << QSize(120, 100);
        QTest::newRow("owner off the bottom-right corner") << QPoint(-1, -1) << QSize(200, 200);
    }

    void placedOverTheOwner() {
        QFETCH(QPoint, ownerAt);
        QFETCH(QSize, ownerSize);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        if (ownerAt == QPoint(-1, -1))
            ownerAt = {screen.width() - ownerSize.width() / 2, screen.height() - 40};
        ShowOwner({screen.topLeft() + ownerAt, ownerSize});
        PlacementIsCentredAndInside(screen);
    }

    // Run as its own ctest entry on an offscreen platform with two screens.
    void placedOnTheOwnersScreen() {
        const auto screens = QGuiApplication::screens();
        if (screens.size() < 2)
            QSKIP("needs a second screen (offscreen with a config file)");
        const QRect second = screens.at(1)->geometry();
        ShowOwner({second.right() - 150, second.bottom() - 100, 200, 160});
        QCOMPARE(owner_->screen(), screens.at(1));
        PlacementIsCentredAndInside(second);
    }

  private:
    void PlacementIsCentredAndInside(const QRect& screen) {
        QRect placed, owner = owner_->frameGeometry();
        WhenShown([&](QWidget* dialog) {
            placed = dialog->frameGeometry();
            Play(dialog, "Close");
        });
        calc_->Show();
        QVERIFY(!placed.isEmpty());

        // Centred, to a pixel of rounding, then pulled inside the screen.
        QPoint expected(owner.x() + (owner.width() - placed.width()) / 2,
                        owner.y() + (owner.height() - placed.height()) / 2);
        expected.setX(qBound(screen.left(), expected.x(), screen.right() + 1 - placed.width()));
        expected.setY(qBound(screen.top(), expected.y(), screen.bottom() + 1 - placed.height()));
        QVERIFY2((placed.topLeft() - expected).manhattanLength() <= 2,
                 qPrintable(QString("dialog at %1,%2, expected %3,%4")
                                .arg(placed.x())
                                .arg(placed.y())
                                .arg(expected.x())
                                .arg(expected.y())));
        QVERIFY(screen.contains(placed));
    }
};

QTEST_MAIN(tst_clsZarnetCalc)
#include "tst_clsZarnetCalc.moc"
