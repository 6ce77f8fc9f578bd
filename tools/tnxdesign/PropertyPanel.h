// PropertyPanel: the published properties and events of the selected component, each shown and
// edited through the editor the design-time registry chooses for it.
//
// Two pages, Properties and Events, list what the framework's type information publishes (the
// registry's GetComponentProperties), one row per editor, nested rows for editors with
// sub-properties (a set's elements, a sub-object's properties). The value cell is the editor's:
//   - a drop-down list (QComboBox) for editors with a value list: enumerations, booleans, a set's
//     elements, references to the module's components, event handlers;
//   - a text field for the rest, read-only when the editor says so;
//   - plus an ellipsis button ("...") for paDialog editors, which calls the editor's Edit (the
//     parameters editor, the file and folder editors, the string list editor).
// A change goes to the editor's SetValue; what the editor refuses is reported through onError
// and the row shows the value the component kept. The rows are rebuilt whenever the document
// changes, so they always show what the component holds.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/design/PropertyEditor.h"

#include <QTabWidget>

#include <functional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace tnxdesign {

class DesignDocument;

class PropertyPanel : public QTabWidget {
public:
    PropertyPanel(DesignDocument& document, QWidget* parent = nullptr);
    ~PropertyPanel() override;

    void SetComponent(vcl::TComponent* component);
    vcl::TComponent* Component() const { return FComponent; }
    // Rebuilds the rows from the component's current values.
    void Refresh();
    void SetOnError(std::function<void(const QString&)> onError) { FOnError = std::move(onError); }

    // For tests and keyboard users: the row of a property (or event) by name, "Parent.Child" for a
    // nested one; null when not listed.
    QTreeWidgetItem* Row(const QString& name) const;
    // The editing widget in a row's value cell (QComboBox or QLineEdit), and its ellipsis button.
    QWidget* ValueWidget(const QString& name) const;
    QWidget* EllipsisButton(const QString& name) const;

private:
    struct Entry {
        vcl::TOwned<vcl::TPropertyEditor> Editor;
        QTreeWidgetItem* Item = nullptr;
        QString Path;
        QWidget* Value = nullptr;
        QWidget* Ellipsis = nullptr;
    };
    void AddRow(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& prefix, vcl::TOwned<vcl::TPropertyEditor> editor);
    void Apply(vcl::TPropertyEditor* editor, const QString& text);
    void Run(const std::function<void()>& action);
    void ScheduleRefresh();
    const Entry* Find(const QString& name) const;

    DesignDocument& FDocument;
    vcl::TComponent* FComponent = nullptr;
    QTreeWidget* FProperties;
    QTreeWidget* FEvents;
    std::vector<Entry> FEntries;
    std::function<void(const QString&)> FOnError;
    int FSubscription = 0;
    bool FRefreshing = false;
    bool FRefreshPending = false;
    int FBusy = 0; // editor actions running (a modal dialog may be open)
};

} // namespace tnxdesign
