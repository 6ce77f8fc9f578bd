// The device-independent bitmap format, as stored in .bmp files and inside icons: parsing and
// checking its structure, reading its pixels, and building new bitmaps.
//
// A BMP file is a BITMAPFILEHEADER (14 bytes: "BM", file size, two reserved words, offset of the
// pixel data), an info header, optional colour masks, a palette and the pixel data. Info headers
// by size: 12 (BITMAPCOREHEADER: 16-bit sizes, 3-byte palette entries), 40 (BITMAPINFOHEADER),
// 52 and 56 (with the colour masks), 108 (V4) and 124 (V5). Depths 1, 4, 8, 16, 24 and 32 bits;
// compression BI_RGB, BI_RLE8 (8 bits), BI_RLE4 (4 bits) and BI_BITFIELDS (16 and 32 bits). Rows
// are padded to 4 bytes and stored bottom-up, or top-down when the height is negative (never for
// compressed data).
//
// The parser checks everything it relies on: the header's fields and their combinations, that the
// masks are contiguous and disjoint, that the palette, the masks, the colour profile and the pixel
// data lie inside the data, that width x height x bits does not overflow, and (for RLE data) that
// every run, delta and absolute block stays inside the image and the data. A failed check raises
// TGraphicFormatError with the reason.
#pragma once

#include "platform/vcl/GraphicData.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vcl::detail {

inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;

inline constexpr std::size_t BmpFileHeaderSize = 14;
// Each side of a bitmap is at most this many pixels, and the whole at most MaxBitmapPixels: far
// beyond any picture a database column holds, and small enough that width x height x 32 bits and
// every offset computed from them fit comfortably in 64-bit arithmetic.
inline constexpr std::int64_t MaxBitmapSide = 1 << 20;
inline constexpr std::int64_t MaxBitmapPixels = std::int64_t(1) << 28;

// One palette entry or pixel colour (the byte order of RGBQUAD).
struct TRgbQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Alpha = 0;
    friend bool operator==(const TRgbQuad&, const TRgbQuad&) = default;
};

// Where the parts of a checked DIB lie in the data, and its geometry. Offsets are from the start
// of the data the parser was given; every range named here lies inside it.
struct TDibLayout {
    std::size_t HeaderAt = 0;      // the info header
    std::uint32_t HeaderSize = 0;  // 12, 40, 52, 56, 108 or 124
    std::int32_t Width = 0;        // > 0
    std::int32_t Height = 0;       // > 0: rows of the image (of the colour part, for an icon)
    bool TopDown = false;          // first stored row is the top one
    std::uint16_t BitCount = 0;    // 1, 4, 8, 16, 24 or 32
    std::uint32_t Compression = 0; // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS
    bool CorePalette = false;      // 3-byte palette entries (BITMAPCOREHEADER)
    std::uint32_t ColorCount = 0;  // palette entries present at PaletteAt
    std::size_t PaletteAt = 0;
    // Red, green, blue, alpha: the bitfields, or the masks BI_RGB implies for 16 and 32 bits
    // (5-5-5, and 8-8-8 with the fourth byte as alpha). Zero for palette depths.
    std::array<std::uint32_t, 4> Masks{};
    std::size_t BitsAt = 0;   // the pixel data
    std::size_t BitsSize = 0; // its bytes (compressed size for RLE)
    std::size_t Stride = 0;   // bytes per row when uncompressed
};

// Bytes per row of an uncompressed image (rows padded to 4 bytes).
constexpr std::uint64_t DibStride(std::uint64_t width, std::uint64_t bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// Checks a whole BMP file (file header first).
TDibLayout ParseBmpFile(TByteView data);
// Checks a DIB as stored in an icon: info header, palette, the colour (XOR) image and the 1-bit
// AND mask right after it, both Height rows; the stored height counts both. A 32-bit image may
// omit the mask.
TDibLayout ParseIconDib(TByteView image);

// The palette of a checked DIB, as 4-byte entries.
std::vector<TRgbQuad> DibPalette(TByteView data, const TDibLayout& dib);

// What a new bitmap is built as: the bit count, and for 16 bits whether it is 5-6-5 (stored with
// BI_BITFIELDS) rather than 5-5-5 (BI_RGB).
struct TDibFormat {
    std::uint16_t BitCount = 32;
    bool Rgb565 = false;
};

// The palette a new bitmap of that depth gets: 1 bit black and white; 4 bits the 16 standard
// colours; 8 bits those 16, a 6 x 6 x 6 colour cube and a grey ramp. Empty above 8 bits.
std::vector<TRgbQuad> DefaultPalette(std::uint16_t bitCount);

// Builds an uncompressed bottom-up BMP file (BITMAPINFOHEADER) of the given size and format.
// With a source (a checked DIB inside sourceData), the part of its image that overlaps the new
// one, anchored at the top-left corner, is carried over (converted to the new format: indexed
// targets take the nearest palette colour); the rest is white. An indexed target keeps the
// source's palette when the source has the same depth, and gets DefaultPalette otherwise.
// width and height must be positive and within the limits above.
TGraphicBytes BuildBmp(std::int32_t width, std::int32_t height, TDibFormat format, TByteView sourceData,
                       const TDibLayout* source);

// The colour of one pixel of an uncompressed checked DIB (x from the left, y from the top).
TRgbQuad DibPixel(TByteView data, const TDibLayout& dib, std::int32_t x, std::int32_t y);
// Every pixel of a checked DIB, top row first (RLE data decoded; pixels it leaves undefined are
// black). For tests and conversions of small images.
std::vector<TRgbQuad> DibPixels(TByteView data, const TDibLayout& dib);

} // namespace vcl::detail
