// TAsaParam's data form: the value as raw bytes in the layout of its type (table in AsaParam.h).
// The bytes are little-endian on every host: they are stored in form files that other builds read.
#include "asa/dataset/AsaParam.h"

#include "asa/dataset/AsaParamBytes.h"
#include "platform/vcl/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace tnx {

using vcl::AnsiString;

namespace {

using namespace paramBytes;

AnsiString Int32Bytes(std::int32_t value) {
    AnsiString bytes;
    AppendInt32(bytes, value);
    return bytes;
}

AnsiString DoubleBytes(double value) {
    AnsiString bytes;
    AppendDouble(bytes, value);
    return bytes;
}

} // namespace

std::int32_t TAsaParam::FixedDataSize(TAsaParamDataType type) {
    switch (type) {
    case ntUnknown:
        return 0;
    case ntInteger:
    case ntDate:
    case ntTime:
        return 4;
    case ntFloat:
    case ntCurrency:
    case ntDateTime:
        return 8;
    case ntBoolean:
        return 2;
    default:
        return -1;
    }
}

AnsiString TAsaParam::ValueBytes() const {
    if (FValue.VarType() == (vcl::varArray | vcl::varByte) && vcl::VarArrayDimCount(FValue) == 1) {
        const auto count = static_cast<std::size_t>(vcl::VarArrayHighBound(FValue, 1) -
                                                    vcl::VarArrayLowBound(FValue, 1) + 1);
        const void* data = vcl::VarArrayLock(FValue);
        AnsiString bytes(static_cast<const char*>(data), count);
        vcl::VarArrayUnlock(FValue);
        return bytes;
    }
    return FValue.AsString();
}

std::int32_t TAsaParam::GetDataSize() const {
    const std::int32_t fixed = FixedDataSize(FDataType);
    if (fixed >= 0) return fixed;
    if (FDataType > ntBlob) return 0;
    std::size_t size = ValueBytes().size();
    if (FDataType == ntString || FDataType == ntMemo) ++size; // the terminating 0 byte
    return static_cast<std::int32_t>(std::min<std::size_t>(size, std::numeric_limits<std::int32_t>::max()));
}

AnsiString TAsaParam::DataForm() const {
    switch (FDataType) {
    case ntString:
    case ntMemo: {
        AnsiString text = ValueBytes();
        text.push_back('\0');
        return text;
    }
    case ntBinary:
    case ntBlob:
        return ValueBytes();
    case ntInteger:
        return Int32Bytes(FValue.AsInteger());
    case ntFloat:
    case ntCurrency:
        return DoubleBytes(FValue.AsDouble());
    case ntDate:
        return Int32Bytes(vcl::DateTimeToTimeStamp(GetAsDateTime()).Date);
    case ntTime:
        return Int32Bytes(vcl::DateTimeToTimeStamp(GetAsDateTime()).Time);
    case ntDateTime:
        return DoubleBytes(vcl::TimeStampToMSecs(vcl::DateTimeToTimeStamp(GetAsDateTime())));
    case ntBoolean: {
        // The framework's boolean word: -1 for true.
        AnsiString flag;
        AppendLittleEndian(flag, FValue.AsBoolean() ? 0xFFFFu : 0u, 2);
        return flag;
    }
    default: // ntUnknown and types without a value layout
        return {};
    }
}

void TAsaParam::GetData(void* buffer) const {
    const AnsiString form = DataForm();
    if (!form.empty()) std::memcpy(buffer, form.data(), form.size());
}

void TAsaParam::SetData(const void* buffer, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (bytes == nullptr) size = 0;
    if (FDataType == ntString || FDataType == ntMemo) {
        const auto* end = size ? static_cast<const unsigned char*>(std::memchr(bytes, 0, size)) : nullptr;
        const AnsiString text(reinterpret_cast<const char*>(bytes),
                              end ? static_cast<std::size_t>(end - bytes) : size);
        if (FDataType == ntString) {
            SetAsString(text);
        } else {
            SetAsMemo(text);
        }
        return;
    }
    // Fixed-size layouts read from a zero-padded copy, so a short buffer is never overrun.
    unsigned char fixed[8] = {};
    if (size > 0) std::memcpy(fixed, bytes, std::min<std::size_t>(size, sizeof fixed));
    switch (FDataType) {
    case ntUnknown:
    case ntBinary:
    case ntBlob:
        SetText(AnsiString());
        break;
    case ntInteger:
        SetAsInteger(Int32At(fixed));
        break;
    case ntFloat:
        SetAsFloat(DoubleAt(fixed));
        break;
    case ntCurrency:
        SetAsCurrency(DoubleAt(fixed));
        break;
    case ntDate:
        SetAsDate(vcl::TimeStampToDateTime(vcl::TTimeStamp{0, Int32At(fixed)}));
        break;
    case ntTime:
        SetAsTime(vcl::TimeStampToDateTime(vcl::TTimeStamp{Int32At(fixed), vcl::DateDelta}));
        break;
    case ntDateTime:
        SetAsDateTime(vcl::TimeStampToDateTime(vcl::MSecsToTimeStamp(std::nearbyint(DoubleAt(fixed)))));
        break;
    case ntBoolean:
        SetAsBoolean(FromLittleEndian(fixed, 2) != 0);
        break;
    default:
        break;
    }
}

void TAsaParam::SetBlobData(const void* buffer, std::int32_t length) {
    const AnsiString bytes(static_cast<const char*>(buffer), static_cast<std::size_t>(std::max(length, 0)));
    if (FDataType == ntBinary) {
        SetAsBinary(bytes);
    } else {
        SetAsBlob(bytes);
    }
}

} // namespace tnx
