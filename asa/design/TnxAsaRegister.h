// The registration procedures of the SQL Anywhere package: what each of its units offers the form
// designer. The designer loads the package by file name and calls TnxRegisterPackage, which runs
// them all under the registration group named after the package's generation ("TnxSa5", "TnxSa4"
// or "TnxSa3"), so the designer can withdraw them together.
//
//   RegisterTnxAsa     the session (TAsaSession) and the statement (TAsaSQL) on the palette page
//                      "Tarnix"
//   RegisterTnxAsaDS   the dataset (TAsaDataset) on the same page
//   RegisterTnxAsaEd   the parameters editor for every TAsaParams property of any component; the
//                      file and folder editors for the session's LibraryFile, LibraryPath and
//                      LoginDatabase; the about verb on the session
#pragma once

namespace tnx {

// The name of the palette page of the package's components.
inline constexpr const char* TarnixPalettePage = "Tarnix";

void RegisterTnxAsa();
void RegisterTnxAsaDS();
void RegisterTnxAsaEd();

} // namespace tnx

// Registers everything the package offers (the entry point a designer looks up by name).
extern "C" void TnxRegisterPackage();
