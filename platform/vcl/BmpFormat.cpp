// Device-independent bitmaps: parsing, RLE walking, pixel access and building.
#include "platform/vcl/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <unordered_map>

namespace vcl::detail {

namespace {

constexpr std::uint32_t ProfileLinked = 0x4C494E4B;   // 'LINK'
constexpr std::uint32_t ProfileEmbedded = 0x4D424544; // 'MBED'

bool ValidHeaderSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Masks must be non-empty runs of bits inside the pixel, and must not overlap one another.
void CheckMasks(const std::array<std::uint32_t, 4>& masks, std::uint16_t bitCount) {
    const std::uint64_t pixelBits = bitCount >= 32 ? 0xFFFFFFFFull : ((1ull << bitCount) - 1);
    std::uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t m = masks[static_cast<std::size_t>(i)];
        if (m == 0) {
            if (i < 3) FormatError("a colour mask is empty");
            continue;
        }
        if ((m & ~pixelBits) != 0) FormatError("a colour mask lies outside the pixel");
        const std::uint32_t shifted = m >> std::countr_zero(m);
        if ((shifted & (shifted + 1)) != 0) FormatError("a colour mask is not contiguous");
        if ((seen & m) != 0) FormatError("the colour masks overlap");
        seen |= m;
    }
}

// Reads the size fields of the info header at 'at' (core or info layout) and checks the
// dimensions. Returns biClrUsed (0 for a core header). For an icon the stored height is doubled.
std::uint32_t ReadDimensions(TByteView data, std::size_t at, bool icon, TDibLayout& dib) {
    std::int64_t width, height;
    std::uint16_t planes;
    std::uint32_t colorsUsed = 0;
    if (dib.HeaderSize == 12) {
        dib.CorePalette = true;
        width = GetU16(data, at + 4);
        height = GetU16(data, at + 6);
        planes = GetU16(data, at + 8);
        dib.BitCount = GetU16(data, at + 10);
        dib.Compression = BI_RGB;
    } else {
        width = GetI32(data, at + 4);
        height = GetI32(data, at + 8);
        planes = GetU16(data, at + 12);
        dib.BitCount = GetU16(data, at + 14);
        dib.Compression = GetU32(data, at + 16);
        colorsUsed = GetU32(data, at + 32);
    }
    if (planes != 1) FormatError("the plane count is not 1");
    if (width <= 0) FormatError("the width is not positive");
    if (height == 0) FormatError("the height is zero");
    dib.TopDown = height < 0;
    height = height < 0 ? -height : height; // 64-bit: the most negative height negates safely
    if (icon) {
        if (dib.TopDown) FormatError("an icon image cannot be top-down");
        height /= 2;
        if (height == 0) FormatError("the height is zero");
    }
    if (width > MaxBitmapSide || height > MaxBitmapSide || width * height > MaxBitmapPixels)
        FormatError("the dimensions are too large");
    dib.Width = static_cast<std::int32_t>(width);
    dib.Height = static_cast<std::int32_t>(height);
    return colorsUsed;
}

// The bit depth and the compression: each supported, and fit for each other.
void CheckDepthAndCompression(const TDibLayout& dib, bool icon) {
    switch (dib.BitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 16:
    case 32:
        if (dib.CorePalette) FormatError("the bit depth is not supported with this header");
        break;
    default:
        FormatError("the bit depth is not supported");
    }
    switch (dib.Compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
        if (dib.BitCount != 8) FormatError("RLE8 compression needs 8 bits per pixel");
        break;
    case BI_RLE4:
        if (dib.BitCount != 4) FormatError("RLE4 compression needs 4 bits per pixel");
        break;
    case BI_BITFIELDS:
        if (dib.BitCount != 16 && dib.BitCount != 32) FormatError("bit fields need 16 or 32 bits per pixel");
        break;
    default:
        FormatError("the compression is not supported");
    }
    const bool rle = dib.Compression == BI_RLE8 || dib.Compression == BI_RLE4;
    if (rle && dib.TopDown) FormatError("a compressed bitmap cannot be top-down");
    if (rle && icon) FormatError("an icon image cannot be compressed");
}

// The colour masks: inside the larger headers, or three double words after the 40-byte header;
// implied by the depth without bit fields. Returns where what follows the header and its masks
// begins.
std::size_t ReadMasks(TByteView data, std::size_t at, TDibLayout& dib) {
    std::size_t afterHeader = at + dib.HeaderSize;
    if (dib.Compression == BI_BITFIELDS) {
        std::size_t masksAt = at + 40;
        if (dib.HeaderSize == 40) {
            if (!InRange(afterHeader, 12, data.size()))
                FormatError("the colour masks run past the end of the data");
            afterHeader += 12;
        }
        for (std::size_t i = 0; i < 3; ++i)
            dib.Masks[i] = GetU32(data, masksAt + 4 * i);
        if (dib.HeaderSize >= 56) dib.Masks[3] = GetU32(data, at + 52);
        CheckMasks(dib.Masks, dib.BitCount);
    } else if (dib.BitCount == 16) {
        dib.Masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else if (dib.BitCount == 32) {
        dib.Masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    }
    return afterHeader;
}

// The palette at 'paletteAt': all 2^bits entries for the core header, else biClrUsed (0: all of
// them).
void ReadPaletteLayout(TByteView data, std::size_t paletteAt, std::uint32_t colorsUsed, TDibLayout& dib) {
    const std::uint64_t fullPalette = dib.BitCount <= 8 ? (1u << dib.BitCount) : 0;
    std::uint64_t colors = dib.CorePalette || colorsUsed == 0 ? fullPalette : colorsUsed;
    if (dib.BitCount <= 8 && colors > fullPalette)
        FormatError("the palette is larger than the bit depth allows");
    const std::uint64_t entrySize = dib.CorePalette ? 3 : 4;
    if (!InRange(paletteAt, colors * entrySize, data.size()))
        FormatError("the palette runs past the end of the data");
    dib.PaletteAt = paletteAt;
    dib.ColorCount = static_cast<std::uint32_t>(colors);
}

// A V5 header may point at a colour profile, relative to the header's start: it must lie inside
// the data.
void CheckColourProfile(TByteView data, std::size_t at, const TDibLayout& dib) {
    if (dib.HeaderSize != 124) return;
    const std::uint32_t csType = GetU32(data, at + 56);
    if (csType != ProfileLinked && csType != ProfileEmbedded) return;
    const std::uint64_t profileAt = std::uint64_t(at) + GetU32(data, at + 112);
    if (!InRange(profileAt, GetU32(data, at + 116), data.size()))
        FormatError("the colour profile runs past the end of the data");
}

// Reads and checks the info header at 'at', its masks and its palette. Leaves BitsAt, BitsSize
// to the caller, which knows where the pixels are. For an icon the stored height is doubled.
TDibLayout ReadDibHeader(TByteView data, std::size_t at, bool icon) {
    TDibLayout dib;
    dib.HeaderAt = at;
    if (!InRange(at, 4, data.size())) FormatError("the data ends before the bitmap header");
    dib.HeaderSize = GetU32(data, at);
    if (!ValidHeaderSize(dib.HeaderSize)) FormatError("the bitmap header has an unknown size");
    if (!InRange(at, dib.HeaderSize, data.size()))
        FormatError("the bitmap header runs past the end of the data");

    const std::uint32_t colorsUsed = ReadDimensions(data, at, icon, dib);
    CheckDepthAndCompression(dib, icon);
    const std::size_t afterHeader = ReadMasks(data, at, dib);
    ReadPaletteLayout(data, afterHeader, colorsUsed, dib);
    CheckColourProfile(data, at, dib);

    const std::uint64_t stride = DibStride(static_cast<std::uint64_t>(dib.Width), dib.BitCount);
    const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(dib.Height);
    if (imageBytes > static_cast<std::uint64_t>(MaxGraphicBytes)) FormatError("the image is too large");
    dib.Stride = static_cast<std::size_t>(stride);
    return dib;
}

// Walks RLE data, calling sink(x, row, index) for every pixel it sets (row counted in storage
// order, so 0 is the bottom row). Checks that every run, absolute block and delta stays inside
// the image and the data. Data that ends without the end-of-bitmap mark ends the image there.
template <class Sink>
void WalkRle(TByteView bits, std::int32_t width, std::int32_t height, bool rle4, Sink&& sink) {
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    const std::uint64_t h = static_cast<std::uint64_t>(height);
    std::uint64_t x = 0, y = 0;
    std::size_t i = 0;
    const std::size_t n = bits.size();
    while (i < n) {
        if (n - i < 2) FormatError("a compressed run is cut off");
        const std::uint8_t count = bits[i];
        const std::uint8_t value = bits[i + 1];
        i += 2;
        if (count > 0) { // encoded run: count pixels of one value (RLE4: two alternating)
            if (y >= h) FormatError("a compressed run lies past the last row");
            if (x + count > w) FormatError("a compressed run passes the end of its row");
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint8_t index = rle4 ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value;
                sink(x + k, y, index);
            }
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            if (y > h) FormatError("a compressed row lies past the last row");
            break;
        case 1: // end of bitmap
            return;
        case 2: { // delta: move right and up
            if (n - i < 2) FormatError("a compressed delta is cut off");
            x += bits[i];
            y += bits[i + 1];
            i += 2;
            if (x > w || y > h) FormatError("a compressed delta moves past the image");
            break;
        }
        default: { // absolute block: 'value' pixels stored as they are, padded to a word
            const std::size_t bytes = rle4 ? (value + 1u) / 2u : value;
            if (n - i < bytes) FormatError("a compressed block is cut off");
            if (y >= h) FormatError("a compressed block lies past the last row");
            if (x + value > w) FormatError("a compressed block passes the end of its row");
            for (std::uint32_t k = 0; k < value; ++k) {
                const std::uint8_t b = bits[i + (rle4 ? k / 2 : k)];
                const std::uint8_t index = rle4 ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b;
                sink(x + k, y, index);
            }
            x += value;
            i += std::min<std::size_t>((bytes + 1) & ~std::size_t(1), n - i);
            break;
        }
        }
    }
}

bool IsRle(const TDibLayout& dib) {
    return dib.Compression == BI_RLE8 || dib.Compression == BI_RLE4;
}

void CheckRle(TByteView data, const TDibLayout& dib) {
    WalkRle(data.subspan(dib.BitsAt, dib.BitsSize), dib.Width, dib.Height, dib.Compression == BI_RLE4,
            [](std::uint64_t, std::uint64_t, std::uint8_t) {});
}

// One channel of a bitfield pixel scaled to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const int width = std::popcount(mask);
    const std::uint32_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<std::uint8_t>(v >> (width - 8));
    const std::uint32_t max = (1u << width) - 1;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
}

