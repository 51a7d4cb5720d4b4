// One pointer move inside the measurement area on the headless back end:
// restore, measurement, readout, save, colour adaptation and drawing.
#include "app/measure_window.h"
#include "platform/headless.h"

#include <cstdio>
#include <cstdlib>

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

struct Run {
    benchmark::State *state;
    bool done;
};

// Runs the timed loop from inside the message loop, once the window has been
// painted, then lets the program close.
bool Time_Pointer_Moves(void *context)
{
    Run &run = *static_cast<Run *>(context);
    if (run.done)
        return false;
    run.done = true;
    Handle_Pointer_Move(465, 320); // the first draw after the paint
    unsigned step = 0;
    for (auto _ : *run.state) {
        // Pointer positions sweep a 64 by 64 block of the picture.
        Handle_Pointer_Move(300 + (step & 63), 200 + ((step >> 6) & 63));
        ++step;
    }
    benchmark::DoNotOptimize(objectZ);
    return false;
}

void BM_Pointer_Move(benchmark::State &state)
{
    // The program opens its point log in the working directory: keep it out
    // of the caller's.
    char directory[] = "/tmp/quor-vane-bench-XXXXXX";
    if (mkdtemp(directory) == nullptr || chdir(directory) != 0) {
        state.SkipWithError("no temporary working directory");
        return;
    }
    Inspect_Reset();
    MarkState = MarkStateRecord{0, 0, 0, 0, 1, 0, 0, 0, {}, {}};
    Run run{&state, false};
    Headless_Set_Idle_Handler(Time_Pointer_Moves, &run);
    WinMain(nullptr, nullptr, nullptr, 1);
    std::remove("points.txt");
    if (chdir("/tmp") == 0)
        rmdir(directory);
}
BENCHMARK(BM_Pointer_Move)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
