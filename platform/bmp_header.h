// The header of a BMP file, read once for everyone who looks at one: the
// loader decides from it whether to decode a file, and the application says
// from it why a file cannot be shown. Only the top-left 900 by 620 pixels are
// ever shown, so anything much larger is refused before it is decoded.
// Header-only, so that the Windows build, which has no platform library,
// refuses the same files with the same words.
#pragma once

#include <cstddef>
#include <cstdint>

// Width and height each at most this many pixels.
constexpr int64_t Max_Extent = 32768;
// Width times height at most this many pixels (2^25, for example 8192 by 4096).
constexpr int64_t Max_Pixels = int64_t(1) << 25;
// The file at most this many bytes (256 MiB).
constexpr int64_t Max_File_Size = int64_t(1) << 28;

// The first bytes of a file that hold every field read here.
constexpr std::size_t Bmp_Header_Bytes = 54;

constexpr uint32_t Compression_Rgb = 0;
constexpr uint32_t Compression_Rle8 = 1;
constexpr uint32_t Compression_Rle4 = 2;
constexpr uint32_t Compression_Bitfields = 3;
constexpr uint32_t Compression_Alpha_Bitfields = 6;

// BMP header fields are little-endian, whatever the machine.
inline uint32_t Read_U16(const unsigned char *p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

inline uint32_t Read_U32(const unsigned char *p)
{
    return Read_U16(p) | Read_U16(p + 2) << 16;
}

// What a loader that decodes only what it can bound does with a file.
enum BmpVerdict {
    Bmp_Good,        // decode it
    Bmp_Not_Bmp,     // no "BM" at the start
    Bmp_Too_Large,   // over the limits above, in pixels or in bytes
    Bmp_Truncated,   // shorter than its header (or the header itself) needs
    Bmp_Unsupported, // anything else no decoder here reads
};

struct BmpHeader {
    int64_t bytesRead; // of the file's start, as given
    int64_t fileSize;  // as given; negative when unknown
    uint32_t pixelOffset;
    uint32_t headerSize; // 12 for the OS/2 core header
    int64_t width;
    int64_t height; // negative: rows top-down
    int bitCount;
    uint32_t compression;
    // The bytes the file declares: the size in its file header, or what its
    // uncompressed rows need, if more. Negative when the header is too short
    // to tell.
    int64_t declaredSize;
};

inline int64_t Bmp_Row_Bytes(int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

inline int64_t Bmp_Rows(const BmpHeader &header)
{
    return header.height < 0 ? -header.height : header.height;
}

inline bool Bmp_Too_Many_Pixels(const BmpHeader &header)
{
    const int64_t rows = Bmp_Rows(header);
    return header.width > Max_Extent || rows > Max_Extent || header.width * rows > Max_Pixels;
}

// Whether a compression value means something for this header and bit count.
// The 64-byte header is the OS/2 one, whose value 3 is Huffman coding and 4 is
// 24-bit RLE, neither of which any decoder here reads.
inline bool Bmp_Compression_Fits(uint32_t compression, uint32_t headerSize, int bitCount,
                                 bool topDown)
{
    switch (compression) {
    case Compression_Rgb:
        return true;
    case Compression_Rle8:
        return bitCount == 8 && !topDown;
    case Compression_Rle4:
        return bitCount == 4 && !topDown;
    case Compression_Bitfields:
    case Compression_Alpha_Bitfields:
        return headerSize != 64 && (bitCount == 16 || bitCount == 32);
    default:
        return false;
    }
}

// Whether the fields describe a file whose decoding is bounded: at most
// Max_Pixels pixels, so that no decoder's surface, conversion or pixel array
// exceeds 4 * Max_Pixels bytes (128 MiB), and, for uncompressed rows, every
// row in the file, padding included, as the decoders read them.
inline bool Bmp_Decodable(const unsigned char *data, std::size_t got, const BmpHeader &header)
{
    uint32_t planes = 0;
    uint32_t colours = 0;
    switch (header.headerSize) {
    case 12:
        planes = Read_U16(data + 22);
        break;
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        if (got < 14 + 40)
            return false;
        planes = Read_U16(data + 26);
        colours = Read_U32(data + 46);
        break;
    default: // the 16-byte OS/2 header included: no decoder here reads its sizes
        return false;
    }
    const bool topDown = header.height < 0;
    const int64_t rows = Bmp_Rows(header);
    if (planes != 1 || header.width < 1 || rows < 1)
        return false;
    switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (!Bmp_Compression_Fits(header.compression, header.headerSize, header.bitCount, topDown) ||
        colours > (header.bitCount <= 8 ? 1u << header.bitCount : 256u) ||
        header.pixelOffset < 14 + header.headerSize || header.pixelOffset >= header.fileSize)
        return false;
    if (header.compression == Compression_Rle8 || header.compression == Compression_Rle4)
        return true;
    return header.pixelOffset + Bmp_Row_Bytes(header.width, header.bitCount) * rows <=
           header.fileSize;
}

// Reads the header from the first `got` bytes of a file of `fileSize` bytes
// (negative when unknown; for a file held in memory, got and fileSize are the
// same). The 12-byte header's sizes are unsigned 16-bit, the others' signed
// 32-bit, as the decoders read them.
inline BmpVerdict Read_Bmp_Header(const unsigned char *data, std::size_t got, int64_t fileSize,
                                  BmpHeader *header)
{
    *header = BmpHeader{};
    header->bytesRead = static_cast<int64_t>(got);
    header->fileSize = fileSize;
    header->declaredSize = -1;
    if (got < 2 || data[0] != 'B' || data[1] != 'M')
        return Bmp_Not_Bmp;
    const bool core = got >= 18 && Read_U32(data + 14) == 12;
    if (got < (core ? 26u : 34u))
        return Bmp_Truncated;
    header->pixelOffset = Read_U32(data + 10);
    header->headerSize = Read_U32(data + 14);
    header->width = core ? int64_t{Read_U16(data + 18)} : int32_t(Read_U32(data + 18));
    header->height = core ? int64_t{Read_U16(data + 20)} : int32_t(Read_U32(data + 22));
    header->bitCount = static_cast<int>(Read_U16(data + (core ? 24 : 28)));
    header->compression = core ? Compression_Rgb : Read_U32(data + 30);
    if (Bmp_Too_Many_Pixels(*header) || fileSize > Max_File_Size)
        return Bmp_Too_Large;

    header->declaredSize = Read_U32(data + 2);
    const int bits = header->bitCount;
    const bool knownDepth =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (knownDepth && header->width > 0 && header->compression == Compression_Rgb) {
        const int64_t rowsEnd =
            header->pixelOffset + Bmp_Row_Bytes(header->width, bits) * Bmp_Rows(*header);
        header->declaredSize = rowsEnd > header->declaredSize ? rowsEnd : header->declaredSize;
    }
    if (Bmp_Decodable(data, got, *header))
        return Bmp_Good;
    return fileSize >= 0 && fileSize < header->declaredSize ? Bmp_Truncated : Bmp_Unsupported;
}
