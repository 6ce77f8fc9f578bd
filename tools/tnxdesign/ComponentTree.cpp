// ComponentTree (see ComponentTree.h).
#include "tools/tnxdesign/ComponentTree.h"

#include "tools/tnxdesign/DesignDocument.h"

#include "platform/vcl/DataModule.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/design/DesignRegistry.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>

namespace tnxdesign {

using namespace vcl;

namespace {

QString Caption(TComponent* component) {
    return QString::fromStdString(component->GetName() + ": " + component->ClassName());
}

TComponent* ComponentOf(const QTreeWidgetItem* item) {
    return item != nullptr ? reinterpret_cast<TComponent*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

} // namespace

ComponentTree::ComponentTree(DesignDocument& document, QWidget* parent) : QTreeWidget(parent), FDocument(document) {
    setHeaderHidden(true);
    setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!FRefreshing && FOnSelected) FOnSelected(ComponentOf(item));
    });
    QObject::connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        TComponent* component = ComponentOf(itemAt(at));
        if (component == nullptr) return;
        std::unique_ptr<QMenu> menu(ContextMenuFor(component));
        menu->exec(viewport()->mapToGlobal(at));
    });
    // Names and components change under the tree; it follows once the change is done.
    FSubscription = FDocument.Subscribe([this] { QTimer::singleShot(0, this, [this] { Refresh(); }); });
    Refresh();
}

ComponentTree::~ComponentTree() { FDocument.Unsubscribe(FSubscription); }

QTreeWidgetItem* ComponentTree::AddItem(QTreeWidgetItem* parent, TComponent* component) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, Caption(component));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(component)));
    return item;
}

void ComponentTree::Refresh() {
    TComponent* selected = Selected();
    FRefreshing = true;
    clear();
    QTreeWidgetItem* root = AddItem(nullptr, FDocument.Root());
    QTreeWidgetItem* current = root;
    for (TComponent* component : FDocument.TopComponents()) {
        QTreeWidgetItem* item = AddItem(root, component);
        if (component == selected) current = item;
        for (TComponent* field : FDocument.FieldsOf(component)) {
            QTreeWidgetItem* fieldItem = AddItem(item, field);
            if (field == selected) current = fieldItem;
        }
    }
    expandAll();
    setCurrentItem(current);
    FRefreshing = false;
    // The selection fell back to the module when its component went.
    if (ComponentOf(current) != selected && FOnSelected) FOnSelected(ComponentOf(current));
}

TComponent* ComponentTree::Selected() const { return ComponentOf(currentItem()); }

void ComponentTree::Select(TComponent* component) {
    QTreeWidgetItemIterator it(this);
    for (; *it != nullptr; ++it) {
        if (ComponentOf(*it) == component) {
            setCurrentItem(*it);
            return;
        }
    }
}

QMenu* ComponentTree::ContextMenuFor(TComponent* component) {
    auto* menu = new QMenu(this);
    auto run = [this](const std::function<void()>& action) {
        try {
            action();
        } catch (const std::exception& e) {
            if (FOnError) FOnError(QString::fromLocal8Bit(e.what()));
        }
    };
    if (component != FDocument.Root()) {
        std::shared_ptr<TComponentEditor> editor = GetComponentEditor(component, &FDocument);
        for (int i = 0; i < editor->GetVerbCount(); ++i) {
            // The verb keeps its accelerator ('&'), which a Qt menu shows the same way.
            QAction* action = menu->addAction(QString::fromStdString(editor->GetVerb(i)));
            QObject::connect(action, &QAction::triggered, menu, [run, editor, i] { run([&] { editor->ExecuteVerb(i); }); });
        }
        if (dynamic_cast<TDataSet*>(component) != nullptr) {
            QAction* fields = menu->addAction(tr("&Fields Editor..."));
            QObject::connect(fields, &QAction::triggered, menu, [this, component] {
                if (FOnFieldsEditor) FOnFieldsEditor(component);
            });
        }
        if (!menu->isEmpty()) menu->addSeparator();
        QAction* remove = menu->addAction(tr("&Delete"));
        QObject::connect(remove, &QAction::triggered, menu,
                         [this, run, component] { run([&] { FDocument.Delete(component); }); });
    }
    return menu;
}

} // namespace tnxdesign