TRgbQuad PaletteEntry(TByteView data, const TDibLayout& dib, std::uint32_t index) {
    if (index >= dib.ColorCount) return TRgbQuad{};
    const std::size_t at = dib.PaletteAt + index * (dib.CorePalette ? 3u : 4u);
    return TRgbQuad{data[at], data[at + 1], data[at + 2], 0};
}

std::uint32_t PixelIndex(const std::uint8_t* row, std::uint16_t bitCount, std::int32_t x) {
    const auto ux = static_cast<std::size_t>(x);
    switch (bitCount) {
    case 1:
        return (row[ux >> 3] >> (7 - (ux & 7))) & 1u;
    case 4:
        return (row[ux >> 1] >> ((ux & 1) ? 0 : 4)) & 0x0Fu;
    default:
        return row[ux];
    }
}

const std::uint8_t* StoredRow(TByteView data, const TDibLayout& dib, std::int32_t y) {
    const std::int32_t stored = dib.TopDown ? y : dib.Height - 1 - y;
    return data.data() + dib.BitsAt + static_cast<std::size_t>(stored) * dib.Stride;
}

// --- Building -----------------------------------------------------------------------------------

// Writes pixels into the uncompressed bottom-up image of a new bitmap.
class TDibWriter {
public:
    TDibWriter(TGraphicBytes& data, std::size_t bitsAt, std::int32_t width, std::int32_t height,
               TDibFormat format, const std::vector<TRgbQuad>& palette)
        : FData(data), FBitsAt(bitsAt), FHeight(height), FFormat(format), FPalette(palette),
          FStride(static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(width), format.BitCount))) {}

    std::uint8_t* Row(std::int32_t y) {
        return FData.data() + FBitsAt + static_cast<std::size_t>(FHeight - 1 - y) * FStride;
    }

    void PutIndex(std::int32_t x, std::int32_t y, std::uint32_t index) {
        std::uint8_t* row = Row(y);
        const auto ux = static_cast<std::size_t>(x);
        switch (FFormat.BitCount) {
        case 1: {
            const auto bit = static_cast<std::uint8_t>(0x80u >> (ux & 7));
            row[ux >> 3] = static_cast<std::uint8_t>((row[ux >> 3] & ~bit) | ((index & 1) ? bit : 0));
            break;
        }
        case 4: {
            const int shift = (ux & 1) ? 0 : 4;
            row[ux >> 1] =
                static_cast<std::uint8_t>((row[ux >> 1] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
            break;
        }
        default:
            row[ux] = static_cast<std::uint8_t>(index);
            break;
        }
    }

    void PutColor(std::int32_t x, std::int32_t y, TRgbQuad c) {
        if (FFormat.BitCount <= 8) {
            PutIndex(x, y, Nearest(c));
            return;
        }
        std::uint8_t* p = Row(y) + static_cast<std::size_t>(x) * (FFormat.BitCount / 8u);
        switch (FFormat.BitCount) {
        case 16: {
            const std::uint16_t v =
                FFormat.Rgb565
                    ? static_cast<std::uint16_t>(((c.Red >> 3) << 11) | ((c.Green >> 2) << 5) | (c.Blue >> 3))
                    : static_cast<std::uint16_t>(((c.Red >> 3) << 10) | ((c.Green >> 3) << 5) |
                                                 (c.Blue >> 3));
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            break;
        }
        case 24:
            p[0] = c.Blue;
            p[1] = c.Green;
            p[2] = c.Red;
            break;
        default:
            p[0] = c.Blue;
            p[1] = c.Green;
            p[2] = c.Red;
            p[3] = c.Alpha;
            break;
        }
    }

    // The palette index closest to a colour (squared distance; first of equals), remembered.
    std::uint32_t Nearest(TRgbQuad c) {
        const std::uint32_t key = (std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8) | c.Blue;
        if (auto it = FCache.find(key); it != FCache.end()) return it->second;
        std::uint32_t best = 0;
        std::int32_t bestDistance = INT32_MAX;
        for (std::size_t i = 0; i < FPalette.size(); ++i) {
            const std::int32_t dr = c.Red - FPalette[i].Red, dg = c.Green - FPalette[i].Green,
                               db = c.Blue - FPalette[i].Blue;
            const std::int32_t d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = static_cast<std::uint32_t>(i);
                if (d == 0) break;
            }
        }
        FCache.emplace(key, best);
        return best;
    }

private:
    TGraphicBytes& FData;
    std::size_t FBitsAt;
    std::int32_t FHeight;
    TDibFormat FFormat;
    const std::vector<TRgbQuad>& FPalette;
    std::size_t FStride;
    std::unordered_map<std::uint32_t, std::uint32_t> FCache;
};

} // namespace

