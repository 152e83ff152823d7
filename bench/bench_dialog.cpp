// Dialog benchmarks: opening (Show to first paint, and the Show round trip beside a bare QDialog,
// also paired turn by turn), keystroke latency (key event to repainted display) and memory
// growth over repeated Show calls.
// Run on any Qt platform: offscreen, or xcb under Xvfb (scripts/bench.sh runs both).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/ShowDriver.h"
#include "zarnetcalc/clsZarnetCalc.h"

namespace {

using Clock = std::chrono::steady_clock;
using zarnetcalc::testing::WhenModal;

// Records the moment a widget is first painted.
class FirstPaint : public QObject {
  public:
    Clock::time_point at{};
    bool seen = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && !seen) {
            seen = true;
            at = Clock::now();
        }
        return false;
    }
};

// The host window every benchmark shows the calculator over; created in main, after QApplication.
QWidget* g_owner = nullptr;

QWidget& Owner() {
    return *g_owner;
}

void ClickClose(QWidget* dlg) {
    if (auto* done = dlg->findChild<QPushButton*>("cmdDone"))
        done->click();
}

// Runs a bare QDialog holding one label modally over the owner.
void ExecBareDialog() {
    QDialog dlg(&Owner());
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(new QLabel("0", &dlg));
    dlg.exec();
}

void CloseBareDialog(QWidget* dlg) {
    static_cast<QDialog*>(dlg)->accept();
}

// Lets what one opening leaves behind finish before the next is timed, so that no opening pays
// for the one before: objects deleted later, the owner repainting where the dialog was, the
// window system's answers to the close. Done when no event has come for a few milliseconds.
void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < 5) {
        if (QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents))
            quiet.restart();
    }
}

// Seconds from opening to the dialog's first paint; the dialog is then closed and what the
// opening leaves behind settles (not timed).
double OpenToFirstPaint(const std::function<void()>& open, void (*close)(QWidget*)) {
    FirstPaint paint;
    auto start = Clock::now();
    WhenModal([&paint, close](QWidget* dlg) {
        dlg->installEventFilter(&paint);
        auto* wait = new QTimer;
        wait->setInterval(0);
        QObject::connect(wait, &QTimer::timeout, [&paint, close, wait, dlg] {
            if (!paint.seen)
                return;
            wait->stop();
            wait->deleteLater();
            dlg->removeEventFilter(&paint);
            close(dlg);
        });
        wait->start();
    });
    open();
    Settle();
    return std::chrono::duration<double>(paint.at - start).count();
}

void TimeToFirstPaint(benchmark::State& state, const std::function<void()>& open,
                      void (*close)(QWidget*)) {
    for (auto _ : state) state.SetIterationTime(OpenToFirstPaint(open, close));
}

