// TWriter: components and values to binary form data.
#include "platform/vcl/Writer.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Stream.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclConsts.h"
#include "platform/win/CodePage.h"

#include <cstring>
#include <deque>
#include <limits>

namespace vcl {

VCL_CLASS_INFO(TWriter)

TWriter::TWriter(TStream* stream) : TFiler(stream) {}

TWriter::~TWriter() = default;

namespace {

template <class T>
void PutLE(std::string& out, T value) {
    std::uint64_t v = 0;
    std::memcpy(&v, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

} // namespace

void TWriter::Write(const void* data, std::int64_t count) {
    FStream->WriteBuffer(data, count);
}

void TWriter::WriteValue(TValueType value) {
    const auto b = static_cast<std::uint8_t>(value);
    Write(&b, 1);
}

void TWriter::WriteSignature() {
    Write(FilerSignature, 4);
}

void TWriter::WritePrefix(TFilerFlags flags, std::int32_t childPos) {
    if (flags.Empty()) return;
    const auto prefix = static_cast<std::uint8_t>(0xF0 | flags.Bits());
    Write(&prefix, 1);
    if (flags.Contains(ffChildPos)) WriteInteger(childPos);
}

void TWriter::WriteListBegin() {
    WriteValue(vaList);
}
void TWriter::WriteListEnd() {
    WriteValue(vaNull);
}

void TWriter::WriteInteger(std::int64_t value) {
    std::string out;
    if (value >= -128 && value <= 127) {
        out.push_back(static_cast<char>(vaInt8));
        PutLE(out, static_cast<std::int8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        out.push_back(static_cast<char>(vaInt16));
        PutLE(out, static_cast<std::int16_t>(value));
    } else if (value >= std::numeric_limits<std::int32_t>::min() &&
               value <= std::numeric_limits<std::int32_t>::max()) {
        out.push_back(static_cast<char>(vaInt32));
        PutLE(out, static_cast<std::int32_t>(value));
    } else {
        out.push_back(static_cast<char>(vaInt64));
        PutLE(out, value);
    }
    Write(out.data(), static_cast<std::int64_t>(out.size()));
}

void TWriter::WriteBoolean(bool value) {
    WriteValue(value ? vaTrue : vaFalse);
}

void TWriter::WriteFloat(double value) {
    std::uint8_t out[11];
    out[0] = vaExtended;
    detail::DoubleToExtended(value, out + 1);
    Write(out, 11);
}

void TWriter::WriteSingle(float value) {
    std::string out(1, static_cast<char>(vaSingle));
    PutLE(out, value);
    Write(out.data(), static_cast<std::int64_t>(out.size()));
}

void TWriter::WriteCurrency(Currency value) {
    std::string out(1, static_cast<char>(vaCurrency));
    PutLE(out, value.Scaled);
    Write(out.data(), static_cast<std::int64_t>(out.size()));
}

void TWriter::WriteDate(TDateTime value) {
    std::string out(1, static_cast<char>(vaDate));
    PutLE(out, value.Value);
    Write(out.data(), static_cast<std::int64_t>(out.size()));
}

void TWriter::WriteStr(std::string_view value) {
    if (value.size() > 255) throw EWriteError(SWriteError);
    const auto length = static_cast<std::uint8_t>(value.size());
    Write(&length, 1);
    Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TWriter::WriteString(std::string_view value) {
    if (value.size() <= 255) {
        WriteValue(vaString);
        WriteStr(value);
        return;
    }
    if (value.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EWriteError(SWriteError);
    std::string out(1, static_cast<char>(vaLString));
    PutLE(out, static_cast<std::int32_t>(value.size()));
    Write(out.data(), static_cast<std::int64_t>(out.size()));
    Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TWriter::WriteWideString(std::string_view value) {
    const std::u16string units = win::AnsiToUtf16(value);
    if (units.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() / 2))
        throw EWriteError(SWriteError);
    std::string out(1, static_cast<char>(vaWString));
    PutLE(out, static_cast<std::int32_t>(units.size()));
    for (char16_t u : units)
        PutLE(out, static_cast<std::uint16_t>(u));
    Write(out.data(), static_cast<std::int64_t>(out.size()));
}

void TWriter::WriteIdent(std::string_view ident) {
    if (SameText(ident, "False")) {
        WriteValue(vaFalse);
    } else if (SameText(ident, "True")) {
        WriteValue(vaTrue);
    } else if (SameText(ident, "nil")) {
        WriteValue(vaNil);
    } else if (SameText(ident, "Null")) {
        WriteValue(vaNull);
    } else {
        WriteValue(vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteSet(const TEnumInfo& elements, std::uint64_t bits) {
    WriteValue(vaSet);
    for (int i = 0; i < elements.Count() && i < 64; ++i)
        if (bits & (std::uint64_t{1} << i)) WriteStr(elements.Name(i));
    WriteStr("");
}

void TWriter::WriteBinary(const TStreamProc& writeData) {
    auto data = New<TMemoryStream>();
    writeData(data.get());
    const std::int64_t size = data->GetSize();
    if (size > std::numeric_limits<std::int32_t>::max()) throw EWriteError(SWriteError);
    std::string out(1, static_cast<char>(vaBinary));
    PutLE(out, static_cast<std::int32_t>(size));
    Write(out.data(), static_cast<std::int64_t>(out.size()));
    if (size != 0) Write(data->Memory(), size);
}

// --- Components ---------------------------------------------------------------------------------

void TWriter::WriteRootComponent(TComponent* root) {
    WriteDescendent(root, nullptr);
}

void TWriter::WriteDescendent(TComponent* root, TComponent* ancestor) {
    FRoot = root;
    FLookupRoot = root;
    FRootAncestor = ancestor;
    FAncestor = ancestor;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
    const bool wasWriting = component->GetComponentState().Contains(csWriting);
    component->SetStateFlag(csWriting, true);
    try {
        component->WriteState(*this);
    } catch (...) {
        if (!wasWriting) component->SetStateFlag(csWriting, false);
        throw;
    }
    if (!wasWriting) component->SetStateFlag(csWriting, false);
}

void TWriter::WriteData(TComponent* instance) {
    auto* ancestor = dynamic_cast<TComponent*>(FAncestor);
    if (ancestor != nullptr && ancestor->ClassType() != instance->ClassType()) ancestor = nullptr;
    TFilerFlags flags;
    if (ancestor != nullptr) flags.Include(ffInherited);
    WritePrefix(flags, 0);
    WriteStr(instance->ClassName());
    WriteStr(instance->GetName());
    FAncestor = ancestor;
    WriteProperties(instance);
    WriteListEnd();
    if (!FIgnoreChildren) {
        instance->GetChildren(
            [this, ancestor](TComponent* child) {
                TComponent* childAncestor = ancestor ? ancestor->FindComponent(child->GetName()) : nullptr;
                FAncestor = childAncestor;
                WriteComponent(child);
            },
            FRoot);
    }
    FAncestor = ancestor;
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* instance) {
    TPersistent* ancestor = FAncestor;
    // Values are compared through the instance's accessors, which only fit its own class.
    if (ancestor != nullptr && ancestor->ClassType() != instance->ClassType()) ancestor = nullptr;
    for (const TPropInfo* prop : GetPropList(instance->ClassType()))
        if (IsStoredProp(instance, *prop)) WriteProperty(instance, *prop, ancestor);
    TPersistent* saved = FAncestor;
    FAncestor = ancestor;
    instance->DefineProperties(*this);
    FAncestor = saved;
}

void TWriter::WritePropName(std::string_view name) {
    WriteStr(FPropPath + AnsiString(name));
}

AnsiString TWriter::ReferenceName(TComponent* component) const {
    if (component == FLookupRoot) return "Owner";
    std::deque<AnsiString> names;
    TComponent* c = component;
    for (; c != nullptr && c != FLookupRoot; c = c->Owner()) {
        if (c->GetName().empty()) return AnsiString();
        names.push_front(c->GetName());
    }
    AnsiString result;
    for (const auto& n : names)
        result += (result.empty() ? "" : ".") + n;
    return result;
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
        WriteOrdProperty(instance, prop, ancestor);
        return;
    case TTypeKind::tkFloat:
        WriteFloatProperty(instance, prop, ancestor);
        return;
    case TTypeKind::tkString: {
        if (!prop.GetStr || !prop.SetStr) return;
        const AnsiString s = prop.GetStr(instance);
        if (ancestor != nullptr ? s == prop.GetStr(ancestor) : s.empty()) return;
        WritePropName(prop.Name);
        WriteString(s);
        return;
    }
    case TTypeKind::tkClass:
        if (!prop.GetObj) return;
        if (prop.IsReference())
            WriteReferenceProperty(instance, prop, ancestor);
        else
            WriteSubObjectProperty(instance, prop, ancestor);
        return;
    case TTypeKind::tkMethod:
        WriteMethodProperty(instance, prop, ancestor);
        return;
    default:
        return;
    }
}

void TWriter::WriteOrdProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    if (!prop.GetOrd || !prop.SetOrd) return;
    const std::int64_t v = prop.GetOrd(instance);
    if (ancestor != nullptr) {
        if (v == prop.GetOrd(ancestor)) return;
    } else if (prop.Default && v == *prop.Default) {
        return;
    }
    if (prop.Kind == TTypeKind::tkEnumeration && prop.EnumType->Name(v).empty())
        throw EWriteError(SInvalidPropertyValue);
    WritePropName(prop.Name);
    if (prop.Kind == TTypeKind::tkSet) {
        WriteSet(*prop.EnumType, static_cast<std::uint64_t>(v));
    } else if (prop.Kind == TTypeKind::tkEnumeration) {
        if (prop.IsBoolean())
            WriteBoolean(v != 0);
        else
            WriteIdent(prop.EnumType->Name(v));
    } else {
        AnsiString ident;
        if (prop.Kind == TTypeKind::tkInteger &&
            IntToIdent(prop.TypeName, static_cast<std::int32_t>(v), ident))
            WriteIdent(ident);
        else
            WriteInteger(v);
    }
}

void TWriter::WriteFloatProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    if (!prop.GetFloat || !prop.SetFloat) return;
    if (prop.FloatType == TFloatType::ftCurr && prop.GetOrd) {
        // A currency kept as its scaled integer is compared and written without a detour through
        // a double.
        const std::int64_t scaled = prop.GetOrd(instance);
        if (ancestor != nullptr ? scaled == prop.GetOrd(ancestor) : scaled == 0) return;
        WritePropName(prop.Name);
        WriteCurrency(Currency::FromScaled(scaled));
        return;
    }
    const double v = prop.GetFloat(instance);
    if (ancestor != nullptr ? v == prop.GetFloat(ancestor) : v == 0) return;
    WritePropName(prop.Name);
    switch (prop.FloatType) {
    case TFloatType::ftSingle:
        WriteSingle(static_cast<float>(v));
        break;
    case TFloatType::ftDateTime:
        WriteDate(TDateTime(v));
        break;
    case TFloatType::ftCurr:
        WriteCurrency(Currency::FromDouble(v));
        break;
    default:
        WriteFloat(v);
        break;
    }
}

void TWriter::WriteReferenceProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    if (!prop.SetObj) return;
    auto* component = dynamic_cast<TComponent*>(prop.GetObj(instance));
    if (ancestor != nullptr) {
        auto* other = dynamic_cast<TComponent*>(prop.GetObj(ancestor));
        const bool same = component == other || (component != nullptr && other != nullptr &&
                                                 SameText(component->GetName(), other->GetName()));
        if (same) return;
    } else if (component == nullptr) {
        return;
    }
    if (component == nullptr) {
        WritePropName(prop.Name);
        WriteValue(vaNil);
        return;
    }
    const AnsiString name = ReferenceName(component);
    if (name.empty()) return; // an unnamed component cannot be referred to
    WritePropName(prop.Name);
    WriteIdent(name);
}

void TWriter::WriteSubObjectProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    auto* sub = dynamic_cast<TPersistent*>(prop.GetObj(instance));
    if (sub == nullptr) return;
    TPersistent* subAncestor =
        ancestor != nullptr ? dynamic_cast<TPersistent*>(prop.GetObj(ancestor)) : nullptr;
    const AnsiString savedPath = FPropPath;
    TPersistent* savedAncestor = FAncestor;
    FPropPath = savedPath + prop.Name + ".";
    FAncestor = subAncestor;
    try {
        WriteProperties(sub);
    } catch (...) {
        FPropPath = savedPath;
        FAncestor = savedAncestor;
        throw;
    }
    FPropPath = savedPath;
    FAncestor = savedAncestor;
}

void TWriter::WriteMethodProperty(TPersistent* instance, const TPropInfo& prop, TPersistent* ancestor) {
    if (!prop.GetHandler || !prop.SetHandler) return;
    const auto handler = prop.GetHandler(instance);
    const AnsiString name = handler ? handler->Name() : AnsiString();
    if (ancestor != nullptr) {
        const auto other = prop.GetHandler(ancestor);
        if (SameText(name, other ? other->Name() : AnsiString())) return;
    } else if (name.empty()) {
        return;
    }
    WritePropName(prop.Name);
    if (name.empty())
        WriteValue(vaNil);
    else
        WriteIdent(name);
}

void TWriter::DefineProperty(const AnsiString& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const AnsiString& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
    if (!hasData || !writeData) return;
    WritePropName(name);
    WriteBinary(writeData);
}

} // namespace vcl
