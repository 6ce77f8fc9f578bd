// FieldEditorDialog (see FieldEditorDialog.h).
#include "tools/tnxdesign/FieldEditorDialog.h"

#include "tools/tnxdesign/DesignDocument.h"
#include "tools/tnxdesign/FieldDesigner.h"

#include "platform/vcl/TypInfo.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/Field.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tnxdesign {

using namespace vcl;

namespace {

QString Name(const AnsiString& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
AnsiString Ansi(const QString& s) { return s.trimmed().toLatin1().toStdString(); }

} // namespace

FieldEditorDialog::FieldEditorDialog(DesignDocument& document, TDataSet* dataSet, QWidget* parent)
    : QDialog(parent), FDocument(document), FDataSet(dataSet) {
    setWindowTitle(tr("Fields of %1").arg(Name(dataSet->GetName())));
    auto* layout = new QVBoxLayout(this);

    FList = new QListWidget(this);
    layout->addWidget(FList);
    auto* buttons = new QHBoxLayout;
    auto* addAll = new QPushButton(tr("&Add all fields"), this);
    auto* remove = new QPushButton(tr("&Delete"), this);
    buttons->addWidget(addAll);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);

    auto* group = new QGroupBox(tr("New field"), this);
    auto* form = new QFormLayout(group);
    NewName = new QLineEdit(group);
    NewType = new QComboBox(group);
    for (TFieldType type : FieldDesigner::FieldTypes())
        NewType->addItem(Name(EnumTypeInfo(type).Name(type)), static_cast<int>(type));
    NewSize = new QSpinBox(group);
    NewSize->setRange(0, 32767);
    NewSize->setValue(20);
    NewKind = new QComboBox(group);
    NewKind->addItem(tr("Calculated"), static_cast<int>(fkCalculated));
    NewKind->addItem(tr("Lookup"), static_cast<int>(fkLookup));
    KeyFields = new QLineEdit(group);
    LookupDataSet = new QComboBox(group);
    for (TComponent* c : document.TopComponents())
        if (c != dataSet && dynamic_cast<TDataSet*>(c) != nullptr) LookupDataSet->addItem(Name(c->GetName()));
    LookupKeyFields = new QLineEdit(group);
    LookupResultField = new QLineEdit(group);
    form->addRow(tr("&Name:"), NewName);
    form->addRow(tr("&Type:"), NewType);
    form->addRow(tr("&Size:"), NewSize);
    form->addRow(tr("&Kind:"), NewKind);
    form->addRow(tr("&Key fields:"), KeyFields);
    form->addRow(tr("Lookup &dataset:"), LookupDataSet);
    form->addRow(tr("Lookup k&eys:"), LookupKeyFields);
    form->addRow(tr("&Result field:"), LookupResultField);
    auto* add = new QPushButton(tr("Add &new field"), group);
    form->addRow(add);
    layout->addWidget(group);

    FError = new QLineEdit(this);
    FError->setReadOnly(true);
    FError->setFrame(false);
    layout->addWidget(FError);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(close);

    QObject::connect(addAll, &QPushButton::clicked, this, [this] { AddAllFields(); });
    QObject::connect(remove, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    QObject::connect(add, &QPushButton::clicked, this, [this] { AddNewField(); });
    QObject::connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Refresh();
}

void FieldEditorDialog::Refresh() {
    FList->clear();
    for (TComponent* c : FDocument.FieldsOf(FDataSet)) {
        auto* field = static_cast<TField*>(c);
        auto* item = new QListWidgetItem(Name(field->GetFieldName()), FList);
        item->setToolTip(Name(field->GetName() + ": " + field->ClassName()));
    }
}

QStringList FieldEditorDialog::FieldNames() const {
    QStringList names;
    for (int i = 0; i < FList->count(); ++i) names << FList->item(i)->text();
    return names;
}

void FieldEditorDialog::Report(const std::exception& e) { FError->setText(QString::fromLocal8Bit(e.what())); }

void FieldEditorDialog::AddAllFields() {
    try {
        FError->clear();
        FieldDesigner(FDocument).AddDataFields(FDataSet);
    } catch (const std::exception& e) {
        Report(e);
    }
    Refresh();
}

void FieldEditorDialog::AddNewField() {
    try {
        FError->clear();
        TNewField wanted;
        wanted.FieldName = Ansi(NewName->text());
        wanted.DataType = static_cast<TFieldType>(NewType->currentData().toInt());
        wanted.Size = NewSize->value();
        wanted.Kind = static_cast<TFieldKind>(NewKind->currentData().toInt());
        if (wanted.Kind == fkLookup) {
            wanted.KeyFields = Ansi(KeyFields->text());
            wanted.LookupDataSet = dynamic_cast<TDataSet*>(FDocument.Root()->FindComponent(Ansi(LookupDataSet->currentText())));
            wanted.LookupKeyFields = Ansi(LookupKeyFields->text());
            wanted.LookupResultField = Ansi(LookupResultField->text());
        }
        FieldDesigner(FDocument).AddField(FDataSet, wanted);
        NewName->clear();
    } catch (const std::exception& e) {
        Report(e);
    }
    Refresh();
}

void FieldEditorDialog::DeleteSelected() {
    const int row = FList->currentRow();
    const std::vector<TComponent*> fields = FDocument.FieldsOf(FDataSet);
    if (row < 0 || row >= static_cast<int>(fields.size())) return;
    try {
        FError->clear();
        FDocument.Delete(fields[static_cast<size_t>(row)]);
    } catch (const std::exception& e) {
        Report(e);
    }
    Refresh();
}

} // namespace tnxdesign
