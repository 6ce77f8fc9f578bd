// TAsaParams' stored form: the binary property "Data" in form files (layout and the rules for
// damaged data in AsaParams.h).
#include "asa/dataset/AsaDatasetConsts.h"
#include "asa/dataset/AsaParamBytes.h"
#include "asa/dataset/AsaParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/VclConsts.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tnx {

using vcl::AnsiString;
using vcl::EReadError;

namespace {

std::int32_t ReadInt32(vcl::TStream* stream) {
    unsigned char bytes[4];
    stream->ReadBuffer(bytes, sizeof bytes);
    return paramBytes::Int32At(bytes);
}

// A length-prefixed text (a name or an alias). The length is checked against what the stream
// still holds before anything is allocated for it.
AnsiString ReadText(vcl::TStream* stream, std::int32_t index, const char* what) {
    const std::int32_t length = ReadInt32(stream);
    if (length < 0) throw EReadError(STnxParamDataLength, {index, what, length});
    if (length > stream->GetSize() - stream->GetPosition()) throw EReadError(vcl::SReadError);
    AnsiString text(static_cast<std::size_t>(length), '\0');
    stream->ReadBuffer(text.data(), length);
    return text;
}

void AppendText(std::string& out, const AnsiString& text) {
    paramBytes::AppendInt32(out, static_cast<std::int32_t>(text.size()));
    out += text;
}

} // namespace

void TAsaParams::DefineProperties(vcl::TFiler& filer) {
    inherited::DefineProperties(filer);
    bool hasData = GetCount() > 0;
    if (auto* ancestor = dynamic_cast<TAsaParams*>(filer.GetAncestor())) hasData = !IsEqual(*ancestor);
    filer.DefineBinaryProperty(
        "Data", [this](vcl::TStream* stream) { ReadBinaryData(stream); },
        [this](vcl::TStream* stream) { WriteBinaryData(stream); }, hasData);
}

void TAsaParams::WriteBinaryData(vcl::TStream* stream) const {
    std::string out;
    paramBytes::AppendInt32(out, GetCount());
    for (std::int32_t i = 0; i < GetCount(); ++i) {
        const TAsaParam* param = ItemAt(i);
        AppendText(out, param->GetName());
        AppendText(out, param->GetAlias());
        out.push_back(static_cast<char>(param->GetDataType()));
        if (param->GetDataType() == ntUnknown) continue;
        const AnsiString data = param->DataForm();
        const auto size = static_cast<std::int32_t>(std::min<std::size_t>(data.size(), MaxDataSize));
        paramBytes::AppendInt32(out, size);
        out.append(data, 0, static_cast<std::size_t>(size));
    }
    stream->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void TAsaParams::ReadBinaryData(vcl::TStream* stream) {
    Clear();
    const std::int32_t count = ReadInt32(stream);
    if (count < 0) throw EReadError(STnxParamDataCount, {count});
    for (std::int32_t i = 0; i < count; ++i) {
        TAsaParam* param = TAsaParam::Create(*this, AnsiString());
        try {
            ReadParam(stream, *param, i);
        } catch (...) {
            // Only parameters read completely stay in the list.
            param->Free();
            throw;
        }
    }
}

void TAsaParams::ReadParam(vcl::TStream* stream, TAsaParam& param, std::int32_t index) {
    param.FName = ReadText(stream, index, "name");
    param.FAlias = ReadText(stream, index, "alias");
    std::uint8_t type = 0;
    stream->ReadBuffer(&type, 1);
    if (type > ntBlob) throw EReadError(STnxParamDataType, {param.FName, static_cast<int>(type)});
    // The type goes in as it is: the value stays the integer 0 until the data sets it.
    param.FDataType = static_cast<TAsaParamDataType>(type);
    if (type == ntUnknown) return;

    const std::int32_t size = ReadInt32(stream);
    if (size < 0) throw EReadError(STnxParamDataLength, {index, "data", size});
    if (size > MaxDataSize) throw EReadError(STnxParamDataTooLarge, {param.FName, size, MaxDataSize});
    std::array<unsigned char, MaxDataSize> block{};
    stream->ReadBuffer(block.data(), size);
    if (type == ntBinary || type == ntBlob) {
        param.SetBlobData(block.data(), size);
        return;
    }
    const std::int32_t needed = TAsaParam::FixedDataSize(param.FDataType);
    if (needed > size) throw EReadError(STnxParamDataTooShort, {param.FName, size, needed});
    // A text of MaxDataSize bytes without a terminator is a longer value the writer cut at the
    // limit; a shorter one without its 0 byte cannot have come from a writer.
    if ((type == ntString || type == ntMemo) && size < MaxDataSize &&
        std::memchr(block.data(), 0, static_cast<std::size_t>(size)) == nullptr)
        throw EReadError(STnxParamDataNoTerminator, {param.FName});
    try {
        param.SetData(block.data(), static_cast<std::size_t>(size));
    } catch (const vcl::EConvertError& e) {
        throw EReadError(STnxParamDataValue, {param.FName, e.Message()});
    } catch (const vcl::EVariantError& e) {
        throw EReadError(STnxParamDataValue, {param.FName, e.Message()});
    }
}

} // namespace tnx
