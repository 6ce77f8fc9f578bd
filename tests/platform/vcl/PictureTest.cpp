// Pictures: the kind accessors and their replacement rule (what blob conversions rely on), change
// events, loading by extension and by content, assignment both ways, the file-format list, the
// "Data" property of form files, and the committed sample files.
#include "PictureSamples.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/TypInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace vcl;
using namespace pictest;

namespace {

Bytes Save(TGraphic* graphic) {
    auto out = New<TStringStream>();
    graphic->SaveToStream(out.get());
    return out->GetDataString();
}

Bytes SampleBmp() {
    BmpFields s;
    s.Width = 2;
    s.Height = 2;
    s.Pixels = PadRows({Bytes(6, '\x10'), Bytes(6, '\x20')});
    return MakeBmp(s);
}

Bytes SampleIco() {
    return MakeIco({{16, 16, MakeIconDib(16, 16, 4)}});
}

Bytes SampleEmf() {
    return MakeEmf(0, 0, 2540, 2540);
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A bitmap class of the application's own.
class TMyBitmap : public TBitmap {
    VCL_CLASS(TMyBitmap, TBitmap)
public:
    TMyBitmap() = default;
    static bool CanLoadFromStream(TStream* stream) { return TBitmap::CanLoadFromStream(stream); }
    TGraphicClass GetGraphicClass() const override { return GraphicClassOf<TMyBitmap>(); }

protected:
    ~TMyBitmap() override = default;
};

// A component that shows a picture, stored in form files.
class TPictureHolder : public TComponent {
    VCL_CLASS(TPictureHolder, TComponent)
public:
    explicit TPictureHolder(TComponent* owner) : TComponent(owner), FPicture(New<TPicture>()) {}
    TPicture* GetPicture() const { return FPicture.get(); }

protected:
    ~TPictureHolder() override = default;

private:
    TOwned<TPicture> FPicture;
};

} // namespace

VCL_CLASS_INFO(TMyBitmap)
VCL_CLASS_INFO(TPictureHolder,
               [](TPublisher<TPictureHolder>& p) { p.Property("Picture", &TPictureHolder::GetPicture); })

TEST(Picture, KindAccessorsReplaceAnotherKindWithAnEmptyGraphic) {
    auto pic = New<TPicture>();
    EXPECT_EQ(pic->GetGraphic(), nullptr);
    EXPECT_EQ(pic->GetWidth(), 0);

    TBitmap* bmp = pic->GetBitmap();
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(pic->GetGraphic(), bmp);
    EXPECT_TRUE(bmp->GetEmpty());
    EXPECT_EQ(pic->GetBitmap(), bmp); // held already: the same object
    auto in = New<TStringStream>(SampleBmp());
    bmp->LoadFromStream(in.get());
    EXPECT_EQ(pic->GetWidth(), 2);

    // Asking for an icon drops the bitmap: an empty icon, which saves nothing.
    TIcon* icon = pic->GetIcon();
    EXPECT_EQ(pic->GetGraphic(), icon);
    EXPECT_TRUE(icon->GetEmpty());
    EXPECT_EQ(Save(icon), "");
    EXPECT_EQ(pic->GetWidth(), 0);
    TMetafile* mf = pic->GetMetafile();
    EXPECT_EQ(pic->GetGraphic()->ClassType(), TMetafile::StaticClass());
    EXPECT_TRUE(mf->GetEmpty());
    // An empty graphic from an empty stream: what a blob holding an empty picture gives back.
    auto empty = New<TStringStream>();
    pic->GetBitmap()->LoadFromStream(empty.get());
    EXPECT_TRUE(pic->GetBitmap()->GetEmpty());

    // A graphic of a class derived from the kind counts as that kind.
    auto mine = New<TMyBitmap>();
    pic->SetGraphic(mine.get());
    EXPECT_EQ(pic->GetGraphic()->ClassType(), TMyBitmap::StaticClass());
    TGraphic* held = pic->GetGraphic();
    EXPECT_EQ(pic->GetBitmap(), held);
}

TEST(Picture, ChangesOfThePictureAndOfItsGraphicFireOnChange) {
    auto pic = New<TPicture>();
    int changes = 0;
    pic->SetOnChange([&](TObject* sender) {
        EXPECT_EQ(sender, pic.get());
        ++changes;
    });
    TBitmap* bmp = pic->GetBitmap(); // a new graphic
    EXPECT_EQ(changes, 1);
    bmp->SetSize(4, 4); // a change inside the graphic
    EXPECT_EQ(changes, 2);
    pic->GetBitmap(); // nothing replaced
    EXPECT_EQ(changes, 2);
    pic->SetGraphic(nullptr);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(pic->GetGraphic(), nullptr);
}

TEST(Picture, FilesByExtensionAndStreamsByContent) {
    tnxtest::TempDir dir;
    const Bytes bmp = SampleBmp(), ico = SampleIco(), emf = SampleEmf(),
                wmf = MakeWmf(0, 0, 1440, 1440, 1440);
    WriteFile(dir.File("a.BMP"), bmp);
    WriteFile(dir.File("b.ico"), ico);
    WriteFile(dir.File("c.emf"), emf);
    WriteFile(dir.File("d.wmf"), wmf);
    WriteFile(dir.File("e.xyz"), bmp);
    WriteFile(dir.File("f.bmp"), ico);

    auto pic = New<TPicture>();
    const struct {
        const char* Name;
        TClass Class;
        int Width;
    } files[] = {{"a.BMP", TBitmap::StaticClass(), 2},
                 {"b.ico", TIcon::StaticClass(), 16},
                 {"c.emf", TMetafile::StaticClass(), 96},
                 {"d.wmf", TMetafile::StaticClass(), 96}};
    for (const auto& f : files) {
        pic->LoadFromFile(dir.File(f.Name));
        EXPECT_EQ(pic->GetGraphic()->ClassType(), f.Class) << f.Name;
        EXPECT_EQ(pic->GetWidth(), f.Width) << f.Name;
        pic->SaveToFile(dir.File(std::string("copy-") + f.Name));
        EXPECT_EQ(ReadFile(dir.File(std::string("copy-") + f.Name)), ReadFile(dir.File(f.Name)));
    }
    // An unknown extension, and a file whose data does not fit its extension: the picture keeps
    // what it held.
    try {
        pic->LoadFromFile(dir.File("e.xyz"));
        FAIL() << "loaded an unknown extension";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(pic->LoadFromFile(dir.File("f.bmp")), EInvalidGraphic);
    EXPECT_THROW(pic->LoadFromFile(dir.File("missing.bmp")), EFOpenError);
    EXPECT_EQ(pic->GetGraphic()->ClassType(), TMetafile::StaticClass());
    EXPECT_FALSE(pic->GetGraphic()->GetEmpty());

    // From a stream, by the data's signature.
    for (const Bytes& data : {bmp, ico, emf, wmf, MakeWmf(10, 10)}) {
        auto in = New<TStringStream>(data);
        pic->LoadFromStream(in.get());
        ASSERT_NE(pic->GetGraphic(), nullptr);
        auto out = New<TStringStream>();
        pic->SaveToStream(out.get());
        EXPECT_EQ(out->GetDataString(), data);
    }
    auto garbage = New<TStringStream>("not a picture at all");
    try {
        pic->LoadFromStream(garbage.get());
        FAIL() << "loaded garbage";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Invalid graphic format");
    }
    auto nothing = New<TStringStream>();
    pic->LoadFromStream(nothing.get());
    EXPECT_EQ(pic->GetGraphic(), nullptr);
}

TEST(Picture, AssignmentCopiesBothWays) {
    auto a = New<TPicture>();
    auto in = New<TStringStream>(SampleBmp());
    a->GetBitmap()->LoadFromStream(in.get());

    auto b = New<TPicture>();
    b->Assign(a.get());
    ASSERT_NE(b->GetGraphic(), a->GetGraphic());
    EXPECT_TRUE(b->GetGraphic()->Equals(a->GetGraphic()));
    b->GetBitmap()->SetWidth(9); // a copy, not a share
    EXPECT_EQ(a->GetWidth(), 2);

    // Into a bitmap: the picture's graphic is one; into an icon it is not.
    auto bmp = New<TBitmap>();
    bmp->Assign(a.get());
    EXPECT_EQ(Save(bmp.get()), SampleBmp());
    auto icon = New<TIcon>();
    EXPECT_THROW(icon->Assign(a.get()), EConvertError);

    // From a graphic, from nothing, and from something that is not a picture.
    b->Assign(icon.get());
    EXPECT_EQ(b->GetGraphic()->ClassType(), TIcon::StaticClass());
    b->Assign(nullptr);
    EXPECT_EQ(b->GetGraphic(), nullptr);
    auto list = New<TStringList>();
    EXPECT_THROW(b->Assign(list.get()), EConvertError);
}

TEST(Picture, FileFormatList) {
    EXPECT_EQ(TPicture::FindExtension(".BMP"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::FindExtension("wmf"), GraphicClassOf<TMetafile>());
    EXPECT_EQ(TPicture::FindExtension("png"), nullptr);
    EXPECT_EQ(TPicture::FindClassName("ticon"), GraphicClassOf<TIcon>());
    EXPECT_EQ(GraphicExtension(TMetafile::StaticClass()), "emf");
    EXPECT_EQ(GraphicFileMask(TMetafile::StaticClass()), "*.emf;*.wmf");
    EXPECT_EQ(GraphicFilter(TIcon::StaticClass()), "All (*.ico)|*.ico|Icons (*.ico)|*.ico");

    // A later registration of an extension wins, and unregistering restores the earlier one.
    TPicture::RegisterFileFormat(".Bmp", "My bitmaps", GraphicClassOf<TMyBitmap>());
    EXPECT_EQ(TPicture::FindExtension("bmp"), GraphicClassOf<TMyBitmap>());
    EXPECT_NE(GraphicFilter(TGraphic::StaticClass()).find("|My bitmaps (*.bmp)|*.bmp"), std::string::npos);
    tnxtest::TempDir dir;
    WriteFile(dir.File("x.bmp"), SampleBmp());
    auto pic = New<TPicture>();
    pic->LoadFromFile(dir.File("x.bmp"));
    EXPECT_EQ(pic->GetGraphic()->ClassType(), TMyBitmap::StaticClass());
    TPicture::UnregisterGraphicClass(GraphicClassOf<TMyBitmap>());
    EXPECT_EQ(TPicture::FindExtension("bmp"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::FindClassName("TMyBitmap"), nullptr);
}

TEST(Picture, FormFilesStoreTheGraphicAsData) {
    RegisterClass(TPictureHolder::StaticClass());
    const Bytes bmp = SampleBmp();
    for (const Bytes& data : {bmp, SampleIco(), SampleEmf(), MakeWmf(30, 20)}) {
        auto holder = New<TPictureHolder>();
        holder->SetName("Image1");
        auto in = New<TStringStream>(data);
        holder->GetPicture()->LoadFromStream(in.get());
        auto form = New<TStringStream>();
        form->WriteComponent(holder.get());

        auto copy = New<TPictureHolder>();
        auto back = New<TStringStream>(form->GetDataString());
        back->ReadComponent(copy.get());
        ASSERT_NE(copy->GetPicture()->GetGraphic(), nullptr);
        EXPECT_EQ(copy->GetPicture()->GetGraphic()->ClassType(),
                  holder->GetPicture()->GetGraphic()->ClassType());
        EXPECT_EQ(Save(copy->GetPicture()->GetGraphic()), data);
    }

    // The stored value: the class name as a short string, then for a bitmap its byte count.
    auto holder = New<TPictureHolder>();
    holder->SetName("Image1");
    auto in = New<TStringStream>(bmp);
    holder->GetPicture()->GetBitmap()->LoadFromStream(in.get());
    auto form = New<TStringStream>();
    form->WriteComponent(holder.get());
    Bytes expected = "\x07TBitmap";
    Put32(expected, static_cast<std::uint32_t>(bmp.size()));
    expected += bmp;
    EXPECT_NE(form->GetDataString().find("Picture.Data"), std::string::npos);
    EXPECT_NE(form->GetDataString().find(expected), std::string::npos);

    // No graphic: nothing stored. An unknown class name, or a bitmap whose count overruns, fail.
    auto none = New<TPictureHolder>();
    none->SetName("Image2");
    auto plain = New<TStringStream>();
    plain->WriteComponent(none.get());
    EXPECT_EQ(plain->GetDataString().find("Picture.Data"), std::string::npos);

    auto corrupt = [&](const Bytes& from, const Bytes& to) {
        Bytes f = form->GetDataString();
        f.replace(f.find(from), from.size(), to);
        auto copy = New<TPictureHolder>();
        auto s = New<TStringStream>(f);
        s->ReadComponent(copy.get());
    };
    EXPECT_THROW(corrupt("\x07TBitmap", "\x07TBitmax"), EReadError);
    Bytes bigger = "\x07TBitmap";
    Put32(bigger, static_cast<std::uint32_t>(bmp.size() + 1));
    EXPECT_THROW(corrupt(expected.substr(0, 12), bigger), EReadError);
    UnRegisterClass(TPictureHolder::StaticClass());
}

TEST(Picture, CommittedSamplesLoadAndSaveUnchanged) {
    const std::filesystem::path folder = std::filesystem::path(TNX_VCL_TEST_DATA) / "pictures";
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = entry.path().extension().string();
        if (ext != ".bmp" && ext != ".ico" && ext != ".emf" && ext != ".wmf") continue;
        SCOPED_TRACE(entry.path().filename().string());
        auto pic = New<TPicture>();
        pic->LoadFromFile(entry.path().string());
        ASSERT_NE(pic->GetGraphic(), nullptr);
        EXPECT_GT(pic->GetWidth(), 0);
        EXPECT_GT(pic->GetHeight(), 0);
        EXPECT_EQ(Save(pic->GetGraphic()), ReadFile(entry.path().string()));
        ++count;
    }
    EXPECT_GE(count, 20);
}
