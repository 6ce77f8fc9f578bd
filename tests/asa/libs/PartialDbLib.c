/* A client library that exports only db_init and db_fini: loading it binds every other entry point
 * to the product's raising stand-in (or to null for the optional ones). Built twice: with
 * PARTIAL_INIT_RESULT 1 (db_init succeeds) and 0 (db_init refuses). */
#include "platform/dblib/dblib.h"

#include <string.h>

__attribute__((visibility("default"))) unsigned short db_init(struct sqlca *ca) {
    if (!ca) return 0;
    memcpy(ca->sqlcaid, "SQLCA", 6);
    ca->sqlcabc = 136;
    ca->sqlcode = 0;
    return PARTIAL_INIT_RESULT;
}

__attribute__((visibility("default"))) unsigned short db_fini(struct sqlca *ca) {
    return ca ? 1 : 0;
}
