/* The interface header must compile as C: this file includes it in a C translation unit. */
#include "platform/dblib/dblib.h"

size_t dbtest_sqlca_size_from_c(void) { return sizeof(struct sqlca); }
