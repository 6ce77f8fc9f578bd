// TFieldDef and TFieldDefs: the description of a dataset's physical columns (name, number, type,
// size, precision, attributes), from which default field objects are made and against which
// persistent fields are bound.
//
// Guarantees: field numbers are 1-based and follow the order definitions are added in (unless the
// caller sets them); names are found ignoring letter case; the list owns its definitions and frees
// them on Clear and when it goes. Updated tells whether the list reflects the dataset's cursor;
// Update refreshes it through the dataset (InitFieldDefs) when it does not.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/db/DBTypes.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vcl {

class TDataSet;
class TField;
class TFieldDefs;
class TComponent;

class TFieldDef : public TPersistent {
    VCL_CLASS(TFieldDef, TPersistent)
public:
    TFieldDef(TFieldDefs* owner, const AnsiString& name, TFieldType dataType, int size, bool required, int fieldNo);

    TFieldDefs* GetCollection() const { return FOwner; }
    const AnsiString& GetName() const { return FName; }
    void SetName(const AnsiString& value) { FName = value; }
    int GetFieldNo() const { return FFieldNo; }
    void SetFieldNo(int value) { FFieldNo = value; }
    TFieldType GetDataType() const { return FDataType; }
    void SetDataType(TFieldType value) { FDataType = value; }
    int GetSize() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    int GetPrecision() const { return FPrecision; }
    void SetPrecision(int value) { FPrecision = value; }
    TFieldAttributes GetAttributes() const { return FAttributes; }
    void SetAttributes(TFieldAttributes value) { FAttributes = value; }
    bool GetRequired() const { return FAttributes.Contains(faRequired); }
    void SetRequired(bool value);
    bool GetReadOnly() const { return FAttributes.Contains(faReadonly); }
    void SetReadOnly(bool value);

    // The field class made for this definition's type (null for types without one).
    TClass GetFieldClass() const;
    // Makes a field of that class owned by owner, named after the definition, attached to the
    // dataset (which must be closed or opening).
    TField* CreateField(TComponent* owner);

    void Assign(TPersistent* source) override;

protected:
    ~TFieldDef() override;

private:
    TFieldDefs* FOwner;
    AnsiString FName;
    int FFieldNo;
    TFieldType FDataType;
    int FSize;
    int FPrecision = 0;
    TFieldAttributes FAttributes;
};

class TFieldDefs : public TPersistent {
    VCL_CLASS(TFieldDefs, TPersistent)
public:
    explicit TFieldDefs(TDataSet* dataSet);

    TDataSet* GetDataSet() const { return FDataSet; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Items[index]; raises EListError out of range.
    TFieldDef* GetItem(int index) const;
    TFieldDef* operator[](int index) const { return GetItem(index); }

    // Appends a definition numbered Count + 1.
    TFieldDef* Add(const AnsiString& name, TFieldType dataType, int size = 0, bool required = false);
    TFieldDef* AddFieldDef();
    void Clear();
    // Index of the definition of that name (letter case ignored), -1 when none.
    int IndexOf(std::string_view name) const;
    TFieldDef* FindDef(std::string_view name) const;
    // The definition of that name; raises EDatabaseError "Field 'x' not found".
    TFieldDef* Find(std::string_view name) const;

    bool GetUpdated() const { return FUpdated; }
    void SetUpdated(bool value) { FUpdated = value; }
    // When not Updated: asks the dataset to describe its columns (InitFieldDefs), then Updated.
    void Update();

    void Assign(TPersistent* source) override;

protected:
    ~TFieldDefs() override;
    TPersistent* GetOwner() override;

private:
    TDataSet* FDataSet;
    std::vector<TOwned<TFieldDef>> FItems;
    bool FUpdated = false;
};

} // namespace vcl
