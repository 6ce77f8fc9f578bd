// Blob fields: values read and written through the dataset's blob streams (BlobFields.h).
#include "platform/vcl/db/BlobFields.h"

#include "platform/vcl/FileStream.h"
#include "platform/vcl/Graphic.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSet.h"

namespace vcl {

namespace {

// The dataset's blob stream over the field; raises when the field has no dataset or the dataset
// keeps no blobs.
TOwned<TStream> OpenBlob(TField* field, TBlobStreamMode mode) {
    TDataSet* dataSet = field->GetDataSet();
    if (dataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, {field->GetDisplayName()}, field);
    TOwned<TStream> stream = dataSet->CreateBlobStream(field, mode);
    if (!stream) DatabaseErrorFmt(SNotABlobField, {field->GetDisplayName()}, dataSet);
    return stream;
}

} // namespace

// --- TBlobField -------------------------------------------------------------------------------------

TBlobField::TBlobField(TComponent* owner) : TField(owner) {
    SetDataType(ftBlob);
}

TBlobField::~TBlobField() = default;

std::int64_t TBlobField::GetBlobSize() {
    if (GetIsNull()) return 0;
    return OpenBlob(this, bmRead)->GetSize();
}

AnsiString TBlobField::GetAsString() {
    if (GetIsNull()) return AnsiString();
    TOwned<TStream> stream = OpenBlob(this, bmRead);
    AnsiString value(static_cast<std::size_t>(stream->GetSize()), '\0');
    stream->SetPosition(0);
    stream->ReadBuffer(value.data(), static_cast<std::int64_t>(value.size()));
    return value;
}

void TBlobField::SetAsString(const AnsiString& value) {
    TOwned<TStream> stream = OpenBlob(this, bmWrite);
    stream->WriteBuffer(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBlobField::Clear() {
    OpenBlob(this, bmWrite);
}

Variant TBlobField::GetAsVariant() {
    if (GetIsNull()) return Null();
    return Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& value) {
    if (value.VarType() == (varArray | varByte) && VarArrayDimCount(value) == 1) {
        const std::int32_t count = VarArrayHighBound(value, 1) - VarArrayLowBound(value, 1) + 1;
        const void* data = VarArrayLock(value);
        AnsiString bytes(static_cast<const char*>(data), static_cast<std::size_t>(count > 0 ? count : 0));
        VarArrayUnlock(value);
        SetAsString(bytes);
        return;
    }
    SetAsString(value.AsString());
}

AnsiString TBlobField::GetTextValue(bool displayText) {
    if (displayText) return GetIsNull() ? "(blob)" : "(BLOB)";
    return GetAsString();
}

void TBlobField::LoadFromStream(TStream* stream) {
    TOwned<TStream> blob = OpenBlob(this, bmWrite);
    blob->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream* stream) {
    if (GetIsNull()) return;
    TOwned<TStream> blob = OpenBlob(this, bmRead);
    stream->CopyFrom(blob.get(), 0);
}

void TBlobField::LoadFromFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, static_cast<std::uint16_t>(fmOpenRead | fmShareDenyWrite));
    LoadFromStream(file.get());
}

void TBlobField::SaveToFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmCreate);
    SaveToStream(file.get());
}

void TBlobField::Assign(TPersistent* source) {
    if (auto* field = dynamic_cast<TBlobField*>(source)) {
        if (field->GetIsNull()) {
            Clear();
        } else {
            SetAsString(field->GetAsString());
        }
        return;
    }
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        SetAsString(strings->GetText());
        return;
    }
    inherited::Assign(source);
}

// --- TMemoField -------------------------------------------------------------------------------------

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner) {
    SetDataType(ftMemo);
    SetTransliterate(true);
}

TMemoField::~TMemoField() = default;

AnsiString TMemoField::GetTextValue(bool displayText) {
    if (displayText) return GetIsNull() ? "(memo)" : "(MEMO)";
    return GetAsString();
}

// --- TGraphicField ----------------------------------------------------------------------------------

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner) {
    SetDataType(ftGraphic);
}

TGraphicField::~TGraphicField() = default;

void TGraphicField::Assign(TPersistent* source) {
    TGraphic* graphic = nullptr;
    if (auto* picture = dynamic_cast<TPicture*>(source)) {
        graphic = picture->GetGraphic();
        if (graphic == nullptr) {
            Clear();
            return;
        }
    } else {
        graphic = dynamic_cast<TGraphic*>(source);
    }
    if (graphic == nullptr) {
        inherited::Assign(source);
        return;
    }
    auto bytes = New<TMemoryStream>();
    graphic->SaveToStream(bytes.get());
    bytes->SetPosition(0);
    LoadFromStream(bytes.get());
}

void TGraphicField::AssignTo(TPersistent* dest) {
    auto* picture = dynamic_cast<TPicture*>(dest);
    if (picture == nullptr) {
        inherited::AssignTo(dest);
        return;
    }
    if (GetIsNull()) {
        picture->SetGraphic(nullptr);
        return;
    }
    auto bytes = New<TMemoryStream>();
    SaveToStream(bytes.get());
    bytes->SetPosition(0);
    picture->LoadFromStream(bytes.get());
}

VCL_CLASS_INFO(TBlobField)
VCL_CLASS_INFO(TMemoField, [](TPublisher<TMemoField>& p) {
    p.Property("Transliterate", &TMemoField::GetTransliterate, &TMemoField::SetTransliterate).Default(true);
})
VCL_CLASS_INFO(TGraphicField)

} // namespace vcl
