// Builders of small images for the picture tests, written byte by byte from the format layouts so
// that the tests do not depend on the code they check: BMP files of every header, depth and
// compression; icons with DIB and PNG images; enhanced and Windows metafiles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pictest {

using Bytes = std::string;

// Little-endian appenders and patchers.
void Put16(Bytes& b, std::uint32_t v);
void Put32(Bytes& b, std::uint32_t v);
void Set16(Bytes& b, std::size_t at, std::uint32_t v);
void Set32(Bytes& b, std::size_t at, std::uint32_t v);
std::uint32_t Get32(const Bytes& b, std::size_t at);

struct BmpFields {
    std::int32_t Width = 2;
    std::int32_t Height = 2; // negative: top-down
    std::uint16_t Bits = 24;
    std::uint32_t Compression = 0;      // 0 RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
    std::uint32_t HeaderSize = 40;      // 12, 40, 52, 56, 108, 124
    std::vector<std::uint32_t> Palette; // 0x00RRGGBB; written as 3 or 4 bytes per entry
    bool WriteColorsUsed = true;        // biClrUsed = Palette.size() (else 0)
    std::vector<std::uint32_t> Masks;   // red, green, blue[, alpha] for BITFIELDS
    Bytes Pixels;                       // raw pixel rows or RLE data, as stored
    std::size_t Gap = 0;                // bytes between the palette and the pixels
};
Bytes MakeBmp(const BmpFields& fields);

// Pixel rows with the padding a DIB needs: 'rows' gives each row's pixel bytes.
Bytes PadRows(const std::vector<Bytes>& rows);

// An icon DIB: info header (height doubled), palette of 2^bits entries for bits <= 8, colour
// rows filled with 'fill', then the AND mask (all zero).
Bytes MakeIconDib(int width, int height, int bits, std::uint8_t fill = 0);
// A real PNG (8-bit RGBA, stored deflate blocks) of the given size.
Bytes MakePng(int width, int height);
struct IconImage {
    int EntryWidth; // as written in the entry (256 -> 0)
    int EntryHeight;
    Bytes Data;
};
Bytes MakeIco(const std::vector<IconImage>& images);

// An enhanced metafile: header with the frame (0.01 mm, inclusive corners) and bounds, 'records'
// (each already a full record), then EMR_EOF. Sizes and counts are filled in.
Bytes MakeEmf(std::int32_t frameLeft, std::int32_t frameTop, std::int32_t frameRight,
              std::int32_t frameBottom, const std::vector<Bytes>& records = {});
// One EMF record of the given type with the given parameter bytes.
Bytes EmfRecord(std::uint32_t type, const Bytes& params);

// A Windows metafile: METAHEADER, a SetWindowExt record when the extent is not zero, then EOF.
// With inch != 0, a placeable header with the box (0, 0, boxRight, boxBottom) goes first.
Bytes MakeWmf(std::int16_t extentX, std::int16_t extentY, std::uint16_t inch = 0, std::int16_t boxRight = 0,
              std::int16_t boxBottom = 0);

} // namespace pictest
