// The open dialog, the message box and the shell, through Qt.
#include "platform/qt/CommonDialogs.h"

#include "platform/qt/QtConvert.h"
#include "platform/vcl/controls/Dialogs.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <mutex>
#include <utility>
#include <vector>

namespace tnxqt {

// --- The URL opener -----------------------------------------------------------------------------

namespace {

struct TOpenerSlot {
    std::mutex Lock;
    TUrlOpener Opener;
};

TOpenerSlot& Opener() {
    static auto* const slot = new TOpenerSlot; // lives until the process ends
    return *slot;
}

} // namespace

TUrlOpener SetUrlOpener(TUrlOpener opener) {
    std::lock_guard lock(Opener().Lock);
    std::swap(Opener().Opener, opener);
    return opener;
}

bool OpenUrl(const QUrl& url) {
    TUrlOpener opener;
    {
        std::lock_guard lock(Opener().Lock);
        opener = Opener().Opener;
    }
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}

// --- Shell --------------------------------------------------------------------------------------

win::INT_PTR OpenWithDesktop(win::HWND, const std::string& operation, const std::string& file, const std::string&,
                             const std::string& directory, win::INT) {
    if (!operation.empty() && QString::fromLatin1(operation.c_str()).compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return win::SE_ERR_NOASSOC;
    if (file.empty()) return win::SE_ERR_FNF;
    const QString text = ToQString(file);
    const QUrl asUrl(text);
    // A scheme of two letters or more ("mailto", "https", "file"); "C:" is a drive, not a scheme.
    QUrl url;
    if (asUrl.isValid() && asUrl.scheme().size() > 1) {
        url = asUrl;
    } else {
        QString path = QDir::fromNativeSeparators(text);
        if (QDir::isRelativePath(path) && !directory.empty()) path = QDir(ToQString(directory)).filePath(path);
        if (!QFileInfo::exists(path)) return win::SE_ERR_FNF;
        url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    }
    return OpenUrl(url) ? win::kShellExecuteSuccess : win::SE_ERR_NOASSOC;
}

// --- Message box --------------------------------------------------------------------------------

int ShowMessageBox(win::HWND, const std::string& text, const std::string& caption, win::UINT type) {
    struct TChoice {
        QMessageBox::StandardButton Standard; // NoButton: a button with a text of its own
        const char* Text;
        int Result;
    };
    std::vector<TChoice> choices;
    switch (type & win::MB_TYPEMASK) {
    case win::MB_OK: choices = {{QMessageBox::Ok, nullptr, win::IDOK}}; break;
    case win::MB_OKCANCEL: choices = {{QMessageBox::Ok, nullptr, win::IDOK}, {QMessageBox::Cancel, nullptr, win::IDCANCEL}}; break;
    case win::MB_ABORTRETRYIGNORE:
        choices = {{QMessageBox::Abort, nullptr, win::IDABORT},
                   {QMessageBox::Retry, nullptr, win::IDRETRY},
                   {QMessageBox::Ignore, nullptr, win::IDIGNORE}};
        break;
    case win::MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, nullptr, win::IDYES}, {QMessageBox::No, nullptr, win::IDNO}, {QMessageBox::Cancel, nullptr, win::IDCANCEL}};
        break;
    case win::MB_YESNO: choices = {{QMessageBox::Yes, nullptr, win::IDYES}, {QMessageBox::No, nullptr, win::IDNO}}; break;
    case win::MB_RETRYCANCEL: choices = {{QMessageBox::Retry, nullptr, win::IDRETRY}, {QMessageBox::Cancel, nullptr, win::IDCANCEL}}; break;
    case win::MB_CANCELTRYCONTINUE:
        choices = {{QMessageBox::Cancel, nullptr, win::IDCANCEL},
                   {QMessageBox::NoButton, "&Try Again", win::IDTRYAGAIN},
                   {QMessageBox::NoButton, "&Continue", win::IDCONTINUE}};
        break;
    default: return 0; // MessageBoxA refuses unknown button sets before it gets here
    }

    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(ToQString(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(ToQString(text));
    switch (type & win::MB_ICONMASK) {
    case win::MB_ICONHAND: box.setIcon(QMessageBox::Critical); break;
    case win::MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case win::MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case win::MB_ICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const TChoice& c : choices) {
        QAbstractButton* button = c.Standard != QMessageBox::NoButton
                                      ? static_cast<QAbstractButton*>(box.addButton(c.Standard))
                                      : box.addButton(QString::fromLatin1(c.Text), QMessageBox::AcceptRole);
        buttons.emplace_back(button, c.Result);
    }
    std::size_t defaultIndex = ((type & win::MB_DEFMASK) >> 8);
    if (defaultIndex >= buttons.size()) defaultIndex = 0;
    box.setDefaultButton(static_cast<QPushButton*>(buttons[defaultIndex].first));
    // Escape answers as the box's cancelling button: Cancel, or OK when it is the only one.
    for (const auto& [button, result] : buttons)
        if (result == win::IDCANCEL || buttons.size() == 1) box.setEscapeButton(button);

    box.exec();
    for (const auto& [button, result] : buttons)
        if (box.clickedButton() == button) return result;
    return win::MessageBoxDefaultResult(type);
}

// --- Open dialog --------------------------------------------------------------------------------

QStringList ToNameFilters(std::string_view filter) {
    const auto parser = vcl::New<vcl::TOpenDialog>();
    parser->SetFilter(vcl::AnsiString(filter));
    QStringList result;
    for (const auto& [description, masks] : parser->GetFilterPairs()) {
        QStringList patterns = ToQString(masks).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        const QString shownMasks = QLatin1Char('(') + ToQString(masks).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        QString name = ToQString(description).trimmed();
        // Qt reads the patterns from the last parentheses of a name filter, so the description's
        // own "(*.*)" would be taken literally: the patterns go in a pair of their own.
        if (name.endsWith(shownMasks)) name.chop(shownMasks.size());
        name = name.trimmed();
        result << (name.isEmpty() ? QString() : name + QLatin1Char(' ')) + QLatin1Char('(') + patterns.join(QLatin1Char(' ')) +
                      QLatin1Char(')');
    }
    return result;
}

namespace {

// Whether a choice satisfies the options; the message when it does not.
QString CheckChoice(const QString& path, vcl::TOpenOptions options) {
    const QFileInfo info(path);
    if (options.Contains(vcl::ofPathMustExist) && !info.dir().exists())
        return QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(info.absolutePath()));
    if (options.Contains(vcl::ofFileMustExist) && !info.exists())
        return QStringLiteral("The file %1 does not exist.").arg(QDir::toNativeSeparators(info.absoluteFilePath()));
    return QString();
}

} // namespace

bool ExecuteOpenDialog(vcl::TOpenDialog* dialog) {
    const vcl::TOpenOptions options = dialog->GetOptions();
    const QString title = dialog->GetTitle().empty() ? QStringLiteral("Open") : ToQString(dialog->GetTitle());
    QFileDialog box(QApplication::activeWindow(), title);
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    if (options.Contains(vcl::ofAllowMultiSelect)) {
        box.setFileMode(QFileDialog::ExistingFiles);
    } else {
        box.setFileMode(options.Contains(vcl::ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    if (options.Contains(vcl::ofNoDereferenceLinks)) box.setOption(QFileDialog::DontResolveSymlinks);
    if (!dialog->GetDefaultExt().empty()) box.setDefaultSuffix(ToQString(dialog->GetDefaultExt()));

    const QStringList filters = ToNameFilters(dialog->GetFilter());
    if (!filters.isEmpty()) {
        box.setNameFilters(filters);
        const int index = dialog->GetFilterIndex() - 1;
        box.selectNameFilter(filters.at(index >= 0 && index < filters.size() ? index : 0));
    }

    const QFileInfo offered(QDir::fromNativeSeparators(ToQString(dialog->GetFileName())));
    QString folder = ToQString(dialog->GetInitialDir());
    if (folder.isEmpty() && !dialog->GetFileName().empty() && offered.path() != QLatin1String("."))
        folder = offered.absolutePath();
    if (folder.isEmpty()) folder = QDir::currentPath();
    box.setDirectory(QDir::fromNativeSeparators(folder));
    if (!dialog->GetFileName().empty()) box.selectFile(offered.fileName());

    for (;;) {
        if (box.exec() != QDialog::Accepted) return false;
        const QStringList chosen = box.selectedFiles();
        if (chosen.isEmpty()) return false;
        QString problem;
        for (const QString& path : chosen) {
            problem = CheckChoice(path, options);
            if (!problem.isEmpty()) break;
        }
        if (!problem.isEmpty()) {
            QMessageBox::warning(&box, title, problem);
            continue;
        }
        dialog->SetFileName(FromQString(QFileInfo(chosen.first()).absoluteFilePath()));
        dialog->GetFiles()->Clear();
        for (const QString& path : chosen)
            dialog->GetFiles()->Add(FromQString(QFileInfo(path).absoluteFilePath()));
        if (const int index = filters.indexOf(box.selectedNameFilter()); index >= 0) dialog->SetFilterIndex(index + 1);
        return true;
    }
}

} // namespace tnxqt
