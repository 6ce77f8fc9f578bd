// The field editor's work on a design, without windows: adding persistent fields to a dataset.
//
// A persistent field is a TField component of the design (owned by the root, written to the form
// file inside its dataset) that the dataset uses instead of making its fields from the columns:
//   - data fields stand for columns of the dataset (their names and types come from the dataset's
//     column descriptions, which may need the dataset's session to be connected);
//   - calculated fields get their values from the application's OnCalcFields handler;
//   - lookup fields show a value of another dataset found by key (KeyFields of this dataset
//     matched with LookupKeyFields of LookupDataSet, showing LookupResultField).
// A field is named like the framework names it: the dataset's name followed by the field name
// with characters that cannot be in a name left out (qryOrdersCustNo), numbered when taken.
//
// An open dataset is closed while its fields change and opened again afterwards.
#pragma once

#include "platform/vcl/db/DBTypes.h"
#include "platform/vcl/Persistent.h"

#include <vector>

namespace vcl {
class TDataSet;
class TField;
} // namespace vcl

namespace tnxdesign {

class DesignDocument;

struct TNewField {
    vcl::AnsiString FieldName;
    vcl::TFieldType DataType = vcl::ftString;
    int Size = 0; // strings and byte fields
    vcl::TFieldKind Kind = vcl::fkCalculated;
    // Lookup fields.
    vcl::AnsiString KeyFields;
    vcl::TDataSet* LookupDataSet = nullptr;
    vcl::AnsiString LookupKeyFields;
    vcl::AnsiString LookupResultField;
};

class FieldDesigner {
public:
    explicit FieldDesigner(DesignDocument& document) : FDocument(document) {}

    // The dataset's columns (FieldDefs, refreshed through the dataset) without a persistent field.
    std::vector<vcl::AnsiString> AvailableColumns(vcl::TDataSet* dataSet);
    // Adds data fields for the named columns (all available ones when names is empty).
    std::vector<vcl::TField*> AddDataFields(vcl::TDataSet* dataSet, const std::vector<vcl::AnsiString>& names = {});
    // Adds a calculated or lookup field (Kind says which).
    vcl::TField* AddField(vcl::TDataSet* dataSet, const TNewField& wanted);
    // The field types a new calculated or lookup field may have.
    static std::vector<vcl::TFieldType> FieldTypes();
    // The component name the framework gives a field of the dataset.
    vcl::AnsiString FieldComponentName(vcl::TDataSet* dataSet, const vcl::AnsiString& fieldName) const;

private:
    DesignDocument& FDocument;
};

} // namespace tnxdesign
