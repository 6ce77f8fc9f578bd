// Value: a non-owning view of one SQL value (NULL, 64-bit integer, double, text or bytes) as it
// travels between the engine's statements, SQL variables and SQLDA buffers. A view never owns
// text or bytes: it points into an engine column, a variable, a caller's buffer or a scratch
// buffer on the stack, so no value costs a heap allocation on its way through the library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tnxdb {

struct Value {
    enum Kind { Null, Int, Real, Text, Blob };
    Kind K = Null;
    int64_t I = 0;
    double D = 0;
    const char* P = nullptr; // Text and Blob: the bytes (not NUL-terminated), may be null when N is 0
    size_t N = 0;

    static Value MakeNull() { return {}; }
    static Value MakeInt(int64_t i) {
        Value v;
        v.K = Int;
        v.I = i;
        return v;
    }
    static Value MakeReal(double d) {
        Value v;
        v.K = Real;
        v.D = d;
        return v;
    }
    static Value MakeText(const char* p, size_t n) {
        Value v;
        v.K = Text;
        v.P = p;
        v.N = n;
        return v;
    }
    static Value MakeBlob(const char* p, size_t n) {
        Value v;
        v.K = Blob;
        v.P = p;
        v.N = n;
        return v;
    }
};

} // namespace tnxdb
