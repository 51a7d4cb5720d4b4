// Loading BMP files: every well-formed file of the test suite decodes to its
// published pixels, every malformed one is refused or decoded harmlessly.
#include "sha256.h"
#include "window_fixture.h"

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::string suite = QV_BMPSUITE_DIR;

struct ExpectedImage {
    std::string file;
    int width;
    int height;
    bool exact;
    std::string digest;
};

std::vector<ExpectedImage> Read_Expected()
{
    std::vector<ExpectedImage> images;
    std::ifstream in(suite + "/good/EXPECTED.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        ExpectedImage image;
        std::string match;
        fields >> image.file >> image.width >> image.height >> match >> image.digest;
        image.exact = match == "exact";
        images.push_back(image);
    }
    return images;
}

// Pixels of a bitmap read through a memory device context, as R, G, B bytes
// in top-down rows.
std::vector<unsigned char> Read_Rgb(HBITMAP bitmap, int width, int height)
{
    std::vector<unsigned char> rgb;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            COLORREF pixel = GetPixel(memory, x, y);
            rgb.push_back(GetRValue(pixel));
            rgb.push_back(GetGValue(pixel));
            rgb.push_back(GetBValue(pixel));
        }
    SelectObject(memory, previous);
    DeleteDC(memory);
    return rgb;
}

bool Size_Is(HBITMAP bitmap, int width, int height)
{
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool same = GetPixel(memory, width - 1, height - 1) != CLR_INVALID &&
                GetPixel(memory, width, height - 1) == CLR_INVALID &&
                GetPixel(memory, width - 1, height) == CLR_INVALID;
    SelectObject(memory, previous);
    DeleteDC(memory);
    return same;
}

// Files from 16-bit sources may round a channel to either neighbour of the
// exact value: requantise each channel to the source's levels and expand it
// back the two usual ways; one of them must give the published pixels, and no
// channel may be more than one away from it.
bool Matches_Within_One(const std::vector<unsigned char> &rgb, const std::string &digest,
                        const int bits[3])
{
    for (int way = 0; way < 2; way++) {
        std::vector<unsigned char> canonical(rgb.size());
        bool close = true;
        for (size_t i = 0; i < rgb.size(); i++) {
            int b = bits[i % 3];
            int top = (1 << b) - 1;
            int level = (rgb[i] * top + 127) / 255;
            int value = way == 0 ? (level * 255 + top / 2) / top
                                 : (level << (8 - b)) | (level >> (2 * b - 8));
            canonical[i] = (unsigned char)value;
            close = close && std::abs(value - rgb[i]) <= 1;
        }
        if (close && Sha256_Hex(canonical) == digest)
            return true;
    }
    return false;
}

std::vector<std::string> Files_In(const std::string &directory)
{
    std::vector<std::string> names;
    DIR *dir = opendir(directory.c_str());
    if (dir == nullptr)
        return names;
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".bmp")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

HBITMAP Load(const std::string &path)
{
    return (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

} // namespace

using BitmapFileTest = HeadlessTest;

TEST_F(BitmapFileTest, EveryGoodFileDecodesToItsPublishedPixels)
{
    std::vector<ExpectedImage> images = Read_Expected();
    ASSERT_GE(images.size(), 27u) << "test images not found under " << suite;
    ASSERT_EQ(images.size(), Files_In(suite + "/good").size());
    for (const ExpectedImage &image : images) {
        SCOPED_TRACE(image.file);
        HBITMAP bitmap = Load(suite + "/good/" + image.file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_TRUE(Size_Is(bitmap, image.width, image.height));
        std::vector<unsigned char> rgb = Read_Rgb(bitmap, image.width, image.height);
        if (image.exact) {
            EXPECT_EQ(Sha256_Hex(rgb), image.digest);
        } else {
            const int bits555[3] = {5, 5, 5};
            const int bits565[3] = {5, 6, 5};
            bool is565 = image.file.find("565") != std::string::npos;
            EXPECT_TRUE(Matches_Within_One(rgb, image.digest, is565 ? bits565 : bits555));
        }
        EXPECT_TRUE(DeleteObject(bitmap));
    }
}

TEST_F(BitmapFileTest, BadFilesAreRefusedOrDecodedHarmlessly)
{
    std::vector<std::string> names = Files_In(suite + "/bad");
    ASSERT_GE(names.size(), 20u);
    HWND window = Create_Main_Window();
    Pump_Until_Idle();
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    EndPaint(window, &paint);
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        HBITMAP bitmap = Load(suite + "/bad/" + name);
        if (bitmap == nullptr)
            continue;
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        EXPECT_TRUE(BitBlt(dc, 10, 10, 900, 620, memory, 0, 0, SRCCOPY));
        SelectObject(memory, previous);
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(Load(suite + "/bad/reallybig.bmp"), nullptr);
    EXPECT_EQ(Load(suite + "/bad/shortfile.bmp"), nullptr);
}

TEST_F(BitmapFileTest, MissingOrUnsuitableSourcesGiveNull)
{
    EXPECT_EQ(Load(suite + "/good/no-such-file.bmp"), nullptr);
    EXPECT_EQ(Load(suite + "/good"), nullptr) << "a directory";
    EXPECT_EQ(Load(suite + "/good/EXPECTED.txt"), nullptr) << "not a bitmap";
    EXPECT_EQ(LoadImageA(nullptr, (suite + "/good/rgb24.bmp").c_str(), IMAGE_BITMAP, 0, 0, 0),
              nullptr)
        << "without LR_LOADFROMFILE the name is a resource, and there are none";
    EXPECT_EQ(LoadImageA(nullptr, nullptr, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);

    // A truncated copy of a good file: header intact, pixel rows missing.
    std::ifstream in(suite + "/good/rgb24.bmp", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string path = ::testing::TempDir() + "truncated.bmp";
    for (size_t keep : {size_t(0), size_t(2), size_t(20), size_t(54), bytes.size() / 2}) {
        std::ofstream(path, std::ios::binary).write(bytes.data(), (std::streamsize)keep);
        EXPECT_EQ(Load(path), nullptr) << keep << " bytes";
    }
    std::remove(path.c_str());
}
