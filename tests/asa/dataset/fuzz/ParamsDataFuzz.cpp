// Fuzz target for the reader of the parameters' stored form. Any input must either read or fail
// with the framework's read error, never crash or raise anything else; after a failure the list
// holds only parameters that write out; after a success, what was read writes out and reads back
// to the same bytes.
#include "asa/dataset/TnxAsaDS.h"
#include "platform/vcl/MemoryStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_asa_params: %s\n", what);
        std::abort();
    }
}

std::string Write(const tnx::TAsaParams& params) {
    auto out = vcl::New<vcl::TStringStream>();
    params.WriteBinaryData(out.get());
    return out->GetDataString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto params = vcl::New<tnx::TAsaParams>();
    auto in = vcl::New<vcl::TStringStream>(std::string(reinterpret_cast<const char*>(data), size));
    bool read = true;
    try {
        params->ReadBinaryData(in.get());
    } catch (const vcl::EReadError&) {
        read = false;
    }
    for (std::int32_t i = 0; i < params->GetCount(); ++i) {
        Check(!params->GetParam(static_cast<std::uint16_t>(i))->GetIsNull(), "a parameter read back null");
    }
    const std::string first = Write(*params);
    if (!read) return 0;

    auto again = vcl::New<tnx::TAsaParams>();
    auto stored = vcl::New<vcl::TStringStream>(first);
    again->ReadBinaryData(stored.get());
    Check(again->GetCount() == params->GetCount(), "count changed in a round trip");
    Check(Write(*again) == first, "round trip changed the stored form");
    return 0;
}
