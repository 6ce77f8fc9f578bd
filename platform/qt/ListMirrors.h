// The widgets of the list controls. The lines and the selection are the model's: a rebuilt line
// list or a moved selection in the model shows at once; a user's click on a line is the model's
// ClickItem (OnClick, and OnChange for combo boxes), a double click its DoubleClickItem, and the
// keys that move a selection (arrows, Home, End, Page Up/Down) reach the model through the form.
//   TListBoxMirror        a QListWidget.
//   TDirectoryListMirror  the same, with the folder tree's look: open folders for the current
//                         folder's ancestry, closed ones for its subfolders, indented by depth.
//   TComboBoxMirror       a QComboBox, editable unless the style is a drop-down list; typing into
//                         it is the model's SetText (and fires OnChange, as typing does).
//   TDriveComboMirror     a QComboBox of the drives, with a drive icon.
#pragma once

#include "platform/qt/ControlMirror.h"

#include <QLineEdit>
#include <QPointer>

class QComboBox;
class QListWidget;
class QListWidgetItem;

namespace vcl {
class TCustomListControl;
}

namespace tnxqt {

class TListBoxMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;
    bool ClickFocuses() const override { return true; }

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyItems() override;
    void ApplyItemIndex() override;
    void ApplyAppearance() override;
    QPalette::ColorRole TextRole() const override { return QPalette::Text; }
    // Gives the line's item its look (icon, indentation); the text is already set.
    virtual void DecorateItem(QListWidgetItem* item, int index);
    // The text a line shows.
    virtual QString LineText(int index) const;

    vcl::TCustomListControl* ListControl() const;
    QListWidget* List() const;
};

class TDirectoryListMirror : public TListBoxMirror {
public:
    using TListBoxMirror::TListBoxMirror;

protected:
    void DecorateItem(QListWidgetItem* item, int index) override;
    QString LineText(int index) const override;

private:
    // Lines 0 .. AncestryCount()-1 are the current folder's ancestry.
    int AncestryCount() const;
};

class TComboBoxMirror : public TControlMirror {
public:
    using TControlMirror::TControlMirror;

protected:
    QWidget* MakeWidget(QWidget* parent) override;
    void ApplyItems() override;
    void ApplyItemIndex() override;
    void ApplyText() override;
    void ApplyAppearance() override;
    QPalette::ColorRole TextRole() const override { return QPalette::Text; }
    virtual bool Editable() const;
    virtual void DecorateItem(int index);

    vcl::TCustomListControl* ListControl() const;
    QComboBox* Combo() const;

private:
    QPointer<QLineEdit> FTypingEdit; // the editor whose typing reaches the model
};

class TDriveComboMirror : public TComboBoxMirror {
public:
    using TComboBoxMirror::TComboBoxMirror;

protected:
    bool Editable() const override { return false; }
    void DecorateItem(int index) override;
};

} // namespace tnxqt
