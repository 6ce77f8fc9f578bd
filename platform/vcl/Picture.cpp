// TPicture: the held graphic, its kind accessors, loading by extension or content, the form-file
// "Data" property, and the registry of graphic file formats.
#include "platform/vcl/Picture.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Metafile.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <mutex>

namespace vcl {

VCL_CLASS_INFO(TPicture)

// --- File formats ---------------------------------------------------------------------------------

namespace {

AnsiString LowerAscii(std::string_view s) {
    AnsiString r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

AnsiString NormalExtension(std::string_view ext) {
    if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
    return LowerAscii(ext);
}

struct TFormatRegistry {
    std::mutex Lock;
    std::vector<TFileFormat> Formats; // in registration order; lookups search from the end
};

TFormatRegistry& Registry() {
    static TFormatRegistry* const registry = [] {
        auto* r = new TFormatRegistry;
        r->Formats = {
            {"bmp", "Bitmaps", GraphicClassOf<TBitmap>()},
            {"ico", "Icons", GraphicClassOf<TIcon>()},
            {"emf", "Enhanced Metafiles", GraphicClassOf<TMetafile>()},
            {"wmf", "Metafiles", GraphicClassOf<TMetafile>()},
        };
        return r;
    }();
    return *registry;
}

} // namespace

void TPicture::RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                  TGraphicClass graphicClass) {
    if (graphicClass == nullptr) return;
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    r.Formats.push_back({NormalExtension(extension), description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    if (graphicClass == nullptr) return;
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    std::erase_if(r.Formats, [&](const TFileFormat& f) { return f.GraphicClass->Class == graphicClass->Class; });
}

std::vector<TFileFormat> TPicture::FileFormats() {
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    return r.Formats;
}

TGraphicClass TPicture::FindExtension(const AnsiString& extension) {
    const AnsiString ext = NormalExtension(extension);
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    for (auto it = r.Formats.rbegin(); it != r.Formats.rend(); ++it)
        if (it->Extension == ext) return it->GraphicClass;
    return nullptr;
}

TGraphicClass TPicture::FindClassName(const AnsiString& className) {
    const AnsiString name = LowerAscii(className);
    auto& r = Registry();
    std::lock_guard lock(r.Lock);
    for (auto it = r.Formats.rbegin(); it != r.Formats.rend(); ++it)
        if (LowerAscii(it->GraphicClass->Class->Name) == name) return it->GraphicClass;
    return nullptr;
}

AnsiString GraphicFileMask(TClass graphicClass) {
    AnsiString mask;
    for (const TFileFormat& f : TPicture::FileFormats()) {
        if (!ClassInheritsFrom(f.GraphicClass->Class, graphicClass)) continue;
        if (!mask.empty()) mask += ';';
        mask += "*." + f.Extension;
    }
    return mask;
}

AnsiString GraphicExtension(TClass graphicClass) {
    for (const TFileFormat& f : TPicture::FileFormats())
        if (ClassInheritsFrom(f.GraphicClass->Class, graphicClass)) return f.Extension;
    return AnsiString();
}

AnsiString GraphicFilter(TClass graphicClass) {
    const AnsiString all = GraphicFileMask(graphicClass);
    AnsiString filter = "All (" + all + ")|" + all;
    for (const TFileFormat& f : TPicture::FileFormats()) {
        if (!ClassInheritsFrom(f.GraphicClass->Class, graphicClass)) continue;
        filter += "|" + f.Description + " (*." + f.Extension + ")|*." + f.Extension;
    }
    return filter;
}

// --- TPicture -------------------------------------------------------------------------------------

TPicture::TPicture() = default;

TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
    if (FOnChange) FOnChange(this);
}

void TPicture::TakeGraphic(TOwned<TGraphic> graphic) {
    if (graphic) graphic->SetOnChange([this](TObject* sender) { Changed(sender); });
    FGraphic = std::move(graphic);
    Changed(this);
}

template <class T>
T* TPicture::ForceType() {
    if (auto* held = dynamic_cast<T*>(FGraphic.get())) return held;
    auto graphic = New<T>();
    T* result = graphic.get();
    TakeGraphic(TOwned<TGraphic>(graphic.release()));
    return result;
}

TBitmap* TPicture::GetBitmap() {
    return ForceType<TBitmap>();
}

TIcon* TPicture::GetIcon() {
    return ForceType<TIcon>();
}

TMetafile* TPicture::GetMetafile() {
    return ForceType<TMetafile>();
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == nullptr) {
        TakeGraphic(nullptr);
        return;
    }
    if (value == FGraphic.get()) return;
    TOwned<TGraphic> copy = value->NewEmpty();
    copy->Assign(value);
    TakeGraphic(std::move(copy));
}

void TPicture::SetBitmap(TBitmap* value) {
    SetGraphic(value);
}

void TPicture::SetIcon(TIcon* value) {
    SetGraphic(value);
}

void TPicture::SetMetafile(TMetafile* value) {
    SetGraphic(value);
}

int TPicture::GetWidth() const {
    return FGraphic ? FGraphic->GetWidth() : 0;
}

int TPicture::GetHeight() const {
    return FGraphic ? FGraphic->GetHeight() : 0;
}

void TPicture::LoadFromFile(const AnsiString& fileName) {
    const AnsiString ext = NormalExtension(ExtractFileExt(fileName));
    TGraphicClass cls = FindExtension(ext);
    if (cls == nullptr) throw EInvalidGraphic(SUnknownExtension, {ext});
    TOwned<TGraphic> graphic = cls->Create();
    graphic->LoadFromFile(fileName);
    TakeGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const AnsiString& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream* stream) {
    if (stream->GetSize() - stream->GetPosition() <= 0) {
        TakeGraphic(nullptr);
        return;
    }
    const std::vector<TFileFormat> formats = FileFormats();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
        if (!it->GraphicClass->CanLoadFromStream(stream)) continue;
        TOwned<TGraphic> graphic = it->GraphicClass->Create();
        graphic->LoadFromStream(stream);
        TakeGraphic(std::move(graphic));
        return;
    }
    throw EInvalidGraphic(SInvalidGraphic);
}

