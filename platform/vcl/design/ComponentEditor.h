// TComponentEditor: what the designer offers for a component as a whole: the verbs of its
// context menu (GetVerbCount, GetVerb, ExecuteVerb) and what a double click does (Edit).
//
// The base has no verbs and its Edit runs the first verb, when there is one. An editor whose
// first verb itself calls Edit would loop forever that way; the base's Edit therefore does nothing
// when it is reached again from within the verb it started.
//
// TDefaultEditor, the editor of components nothing else is registered for, makes a double click
// open the component's main event handler (OnCreate, OnChange or OnClick, else its first event),
// creating it through the designer when it has none.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Object.h"
#include "platform/vcl/design/Designer.h"

namespace vcl {

class TComponentEditor : public TObject {
    VCL_CLASS(TComponentEditor, TObject)
public:
    TComponentEditor(TComponent* component, IDesigner* designer);

    virtual void Edit();
    virtual int GetVerbCount();
    // The menu text of a verb ('&' marks its accelerator); empty for an index without a verb.
    virtual AnsiString GetVerb(int index);
    virtual void ExecuteVerb(int index);

    TComponent* GetComponent() const { return FComponent; }
    IDesigner* GetDesigner() const { return FDesigner; }

protected:
    ~TComponentEditor() override;

private:
    TComponent* FComponent;
    IDesigner* FDesigner;
    bool FInEdit = false;
};

class TDefaultEditor : public TComponentEditor {
    VCL_CLASS(TDefaultEditor, TComponentEditor)
public:
    using TComponentEditor::TComponentEditor;
    void Edit() override;

protected:
    ~TDefaultEditor() override;
};

} // namespace vcl
