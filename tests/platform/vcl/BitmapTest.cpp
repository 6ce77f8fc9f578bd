// Bitmaps: every header, depth and compression read, kept byte for byte and decoded to the right
// colours; new bitmaps, resizing and pixel format changes; and corrupt files rejected with the
// reason, leaving the bitmap as it was.
#include "PictureSamples.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace vcl;
using namespace pictest;

namespace {

using Colors = std::vector<std::uint32_t>; // 0xRRGGBB, top row first

TOwned<TBitmap> Load(const Bytes& data) {
    auto bmp = New<TBitmap>();
    auto in = New<TStringStream>(data);
    bmp->LoadFromStream(in.get());
    return bmp;
}

Bytes Save(TGraphic* graphic) {
    auto out = New<TStringStream>();
    graphic->SaveToStream(out.get());
    return out->GetDataString();
}

// Reads the colours of a 24-bit bottom-up BMP with a 40-byte header, independently of the code
// under test.
Colors Read24(const Bytes& bmp) {
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Get32(bmp, 14), 40u);
    EXPECT_EQ(Get32(bmp, 28) & 0xFFFF, 24u);
    const auto offset = Get32(bmp, 10);
    const auto width = static_cast<int>(Get32(bmp, 18));
    const auto height = static_cast<int>(Get32(bmp, 22));
    const std::size_t stride = ((static_cast<std::size_t>(width) * 24 + 31) / 32) * 4;
    EXPECT_GE(bmp.size(), offset + stride * static_cast<std::size_t>(height));
    Colors colors;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t p = row + 3 * static_cast<std::size_t>(x);
            colors.push_back((std::uint32_t(std::uint8_t(bmp[p + 2])) << 16) |
                             (std::uint32_t(std::uint8_t(bmp[p + 1])) << 8) | std::uint8_t(bmp[p]));
        }
    }
    return colors;
}

// The colours a bitmap shows: converted to 24 bits (through the public interface) and read back.
Colors ColorsOf(TBitmap* bmp) {
    auto copy = New<TBitmap>();
    copy->Assign(bmp);
    // Through 32 bits, so that a 24-bit image is rebuilt too (lossless both ways).
    copy->SetPixelFormat(pf32bit);
    copy->SetPixelFormat(pf24bit);
    return Read24(Save(copy.get()));
}

// Packs palette indices of one row at 1, 4 or 8 bits.
Bytes PackIndices(const std::vector<int>& indices, int bits) {
    Bytes row((indices.size() * static_cast<std::size_t>(bits) + 7) / 8, '\0');
    for (std::size_t x = 0; x < indices.size(); ++x) {
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        const int shift = 8 - bits - static_cast<int>(bit % 8);
        row[bit / 8] = static_cast<char>(row[bit / 8] | (indices[x] << shift));
    }
    return row;
}

// A 3 x 2 indexed image: the palette, the indices top row first, and the expected colours.
struct IndexedImage {
    std::vector<std::uint32_t> Palette;
    std::vector<std::vector<int>> Rows; // top row first
    Colors Expected;
};

IndexedImage Indexed(int bits) {
    IndexedImage img;
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i)
        img.Palette.push_back(
            static_cast<std::uint32_t>((i * 37 % 256) << 16 | (255 - i) << 8 | (i * 11 % 256)));
    if (bits == 1) {
        img.Palette = {0x102030, 0xA0B0C0};
        img.Rows = {{1, 0, 1}, {0, 1, 1}};
    } else if (bits == 4) {
        img.Rows = {{1, 2, 3}, {4, 5, 15}};
    } else {
        img.Palette[254] = 0xFFFFFF; // so that white areas of a resized copy stay white
        img.Rows = {{10, 200, 255}, {0, 1, 128}};
    }
    for (const auto& row : img.Rows)
        for (int i : row)
            img.Expected.push_back(img.Palette[static_cast<std::size_t>(i)]);
    return img;
}

// Stores rows top row first, or bottom row first.
Bytes Rows(std::vector<Bytes> topFirst, bool topDown) {
    if (!topDown) std::reverse(topFirst.begin(), topFirst.end());
    return PadRows(topFirst);
}

