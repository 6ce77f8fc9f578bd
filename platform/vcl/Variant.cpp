// Variant: lifetime, conversions, comparison and variant arrays (rules in Variant.h).
#include "platform/vcl/Variant.h"

#include "platform/vcl/DateTime.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FloatText.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclConsts.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <type_traits>
#include <utility>
#include <vector>

namespace vcl {

// Leaves new elements unset (default-initialised), so that storage a caller is about to overwrite
// in full is not zero-filled first; every other array zero-fills its storage itself (Allocate).
template <class T>
struct UnsetAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetAllocator<U>;
    };
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// The body of a variant array, shared by the Variants that copied it (copy on write).
// Invariants: Count is the product of the bounds' ElementCounts; exactly one storage vector is
// used, by element type: Vars (varVariant), Strs (varOleStr, varString) or Raw (the numeric types,
// Count * ElementSize bytes of packed native values). LockCount > 0 only while a caller holds a
// pointer into the storage; a locked body is never shared by a new copy.
class VarArrayData {
public:
    std::atomic<int> RefCount{1};
    std::atomic<int> LockCount{0};
    TVarType ElemType = varVariant;
    std::vector<TVarArrayBound> Bounds; // dimension 1 first; dimension 1 varies fastest
    std::size_t Count = 0;
    std::vector<std::uint8_t, UnsetAllocator<std::uint8_t>> Raw;
    std::vector<Variant> Vars;
    std::vector<AnsiString> Strs;

    VarArrayData() = default;
    VarArrayData(const VarArrayData& o)
        : ElemType(o.ElemType), Bounds(o.Bounds), Count(o.Count), Raw(o.Raw), Vars(o.Vars), Strs(o.Strs) {}
};

// Access to Variant's representation for the free functions of this file.
class VariantAccess {
public:
    static std::int64_t Int(const Variant& v) { return v.FInt; }
    static Variant Make(TVarType type) {
        Variant v;
        v.FType = type;
        return v;
    }
    static VarArrayData* Body(const Variant& v) { return v.IsArray() ? v.FArray : nullptr; }
    static VarArrayData& Unique(Variant& v) { return v.UniqueArrayBody(); }
    static Variant Adopt(VarArrayData* body) {
        Variant v;
        v.FType = static_cast<TVarType>(varArray | body->ElemType);
        v.FArray = body;
        return v;
    }
};

namespace {

[[noreturn]] void CastError(TVarType from, TVarType to) {
    throw EVariantTypeCastError(SVarTypeCastError, {VarTypeAsText(from), VarTypeAsText(to)});
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
    throw EVariantOverflowError(SVarOverflow, {VarTypeAsText(from), VarTypeAsText(to)});
}

bool IsIntegerCode(TVarType t) {
    switch (t) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64:
        return true;
    default:
        return false;
    }
}

bool IsNumericCode(TVarType t) {
    return IsIntegerCode(t) || t == varSingle || t == varDouble || t == varCurrency || t == varDate ||
           t == varBoolean;
}

std::size_t ElementSize(TVarType t) {
    switch (t) {
    case varShortInt:
    case varByte:
        return 1;
    case varSmallint:
    case varWord:
    case varBoolean:
        return 2;
    case varInteger:
    case varLongWord:
    case varSingle:
        return 4;
    case varDouble:
    case varCurrency:
    case varDate:
    case varInt64:
    case varUInt64:
        return 8;
    default:
        return 0;
    }
}

bool IsTextCode(TVarType t) {
    return t == varString || t == varOleStr;
}

// Rounds to the nearest integer, ties to even; false when out of the int64 range or not finite.
bool RoundToInt64(double d, std::int64_t& out) {
    const double r = std::nearbyint(d);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

// Text to a number: an integer, else a floating point value.
bool TextToDouble(const AnsiString& s, double& out) {
    std::int64_t i;
    if (TryStrToInt64(Trim(s), i)) {
        out = static_cast<double>(i);
        return true;
    }
    return TryStrToFloat(s, out);
}

} // namespace

// --- Lifetime ---------------------------------------------------------------------------------

