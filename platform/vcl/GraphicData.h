// Byte-level helpers shared by the picture formats: bounds-checked little-endian access to loaded
// image data, the error a format parser raises, and reading the rest of a stream.
//
// Every read goes through Get*/InRange, which check the offset against the data's size with
// 64-bit arithmetic, so a header's sizes and offsets can never lead a parser outside the data.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vcl {

class TStream;
struct TResStringRec;

namespace detail {

using TGraphicBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;

// The largest image data a graphic accepts (offsets in the formats are 32-bit).
inline constexpr std::int64_t MaxGraphicBytes = 0x7FFFFFFF;

// Raised by the format parsers with a short reason (a static English text). The graphic class
// turns it into EInvalidGraphic with its own message, so one parser serves several classes (the
// bitmap parser checks the images inside icons too).
struct TGraphicFormatError {
    const char* Reason;
};
[[noreturn]] void FormatError(const char* reason);

// Whether [offset, offset + length) lies within a block of 'size' bytes.
constexpr bool InRange(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

// Little-endian reads; an offset outside the data raises FormatError("the data ends too early").
std::uint8_t GetU8(TByteView data, std::uint64_t at);
std::uint16_t GetU16(TByteView data, std::uint64_t at);
std::int16_t GetI16(TByteView data, std::uint64_t at);
std::uint32_t GetU32(TByteView data, std::uint64_t at);
std::int32_t GetI32(TByteView data, std::uint64_t at);
// Big-endian (PNG).
std::uint32_t GetU32BE(TByteView data, std::uint64_t at);

// Little-endian writes into data the caller has sized (the offset must be in range).
void PutU16(TGraphicBytes& data, std::size_t at, std::uint16_t value);
void PutU32(TGraphicBytes& data, std::size_t at, std::uint32_t value);
inline void PutI16(TGraphicBytes& data, std::size_t at, std::int16_t value) {
    PutU16(data, at, static_cast<std::uint16_t>(value));
}
inline void PutI32(TGraphicBytes& data, std::size_t at, std::int32_t value) {
    PutU32(data, at, static_cast<std::uint32_t>(value));
}

// Everything from the stream's position to its end. More than MaxGraphicBytes raises
// EInvalidGraphic ("Graphic data of n bytes is too large") before anything is allocated.
TGraphicBytes ReadRest(TStream* stream);
// Up to 'count' bytes from the stream's position, which is restored afterwards (for signature
// checks); fewer when the stream ends sooner.
TGraphicBytes Peek(TStream* stream, std::int32_t count);

// Runs a parser and turns its TGraphicFormatError into EInvalidGraphic with the message 'msg'
// (which takes the reason as its one argument).
template <class F>
auto ParseOrRaise(const TResStringRec& msg, F&& parse) -> decltype(parse());
[[noreturn]] void RaiseInvalidGraphic(const TResStringRec& msg, const char* reason);

template <class F>
auto ParseOrRaise(const TResStringRec& msg, F&& parse) -> decltype(parse()) {
    try {
        return parse();
    } catch (const TGraphicFormatError& e) {
        RaiseInvalidGraphic(msg, e.Reason);
    }
}

// Rounded a * b / c, as the system's MulDiv (c must not be 0).
std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);

} // namespace detail
} // namespace vcl
