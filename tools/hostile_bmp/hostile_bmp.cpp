// hostile_bmp [--seeds] DIR: writes hostile BMP files into DIR, afresh, for the
// loader's tests and the fuzzer's seed corpus: each header form at and past its
// size limits; negative, zero and 32-bit-wrapping sizes; compressions that do
// not fit the bit count; pixel data that starts past the end or stops inside
// the last row; RLE runs past the bitmap; absurd palette counts; zero,
// overlapping and broken channel masks.
//
// Each name starts with what a sound loader does with the file: "refused-",
// "decoded-", or "either-" where both are sound. With --seeds the one file that
// decodes to the largest picture accepted is left out: its mutants would
// allocate 384 MiB in every fuzzing run and slow the fuzzer a hundredfold.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// The file lists below give only the leading fields that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

enum HostileOutcome { Either, Refused, Decoded };

struct HostileBmp {
    std::string name;
    std::vector<unsigned char> bytes;
    HostileOutcome outcome;
};

struct BmpFields {
    uint32_t headerSize = 40;
    int64_t width = 8, height = 8;
    uint32_t bitCount = 8, compression = 0, colours = 0;
    int64_t pixelOffset = -1; // -1: right after header, masks and palette
    int64_t pixelBytes = -1;  // -1: all rows; the bytes are `fill` unless `pixels` is given
    unsigned char fill = 0x35;
    std::vector<unsigned char> pixels;
    std::vector<uint32_t> masks = {0xF800, 0x07E0, 0x001F};
};

std::vector<unsigned char> Make_Bmp(const BmpFields &f)
{
    std::vector<unsigned char> out;
    auto put = [&out](uint64_t value, int bytes) {
        for (int i = 0; i < bytes; i++)
            out.push_back((unsigned char)(value >> (8 * i)));
    };
    const bool core = f.headerSize == 12;
    const bool masksAfter = f.headerSize == 40 && (f.compression == 3 || f.compression == 6);
    uint64_t entries = f.colours != 0 ? f.colours : f.bitCount <= 8 ? 1u << f.bitCount : 0;
    entries = entries > 256 ? 256 : entries;
    const uint64_t rows = (uint64_t)(f.height < 0 ? -f.height : f.height) & 0xFFFFFFFF;
    const uint64_t stride = (((uint64_t)f.width & 0xFFFFFFFF) * f.bitCount + 31) / 32 * 4;
    uint64_t data = f.pixelBytes >= 0 ? (uint64_t)f.pixelBytes : stride * rows;
    data = f.pixels.empty() ? (data > 1 << 20 ? 64 : data) : f.pixels.size();
    const uint64_t offset = 14 + f.headerSize + (masksAfter ? 12 : 0) + entries * (core ? 3 : 4);
    put('B', 1), put('M', 1), put(offset + data, 4), put(0, 4);
    put(f.pixelOffset >= 0 ? (uint64_t)f.pixelOffset : offset, 4);
    put(f.headerSize, 4);
    if (core) {
        put((uint64_t)f.width, 2), put((uint64_t)f.height, 2), put(1, 2), put(f.bitCount, 2);
    } else {
        put((uint64_t)f.width, 4), put((uint64_t)f.height, 4), put(1, 2), put(f.bitCount, 2);
        put(f.compression, 4), put(0, 4), put(2835, 4), put(2835, 4), put(f.colours, 4);
        put(0, 4);
        for (size_t i = 40; i < f.headerSize; i += 4)
            put(i < 52 && f.headerSize >= 52 ? f.masks[(i - 40) / 4] : 0, 4);
        out.resize(14 + f.headerSize);
    }
    for (int i = 0; i < 3 && masksAfter; i++)
        put(f.masks[i], 4);
    for (uint64_t i = 0; i < entries; i++)
        put(0x00FFFFFF - i * 0x010101, core ? 3 : 4);
    if (f.pixels.empty())
        out.insert(out.end(), data, f.fill);
    out.insert(out.end(), f.pixels.begin(), f.pixels.end());
    return out;
}

