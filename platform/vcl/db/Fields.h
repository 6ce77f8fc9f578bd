// TFields: a dataset's ordered list of field objects. It does not own them (default fields are
// owned by the dataset, persistent ones by the form); fields add and remove themselves as they are
// attached, detached and freed. Lookups by name ignore letter case; FieldByName raises
// EDatabaseError "Field 'x' not found" where FindField answers null.
#pragma once

#include "platform/vcl/Object.h"

#include <string_view>
#include <vector>

namespace vcl {

class TDataSet;
class TField;

class TFields : public TObject {
    VCL_CLASS(TFields, TObject)
public:
    explicit TFields(TDataSet* dataSet);

    TDataSet* GetDataSet() const { return FDataSet; }
    int Count() const { return static_cast<int>(FList.size()); }
    // Fields[index]; raises EDatabaseError "Field index out of range".
    TField* GetField(int index) const;
    TField* operator[](int index) const { return GetField(index); }
    int IndexOf(const TField* field) const;
    TField* FindField(std::string_view name) const;
    TField* FieldByName(std::string_view name) const;
    // Moves a field to a position (clamped to the list).
    void SetFieldIndex(TField* field, int index);

    auto begin() const { return FList.begin(); }
    auto end() const { return FList.end(); }

protected:
    ~TFields() override;

private:
    friend class TField;
    friend class TDataSet;
    void Add(TField* field);
    void Remove(TField* field);

    TDataSet* FDataSet;
    std::vector<TField*> FList;
};

} // namespace vcl