void BM_ShowToFirstPaint(benchmark::State& state) {
    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&Owner());
    TimeToFirstPaint(
        state, [&] { calc->Show(); }, ClickClose);
}
BENCHMARK(BM_ShowToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BareDialogToFirstPaint(benchmark::State& state) {
    TimeToFirstPaint(state, ExecBareDialog, CloseBareDialog);
}
BENCHMARK(BM_BareDialogToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

// The value a fraction q of the way through the sorted values (0.5: the median).
double Quantile(std::vector<double> values, double q) {
    if (values.empty())
        return 0;
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(q * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}
double Median(std::vector<double> values) {
    return Quantile(std::move(values), 0.5);
}

// The calculator and the bare dialog opened in turn, each pair a moment apart, so that a busy
// machine slows both alike: the median of the pairs' ratios is the opening ratio to quote.
void BM_OpeningRatioPaired(benchmark::State& state) {
    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&Owner());
    std::vector<double> ratios, calcTimes, bareTimes;
    for (auto _ : state) {
        const double calcTime = OpenToFirstPaint([&] { calc->Show(); }, ClickClose);
        const double bareTime = OpenToFirstPaint(ExecBareDialog, CloseBareDialog);
        state.SetIterationTime(calcTime);
        calcTimes.push_back(calcTime);
        bareTimes.push_back(bareTime);
        if (bareTime > 0)
            ratios.push_back(calcTime / bareTime);
    }
    state.counters["calc_ms"] = Median(calcTimes) * 1e3;
    state.counters["bare_ms"] = Median(bareTimes) * 1e3;
    state.counters["ratio"] = Median(ratios);
    // The middle half of the pairs' ratios: how far one run's median may be trusted.
    state.counters["ratio_q1"] = Quantile(ratios, 0.25);
    state.counters["ratio_q3"] = Quantile(ratios, 0.75);
}
BENCHMARK(BM_OpeningRatioPaired)->UseManualTime()->Unit(benchmark::kMillisecond);

// Show returning after Close is clicked at once.
void BM_ShowRoundTrip(benchmark::State& state) {
    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&Owner());
    for (auto _ : state) {
        WhenModal(ClickClose);
        calc->Show();
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowRoundTrip)->Unit(benchmark::kMillisecond);

// The same round trip for the bare dialog.
void BM_BareDialogRoundTrip(benchmark::State& state) {
    for (auto _ : state) {
        WhenModal(CloseBareDialog);
        ExecBareDialog();
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BareDialogRoundTrip)->Unit(benchmark::kMillisecond);

// One digit key to the shown dialog until the display has repainted.
void BM_KeystrokeToRepaint(benchmark::State& state) {
    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&Owner());
    WhenModal([&state](QWidget* dlg) {
        if (!QTest::qWaitForWindowExposed(dlg))
            state.SkipWithError("dialog not exposed");
        auto* display = dlg->findChild<QWidget*>("txtDisplay");
        auto* ac = dlg->findChild<QPushButton*>("cmdAC");
        FirstPaint paint;
        display->installEventFilter(&paint);
        int n = 0;
        for (auto _ : state) {
            if (++n % 10 == 0)
                ac->click();  // keeps the entry short; not timed
            paint.seen = false;
            auto start = Clock::now();
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : dlg, Qt::Key_5);
            QElapsedTimer guard;
            guard.start();
            while (!paint.seen && guard.elapsed() < 1000) QCoreApplication::processEvents();
            if (!paint.seen) {
                state.SkipWithError("the display was not repainted");
                break;
            }
            state.SetIterationTime(std::chrono::duration<double>(paint.at - start).count());
        }
        display->removeEventFilter(&paint);
        ClickClose(dlg);
    });
    calc->Show();
}

long RssKiB() {
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    auto fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

// Growth of resident memory and of heap bytes in use over 1,000 Show calls after a warm-up.
void BM_MemoryOver1000Shows(benchmark::State& state) {
    auto calc = zarnetcalc::clsZarnetCalc::Create();
    calc->setMyOwner(&Owner());
    auto oneShow = [&] {
        WhenModal(ClickClose);
        calc->Show();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    for (int i = 0; i < 50; ++i) oneShow();
    for (auto _ : state) {
        long rss0 = RssKiB();
        auto heap0 = mallinfo2().uordblks;
        for (int i = 0; i < 1000; ++i) oneShow();
        state.counters["rss_growth_KiB"] = double(RssKiB() - rss0);
        state.counters["heap_growth_B"] = double(mallinfo2().uordblks) - double(heap0);
    }
}
BENCHMARK(BM_MemoryOver1000Shows)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

// The console table, plus the two opening ratios against the bare dialog at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            times_[r.benchmark_name()] = r.GetAdjustedRealTime();
            if (auto ratio = r.counters.find("ratio"); ratio != r.counters.end()) {
                paired_ = ratio->second.value;
                q1_ = r.counters.at("ratio_q1").value;
                q3_ = r.counters.at("ratio_q3").value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        Ratio("first paint", "BM_ShowToFirstPaint/manual_time",
              "BM_BareDialogToFirstPaint/manual_time");
        if (paired_ > 0)
            std::printf(
                "opening ratio (first paint, paired): %.2f times the bare dialog (middle "
                "half of the pairs %.2f to %.2f)\n",
                paired_, q1_, q3_);
        Ratio("round trip", "BM_ShowRoundTrip", "BM_BareDialogRoundTrip");
    }

  private:
    void Ratio(const char* what, const std::string& calc, const std::string& bare) {
        if (times_.count(calc) && times_.count(bare) && times_[bare] > 0) {
            std::printf("opening ratio (%s): %.2f times the bare dialog\n", what,
                        times_[calc] / times_[bare]);
        }
    }
    std::map<std::string, double> times_;
    double paired_ = 0;
    double q1_ = 0;
    double q3_ = 0;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget owner;
    owner.resize(480, 360);
    owner.show();
    if (!QTest::qWaitForWindowExposed(&owner))
        std::fprintf(stderr, "owner window not exposed\n");
    g_owner = &owner;
    // What the opening figures depend on, printed with them.
    std::printf(
        "measured on: Qt %s, platform %s, a %s build, font \"%s\" %g pt; the bare dialog: "
        "a QDialog with one QLabel, exec() over the same owner\n",
        qVersion(), qPrintable(QGuiApplication::platformName()), ZC_BUILD_TYPE,
        qPrintable(QApplication::font().family()), QApplication::font().pointSizeF());
    benchmark::RegisterBenchmark("BM_KeystrokeToRepaint", BM_KeystrokeToRepaint)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
