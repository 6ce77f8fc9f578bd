// The message table ("resource strings"). Every user-visible message is declared once as a
// TResStringRec constant: the module (package) that owns it, its numeric identifier, its constant
// name and its English default text. Code never formats the default text directly; it asks
// LoadResString at the moment the message is raised, so a translation installed at run time
// (SetResourceStringOverride and friends) takes effect for every later error.
//
// Identifiers are unique only within a module (two packages may both use 65520 for different
// texts), so the table is keyed by (module, identifier).
//
// Declaring a message of your own module:
//
//     inline constexpr vcl::TResStringRec SMyError{"TnxPack5", 65535, "SMyError", "Field \"%s\" not found."};
//     throw vcl::EConvertError(SMyError, {fieldName});       // looked up and formatted now
//
// Thread safety: lookups and overrides may run on any thread; an override becomes visible to
// lookups that start after it returns.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace vcl {

// One message. The record is a compile-time constant; its texts are static strings.
struct TResStringRec {
    const char* Module;      // owning module, e.g. "vcl", "TnxPack5", "TnxSa5"
    std::int32_t Identifier; // unique within the module
    const char* Name;        // the constant's name, for translation tools and diagnostics
    const char* DefaultText; // English text used when no override is installed
};

// The current text of a message: the override for (Module, Identifier) if one is installed,
// otherwise the default text.
AnsiString LoadResString(const TResStringRec& rec);

// One replacement text, for the bulk operations below.
struct TResStringOverride {
    AnsiString Module;
    std::int32_t Identifier;
    AnsiString Text;
};

// Installs (or replaces) the text used for (module, identifier).
void SetResourceStringOverride(std::string_view module, std::int32_t identifier, std::string_view text);
// Removes the override for (module, identifier); returns whether there was one.
bool RemoveResourceStringOverride(std::string_view module, std::int32_t identifier);
// Installs many overrides at once, keeping the others.
void SetResourceStringOverrides(std::span<const TResStringOverride> overrides);
// Replaces the whole override table in one step (a translation switch): afterwards exactly the
// given overrides are in effect. An empty span removes every override.
void ReplaceResourceStringOverrides(std::span<const TResStringOverride> overrides);
// Removes every override; every message reads its default text again.
void ClearResourceStringOverrides();

} // namespace vcl
