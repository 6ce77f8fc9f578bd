// GridWindow: tnxgrid's window.
#include "tools/tnxgrid/GridWindow.h"

#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataset.h"
#include "platform/qt/DataSetModel.h"
#include "platform/qt/DataSetView.h"
#include "platform/qt/QtConvert.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/db/DataSource.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace tnxgrid {

namespace {

// Whether a text is a query (its rows are shown) rather than a statement (it is run).
bool IsQuery(const QString& sql) {
    static const QRegularExpression first(QStringLiteral("^\\s*(\\w+)"));
    const QString keyword = first.match(sql).captured(1).toLower();
    return keyword == QLatin1String("select") || keyword == QLatin1String("with") ||
           keyword == QLatin1String("values") || keyword == QLatin1String("call");
}

QString MessageOf(const std::exception& e) {
    return tnxqt::ToQString(e.what());
}

// A query box with its Run button; Ctrl+Return runs it too.
QWidget* MakeQueryRow(QWidget* parent, QPlainTextEdit*& box, const QString& placeholder, const QString& button,
                      const std::function<void()>& run) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    box = new QPlainTextEdit(row);
    box->setPlaceholderText(placeholder);
    box->setTabChangesFocus(true);
    box->setFixedHeight(box->fontMetrics().lineSpacing() * 3 + 12);
    auto* runButton = new QPushButton(button, row);
    layout->addWidget(box, 1);
    layout->addWidget(runButton, 0, Qt::AlignTop);
    QObject::connect(runButton, &QPushButton::clicked, row, run);
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), box);
    shortcut->setContext(Qt::WidgetShortcut);
    QObject::connect(shortcut, &QShortcut::activated, row, run);
    return row;
}

QTableView* MakeGrid(QWidget* parent, tnxqt::TnxDataSetModel* model) {
    auto* view = new QTableView(parent);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    tnxqt::ConnectDataSetView(view, model);
    return view;
}

} // namespace

GridWindow::GridWindow(GridDatabase& database, QWidget* parent)
    : QMainWindow(parent),
      FDatabase(database),
      FMasterSource(vcl::New<vcl::TDataSource>()),
      FMaster(vcl::New<tnx::TAsaDataset>()),
      FDetail(vcl::New<tnx::TAsaDataset>()),
      FDetailSource(vcl::New<vcl::TDataSource>()) {
    setWindowTitle(QStringLiteral("tnxgrid"));
    FMaster->SetSession(database.Session());
    FMaster->SetReadOnly(false);
    FMasterSource->SetDataSet(FMaster.get());
    FDetail->SetSession(database.Session());
    FDetail->SetReadOnly(false);
    FDetail->SetDataSource(FMasterSource.get());
    FDetailSource->SetDataSet(FDetail.get());

    FMasterModel = new tnxqt::TnxDataSetModel(this);
    FMasterModel->SetDataSource(FMasterSource.get());
    FMasterModel->SetOnError([this](const QString& message) { ShowStatus(message, true); });
    FDetailModel = new tnxqt::TnxDataSetModel(this);
    FDetailModel->SetDataSource(FDetailSource.get());
    FDetailModel->SetOnError([this](const QString& message) { ShowStatus(message, true); });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* splitter = new QSplitter(Qt::Vertical, central);
    auto* upper = new QWidget(splitter);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->addWidget(MakeQueryRow(upper, FQueryBox, "Query, e.g. select * from customer", "&Run",
                                        [this] { RunQuery(FQueryBox->toPlainText()); }));
    FMasterView = MakeGrid(upper, FMasterModel);
    upperLayout->addWidget(FMasterView, 1);
    auto* lower = new QWidget(splitter);
    auto* lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(MakeQueryRow(lower, FDetailBox,
                                        "Detail query, e.g. select * from orders where customer = :id",
                                        "Run &detail", [this] { RunDetailQuery(FDetailBox->toPlainText()); }));
    FDetailView = MakeGrid(lower, FDetailModel);
    lowerLayout->addWidget(FDetailView, 1);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    auto* post = new QPushButton(QStringLiteral("&Post"), central);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel edit"), central);
    connect(post, &QPushButton::clicked, this, [this] { Post(); });
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });
    buttons->addStretch(1);
    buttons->addWidget(post);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setCentralWidget(central);

    FStatus = new QLabel(this);
    statusBar()->addWidget(FStatus, 1);
    ShowStatus(QStringLiteral("Connected to %1").arg(tnxqt::ToQString(database.Session()->GetLoginDatabase())),
               false);
    resize(760, 560);
}

GridWindow::~GridWindow() {
    // The models let go of the sources before the datasets close and go.
    FDetailModel->SetDataSource(nullptr);
    FMasterModel->SetDataSource(nullptr);
    try {
        FDetail->Close();
        FMaster->Close();
    } catch (...) {
        // Closing on the way out: nothing left to tell.
    }
}

QString GridWindow::StatusText() const {
    return FStatus->text();
}

void GridWindow::ShowStatus(const QString& text, bool error) {
    FStatus->setText(text);
    FStatus->setStyleSheet(error ? QStringLiteral("color: #b00020;") : QString());
}

bool GridWindow::Run(tnx::TAsaDataset* dataSet, const QString& sql, bool detail) {
    const QString text = sql.trimmed();
    if (text.isEmpty()) return false;
    try {
        dataSet->Close();
        dataSet->GetSQL()->SetText(tnxqt::FromQString(text));
        if (IsQuery(text)) {
            dataSet->Open();
            const tnxqt::TnxDataSetModel* model = detail ? FDetailModel : FMasterModel;
            ShowStatus(QStringLiteral("%1 columns; rows are read as the grid scrolls").arg(model->columnCount()), false);
        } else {
            dataSet->ExecSQL();
            ShowStatus(QStringLiteral("%1 rows changed").arg(dataSet->GetRowsAffected()), false);
        }
    } catch (const std::exception& e) {
        ShowStatus(MessageOf(e), true);
        return false;
    }
    return true;
}

bool GridWindow::RunQuery(const QString& sql) {
    FQueryBox->setPlainText(sql);
    // The detail follows the master: a new master query re-runs an open detail.
    const bool ok = Run(FMaster.get(), sql, false);
    if (ok && !FDetailBox->toPlainText().trimmed().isEmpty() && IsQuery(FDetailBox->toPlainText()))
        Run(FDetail.get(), FDetailBox->toPlainText(), true);
    return ok;
}

bool GridWindow::RunDetailQuery(const QString& sql) {
    FDetailBox->setPlainText(sql);
    return Run(FDetail.get(), sql, true);
}

tnx::TAsaDataset* GridWindow::FocusedDataSet() const {
    return FDetailView->hasFocus() ? FDetail.get() : FMaster.get();
}

bool GridWindow::Post() {
    tnxqt::TnxDataSetModel* model = FocusedDataSet() == FDetail.get() ? FDetailModel : FMasterModel;
    if (!model->PostEdit()) return false;
    ShowStatus(QStringLiteral("Posted"), false);
    return true;
}

void GridWindow::Cancel() {
    tnxqt::TnxDataSetModel* model = FocusedDataSet() == FDetail.get() ? FDetailModel : FMasterModel;
    model->CancelEdit();
    ShowStatus(QStringLiteral("Edit cancelled"), false);
}

} // namespace tnxgrid
