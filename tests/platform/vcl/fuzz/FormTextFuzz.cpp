// Fuzz target for the form text parser: any input must convert to binary (which must then convert
// back to text and parse again to the same binary) or fail with the framework's filer error.
#include "platform/vcl/Classes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    auto in = vcl::New<vcl::TStringStream>(input);
    auto binary = vcl::New<vcl::TMemoryStream>();
    try {
        vcl::ObjectTextToBinary(in.get(), binary.get());
    } catch (const vcl::EFilerError&) {
        return 0;
    }
    // Text written from the binary parses to the same binary.
    binary->SetPosition(0);
    auto text = vcl::New<vcl::TStringStream>();
    vcl::ObjectBinaryToText(binary.get(), text.get());
    text->SetPosition(0);
    auto again = vcl::New<vcl::TMemoryStream>();
    vcl::ObjectTextToBinary(text.get(), again.get());
    const bool same =
        again->GetSize() == binary->GetSize() &&
        std::string(static_cast<const char*>(again->Memory()), static_cast<std::size_t>(again->GetSize())) ==
            std::string(static_cast<const char*>(binary->Memory()),
                        static_cast<std::size_t>(binary->GetSize()));
    if (!same) {
        std::fprintf(stderr, "fuzz_vcl_form_text: text round trip changed the binary form\n%s\n",
                     text->GetDataString().c_str());
        std::abort();
    }
    return 0;
}
