// The shape of the entry points in the build being compiled: DBLIB_GENERATION selects whether
// dbpp_* calls take the legacy call descriptor after the SQLCA and which version value it must
// hold. Included only by the EntryPoints*.cpp files, which are compiled once per build.
#pragma once

#include "platform/dblib/CallGuard.h"

#ifndef DBLIB_GENERATION
#error "DBLIB_GENERATION must name the generation this build serves"
#endif

#define DBLIB_EXPORT __attribute__((visibility("default")))

namespace tnxdb::abi {

#if DBLIB_GENERATION == 7
constexpr bool kDescriptor = false;
constexpr uint16_t kDescriptorVersion = 0;
#define DBLIB_DBPP_ARGS(...) sqlca *ca, __VA_ARGS__
#define DBLIB_DESC nullptr
#define DBLIB_DBPP_TYPE(name) name##_fn
#else
// Generation 6 and the older ones take a call descriptor; they differ only in its version.
constexpr bool kDescriptor = true;
constexpr uint16_t kDescriptorVersion = DBLIB_GENERATION == 6 ? 6 : 4;
#define DBLIB_DBPP_ARGS(...) sqlca *ca, void *descriptor, __VA_ARGS__
#define DBLIB_DESC descriptor
#define DBLIB_DBPP_TYPE(name) name##_legacy_fn
#endif

// The frame of an entry point without a descriptor, and of a dbpp_* call.
inline CallSpec Plain(const char* name) {
    return {name, false, nullptr, 0};
}
inline CallSpec Dbpp(const char* name, const void* descriptor) {
    return {name, kDescriptor, descriptor, kDescriptorVersion};
}

} // namespace tnxdb::abi
