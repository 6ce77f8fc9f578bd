// MainWindow: tnxdesign's window. The palette (left) drops components onto the data module; the
// component tree (middle) selects one and offers its verbs; the property inspector (right) edits
// it; below, a grid shows the live rows of the selected dataset while it is active (connect the
// session and set the dataset's Active to True in the inspector).
//
// The window holds the document and the package loader; everything it shows comes from them, the
// registry and the framework's type information. A modified design is asked about (save, discard,
// cancel) before it is closed or replaced.
//
// The public operations are what the menus do, without the file dialogs, so that tests and
// scripts drive the window as a user would; they return false (the reason in LastError and the
// status bar) instead of raising.
#pragma once

#include "tools/tnxdesign/DesignDocument.h"
#include "tools/tnxdesign/PackageLoader.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>

class QLabel;
class QTableView;

namespace vcl {
class TDataSource;
class TDataSet;
} // namespace vcl

namespace tnxqt {
class TnxDataSetModel;
}

namespace tnxdesign {

class ComponentTree;
class FieldEditorDialog;
class PropertyPanel;
class PalettePanel;

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    DesignDocument& Document() { return FDocument; }
    PackageLoader& Packages() { return FPackages; }
    PalettePanel* Palette() const { return FPalette; }
    ComponentTree* Tree() const { return FTree; }
    PropertyPanel* Inspector() const { return FInspector; }
    QTableView* Grid() const { return FGrid; }
    tnxqt::TnxDataSetModel* GridModel() const { return FGridModel; }
    const QString& LastError() const { return FLastError; }

    bool LoadPackage(const QString& fileName);
    // New / Open ask about a modified design first (SetSaveQuestion).
    bool NewModule();
    bool OpenFile(const QString& fileName);
    bool SaveFile(const QString& fileName, TFormFileFormat format);
    // Drops a component of the class and selects it; null on failure.
    vcl::TComponent* DropComponent(vcl::TClass cls);
    void Select(vcl::TComponent* component);
    // Opens the field editor of a dataset (modeless; the window owns it).
    FieldEditorDialog* OpenFieldsEditor(vcl::TComponent* dataSet);

    // What to do with a modified design: Save, Discard or Cancel. The default asks in a message
    // box.
    using TSaveQuestion = std::function<QMessageBox::StandardButton(const QString& name)>;
    void SetSaveQuestion(TSaveQuestion question) { FSaveQuestion = std::move(question); }
    // True when the design may be closed or replaced (saved or discarded as the answer says).
    bool ConfirmDiscard();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void UpdateTitle();
    void UpdatePreview();
    bool Fail(const QString& message);
    void Report(const QString& message);
    void OpenWithDialog();
    void SaveWithDialog(bool askName);
    void LoadPackageWithDialog();

    DesignDocument FDocument;
    PackageLoader FPackages;
    vcl::TOwned<vcl::TDataSource> FPreviewSource;
    PalettePanel* FPalette;
    ComponentTree* FTree;
    PropertyPanel* FInspector;
    QTableView* FGrid;
    tnxqt::TnxDataSetModel* FGridModel;
    QLabel* FGridCaption;
    QString FLastError;
    TSaveQuestion FSaveQuestion;
    int FSubscription = 0;
};

} // namespace tnxdesign
