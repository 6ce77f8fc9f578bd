// The SQL Anywhere package's entry point, which a designer looks up by name after loading the
// package by file name. This file is compiled into each generation of the package with
// TNX_PACKAGE_NAME set to the library's name, so the registrations are grouped under it.
#include "asa/design/TnxAsaRegister.h"

#include "platform/vcl/design/DesignRegistry.h"

#ifndef TNX_PACKAGE_NAME
#error "TNX_PACKAGE_NAME names the generation this entry point is built into"
#endif

extern "C" void TnxRegisterPackage() {
    const vcl::AnsiString previous = vcl::SetRegistrationGroup(TNX_PACKAGE_NAME);
    try {
        tnx::RegisterTnxAsa();
        tnx::RegisterTnxAsaDS();
        tnx::RegisterTnxAsaEd();
    } catch (...) {
        vcl::SetRegistrationGroup(previous);
        throw;
    }
    vcl::SetRegistrationGroup(previous);
}
