// Hostile form data holding datasets, fields and data sources: reading must either build the
// whole form or fail with an Exception that leaves nothing loading; never crash or leak.
#include "platform/vcl/Classes.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/db/DB.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vcl;
    auto root = New<TDataModule>();
    try {
        ReadComponentData(std::string_view(reinterpret_cast<const char*>(data), size), root.get());
        // What was read must be usable: open datasets can be walked.
        for (int i = 0; i < root->GetComponentCount(); ++i)
            if (auto* ds = dynamic_cast<TDataSet*>(root->GetComponent(i)); ds != nullptr && ds->GetActive()) ds->First();
    } catch (const Exception&) {
        if (root->GetComponentState().Contains(csLoading)) {
            std::fprintf(stderr, "a failed read left the root loading\n");
            std::abort();
        }
    }
    return 0;
}