void Variant::Release() noexcept {
    if (FType == varString || FType == varOleStr) {
        FStr.~AnsiString();
    } else if (FType & varArray) {
        if (FArray->RefCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete FArray;
    }
    FType = varEmpty;
    FInt = 0;
}

void Variant::CopyFrom(const Variant& other) {
    // Precondition: this holds nothing (Empty, after Release or in a constructor).
    if (other.FType == varString || other.FType == varOleStr) {
        new (&FStr) AnsiString(other.FStr);
    } else if (other.FType & varArray) {
        if (other.FArray->LockCount.load(std::memory_order_acquire) > 0) {
            FArray = new VarArrayData(*other.FArray);
        } else {
            other.FArray->RefCount.fetch_add(1, std::memory_order_relaxed);
            FArray = other.FArray;
        }
    } else {
        FInt = other.FInt; // the largest inline member: copies any number bit for bit
    }
    FType = other.FType;
}

void Variant::MoveFrom(Variant& other) noexcept {
    if (other.FType == varString || other.FType == varOleStr) {
        new (&FStr) AnsiString(std::move(other.FStr));
        other.FStr.~AnsiString();
    } else {
        FInt = other.FInt; // numbers, or the array pointer (static_assert below)
    }
    FType = other.FType;
    other.FType = varEmpty;
    other.FInt = 0;
}

static_assert(sizeof(std::int64_t) >= sizeof(VarArrayData*) && sizeof(std::int64_t) >= sizeof(double),
              "Variant copies its inline members through FInt");

Variant& Variant::AssignSlow(const Variant& other) {
    if (this == &other) return *this;
    if (IsText() && other.IsText()) {
        FStr = other.FStr; // reuses this string's buffer
        FType = other.FType;
        return *this;
    }
    Variant copy(other); // copy first: other may live inside this (an array element)
    Release();
    MoveFrom(copy);
    return *this;
}

Variant& Variant::MoveAssignSlow(Variant& other) noexcept {
    if (this == &other) return *this;
    if (!IsArray()) { // other cannot live inside this: move straight over
        if (IsText() && other.IsText()) {
            FStr = std::move(other.FStr);
            FType = other.FType;
            other.Release();
            return *this;
        }
        Release();
        MoveFrom(other);
        return *this;
    }
    Variant taken(std::move(other)); // other may live inside this (an array element)
    Release();
    MoveFrom(taken);
    return *this;
}

void Variant::Clear() noexcept {
    if (IsManaged()) Release();
    FType = varEmpty;
    FInt = 0;
}

Variant Variant::OleStr(AnsiString s) {
    Variant v(std::move(s));
    v.FType = varOleStr;
    return v;
}

Variant Null() {
    return VariantAccess::Make(varNull);
}

Variant Unassigned() {
    return Variant();
}

// --- Conversions ------------------------------------------------------------------------------

std::int64_t Variant::AsInt64Slow() const {
    switch (FType) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return FInt;
    case varUInt64:
        if (FInt < 0) OverflowError(FType, varInt64);
        return FInt;
    case varBoolean:
        return FInt ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: {
        std::int64_t r;
        if (!RoundToInt64(FType == varSingle ? FSingle : FDouble, r)) OverflowError(FType, varInt64);
        return r;
    }
    case varCurrency: {
        // Round half to even on the four decimals.
        std::int64_t q = FInt / Currency::Scale, rem = FInt % Currency::Scale;
        if (rem > Currency::Scale / 2 || (rem == Currency::Scale / 2 && (q & 1)))
            ++q;
        else if (rem < -Currency::Scale / 2 || (rem == -Currency::Scale / 2 && (q & 1)))
            --q;
        return q;
    }
    case varString:
    case varOleStr: {
        std::int64_t i;
        if (TryStrToInt64(Trim(FStr), i)) return i;
        double d;
        if (!TryStrToFloat(FStr, d)) CastError(FType, varInt64);
        if (!RoundToInt64(d, i)) OverflowError(FType, varInt64);
        return i;
    }
    default:
        CastError(FType, varInt64);
    }
}

std::int32_t Variant::AsIntegerSlow() const {
    std::int64_t v;
    try {
        v = AsInt64();
    } catch (const EVariantOverflowError&) {
        OverflowError(FType, varInteger);
    } catch (const EVariantTypeCastError&) {
        CastError(FType, varInteger);
    }
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        OverflowError(FType, varInteger);
    return static_cast<std::int32_t>(v);
}

