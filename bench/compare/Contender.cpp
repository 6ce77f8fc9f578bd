// The list of contenders in table order (see Contender.h).
#include "Contender.h"

namespace cmp {

std::vector<std::unique_ptr<TContender>> AllContenders(const std::string& LibDir, bool AsaRowCounts) {
    std::vector<std::unique_ptr<TContender>> all;
    all.push_back(NewRawContender());
    all.push_back(NewDbLibContender(LibDir));
    all.push_back(NewAsaContender(LibDir, AsaRowCounts));
    all.push_back(NewQtContender());
    all.push_back(NewSociContender());
    all.push_back(NewDatasetContender(LibDir));
    return all;
}

} // namespace cmp
