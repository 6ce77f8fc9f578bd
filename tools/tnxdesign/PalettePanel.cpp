// PalettePanel (see PalettePanel.h).
#include "tools/tnxdesign/PalettePanel.h"

#include "platform/vcl/design/DesignRegistry.h"

#include <QListWidget>

namespace tnxdesign {

using namespace vcl;

PalettePanel::PalettePanel(QWidget* parent) : QTabWidget(parent) { Refresh(); }

void PalettePanel::Refresh() {
    while (count() > 0) {
        QWidget* page = widget(0);
        removeTab(0);
        delete page;
    }
    for (const AnsiString& pageName : GetPalettePages()) {
        auto* list = new QListWidget(this);
        for (TClass cls : GetPaletteClasses(pageName)) {
            auto* item = new QListWidgetItem(QString::fromStdString(ClassNameOf(cls)), list);
            item->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(cls)));
            item->setToolTip(tr("Double-click to put a %1 on the data module").arg(item->text()));
        }
        QObject::connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            if (FOnDrop) FOnDrop(reinterpret_cast<TClass>(item->data(Qt::UserRole).value<quintptr>()));
        });
        addTab(list, QString::fromStdString(pageName));
    }
}

QListWidget* PalettePanel::Page(const QString& name) const {
    for (int i = 0; i < count(); ++i)
        if (tabText(i) == name) return qobject_cast<QListWidget*>(widget(i));
    return nullptr;
}

} // namespace tnxdesign
