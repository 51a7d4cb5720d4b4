// One space intersection per iteration over a sweep of 10,000 mark positions:
// rows 100-600, left columns 350-650, parallax 40-80.
#include "model/stereo_model.h"

#include <vector>

#include <benchmark/benchmark.h>

namespace {

struct MarkPosition {
    int row, leftColumn, rightColumn;
};

std::vector<MarkPosition> Sweep()
{
    std::vector<MarkPosition> positions;
    for (int i = 0; i < 10000; ++i) {
        int row = 100 + (i * 37) % 501;
        int leftColumn = 350 + (i * 53) % 301;
        int parallax = 40 + (i * 7) % 41;
        positions.push_back({row, leftColumn, leftColumn - parallax});
    }
    return positions;
}

void BM_Space_Intersection(benchmark::State &state)
{
    Setup_Stereo_Model();
    const std::vector<MarkPosition> positions = Sweep();
    std::size_t next = 0;
    double x, y, z;
    for (auto _ : state) {
        const MarkPosition &p = positions[next];
        Space_Intersection(p.row, p.leftColumn, p.rightColumn, &x, &y, &z);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(z);
        next = next + 1 == positions.size() ? 0 : next + 1;
    }
    Release_Stereo_Model();
}
BENCHMARK(BM_Space_Intersection)->Repetitions(9)->ReportAggregatesOnly(true);

} // namespace