double Variant::AsDoubleSlow() const {
    switch (FType) {
    case varEmpty:
        return 0.0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return static_cast<double>(FInt);
    case varUInt64:
        return static_cast<double>(static_cast<std::uint64_t>(FInt));
    case varBoolean:
        return FInt ? -1.0 : 0.0;
    case varSingle:
        return FSingle;
    case varDouble:
    case varDate:
        return FDouble;
    case varCurrency:
        return Currency::FromScaled(FInt).ToDouble();
    case varString:
    case varOleStr: {
        double d;
        if (!TextToDouble(FStr, d)) CastError(FType, varDouble);
        return d;
    }
    default:
        CastError(FType, varDouble);
    }
}

AnsiString Variant::AsString() const {
    switch (FType) {
    case varEmpty:
        return AnsiString();
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return IntToStr(FInt);
    case varUInt64:
        return std::to_string(static_cast<std::uint64_t>(FInt));
    case varBoolean:
        return FInt ? "True" : "False";
    case varSingle:
        return detail::FormatGeneral(FSingle, 7, FormatSettings.DecimalSeparator);
    case varDouble:
        return FloatToStr(FDouble);
    case varDate:
        return DateTimeToStr(FDouble);
    case varCurrency:
        return CurrToStr(Currency::FromScaled(FInt));
    case varString:
    case varOleStr:
        return FStr;
    default:
        CastError(FType, varString);
    }
}

bool Variant::AsBoolean() const {
    switch (FType) {
    case varEmpty:
        return false;
    case varSingle:
        return FSingle != 0;
    case varDouble:
    case varDate:
        return FDouble != 0;
    case varString:
    case varOleStr: {
        bool b;
        if (!TryStrToBool(Trim(FStr), b)) CastError(FType, varBoolean);
        return b;
    }
    default:
        if (IsIntegerCode(FType) || FType == varBoolean || FType == varCurrency) return FInt != 0;
        CastError(FType, varBoolean);
    }
}

TDateTime Variant::AsDateTime() const {
    switch (FType) {
    case varDate:
        return FDouble;
    case varString:
    case varOleStr: {
        TDateTime d;
        if (!TryStrToDateTime(FStr, d, FormatSettings)) CastError(FType, varDate);
        return d;
    }
    default:
        if (FType == varEmpty || IsNumericCode(FType)) return AsDouble();
        CastError(FType, varDate);
    }
}

Currency Variant::AsCurrency() const {
    if (FType == varCurrency) return Currency::FromScaled(FInt);
    if (FType == varEmpty) return Currency();
    if (IsIntegerCode(FType) || FType == varBoolean) {
        const std::int64_t i = AsInt64();
        if (i > std::numeric_limits<std::int64_t>::max() / Currency::Scale ||
            i < std::numeric_limits<std::int64_t>::min() / Currency::Scale)
            OverflowError(FType, varCurrency);
        return Currency::FromScaled(i * Currency::Scale);
    }
    double d;
    try {
        d = AsDouble();
    } catch (const EVariantTypeCastError&) {
        CastError(FType, varCurrency);
    }
    try {
        return Currency::FromDouble(d);
    } catch (const EConvertError&) {
        OverflowError(FType, varCurrency);
    }
}

const AnsiString& Variant::TextRef() const {
    if (!IsText()) CastError(FType, varString);
    return FStr;
}

AnsiString VarToStr(const Variant& v) {
    return v.IsNull() ? AnsiString() : v.AsString();
}

