// Blob fields: values of any length, read and written through the dataset's blob streams
// (TDataSet::CreateBlobStream) rather than a value buffer (DataSize is 0).
//   TBlobField     bytes (ftBlob); as a variant, text holding the bytes;
//   TMemoField     text (ftMemo), transliterated like string fields;
//   TGraphicField  a picture's bytes (ftGraphic); assigned from and to TPicture and TGraphic.
// Writing an empty value makes the field NULL. Streams are released on every path.
#pragma once

#include "platform/vcl/db/Field.h"

namespace vcl {

class TStream;

class TBlobField : public TField {
    VCL_CLASS(TBlobField, TField)
public:
    explicit TBlobField(TComponent* owner);

    bool GetIsBlob() const override { return true; }
    // The blob's length in bytes (0 when NULL).
    std::int64_t GetBlobSize();
    Variant GetAsVariant() override;
    AnsiString GetAsString() override;
    void SetAsString(const AnsiString& value) override;
    void Clear() override;

    void LoadFromStream(TStream* stream);
    void SaveToStream(TStream* stream);
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName);

    void Assign(TPersistent* source) override;

protected:
    ~TBlobField() override;
    int GetDefaultWidth() const override { return 10; }
    AnsiString GetTextValue(bool displayText) override;
    void SetVarValue(const Variant& value) override;
};

class TMemoField : public TBlobField {
    VCL_CLASS(TMemoField, TBlobField)
public:
    explicit TMemoField(TComponent* owner);

protected:
    ~TMemoField() override;
    AnsiString GetTextValue(bool displayText) override;
};

class TGraphicField : public TBlobField {
    VCL_CLASS(TGraphicField, TBlobField)
public:
    explicit TGraphicField(TComponent* owner);
    // Sources: a TPicture (its graphic, or NULL without one), a TGraphic, or another blob field.
    void Assign(TPersistent* source) override;

protected:
    ~TGraphicField() override;
    // Destination: a TPicture, which loads the stored bytes (an empty picture for NULL).
    void AssignTo(TPersistent* dest) override;
};

} // namespace vcl
