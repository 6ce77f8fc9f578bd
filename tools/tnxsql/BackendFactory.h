// Choice of the database backend the program runs on. MakeBackend() is the one place that names an
// implementation.
#pragma once

#include "tools/tnxsql/Backend.h"

#include <memory>

namespace tnxsql {

// The backend of this build of the program: the library's (TAsaSession and TAsaSQL).
std::unique_ptr<Backend> MakeBackend();

} // namespace tnxsql
