// Renders the default stereo image: the building of scene_model seen through
// the program's own two-camera model, composed as a red/cyan anaglyph, and a
// list of known surface points with the mark positions that rest on them.
//
//   render_scene [--depth FILE.ppm] OUTPUT_DIRECTORY
//
// writes OUTPUT_DIRECTORY/pr8a_c_ds.bmp and OUTPUT_DIRECTORY/pr8a_c_ds_truth.csv,
// and with --depth a colour picture of the left view's parallax.
#include "app/window_layout.h"
#include "model/stereo_model.h"
#include "scene_model.h"
#include "scene_render.h"
#include "scene_view.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The bytes as the whole file, the same on every system.
int Write_Bytes(const std::string &path, const std::string &header, const void *bytes, size_t size)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    const int written = std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
                        std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}

} // namespace

int main(int argc, char **argv)
{
    std::string depthPath, directory;
    int usable = 1;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--depth") == 0 && k + 1 < argc)
            depthPath = argv[++k];
        else if (directory.empty() && argv[k][0] != '-')
            directory = argv[k];
        else
            usable = 0;
    }
    if (!usable || directory.empty()) {
        std::fprintf(stderr, "usage: render_scene [--depth FILE.ppm] OUTPUT_DIRECTORY\n");
        return 2;
    }

    Setup_Stereo_Model();
    Scene scene;
    Build_Scene(scene);

    std::vector<unsigned char> left, right;
    Render_View(scene, LeftView, left);
    Render_View(scene, RightView, right);
    const std::vector<unsigned char> bmp = Anaglyph_Bmp(left, right, 0);
    const std::string truth = Truth_Csv(Find_Truth_Points(scene, 150, DefaultSceneTruth));
    int ok = Write_Bytes(directory + "/pr8a_c_ds.bmp", "", bmp.data(), bmp.size()) &&
             Write_Bytes(directory + "/pr8a_c_ds_truth.csv", "", truth.data(), truth.size());
    if (ok && !depthPath.empty()) {
        const std::vector<unsigned char> depth = Depth_Pixels(scene);
        const std::string header =
            "P6\n" + std::to_string(pictureWidth) + " " + std::to_string(pictureHeight) + "\n255\n";
        ok = Write_Bytes(depthPath, header, depth.data(), depth.size());
    }
    Release_Stereo_Model();
    if (!ok) {
        std::fprintf(stderr, "render_scene: could not write into %s\n", directory.c_str());
        return 1;
    }
    return 0;
}
