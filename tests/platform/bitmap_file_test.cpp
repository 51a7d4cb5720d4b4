// Loading BMP files: every well-formed file of the test suite decodes to its
// published pixels, every malformed one is refused or decoded harmlessly.
#include "window_fixture.h"

#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string suite = QV_BMPSUITE_DIR;

HBITMAP Load(const std::string &path)
{
    return (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

HBITMAP Load_Bytes(const std::string &bytes)
{
    const std::string path = ::testing::TempDir() + "made.bmp";
    std::ofstream(path, std::ios::binary) << bytes;
    HBITMAP bitmap = Load(path);
    std::remove(path.c_str());
    return bitmap;
}

} // namespace

using BitmapFileTest = HeadlessTest;

TEST_F(BitmapFileTest, EveryGoodFileDecodesToItsPublishedPixels)
{
    std::ifstream expected(suite + "/good/EXPECTED.txt");
    std::string file, match, digest;
    int width, height, checked = 0;
    HDC memory = CreateCompatibleDC(nullptr);
    while (expected >> file)
        if (file[0] == '#') {
            std::getline(expected, file);
        } else if (expected >> width >> height >> match >> digest) {
            SCOPED_TRACE(file);
            checked++;
            HBITMAP bitmap = Load(suite + "/good/" + file);
            ASSERT_NE(bitmap, nullptr);
            HGDIOBJ previous = SelectObject(memory, bitmap);
            EXPECT_EQ(GetPixel(memory, width, height - 1), CLR_INVALID) << "the file's own width";
            EXPECT_EQ(GetPixel(memory, width - 1, height), CLR_INVALID) << "the file's own height";
            std::vector<unsigned char> rgb;
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++) {
                    COLORREF pixel = GetPixel(memory, x, y);
                    rgb.insert(rgb.end(), {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)});
                }
            // Files from 16-bit sources may round a channel either way: for
            // them only the size is checked here.
            unsigned char sha[32];
            std::string hex;
            EVP_Digest(rgb.data(), rgb.size(), sha, nullptr, EVP_sha256(), nullptr);
            for (unsigned char byte : sha)
                hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
            EXPECT_TRUE(match != "exact" || hex == digest);
            SelectObject(memory, previous);
            EXPECT_TRUE(DeleteObject(bitmap));
        }
    DeleteDC(memory);
    EXPECT_EQ(checked, 27) << "test images not found under " << suite;
}

TEST_F(BitmapFileTest, BadMissingTruncatedOrUnsuitableSourcesAreRefusedOrReadHarmlessly)
{
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(suite + "/bad"))
        files++, DeleteObject(Load(entry.path().string()));
    EXPECT_GE(files, 20);
    EXPECT_EQ(Load(suite + "/bad/reallybig.bmp"), nullptr);
    for (const char *name : {"/good/no-such-file.bmp", "/good", "/good/EXPECTED.txt"})
        EXPECT_EQ(Load(suite + name), nullptr) << name;
    std::ifstream in(suite + "/good/rgb24.bmp", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t keep : {size_t(0), size_t(20), size_t(54), bytes.size() - 1})
        EXPECT_EQ(Load_Bytes(bytes.substr(0, keep)), nullptr) << keep << " bytes";
}

TEST_F(BitmapFileTest, SixteenBitFieldsOfOddWidthSkipTheRowPadding)
{
    // Three pixels a row, 4 bits a channel at the top of each 16-bit word:
    // six bytes of pixels and two of padding per row, bottom row first.
    std::string file = "BM";
    auto put = [&file](uint32_t value, int bytes) {
        for (int k = 0; k < bytes; k++, value >>= 8)
            file += char(value & 0xFF);
    };
    put(14 + 40 + 12 + 16, 4), put(0, 4), put(14 + 40 + 12, 4);
    put(40, 4), put(3, 4), put(2, 4), put(1, 2), put(16, 2), put(3, 4), put(16, 4);
    put(0, 16), put(0xF000, 4), put(0x0F00, 4), put(0x00F0, 4);
    const uint32_t bottom[3] = {0x1230, 0x4560, 0x7890}, top[3] = {0xABC0, 0xDEF0, 0x0120};
    for (const uint32_t *row : {bottom, top})
        put(row[0], 2), put(row[1], 2), put(row[2], 2), put(0xFFFF, 2);
    // The same file with the alpha bit-field compression (6) decodes alike.
    for (char compression : {3, 6}) {
        SCOPED_TRACE(int(compression));
        file[30] = compression;
        HBITMAP bitmap = Load_Bytes(file);
        ASSERT_NE(bitmap, nullptr);
        HDC memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, bitmap);
        for (int y = 0; y < 2; y++)
            for (int x = 0; x < 3; x++) {
                const uint32_t word = (y == 0 ? top : bottom)[x];
                EXPECT_EQ(GetPixel(memory, x, y),
                          RGB((word >> 12) * 17, (word >> 8 & 15) * 17, (word >> 4 & 15) * 17))
                    << x << "," << y;
            }
        EXPECT_EQ(GetPixel(memory, 3, 0), CLR_INVALID);
        EXPECT_EQ(Load_Bytes(file.substr(0, file.size() - 1)), nullptr) << "one byte short";
        DeleteDC(memory);
        DeleteObject(bitmap);
    }
}
