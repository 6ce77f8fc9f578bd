// ComponentTree: the data module and its components as a tree (a dataset's persistent fields
// under it), kept in step with the document. Selecting a line selects the component for the
// inspector and the data preview. The context menu of a component offers its component editor's
// verbs (the about box of a session, ...), the field editor for a dataset, and Delete.
#pragma once

#include "platform/vcl/Component.h"

#include <QTreeWidget>

#include <functional>

class QMenu;

namespace tnxdesign {

class DesignDocument;

class ComponentTree : public QTreeWidget {
public:
    ComponentTree(DesignDocument& document, QWidget* parent = nullptr);
    ~ComponentTree() override;

    void Refresh();
    vcl::TComponent* Selected() const;
    void Select(vcl::TComponent* component);
    void SetOnSelected(std::function<void(vcl::TComponent*)> onSelected) { FOnSelected = std::move(onSelected); }
    void SetOnFieldsEditor(std::function<void(vcl::TComponent*)> onFields) { FOnFieldsEditor = std::move(onFields); }
    void SetOnError(std::function<void(const QString&)> onError) { FOnError = std::move(onError); }

    // The context menu for a component (its actions run the verbs when triggered). The caller
    // owns the menu.
    QMenu* ContextMenuFor(vcl::TComponent* component);

private:
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, vcl::TComponent* component);

    DesignDocument& FDocument;
    std::function<void(vcl::TComponent*)> FOnSelected;
    std::function<void(vcl::TComponent*)> FOnFieldsEditor;
    std::function<void(const QString&)> FOnError;
    int FSubscription = 0;
    bool FRefreshing = false;
};

} // namespace tnxdesign