void TPicture::SaveToStream(TStream* stream) {
    if (FGraphic) FGraphic->SaveToStream(stream);
}

void TPicture::Assign(TPersistent* source) {
    if (source == nullptr) {
        SetGraphic(nullptr);
    } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
        if (picture != this) SetGraphic(picture->GetGraphic());
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        SetGraphic(graphic);
    } else {
        inherited::Assign(source);
    }
}

void TPicture::AssignTo(TPersistent* dest) {
    if (FGraphic && FGraphic->InheritsFrom(dest->ClassType())) {
        dest->Assign(FGraphic.get());
    } else {
        inherited::AssignTo(dest);
    }
}

void TPicture::DefineProperties(TFiler& filer) {
    bool hasData;
    if (auto* ancestor = dynamic_cast<TPicture*>(filer.GetAncestor())) {
        TGraphic* theirs = ancestor->GetGraphic();
        hasData = FGraphic ? !FGraphic->Equals(theirs) : theirs != nullptr;
    } else {
        hasData = FGraphic != nullptr;
    }
    filer.DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        hasData);
}

void TPicture::ReadData(TStream* stream) {
    std::uint8_t length = 0;
    stream->ReadBuffer(&length, 1);
    AnsiString name(length, '\0');
    if (length > 0) stream->ReadBuffer(name.data(), length);
    TGraphicClass cls = FindClassName(name);
    if (cls == nullptr) throw EClassNotFound(SClassNotFound, {name});
    TOwned<TGraphic> graphic = cls->Create();
    graphic->ReadData(stream);
    TakeGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream* stream) {
    if (!FGraphic) return;
    const AnsiString name = FGraphic->ClassName().substr(0, 255);
    const auto length = static_cast<std::uint8_t>(name.size());
    stream->WriteBuffer(&length, 1);
    stream->WriteBuffer(name.data(), length);
    FGraphic->WriteData(stream);
}

} // namespace vcl
