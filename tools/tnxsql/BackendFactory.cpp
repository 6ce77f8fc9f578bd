// The backend of this build: the library's.
#include "tools/tnxsql/BackendFactory.h"

#include "tools/tnxsql/AsaBackend.h"

namespace tnxsql {

std::unique_ptr<Backend> MakeBackend() {
    return std::make_unique<AsaBackend>();
}

} // namespace tnxsql
