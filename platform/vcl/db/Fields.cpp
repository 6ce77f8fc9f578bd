// TFields: the dataset's ordered, non-owning list of fields (Fields.h).
#include "platform/vcl/db/Fields.h"

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DBConsts.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"

#include <algorithm>

namespace vcl {

TFields::TFields(TDataSet* dataSet) : FDataSet(dataSet) {}

TFields::~TFields() = default;

TField* TFields::GetField(int index) const {
    if (index < 0 || index >= Count()) DatabaseError(SFieldIndexError, FDataSet);
    return FList[static_cast<std::size_t>(index)];
}

int TFields::IndexOf(const TField* field) const {
    auto it = std::find(FList.begin(), FList.end(), field);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

TField* TFields::FindField(std::string_view name) const {
    for (TField* field : FList)
        if (SameText(field->GetFieldName(), name)) return field;
    return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
    TField* field = FindField(name);
    if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {AnsiString(name)}, FDataSet);
    return field;
}

void TFields::SetFieldIndex(TField* field, int index) {
    const int current = IndexOf(field);
    if (current < 0) return;
    index = std::clamp(index, 0, Count() - 1);
    FList.erase(FList.begin() + current);
    FList.insert(FList.begin() + index, field);
}

void TFields::Add(TField* field) {
    FList.push_back(field);
}

void TFields::Remove(TField* field) {
    auto it = std::find(FList.begin(), FList.end(), field);
    if (it != FList.end()) FList.erase(it);
}

VCL_CLASS_INFO(TFields)

} // namespace vcl
