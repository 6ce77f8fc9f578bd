// ECorvexDatasetError (see AsaDatasetError.h).
#include "asa/dataset/AsaDatasetError.h"

namespace tnx {

// Out of line, so the class's type information lives in this library.
ECorvexDatasetError::~ECorvexDatasetError() = default;

} // namespace tnx
