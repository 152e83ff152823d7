// The registry store at any size: GetKeyValue (open, query, close) on a store just changed (read
// and indexed anew) and on one unchanged since it was last read, and one write, over machine
// stores of 10,000 to 1,000,000 keys in a temporary folder. With --read-peak KEYS it reads one
// value from such a store once, as a host's first read does, and prints the time and the peak
// memory that read took beside the file's size.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "about/AboutLogic.h"
#include "registry/Registry.h"

namespace {

using namespace zarnetcalc::registry;

const char* const kKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// A line of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return 0;
}
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// keys keys of one value each, written a block at a time, and the tool's path at the end.
struct Store {
    QTemporaryDir dir;
    QString file = dir.filePath("ZarnetCalc/HKEY_LOCAL_MACHINE.reg");
    qint64 bytes = 0;

    explicit Store(int keys) {
        QDir().mkpath(dir.filePath("ZarnetCalc"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        QByteArray block = "Windows Registry Editor Version 5.00\n; generated\n";
        for (int i = 0; i < keys; ++i) {
            const QByteArray n = QByteArray::number(i);
            block += "[Keys\\K" + n + "]\n\"v\"=\"" + n + "\"\n";
            if (block.size() > (1 << 20)) {
                f.write(block);
                block.clear();
            }
        }
        f.write(block + "\n[" + kKey + "]\n\"PATH\"=\"/usr/bin/tool\"\n");
        bytes = f.size();
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("user")));
    }
    // Changes one character of the comment at the top, as an administrator's edit would.
    void Change() {
        QFile f(file);
        f.open(QIODevice::ReadWrite);
        f.seek(38);
        char c = 0;
        f.getChar(&c);
        f.seek(38);
        f.putChar(char(c ^ 1));
    }
};

void Read(benchmark::State& state, std::string& value) {
    zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE, kKey, "PATH", value);
    benchmark::DoNotOptimize(value);
    if (value != "/usr/bin/tool")
        state.SkipWithError("the value was not read");
}

void BM_ReadChangedStore(benchmark::State& state) {
    Store store(int(state.range(0)));
    std::string value;
    for (auto _ : state) {
        state.PauseTiming();
        store.Change();
        state.ResumeTiming();
        Read(state, value);
    }
    state.counters["store_MB"] = double(store.bytes) / 1e6;
}
BENCHMARK(BM_ReadChangedStore)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

void BM_ReadUnchangedStore(benchmark::State& state) {
    Store store(int(state.range(0)));
    std::string value;
    Read(state, value);
    for (auto _ : state) Read(state, value);
}
BENCHMARK(BM_ReadUnchangedStore)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond);

// One value set on an open key: the file read (compared with its last read), edited and
// written whole.
void BM_Write(benchmark::State& state) {
    Store store(int(state.range(0)));
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key);
    int n = 0;
    for (auto _ : state) {
        const std::string text = std::to_string(++n);
        if (RegSetValueExA(key, "Count", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           DWORD(text.size() + 1)) != ERROR_SUCCESS)
            state.SkipWithError("the write failed");
    }
    RegCloseKey(key);
}
BENCHMARK(BM_Write)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A process's first read of a store of keys keys: its time, and the most memory it held.
int ReadPeak(int keys) {
    Store store(keys);
    std::string value;
    ResetPeakMemory();
    const long before = StatusKib("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE, kKey, "PATH", value);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double peak = double(StatusKib("VmHWM") - before) * 1024;
    std::printf(
        "first read of a %d-key store of %.1f MB: %.0f ms, peak memory %.1f MB (%.2f times "
        "the file)%s\n",
        keys, double(store.bytes) / 1e6, ms, peak / 1e6, peak / double(store.bytes),
        value == "/usr/bin/tool" ? "" : " -- the value was not read");
    return value == "/usr/bin/tool" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read-peak")
        return ReadPeak(std::stoi(argv[2]));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
