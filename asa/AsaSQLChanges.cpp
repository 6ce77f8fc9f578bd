// TAsaSQL: positioned changes (see AsaSQL.h); they arrive with the cursor work and refuse until
// then, as there is no open cursor to change through.
#include "asa/AsaSQL.h"

#include "base/TnxConsts.h"

namespace tnx {

bool TAsaSQL::Modify() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::Append() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

bool TAsaSQL::Delete() {
    RaiseAsa(CORVEX_ERR_CURS_NOT_OPENED);
}

} // namespace tnx