BmpFields IndexedFields(int bits, std::uint32_t header, bool topDown, const IndexedImage& img) {
    BmpFields s;
    s.Width = 3;
    s.Height = topDown ? -2 : 2;
    s.Bits = static_cast<std::uint16_t>(bits);
    s.HeaderSize = header;
    s.Palette = img.Palette;
    std::vector<Bytes> rows;
    for (const auto& r : img.Rows)
        rows.push_back(PackIndices(r, bits));
    s.Pixels = Rows(rows, topDown);
    return s;
}

// True-colour pixel bytes for one colour.
Bytes Pixel(std::uint32_t rgb, int bits, bool rgb565 = false) {
    const std::uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    Bytes p;
    if (bits == 16) {
        Put16(p, rgb565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                        : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    } else {
        p += static_cast<char>(b);
        p += static_cast<char>(g);
        p += static_cast<char>(r);
        if (bits == 32) p += '\x7f';
    }
    return p;
}

// A 3 x 2 true-colour image built from colours whose channels are 0 or 255, which every depth
// represents exactly.
const Colors TrueColors = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFFFFFF};

BmpFields TrueFields(int bits, std::uint32_t header, bool topDown, std::uint32_t compression = 0,
                     bool rgb565 = false) {
    BmpFields s;
    s.Width = 3;
    s.Height = topDown ? -2 : 2;
    s.Bits = static_cast<std::uint16_t>(bits);
    s.HeaderSize = header;
    s.Compression = compression;
    if (compression == 3)
        s.Masks = rgb565 ? std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}
                         : std::vector<std::uint32_t>{0x7C00, 0x03E0, 0x001F};
    if (compression == 3 && bits == 32) s.Masks = {0xFF0000, 0xFF00, 0xFF};
    std::vector<Bytes> rows(2);
    for (std::size_t i = 0; i < TrueColors.size(); ++i)
        rows[i / 3] += Pixel(TrueColors[i], bits, rgb565);
    s.Pixels = Rows(rows, topDown);
    return s;
}

// Loads the data, then checks the size, the format, the bytes written back and the colours.
void ExpectImage(const Bytes& data, TPixelFormat format, const Colors& expected, int width = 3,
                 int height = 2) {
    auto bmp = Load(data);
    EXPECT_FALSE(bmp->GetEmpty());
    EXPECT_EQ(bmp->GetWidth(), width);
    EXPECT_EQ(bmp->GetHeight(), height);
    EXPECT_EQ(bmp->GetPixelFormat(), format);
    EXPECT_EQ(Save(bmp.get()), data);
    EXPECT_EQ(ColorsOf(bmp.get()), expected);
}

std::string LoadError(const Bytes& data) {
    auto bmp = Load(Bytes()); // an empty bitmap, to see that the failure leaves it so
    try {
        auto in = New<TStringStream>(data);
        bmp->LoadFromStream(in.get());
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(bmp->GetEmpty());
        return e.Message();
    }
    return "loaded";
}

} // namespace

TEST(Bitmap, IndexedDepthsInEveryHeaderAndRowOrder) {
    for (int bits : {1, 4, 8}) {
        const IndexedImage img = Indexed(bits);
        const TPixelFormat format = bits == 1 ? pf1bit : bits == 4 ? pf4bit : pf8bit;
        for (std::uint32_t header : {12u, 40u, 52u, 56u, 108u, 124u}) {
            for (bool topDown : {false, true}) {
                if (header == 12 && topDown) continue; // the core header has no sign
                SCOPED_TRACE("bits " + std::to_string(bits) + " header " + std::to_string(header) +
                             (topDown ? " top-down" : ""));
                ExpectImage(MakeBmp(IndexedFields(bits, header, topDown, img)), format, img.Expected);
            }
        }
    }
}

TEST(Bitmap, ShortPaletteAndGapBeforeThePixels) {
    // biClrUsed = 3 on an 8-bit image, and pixel data placed after a gap (bfOffBits says where).
    IndexedImage img;
    img.Palette = {0x112233, 0x445566, 0x778899};
    img.Rows = {{0, 1, 2}, {2, 1, 0}};
    img.Expected = {0x112233, 0x445566, 0x778899, 0x778899, 0x445566, 0x112233};
    BmpFields s = IndexedFields(8, 40, false, img);
    s.Gap = 10;
    ExpectImage(MakeBmp(s), pf8bit, img.Expected);
    // A full palette announced with biClrUsed = 0.
    const IndexedImage full = Indexed(8);
    BmpFields f = IndexedFields(8, 40, false, full);
    f.WriteColorsUsed = false;
    ExpectImage(MakeBmp(f), pf8bit, full.Expected);
}

