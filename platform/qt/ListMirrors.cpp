// The widgets of list boxes, combo boxes, the directory list and the drive box.
#include "platform/qt/ListMirrors.h"

#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSetCore.h"
#include "platform/vcl/controls/FileControls.h"
#include "platform/vcl/controls/ListControls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

namespace tnxqt {

namespace {

// The role that keeps a line's own text (the shown text may carry indentation).
constexpr int LineRole = Qt::UserRole;

void ApplyTabStop(QWidget* widget, const vcl::TWinControl* control) {
    widget->setFocusPolicy(control->GetTabStop() ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace

// --- TListBoxMirror -----------------------------------------------------------------------------

vcl::TCustomListControl* TListBoxMirror::ListControl() const {
    return static_cast<vcl::TCustomListControl*>(FControl);
}

QListWidget* TListBoxMirror::List() const {
    return static_cast<QListWidget*>(Widget());
}

QWidget* TListBoxMirror::MakeWidget(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformItemSizes(true);
    vcl::TCustomListControl* control = ListControl();
    Track(QObject::connect(list, &QListWidget::pressed, list, [this, control](const QModelIndex& index) {
        const int row = index.row();
        UserAction([control, row] { control->ClickItem(row); });
    }));
    Track(QObject::connect(list, &QListWidget::doubleClicked, list, [this, control](const QModelIndex& index) {
        const int row = index.row();
        UserAction([control, row] { control->DoubleClickItem(row); });
    }));
    return list;
}

QString TListBoxMirror::LineText(int index) const {
    return ToQString(ListControl()->GetItems()->Get(index));
}

void TListBoxMirror::DecorateItem(QListWidgetItem*, int) {}

void TListBoxMirror::ApplyItems() {
    const vcl::TStrings* items = ListControl()->GetItems();
    const int count = items->GetCount();
    QListWidget* list = List();
    bool same = list->count() == count;
    for (int i = 0; same && i < count; ++i)
        same = list->item(i)->data(LineRole).toString() == ToQString(items->Get(i));
    if (!same) {
        list->clear();
        for (int i = 0; i < count; ++i) {
            auto* item = new QListWidgetItem(LineText(i), list);
            item->setData(LineRole, ToQString(items->Get(i)));
            DecorateItem(item, i);
        }
    }
    ApplyItemIndex();
}

void TListBoxMirror::ApplyItemIndex() {
    QListWidget* list = List();
    const int index = ListControl()->GetItemIndex();
    if (index < 0 || index >= list->count()) {
        list->setCurrentRow(-1);
        list->clearSelection();
        return;
    }
    if (list->currentRow() != index || !list->item(index)->isSelected()) list->setCurrentRow(index);
    list->scrollToItem(list->item(index));
}

void TListBoxMirror::ApplyAppearance() {
    ApplyTabStop(List(), ListControl());
}

// --- TDirectoryListMirror -----------------------------------------------------------------------

int TDirectoryListMirror::AncestryCount() const {
    const auto* dirList = static_cast<const vcl::TDirectoryListBox*>(FControl);
    const vcl::AnsiString& current = dirList->GetDirectory();
    const int count = dirList->GetItems()->GetCount();
    int ancestry = 0;
    while (ancestry < count) {
        const vcl::AnsiString path = dirList->GetItemPath(ancestry);
        const bool isAncestor = path == current ||
                                (current.compare(0, path.size(), path) == 0 &&
                                 (path.back() == '/' || (current.size() > path.size() && current[path.size()] == '/')));
        if (!isAncestor) break;
        ++ancestry;
    }
    return ancestry;
}

QString TDirectoryListMirror::LineText(int index) const {
    const int ancestry = AncestryCount();
    const int depth = index < ancestry ? index : ancestry;
    return QString(depth * 2, QChar(0x2002)) + TListBoxMirror::LineText(index);
}

void TDirectoryListMirror::DecorateItem(QListWidgetItem* item, int index) {
    QStyle* style = QApplication::style();
    item->setIcon(style->standardIcon(index < AncestryCount() ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
}

// --- TComboBoxMirror ----------------------------------------------------------------------------

vcl::TCustomListControl* TComboBoxMirror::ListControl() const {
    return static_cast<vcl::TCustomListControl*>(FControl);
}

QComboBox* TComboBoxMirror::Combo() const {
    return static_cast<QComboBox*>(Widget());
}

bool TComboBoxMirror::Editable() const {
    const auto* combo = dynamic_cast<const vcl::TComboBox*>(FControl);
    return combo != nullptr && (combo->GetStyle() == vcl::csDropDown || combo->GetStyle() == vcl::csSimple);
}

QWidget* TComboBoxMirror::MakeWidget(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setInsertPolicy(QComboBox::NoInsert);
    vcl::TCustomListControl* control = ListControl();
    Track(QObject::connect(combo, &QComboBox::activated, combo, [this, control](int index) {
        UserAction([control, index] { control->ClickItem(index); });
    }));
    return combo;
}

void TComboBoxMirror::DecorateItem(int) {}

void TComboBoxMirror::ApplyItems() {
    const vcl::TStrings* items = ListControl()->GetItems();
    const int count = items->GetCount();
    QComboBox* combo = Combo();
    bool same = combo->count() == count;
    for (int i = 0; same && i < count; ++i)
        same = combo->itemText(i) == ToQString(items->Get(i));
    if (!same) {
        combo->clear();
        for (int i = 0; i < count; ++i) {
            combo->addItem(ToQString(items->Get(i)));
            DecorateItem(i);
        }
    }
    ApplyItemIndex();
    ApplyText();
}

void TComboBoxMirror::ApplyItemIndex() {
    const int index = ListControl()->GetItemIndex();
    if (Combo()->currentIndex() != index) Combo()->setCurrentIndex(index < Combo()->count() ? index : -1);
    ApplyText();
}

void TComboBoxMirror::ApplyText() {
    if (!Combo()->isEditable()) return;
    const QString text = ToQString(FControl->GetText());
    if (Combo()->currentText() != text) Combo()->setEditText(text);
}

void TComboBoxMirror::ApplyAppearance() {
    QComboBox* combo = Combo();
    const bool editable = Editable();
    if (combo->isEditable() != editable) combo->setEditable(editable);
    if (auto* model = dynamic_cast<const vcl::TComboBox*>(FControl)) combo->setMaxVisibleItems(model->GetDropDownCount());
    if (editable && combo->lineEdit() != nullptr && combo->lineEdit() != FTypingEdit) {
        FTypingEdit = combo->lineEdit();
        auto* control = static_cast<vcl::TComboBox*>(FControl);
        Track(QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo, [this, control](const QString& text) {
            UserAction([control, value = FromQString(text)] {
                control->SetText(value);
                if (const vcl::TNotifyEvent& onChange = control->GetOnChange()) onChange(control);
            });
        }));
    }
    ApplyTabStop(combo, ListControl());
    ApplyItemIndex();
}

// --- TDriveComboMirror --------------------------------------------------------------------------

void TDriveComboMirror::DecorateItem(int index) {
    Combo()->setItemIcon(index, QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
}

} // namespace tnxqt
