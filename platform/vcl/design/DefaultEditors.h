// The property editors of each kind of published property, used when nothing more specific is
// registered (DesignRegistry.h), and the bases that registered editors derive from.
//
//   TIntegerProperty, TInt64Property  decimal text; integer types with named values (colours,
//                                     cursors) show and list the names; out of range refused
//   TEnumProperty, TBoolProperty      the value's name, a drop-down list of the names
//   TSetProperty                      "[a,b]", with one nested True/False property per element
//   TFloatProperty                    the number (currency with up to four decimals, dates as
//                                     date-time text)
//   TStringProperty                   the text as it stands
//   TClassProperty                    "(TFont)" and the sub-object's properties nested
//   TComponentProperty                the referenced component's name, a list of the components
//                                     of a fitting class
//   TMethodProperty                   the handler's name, a list of the root's handlers of the
//                                     event's signature; a new name creates the handler
// Text that does not fit raises EPropertyError "Invalid property value" (or the conversion error
// of the number) and changes nothing.
#pragma once

#include "platform/vcl/design/PropertyEditor.h"

namespace vcl {

class TIntegerProperty : public TPropertyEditor {
    VCL_CLASS(TIntegerProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;
    void GetValues(const TGetStrProc& proc) override;

protected:
    ~TIntegerProperty() override;
};

class TInt64Property : public TIntegerProperty {
    VCL_CLASS(TInt64Property, TIntegerProperty)
public:
    using TIntegerProperty::TIntegerProperty;

protected:
    ~TInt64Property() override;
};

class TEnumProperty : public TPropertyEditor {
    VCL_CLASS(TEnumProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;
    void GetValues(const TGetStrProc& proc) override;

protected:
    ~TEnumProperty() override;
};

class TBoolProperty : public TEnumProperty {
    VCL_CLASS(TBoolProperty, TEnumProperty)
public:
    using TEnumProperty::TEnumProperty;

protected:
    ~TBoolProperty() override;
};

class TSetProperty : public TPropertyEditor {
    VCL_CLASS(TSetProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;
    // One TSetElementProperty per element.
    void GetProperties(const TGetPropProc& proc) override;

protected:
    ~TSetProperty() override;
};

// One element of a set, as a True/False property named after the element.
class TSetElementProperty : public TPropertyEditor {
    VCL_CLASS(TSetElementProperty, TPropertyEditor)
public:
    TSetElementProperty(IDesigner* designer, int propCount, int element);
    TPropertyAttributes GetAttributes() override;
    AnsiString GetName() const override;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;
    void GetValues(const TGetStrProc& proc) override;

protected:
    ~TSetElementProperty() override;

private:
    int FElement;
};

class TFloatProperty : public TPropertyEditor {
    VCL_CLASS(TFloatProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;

protected:
    ~TFloatProperty() override;
};

class TStringProperty : public TPropertyEditor {
    VCL_CLASS(TStringProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    void SetValue(const AnsiString& value) override;

protected:
    ~TStringProperty() override;
};

class TClassProperty : public TPropertyEditor {
    VCL_CLASS(TClassProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    // The editors of the sub-objects' own properties.
    void GetProperties(const TGetPropProc& proc) override;

protected:
    ~TClassProperty() override;
};

class TComponentProperty : public TPropertyEditor {
    VCL_CLASS(TComponentProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    // A name the designer knows, of a fitting class; empty for none.
    void SetValue(const AnsiString& value) override;
    void GetValues(const TGetStrProc& proc) override;

protected:
    ~TComponentProperty() override;
};

class TMethodProperty : public TPropertyEditor {
    VCL_CLASS(TMethodProperty, TPropertyEditor)
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override;
    AnsiString GetValue() override;
    // Binds the root's handler of that name, creating it through the designer when it does not
    // exist; empty clears the event. A name that is no identifier is refused.
    void SetValue(const AnsiString& value) override;
    void GetValues(const TGetStrProc& proc) override;
    // Without a handler: creates one named after the component and the event ("btnOKClick");
    // then shows it.
    void Edit() override;
    // The name a new handler gets.
    AnsiString GetFormMethodName() const;

protected:
    ~TMethodProperty() override;
};

} // namespace vcl
