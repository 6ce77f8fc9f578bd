// The registration procedures of the SQL Anywhere package: what each of its units offers the form
// designer. The designer loads the package by file name and calls TnxRegisterPackage, which runs
// them all under the registration group "TnxSa5" (so the designer can withdraw them together).
//
//   RegisterTnxAsa     the session (TAsaSession) and the statement (TAsaSQL) on the palette page
//                      "Tarnix"
//   RegisterTnxAsaEd   the parameters editor for every TAsaParams property of any component; the
//                      file and folder editors for the session's LibraryFile, LibraryPath and
//                      LoginDatabase; the about verb on the session
// The dataset's unit registers the dataset on the same page once the dataset is part of the
// package.
#pragma once

namespace tnx {

// The name of the palette page of the package's components.
inline constexpr const char* TarnixPalettePage = "Tarnix";

void RegisterTnxAsa();
void RegisterTnxAsaEd();

} // namespace tnx

// Registers everything the package offers (the entry point a designer looks up by name).
extern "C" void TnxRegisterPackage();
