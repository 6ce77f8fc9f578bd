// TAsaSqlda: the one owner of an SQLDA that the client library allocated.
//
// An area comes from alloc_sqlda (with indicator variables) or alloc_sqlda_noind (without) and is
// given back to the matching free routine when its owner goes out of scope, is reset or is moved
// over. The rule for the free routines is decided here once: an area is freed while the library's
// free routine is bound; once the library has been unloaded (its entry points cleared) the area
// went with the library's memory and nothing is called. Long-lived areas that the statement keeps
// in sqlda* fields are released through ReleaseSqlda, the same rule.
#pragma once

#include "platform/dblib/dblib.h"

namespace tnx {

// Gives an area back to the library (see above); null is ignored.
void ReleaseSqlda(sqlda* Da, bool Indicators = true) noexcept;

class TAsaSqlda {
public:
    TAsaSqlda() noexcept = default;
    ~TAsaSqlda() { Reset(); }
    TAsaSqlda(TAsaSqlda&& Other) noexcept : FDa(Other.FDa), FIndicators(Other.FIndicators) {
        Other.FDa = nullptr;
    }
    TAsaSqlda& operator=(TAsaSqlda&& Other) noexcept;
    TAsaSqlda(const TAsaSqlda&) = delete;
    TAsaSqlda& operator=(const TAsaSqlda&) = delete;

    // An area of Count variables with indicators; raises EOutOfMemory when the library has none.
    static TAsaSqlda Allocate(unsigned Count);
    // The same without indicator variables.
    static TAsaSqlda AllocateNoIndicators(unsigned Count);
    // An area of Count variables with indicators, or an empty owner when the library has none or
    // is not bound (for callers that report the failure their own way). A library that lacks the
    // routine raises through its stand-in.
    static TAsaSqlda TryAllocate(unsigned Count);

    sqlda* Get() const noexcept { return FDa; }
    sqlda* operator->() const noexcept { return FDa; }
    explicit operator bool() const noexcept { return FDa != nullptr; }
    sqlvar& Var(int32_t Index) const { return FDa->sqlvar[Index]; }
    // Hands the area over to a caller that frees it with ReleaseSqlda.
    sqlda* Release() noexcept;
    void Reset() noexcept;

private:
    TAsaSqlda(sqlda* Da, bool Indicators) noexcept : FDa(Da), FIndicators(Indicators) {}
    sqlda* FDa = nullptr;
    bool FIndicators = true;
};

} // namespace tnx
