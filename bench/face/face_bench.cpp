// Figures for the face window: from Initialize to the canvas's first paint, per face size, offscreen, with the
// build's bitmaps; and the resident memory of a process showing one face. Nothing here asserts anything.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "face_test_kit.h"
#include "form/face_canvas.h"
#include "form/kz_set_phone_form.h"
#include "kez/ui/metrics.h"
#include "scoped_registry.h"
#include "temp_dir.h"
#include "ui_measures.h"

namespace {

using kez::bench::FirstPaint;
using kez::bench::residentMiB;
using kez::ombrel::KzSetPhoneForm;

void BM_FaceLoadToFirstPaint(benchmark::State& state) {
    const kez::test::ScopedRegistry registry;
    const kez::test::TempDir state_folder("kez-face-bench");
    const kez::test::ScopedEnv stateHome("XDG_STATE_HOME", state_folder.path().string());
    kez::ombrel::OptionsClass options;
    options.LoadSettings();
    options.nUIType = static_cast<std::int16_t>(state.range(0));
    double resident = 0;
    for (auto _ : state) {
        kez::ombrel::test::RecordingOwner owner(options);
        KzSetPhoneForm form;
        FirstPaint paint;
        form.canvas().installEventFilter(&paint);
        form.Initialize(owner, owner.buttons, owner.leds);
        form.show();
        while (!paint.painted)
            QApplication::processEvents();
        resident = residentMiB();
    }
    state.counters["resident_MiB"] = resident;
    state.SetLabel(state.range(0) == 1 ? "large face" : "small face");
}
BENCHMARK(BM_FaceLoadToFirstPaint)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    kez::ui::setQtEnvironment("offscreen");
    QApplication application(argc, argv);
    kez::ui::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
