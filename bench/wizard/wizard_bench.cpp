// Figures for the wizard's main window, offscreen (QT_QPA_PLATFORM may name another platform), on the stand-in
// engine: the time from this process's start to the first window's first paint, which takes in what a start
// of the program takes (loading, the application object, the window's making, the settings, the engine's
// lists); the time from making a window to its first paint once the process runs; and the resident memory
// with a window shown. Nothing here asserts anything.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "config_wizard_form.h"
#include "kez/ui/metrics.h"
#include "ui_measures.h"
#include "wizard_test_kit.h"

namespace {

using kez::bench::FirstPaint;

double gStartToFirstPaintMs = 0;

// Makes and initialises a window, and waits for its first paint.
void openToFirstPaint() {
    kez::wizard::ConfigWizardForm form;
    FirstPaint paint;
    form.installEventFilter(&paint);
    form.bInitialize();
    while (!paint.painted)
        QApplication::processEvents();
}

void BM_WizardToFirstPaint(benchmark::State& state) {
    const kez::wizard::test::WizardWorld world;
    double resident = 0;
    for (auto _ : state) {
        openToFirstPaint();
        resident = kez::bench::residentMiB();
    }
    state.counters["process_start_to_first_paint_ms"] = gStartToFirstPaintMs;
    state.counters["resident_MiB"] = resident;
}
BENCHMARK(BM_WizardToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    kez::ui::setQtEnvironment("offscreen");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    {
        const kez::wizard::test::WizardWorld world;
        openToFirstPaint();
        gStartToFirstPaintMs = kez::bench::processAgeMs();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