TDibLayout ParseBmpFile(TByteView data) {
    if (data.size() < BmpFileHeaderSize) FormatError("the data ends before the file header");
    if (data[0] != 'B' || data[1] != 'M') FormatError("the signature is not BM");
    const std::uint32_t bitsOffset = GetU32(data, 10);
    TDibLayout dib = ReadDibHeader(data, BmpFileHeaderSize, false);
    const std::uint64_t headersEnd = BmpFileHeaderSize + std::uint64_t(dib.HeaderSize) +
                                     (dib.Compression == BI_BITFIELDS && dib.HeaderSize == 40 ? 12 : 0);
    if (bitsOffset < headersEnd) FormatError("the pixel data offset points into the headers");
    if (bitsOffset > data.size()) FormatError("the pixel data offset lies past the end of the data");
    dib.BitsAt = bitsOffset;
    if (IsRle(dib)) {
        const std::uint32_t compressed = GetU32(data, BmpFileHeaderSize + 20);
        const std::size_t available = data.size() - bitsOffset;
        if (compressed > available) FormatError("the compressed data runs past the end of the data");
        dib.BitsSize = compressed != 0 ? compressed : available;
        CheckRle(data, dib);
    } else {
        const std::uint64_t bytes = std::uint64_t(dib.Stride) * static_cast<std::uint64_t>(dib.Height);
        if (!InRange(bitsOffset, bytes, data.size()))
            FormatError("the pixel data runs past the end of the data");
        dib.BitsSize = static_cast<std::size_t>(bytes);
    }
    return dib;
}

