// Figures for the hive store: listing a key's values (linear in their number), loading a hive, and the peak memory
// of refusing a hostile one. Nothing here asserts anything about time.
#include "kez/reg/registry.h"
#include "scoped_registry.h"

#include <benchmark/benchmark.h>

#include <fstream>
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

} // namespace
