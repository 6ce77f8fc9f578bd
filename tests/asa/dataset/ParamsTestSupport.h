// Helpers for the parameter tests: a parameter list's stored form as bytes, and back.
#pragma once

#include "asa/dataset/TnxAsaDS.h"
#include "platform/vcl/MemoryStream.h"

#include <string>

namespace tnxtest {

inline std::string StoredForm(const tnx::TAsaParams& params) {
    auto stream = vcl::New<vcl::TStringStream>();
    params.WriteBinaryData(stream.get());
    return stream->GetDataString();
}

inline void ReadStoredForm(tnx::TAsaParams& params, const std::string& bytes) {
    auto stream = vcl::New<vcl::TStringStream>(bytes);
    params.ReadBinaryData(stream.get());
}

// Bytes written in a test as a string literal with embedded zeros.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

} // namespace tnxtest