TDibLayout ParseIconDib(TByteView image) {
    TDibLayout dib = ReadDibHeader(image, 0, true);
    const std::uint64_t colorBytes = std::uint64_t(dib.Stride) * static_cast<std::uint64_t>(dib.Height);
    const std::uint64_t maskBytes =
        DibStride(static_cast<std::uint64_t>(dib.Width), 1) * static_cast<std::uint64_t>(dib.Height);
    dib.BitsAt = dib.PaletteAt + dib.ColorCount * (dib.CorePalette ? 3u : 4u);
    if (!InRange(dib.BitsAt, colorBytes, image.size()))
        FormatError("the colour image runs past the end of the data");
    if (!InRange(dib.BitsAt + colorBytes, maskBytes, image.size()) && dib.BitCount != 32)
        FormatError("the mask runs past the end of the data");
    dib.BitsSize = static_cast<std::size_t>(colorBytes);
    return dib;
}

std::vector<TRgbQuad> DibPalette(TByteView data, const TDibLayout& dib) {
    std::vector<TRgbQuad> palette;
    palette.reserve(dib.ColorCount);
    for (std::uint32_t i = 0; i < dib.ColorCount; ++i)
        palette.push_back(PaletteEntry(data, dib, i));
    return palette;
}

std::vector<TRgbQuad> DefaultPalette(std::uint16_t bitCount) {
    auto rgb = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) { return TRgbQuad{b, g, r, 0}; };
    std::vector<TRgbQuad> palette;
    if (bitCount == 1) return {rgb(0, 0, 0), rgb(255, 255, 255)};
    if (bitCount != 4 && bitCount != 8) return palette;
    palette = {rgb(0, 0, 0),       rgb(128, 0, 0),   rgb(0, 128, 0),   rgb(128, 128, 0),
               rgb(0, 0, 128),     rgb(128, 0, 128), rgb(0, 128, 128), rgb(192, 192, 192),
               rgb(128, 128, 128), rgb(255, 0, 0),   rgb(0, 255, 0),   rgb(255, 255, 0),
               rgb(0, 0, 255),     rgb(255, 0, 255), rgb(0, 255, 255), rgb(255, 255, 255)};
    if (bitCount == 4) return palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(rgb(static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                                      static_cast<std::uint8_t>(b * 51)));
    for (int i = 1; palette.size() < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 10);
        palette.push_back(rgb(v, v, v));
    }
    return palette;
}

