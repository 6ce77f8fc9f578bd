// Set<E>: a set of enumeration values held as a bit mask, the framework's "set of" type.
// Enumerators are small ordinals (0 .. 63); the storage is the smallest unsigned integer that
// holds the highest one, so a set of up to 8 values is one byte, as records that cross a boundary
// expect.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace vcl {

template <typename E, unsigned MaxOrdinal = 7>
class Set {
    static_assert(std::is_enum_v<E>, "Set holds enumeration values");
    static_assert(MaxOrdinal < 64, "Set holds ordinals 0 .. 63");

public:
    using Storage =
        std::conditional_t<(MaxOrdinal < 8), uint8_t,
                           std::conditional_t<(MaxOrdinal < 16), uint16_t,
                                              std::conditional_t<(MaxOrdinal < 32), uint32_t, uint64_t>>>;

    constexpr Set() = default;
    constexpr Set(std::initializer_list<E> values) {
        for (E v : values)
            FBits |= Bit(v);
    }
    static constexpr Set FromBits(Storage bits) {
        Set s;
        s.FBits = bits;
        return s;
    }

    constexpr bool Contains(E v) const { return (FBits & Bit(v)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr Storage Bits() const { return FBits; }

    constexpr Set& Include(E v) {
        FBits |= Bit(v);
        return *this;
    }
    constexpr Set& Exclude(E v) {
        FBits &= static_cast<Storage>(~Bit(v));
        return *this;
    }

    constexpr Set operator+(Set o) const { return FromBits(static_cast<Storage>(FBits | o.FBits)); }
    constexpr Set operator-(Set o) const { return FromBits(static_cast<Storage>(FBits & ~o.FBits)); }
    constexpr Set operator*(Set o) const { return FromBits(static_cast<Storage>(FBits & o.FBits)); }
    constexpr Set& operator+=(Set o) { return *this = *this + o; }
    constexpr Set& operator-=(Set o) { return *this = *this - o; }
    constexpr bool operator==(const Set&) const = default;

private:
    static constexpr Storage Bit(E v) { return static_cast<Storage>(Storage{1} << static_cast<unsigned>(v)); }
    Storage FBits = 0;
};

} // namespace vcl
