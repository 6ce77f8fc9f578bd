// Icons: DIB and PNG images, the 0 = 256 size rule and the choice of the image shown, byte-exact
// saving, and corrupt directories and images refused.
#include "PictureSamples.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

#include <string>

using namespace vcl;
using namespace pictest;

namespace {

TOwned<TIcon> LoadIcon(const Bytes& data, int requested = 0) {
    auto icon = New<TIcon>();
    if (requested) {
        icon->SetWidth(requested);
        icon->SetHeight(requested);
    }
    auto in = New<TStringStream>(data);
    icon->LoadFromStream(in.get());
    return icon;
}

Bytes Save(TGraphic* graphic) {
    auto out = New<TStringStream>();
    graphic->SaveToStream(out.get());
    return out->GetDataString();
}

std::string IconError(const Bytes& data) {
    try {
        LoadIcon(data);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return "loaded";
}

} // namespace

TEST(Icon, ImagesOfEveryKindAndTheSizeShown) {
    const Bytes data = MakeIco({
        {16, 16, MakeIconDib(16, 16, 1)},
        {48, 48, MakeIconDib(48, 48, 4)},
        {32, 32, MakeIconDib(32, 32, 8)},
        {32, 32, MakeIconDib(32, 32, 24)},
        {24, 24, MakeIconDib(24, 24, 32)},
        {0, 0, MakePng(40, 40)}, // 0 in the entry stands for 256, whatever the image holds
    });
    auto icon = LoadIcon(data);
    EXPECT_FALSE(icon->GetEmpty());
    EXPECT_EQ(icon->GetImageCount(), 6);
    EXPECT_EQ(icon->GetImageInfo(5).Width, 256);
    EXPECT_EQ(icon->GetImageInfo(5).Height, 256);
    EXPECT_TRUE(icon->GetImageInfo(5).Png);
    EXPECT_EQ(icon->GetImageInfo(5).BitCount, 32);
    EXPECT_FALSE(icon->GetImageInfo(0).Png);
    EXPECT_EQ(icon->GetImageInfo(0).BitCount, 1);
    EXPECT_EQ(icon->GetImageInfo(1).BitCount, 4);
    // The standard size, and of the two 32 x 32 images the deeper one.
    EXPECT_EQ(icon->GetWidth(), 32);
    EXPECT_EQ(icon->GetHeight(), 32);
    EXPECT_EQ(icon->GetCurrentImage(), 3);
    EXPECT_EQ(Save(icon.get()), data);
    EXPECT_THROW(icon->GetImageInfo(6), EListError);

    // A size asked for before loading picks another image; a loaded icon keeps its size.
    EXPECT_EQ(LoadIcon(data, 256)->GetWidth(), 256);
    EXPECT_EQ(LoadIcon(data, 20)->GetWidth(), 24);
    EXPECT_THROW(icon->SetWidth(16), EInvalidGraphicOperation);
    EXPECT_THROW(icon->SetHeight(16), EInvalidGraphicOperation);

    // A single PNG image, and an icon whose 32-bit image omits the mask.
    EXPECT_EQ(LoadIcon(MakeIco({{0, 0, MakePng(300, 300)}}))->GetWidth(), 256);
    Bytes noMask = MakeIconDib(8, 8, 32);
    noMask.resize(noMask.size() - 4 * 8);
    EXPECT_EQ(LoadIcon(MakeIco({{8, 8, noMask}}))->GetHeight(), 8);
}

TEST(Icon, EmptyAssignAndCopies) {
    auto icon = New<TIcon>();
    EXPECT_TRUE(icon->GetEmpty());
    EXPECT_EQ(icon->GetWidth(), 0);
    EXPECT_EQ(icon->GetCurrentImage(), -1);
    EXPECT_EQ(Save(icon.get()), "");
    const Bytes data = MakeIco({{16, 16, MakeIconDib(16, 16, 8)}});
    auto loaded = LoadIcon(data);
    icon->Assign(loaded.get());
    EXPECT_EQ(Save(icon.get()), data);
    EXPECT_EQ(icon->GetWidth(), 16);
    icon->Assign(nullptr);
    EXPECT_TRUE(icon->GetEmpty());
    auto bmp = New<TBitmap>();
    EXPECT_THROW(icon->Assign(bmp.get()), EConvertError);
}

TEST(Icon, CorruptIconsAreRefusedWithTheReason) {
    const Bytes dib = MakeIconDib(16, 16, 8);
    const Bytes good = MakeIco({{16, 16, dib}});
    auto patched = [](Bytes b, std::size_t at, std::uint32_t v, bool word = false) {
        word ? Set16(b, at, v) : Set32(b, at, v);
        return b;
    };
    Bytes png = MakePng(4, 4);
    Bytes badCrc = png;
    badCrc[20] = static_cast<char>(badCrc[20] ^ 1); // inside the header chunk's data
    const std::size_t iend = png.size() - 12;
    Bytes pngDepth = png;
    pngDepth[24] = 3; // bit depth 3 ...
    {
        // ... with its checksum corrected, so only the depth is wrong.
        std::uint32_t c = 0xFFFFFFFFu;
        for (std::size_t i = 12; i < 29; ++i) {
            c ^= static_cast<std::uint8_t>(pngDepth[i]);
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        c ^= 0xFFFFFFFFu;
        for (int i = 0; i < 4; ++i)
            pngDepth[29 + static_cast<std::size_t>(i)] = static_cast<char>(c >> (24 - 8 * i));
    }
    // Without IDAT: the signature, the header chunk and the end chunk.
    const Bytes noData = png.substr(0, 33) + png.substr(iend);

    const struct {
        const char* Name;
        Bytes Data;
        const char* Reason;
    } cases[] = {
        {"short header", Bytes("\0\0\1", 3), "ends before the icon header"},
        {"cursor", patched(good, 2, 2, true), "does not describe an icon"},
        {"reserved word", patched(good, 0, 1, true), "does not describe an icon"},
        {"no images", patched(good, 4, 0, true), "holds no images"},
        {"directory cut", patched(good, 4, 1000, true), "directory runs past the end"},
        {"empty image", patched(good, 6 + 8, 0), "image is empty"},
        {"image past the end", patched(good, 6 + 8, static_cast<std::uint32_t>(dib.size() + 1)),
         "runs past the end of the data"},
        {"image offset wraps", patched(good, 6 + 12, 0xFFFFFFF0), "runs past the end of the data"},
        {"image in the directory", patched(good, 6 + 12, 8), "overlaps the image directory"},
        {"images overlap",
         [&] {
             Bytes b = MakeIco({{16, 16, dib}, {16, 16, dib}});
             Set32(b, 6 + 16 + 12, Get32(b, 6 + 12) + 4);
             return b;
         }(),
         "two images overlap"},
        {"colour image cut", MakeIco({{16, 16, dib.substr(0, 40 + 1024 + 10)}}),
         "colour image runs past the end"},
        {"mask cut", MakeIco({{16, 16, dib.substr(0, dib.size() - 1)}}), "mask runs past the end"},
        {"compressed image", MakeIco({{16, 16, patched(dib, 16, 1)}}), "cannot be compressed"},
        {"image header", MakeIco({{16, 16, patched(dib, 0, 99)}}),
         "Icon image is not valid: the bitmap header has an unknown size"},
        {"PNG checksum", MakeIco({{4, 4, badCrc}}), "checksum does not match"},
        {"PNG cut", MakeIco({{4, 4, png.substr(0, 45)}}), "runs past the end of the image"},
        {"PNG without end", MakeIco({{4, 4, png.substr(0, iend)}}), "PNG image is cut off"},
        {"PNG without data", MakeIco({{4, 4, noData}}), "holds no image data"},
        {"PNG depth", MakeIco({{4, 4, pngDepth}}), "colour type or depth"},
        {"PNG without header", MakeIco({{4, 4, png.substr(0, 8) + png.substr(33)}}),
         "does not start with its header"},
        {"PNG chunk length", MakeIco({{4, 4, patched(png, 8, 0xFFFFFFFF)}}), "chunk is too long"},
    };
    for (const auto& c : cases) {
        const std::string message = IconError(c.Data);
        EXPECT_EQ(message.rfind("Icon image is not valid: ", 0), 0u) << c.Name << ": " << message;
        EXPECT_NE(message.find(c.Reason), std::string::npos) << c.Name << ": " << message;
    }
    EXPECT_EQ(IconError(good), "loaded");
    EXPECT_EQ(IconError(MakeIco({{4, 4, png}})), "loaded");
}
