// PropertyPanel (see PropertyPanel.h).
#include "tools/tnxdesign/PropertyPanel.h"

#include "tools/tnxdesign/DesignDocument.h"

#include "platform/vcl/design/DesignRegistry.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace tnxdesign {

using namespace vcl;

namespace {

QTreeWidget* MakeTree(QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    tree->setColumnCount(2);
    tree->setHeaderLabels({QObject::tr("Property"), QObject::tr("Value")});
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(true);
    tree->setRootIsDecorated(true);
    tree->setUniformRowHeights(true);
    return tree;
}

QString Text(const AnsiString& s) { return QString::fromLatin1(s.data(), static_cast<int>(s.size())); }
AnsiString Ansi(const QString& s) { return s.toLatin1().toStdString(); }

} // namespace

PropertyPanel::PropertyPanel(DesignDocument& document, QWidget* parent)
    : QTabWidget(parent), FDocument(document), FProperties(MakeTree(this)), FEvents(MakeTree(this)) {
    FEvents->setHeaderLabels({tr("Event"), tr("Handler")});
    addTab(FProperties, tr("Properties"));
    addTab(FEvents, tr("Events"));
    // A change rebuilds the rows, but never under a row's own widget: not while an editor's action
    // runs (an ellipsis dialog is modal, the row must outlive it), and only once the signal that
    // made the change has returned.
    FSubscription = FDocument.Subscribe([this] {
        if (FRefreshing) return;
        FRefreshPending = true;
        if (FBusy == 0) ScheduleRefresh();
    });
}

void PropertyPanel::ScheduleRefresh() {
    QTimer::singleShot(0, this, [this] {
        if (FBusy > 0 || !FRefreshPending) return;
        FRefreshPending = false;
        Refresh();
    });
}

PropertyPanel::~PropertyPanel() { FDocument.Unsubscribe(FSubscription); }

void PropertyPanel::SetComponent(TComponent* component) {
    FComponent = component;
    Refresh();
}

void PropertyPanel::Refresh() {
    FRefreshing = true;
    FRefreshPending = false;
    FProperties->clear();
    FEvents->clear();
    FEntries.clear();
    // A component freed since it was selected is no longer the document's.
    bool present = FComponent == FDocument.Root();
    for (int i = 0; !present && FComponent != nullptr && i < FDocument.Root()->GetComponentCount(); ++i)
        present = FDocument.Root()->GetComponent(i) == FComponent;
    if (!present) FComponent = nullptr;
    if (FComponent != nullptr) {
        std::vector<TOwned<TPropertyEditor>> editors;
        GetComponentProperties({FComponent}, &FDocument,
                               [&](TOwned<TPropertyEditor> editor) { editors.push_back(std::move(editor)); });
        for (auto& editor : editors) {
            QTreeWidget* tree = editor->GetPropKind() == TTypeKind::tkMethod ? FEvents : FProperties;
            AddRow(tree, nullptr, QString(), std::move(editor));
        }
    }
    FRefreshing = false;
}

void PropertyPanel::AddRow(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& prefix,
                             TOwned<TPropertyEditor> owned) {
    TPropertyEditor* editor = owned.get();
    const QString name = Text(editor->GetName());
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, name);
    const TPropertyAttributes attributes = editor->GetAttributes();

    Entry entry;
    entry.Item = item;
    entry.Path = prefix.isEmpty() ? name : prefix + "." + name;

    auto* cell = new QWidget(tree);
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QString value = Text(editor->GetValue());
    if (attributes.Contains(paValueList)) {
        auto* combo = new QComboBox(cell);
        combo->setEditable(!attributes.Contains(paReadOnly));
        editor->GetValues([&](const AnsiString& v) { combo->addItem(Text(v)); });
        if (attributes.Contains(paSortList)) combo->model()->sort(0);
        combo->setCurrentIndex(combo->findText(value));
        if (combo->isEditable()) combo->setEditText(value);
        QObject::connect(combo, &QComboBox::textActivated, this,
                         [this, editor](const QString& text) { Apply(editor, text); });
        entry.Value = combo;
    } else {
        auto* line = new QLineEdit(value, cell);
        line->setReadOnly(attributes.Contains(paReadOnly));
        line->setFrame(false);
        line->setCursorPosition(0);
        QObject::connect(line, &QLineEdit::editingFinished, this, [this, editor, line] {
            if (!line->isReadOnly() && line->isModified()) Apply(editor, line->text());
        });
        entry.Value = line;
    }
    layout->addWidget(entry.Value, 1);
    if (attributes.Contains(paDialog)) {
        auto* button = new QToolButton(cell);
        button->setText("...");
        button->setToolTip(tr("Edit %1").arg(name));
        QObject::connect(button, &QToolButton::clicked, this, [this, editor] { Run([editor] { editor->Edit(); }); });
        layout->addWidget(button);
        entry.Ellipsis = button;
    }
    tree->setItemWidget(item, 1, cell);

    const QString path = entry.Path;
    entry.Editor = std::move(owned);
    FEntries.push_back(std::move(entry));
    if (attributes.Contains(paSubProperties)) {
        std::vector<TOwned<TPropertyEditor>> children;
        editor->GetProperties([&](TOwned<TPropertyEditor> child) { children.push_back(std::move(child)); });
        for (auto& child : children) AddRow(tree, item, path, std::move(child));
    }
}

void PropertyPanel::Run(const std::function<void()>& action) {
    ++FBusy;
    try {
        action();
    } catch (const std::exception& e) {
        if (FOnError) FOnError(QString::fromLocal8Bit(e.what()));
        // The rows show what the component kept.
        FRefreshPending = true;
    }
    --FBusy;
    if (FBusy == 0 && FRefreshPending) ScheduleRefresh();
}

void PropertyPanel::Apply(TPropertyEditor* editor, const QString& text) {
    if (text == Text(editor->GetValue())) return;
    Run([editor, &text] { editor->SetValue(Ansi(text)); });
}

const PropertyPanel::Entry* PropertyPanel::Find(const QString& name) const {
    for (const Entry& entry : FEntries)
        if (entry.Path.compare(name, Qt::CaseInsensitive) == 0) return &entry;
    return nullptr;
}

QTreeWidgetItem* PropertyPanel::Row(const QString& name) const {
    const Entry* entry = Find(name);
    return entry != nullptr ? entry->Item : nullptr;
}

QWidget* PropertyPanel::ValueWidget(const QString& name) const {
    const Entry* entry = Find(name);
    return entry != nullptr ? entry->Value : nullptr;
}

QWidget* PropertyPanel::EllipsisButton(const QString& name) const {
    const Entry* entry = Find(name);
    return entry != nullptr ? entry->Ellipsis : nullptr;
}

} // namespace tnxdesign
