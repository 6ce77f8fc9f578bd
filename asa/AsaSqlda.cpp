// TAsaSqlda and ReleaseSqlda (see AsaSqlda.h).
#include "asa/AsaSqlda.h"

#include "asa/TnxAsaLibrary.h"
#include "platform/vcl/Exceptions.h"

namespace tnx {

void ReleaseSqlda(sqlda* Da, bool Indicators) noexcept {
    if (Da == nullptr) return;
    TAsaEntryPoints& procs = AsaLibrary.Procs;
    // A library without the free routine binds a stand-in that raises; a release never does.
    try {
        if (Indicators) {
            if (procs.free_sqlda != nullptr) procs.free_sqlda(Da);
        } else if (procs.free_sqlda_noind != nullptr) {
            procs.free_sqlda_noind(Da);
        }
    } catch (...) {
    }
}

TAsaSqlda& TAsaSqlda::operator=(TAsaSqlda&& Other) noexcept {
    if (this != &Other) {
        Reset();
        FDa = Other.FDa;
        FIndicators = Other.FIndicators;
        Other.FDa = nullptr;
    }
    return *this;
}

TAsaSqlda TAsaSqlda::Allocate(unsigned Count) {
    TAsaSqlda area = TryAllocate(Count);
    if (!area) vcl::OutOfMemoryError();
    return area;
}

TAsaSqlda TAsaSqlda::AllocateNoIndicators(unsigned Count) {
    auto alloc = AsaLibrary.Procs.alloc_sqlda_noind;
    TAsaSqlda area(alloc != nullptr ? alloc(Count) : nullptr, false);
    if (!area) vcl::OutOfMemoryError();
    return area;
}

TAsaSqlda TAsaSqlda::TryAllocate(unsigned Count) {
    auto alloc = AsaLibrary.Procs.alloc_sqlda;
    return TAsaSqlda(alloc != nullptr ? alloc(Count) : nullptr, true);
}

sqlda* TAsaSqlda::Release() noexcept {
    sqlda* da = FDa;
    FDa = nullptr;
    return da;
}

void TAsaSqlda::Reset() noexcept {
    ReleaseSqlda(FDa, FIndicators);
    FDa = nullptr;
}

} // namespace tnx
