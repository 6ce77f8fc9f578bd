// MainWindow (see MainWindow.h).
#include "tools/tnxdesign/MainWindow.h"

#include "tools/tnxdesign/ComponentTree.h"
#include "tools/tnxdesign/FieldEditorDialog.h"
#include "tools/tnxdesign/HostRegistrations.h"
#include "tools/tnxdesign/PropertyPanel.h"
#include "tools/tnxdesign/PalettePanel.h"
#include "tools/tnxdesign/StringsEditorDialog.h"

#include "platform/qt/DataSetModel.h"
#include "platform/qt/DataSetView.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/db/DataSet.h"
#include "platform/vcl/db/DataSource.h"
#include "platform/vcl/db/Field.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace tnxdesign {

using namespace vcl;

namespace {

const QString TextFilter = QObject::tr("Form files, text (*.dfm)");
const QString BinaryFilter = QObject::tr("Form files, binary (*.dfm)");

QString ErrorText(const std::exception& e) { return QString::fromLocal8Bit(e.what()); }

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), FPreviewSource(vcl::New<TDataSource>()) {
    RegisterHostComponents();
    StringsEditorDialog::Install(this);

    FPalette = new PalettePanel(this);
    FTree = new ComponentTree(FDocument, this);
    FInspector = new PropertyPanel(FDocument, this);
    FGridModel = new tnxqt::TnxDataSetModel(this);
    FGridModel->SetReadOnly(true);
    FGrid = new QTableView(this);
    FGrid->setModel(FGridModel);
    FGrid->verticalHeader()->setDefaultSectionSize(FGrid->fontMetrics().height() + 6);
    tnxqt::ConnectDataSetView(FGrid, FGridModel);
    FGridCaption = new QLabel(this);

    auto* top = new QSplitter(Qt::Horizontal, this);
    top->addWidget(FPalette);
    top->addWidget(FTree);
    top->addWidget(FInspector);
    top->setStretchFactor(0, 1);
    top->setStretchFactor(1, 2);
    top->setStretchFactor(2, 3);
    auto* bottom = new QWidget(this);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(4, 0, 4, 0);
    bottomLayout->addWidget(FGridCaption);
    bottomLayout->addWidget(FGrid);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(bottom);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    setCentralWidget(split);
    BuildMenus();
    statusBar();

    FPalette->SetOnDrop([this](TClass cls) { DropComponent(cls); });
    FTree->SetOnSelected([this](TComponent* component) {
        FInspector->SetComponent(component);
        UpdatePreview();
    });
    FTree->SetOnFieldsEditor([this](TComponent* dataSet) { OpenFieldsEditor(dataSet); });
    FTree->SetOnError([this](const QString& message) { Report(message); });
    FInspector->SetOnError([this](const QString& message) { Report(message); });
    FGridModel->SetOnError([this](const QString& message) { Report(message); });
    FSubscription = FDocument.Subscribe([this] {
        UpdateTitle();
        QTimer::singleShot(0, this, [this] { UpdatePreview(); });
    });
    FInspector->SetComponent(FDocument.Root());
    UpdateTitle();
    UpdatePreview();
    resize(1100, 720);
}

MainWindow::~MainWindow() {
    FDocument.Unsubscribe(FSubscription);
    FGridModel->SetDataSource(nullptr);
    FPreviewSource->SetDataSet(nullptr);
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New Data Module"), QKeySequence::New, this, [this] { NewModule(); });
    file->addAction(tr("&Open..."), QKeySequence::Open, this, [this] { OpenWithDialog(); });
    file->addAction(tr("&Save"), QKeySequence::Save, this, [this] { SaveWithDialog(false); });
    file->addAction(tr("Save &As..."), QKeySequence::SaveAs, this, [this] { SaveWithDialog(true); });
    file->addSeparator();
    file->addAction(tr("Load &Package..."), this, [this] { LoadPackageWithDialog(); });
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });
    QMenu* component = menuBar()->addMenu(tr("&Component"));
    QObject::connect(component, &QMenu::aboutToShow, this, [this, component] {
        component->clear();
        TComponent* selected = FTree->Selected();
        if (selected == nullptr || selected == FDocument.Root()) {
            component->addAction(tr("(select a component)"))->setEnabled(false);
            return;
        }
        QMenu* verbs = FTree->ContextMenuFor(selected);
        for (QAction* action : verbs->actions()) component->addAction(action);
        QObject::connect(component, &QMenu::aboutToHide, verbs, [verbs] { verbs->deleteLater(); });
    });
}

void MainWindow::UpdateTitle() {
    QString name = QString::fromStdString(FDocument.Root()->GetName());
    if (!FDocument.GetFileName().empty())
        name += " (" + QFileInfo(QString::fromStdString(FDocument.GetFileName())).fileName() + ")";
    setWindowTitle(QString("tnxdesign - %1%2").arg(name, FDocument.IsModified() ? " *" : ""));
}

