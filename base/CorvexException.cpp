#include "base/CorvexException.h"

namespace tnx {

// Anchors the class's virtual table in this library.
ECorvexException::~ECorvexException() = default;

} // namespace tnx
