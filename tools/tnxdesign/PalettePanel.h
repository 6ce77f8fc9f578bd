// PalettePanel: the component palette, one tab per page the loaded packages (and the designer
// itself) registered, each listing its classes in registration order. Activating a class (double
// click, or Enter on it) asks for it to be dropped onto the data module.
#pragma once

#include "platform/vcl/Object.h"

#include <QTabWidget>

#include <functional>

class QListWidget;

namespace tnxdesign {

class PalettePanel : public QTabWidget {
public:
    explicit PalettePanel(QWidget* parent = nullptr);

    // Rebuilds the tabs from the registry (after a package was loaded).
    void Refresh();
    void SetOnDrop(std::function<void(vcl::TClass)> onDrop) { FOnDrop = std::move(onDrop); }
    // The list of a page (null when there is no such page).
    QListWidget* Page(const QString& name) const;

private:
    std::function<void(vcl::TClass)> FOnDrop;
};

} // namespace tnxdesign