Variant VarAsType(const Variant& v, TVarType type) {
    if (type == v.VarType()) return v;
    if (type & varArray) CastError(v.VarType(), type);
    if (v.IsNull() && type != varEmpty) CastError(varNull, type);
    auto ranged = [&](std::int64_t lo, std::int64_t hi) {
        std::int64_t i;
        try {
            i = v.AsInt64();
        } catch (const EVariantOverflowError&) {
            OverflowError(v.VarType(), type);
        } catch (const EVariantTypeCastError&) {
            CastError(v.VarType(), type);
        }
        if (i < lo || i > hi) OverflowError(v.VarType(), type);
        return i;
    };
    switch (type) {
    case varEmpty:
        return Variant();
    case varNull:
        return Null();
    case varShortInt:
        return Variant(static_cast<std::int8_t>(ranged(INT8_MIN, INT8_MAX)));
    case varByte:
        return Variant(static_cast<std::uint8_t>(ranged(0, UINT8_MAX)));
    case varSmallint:
        return Variant(static_cast<std::int16_t>(ranged(INT16_MIN, INT16_MAX)));
    case varWord:
        return Variant(static_cast<std::uint16_t>(ranged(0, UINT16_MAX)));
    case varInteger:
        return Variant(static_cast<std::int32_t>(ranged(INT32_MIN, INT32_MAX)));
    case varLongWord:
        return Variant(static_cast<std::uint32_t>(ranged(0, UINT32_MAX)));
    case varInt64:
        return Variant(v.AsInt64());
    case varUInt64: {
        if (v.VarType() == varUInt64) return v;
        return Variant(static_cast<std::uint64_t>(ranged(0, INT64_MAX)));
    }
    case varSingle: {
        const double d = v.AsDouble();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            OverflowError(v.VarType(), type);
        return Variant(static_cast<float>(d));
    }
    case varDouble:
        return Variant(v.AsDouble());
    case varCurrency:
        return Variant(v.AsCurrency());
    case varDate:
        return Variant(v.AsDateTime());
    case varBoolean:
        return Variant(v.AsBoolean());
    case varString:
        return Variant(v.AsString());
    case varOleStr:
        return Variant::OleStr(v.AsString());
    case varVariant:
        return v;
    default:
        CastError(v.VarType(), type);
    }
}

AnsiString VarTypeAsText(TVarType type) {
    if (type & varArray) return "Array " + VarTypeAsText(static_cast<TVarType>(type & varTypeMask));
    switch (type) {
    case varEmpty:
        return "Empty";
    case varNull:
        return "Null";
    case varSmallint:
        return "SmallInt";
    case varInteger:
        return "Integer";
    case varSingle:
        return "Single";
    case varDouble:
        return "Double";
    case varCurrency:
        return "Currency";
    case varDate:
        return "Date";
    case varOleStr:
        return "OleStr";
    case varBoolean:
        return "Boolean";
    case varVariant:
        return "Variant";
    case varShortInt:
        return "ShortInt";
    case varByte:
        return "Byte";
    case varWord:
        return "Word";
    case varLongWord:
        return "LongWord";
    case varInt64:
        return "Int64";
    case varUInt64:
        return "UInt64";
    case varString:
        return "String";
    default:
        return "$" + IntToHex(type, 4);
    }
}

std::ostream& PrintVariant(std::ostream& os, const Variant& v) {
    os << VarTypeAsText(v.VarType());
    if (v.IsEmpty() || v.IsNull()) return os;
    if (v.IsArray()) {
        os << " [";
        for (int d = 1; d <= VarArrayDimCount(v); ++d)
            os << (d > 1 ? ", " : "") << VarArrayLowBound(v, d) << ".." << VarArrayHighBound(v, d);
        return os << "]";
    }
    if (v.IsText()) return os << " '" << v.TextRef() << "'";
    return os << ' ' << v.AsString();
}

// --- Comparison -------------------------------------------------------------------------------

