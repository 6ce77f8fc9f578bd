// The data module example's run-time side: a sample database to work on, the data module read
// from the form file the designer saved, and a report that walks its master and detail datasets.
//
// Nothing here sets a property of the module's components: the session, the datasets, their
// parameters and persistent fields are all as the form file describes them. The one thing code
// gives the module is what a form file cannot hold: the handler of the detail's calculated field,
// registered on the module under the name the form file uses, before the file is read.
#pragma once

#include "platform/vcl/DataModule.h"

#include <string>

namespace salesexample {

// The database file the module's session names ("sales.db", in the current folder).
inline constexpr const char* DatabaseFile = "sales.db";
// The name of the in-process engine the module's session starts the database on.
inline constexpr const char* EngineName = "sales";

// Creates the sample database (customers and their orders) in the current folder; an existing
// file is left as it is.
void CreateSalesDatabase();

// Reads the form file into a new data module: its session connects and its datasets open as the
// file says. Raises the form reader's or the library's exception when that fails.
vcl::TOwned<vcl::TDataModule> LoadSalesModule(const std::string& formFile);

// Every customer of the master dataset followed by the rows its detail dataset shows for it
// (item, quantity, price, the calculated total and the looked-up city).
std::string OrdersReport(vcl::TDataModule* module);

} // namespace salesexample
