// Form files: the framework's binary format for components and their published properties, and
// TFiler, the base of its reader and writer.
//
// Binary form file:
//   "TPF0"                                   signature
//   component:
//     [prefix]                               one byte 0xF0 | flags (ffInherited 1, ffChildPos 2,
//                                            ffInline 4), then the child position (an integer
//                                            value) when ffChildPos is set; absent when no flag
//     class name, component name             short strings (a length byte, then the characters)
//     properties                             each: its name (short string, "Sub.Name" for a
//                                            property of a sub-object), then its value
//     0                                      end of the properties
//     components                             the children, each as above
//     0                                      end of the children
// Values start with a value-type byte (TValueType). Integers and lengths are little-endian:
//   vaNull (0)     end of a list                vaList (1)    values up to a vaNull
//   vaInt8/16/32 (2-4), vaInt64 (19)            two's complement of that size
//   vaExtended (5) 10-byte extended float       vaSingle (15) 4-byte float
//   vaCurrency (16) 8-byte value x 10000        vaDate (17)   8-byte date-time double
//   vaString (6)   short string                 vaLString (12) 4-byte length, then bytes
//   vaWString (18) 4-byte count, UTF-16 units   vaUTF8String (20) 4-byte length, UTF-8 bytes
//   vaIdent (7)    short string                 vaFalse (8), vaTrue (9), vaNil (13)
//   vaBinary (10)  4-byte length, then bytes    vaSet (11)    short strings up to an empty one
//   vaCollection (14) items up to a vaNull, each an optional integer value, vaList, properties, 0
// Text rendering (FormText.h): "object Name: TClass" ... "end", see there.
#pragma once

#include "platform/vcl/Object.h"
#include "platform/vcl/Set.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vcl {

class TComponent;
class TPersistent;
class TReader;
class TStream;
class TWriter;

enum TValueType : std::uint8_t {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String,
};
inline constexpr std::uint8_t MaxValueType = vaUTF8String;

enum TFilerFlag { ffInherited, ffChildPos, ffInline };
using TFilerFlags = Set<TFilerFlag>;

// The signature at the start of binary form data.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};
// How deep components, lists and collections may nest in form data before it is refused.
inline constexpr int MaxFilerNesting = 64;

using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TStreamProc = std::function<void(TStream* stream)>;

class TFiler : public TObject {
    VCL_CLASS(TFiler, TObject)
public:
    // Declares data of an object that is not a published property (called from
    // TPersistent::DefineProperties). The reader calls readData when the file holds a property of
    // that name for the object; the writer writes it (with writeData) only when hasData is true.
    virtual void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // The same for raw bytes: the writer wraps what writeData writes into the stream in a binary
    // value; the reader hands readData a stream holding exactly those bytes, at position 0.
    virtual void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

    TStream* GetStream() const { return FStream; }
    // The component the form belongs to (the root being read or written).
    TComponent* GetRoot() const { return FRoot; }
    void SetRoot(TComponent* root) { FRoot = root; }
    // The root component references are looked up from (and written relative to).
    TComponent* GetLookupRoot() const { return FLookupRoot; }
    // While writing: the object of the ancestor that corresponds to the one being written, or null.
    // DefineProperties compares against it to decide hasData.
    TPersistent* GetAncestor() const { return FAncestor; }
    void SetAncestor(TPersistent* ancestor) { FAncestor = ancestor; }
    bool GetIgnoreChildren() const { return FIgnoreChildren; }
    void SetIgnoreChildren(bool value) { FIgnoreChildren = value; }

protected:
    explicit TFiler(TStream* stream) : FStream(stream) {}
    ~TFiler() override;

    TStream* FStream;
    TComponent* FRoot = nullptr;
    TComponent* FLookupRoot = nullptr;
    TPersistent* FAncestor = nullptr;
    bool FIgnoreChildren = false;
};

namespace detail {
// The 10-byte x87 extended format, little-endian, converted to and from double without relying on
// the platform's long double: doubles convert exactly; extended values round to the nearest
// double (overflow to infinity, underflow to zero).
void DoubleToExtended(double value, std::uint8_t out[10]);
double ExtendedToDouble(const std::uint8_t in[10]);
// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
} // namespace detail

} // namespace vcl
