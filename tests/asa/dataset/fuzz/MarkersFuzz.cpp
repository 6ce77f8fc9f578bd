// Fuzz target for the parameter-marker parser of the dataset's SQL text. Any input must parse
// without crashing or raising; parsing with and without a list edits the text the same way; the
// text only ever loses characters (one colon per "::"); every parameter's alias is its name, and
// a second parse of the edited text does not grow it.
#include "asa/dataset/TnxAsaDS.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_asa_markers: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string withList = input;
    std::string withoutList = input;
    auto params = vcl::New<tnx::TAsaParams>();
    tnx::TAsaDataset::CreateParams(params.get(), withList);
    tnx::TAsaDataset::CreateParams(nullptr, withoutList);
    Check(withList == withoutList, "the list changes how the text is edited");
    Check(withList.size() <= input.size(), "the text grew");
    for (std::int32_t i = 0; i < params->GetCount(); ++i) {
        const tnx::TAsaParam* param = params->GetParam(static_cast<std::uint16_t>(i));
        Check(param->GetAlias() == param->GetName(), "a parameter's alias is not its name");
    }
    auto again = vcl::New<tnx::TAsaParams>();
    std::string second = withList;
    tnx::TAsaDataset::CreateParams(again.get(), second);
    Check(second.size() <= withList.size(), "a second parse grew the text");
    return 0;
}
