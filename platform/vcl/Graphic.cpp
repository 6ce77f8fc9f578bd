// TGraphic: file access, equality, change notification and the form-file "Data" property.
#include "platform/vcl/Graphic.h"

#include "platform/vcl/FileStream.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/TypInfo.h"

#include <cstring>

namespace vcl {

VCL_CLASS_INFO(TGraphic)

TGraphic::~TGraphic() = default;

void TGraphic::LoadFromFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file.get());
}

void TGraphic::SaveToFile(const AnsiString& fileName) {
    auto file = New<TFileStream>(fileName, fmCreate);
    SaveToStream(file.get());
}

bool TGraphic::Equals(TGraphic* other) {
    if (other == nullptr || other->ClassType() != ClassType()) return false;
    if (other == this) return true;
    if (GetEmpty() || other->GetEmpty()) return GetEmpty() == other->GetEmpty();
    auto mine = New<TMemoryStream>();
    auto theirs = New<TMemoryStream>();
    SaveToStream(mine.get());
    other->SaveToStream(theirs.get());
    return mine->GetSize() == theirs->GetSize() &&
           (mine->GetSize() == 0 ||
            std::memcmp(mine->Memory(), theirs->Memory(), static_cast<std::size_t>(mine->GetSize())) == 0);
}

void TGraphic::SetModified(bool value) {
    if (value) {
        Changed(this);
    } else {
        FModified = false;
    }
}

void TGraphic::Changed(TObject*) {
    FModified = true;
    if (FOnChange) FOnChange(this);
}

void TGraphic::DefineProperties(TFiler& filer) {
    bool hasData;
    if (auto* ancestor = dynamic_cast<TGraphic*>(filer.GetAncestor())) {
        hasData = !Equals(ancestor);
    } else {
        hasData = !GetEmpty();
    }
    filer.DefineBinaryProperty(
        "Data", [this](TStream* stream) { ReadData(stream); }, [this](TStream* stream) { WriteData(stream); },
        hasData);
}

void TGraphic::ReadData(TStream* stream) {
    LoadFromStream(stream);
}

void TGraphic::WriteData(TStream* stream) {
    SaveToStream(stream);
}

} // namespace vcl