TRgbQuad DibPixel(TByteView data, const TDibLayout& dib, std::int32_t x, std::int32_t y) {
    assert(!IsRle(dib) && x >= 0 && x < dib.Width && y >= 0 && y < dib.Height);
    const std::uint8_t* row = StoredRow(data, dib, y);
    if (dib.BitCount <= 8) return PaletteEntry(data, dib, PixelIndex(row, dib.BitCount, x));
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * (dib.BitCount / 8u);
    if (dib.BitCount == 24) return TRgbQuad{p[0], p[1], p[2], 0};
    const std::uint32_t v = dib.BitCount == 16
                                ? std::uint32_t(p[0] | (p[1] << 8))
                                : std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) |
                                      (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
    return TRgbQuad{Channel(v, dib.Masks[2]), Channel(v, dib.Masks[1]), Channel(v, dib.Masks[0]),
                    Channel(v, dib.Masks[3])};
}

std::vector<TRgbQuad> DibPixels(TByteView data, const TDibLayout& dib) {
    const auto w = static_cast<std::size_t>(dib.Width);
    const auto h = static_cast<std::size_t>(dib.Height);
    std::vector<TRgbQuad> pixels;
    if (IsRle(dib)) {
        pixels.assign(w * h, PaletteEntry(data, dib, 0));
        WalkRle(data.subspan(dib.BitsAt, dib.BitsSize), dib.Width, dib.Height, dib.Compression == BI_RLE4,
                [&](std::uint64_t x, std::uint64_t row, std::uint8_t index) {
                    pixels[(h - 1 - row) * w + x] = PaletteEntry(data, dib, index);
                });
        return pixels;
    }
    pixels.reserve(w * h);
    for (std::int32_t y = 0; y < dib.Height; ++y)
        for (std::int32_t x = 0; x < dib.Width; ++x)
            pixels.push_back(DibPixel(data, dib, x, y));
    return pixels;
}