TEST(Bitmap, TrueColourDepthsAndBitfields) {
    for (std::uint32_t header : {40u, 108u, 124u}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE("header " + std::to_string(header) + (topDown ? " top-down" : ""));
            ExpectImage(MakeBmp(TrueFields(16, header, topDown)), pf15bit, TrueColors);
            ExpectImage(MakeBmp(TrueFields(24, header, topDown)), pf24bit, TrueColors);
            ExpectImage(MakeBmp(TrueFields(32, header, topDown)), pf32bit, TrueColors);
            ExpectImage(MakeBmp(TrueFields(16, header, topDown, 3, true)), pf16bit, TrueColors);
            ExpectImage(MakeBmp(TrueFields(16, header, topDown, 3, false)), pf15bit, TrueColors);
            ExpectImage(MakeBmp(TrueFields(32, header, topDown, 3)), pf32bit, TrueColors);
        }
    }
    ExpectImage(MakeBmp(TrueFields(24, 12, false)), pf24bit, TrueColors);

    // Masks in another order make a custom format, still decoded channel by channel.
    BmpFields swapped = TrueFields(32, 40, false, 3);
    swapped.Masks = {0x0000FF, 0x00FF00, 0xFF0000};
    Colors mirrored;
    for (std::uint32_t c : TrueColors)
        mirrored.push_back(((c & 0xFF) << 16) | (c & 0xFF00) | (c >> 16));
    ExpectImage(MakeBmp(swapped), pfCustom, mirrored);
}

TEST(Bitmap, Rle8RunsAbsoluteBlocksDeltasAndEnds) {
    std::vector<std::uint32_t> palette(256);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint32_t>(0x010101 * i);
    BmpFields s;
    s.Width = 4;
    s.Height = 3;
    s.Bits = 8;
    s.Compression = 1;
    s.Palette = palette;
    // Bottom row: 1 1 1 2. Middle: 4 5 6, then the line ends. Top: skip two, 7 7, end of bitmap.
    s.Pixels = Bytes("\x03\x01\x01\x02\x00\x00"
                     "\x00\x03\x04\x05\x06\x00\x00\x00"
                     "\x00\x02\x02\x00\x02\x07\x00\x01",
                     22);
    const std::uint32_t u = 0; // pixels the data leaves undefined show palette entry 0
    ExpectImage(
        MakeBmp(s), pf8bit,
        {u, u, 0x070707, 0x070707, 0x040404, 0x050505, 0x060606, u, 0x010101, 0x010101, 0x010101, 0x020202},
        4, 3);
}

TEST(Bitmap, Rle4RunsAndOddAbsoluteBlocks) {
    std::vector<std::uint32_t> palette(16);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<std::uint32_t>(0x111111 * i);
    BmpFields s;
    s.Width = 4;
    s.Height = 2;
    s.Bits = 4;
    s.Compression = 2;
    s.Palette = palette;
    // Bottom row: a run of 4 alternating 1 and 2. Top row: an absolute block of 3 (3 4 5).
    s.Pixels = Bytes("\x04\x12\x00\x00"
                     "\x00\x03\x34\x50\x00\x01",
                     10);
    ExpectImage(MakeBmp(s), pf4bit, {0x333333, 0x444444, 0x555555, 0, 0x111111, 0x222222, 0x111111, 0x222222},
                4, 2);
}

