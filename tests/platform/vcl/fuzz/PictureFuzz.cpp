// Fuzz target for the picture loaders: the same bytes go to a bitmap, an icon, a metafile and a
// picture that recognises the format. Each must either refuse the data with EInvalidGraphic or
// load it; a loaded graphic must save exactly the bytes it read, report a sane size, load again
// from what it saved, and (for bitmaps) survive resizing and pixel format changes, which decode
// the pixel data. Anything else (a crash, a sanitizer report, another exception) is a failure.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/MemoryStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_vcl_pictures: %s\n", what);
        std::abort();
    }
}

std::string Save(vcl::TGraphic* graphic) {
    auto out = vcl::New<vcl::TStringStream>();
    graphic->SaveToStream(out.get());
    return out->GetDataString();
}

// Loads the input; returns whether it loaded, after checking what a loaded graphic promises.
template <class T>
bool LoadAndCheck(const std::string& input, vcl::TOwned<T>& graphic) {
    graphic = vcl::New<T>();
    try {
        auto in = vcl::New<vcl::TStringStream>(input);
        graphic->LoadFromStream(in.get());
    } catch (const vcl::EInvalidGraphic&) {
        Check(graphic->GetEmpty(), "a failed load changed the graphic");
        return false;
    }
    Check(graphic->GetEmpty() == input.empty(), "emptiness does not follow the data");
    Check(Save(graphic.get()) == input, "saving does not give back the bytes read");
    Check(graphic->GetWidth() >= 0 && graphic->GetHeight() >= 0, "negative size");
    auto again = vcl::New<T>();
    auto in = vcl::New<vcl::TStringStream>(input);
    again->LoadFromStream(in.get());
    Check(again->GetWidth() == graphic->GetWidth() && again->GetHeight() == graphic->GetHeight(),
          "the size changed on reloading");
    return true;
}

void ExerciseBitmap(vcl::TBitmap* bmp) {
    // Conversions decode every pixel; keep them to small images so each input stays quick.
    if (static_cast<std::int64_t>(bmp->GetWidth()) * bmp->GetHeight() > 64 * 64) return;
    for (vcl::TPixelFormat f : {vcl::pf24bit, vcl::pf1bit, vcl::pf8bit, vcl::pf16bit}) {
        auto copy = vcl::New<vcl::TBitmap>();
        copy->Assign(bmp);
        copy->SetPixelFormat(f);
        copy->SetSize(bmp->GetWidth() + 1, bmp->GetHeight() / 2 + 1);
        auto back = vcl::New<vcl::TBitmap>();
        auto in = vcl::New<vcl::TStringStream>(Save(copy.get()));
        back->LoadFromStream(in.get());
        Check(back->GetWidth() == bmp->GetWidth() + 1, "a rebuilt bitmap has the wrong width");
        Check(back->GetPixelFormat() == f, "a rebuilt bitmap has the wrong format");
    }
}

void ExerciseMetafile(vcl::TMetafile* mf) {
    try {
        mf->SetMMWidth(mf->GetMMWidth() + 100);
        mf->SetHeight(mf->GetHeight() + 3);
    } catch (const vcl::EPropertyError&) {
        return; // a size the header cannot hold
    }
    auto back = vcl::New<vcl::TMetafile>();
    auto in = vcl::New<vcl::TStringStream>(Save(mf));
    back->LoadFromStream(in.get());
    Check(back->GetMMWidth() == mf->GetMMWidth(), "a resized metafile reads back another width");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    vcl::TOwned<vcl::TBitmap> bmp;
    if (LoadAndCheck(input, bmp) && !bmp->GetEmpty()) ExerciseBitmap(bmp.get());
    vcl::TOwned<vcl::TIcon> icon;
    if (LoadAndCheck(input, icon) && !icon->GetEmpty())
        Check(icon->GetCurrentImage() >= 0 && icon->GetCurrentImage() < icon->GetImageCount(),
              "no image shown");
    vcl::TOwned<vcl::TMetafile> mf;
    if (LoadAndCheck(input, mf) && !mf->GetEmpty()) ExerciseMetafile(mf.get());

    auto picture = vcl::New<vcl::TPicture>();
    try {
        auto in = vcl::New<vcl::TStringStream>(input);
        picture->LoadFromStream(in.get());
        auto out = vcl::New<vcl::TStringStream>();
        picture->SaveToStream(out.get());
        Check(out->GetDataString() == input, "the picture does not save the bytes read");
    } catch (const vcl::EInvalidGraphic&) {
        Check(picture->GetGraphic() == nullptr, "a failed load changed the picture");
    }
    return 0;
}
