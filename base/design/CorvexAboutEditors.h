// The component editors that add an about verb to the context menu of a package's components:
// "Abo&ut Tarnix 1.86b" (U is the accelerator). The verb calls Edit; the database-specific
// editors show the about box naming their database.
#pragma once

#include "platform/vcl/design/ComponentEditor.h"

namespace tnx {

using vcl::AnsiString;

class TCorvexAboutComponentEditor : public vcl::TComponentEditor {
    VCL_CLASS(TCorvexAboutComponentEditor, vcl::TComponentEditor)
public:
    using vcl::TComponentEditor::TComponentEditor;
    int GetVerbCount() override;
    AnsiString GetVerb(int Index) override;
    void ExecuteVerb(int Index) override;

protected:
    ~TCorvexAboutComponentEditor() override;
    // Shows the about box for a database (for the descendants' Edit).
    void ShowAboutBox(const AnsiString& databaseName);
};

class TCorvexAsaAboutComponentEditor : public TCorvexAboutComponentEditor {
    VCL_CLASS(TCorvexAsaAboutComponentEditor, TCorvexAboutComponentEditor)
public:
    using TCorvexAboutComponentEditor::TCorvexAboutComponentEditor;
    void Edit() override;

protected:
    ~TCorvexAsaAboutComponentEditor() override;
};

class TCorvexOciAboutComponentEditor : public TCorvexAboutComponentEditor {
    VCL_CLASS(TCorvexOciAboutComponentEditor, TCorvexAboutComponentEditor)
public:
    using TCorvexAboutComponentEditor::TCorvexAboutComponentEditor;
    void Edit() override;

protected:
    ~TCorvexOciAboutComponentEditor() override;
};

} // namespace tnx