namespace {

// The file header, the 40-byte info header, the 5-6-5 masks when asked for, and the palette of a
// new bitmap whose pixels start at 'bitsAt'.
void WriteBmpHeaders(TGraphicBytes& data, std::int32_t width, std::int32_t height, std::uint16_t bits,
                     bool masks, const std::vector<TRgbQuad>& palette, std::size_t bitsAt,
                     std::size_t imageBytes) {
    const std::size_t infoSize = 40;
    data[0] = 'B';
    data[1] = 'M';
    PutU32(data, 2, static_cast<std::uint32_t>(data.size()));
    PutU32(data, 10, static_cast<std::uint32_t>(bitsAt));
    PutU32(data, 14, static_cast<std::uint32_t>(infoSize));
    PutI32(data, 18, width);
    PutI32(data, 22, height);
    PutU16(data, 26, 1);
    PutU16(data, 28, bits);
    PutU32(data, 30, masks ? BI_BITFIELDS : BI_RGB);
    PutU32(data, 34, static_cast<std::uint32_t>(imageBytes));
    PutU32(data, 46, static_cast<std::uint32_t>(palette.size()));
    std::size_t at = BmpFileHeaderSize + infoSize;
    if (masks) {
        PutU32(data, at, 0xF800);
        PutU32(data, at + 4, 0x07E0);
        PutU32(data, at + 8, 0x001F);
        at += 12;
    }
    for (const TRgbQuad& c : palette) {
        data[at++] = c.Blue;
        data[at++] = c.Green;
        data[at++] = c.Red;
        data[at++] = 0;
    }
}

// The part of a source image that is copied into a new bitmap, and how.
struct TPixelCopy {
    TByteView Data;
    const TDibLayout& Source;
    std::int32_t Width;  // columns copied
    std::int32_t Height; // rows copied
    bool SameIndexed;    // palette indexes are copied as they are
};

// Copies an RLE source: pixels the runs leave undefined take palette entry 0, as when the image is
// decoded.
void CopyRlePixels(const TPixelCopy& copy, TDibWriter& writer) {
    const TDibLayout& source = copy.Source;
    const TRgbQuad background = PaletteEntry(copy.Data, source, 0);
    for (std::int32_t y = 0; y < copy.Height; ++y)
        for (std::int32_t x = 0; x < copy.Width; ++x)
            copy.SameIndexed ? writer.PutIndex(x, y, 0) : writer.PutColor(x, y, background);
    WalkRle(copy.Data.subspan(source.BitsAt, source.BitsSize), source.Width, source.Height,
            source.Compression == BI_RLE4, [&](std::uint64_t x, std::uint64_t row, std::uint8_t index) {
                const auto y = static_cast<std::int64_t>(source.Height) - 1 - static_cast<std::int64_t>(row);
                if (static_cast<std::int64_t>(x) >= copy.Width || y >= copy.Height) return;
                const auto px = static_cast<std::int32_t>(x), py = static_cast<std::int32_t>(y);
                if (copy.SameIndexed) {
                    writer.PutIndex(px, py, index);
                } else {
                    writer.PutColor(px, py, PaletteEntry(copy.Data, source, index));
                }
            });
}

// Copies an uncompressed source.
void CopyStoredPixels(const TPixelCopy& copy, std::uint16_t bits, TDibWriter& writer) {
    for (std::int32_t y = 0; y < copy.Height; ++y) {
        const std::uint8_t* row = StoredRow(copy.Data, copy.Source, y);
        for (std::int32_t x = 0; x < copy.Width; ++x) {
            if (copy.SameIndexed) {
                writer.PutIndex(x, y, PixelIndex(row, bits, x));
            } else {
                writer.PutColor(x, y, DibPixel(copy.Data, copy.Source, x, y));
            }
        }
    }
}

} // namespace

