// Figures for the hive store: listing a key's values (linear in their number), loading a hive, the peak memory
// of refusing a hostile one, bursts of writes with and without a batch, and registering the three servers with
// kezregsvr (KEZREGSVR names another build's to compare). Nothing here asserts anything about time.
#include "file_replacements.h"
#include "kez/reg/registry.h"
#include "kez/reg/write_batch.h"
#include "process.h"
#include "scoped_registry.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace kez::reg;

// One key with `values` small values, as a writer would save it.
std::string hiveWithValues(std::size_t values) {
    std::string text = "KEZ-REGISTRY-HIVE 1\n[Big]\n";
    for (std::size_t i = 0; i < values; ++i)
        text += "\"v" + std::to_string(1000000 + i) + "\"=dword:" + std::to_string(10000000 + i) + "\n";
    return text;
}

void writeHive(const kez::test::ScopedRegistry& registry, std::size_t values) {
    std::filesystem::create_directories(registry.folder());
    kez::test::writeFile(registry.machineFile(), hiveWithValues(values));
    registry.reopen();
}

// "VmHWM" or "VmRSS" of /proc/self/status, in MiB.
double statusMiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field + ":")) return std::stod(line.substr(field.size() + 1)) / 1024;
    }
    return -1;
}

// Restarts the peak (VmHWM) from the present resident size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_RefuseHostileHive(benchmark::State& state) {
    const kez::test::ScopedRegistry registry;
    writeHive(registry, 1200000);
    const auto text = std::filesystem::file_size(registry.machineFile());
    const auto resident = statusMiB("VmRSS");
    resetPeak();
    for (auto _ : state) {
        registry.reopen();
        Key key;
        benchmark::DoNotOptimize(Key::open(Hive::LocalMachine, "Big", Access::Read, key));
        if (!damageReport(Hive::LocalMachine)) state.SkipWithError("hostile hive was accepted");
    }
    state.counters["file_MiB"] = static_cast<double>(text) / (1 << 20);
    state.counters["peak_growth_MiB"] = statusMiB("VmHWM") - resident;
}
BENCHMARK(BM_RefuseHostileHive)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ListValues(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const kez::test::ScopedRegistry registry;
    writeHive(registry, count);
    Key key;
    if (Key::open(Hive::LocalMachine, "Big", Access::Read, key) != Status::Ok) state.SkipWithError("open failed");
    std::string name;
    Value value;
    for (auto _ : state) {
        std::size_t listed = 0;
        while (key.enumValue(static_cast<std::uint32_t>(listed), name, &value) == Status::Ok)
            ++listed;
        if (listed != count) state.SkipWithError("listing incomplete");
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListValues)->RangeMultiplier(2)->Range(25000, 200000)->Complexity()->Unit(benchmark::kMillisecond);

void BM_LoadHive(benchmark::State& state) {
    const kez::test::ScopedRegistry registry;
    writeHive(registry, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        registry.reopen();
        Key key;
        benchmark::DoNotOptimize(Key::open(Hive::LocalMachine, "Big", Access::Read, key));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadHive)->RangeMultiplier(2)->Range(25000, 200000)->Complexity()->Unit(benchmark::kMillisecond);

// `count` values written one by one into a fresh key, in one batch or each saved alone.
void writeBurst(benchmark::State& state, bool batched) {
    const auto count = static_cast<int>(state.range(0));
    const kez::test::ScopedRegistry registry;
    for (auto _ : state) {
        state.PauseTiming();
        (void)Key::deleteTree(Hive::LocalMachine, "Burst");
        Key key;
        if (Key::create(Hive::LocalMachine, "Burst", Access::Write, key) != Status::Ok) state.SkipWithError("create");
        kez::test::FileReplacements saves(registry.machineFile());
        state.ResumeTiming();
        auto batch = batched ? std::make_unique<WriteBatch>() : nullptr;
        for (int i = 0; i < count; ++i) {
            if (key.setDword("v" + std::to_string(i), static_cast<std::uint32_t>(i)) != Status::Ok) {
                state.SkipWithError("write failed");
            }
        }
        if (batch && batch->commit() != Status::Ok) state.SkipWithError("save failed");
        state.counters["saves"] = saves.count();
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WritesInOneBatch(benchmark::State& state) { writeBurst(state, true); }
BENCHMARK(BM_WritesInOneBatch)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Iterations(3)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// As every write was saved before batches: a copy of the tree and a save each, quadratic in the count.
void BM_WritesSavedOneByOne(benchmark::State& state) { writeBurst(state, false); }
BENCHMARK(BM_WritesSavedOneByOne)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Iterations(1)
    ->Complexity(benchmark::oNSquared)
    ->Unit(benchmark::kMillisecond);

// kezregsvr on the three servers into a fresh root-only store: wall time and the saves of the store file.
void BM_RegisterThreeServers(benchmark::State& state) {
    const char* other = std::getenv("KEZREGSVR");
    const std::string tool = other != nullptr && *other != '\0' ? other : KEZREGSVR_PATH;
    for (auto _ : state) {
        const kez::test::ScopedRegistry registry;
        kez::test::FileReplacements saves(registry.systemFile());
        const auto start = std::chrono::steady_clock::now();
        for (const char* module : {CORVANE_PATH, LINKOR_PATH, SONWELL_PATH}) {
            const auto run = kez::test::runCommand({tool, module}, registry.environment());
            if (!run.ok()) state.SkipWithError(("kezregsvr failed: " + run.err).c_str());
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["saves"] = saves.count();
    }
}
BENCHMARK(BM_RegisterThreeServers)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
