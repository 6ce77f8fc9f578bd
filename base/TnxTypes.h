// Database-neutral vocabulary shared by every driver: portable field types, locate options,
// picture kinds, the descriptor used for result columns and host variables, and the host-variable
// set. The two records keep a fixed layout because drivers fill them field by field and statements
// embed them by value; their sizes and offsets are asserted below.
#pragma once

#include "platform/vcl/Set.h"
#include "platform/vcl/TypInfo.h"

#include <cstddef>
#include <cstdint>

namespace tnx {

// Portable field type, one byte. ntMemo and ntBlob are the two blob types: every operation that
// treats a field as a blob tests for exactly these two values.
enum TCorvexFieldTypes : uint8_t {
    ntUnknown = 0,  // unsupported or unknown type
    ntString = 1,   // text that fits the driver's default length
    ntInteger = 2,  // integer
    ntFloat = 3,    // floating point
    ntCurrency = 4, // fixed-point money
    ntDate = 5,     // date only
    ntTime = 6,     // time of day only
    ntDateTime = 7, // date and time
    ntBoolean = 8,  // boolean
    ntBinary = 9,   // bytes that fit the driver's default length
    ntMemo = 10,    // long text, handled as a blob
    ntBlob = 11,    // long binary, handled as a blob
};

// The type's names, for published properties and editors (the parameters editor lists them).
VCL_ENUM_NAMES(TCorvexFieldTypes, ntUnknown, ntString, ntInteger, ntFloat, ntCurrency, ntDate, ntTime, ntDateTime,
               ntBoolean, ntBinary, ntMemo, ntBlob);

inline constexpr bool IsBlobType(TCorvexFieldTypes t) {
    return t == ntMemo || t == ntBlob;
}

// Locate options; the set is one byte with bit 0 case-insensitive and bit 1 partial key.
enum TCorvexLocateOption : uint8_t { nloCaseInsensitive = 0, nloPartialKey = 1 };
using TCorvexLocateOptions = vcl::Set<TCorvexLocateOption, 7>;
static_assert(sizeof(TCorvexLocateOptions) == 1);

// Picture kind for picture/blob conversions.
enum TCorvexGraphicType : uint8_t { gtBitmap = 0, gtMetafile = 1, gtIcon = 2 };

// Most descriptors a host-variable set (inputs and outputs together) or a statement's column
// table holds. Anything that would need more is refused with an error, never written past the end.
inline constexpr int CorvexMaxDescriptors = 256;
// Longest name a descriptor keeps (plus the terminating NUL).
inline constexpr int CorvexMaxNameLength = 128;

// One result column or host variable.
struct TCorvexFieldDesc {
    char Name[CorvexMaxNameLength + 1]; // NUL-terminated; lookups by name ignore case
    TCorvexFieldTypes FieldType;        // portable type
    int32_t ExtType;                    // the driver's own type code
    int32_t Size;                       // bytes in a row or variable buffer; offsets are running sums
    int32_t Length;                     // declared length or display width
    int32_t Decimals;                   // scale
    bool Nulls;                         // the column accepts NULL
};
static_assert(sizeof(TCorvexFieldDesc) == 152);
static_assert(offsetof(TCorvexFieldDesc, FieldType) == 129);
static_assert(offsetof(TCorvexFieldDesc, ExtType) == 132);
static_assert(offsetof(TCorvexFieldDesc, Size) == 136);
static_assert(offsetof(TCorvexFieldDesc, Length) == 140);
static_assert(offsetof(TCorvexFieldDesc, Decimals) == 144);
static_assert(offsetof(TCorvexFieldDesc, Nulls) == 148);

// The host variables of one statement: Count inputs at Items[0 .. Count-1], then OutCount outputs.
// Buffer and OutBuffer belong to the record and are released (then every field zeroed) by the
// statement's InternalClearVariables; a zeroed record is the empty set. Pointers are native width.
struct TCorvexVariables {
    TCorvexFieldDesc Items[CorvexMaxDescriptors];
    void* Buffer;          // input values, BufferSize bytes, zero-filled when allocated
    int32_t BufferSize;    // sum of the input Sizes
    int32_t Count;         // number of inputs
    void* OutBuffer;       // output values, allocated by the driver when it binds outputs
    int32_t OutBufferSize; // bytes in OutBuffer
    int32_t OutCount;      // number of outputs
    bool Bound;            // bound to the prepared statement: same-shaped re-executions skip binding
};
static_assert(offsetof(TCorvexVariables, Buffer) == 152 * CorvexMaxDescriptors);
static_assert(offsetof(TCorvexVariables, BufferSize) == offsetof(TCorvexVariables, Buffer) + sizeof(void*));
static_assert(offsetof(TCorvexVariables, Count) == offsetof(TCorvexVariables, BufferSize) + 4);
static_assert(offsetof(TCorvexVariables, OutBuffer) == offsetof(TCorvexVariables, Count) + 4);
static_assert(offsetof(TCorvexVariables, OutBufferSize) ==
              offsetof(TCorvexVariables, OutBuffer) + sizeof(void*));
static_assert(offsetof(TCorvexVariables, OutCount) == offsetof(TCorvexVariables, OutBufferSize) + 4);
static_assert(offsetof(TCorvexVariables, Bound) == offsetof(TCorvexVariables, OutCount) + 4);

} // namespace tnx
