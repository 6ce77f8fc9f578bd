// tnx-datamodule: reads a data module that was designed in tnxdesign and saved as a form file,
// and works with it. The session's login, the datasets' SQL, parameters and master-detail link,
// and the persistent fields all come from the form file; no line here sets a property.
//
// Usage: tnx-datamodule [form file] [folder]
//   form file  the data module (default: SalesModule.dfm beside this example's sources)
//   folder     where the sample database sales.db lives; made there on first use (default: the
//              current folder)
#include "examples/datamodule/SalesData.h"

#include "platform/vcl/Exceptions.h"

#include <cstdio>
#include <exception>
#include <filesystem>

#ifndef TNX_DATAMODULE_FORM
#define TNX_DATAMODULE_FORM "SalesModule.dfm"
#endif

int main(int argc, char** argv) {
    if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::printf("usage: %s [form file] [folder]\n", argv[0]);
        return 0;
    }
    const std::string form = std::filesystem::absolute(argc > 1 ? argv[1] : TNX_DATAMODULE_FORM).string();
    try {
        if (argc > 2) std::filesystem::current_path(argv[2]);
        salesexample::CreateSalesDatabase();
        auto module = salesexample::LoadSalesModule(form);
        std::printf("%s", salesexample::OrdersReport(module.get()).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tnx-datamodule: %s\n", e.what());
        return 1;
    }
    return 0;
}
