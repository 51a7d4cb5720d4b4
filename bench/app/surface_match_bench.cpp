// One match of automatic height per pointer move, over a picture of the
// default size showing a random texture at parallax 58, the pointer sweeping
// a block of the picture. With OpenCV, cv::matchTemplate (TM_CCOEFF_NORMED)
// does a search of the same size for comparison.
#include "app/surface_match.h"

#include <cstdint>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#ifdef QV_COMPARE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int width = 900, height = 620, trueParallax = 58;

const StereoPlanes &Bench_Planes()
{
    static const StereoPlanes planes = [] {
        StereoPlanes p;
        p.width = width;
        p.height = height;
        p.left.resize(static_cast<size_t>(width) * height);
        p.right.resize(p.left.size());
        std::mt19937 random(1u);
        std::uniform_int_distribution<int> level(0, 255);
        std::vector<unsigned char> texture(static_cast<size_t>(width + trueParallax) * height);
        for (unsigned char &v : texture)
            v = static_cast<unsigned char>(level(random));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t row = static_cast<size_t>(y) * (width + trueParallax);
                p.left[static_cast<size_t>(y) * width + x] = texture[row + x];
                p.right[static_cast<size_t>(y) * width + x] = texture[row + x + trueParallax];
            }
        return p;
    }();
    return planes;
}

// The settings of a run: the default ones, or the default window over
// parallaxes 18 to 98 (81 of them).
MatchSettings Bench_Settings(int wideRange)
{
    MatchSettings settings = defaultMatchSettings;
    if (!wideRange) {
        settings.minParallax = 18;
        settings.maxParallax = 98;
    }
    return settings;
}

// Pointer positions sweep a 64 by 64 block around the picture's middle.
int Column_At(unsigned step)
{
    return 420 + static_cast<int>(step & 63);
}
int Row_At(unsigned step)
{
    return 280 + static_cast<int>((step >> 6) & 63);
}

void BM_Match_Parallax(benchmark::State &state)
{
    const StereoPlanes &planes = Bench_Planes();
    const MatchSettings settings = Bench_Settings(static_cast<int>(state.range(0)));
    unsigned step = 0, found = 0;
    for (auto _ : state) {
        const ParallaxMatch match = Match_Parallax(planes, Column_At(step), Row_At(step), settings);
        found += match.outcome == MatchFound && match.parallax == trueParallax;
        benchmark::DoNotOptimize(match);
        ++step;
    }
    if (found != step)
        state.SkipWithError("a match missed the texture's parallax");
    state.counters["parallaxes"] = settings.maxParallax - settings.minParallax + 1;
}
BENCHMARK(BM_Match_Parallax)->ArgName("default_range")->Arg(0)->Arg(1);

#ifdef QV_COMPARE_OPENCV
// One cv::matchTemplate call per pointer move: the left window at the left
// half for the middle of the range slides over the right view's rows that the
// right windows of the whole range cover, giving one coefficient per parallax.
// (One call can move only one of the two windows; the number and size of the
// comparisons are the same as in Match_Parallax.)
void BM_OpenCV_Match_Template(benchmark::State &state)
{
    const StereoPlanes &planes = Bench_Planes();
    const MatchSettings settings = Bench_Settings(static_cast<int>(state.range(0)));
    const int n = 2 * settings.halfWindow + 1;
    const int count = settings.maxParallax - settings.minParallax + 1;
    const cv::Mat left(height, width, CV_8UC1, const_cast<unsigned char *>(planes.left.data()));
    const cv::Mat right(height, width, CV_8UC1, const_cast<unsigned char *>(planes.right.data()));
    const int middle = (settings.minParallax + settings.maxParallax) / 2;
    cv::Mat result;
    unsigned step = 0, found = 0;
    for (auto _ : state) {
        const int column = Column_At(step), row = Row_At(step);
        const int leftCentre = column + middle / 2;
        // Right centres for the parallaxes of the range, taken from the left
        // window's column: leftCentre - maxParallax up to leftCentre - minParallax.
        const int rightFirst = leftCentre - settings.maxParallax - settings.halfWindow;
        const cv::Mat templ =
            left(cv::Rect(leftCentre - settings.halfWindow, row - settings.halfWindow, n, n));
        const cv::Mat strip =
            right(cv::Rect(rightFirst, row - settings.halfWindow, count + n - 1, n));
        cv::matchTemplate(strip, templ, result, cv::TM_CCOEFF_NORMED);
        cv::Point best;
        cv::minMaxLoc(result, nullptr, nullptr, nullptr, &best);
        found += settings.maxParallax - best.x == trueParallax;
        benchmark::DoNotOptimize(result.data);
        ++step;
    }
    if (found != step)
        state.SkipWithError("a match missed the texture's parallax");
    state.counters["parallaxes"] = count;
}
BENCHMARK(BM_OpenCV_Match_Template)->ArgName("default_range")->Arg(0)->Arg(1);
#endif

} // namespace