TEST(Bitmap, NewBitmapIsEmptyUntilSizedThenSavesAValidWhiteImage) {
    auto bmp = New<TBitmap>();
    EXPECT_TRUE(bmp->GetEmpty());
    EXPECT_EQ(bmp->GetPixelFormat(), pfDevice);
    EXPECT_EQ(Save(bmp.get()), "");
    bmp->SetWidth(5);
    EXPECT_TRUE(bmp->GetEmpty());
    EXPECT_EQ(Save(bmp.get()), "");
    bmp->SetHeight(3);
    EXPECT_FALSE(bmp->GetEmpty());

    const struct {
        TPixelFormat Format;
        int Bits;
    } formats[] = {{pfDevice, 32}, {pf1bit, 1},   {pf4bit, 4},   {pf8bit, 8},
                   {pf15bit, 16},  {pf16bit, 16}, {pf24bit, 24}, {pf32bit, 32}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.Bits);
        auto b = New<TBitmap>();
        b->SetPixelFormat(f.Format);
        b->SetSize(5, 3);
        const Bytes data = Save(b.get());
        ASSERT_GE(data.size(), 54u);
        EXPECT_EQ(data.substr(0, 2), "BM");
        EXPECT_EQ(Get32(data, 2), data.size());
        EXPECT_EQ(Get32(data, 18), 5u);
        EXPECT_EQ(Get32(data, 22), 3u);
        EXPECT_EQ(Get32(data, 28) & 0xFFFF, static_cast<std::uint32_t>(f.Bits));
        const std::size_t stride = ((5u * static_cast<std::size_t>(f.Bits) + 31) / 32) * 4;
        EXPECT_EQ(data.size(), Get32(data, 10) + stride * 3);
        auto back = Load(data);
        EXPECT_EQ(back->GetWidth(), 5);
        EXPECT_EQ(back->GetHeight(), 3);
        EXPECT_EQ(back->GetPixelFormat(), f.Format == pfDevice ? pf32bit : f.Format);
        EXPECT_EQ(ColorsOf(back.get()), Colors(15, 0xFFFFFF));
    }
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndFillsWhite) {
    for (const Bytes& source : {MakeBmp(TrueFields(24, 40, false)), MakeBmp(TrueFields(32, 124, true)),
                                MakeBmp(IndexedFields(8, 40, false, Indexed(8)))}) {
        auto bmp = Load(source);
        const Colors before = ColorsOf(bmp.get());
        const TPixelFormat format = bmp->GetPixelFormat();
        bmp->SetSize(4, 3);
        EXPECT_EQ(bmp->GetPixelFormat(), format);
        const Colors after = ColorsOf(bmp.get());
        ASSERT_EQ(after.size(), 12u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const std::uint32_t want =
                    (x < 3 && y < 2) ? before[static_cast<std::size_t>(y * 3 + x)] : 0xFFFFFFu;
                EXPECT_EQ(after[static_cast<std::size_t>(y * 4 + x)], want) << x << "," << y;
            }
        bmp->SetWidth(2);
        const Colors narrow = ColorsOf(bmp.get());
        EXPECT_EQ(narrow[0], before[0]);
        EXPECT_EQ(narrow[3], before[4]);
    }
    // RLE data is decoded when resized.
    BmpFields rle;
    rle.Width = 4;
    rle.Height = 1;
    rle.Bits = 8;
    rle.Compression = 1;
    rle.Palette = {0x000000, 0x123456, 0xFFFFFF};
    rle.Pixels = Bytes("\x04\x01\x00\x01", 4);
    auto bmp = Load(MakeBmp(rle));
    bmp->SetWidth(5);
    EXPECT_EQ(ColorsOf(bmp.get()), (Colors{0x123456, 0x123456, 0x123456, 0x123456, 0xFFFFFF}));
    // Made lower, an RLE image keeps its top rows: the runs of the rows cut off are dropped.
    BmpFields twoRows = rle;
    twoRows.Height = 2;
    twoRows.Palette = {0x000000, 0x123456, 0xFFFFFF, 0x654321};
    twoRows.Pixels = Bytes("\x04\x01\x00\x00"  // bottom row: entry 1
                           "\x04\x03\x00\x01", // top row: entry 3, end of bitmap
                           8);
    auto lower = Load(MakeBmp(twoRows));
    lower->SetHeight(1);
    EXPECT_EQ(ColorsOf(lower.get()), (Colors{0x654321, 0x654321, 0x654321, 0x654321}));
}

