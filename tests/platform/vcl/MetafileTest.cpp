// Metafiles: enhanced, placeable and plain Windows metafiles read with their sizes and written
// back unchanged, sizes written into the headers, the Enhanced rule, and corrupt headers and
// record walks refused.
#include "PictureSamples.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

#include <string>

using namespace vcl;
using namespace pictest;

namespace {

TOwned<TMetafile> LoadMeta(const Bytes& data) {
    auto mf = New<TMetafile>();
    auto in = New<TStringStream>(data);
    mf->LoadFromStream(in.get());
    return mf;
}

Bytes Save(TGraphic* graphic) {
    auto out = New<TStringStream>();
    graphic->SaveToStream(out.get());
    return out->GetDataString();
}

std::string MetaError(const Bytes& data) {
    try {
        LoadMeta(data);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return "loaded";
}

} // namespace

TEST(Metafile, SizesOfEachKindAndExactSaving) {
    // Enhanced: the frame in 0.01 mm; 2540 of them make an inch, 96 pixels.
    const Bytes emf = MakeEmf(100, 200, 100 + 5080, 200 + 2540, {EmfRecord(70, Bytes(12, 'x'))});
    auto mf = LoadMeta(emf);
    EXPECT_TRUE(mf->GetEnhanced());
    EXPECT_EQ(mf->GetMMWidth(), 5080);
    EXPECT_EQ(mf->GetMMHeight(), 2540);
    EXPECT_EQ(mf->GetWidth(), 192);
    EXPECT_EQ(mf->GetHeight(), 96);
    EXPECT_EQ(mf->GetInch(), 0);
    EXPECT_EQ(Save(mf.get()), emf);

    // Placeable: the box in units of Inch.
    const Bytes placeable = MakeWmf(0, 0, 1440, 2880, 720);
    mf = LoadMeta(placeable);
    EXPECT_FALSE(mf->GetEnhanced());
    EXPECT_EQ(mf->GetInch(), 1440);
    EXPECT_EQ(mf->GetMMWidth(), 5080);
    EXPECT_EQ(mf->GetMMHeight(), 1270);
    EXPECT_EQ(mf->GetWidth(), 192);
    EXPECT_EQ(mf->GetHeight(), 48);
    EXPECT_EQ(Save(mf.get()), placeable);

    // Plain: the window extent, in pixels; none gives 0 x 0.
    const Bytes plain = MakeWmf(200, -100);
    mf = LoadMeta(plain);
    EXPECT_FALSE(mf->GetEnhanced());
    EXPECT_EQ(mf->GetWidth(), 200);
    EXPECT_EQ(mf->GetHeight(), 100);
    EXPECT_EQ(Save(mf.get()), plain);
    mf = LoadMeta(MakeWmf(0, 0));
    EXPECT_EQ(mf->GetWidth(), 0);
    EXPECT_FALSE(mf->GetEmpty());

    // An inverted (empty) frame counts as 0.
    EXPECT_EQ(LoadMeta(MakeEmf(0, 0, -1, -1))->GetWidth(), 0);
}

TEST(Metafile, SettingTheSizeRewritesTheHeader) {
    auto mf = LoadMeta(MakeEmf(10, 20, 1010, 2020));
    mf->SetWidth(96);
    EXPECT_EQ(mf->GetMMWidth(), 2540);
    EXPECT_EQ(LoadMeta(Save(mf.get()))->GetMMWidth(), 2540);
    EXPECT_EQ(Get32(Save(mf.get()), 32), 10u + 2540);
    EXPECT_EQ(LoadMeta(Save(mf.get()))->GetMMHeight(), 2000);

    mf = LoadMeta(MakeWmf(0, 0, 1440, 1440, 1440));
    mf->SetMMHeight(1270);
    const Bytes saved = Save(mf.get());
    auto again = LoadMeta(saved); // the checksum was updated
    EXPECT_EQ(again->GetMMHeight(), 1270);
    EXPECT_EQ(again->GetMMWidth(), 2540);

    // A plain metafile gains a placeable header to hold the size.
    const Bytes plain = MakeWmf(200, 100);
    mf = LoadMeta(plain);
    mf->SetWidth(96);
    const Bytes grown = Save(mf.get());
    EXPECT_EQ(grown.size(), plain.size() + 22);
    EXPECT_EQ(grown.substr(22), plain);
    again = LoadMeta(grown);
    EXPECT_EQ(again->GetInch(), 1440);
    EXPECT_EQ(again->GetWidth(), 96);
    EXPECT_EQ(again->GetHeight(), 100);

    // Sizes the header cannot hold are refused and change nothing.
    mf = LoadMeta(MakeWmf(0, 0, 1440, 100, 100));
    EXPECT_THROW(mf->SetMMWidth(100000), EPropertyError);
    EXPECT_THROW(mf->SetMMWidth(-1), EPropertyError);
    EXPECT_EQ(Save(mf.get()), MakeWmf(0, 0, 1440, 100, 100));
    mf = LoadMeta(MakeEmf(2000000000, 0, 2000000100, 100));
    EXPECT_THROW(mf->SetMMWidth(200000000), EPropertyError);
    EXPECT_EQ(mf->GetMMWidth(), 100);

    // An empty metafile remembers the size and stays empty.
    auto empty = New<TMetafile>();
    empty->SetWidth(96);
    EXPECT_EQ(empty->GetMMWidth(), 2540);
    EXPECT_TRUE(empty->GetEmpty());
    EXPECT_EQ(Save(empty.get()), "");
}

TEST(Metafile, EnhancedFollowsTheDataAndCannotConvert) {
    auto mf = New<TMetafile>();
    EXPECT_TRUE(mf->GetEnhanced());
    mf->SetEnhanced(false);
    EXPECT_FALSE(mf->GetEnhanced());
    auto in = New<TStringStream>(MakeEmf(0, 0, 100, 100));
    mf->LoadFromStream(in.get());
    EXPECT_TRUE(mf->GetEnhanced());
    mf->SetEnhanced(true);
    EXPECT_THROW(mf->SetEnhanced(false), EInvalidGraphicOperation);

    auto copy = New<TMetafile>();
    copy->Assign(mf.get());
    EXPECT_TRUE(copy->Equals(mf.get()));
    copy->Assign(nullptr);
    EXPECT_TRUE(copy->GetEmpty());
}

TEST(Metafile, CorruptMetafilesAreRefusedWithTheReason) {
    const Bytes emf = MakeEmf(0, 0, 100, 100, {EmfRecord(70, Bytes(4, 'x'))});
    const Bytes wmf = MakeWmf(10, 10);
    const Bytes placeable = MakeWmf(0, 0, 96, 10, 10);
    auto patched = [](Bytes b, std::size_t at, std::uint32_t v, bool word = false) {
        word ? Set16(b, at, v) : Set32(b, at, v);
        return b;
    };
    // Placeable headers with a field changed and the checksum corrected.
    auto reseal = [](Bytes b) {
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= static_cast<std::uint8_t>(b[i]) | (static_cast<std::uint8_t>(b[i + 1]) << 8);
        Set16(b, 20, sum);
        return b;
    };
    const std::size_t firstRecord = 108; // after the EMF header record
    const std::size_t wmfRecord = 18;    // after the METAHEADER

    const struct {
        const char* Name;
        Bytes Data;
        const char* Reason;
    } cases[] = {
        {"tiny", Bytes("\1\0", 2), "ends before the metafile header"},
        {"EMF header cut", emf.substr(0, 60), "ends before the enhanced metafile header"},
        {"EMF signature", patched(emf, 40, 0x12345678), "signature is missing"},
        {"EMF header size", patched(emf, 4, 80), "header record size"},
        {"EMF header size unaligned", patched(emf, 4, 110), "header record size"},
        {"EMF total past the data", patched(emf, 48, static_cast<std::uint32_t>(emf.size() + 4)),
         "runs past the end of the data"},
        {"EMF total below the header", patched(emf, 48, 100), "smaller than its header"},
        {"EMF description", patched(patched(emf, 64, 10), 68, static_cast<std::uint32_t>(emf.size() - 4)),
         "description runs past"},
        {"EMF record that does not advance", patched(emf, firstRecord + 4, 0), "record size is not valid"},
        {"EMF record unaligned", patched(emf, firstRecord + 4, 14), "record size is not valid"},
        {"EMF record past the end", patched(emf, firstRecord + 4, 4000), "record runs past the end"},
        {"EMF without EOF", patched(emf, emf.size() - 20, 70), "ends without an end record"},
        {"EMF frame", patched(patched(emf, 24, 0x80000000), 32, 0x7FFFFFFF), "frame is too large"},
        {"WMF type", patched(wmf, 0, 3, true), "type is not valid"},
        {"WMF header size", patched(wmf, 2, 8, true), "header size is not valid"},
        {"WMF version", patched(wmf, 4, 0x200, true), "version is not valid"},
        {"WMF size past the data", patched(wmf, 6, 1000), "runs past the end of the data"},
        {"WMF size below the header", patched(wmf, 6, 4), "smaller than its header"},
        {"WMF record that does not advance", patched(wmf, wmfRecord, 0), "too small to advance"},
        {"WMF record past the end", patched(wmf, wmfRecord, 1000), "record runs past the end"},
        {"WMF without EOF", patched(wmf, wmf.size() - 2, 0x0103, true), "ends without an end record"},
        {"WMF cut", wmf.substr(0, 10), "ends before the metafile header"},
        {"placeable checksum", patched(placeable, 10, 11, true), "checksum does not match"},
        {"placeable without units", reseal(patched(placeable, 14, 0, true)), "no units per inch"},
        {"placeable cut", placeable.substr(0, 21), "ends before the placeable header"},
        {"placeable body", reseal(patched(placeable, 22, 5, true)), "type is not valid"},
    };
    for (const auto& c : cases) {
        const std::string message = MetaError(c.Data);
        EXPECT_EQ(message.rfind("Metafile is not valid: ", 0), 0u) << c.Name << ": " << message;
        EXPECT_NE(message.find(c.Reason), std::string::npos) << c.Name << ": " << message;
    }
    EXPECT_EQ(MetaError(emf), "loaded");
    EXPECT_EQ(MetaError(wmf), "loaded");
    EXPECT_EQ(MetaError(placeable), "loaded");
}
