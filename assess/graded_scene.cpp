#include "graded_scene.h"

#include "app/window_layout.h"
#include "exercise_scene.h"
#include "files.h"
#include "platform/bmp_header.h"
#include "scene_render.h"
#include "scene_view.h"
#include "sha256.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr char hashFile[] = "pr8a_c_ds.sha256";
constexpr char truthFile[] = "pr8a_c_ds_truth.csv";

// The seed of a picture laid out as exercises write it (24-bit, 900 by 620,
// bottom row first, the pixels right after a 40-byte header); 0 for any other.
std::uint64_t Exercise_Seed(const std::string &file)
{
    const auto *bmp = reinterpret_cast<const unsigned char *>(file.data());
    const unsigned pixelBytes = 3 * pictureWidth * pictureHeight;
    if (file.size() != 54 + pixelBytes || file.compare(0, 2, "BM") != 0 ||
        Read_U32(bmp + 2) != file.size() || Read_U32(bmp + 10) != 54 || Read_U32(bmp + 14) != 40 ||
        Read_U32(bmp + 18) != pictureWidth || Read_U32(bmp + 22) != pictureHeight ||
        Read_U16(bmp + 26) != 1 || Read_U16(bmp + 28) != 24 || Read_U32(bmp + 30) != 0)
        return 0;
    return static_cast<std::uint64_t>(Read_U32(bmp + 38)) << 32 | Read_U32(bmp + 6);
}

// Whether the picture's pixels at every sixteenth row and column are the ones
// the scene renders, in both views.
bool Rendered_From(const Scene &scene, const std::string &bmp)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    for (int j = 8; j < pictureHeight; j += 16)
        for (int i = 8; i < pictureWidth; i += 16) {
            const size_t at =
                54 + 3 * (static_cast<size_t>(pictureHeight - 1 - j) * pictureWidth + i);
            const unsigned char right = Render_Pixel(scene, work, RightView, i, j);
            if (static_cast<unsigned char>(bmp[at + 2]) !=
                    Render_Pixel(scene, work, LeftView, i, j) ||
                static_cast<unsigned char>(bmp[at]) != right ||
                static_cast<unsigned char>(bmp[at + 1]) != right)
                return false;
        }
    return true;
}

// Whether every row of the truth file lies on the scene: its X, Y, Z where
// the left view's ray through its row and column meets the scene.
bool Truth_Of(const Scene &scene, const std::string &truth)
{
    TraceWork work;
    Init_Trace_Work(scene, work);
    size_t start = truth.find('\n');
    int rows = 0;
    for (; start != std::string::npos && start + 1 < truth.size(); ++rows) {
        const char *text = truth.c_str() + start + 1;
        double field[6];
        char *end = nullptr;
        std::strtol(text, &end, 10);
        for (double &value : field) {
            if (*end != ',')
                return false;
            value = std::strtod(end + 1, &end);
        }
        SceneHit hit;
        double object[3];
        if (!Trace_View(scene, work, LeftView, field[4], field[3], hit))
            return false;
        To_Object_Frame(scene, hit.point, object);
        for (int k = 0; k < 3; ++k)
            if (!(std::fabs(object[k] - field[k]) < 1e-5))
                return false;
        start = truth.find('\n', start + 1);
    }
    return rows > 0;
}

} // namespace

int Find_Graded_Scene(const std::string &imagePath, const char *defaultHash, GradedScene &graded,
                      std::string &reason)
{
    std::string why;
    if (!Read_File(imagePath, graded.image, why)) {
        reason = "cannot read " + imagePath + ": " + why;
        return SceneUnreadable;
    }
    const std::string hash = Sha256_Hex(
        reinterpret_cast<const unsigned char *>(graded.image.data()), graded.image.size());
    graded.isDefault = hash == defaultHash;
    graded.seed = Exercise_Seed(graded.image);
    // A hash file beside the picture must name it, whichever picture it is.
    const std::string hashPath = Beside(imagePath, hashFile);
    std::string stated;
    const bool hashRead = Read_File(hashPath, stated, why);
    if (hashRead && stated.compare(0, hash.size(), hash) != 0) {
        reason = imagePath + " is not the picture whose hash " + hashPath + " holds";
        return SceneForeign;
    }
    if (graded.isDefault) {
        Build_Scene(graded.scene);
        return SceneFound;
    }
    if (graded.seed == 0) {
        reason = imagePath + " is neither the default stereo image nor an exercise's; only points "
                             "measured on those can be graded";
        return SceneForeign;
    }
    if (!hashRead) {
        reason = "cannot read " + hashPath + ": " + why;
        return SceneUnreadable;
    }
    graded.kind = Build_Exercise_Scene(graded.scene, graded.seed);
    if (!Rendered_From(graded.scene, graded.image)) {
        reason = imagePath + " is not the picture of exercise " + std::to_string(graded.seed) +
                 " that this version makes";
        return SceneForeign;
    }
    const std::string truthPath = Beside(imagePath, truthFile);
    std::string truth;
    if (!Read_File(truthPath, truth, why)) {
        reason = "cannot read " + truthPath + ": " + why;
        return SceneUnreadable;
    }
    if (!Truth_Of(graded.scene, truth)) {
        reason = truthPath + " is not the truth of exercise " + std::to_string(graded.seed);
        return SceneForeign;
    }
    return SceneFound;
}

std::string Graded_Scene_Name(const GradedScene &graded)
{
    if (graded.isDefault)
        return "the default scene";
    return "exercise " + std::to_string(graded.seed) + " (" + Exercise_Kind_Name(graded.kind) + ")";
}
