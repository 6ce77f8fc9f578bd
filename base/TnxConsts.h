// Messages of the base package. Each is a resource string with a fixed identifier and constant
// name in module "TnxPack5"; its text is looked up when it is raised (vcl::LoadResString), so a
// translation installed at run time replaces it. %s is filled with a field or variable name.
#pragma once

#include "platform/vcl/ResourceStrings.h"

namespace tnx {

inline constexpr const char* TnxPackModule = "TnxPack5";

#define TNX_RESSTR(Name, Id, Text)                                                                           \
    inline constexpr vcl::TResStringRec Name {                                                               \
        TnxPackModule, Id, #Name, Text                                                                       \
    }

TNX_RESSTR(CORVEX_ERR_LIB_PATH_NOT_FOUND, 65520, "Could not find database library path.");
TNX_RESSTR(CORVEX_ERR_LIB_LOAD_FAILED, 65521, "Could not load the Database Interface library.");
TNX_RESSTR(CORVEX_ERR_LIB_INIT_FAILED, 65522, "Unable to initialize database interface");
TNX_RESSTR(CORVEX_ERR_LIB_WRONG, 65523,
           "Function not supported by this version of the Database Interface library.");
TNX_RESSTR(CORVEX_ERR_SESS_NIL, 65524, "The session property is not linked to a session");
TNX_RESSTR(CORVEX_ERR_SESS_TRANS_ACTIVE, 65525, "A user transaction is already in progress");
TNX_RESSTR(CORVEX_ERR_SESS_CONNECTED, 65526, "Not allowed while connected to a database");
TNX_RESSTR(CORVEX_ERR_STMT_NOT_PREPARED, 65527, "The statement is not prepared.");
TNX_RESSTR(CORVEX_ERR_CURS_NOT_QUERY, 65528, "The Statement is not a query");
TNX_RESSTR(CORVEX_ERR_CURS_IS_QUERY, 65529, "The statement is a query");
TNX_RESSTR(CORVEX_ERR_CURS_BI_NOT_SUPP, 65530, "Bidirectional cursors not supported.");
TNX_RESSTR(CORVEX_ERR_CURS_NOT_PREPARED, 65531, "The cursor is not prepared.");
TNX_RESSTR(CORVEX_ERR_CURS_NOT_OPENED, 65532, "The cursor is not opened.");
TNX_RESSTR(CORVEX_ERR_CURS_READ_ONLY, 65533, "The cursor is read-only.");
TNX_RESSTR(CORVEX_ERR_CURS_MISSING_ROWID, 65534, "Cursor is missing rowid.");
TNX_RESSTR(CORVEX_ERR_FIELD_NOT_FOUND, 65535, "Field \"%s\" not found.");
TNX_RESSTR(CORVEX_ERR_PARAM_NOT_FOUND, 65504, "Host variable \"%s\" not found.");
TNX_RESSTR(CORVEX_ERR_BLOB_REQUIRED, 65505, "Field \"%s\" is not a blob.");
TNX_RESSTR(CORVEX_ERR_BLOB_STREAM_INVALID, 65506, "Not a valid stream parameter.");
TNX_RESSTR(CORVEX_ERR_BLOB_PICTURE_INVALID, 65507, "Not a valid picture parameter.");
TNX_RESSTR(CORVEX_TXT_FALSE, 65508, "False");
TNX_RESSTR(CORVEX_TXT_TRUE, 65509, "True");
// A statement or host-variable set would need more descriptors than its table holds.
TNX_RESSTR(CORVEX_ERR_TOO_MANY_DESCRIPTORS, 65503, "Too many columns or host variables: %d (at most %d).");
// A row layout or host-variable set would need a buffer larger than a 32-bit size can address.
TNX_RESSTR(CORVEX_ERR_BUFFER_TOO_LARGE, 65502, "Buffer too large: %d bytes (at most %d).");

#undef TNX_RESSTR

} // namespace tnx