namespace {

bool ArraysEqual(const Variant& a, const Variant& b);

// Numeric comparison of two non-text scalars; long double holds every int64 exactly.
int CompareNumbers(const Variant& a, const Variant& b) {
    const TVarType ta = a.VarType(), tb = b.VarType();
    if (ta == varCurrency && tb == varCurrency) {
        const Currency ca = a.AsCurrency(), cb = b.AsCurrency();
        return ca < cb ? -1 : ca > cb ? 1 : 0;
    }
    auto wide = [](const Variant& v) -> long double {
        if (v.VarType() == varUInt64)
            return static_cast<long double>(static_cast<std::uint64_t>(VariantAccess::Int(v)));
        if (IsIntegerCode(v.VarType()) || v.VarType() == varBoolean)
            return static_cast<long double>(v.AsInt64());
        return static_cast<long double>(v.AsDouble());
    };
    const long double x = wide(a), y = wide(b);
    if (x < y) return -1;
    if (x > y) return 1;
    if (x == y) return 0;
    return 2; // unordered (NaN)
}

// Three-way comparison of two values neither of which is Null or an array. Returns 2 when the
// values are unordered (a NaN is involved).
int CompareScalars(const Variant& a0, const Variant& b0) {
    // Empty takes the zero of the other side's type (the zeros are numbers or "": no allocation).
    Variant za, zb;
    if (a0.IsEmpty() && !b0.IsEmpty()) za = VarAsType(Variant(), b0.VarType());
    if (b0.IsEmpty() && !a0.IsEmpty()) zb = VarAsType(Variant(), a0.VarType());
    const Variant& a = za.IsEmpty() ? a0 : za;
    const Variant& b = zb.IsEmpty() ? b0 : zb;
    const TVarType ta = a.VarType(), tb = b.VarType();
    if (ta == varEmpty && tb == varEmpty) return 0;
    if (IsTextCode(ta) && IsTextCode(tb)) return AnsiCompareStr(a.TextRef(), b.TextRef());
    if (ta == varBoolean || tb == varBoolean) {
        if (ta == tb || IsTextCode(ta) || IsTextCode(tb)) {
            const bool x = a.AsBoolean(), y = b.AsBoolean();
            return x == y ? 0 : (!x ? -1 : 1);
        }
        return CompareNumbers(a, b);
    }
    if (ta == varDate || tb == varDate) {
        const double x = a.AsDateTime(), y = b.AsDateTime();
        return x < y ? -1 : x > y ? 1 : x == y ? 0 : 2;
    }
    if (IsTextCode(ta)) {
        const double x = a.AsDouble(), y = b.AsDouble();
        return x < y ? -1 : x > y ? 1 : x == y ? 0 : 2;
    }
    if (IsTextCode(tb)) {
        const double x = a.AsDouble(), y = b.AsDouble();
        return x < y ? -1 : x > y ? 1 : x == y ? 0 : 2;
    }
    return CompareNumbers(a, b);
}

bool ArraysEqual(const Variant& a, const Variant& b) {
    const VarArrayData* x = VariantAccess::Body(a);
    const VarArrayData* y = VariantAccess::Body(b);
    if (x == y) return true;
    if (x->ElemType != y->ElemType || x->Bounds.size() != y->Bounds.size()) return false;
    for (std::size_t i = 0; i < x->Bounds.size(); ++i)
        if (x->Bounds[i].LowBound != y->Bounds[i].LowBound ||
            x->Bounds[i].ElementCount != y->Bounds[i].ElementCount)
            return false;
    if (x->ElemType == varVariant) {
        for (std::size_t i = 0; i < x->Count; ++i)
            if (!(x->Vars[i] == y->Vars[i])) return false;
        return true;
    }
    if (IsTextCode(x->ElemType)) return x->Strs == y->Strs;
    if (x->ElemType == varSingle || x->ElemType == varDouble || x->ElemType == varDate) {
        // Compare as values, so that 0.0 equals -0.0 and NaN equals nothing.
        for (std::size_t i = 0; i < x->Count; ++i) {
            double p, q;
            if (x->ElemType == varSingle) {
                float fp, fq;
                std::memcpy(&fp, x->Raw.data() + i * 4, 4);
                std::memcpy(&fq, y->Raw.data() + i * 4, 4);
                p = fp;
                q = fq;
            } else {
                std::memcpy(&p, x->Raw.data() + i * 8, 8);
                std::memcpy(&q, y->Raw.data() + i * 8, 8);
            }
            if (!(p == q)) return false;
        }
        return true;
    }
    return x->Raw == y->Raw;
}

} // namespace

bool VarEquals(const Variant& a, const Variant& b) {
    const TVarType ta = a.VarType(), tb = b.VarType();
    if (ta == tb) {
        // Fast paths for the common same-type cases.
        if (ta == varString || ta == varOleStr) return a.TextRef() == b.TextRef();
        if (ta == varEmpty || ta == varNull) return true;
        // Same code, same representation: integers, booleans and currency compare bit for bit.
        if (IsIntegerCode(ta) || ta == varBoolean || ta == varCurrency)
            return VariantAccess::Int(a) == VariantAccess::Int(b);
    }
    if (ta == varNull || tb == varNull) return false;
    if (a.IsArray() || b.IsArray()) return a.IsArray() && b.IsArray() && ArraysEqual(a, b);
    return CompareScalars(a, b) == 0;
}

bool VarLess(const Variant& a, const Variant& b) {
    if (a.IsNull()) return !b.IsNull();
    if (b.IsNull()) return false;
    if (a.IsArray() || b.IsArray()) throw EVariantInvalidOpError(SVarInvalidOp);
    return CompareScalars(a, b) == -1;
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? vrEqual : vrNotEqual;
    if (a.IsNull()) return b.IsNull() ? vrEqual : vrNotEqual;
    if (b.IsEmpty() || b.IsNull()) return vrNotEqual;
    if (a.IsArray() || b.IsArray()) return a == b ? vrEqual : vrNotEqual;
    switch (CompareScalars(a, b)) {
    case 0:
        return vrEqual;
    case -1:
        return vrLessThan;
    case 1:
        return vrGreaterThan;
    default:
        return vrNotEqual;
    }
}

