#include "exercise_files.h"

#include "app/surface_match.h"
#include "app/window_layout.h"
#include "exercise_scene.h"
#include "files.h"
#include "png_file.h"
#include "scene_render.h"
#include "scene_view.h"
#include "sha256.h"

#include <cmath>
#include <cstdio>

namespace {

std::vector<unsigned char> Bytes(const std::string &text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

std::string Note(std::uint64_t seed, int kind)
{
    const std::string number = std::to_string(seed);
    return "Quor Vane exercise " + number + ": " + Exercise_Kind_Name(kind) +
           "\n"
           "Made by quor_vane_exercise " QV_VERSION ". The same seed gives the same files\n"
           "on every system: quor_vane_exercise --seed " +
           number +
           " FOLDER\n"
           "\n"
           "For the students: pr8a_c_ds.bmp, the stereo picture, with\n"
           "pr8a_c_ds_truth.csv and pr8a_c_ds.sha256. Each measures in a folder of\n"
           "their own holding these three files, as on the default picture; the\n"
           "program writes points.txt there. The truth file lists 150 points of\n"
           "the scene with the mark positions that rest on them: for practice.\n"
           "\n"
           "For you: exercise-depth.png shows the depth of the scene, the parallax\n"
           "of the left view, far blue to near yellow.\n"
           "\n"
           "Grading: collect the students' folders (each with its points.txt beside\n"
           "the three files; put the truth file back if it was left out) and run\n"
           "  quor_vane_assess --class FOLDER...\n"
           "One line per folder, and class.csv in the current folder. In one\n"
           "folder, quor_vane_assess alone grades its points one by one.\n";
}

// A stated mark position where automatic height finds the surface: the match
// at the pointer lies within a column of the true parallax under the left
// half. The truth lists only such points, so that every one can be checked
// both by eye and by the matcher.
int Found_By_Matcher(const Scene &scene, TraceWork &work, const StereoPlanes &planes,
                     const TruthPoint &p)
{
    const ParallaxMatch match =
        Match_Parallax(planes, p.pointerX - pictureLeft, p.row - pictureTop);
    double surface[3], parallax;
    return match.outcome == MatchFound &&
           Surface_Parallax(scene, work, p.pointerX + Left_Half_Offset(match.parallax), p.row,
                            surface, parallax) &&
           std::fabs(match.parallax - parallax) <= 1;
}

} // namespace

std::vector<ExerciseFile> Make_Exercise(std::uint64_t seed)
{
    Scene scene;
    const int kind = Build_Exercise_Scene(scene, seed);
    StereoPlanes planes;
    planes.width = pictureWidth;
    planes.height = pictureHeight;
    Render_View(scene, LeftView, planes.left);
    Render_View(scene, RightView, planes.right);
    TraceWork work;
    Init_Trace_Work(scene, work);
    const std::string truth =
        Truth_Csv(Find_Truth_Points(scene, 150, ExerciseTruth, [&](const TruthPoint &p) {
            return Found_By_Matcher(scene, work, planes, p);
        }));
    const std::vector<unsigned char> depth = Depth_Pixels(scene);

    std::vector<ExerciseFile> files;
    files.push_back({"pr8a_c_ds_truth.csv", Bytes(truth)});
    files.push_back(
        {"exercise-depth.png", Png_Bytes(pictureWidth, pictureHeight, 3, depth.data())});
    files.push_back({"exercise.txt", Bytes(Note(seed, kind))});
    ExerciseFile picture = {"pr8a_c_ds.bmp", Anaglyph_Bmp(planes.left, planes.right, seed)};
    const std::string hash = Sha256_Hex(picture.bytes.data(), picture.bytes.size());
    files.push_back({"pr8a_c_ds.sha256", Bytes(hash + "  pr8a_c_ds.bmp\n")});
    files.push_back(picture);
    return files;
}

bool Write_Exercise(const std::string &folder, const std::vector<ExerciseFile> &files,
                    std::string &reason)
{
    std::vector<std::string> written;
    for (const ExerciseFile &file : files) {
        const std::string path = folder + "/" + file.name;
        std::string why;
        if (Create_File(path, file.bytes.data(), file.bytes.size(), why)) {
            written.push_back(path);
        } else {
            reason = "cannot write " + path + ": " + why;
            for (const std::string &made : written)
                std::remove(made.c_str());
            return false;
        }
    }
    return true;
}