TEST(Bitmap, PixelFormatChangesConvertColours) {
    auto bmp = Load(MakeBmp(TrueFields(24, 40, false)));
    bmp->SetPixelFormat(pf8bit);
    EXPECT_EQ(ColorsOf(bmp.get()), TrueColors); // pure colours are in the default palette
    bmp->SetPixelFormat(pf1bit);
    EXPECT_EQ(ColorsOf(bmp.get()), (Colors{0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));

    // An indexed image keeps its palette and indices when its depth stays.
    const IndexedImage img = Indexed(8);
    auto indexed = Load(MakeBmp(IndexedFields(8, 40, false, img)));
    indexed->SetSize(3, 3);
    const Colors kept = ColorsOf(indexed.get());
    EXPECT_EQ(Colors(kept.begin(), kept.begin() + 6), img.Expected);

    EXPECT_THROW(bmp->SetPixelFormat(pfCustom), EInvalidGraphic);
    EXPECT_THROW(bmp->SetSize(1 << 21, 1), EInvalidGraphicOperation);
    EXPECT_THROW(bmp->SetSize(1 << 20, 1 << 20), EInvalidGraphicOperation);
    EXPECT_EQ(bmp->GetWidth(), 3); // unchanged by the refusals
}

TEST(Bitmap, StreamPositionsChangeEventsAndAssignment) {
    const Bytes data = MakeBmp(TrueFields(24, 40, false));
    // Loading reads from the stream's position to its end.
    auto in = New<TStringStream>("prefix" + data);
    in->SetPosition(6);
    auto bmp = New<TBitmap>();
    int changes = 0;
    bmp->SetOnChange([&](TObject* sender) {
        EXPECT_EQ(sender, bmp.get());
        ++changes;
    });
    bmp->LoadFromStream(in.get());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(bmp->GetModified());
    bmp->SetModified(false);
    EXPECT_FALSE(bmp->GetModified());
    // Saving writes at the position.
    auto out = New<TStringStream>("head");
    out->SetPosition(4);
    bmp->SaveToStream(out.get());
    EXPECT_EQ(out->GetDataString(), "head" + data);

    auto copy = New<TBitmap>();
    copy->Assign(bmp.get());
    EXPECT_TRUE(copy->Equals(bmp.get()));
    copy->SetWidth(7); // the copy changes alone
    EXPECT_EQ(bmp->GetWidth(), 3);
    EXPECT_EQ(Save(bmp.get()), data);
    copy->Assign(nullptr);
    EXPECT_TRUE(copy->GetEmpty());
    auto icon = New<TIcon>();
    EXPECT_THROW(copy->Assign(icon.get()), EConvertError);

    // An empty remainder empties the bitmap.
    auto empty = New<TStringStream>();
    bmp->LoadFromStream(empty.get());
    EXPECT_TRUE(bmp->GetEmpty());
    EXPECT_EQ(bmp->GetWidth(), 0);
}

TEST(Bitmap, CorruptFilesAreRefusedWithTheReason) {
    const Bytes good24 = MakeBmp(TrueFields(24, 40, false));
    const Bytes good8 = MakeBmp(IndexedFields(8, 40, false, Indexed(8)));
    auto patch = [](Bytes b, std::size_t at, std::uint32_t v, int width = 4) {
        width == 2 ? Set16(b, at, v) : Set32(b, at, v);
        return b;
    };
    BmpFields rle;
    rle.Width = 4;
    rle.Height = 2;
    rle.Bits = 8;
    rle.Compression = 1;
    rle.Palette = {0, 0xFFFFFF};
    auto rleWith = [&](const Bytes& pixels) {
        BmpFields s = rle;
        s.Pixels = pixels;
        return MakeBmp(s);
    };
    BmpFields v5 = TrueFields(24, 124, false);
    Bytes badProfile = MakeBmp(v5);
    Set32(badProfile, 14 + 56, 0x4D424544); // embedded profile ...
    Set32(badProfile, 14 + 112, 4000);      // ... far past the end
    Set32(badProfile, 14 + 116, 100);

    const struct {
        const char* Name;
        Bytes Data;
        const char* Reason;
    } cases[] = {
        {"short file header", Bytes("BM\0\0", 4), "ends before the file header"},
        {"signature", patch(good24, 0, 0x4142, 2), "signature is not BM"},
        {"header size", patch(good24, 14, 41), "unknown size"},
        {"header cut", good24.substr(0, 30), "header runs past the end"},
        {"planes", patch(good24, 26, 2, 2), "plane count"},
        {"zero width", patch(good24, 18, 0), "width is not positive"},
        {"negative width", patch(good24, 18, 0xFFFFFFFF), "width is not positive"},
        {"zero height", patch(good24, 22, 0), "height is zero"},
        {"most negative height", patch(good24, 22, 0x80000000), "too large"},
        {"huge sides", patch(patch(good24, 18, 1 << 21), 22, 2), "too large"},
        {"huge area", patch(patch(good24, 18, 1 << 20), 22, 1 << 20), "too large"},
        {"area far beyond the data", patch(patch(good24, 18, 1 << 20), 22, 1 << 8),
         "pixel data runs past the end"},
        {"bit depth", patch(good24, 28, 7, 2), "bit depth"},
        {"compression", patch(good24, 30, 4), "compression is not supported"},
        {"RLE8 at 24 bits", patch(good24, 30, 1), "RLE8 compression needs 8"},
        {"RLE4 at 8 bits", patch(good8, 30, 2), "RLE4 compression needs 4"},
        {"bitfields at 24 bits", patch(good24, 30, 3), "bit fields need"},
        {"mask with a hole",
         [&] {
             BmpFields s = TrueFields(16, 40, false, 3);
             s.Masks = {0x7C00, 0x0360, 0x001F};
             return MakeBmp(s);
         }(),
         "not contiguous"},
        {"overlapping masks",
         [&] {
             BmpFields s = TrueFields(16, 40, false, 3);
             s.Masks = {0x7C00, 0x0FE0, 0x001F};
             return MakeBmp(s);
         }(),
         "overlap"},
        {"mask outside the pixel",
         [&] {
             BmpFields s = TrueFields(16, 40, false, 3);
             s.Masks = {0x7C0000, 0x03E0, 0x001F};
             return MakeBmp(s);
         }(),
         "outside the pixel"},
        {"empty mask",
         [&] {
             BmpFields s = TrueFields(32, 108, false, 3);
             s.Masks = {0xFF0000, 0, 0xFF};
             return MakeBmp(s);
         }(),
         "mask is empty"},
        {"palette larger than the depth", patch(good8, 46, 300), "palette is larger"},
        {"palette past the end", patch(MakeBmp(TrueFields(24, 40, false)), 46, 1000000),
         "palette runs past the end"},
        {"pixel offset in the header", patch(good24, 10, 20), "points into the headers"},
        {"pixel offset past the end", patch(good24, 10, 100000), "offset lies past the end"},
        {"pixels cut short", good24.substr(0, good24.size() - 1), "pixel data runs past the end"},
        {"colour profile past the end", badProfile, "colour profile runs past the end"},
        {"top-down RLE", patch(rleWith(Bytes("\x00\x01", 2)), 22, static_cast<std::uint32_t>(-2)),
         "cannot be top-down"},
        {"RLE size past the end", patch(rleWith(Bytes("\x00\x01", 2)), 34, 1000),
         "compressed data runs past the end"},
        {"run past its row", rleWith(Bytes("\x05\x01", 2)), "passes the end of its row"},
        {"runs past the last row", rleWith(Bytes("\x00\x00\x00\x00\x01\x01", 6)), "past the last row"},
        {"delta past the image", rleWith(Bytes("\x00\x02\x05\x00", 4)), "delta moves past the image"},
        {"delta cut off", rleWith(Bytes("\x00\x02\x01", 3)), "delta is cut off"},
        {"absolute block cut off", rleWith(Bytes("\x00\x04\x01\x01", 4)), "block is cut off"},
        {"absolute block past its row", rleWith(Bytes("\x00\x05\x01\x01\x01\x01\x01\x00", 8)),
         "block passes the end"},
        {"run cut in half", rleWith(Bytes("\x02", 1)), "run is cut off"},
    };
    for (const auto& c : cases) {
        const std::string message = LoadError(c.Data);
        EXPECT_EQ(message.rfind("Bitmap image is not valid: ", 0), 0u) << c.Name << ": " << message;
        EXPECT_NE(message.find(c.Reason), std::string::npos) << c.Name << ": " << message;
    }
    // The control: the unpatched files load, and RLE data may end without its end mark.
    EXPECT_EQ(LoadError(good24), "loaded");
    EXPECT_EQ(LoadError(good8), "loaded");
    EXPECT_EQ(LoadError(rleWith(Bytes("\x04\x01\x00\x00\x02\x01", 6))), "loaded");

    // A failed load leaves a loaded bitmap as it was.
    auto bmp = Load(good24);
    auto bad = New<TStringStream>(good24.substr(0, 40));
    EXPECT_THROW(bmp->LoadFromStream(bad.get()), EInvalidGraphic);
    EXPECT_EQ(Save(bmp.get()), good24);
}
