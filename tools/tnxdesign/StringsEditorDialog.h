// StringsEditorDialog: the string list editor the designer installs for string-list properties
// (a dataset's SQL): the lines in a plain text editor, OK or Cancel.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace tnxdesign {

class StringsEditorDialog : public QDialog {
public:
    StringsEditorDialog(const QString& title, const QString& text, QWidget* parent = nullptr);
    QString Text() const;
    QPlainTextEdit* Editor() const { return FEditor; }

    // Installs this dialog as the designer's string list editor (HostRegistrations.h).
    static void Install(QWidget* parent);

private:
    QPlainTextEdit* FEditor;
};

} // namespace tnxdesign
