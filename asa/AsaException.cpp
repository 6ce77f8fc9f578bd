// EAsaException (see AsaException.h).
#include "asa/AsaException.h"

namespace tnx {

// Out of line, so the class's type information lives in this library.
EAsaException::~EAsaException() = default;

} // namespace tnx
