// Loading BMP files: every well-formed file of the test suite decodes to its
// published pixels. (Malformed ones are the hostile files' test; missing,
// empty and cut-short ones the application's.)
#include "platform/bmp_header.h"
#include "sha256.h"
#include "window_fixture.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

const std::string suite = QV_BMPSUITE_DIR;

HBITMAP Load(const std::string &path)
{
    return (HBITMAP)LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

// Appends value's lowest bytes, least significant first.
void Put(std::string &bytes, uint32_t value, int count)
{
    for (int k = 0; k < count; k++, value >>= 8)
        bytes += char(value & 0xFF);
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
            // The file's own width and height.
            EXPECT_EQ(GetPixel(memory, width, height - 1), CLR_INVALID);
            EXPECT_EQ(GetPixel(memory, width - 1, height), CLR_INVALID);
            std::vector<unsigned char> rgb;
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++) {
                    COLORREF pixel = GetPixel(memory, x, y);
                    rgb.insert(rgb.end(), {GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)});
                }
            // Files from 16-bit sources may round a channel either way: for
            // them only the size is checked here.
            EXPECT_TRUE(match != "exact" || Sha256_Hex(rgb.data(), rgb.size()) == digest);
            SelectObject(memory, previous);
            EXPECT_TRUE(DeleteObject(bitmap));
        }
    DeleteDC(memory);
    EXPECT_EQ(checked, 27) << "test images not found under " << suite;
}

TEST_F(BitmapFileTest, SixteenBitFieldsOfOddWidthSkipTheRowPadding)
{
    // Three pixels a row, 4 bits a channel at the top of each 16-bit word:
    // six bytes of pixels and two of padding per row, bottom row first.
    std::string file = "BM";
    Put(file, 14 + 40 + 12 + 16, 4), Put(file, 0, 4), Put(file, 14 + 40 + 12, 4);
    Put(file, 40, 4), Put(file, 3, 4), Put(file, 2, 4), Put(file, 1, 2), Put(file, 16, 2);
    Put(file, 3, 4), Put(file, 16, 4), Put(file, 0, 16);
    Put(file, 0xF000, 4), Put(file, 0x0F00, 4), Put(file, 0x00F0, 4);
    const uint32_t rows[2][3] = {{0xABC0, 0xDEF0, 0x0120}, {0x1230, 0x4560, 0x7890}};
    const COLORREF colours[6] = {0xCCBBAA, 0xFFEEDD, 0x221100, 0x332211, 0x665544, 0x998877};
    const size_t rowsAt = file.size();
    for (int y : {1, 0})
        Put(file, rows[y][0], 2), Put(file, rows[y][1], 2), Put(file, rows[y][2], 2),
            Put(file, 0xFFFF, 2);
    // The same file with the alpha bit-field compression (6) decodes alike,
    // and so does each stored top-down (a negative height, top row first).
    std::string topDown = file.substr(0, rowsAt) + file.substr(rowsAt + 8) + file.substr(rowsAt, 8);
    topDown.replace(22, 4, "\xFE\xFF\xFF\xFF");
    for (std::string bytes : {file, topDown})
        for (char compression : {3, 6}) {
            bytes[30] = compression;
            SCOPED_TRACE(std::to_string(compression) + (bytes[25] ? " top-down" : " bottom-up"));
            HBITMAP bitmap = Load_Bytes(bytes);
            ASSERT_NE(bitmap, nullptr);
            HDC memory = CreateCompatibleDC(nullptr);
            SelectObject(memory, bitmap);
            for (int k = 0; k < 6; k++)
                EXPECT_EQ(GetPixel(memory, k % 3, k / 3), colours[k]) << k;
            // Drawing stops at the last column instead of wrapping.
            EXPECT_EQ(SetPixel(memory, 3, 0, 0x0A0B0C), CLR_INVALID);
            EXPECT_EQ(Load_Bytes(bytes.substr(0, bytes.size() - 1)), nullptr) << "one byte short";
            DeleteDC(memory);
            DeleteObject(bitmap);
        }
}

// The header's verdict on a file's size: the limits of the pixels are the
// hostile files' to test; the bytes count apart, and the application words
// the two differently.
TEST(BmpHeaderTest, TheFilesBytesHaveALimitOfTheirOwn)
{
    std::string bytes = "BM";
    Put(bytes, 78, 4), Put(bytes, 0, 4), Put(bytes, 54, 4), Put(bytes, 40, 4), Put(bytes, 3, 4);
    Put(bytes, 2, 4), Put(bytes, 1, 2), Put(bytes, 24, 2), Put(bytes, 0, 24);
    BmpHeader read;
    for (auto [size, verdict] :
         {std::pair{Max_File_Size, Bmp_Good}, {Max_File_Size + 1, Bmp_Too_Large}})
        EXPECT_EQ(Read_Bmp_Header(reinterpret_cast<const unsigned char *>(bytes.data()),
                                  bytes.size(), size, &read),
                  verdict);
    EXPECT_FALSE(Bmp_Too_Many_Pixels(read));
}

TEST_F(BitmapFileTest, GetDIBitsGivesTheRowsAskedForAsBlueGreenRedBytes)
{
    HBITMAP bitmap = Load(suite + "/good/rgb24.bmp");
    HDC memory = CreateCompatibleDC(nullptr), reader = CreateCompatibleDC(nullptr);
    // The size alone, as a bottom-up 32-bit DIB.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    ASSERT_NE(GetDIBits(reader, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    const int width = 127, height = 64;
    EXPECT_EQ((std::vector<int>{info.bmiHeader.biWidth, info.bmiHeader.biHeight,
                                info.bmiHeader.biBitCount}),
              (std::vector<int>{width, height, 32}));
    // The pixels as GetPixel sees them, row y from the top; while the bitmap
    // is selected into a context it is not read.
    SelectObject(memory, bitmap);
    std::vector<COLORREF> expected;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            expected.push_back(GetPixel(memory, x, y));
    std::vector<unsigned char> bits(static_cast<size_t>(width) * height * 4, 0xAB);
    EXPECT_EQ(GetDIBits(reader, bitmap, 0, height, bits.data(), &info, DIB_RGB_COLORS), 0);
    DeleteDC(memory);
    // The top ten rows bottom-up (scan lines height - 10 to height - 1), the
    // whole bitmap top-down (lines beyond it not counted), and other formats
    // and sizes refused: blue, green, red and a zero byte against row y.
    const struct {
        int height, start, lines, bitCount, width, got;
    } reads[] = {{height, height - 10, 10, 32, width, 10},
                 {-height, 0, height + 5, 32, width, height},
                 {height, 0, height, 24, width, 0},
                 {height, 0, height, 32, width - 1, 0}};
    for (const auto &r : reads) {
        info.bmiHeader.biHeight = r.height, info.bmiHeader.biBitCount = WORD(r.bitCount);
        info.bmiHeader.biWidth = r.width;
        EXPECT_EQ(GetDIBits(reader, bitmap, UINT(r.start), UINT(r.lines), bits.data(), &info,
                            DIB_RGB_COLORS),
                  r.got);
        for (int k = 0; k < r.got; k++)
            for (int x : {0, 1, 63, width - 1}) {
                const unsigned char *p = &bits[(static_cast<size_t>(k) * width + x) * 4];
                EXPECT_EQ(RGB(p[2], p[1], p[0]) | p[3] << 24,
                          expected[size_t(r.height > 0 ? 9 - k : k) * width + x])
                    << k << "," << x;
            }
    }
    DeleteDC(reader);
    DeleteObject(bitmap);
}
