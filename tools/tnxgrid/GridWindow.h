// GridWindow: tnxgrid's window. The upper grid shows the rows of a query typed in the box above it
// (a TAsaDataset opened for update, shown through TnxDataSetModel): cells are edited in place, and
// an edit is posted when its row is left, with Post, or cancelled with Escape. The lower grid is a
// detail of the upper one: its query's ":name" markers take the values of the upper grid's current
// row (the detail dataset's DataSource is the upper grid's), so it follows the current row.
//
// A statement that is not a query runs as a statement and reports the rows it changed. Errors are
// shown in the status line, never in a dialog that would stop the program.
#pragma once

#include "tools/tnxgrid/GridDatabase.h"

#include "platform/vcl/Object.h"

#include <QMainWindow>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QTableView;

namespace vcl {
class TDataSource;
}
namespace tnx {
class TAsaDataset;
}
namespace tnxqt {
class TnxDataSetModel;
}

namespace tnxgrid {

class GridWindow : public QMainWindow {
public:
    explicit GridWindow(GridDatabase& database, QWidget* parent = nullptr);
    ~GridWindow() override;

    // Runs the text in the upper (master) grid, or as the lower grid's detail query. Returns false
    // when it failed (the message is in the status line).
    bool RunQuery(const QString& sql);
    bool RunDetailQuery(const QString& sql);
    // Posts / cancels the pending edit of the grid that has the focus (the upper one otherwise).
    bool Post();
    void Cancel();

    QPlainTextEdit* QueryBox() const { return FQueryBox; }
    QPlainTextEdit* DetailBox() const { return FDetailBox; }
    QTableView* MasterView() const { return FMasterView; }
    QTableView* DetailView() const { return FDetailView; }
    tnxqt::TnxDataSetModel* MasterModel() const { return FMasterModel; }
    tnxqt::TnxDataSetModel* DetailModel() const { return FDetailModel; }
    tnx::TAsaDataset* Master() const { return FMaster.get(); }
    tnx::TAsaDataset* Detail() const { return FDetail.get(); }
    // The status line's text (the last result or error).
    QString StatusText() const;

private:
    bool Run(tnx::TAsaDataset* dataSet, const QString& sql, bool detail);
    void ShowStatus(const QString& text, bool error);
    // The dataset of the grid the user works in.
    tnx::TAsaDataset* FocusedDataSet() const;

    GridDatabase& FDatabase;
    // Freed in reverse order: the detail (which follows the master's source) before the master.
    vcl::TOwned<vcl::TDataSource> FMasterSource;
    vcl::TOwned<tnx::TAsaDataset> FMaster;
    vcl::TOwned<tnx::TAsaDataset> FDetail;
    vcl::TOwned<vcl::TDataSource> FDetailSource;
    tnxqt::TnxDataSetModel* FMasterModel = nullptr; // the window's children from here on
    tnxqt::TnxDataSetModel* FDetailModel = nullptr;
    QPlainTextEdit* FQueryBox = nullptr;
    QPlainTextEdit* FDetailBox = nullptr;
    QTableView* FMasterView = nullptr;
    QTableView* FDetailView = nullptr;
    QLabel* FStatus = nullptr;
};

} // namespace tnxgrid
