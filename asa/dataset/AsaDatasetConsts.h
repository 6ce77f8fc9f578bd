// Messages of the dataset unit, in the SQL Anywhere package's module "TnxSa5" (see
// asa/AsaConsts.h for how identifiers are kept unique within the module). They are looked up when
// raised, so a translation installed at run time replaces them.
//
// The STnxParamData* messages describe stored parameter data (a form file's "Params.Data") that
// is damaged: they are raised as the framework's read error, so the form reader reports them as
// an error reading that property.
#pragma once

#include "asa/AsaConsts.h"

namespace tnx {

#define TNX_SA_RESSTR(Name, Id, Text)                                                                        \
    inline constexpr vcl::TResStringRec Name {                                                               \
        TnxSaModule, Id, #Name, Text                                                                         \
    }

TNX_SA_RESSTR(STnxParamDataCount, 65496, "Invalid parameter data: negative parameter count %d");
TNX_SA_RESSTR(STnxParamDataLength, 65495,
              "Invalid parameter data: parameter %d has a negative %s length (%d)");
TNX_SA_RESSTR(STnxParamDataType, 65494,
              "Invalid parameter data: parameter \"%s\" has the unknown data type %d");
TNX_SA_RESSTR(STnxParamDataTooLarge, 65493,
              "Invalid parameter data: parameter \"%s\" holds %d bytes of data (at most %d)");
TNX_SA_RESSTR(STnxParamDataTooShort, 65492,
              "Invalid parameter data: parameter \"%s\" holds %d bytes of data; its type needs %d");
TNX_SA_RESSTR(STnxParamDataNoTerminator, 65491,
              "Invalid parameter data: the text of parameter \"%s\" has no terminating 0 byte");
TNX_SA_RESSTR(STnxParamDataValue, 65490, "Invalid parameter data: parameter \"%s\": %s");

// The dataset's own messages, raised as the framework's database error.
TNX_SA_RESSTR(STnxEmptySQLStatement, 65521, "No SQL statement available");
TNX_SA_RESSTR(STnxDataSetPrepared, 65522, "Cannot perform this operation on an open or prepared dataset");
TNX_SA_RESSTR(STnxRowChanged, 65523, "Couldn't perform the edit because another user changed the record");
// Re-running the query of an open dataset gave rows of another layout than its record buffers
// were made for; copying them would read or write past the buffers.
TNX_SA_RESSTR(STnxLayoutChanged, 65489,
              "The query's columns changed while the dataset was open; close and reopen the dataset");

#undef TNX_SA_RESSTR

} // namespace tnx
