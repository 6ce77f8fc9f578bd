// TAsaSQL: the query's cursor (see AsaSQL.h). Opening, fetching and moving arrive with the cursor
// work; until then every cursor operation refuses with "The cursor is not opened." and a query can
// be prepared and described but not opened.
#include "asa/AsaSQL.h"

#include "base/CorvexBlob.h"
#include "base/TnxConsts.h"

namespace tnx {

bool TAsaSQL::InternalOpen(bool /*ReadOnly*/) {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::InternalDescribeOpen(bool ReadOnly) {
    return LayoutColumns(true, ReadOnly);
}

void TAsaSQL::InternalClose() {
    inherited::InternalClose();
}

bool TAsaSQL::First() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::Last() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::Next() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::Prev() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::MoveTo(int32_t /*RecNo*/) {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::IsBlobTruncated(TCorvexBlobStream* Blob) {
    const int32_t i = Blob != nullptr ? Blob->GetFieldNo() : -1;
    if (FBlobSize != 0 && FOpenSqlda != nullptr && i >= 0 && i < FFieldCount) {
        const int32_t k = FBufferRow * FFieldCount + i;
        if (k < FOpenSqlda->sqln) {
            const int16_t* indicator = FOpenSqlda->sqlvar[k].sqlind;
            if (indicator == nullptr || *indicator <= 0) return false;
        }
    }
    return true;
}

} // namespace tnx
