// Making exercises and grading a class of them.
//
// BM_Make_Exercise/SEED: one exercise, all its files in memory (rendering
// both views, finding the truth with automatic height at every candidate,
// the depth picture and the hash); seeds 1, 3 and 7 are a building front,
// blocks before a wall and a terraced slope.
//
// BM_Grade_Class: quor_vane_assess --class over 30 folders, each a different
// exercise with a points.txt of 50 of its truth's mark positions, run as a
// teacher runs it (the process included). The folders are made once, in a
// temporary folder, before timing.
#include "exercise_files.h"
#include "model/stereo_model.h"
#include "scene_view.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

void BM_Make_Exercise(benchmark::State &state)
{
    Setup_Stereo_Model();
    Use_Exact_Common_Rotation();
    for (auto _ : state)
        benchmark::DoNotOptimize(Make_Exercise(static_cast<unsigned>(state.range(0))));
    Release_Stereo_Model();
}
BENCHMARK(BM_Make_Exercise)->Arg(1)->Arg(3)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_Grade_Class(benchmark::State &state)
{
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("qv_class_bench_" + std::to_string(getpid()));
    std::string folders;
    Setup_Stereo_Model();
    Use_Exact_Common_Rotation();
    for (unsigned seed = 101; seed <= 130; ++seed) {
        const std::string folder = (root / std::to_string(seed)).string();
        std::filesystem::create_directories(folder);
        std::string reason;
        const std::vector<ExerciseFile> files = Make_Exercise(seed);
        Write_Exercise(folder, files, reason);
        // 50 marks: fields 15 to 17 of the truth's rows.
        std::istringstream truth(std::string(files[0].bytes.begin(), files[0].bytes.end()));
        std::ofstream points(folder + "/points.txt");
        std::string line;
        std::getline(truth, line);
        for (int id = 1; id <= 50 && std::getline(truth, line); ++id) {
            double mark[3];
            size_t at = 0;
            for (int field = 0; field < 14; ++field)
                at = line.find(',', at) + 1;
            std::sscanf(line.c_str() + at, "%lf,%lf,%lf", &mark[0], &mark[1], &mark[2]);
            char record[64];
            std::snprintf(record, sizeof record, "%3d %9.3f %9.3f %9.3f\n", id, mark[0], mark[1],
                          mark[2]);
            points << record;
        }
        folders += " " + std::to_string(seed);
    }
    Release_Stereo_Model();
    const std::string command =
        "cd " + root.string() + " && " QV_ASSESS_PROGRAM " --class" + folders + " >out.txt";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("quor_vane_assess --class failed");
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_Grade_Class)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
