// A tour of the values Tarnix moves between an application and a database.
//
// Everything that crosses the library's API travels as a vcl::Variant: host-variable values,
// field values, output variables. This program shows how values are built, converted and
// compared, how dates and time stamps work, how errors carry codes and translatable messages,
// and how the library reads the version of a client library. Run it with no arguments; pass a
// library file to read its version information instead of the built-in example.
#include "base/TnxBase.h"
#include "platform/vcl/DateTime.h"
#include "platform/vcl/Format.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/Variant.h"

#include <cstdio>
#include <cstring>
#include <string>

using vcl::Variant;

static void Section(const char* title) {
    std::printf("\n== %s\n", title);
}

// Host-variable values: each Variant carries a type code; the statement maps it to a portable
// field type and a buffer length before binding.
static void Values() {
    Section("Values and their type codes");
    const Variant values[] = {Variant(int32_t(42)),
                              Variant(3.25),
                              Variant("Smith"),
                              Variant(true),
                              Variant(vcl::EncodeDate(2026, 12, 8)),
                              vcl::Null()};
    for (const Variant& v : values)
        std::printf("  %-10s type 0x%04x  as text \"%s\"\n", vcl::VarTypeAsText(vcl::VarType(v)).c_str(),
                    vcl::VarType(v), vcl::VarToStr(v).c_str());

    // A row of parameters passed as one value: a variant array of variants.
    Variant row = vcl::VarArrayOf({Variant(int32_t(7)), Variant("Berlin"), vcl::Null()});
    std::printf("  array of %d values, bounds %d..%d\n",
                vcl::VarArrayHighBound(row, 1) - vcl::VarArrayLowBound(row, 1) + 1,
                vcl::VarArrayLowBound(row, 1), vcl::VarArrayHighBound(row, 1));

    // Binary values are byte arrays (type 0x2011); lock one to fill or read its bytes.
    Variant bytes = vcl::VarArrayCreate(0, 3, vcl::varByte);
    {
        vcl::TVarArrayLock lock(bytes);
        const unsigned char data[] = {0xDE, 0xAD, 0xBE, 0xEF};
        std::memcpy(lock.Data(), data, sizeof data);
    }
    std::printf("  byte array type 0x%04x with %d bytes\n", vcl::VarType(bytes),
                vcl::VarArrayHighBound(bytes, 1) + 1);

    // Conversions follow fixed rules and fail loudly rather than guess.
    std::printf("  \"123\" as integer: %d\n", Variant("123").AsInteger());
    try {
        (void)Variant("abc").AsInteger();
    } catch (const vcl::Exception& e) {
        std::printf("  \"abc\" as integer: %s: %s\n", e.ClassName(), e.what());
    }
}

// Dates are days since 1899-12-30 with the time as the fraction; time stamps count days from
// year 1 and milliseconds from midnight.
static void Dates() {
    Section("Dates and time stamps");
    vcl::TDateTime when = vcl::EncodeDate(2000, 3, 1) + vcl::EncodeTime(12, 30, 15, 250);
    vcl::TTimeStamp ts = vcl::DateTimeToTimeStamp(when);
    std::printf("  %s is day %.0f; time stamp date %d, %d ms after midnight; weekday %d\n",
                vcl::DateTimeToStr(when).c_str(), static_cast<double>(when), ts.Date, ts.Time,
                vcl::DayOfWeek(when));
    vcl::TDateTime before = vcl::EncodeDate(1899, 12, 29) - 0.25;
    std::printf("  %s is stored as %.2f (negative dates keep the time as a positive fraction)\n",
                vcl::DateTimeToStr(before).c_str(), static_cast<double>(before));
}

// Errors carry a message and a code; messages are looked up when raised, so a translation
// installed at run time applies to every later error.
static void Errors() {
    Section("Errors and messages");
    try {
        tnx::TnxDummyProc(); // what a client-library entry point missing from an old library does
    } catch (const tnx::ECorvexException& e) {
        std::printf("  %s (code %d)\n", e.what(), e.ErrorCode());
    }
    vcl::SetResourceStringOverride(tnx::TnxPackModule, tnx::CORVEX_ERR_FIELD_NOT_FOUND.Identifier,
                                   "Feld \"%s\" nicht gefunden.");
    std::printf("  translated: %s\n",
                vcl::Format(vcl::LoadResString(tnx::CORVEX_ERR_FIELD_NOT_FOUND), {"CUSTNO"}).c_str());
    vcl::ClearResourceStringOverrides();
    std::printf("  original:   %s\n",
                vcl::Format(vcl::LoadResString(tnx::CORVEX_ERR_FIELD_NOT_FOUND), {"CUSTNO"}).c_str());
}

// The product version of a library file, read from its version information.
static void LibraryVersion(const std::string& file) {
    Section("Version information");
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    if (tnx::TnxGetProductVersion(file, major, minor, release, build))
        std::printf("  %s: %u.%u.%u.%u\n", file.c_str(), major, minor, release, build);
    else
        std::printf("  %s: no version information\n", file.c_str());
}

int main(int argc, char** argv) {
    std::printf("%s %s: a tour of the values that cross the library's API\n", tnx::szCorvexLibraryName,
                tnx::szTarnixVersion);
    Values();
    Dates();
    Errors();
    LibraryVersion(argc > 1 ? argv[1] : "libTnxPack5.so");
    return 0;
}