void MainWindow::UpdatePreview() {
    // The dataset of the selected component (a field's dataset for a field), while it is active.
    TComponent* selected = FTree->Selected();
    auto* dataSet = dynamic_cast<TDataSet*>(selected);
    if (auto* field = dynamic_cast<TField*>(selected)) dataSet = field->GetDataSet();
    if (dataSet != nullptr && !dataSet->GetActive()) dataSet = nullptr;
    if (FPreviewSource->GetDataSet() != dataSet) {
        FGridModel->SetDataSource(nullptr);
        FPreviewSource->SetDataSet(dataSet);
        if (dataSet != nullptr) FGridModel->SetDataSource(FPreviewSource.get());
    }
    // The first block of rows at once, before the view first lays itself out.
    if (dataSet != nullptr && FGridModel->rowCount() == 0 && FGridModel->canFetchMore(QModelIndex()))
        FGridModel->fetchMore(QModelIndex());
    FGridCaption->setText(dataSet != nullptr
                              ? tr("Live data of %1").arg(QString::fromStdString(dataSet->GetName()))
                              : tr("Live data: select an active dataset"));
}

bool MainWindow::Fail(const QString& message) {
    Report(message);
    return false;
}

void MainWindow::Report(const QString& message) {
    FLastError = message;
    statusBar()->showMessage(message, 15000);
}

bool MainWindow::LoadPackage(const QString& fileName) {
    try {
        const TLoadedPackage& package = FPackages.Load(fileName.toStdString());
        FPalette->Refresh();
        // The page a package adds comes last: show it.
        FPalette->setCurrentIndex(FPalette->count() - 1);
        statusBar()->showMessage(tr("Loaded %1 (%2)").arg(QString::fromStdString(package.Description),
                                                          QString::fromStdString(package.Path)),
                                 8000);
        return true;
    } catch (const std::exception& e) {
        return Fail(ErrorText(e));
    }
}

bool MainWindow::ConfirmDiscard() {
    if (!FDocument.IsModified()) return true;
    const QString name = QString::fromStdString(FDocument.Root()->GetName());
    const QMessageBox::StandardButton answer =
        FSaveQuestion ? FSaveQuestion(name)
                      : QMessageBox::question(this, tr("tnxdesign"), tr("Save the changes to %1?").arg(name),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    if (FDocument.GetFileName().empty()) SaveWithDialog(true);
    else SaveFile(QString::fromStdString(FDocument.GetFileName()), FDocument.GetFormat());
    return !FDocument.IsModified();
}

bool MainWindow::NewModule() {
    if (!ConfirmDiscard()) return false;
    FGridModel->SetDataSource(nullptr);
    FPreviewSource->SetDataSet(nullptr);
    FDocument.New();
    FInspector->SetComponent(FDocument.Root());
    return true;
}

bool MainWindow::OpenFile(const QString& fileName) {
    if (!ConfirmDiscard()) return false;
    FGridModel->SetDataSource(nullptr);
    FPreviewSource->SetDataSet(nullptr);
    try {
        FDocument.Open(fileName.toStdString());
    } catch (const std::exception& e) {
        return Fail(tr("Cannot open %1: %2").arg(fileName, ErrorText(e)));
    }
    FTree->Refresh();
    FInspector->SetComponent(FDocument.Root());
    return true;
}

bool MainWindow::SaveFile(const QString& fileName, TFormFileFormat format) {
    try {
        FDocument.SaveAs(fileName.toStdString(), format);
        statusBar()->showMessage(tr("Saved %1").arg(fileName), 8000);
        return true;
    } catch (const std::exception& e) {
        return Fail(tr("Cannot save %1: %2").arg(fileName, ErrorText(e)));
    }
}

TComponent* MainWindow::DropComponent(TClass cls) {
    try {
        TComponent* component = FDocument.Drop(cls);
        FTree->Refresh();
        Select(component);
        return component;
    } catch (const std::exception& e) {
        Fail(ErrorText(e));
        return nullptr;
    }
}

void MainWindow::Select(TComponent* component) {
    FTree->Select(component);
    FInspector->SetComponent(component);
    UpdatePreview();
}

FieldEditorDialog* MainWindow::OpenFieldsEditor(TComponent* dataSet) {
    auto* set = dynamic_cast<TDataSet*>(dataSet);
    if (set == nullptr) return nullptr;
    auto* dialog = new FieldEditorDialog(FDocument, set, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

void MainWindow::OpenWithDialog() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Open a data module"), QString(),
                                                      tr("Form files (*.dfm);;All files (*)"));
    if (!file.isEmpty() && !OpenFile(file)) QMessageBox::warning(this, tr("tnxdesign"), FLastError);
}

void MainWindow::SaveWithDialog(bool askName) {
    QString file = QString::fromStdString(FDocument.GetFileName());
    TFormFileFormat format = FDocument.GetFormat();
    if (askName || file.isEmpty()) {
        QString filter = format == TFormFileFormat::Binary ? BinaryFilter : TextFilter;
        file = QFileDialog::getSaveFileName(this, tr("Save the data module"),
                                            file.isEmpty() ? QString::fromStdString(FDocument.Root()->GetName()) + ".dfm"
                                                           : file,
                                            TextFilter + ";;" + BinaryFilter, &filter);
        if (file.isEmpty()) return;
        format = filter == BinaryFilter ? TFormFileFormat::Binary : TFormFileFormat::Text;
    }
    if (!SaveFile(file, format)) QMessageBox::warning(this, tr("tnxdesign"), FLastError);
}

void MainWindow::LoadPackageWithDialog() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Load a component package"), QString(),
                                                      tr("Packages (*.so *.so.*);;All files (*)"));
    if (!file.isEmpty() && !LoadPackage(file)) QMessageBox::warning(this, tr("tnxdesign"), FLastError);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ConfirmDiscard()) event->accept();
    else event->ignore();
}

} // namespace tnxdesign
