// Engine throughput: keys per second through the calculator logic on a long mixed key stream
// (digits, "00", points, operators, percent, equals, FIX), with controls that only keep the texts.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "calculator/Calculator.h"

// Counts heap allocations, so the figures show whether keys allocate once the entry is warm.
namespace {
std::atomic<std::int64_t> g_allocations{0};
}

void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using zarnetcalc::calculator::Calculator;
using zarnetcalc::calculator::ControlSurface;
using zarnetcalc::calculator::NamedControl;
namespace key = zarnetcalc::calculator::key;

constexpr std::size_t kControlCount = 29;

class QuietControls final : public ControlSurface {
  public:
    QuietControls() {
        display.reserve(512);
        indicator.reserve(16);
        tag.reserve(16);
    }
    std::string display, indicator, tag;
    std::size_t focus = 0;

    std::string DisplayText() const override { return display; }
    void SetDisplayText(std::string_view t) override { display.assign(t); }
    void SetIndicatorText(std::string_view t) override { indicator.assign(t); }
    std::string Tag() const override { return tag; }
    void SetTag(std::string_view t) override { tag.assign(t); }
    std::size_t ControlCount() const override { return kControlCount; }
    void SetControlEnabled(std::size_t, bool) override {}
    std::size_t IndexOf(NamedControl) const override { return kControlCount; }
    void FocusTmp() override { ++focus; }
    void HideDialog() override {}
    void ShowAboutBox() override {}
    std::optional<std::string> ClipboardText() const override { return std::nullopt; }
    void SetClipboardText(std::string_view) override {}
    void Announce(std::string_view) override {}
};

// A key of the stream: a keypad index, or -1 for the FIX button.
constexpr std::int16_t kFixButton = -1;

// One round of everyday work, then the same with two and with no fixed decimals. Entries stay
// short, as people type them; no division by zero.
std::vector<std::int16_t> KeyStream(std::size_t rounds) {
    const std::vector<std::int16_t> round = {
        1,
        2,
        key::kPoint,
        3,
        4,
        key::kAdd,
        5,
        6,
        key::kMultiply,
        7,
        key::kPercent,  //
        8,
        9,
        0,
        key::kSubtract,
        1,
        key::k00,
        key::kDivide,
        4,
        key::kEquals,  //
        kFixButton,
        2,
        3,
        key::kPoint,
        7,
        5,
        key::kAdd,
        2,
        5,
        key::kPercent,  //
        6,
        key::kMultiply,
        1,
        key::kPoint,
        5,
        key::kEquals,
        key::kEquals,  //
        kFixButton,
        0,
        4,
        2,
        key::kDivide,
        7,
        key::kEquals,
        key::kSubtract,
        4,
        2,  //
        key::kEquals,
    };
    std::vector<std::int16_t> keys;
    keys.reserve(round.size() * rounds);
    for (std::size_t i = 0; i < rounds; ++i) {
        keys.insert(keys.end(), round.begin(), round.end());
    }
    return keys;
}

void BM_EngineKeys(benchmark::State& state) {
    const std::vector<std::int16_t> keys = KeyStream(200);
    QuietControls controls;
    Calculator calc(controls);
    calc.Form_Load();
    const std::int64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        for (std::int16_t k : keys) {
            if (k == kFixButton) {
                calc.cmdFix_Click();
            } else {
                std::int16_t index = k;
                calc.cmdKeypad_Click(index);
            }
        }
        benchmark::DoNotOptimize(controls.display.data());
        calc.cmdAC_Click();  // a fresh chain each pass, so magnitudes stay everyday ones
    }
    const auto pressed = static_cast<double>(state.iterations() * (keys.size() + 1));
    state.counters["keys/s"] = benchmark::Counter(pressed, benchmark::Counter::kIsRate);
    state.counters["allocs/key"] =
        static_cast<double>(g_allocations.load() - allocationsBefore) / pressed;
}
BENCHMARK(BM_EngineKeys);

// Digits only, under a format: the costliest single key (parse the entry, format it).
void BM_DigitsUnderFix(benchmark::State& state) {
    QuietControls controls;
    Calculator calc(controls);
    calc.Form_Load();
    std::int64_t keys = 0;
    const std::int64_t allocationsBefore = g_allocations.load();
    for (auto _ : state) {
        calc.cmdFix_Click();
        std::int16_t two = 2;
        calc.cmdKeypad_Click(two);
        for (std::int16_t d = 1; d <= 9; ++d) {
            std::int16_t index = d;
            calc.cmdKeypad_Click(index);
        }
        std::int16_t plus = key::kAdd;
        calc.cmdKeypad_Click(plus);
        calc.cmdAC_Click();
        keys += 13;
    }
    state.counters["keys/s"] =
        benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
    state.counters["allocs/key"] =
        static_cast<double>(g_allocations.load() - allocationsBefore) / static_cast<double>(keys);
}
BENCHMARK(BM_DigitsUnderFix);

}  // namespace

BENCHMARK_MAIN();