// --- Variant arrays ---------------------------------------------------------------------------

namespace {

bool IsValidElementType(TVarType t) {
    return t == varVariant || IsTextCode(t) || ElementSize(t) != 0;
}

// Sizes the body's storage to its Count, keeping the elements it already has. Packed values added
// start as zero unless `zeroFill` is false (the caller then writes every byte before the array is read).
void Allocate(VarArrayData& body, bool zeroFill = true) {
    if (body.ElemType == varVariant) {
        body.Vars.resize(body.Count);
    } else if (IsTextCode(body.ElemType)) {
        body.Strs.resize(body.Count);
    } else {
        const std::size_t kept = body.Raw.size();
        body.Raw.resize(body.Count * ElementSize(body.ElemType));
        // A large array is about to be filled (a long value read from the database).
        if (body.Raw.size() > kept) PreferHugePages(body.Raw.data() + kept, body.Raw.size() - kept);
        if (zeroFill && body.Raw.size() > kept) std::memset(body.Raw.data() + kept, 0, body.Raw.size() - kept);
    }
}

std::size_t LinearIndex(const VarArrayData& body, std::span<const std::int32_t> indices) {
    if (indices.size() != body.Bounds.size()) throw EVariantBadIndexError(SVarArrayBounds);
    std::size_t index = 0, stride = 1;
    for (std::size_t d = 0; d < indices.size(); ++d) {
        const std::int64_t off = static_cast<std::int64_t>(indices[d]) - body.Bounds[d].LowBound;
        if (off < 0 || off >= body.Bounds[d].ElementCount) throw EVariantBadIndexError(SVarArrayBounds);
        index += static_cast<std::size_t>(off) * stride;
        stride *= static_cast<std::size_t>(body.Bounds[d].ElementCount);
    }
    return index;
}

Variant ReadElement(const VarArrayData& body, std::size_t i) {
    const TVarType t = body.ElemType;
    if (t == varVariant) return body.Vars[i];
    if (t == varOleStr) return Variant::OleStr(body.Strs[i]);
    if (t == varString) return Variant(body.Strs[i]);
    const std::uint8_t* p = body.Raw.data() + i * ElementSize(t);
    auto load = [p](auto sample) {
        decltype(sample) v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    switch (t) {
    case varShortInt:
        return Variant(load(std::int8_t()));
    case varByte:
        return Variant(load(std::uint8_t()));
    case varSmallint:
        return Variant(load(std::int16_t()));
    case varWord:
        return Variant(load(std::uint16_t()));
    case varInteger:
        return Variant(load(std::int32_t()));
    case varLongWord:
        return Variant(load(std::uint32_t()));
    case varInt64:
        return Variant(load(std::int64_t()));
    case varUInt64:
        return Variant(load(std::uint64_t()));
    case varSingle:
        return Variant(load(float()));
    case varDouble:
        return Variant(load(double()));
    case varDate:
        return Variant(TDateTime(load(double())));
    case varCurrency:
        return Variant(Currency::FromScaled(load(std::int64_t())));
    case varBoolean:
        return Variant(load(std::int16_t()) != 0);
    default:
        throw EVariantError(SVarBadType);
    }
}

void WriteElement(VarArrayData& body, std::size_t i, const Variant& value) {
    const TVarType t = body.ElemType;
    if (t == varVariant) {
        body.Vars[i] = value;
        return;
    }
    if (IsTextCode(t)) {
        body.Strs[i] = value.AsString();
        return;
    }
    const Variant v = VarAsType(value, t); // converts (and range-checks) first, then stores
    std::uint8_t* p = body.Raw.data() + i * ElementSize(t);
    auto store = [p](auto x) { std::memcpy(p, &x, sizeof x); };
    switch (t) {
    case varShortInt:
        store(static_cast<std::int8_t>(v.AsInt64()));
        break;
    case varByte:
        store(static_cast<std::uint8_t>(v.AsInt64()));
        break;
    case varSmallint:
        store(static_cast<std::int16_t>(v.AsInt64()));
        break;
    case varWord:
        store(static_cast<std::uint16_t>(v.AsInt64()));
        break;
    case varInteger:
        store(static_cast<std::int32_t>(v.AsInt64()));
        break;
    case varLongWord:
        store(static_cast<std::uint32_t>(v.AsInt64()));
        break;
    case varInt64:
        store(v.AsInt64());
        break;
    case varUInt64:
        store(static_cast<std::uint64_t>(VariantAccess::Int(v)));
        break;
    case varSingle:
        store(static_cast<float>(v.AsDouble()));
        break;
    case varDouble:
        store(v.AsDouble());
        break;
    case varDate:
        store(v.AsDateTime().Value);
        break;
    case varCurrency:
        store(v.AsCurrency().Scaled);
        break;
    case varBoolean:
        store(static_cast<std::int16_t>(v.AsBoolean() ? -1 : 0));
        break;
    default:
        throw EVariantError(SVarBadType);
    }
}

} // namespace

VarArrayData& Variant::ArrayBody() const {
    if (!IsArray()) throw EVariantError(SVarNotArray);
    return *FArray;
}

VarArrayData& Variant::UniqueArrayBody() {
    VarArrayData& body = ArrayBody();
    if (body.RefCount.load(std::memory_order_acquire) == 1) return body;
    auto* copy = new VarArrayData(body);
    if (body.RefCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete &body; // the other owner left meanwhile
    FArray = copy;
    return *copy;
}

Variant Variant::GetElement(std::int32_t index) const {
    return GetElement(std::span<const std::int32_t>(&index, 1));
}

Variant Variant::GetElement(std::span<const std::int32_t> indices) const {
    const VarArrayData& body = ArrayBody();
    return ReadElement(body, LinearIndex(body, indices));
}

void Variant::PutElement(std::int32_t index, const Variant& value) {
    PutElement(std::span<const std::int32_t>(&index, 1), value);
}

void Variant::PutElement(std::span<const std::int32_t> indices, const Variant& value) {
    const std::size_t i = LinearIndex(ArrayBody(), indices); // bounds first: a bad index copies nothing
    // The value might be this array's own element or this array itself: hold a copy first.
    const Variant keep(value);
    WriteElement(UniqueArrayBody(), i, keep);
}

const Variant& Variant::ElementRef(std::int32_t index) const {
    const VarArrayData& body = ArrayBody();
    if (body.ElemType != varVariant) throw EVariantError(SVarBadType);
    return body.Vars[LinearIndex(body, std::span<const std::int32_t>(&index, 1))];
}

namespace {
// VarArrayCreate, with the packed values zeroed or (zeroFill false) left for the caller to write.
Variant CreateArray(std::span<const std::int32_t> bounds, TVarType elemType, bool zeroFill) {
    if (bounds.empty() || bounds.size() % 2 != 0 || !IsValidElementType(elemType))
        throw EVariantArrayCreateError(SVarArrayCreate);
    auto* body = new VarArrayData;
    body->ElemType = elemType;
    Variant result = VariantAccess::Adopt(body); // owns the body from here on
    std::size_t count = 1;
    for (std::size_t i = 0; i < bounds.size(); i += 2) {
        const std::int64_t n = static_cast<std::int64_t>(bounds[i + 1]) - bounds[i] + 1;
        if (n < 0 || n > std::numeric_limits<std::int32_t>::max())
            throw EVariantArrayCreateError(SVarArrayCreate);
        body->Bounds.push_back({bounds[i], static_cast<std::int32_t>(n)});
        if (n != 0 && count > std::numeric_limits<std::int32_t>::max() / static_cast<std::size_t>(n))
            throw EVariantArrayCreateError(SVarArrayCreate);
        count *= static_cast<std::size_t>(n);
    }
    body->Count = count;
    try {
        Allocate(*body, zeroFill);
    } catch (const std::bad_alloc&) {
        throw EVariantArrayCreateError(SVarArrayCreate);
    }
    return result;
}
} // namespace

Variant VarArrayCreate(std::span<const std::int32_t> bounds, TVarType elemType) {
    return CreateArray(bounds, elemType, true);
}

Variant VarArrayCreate(std::int32_t low, std::int32_t high, TVarType elemType) {
    const std::int32_t b[2] = {low, high};
    return VarArrayCreate(std::span<const std::int32_t>(b, 2), elemType);
}

Variant VarArrayOf(std::span<const Variant> values) {
    Variant a = VarArrayCreate(0, static_cast<std::int32_t>(values.size()) - 1, varVariant);
    VarArrayData& body = *VariantAccess::Body(a);
    for (std::size_t i = 0; i < values.size(); ++i)
        body.Vars[i] = values[i];
    return a;
}

Variant VarByteArrayToFill(std::size_t count) {
    if (count > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EVariantArrayCreateError(SVarArrayCreate);
    const std::int32_t b[2] = {0, static_cast<std::int32_t>(count) - 1};
    return CreateArray(std::span<const std::int32_t>(b, 2), varByte, false);
}

Variant VarArrayOfBytes(const void* data, std::size_t count) {
    Variant a = VarByteArrayToFill(count);
    if (count != 0) std::memcpy(VariantAccess::Body(a)->Raw.data(), data, count);
    return a;
}

int VarArrayDimCount(const Variant& a) {
    const VarArrayData* body = VariantAccess::Body(a);
    return body ? static_cast<int>(body->Bounds.size()) : 0;
}

namespace {

const TVarArrayBound& BoundOf(const Variant& a, int dim) {
    const VarArrayData* body = VariantAccess::Body(a);
    if (!body) throw EVariantError(SVarNotArray);
    if (dim < 1 || dim > static_cast<int>(body->Bounds.size())) throw EVariantBadIndexError(SVarArrayBounds);
    return body->Bounds[static_cast<std::size_t>(dim - 1)];
}

} // namespace

std::int32_t VarArrayLowBound(const Variant& a, int dim) {
    return BoundOf(a, dim).LowBound;
}

std::int32_t VarArrayHighBound(const Variant& a, int dim) {
    const TVarArrayBound& b = BoundOf(a, dim);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(b.LowBound) + b.ElementCount - 1);
}

void VarArrayRedim(Variant& a, std::int32_t highBound) {
    if (!a.IsArray()) throw EVariantError(SVarNotArray);
    {
        const VarArrayData& shared = *VariantAccess::Body(a);
        if (shared.RefCount.load() == 1 && shared.LockCount.load() > 0)
            throw EVariantArrayLockedError(SVarArrayLocked);
    }
    VarArrayData& body = VariantAccess::Unique(a);
    TVarArrayBound& last = body.Bounds.back();
    const std::int64_t n = static_cast<std::int64_t>(highBound) - last.LowBound + 1;
    if (n < 0 || n > std::numeric_limits<std::int32_t>::max())
        throw EVariantArrayCreateError(SVarArrayCreate);
    std::size_t others = 1;
    for (std::size_t d = 0; d + 1 < body.Bounds.size(); ++d)
        others *= static_cast<std::size_t>(body.Bounds[d].ElementCount);
    if (n != 0 && others > std::numeric_limits<std::int32_t>::max() / static_cast<std::size_t>(n))
        throw EVariantArrayCreateError(SVarArrayCreate);
    // The last dimension varies slowest, so resizing it keeps every remaining element in place.
    last.ElementCount = static_cast<std::int32_t>(n);
    body.Count = others * static_cast<std::size_t>(n);
    Allocate(body);
}

void* VarArrayLock(Variant& a) {
    if (!a.IsArray()) throw EVariantError(SVarNotArray);
    VarArrayData& body = VariantAccess::Unique(a);
    body.LockCount.fetch_add(1, std::memory_order_acq_rel);
    if (body.ElemType == varVariant) return body.Vars.data();
    if (IsTextCode(body.ElemType)) return body.Strs.data();
    return body.Raw.data();
}

const void* VarArrayLock(const Variant& a) {
    VarArrayData* body = VariantAccess::Body(a);
    if (!body) throw EVariantError(SVarNotArray);
    body->LockCount.fetch_add(1, std::memory_order_acq_rel);
    if (body->ElemType == varVariant) return body->Vars.data();
    if (IsTextCode(body->ElemType)) return body->Strs.data();
    return body->Raw.data();
}

void VarArrayUnlock(const Variant& a) {
    VarArrayData* body = VariantAccess::Body(a);
    if (!body) throw EVariantError(SVarNotArray);
    int locks = body->LockCount.load(std::memory_order_acquire);
    do {
        if (locks <= 0) throw EVariantNotLockedError(SVarArrayNotLocked);
    } while (!body->LockCount.compare_exchange_weak(locks, locks - 1, std::memory_order_acq_rel));
}

} // namespace vcl
