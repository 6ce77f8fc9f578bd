// Free routines of the base package: stand-ins for missing client-library entry points, field-list
// parsing, text joining, raw-buffer management, file-name prefix and the product version of a file.
// None keeps state; all are reentrant.
#pragma once

#include "platform/vcl/SysTypes.h"

#include <cstdint>
#include <string_view>

namespace tnx {

using vcl::AnsiString;

// Bound in place of an entry point the loaded client library lacks: raises ECorvexException with
// CORVEX_ERR_LIB_WRONG and code 0 (directly, not through a session).
[[noreturn]] void TnxDummyProc();
// Does nothing and returns 0.
int32_t TnxDummyProcNoExcept();

// proc := address when that is not null, else the default.
template <typename P>
void TnxInternalAssignProcAddress(P& proc, void* address, P defaultProc) {
    proc = address ? reinterpret_cast<P>(address) : defaultProc;
}

// Takes the next ';'-separated name from list, starting at the 1-based position pos: returns it
// trimmed and moves pos past the separator. Callers loop while pos <= list length; an empty segment
// yields an empty name.
AnsiString TnxExtractFieldName(std::string_view list, int& pos);

// Appends the separator (when target is not empty), then the value.
void TnxConcateField(AnsiString& target, std::string_view separator, std::string_view value);
// Appends the separator only between two non-empty parts, then the value: an empty value changes
// nothing.
void TnxConcateEmptyField(AnsiString& target, std::string_view separator, std::string_view value);

// Raw buffers the classes manage: allocated zero-filled, released through TnxDisposeMem, which
// clears the pointer and ignores null. A size of 0 allocates nothing (null).
void* TnxAllocMem(int32_t size);
void TnxDisposeMem(void*& block, int32_t size);
template <typename T>
void TnxDisposeMem(T*& block, int32_t size) {
    void* p = block;
    TnxDisposeMem(p, size);
    block = nullptr;
}

// The file name without its extension: the text before the last '.', when the last of '.', '\',
// '/' and ':' in the name is a dot; otherwise the name unchanged.
AnsiString TnxExtractFilePrefix(std::string_view fileName);

// Product version of an executable or library, from its version information: the fixed product
// version, or, when its major number is 0, the "ProductVersion" text of the first translation's
// string table. False when the file has no usable version information (outputs as far as read).
// A non-numeric part of the version text raises the framework's conversion error.
bool TnxGetProductVersion(const AnsiString& fileName, uint16_t& major, uint16_t& minor, uint16_t& release,
                          uint16_t& build);

// Raises ECorvexException (code 0) when a set of descriptors would exceed the table's 256 entries.
void TnxCheckDescriptorCount(int32_t count);

} // namespace tnx
