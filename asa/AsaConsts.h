// Messages of the SQL Anywhere package. Each is a resource string of module "TnxSa5" with a fixed
// identifier, looked up when it is raised (vcl::LoadResString), so a translation installed at run
// time replaces it. Identifiers are unique within this module only: 65520 here is not the base
// package's 65520.
#pragma once

#include "platform/vcl/ResourceStrings.h"

namespace tnx {

inline constexpr const char* TnxSaModule = "TnxSa5";

// Writing a page of a backup copy failed (the target cannot be created or written).
inline constexpr vcl::TResStringRec ASA_ERR_BACKUP_MEDIA{TnxSaModule, 65520, "ASA_ERR_BACKUP_MEDIA",
                                                         "Not able to backup to the selected media."};

// The database's pages are larger than the 16-bit length of a binary value can describe, so a
// backup could only write them cut short.
inline constexpr vcl::TResStringRec ASA_ERR_BACKUP_PAGE_SIZE{
    TnxSaModule, 65519, "ASA_ERR_BACKUP_PAGE_SIZE", "Database pages of %d bytes are too large to back up."};

} // namespace tnx