std::vector<HostileBmp> Hostile_Bmp_Files()
{
    std::vector<HostileBmp> files;
    auto add = [&files](std::string name, HostileOutcome outcome, BmpFields f) {
        files.push_back({name + ".bmp", Make_Bmp(f), outcome});
    };
    for (uint32_t h : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        const std::string form = "h" + std::to_string(h) + "-";
        const HostileOutcome fits = h == 16 ? Refused : Decoded;
        add(form + "fine", fits, {h, 5, 3});
        add(form + "widest", fits, {h, 32768, 1});
        add(form + "tallest", fits, {h, 1, 32768});
        add(form + "too-wide", Refused, {h, 32769, 1});
        add(form + "too-tall", Refused, {h, 1, 32769});
        add(form + "tallest-u16", Refused, {h, 32768, 0xFFFF, 1, 0, 0, -1, 4096});
        add(form + "zero-wide", Refused, {h, 0, 4});
        add(form + "zero-tall", Refused, {h, 4, 0});
        add(form + "past-end", Refused, {h, 4, 4, 8, 0, 0, 0x7FFFFFFF});
        add(form + "inside-header", Refused, {h, 4, 4, 8, 0, 0, 14});
        add(form + "short-last-row", Refused, {h, 5, 5, 24, 0, 0, -1, 4 * 16 + 14});
        add(form + "unpadded-last-row", Refused, {h, 5, 5, 24, 0, 0, -1, 4 * 16 + 15});
    }
    for (int64_t big : {int64_t(-1), int64_t(INT32_MIN), int64_t(INT32_MAX), int64_t(65536)})
        for (int wide = 0; wide < 2; wide++)
            add("size" + std::to_string(big) + (wide ? "-wide" : "-tall"), Refused,
                {40, wide ? big : 65537, wide ? 65537 : big, 24, 0, 0, -1, 4096});
    add("topdown-widest", Decoded, {40, 32768, -4, 1});
    add("rle8-over-pixel-limit", Refused, {40, 32768, 1025, 8, 1, 0, -1, -1, 0, {0, 1}});
    // A few bytes of RLE may stand for the largest picture accepted.
    add("rle8-pixel-limit", Decoded, {40, 32768, 1024, 8, 1, 0, -1, -1, 0, {0, 1}});
    const uint32_t misfits[][2] = {{24, 3}, {24, 4}, {24, 5}, {24, 0xFFFFFFFF}, {24, 1},
                                   {8, 2},  {4, 1},  {24, 6}, {32, 4},          {8, 7}};
    for (const auto &m : misfits)
        add("bits" + std::to_string(m[0]) + "-compression" + std::to_string(m[1]), Refused,
            {40, 8, 8, m[0], m[1]});
    add("os2-huffman", Refused, {64, 16, 8, 1, 3});
    add("os2-rle24", Refused, {64, 8, 8, 24, 4});
    add("rle8-topdown", Refused, {40, 8, -8, 8, 1, 0, -1, -1, 0, {0, 1}});
    const std::vector<unsigned char> rle[] = {
        {255, 1, 255, 2, 255, 3, 0, 0, 0, 2, 255, 255, 9, 9, 0, 1},
        {0, 200, 1, 2, 3}, // absolute run past the end of the file
        {0, 2, 7, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 5}};
    for (size_t i = 0; i < 3; i++) {
        add("rle8-runs" + std::to_string(i), Either, {40, 8, 8, 8, 1, 0, -1, -1, 0, rle[i]});
        add("rle4-runs" + std::to_string(i), Either, {40, 8, 8, 4, 2, 0, -1, -1, 0, rle[i]});
    }
    for (uint32_t bits : {1u, 4u, 8u, 24u})
        for (uint32_t count : {(1u << (bits > 8 ? 8 : bits)) + 1, 0xFFFFFFFFu})
            add("bits" + std::to_string(bits) + "-colours" + std::to_string(count), Refused,
                {40, 8, 8, bits, 0, count});
    add("index-past-palette", Either, {40, 8, 8, 8, 0, 2, -1, -1, 0xFF});
    const std::vector<uint32_t> masks[] = {
        {0, 0, 0}, {0xFFFF, 0xFFFF, 0xFFFF}, {0x5555, 0xAAAA, 0x0F0F}, {0xFFFFFFFF, 0, 1}};
    for (size_t i = 0; i < 4; i++)
        for (uint32_t bits : {16u, 32u})
            for (uint32_t h : {40u, 56u})
                add("masks" + std::to_string(i) + "-bits" + std::to_string(bits) + "-h" +
                        std::to_string(h),
                    Either, {h, 8, 8, bits, i % 2 ? 6u : 3u, 0, -1, -1, 0x35, {}, masks[i]});
    return files;
}

const char *const outcomeNames[] = {"either-", "refused-", "decoded-"};

} // namespace

int main(int argc, char **argv)
{
    const bool seeds = argc == 3 && std::strcmp(argv[1], "--seeds") == 0;
    if (argc != 2 && !seeds)
        return 2;
    const std::filesystem::path directory = argv[argc - 1];
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    for (const HostileBmp &file : Hostile_Bmp_Files()) {
        if (seeds && file.name == "rle8-pixel-limit.bmp")
            continue;
        std::ofstream out(directory / (outcomeNames[file.outcome] + file.name), std::ios::binary);
        if (!out.write((const char *)file.bytes.data(), (std::streamsize)file.bytes.size()))
            return 1;
    }
    return 0;
}
