// TAsaParam: life cycle, typed values and their conversions, and assignment from other objects
// (see AsaParam.h). The data form lives in AsaParamData.cpp, the assignment from dataset fields
// in AsaParamField.cpp.
#include "asa/dataset/AsaParam.h"

#include "asa/dataset/AsaParamField.h"
#include "asa/dataset/AsaParams.h"
#include "base/CorvexException.h"
#include "base/TnxConsts.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FileStream.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

namespace tnx {

using vcl::AnsiString;
using vcl::TDateTime;
using vcl::Variant;

VCL_CLASS_INFO(TAsaParam)

TAsaParam::TAsaParam(const AnsiString& name) : FName(name) {
    SetDataType(ntUnknown);
}

TAsaParam* TAsaParam::Create(TAsaParams& list, const AnsiString& name) {
    auto param = vcl::New<TAsaParam>(name);
    list.AddParam(param.get());
    return param.release();
}

TAsaParam::~TAsaParam() = default;

void TAsaParam::Destroy() {
    if (FParamList != nullptr) FParamList->RemoveParam(this);
    inherited::Destroy();
}

void TAsaParam::SetDataType(TAsaParamDataType type) {
    FValue = std::int32_t(0);
    FDataType = type;
}

void TAsaParam::Clear() {
    FIsNull = true;
    FValue = std::int32_t(0);
}

bool TAsaParam::IsEqual(const TAsaParam& other) const {
    // The type codes first: values of different types may not even be comparable.
    return FValue.VarType() == other.FValue.VarType() && FValue == other.FValue && FName == other.FName &&
           FAlias == other.FAlias && FDataType == other.FDataType && FIsNull == other.FIsNull;
}

void TAsaParam::Assign(vcl::TPersistent* source) {
    if (auto* param = dynamic_cast<TAsaParam*>(source)) {
        FName = param->FName;
        FAlias = param->FAlias;
        FDataType = param->FDataType;
        if (param->FIsNull) {
            Clear();
        } else {
            FIsNull = false;
            FValue = param->FValue;
        }
        return;
    }
    if (AssignParamFromField(*this, source)) return;
    if (auto* strings = dynamic_cast<vcl::TStrings*>(source)) {
        SetAsMemo(strings->GetText());
        return;
    }
    if (auto* bitmap = dynamic_cast<vcl::TBitmap*>(source)) {
        AssignBitmap(*bitmap);
        return;
    }
    if (auto* picture = dynamic_cast<vcl::TPicture*>(source)) {
        if (auto* pictureBitmap = dynamic_cast<vcl::TBitmap*>(picture->GetGraphic())) {
            AssignBitmap(*pictureBitmap);
            return;
        }
    }
    inherited::Assign(source);
}

void TAsaParam::AssignBitmap(vcl::TBitmap& bitmap) {
    auto stream = vcl::New<vcl::TMemoryStream>();
    bitmap.SaveToStream(stream.get());
    LoadFromStream(stream.get(), ntBlob);
}

void TAsaParam::LoadFromFile(const AnsiString& fileName, TAsaParamBlobType blobType) {
    auto stream = vcl::New<vcl::TFileStream>(fileName, vcl::fmOpenRead | vcl::fmShareDenyWrite);
    LoadFromStream(stream.get(), blobType);
}

void TAsaParam::LoadFromStream(vcl::TStream* stream, TAsaParamBlobType blobType) {
    if (stream == nullptr) throw ECorvexException(vcl::LoadResString(CORVEX_ERR_BLOB_STREAM_INVALID), 0);
    stream->SetPosition(0);
    AnsiString data(static_cast<std::size_t>(stream->GetSize()), '\0');
    stream->ReadBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    if (blobType == ntMemo) {
        SetAsMemo(data);
    } else if (blobType == ntBlob) {
        SetAsBlob(data);
    }
}

void TAsaParam::SetText(const AnsiString& text) {
    // Convert before changing anything, so a text the type refuses leaves the parameter as it was.
    const TAsaParamDataType type = FDataType == ntUnknown ? ntString : FDataType;
    const Variant textValue(text);
    Variant converted;
    switch (type) {
    case ntInteger:
        converted = textValue.AsInteger();
        break;
    case ntFloat:
    case ntCurrency:
        converted = textValue.AsDouble();
        break;
    case ntDate:
    case ntTime:
    case ntDateTime:
        try {
            converted = textValue.AsDateTime();
        } catch (const vcl::EVariantError&) {
            converted = std::int32_t(0);
        } catch (const vcl::EConvertError&) {
            converted = std::int32_t(0);
        }
        break;
    case ntBoolean:
        converted = textValue.AsBoolean();
        break;
    default:
        converted = textValue;
        break;
    }
    FIsNull = false;
    if (FDataType == ntUnknown) SetDataType(ntString);
    FValue = std::move(converted);
}

void TAsaParam::SetAsVariant(const Variant& value) {
    FIsNull = false;
    switch (value.VarType()) {
    case vcl::varSmallint:
    case vcl::varInteger:
        SetDataType(ntInteger);
        break;
    case vcl::varSingle:
    case vcl::varDouble:
        SetDataType(ntFloat);
        break;
    case vcl::varCurrency:
        SetDataType(ntCurrency);
        break;
    case vcl::varDate:
        SetDataType(ntDateTime);
        break;
    case vcl::varOleStr:
    case vcl::varString:
        SetDataType(ntString);
        break;
    case vcl::varBoolean:
        SetDataType(ntBoolean);
        break;
    case vcl::varArray | vcl::varByte:
        SetDataType(ntBinary);
        break;
    default:
        Clear();
        SetDataType(ntUnknown);
        break;
    }
    FValue = value;
}

void TAsaParam::SetAsString(const AnsiString& value) {
    FIsNull = false;
    FDataType = ntString;
    FValue = value;
}

AnsiString TAsaParam::GetAsString() const {
    if (FIsNull) return {};
    switch (FDataType) {
    case ntDate:
    case ntTime:
    case ntDateTime:
        try {
            return Variant(TDateTime(FValue.AsDouble())).AsString();
        } catch (const vcl::EVariantError&) {
            return {};
        } catch (const vcl::EConvertError&) {
            return {};
        }
    case ntBoolean:
        return vcl::LoadResString(FValue.AsBoolean() ? CORVEX_TXT_TRUE : CORVEX_TXT_FALSE);
    default:
        return FValue.AsString();
    }
}

void TAsaParam::SetAsInteger(std::int32_t value) {
    FIsNull = false;
    FDataType = ntInteger;
    FValue = value;
}

std::int32_t TAsaParam::GetAsInteger() const {
    return FValue.AsInteger();
}

void TAsaParam::SetAsFloat(double value) {
    FIsNull = false;
    FDataType = ntFloat;
    FValue = value;
}

double TAsaParam::GetAsFloat() const {
    return FValue.AsDouble();
}

void TAsaParam::SetAsCurrency(double value) {
    SetAsFloat(value);
    FDataType = ntCurrency;
}

void TAsaParam::SetAsDate(TDateTime value) {
    vcl::TTimeStamp stamp = vcl::DateTimeToTimeStamp(value);
    stamp.Time = 0;
    FIsNull = false;
    FDataType = ntDate;
    FValue = vcl::TimeStampToDateTime(stamp);
}

void TAsaParam::SetAsTime(TDateTime value) {
    vcl::TTimeStamp stamp = vcl::DateTimeToTimeStamp(value);
    stamp.Date = vcl::DateDelta;
    FIsNull = false;
    FDataType = ntTime;
    FValue = vcl::TimeStampToDateTime(stamp);
}

void TAsaParam::SetAsDateTime(TDateTime value) {
    FIsNull = false;
    FDataType = ntDateTime;
    FValue = value;
}

TDateTime TAsaParam::GetAsDateTime() const {
    if (FIsNull) return TDateTime(0.0);
    return FValue.AsDateTime();
}

void TAsaParam::SetAsBoolean(bool value) {
    FIsNull = false;
    FDataType = ntBoolean;
    FValue = value;
}

bool TAsaParam::GetAsBoolean() const {
    return FValue.AsBoolean();
}

void TAsaParam::SetAsMemo(const AnsiString& value) {
    FIsNull = false;
    FDataType = ntMemo;
    FValue = value;
}

AnsiString TAsaParam::GetAsMemo() const {
    return FValue.AsString();
}

void TAsaParam::SetAsBinary(const AnsiString& value) {
    FIsNull = false;
    SetDataType(ntBinary);
    FValue = value;
}

void TAsaParam::SetAsBlob(const AnsiString& value) {
    FIsNull = false;
    SetDataType(ntBlob);
    FValue = value;
}

} // namespace tnx
