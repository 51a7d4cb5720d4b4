// Grading a point log of 1,000 records against the default scene: each
// iteration reads the records from their logged text, grades every one
// (a ray to the surface and the 81 rays under the mark's reach) and sums up.
// The records are marks swept over the picture: rows 20-620, left columns
// 60-900, parallax 30-90.
#include "assess.h"
#include "model/stereo_model.h"

#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

std::vector<std::string> Log_Lines(int count)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const int row = 20 + (i * 37) % 601;
        const int leftColumn = 60 + (i * 53) % 841;
        const int parallax = 30 + (i * 7) % 61;
        double x, y, z;
        Space_Intersection(row, leftColumn, leftColumn - parallax, &x, &y, &z);
        char line[64];
        std::snprintf(line, sizeof line, "%3d %9.3lf %9.3lf %9.3lf", i + 1, x, y, z);
        lines.push_back(line);
    }
    return lines;
}

void BM_Grade_1000_Records(benchmark::State &state)
{
    Setup_Stereo_Model();
    Scene scene;
    Build_Scene(scene);
    TraceWork work;
    Init_Trace_Work(scene, work);
    const std::vector<std::string> lines = Log_Lines(1000);
    GradeSummary summary;
    for (auto _ : state) {
        summary = GradeSummary();
        for (size_t k = 0; k < lines.size(); ++k) {
            PointRecord record;
            PointGrade grade;
            Parse_Point_Record(lines[k], static_cast<int>(k) + 1, record);
            Grade_Point(scene, work, record.object, grade);
            Add_Grade(summary, grade);
        }
        Finish_Summary(summary);
        benchmark::DoNotOptimize(summary);
    }
    state.counters["graded"] = summary.graded;
    state.counters["depthEdges"] = summary.depthEdges;
    Release_Stereo_Model();
}
BENCHMARK(BM_Grade_1000_Records)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
