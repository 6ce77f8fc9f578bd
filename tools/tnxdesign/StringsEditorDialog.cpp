// StringsEditorDialog (see StringsEditorDialog.h).
#include "tools/tnxdesign/StringsEditorDialog.h"

#include "tools/tnxdesign/HostRegistrations.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace tnxdesign {

StringsEditorDialog::StringsEditorDialog(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), FEditor(new QPlainTextEdit(this)) {
    setWindowTitle(title);
    FEditor->setPlainText(text);
    FEditor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FEditor);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 260);
}

QString StringsEditorDialog::Text() const { return FEditor->toPlainText(); }

void StringsEditorDialog::Install(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    SetStringsEditor([owner](const vcl::AnsiString& title, vcl::AnsiString& text) {
        StringsEditorDialog dialog(QString::fromLatin1(title.c_str()), QString::fromLatin1(text.c_str()), owner.data());
        if (dialog.exec() != QDialog::Accepted) return false;
        text = dialog.Text().toLatin1().toStdString();
        return true;
    });
}

} // namespace tnxdesign
