// FieldEditorDialog: the field editor of one dataset. It lists the dataset's persistent fields and
// adds more through FieldDesigner: data fields for the columns that have none ("Add all fields"),
// and new calculated or lookup fields described in the dialog's lower half. Delete frees the
// selected field. Every change goes through the document, so the tree and inspector follow.
#pragma once

#include "platform/vcl/Component.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace vcl {
class TDataSet;
}

namespace tnxdesign {

class DesignDocument;

class FieldEditorDialog : public QDialog {
public:
    FieldEditorDialog(DesignDocument& document, vcl::TDataSet* dataSet, QWidget* parent = nullptr);

    // The actions of the buttons, for the buttons and for tests; errors show in the dialog.
    void AddAllFields();
    void AddNewField();
    void DeleteSelected();
    // The names of the listed fields, in order.
    QStringList FieldNames() const;

    // The new field's description.
    QLineEdit* NewName;
    QComboBox* NewType;
    QSpinBox* NewSize;
    QComboBox* NewKind; // calculated or lookup
    QLineEdit* KeyFields;
    QComboBox* LookupDataSet;
    QLineEdit* LookupKeyFields;
    QLineEdit* LookupResultField;

private:
    void Refresh();
    void Report(const std::exception& e);

    DesignDocument& FDocument;
    vcl::TDataSet* FDataSet;
    QListWidget* FList;
    QLineEdit* FError;
};

} // namespace tnxdesign