TGraphicBytes BuildBmp(std::int32_t width, std::int32_t height, TDibFormat format, TByteView sourceData,
                       const TDibLayout* source) {
    assert(width > 0 && height > 0 && std::int64_t(width) * height <= MaxBitmapPixels);
    const std::uint16_t bits = format.BitCount;
    const bool sameIndexed =
        bits <= 8 && source != nullptr && source->BitCount == bits && source->ColorCount > 0;
    const std::vector<TRgbQuad> palette =
        sameIndexed ? DibPalette(sourceData, *source) : DefaultPalette(bits);

    const bool masks = bits == 16 && format.Rgb565;
    const std::size_t bitsAt = BmpFileHeaderSize + 40 + (masks ? 12 : 0) + palette.size() * 4;
    const std::size_t stride = static_cast<std::size_t>(DibStride(static_cast<std::uint64_t>(width), bits));
    const std::size_t imageBytes = stride * static_cast<std::size_t>(height);
    TGraphicBytes data(bitsAt + imageBytes, 0);
    WriteBmpHeaders(data, width, height, bits, masks, palette, bitsAt, imageBytes);

    TDibWriter writer(data, bitsAt, width, height, format, palette);
    // White background: one row written pixel by pixel, then copied.
    const TRgbQuad white{255, 255, 255, 0};
    const std::uint32_t whiteIndex = bits <= 8 ? writer.Nearest(white) : 0;
    for (std::int32_t x = 0; x < width; ++x)
        bits <= 8 ? writer.PutIndex(x, 0, whiteIndex) : writer.PutColor(x, 0, white);
    for (std::int32_t y = 1; y < height; ++y)
        std::copy_n(writer.Row(0), stride, writer.Row(y));
    if (source == nullptr) return data;

    const TPixelCopy copy{sourceData, *source, std::min(width, source->Width),
                          std::min(height, source->Height), sameIndexed};
    if (IsRle(*source))
        CopyRlePixels(copy, writer);
    else
        CopyStoredPixels(copy, bits, writer);
    return data;
}

} // namespace vcl::detail
