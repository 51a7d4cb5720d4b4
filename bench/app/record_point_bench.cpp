// What one recorded point costs now that its record is made durable before
// the click is done: the point log's append with its fsync, against a plain
// append that is only handed to the system. Run it from a folder on the disk
// whose cost is wanted; it works in a temporary folder there.
#include "app/measure_window.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

struct Folder {
    char path[32] = "quor-vane-bench-XXXXXX";
    bool made = mkdtemp(path) != nullptr && chdir(path) == 0;
    ~Folder()
    {
        std::remove(pointLogFile);
        if (made && chdir("..") == 0)
            rmdir(path);
    }
};

void BM_Record_Durable(benchmark::State &state)
{
    Folder folder;
    Open_Point_Log();
    if (!folder.made || pointLog < 0) {
        state.SkipWithError("no temporary folder here");
        return;
    }
    char reason[120];
    int id = 0;
    for (auto _ : state)
        if (!Append_Point_Record(++id, 102.211, 199.632, 25.719, reason, sizeof reason))
            state.SkipWithError(reason);
    Close_Point_Log();
}
BENCHMARK(BM_Record_Durable)->Repetitions(3)->ReportAggregatesOnly(true);

void BM_Record_Flushed_Only(benchmark::State &state)
{
    Folder folder;
    FILE *log = std::fopen(pointLogFile, "at");
    if (!folder.made || log == nullptr) {
        state.SkipWithError("no temporary folder here");
        return;
    }
    int id = 0;
    for (auto _ : state) {
        std::fprintf(log, "%3d %9.3lf %9.3lf %9.3lf\n", ++id, 102.211, 199.632, 25.719);
        std::fflush(log);
    }
    std::fclose(log);
}
BENCHMARK(BM_Record_Flushed_Only)->Repetitions(3)->ReportAggregatesOnly(true);

} // namespace
