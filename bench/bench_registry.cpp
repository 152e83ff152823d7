// Reading a large registry store: the About box's GetKeyValue (open, query, close) on a store just
// changed (one parse) and on one unchanged since it was last read, and one query on an open key,
// over a machine store of about 1 MB in a temporary folder.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>

#include "about/AboutLogic.h"
#include "registry/Registry.h"

namespace {

using namespace zarnetcalc::registry;

// A store of some 1 MB: many programs' keys with a few values each, and the tool's path at the end.
QByteArray LargeStore() {
    QByteArray text = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; text.size() < 1024 * 1024; ++i) {
        const QByteArray n = QByteArray::number(i);
        text += "\n; program " + n + "\n[SOFTWARE\\Vendor" + n + "\\Program\\Settings]\n";
        text += "@=\"Program " + n + "\"\n\"Path\"=\"C:\\\\Program Files\\\\Program" + n +
                "\\\\program.exe\"\n\"Flags\"=dword:0000002a\n\"Data\"=hex:de,ad,be,ef,00,01\n";
    }
    return text + "\n[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n\"PATH\"=\"/usr/bin/tool\"\n";
}

struct Store {
    QTemporaryDir dir;
    qsizetype bytes = 0;
    QByteArray text = LargeStore();
    // Changes one character of the file's first comment, as an administrator's edit would.
    void Change() {
        text[text.indexOf("; program") + 2] ^= 1;
        QFile f(dir.filePath("ZarnetCalc/HKEY_LOCAL_MACHINE.reg"));
        f.open(QIODevice::WriteOnly);
        f.write(text);
    }
    Store() {
        QDir().mkpath(dir.filePath("ZarnetCalc"));
        QFile f(dir.filePath("ZarnetCalc/HKEY_LOCAL_MACHINE.reg"));
        f.open(QIODevice::WriteOnly);
        bytes = f.write(text);
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("user")));
    }
};

void BM_GetKeyValue_1MB(benchmark::State& state) {
    Store store;
    std::string value;
    for (auto _ : state) {
        zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE,
                                       "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value);
        benchmark::DoNotOptimize(value);
    }
    if (value != "/usr/bin/tool")
        state.SkipWithError("the value was not read");
    state.counters["store_bytes"] = double(store.bytes);
}
BENCHMARK(BM_GetKeyValue_1MB)->Unit(benchmark::kMillisecond);

void BM_GetKeyValue_1MB_Changed(benchmark::State& state) {
    Store store;
    std::string value;
    for (auto _ : state) {
        state.PauseTiming();
        store.Change();
        state.ResumeTiming();
        zarnetcalc::about::GetKeyValue(HKEY_LOCAL_MACHINE,
                                       "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", value);
        benchmark::DoNotOptimize(value);
    }
    if (value != "/usr/bin/tool")
        state.SkipWithError("the value was not read");
}
BENCHMARK(BM_GetKeyValue_1MB_Changed)->Unit(benchmark::kMillisecond);

void BM_RegQueryValueExA_1MB(benchmark::State& state) {
    Store store;
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor7\\Program\\Settings", 0, KEY_READ, &key);
    BYTE data[256];
    for (auto _ : state) {
        DWORD size = sizeof data;
        DWORD type = 0;
        benchmark::DoNotOptimize(RegQueryValueExA(key, "Path", nullptr, &type, data, &size));
    }
    RegCloseKey(key);
}
BENCHMARK(BM_RegQueryValueExA_1MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
