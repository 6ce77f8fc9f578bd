// TnxDataSetModel over a TMemDataSet: columns and cells, fetching in blocks and a bounded cache,
// editing with post and cancel, the framework's notifications, and a QTableView driven with Qt's
// test input functions.
#include "QtTestSupport.h"

#include "platform/qt/DataSetModel.h"
#include "platform/qt/DataSetView.h"
#include "platform/vcl/db/DB.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

using namespace vcl;
using namespace tnxqt;
using namespace tnxqtest;

namespace {

// Rows 1..count: ID, NAME ("row <id>"), AMOUNT (id * 1.5, NULL for every seventh), HIDDEN.
struct Rows {
    TOwned<TMemDataSet> DataSet = New<TMemDataSet>();
    TOwned<TDataSource> Source = New<TDataSource>();

    explicit Rows(int count) {
        TFieldDefs* defs = DataSet->GetFieldDefs();
        defs->Add("ID", ftInteger);
        defs->Add("NAME", ftString, 20);
        defs->Add("AMOUNT", ftFloat);
        defs->Add("HIDDEN", ftInteger);
        DataSet->Open();
        DataSet->DisableControls();
        for (int id = 1; id <= count; ++id) {
            const Variant amount = id % 7 == 0 ? Null() : Variant(id * 1.5);
            DataSet->AppendRecord({id, ("row " + std::to_string(id)).c_str(), amount, -id});
        }
        DataSet->First();
        DataSet->EnableControls();
        DataSet->FieldByName("HIDDEN")->SetVisible(false);
        Source->SetDataSet(DataSet.get());
    }
    // The NAME of the record at a 1-based number, read without the model.
    std::string NameAt(int recNo) {
        const int back = DataSet->GetRecNo();
        DataSet->SetRecNo(recNo);
        std::string name = DataSet->FieldByName("NAME")->GetAsString();
        DataSet->SetRecNo(back);
        return name;
    }
};

QString Cell(const TnxDataSetModel& model, int row, int column, int role = Qt::DisplayRole) {
    return model.data(model.index(row, column), role).toString();
}

void FetchAll(TnxDataSetModel& model) {
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
}

} // namespace

TEST(DataSetModel, ColumnsAreTheVisibleFieldsAndCellsTheirDisplayText) {
    Rows rows(20);
    rows.DataSet->FieldByName("AMOUNT")->SetDisplayLabel("Amount (EUR)");
    rows.DataSet->FieldByName("NAME")->SetDisplayWidth(30);
    TnxDataSetModel model;
    model.SetDataSource(rows.Source.get());
    model.fetchMore(QModelIndex());
    ASSERT_EQ(model.columnCount(), 3); // HIDDEN is not shown
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "ID");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Amount (EUR)");
    const QSize wide = model.headerData(1, Qt::Horizontal, Qt::SizeHintRole).toSize();
    const QSize narrow = model.headerData(0, Qt::Horizontal, Qt::SizeHintRole).toSize();
    EXPECT_GT(wide.width(), 2 * narrow.width());
    EXPECT_EQ(model.rowCount(), 20);
    EXPECT_EQ(Cell(model, 0, 0), "1");
    EXPECT_EQ(Cell(model, 3, 1), "row 4");
    EXPECT_EQ(Cell(model, 3, 2), "6");
    EXPECT_EQ(model.headerData(3, Qt::Vertical).toString(), "4");
    // NULL is shown distinctly from an empty text and says so.
    EXPECT_EQ(Cell(model, 6, 2), "NULL");
    EXPECT_TRUE(model.data(model.index(6, 2), TnxDataSetModel::NullRole).toBool());
    EXPECT_FALSE(model.data(model.index(5, 2), TnxDataSetModel::NullRole).toBool());
    EXPECT_TRUE(model.data(model.index(6, 2), Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(Cell(model, 6, 2, Qt::EditRole), "");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight, Qt::AlignRight);
    EXPECT_FALSE(model.data(model.index(20, 0)).isValid());
}

TEST(DataSetModel, RowsComeInBlocksAndTheCacheStaysBounded) {
    Rows rows(1000);
    TnxDataSetModel model;
    model.SetBlockSize(64);
    model.SetCacheBlocks(2);
    model.SetDataSource(rows.Source.get());
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(model.canFetchMore(QModelIndex()));
    model.fetchMore(QModelIndex());
    EXPECT_EQ(model.rowCount(), 64);
    EXPECT_LE(model.RowsRead(), 64);
    // Reading the fetched rows reads nothing more, and leaves the dataset where it was.
    EXPECT_EQ(Cell(model, 63, 1), "row 64");
    EXPECT_LE(model.RowsRead(), 64);
    EXPECT_EQ(rows.DataSet->GetRecNo(), 1);
    FetchAll(model);
    EXPECT_EQ(model.rowCount(), 1000);
    EXPECT_FALSE(model.canFetchMore(QModelIndex()));
    EXPECT_EQ(rows.DataSet->GetRecNo(), 1);
    EXPECT_EQ(Cell(model, 999, 1), "row 1000");
    // Only two blocks are kept: going back to the first block reads it again. (Row 0 is the
    // active record, read from the fields, so row 1 stands for the block.)
    const std::int64_t before = model.RowsRead();
    EXPECT_EQ(Cell(model, 500, 1), "row 501");
    EXPECT_EQ(Cell(model, 1, 1), "row 2");
    EXPECT_EQ(model.RowsRead(), before + 128);
    EXPECT_EQ(Cell(model, 2, 1), "row 3"); // the block just read is kept
    EXPECT_EQ(model.RowsRead(), before + 128);
    EXPECT_EQ(rows.DataSet->GetRecNo(), 1);
}

TEST(DataSetModel, EditsGoThroughTheFieldsAndArePostedWhenTheRowIsLeft) {
    Rows rows(300);
    TnxDataSetModel model;
    QString error;
    model.SetOnError([&](const QString& message) { error = message; });
    model.SetDataSource(rows.Source.get());
    FetchAll(model);
    EXPECT_TRUE(model.flags(model.index(5, 1)) & Qt::ItemIsEditable);
    // Writing a cell makes its row the active record and puts it into edit mode.
    ASSERT_TRUE(model.setData(model.index(250, 1), "changed"));
    EXPECT_EQ(rows.DataSet->GetState(), dsEdit);
    EXPECT_EQ(rows.DataSet->GetRecNo(), 251);
    EXPECT_EQ(model.ActiveRow(), 250);
    EXPECT_EQ(Cell(model, 250, 1), "changed");
    EXPECT_EQ(model.headerData(250, Qt::Vertical).toString(), "251 *");
    // Other rows still read while the record is edited (from the cache).
    EXPECT_EQ(Cell(model, 10, 1), "row 11");
    // Leaving the row posts.
    ASSERT_TRUE(model.SetActiveRow(251));
    EXPECT_EQ(rows.DataSet->GetState(), dsBrowse);
    EXPECT_EQ(rows.NameAt(251), "changed");
    EXPECT_EQ(Cell(model, 250, 1), "changed");
    // Cancel restores the record.
    ASSERT_TRUE(model.setData(model.index(3, 2), "99.5"));
    EXPECT_EQ(Cell(model, 3, 2), "99.5");
    model.CancelEdit();
    EXPECT_EQ(rows.DataSet->GetState(), dsBrowse);
    EXPECT_EQ(Cell(model, 3, 2), "6");
    // A text the field cannot take is refused with the field's message; the record is untouched.
    EXPECT_FALSE(model.setData(model.index(3, 0), "many"));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Cell(model, 3, 0), "4");
    // NULL in, by clearing a number.
    ASSERT_TRUE(model.setData(model.index(3, 2), ""));
    ASSERT_TRUE(model.PostEdit());
    EXPECT_TRUE(model.data(model.index(3, 2), TnxDataSetModel::NullRole).toBool());
    // A read-only model offers nothing to edit.
    model.SetReadOnly(true);
    EXPECT_FALSE(model.flags(model.index(5, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(5, 1), "no"));
    EXPECT_EQ(rows.NameAt(6), "row 6");
}

TEST(DataSetModel, TheFrameworksNotificationsBecomeModelSignals) {
    Rows rows(10);
    TnxDataSetModel model;
    model.SetDataSource(rows.Source.get());
    FetchAll(model);
    int moved = -1;
    model.SetOnActiveRowChanged([&](int row) { moved = row; });
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy headers(&model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // Scrolling the dataset from code.
    rows.DataSet->MoveBy(3);
    EXPECT_EQ(moved, 3);
    EXPECT_EQ(model.ActiveRow(), 3);
    rows.DataSet->Last();
    EXPECT_EQ(moved, 9);
    // A field's value changing in code.
    rows.DataSet->Edit();
    rows.DataSet->FieldByName("NAME")->SetAsString("last");
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(Cell(model, 9, 1), "last");
    rows.DataSet->Post();
    // Relabelling and hiding fields.
    headers.clear();
    rows.DataSet->FieldByName("NAME")->SetDisplayLabel("Name");
    EXPECT_GE(headers.count(), 1);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Name");
    rows.DataSet->FieldByName("ID")->SetVisible(false);
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model.rowCount(), 10); // the rows stay
    // Rows added and deleted.
    rows.DataSet->AppendRecord({11, "eleven", 1.0, 0});
    EXPECT_EQ(model.rowCount(), 11);
    EXPECT_EQ(Cell(model, 10, 0), "eleven");
    rows.DataSet->First();
    rows.DataSet->Delete();
    EXPECT_EQ(model.rowCount(), 10);
    EXPECT_EQ(Cell(model, 0, 0), "row 2");
    // Closing empties the model; opening fills it again.
    resets.clear();
    rows.DataSet->Close();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
    rows.DataSet->Open();
    FetchAll(model);
    EXPECT_EQ(model.rowCount(), 10);
}

TEST(DataSetView, ATableViewShowsTheFirstScreenEditsAndPostsWithTheKeyboard) {
    Rows rows(5000);
    TnxDataSetModel model;
    model.SetBlockSize(100);
    model.SetDataSource(rows.Source.get());
    QTableView view;
    ConnectDataSetView(&view, &model);
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Settle();
    // The first screen reads one block, not the 5000 rows.
    EXPECT_EQ(model.rowCount(), 100);
    EXPECT_LE(model.RowsRead(), 200);
    // Scrolling to the end fetches block by block.
    for (int i = 0; i < 200 && model.canFetchMore(QModelIndex()); ++i) {
        view.scrollToBottom();
        Settle();
    }
    EXPECT_EQ(model.rowCount(), 5000);
    view.scrollToTop();
    // A click makes the row the dataset's record; typing edits the cell, Enter writes it.
    view.setCurrentIndex(model.index(2, 1));
    EXPECT_EQ(rows.DataSet->GetRecNo(), 3);
    QTest::keyClick(&view, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor, &view);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "zed");
    QTest::keyClick(editor, Qt::Key_Return);
    Settle(); // the delegate writes the editor's text once the key is over
    EXPECT_EQ(rows.DataSet->GetState(), dsEdit);
    EXPECT_EQ(Cell(model, 2, 1), "zed");
    // Moving down posts it.
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(rows.DataSet->GetState(), dsBrowse);
    EXPECT_EQ(rows.DataSet->GetRecNo(), 4);
    EXPECT_EQ(rows.NameAt(3), "zed");
    // An edit, then Escape outside the editor, cancels.
    QTest::keyClick(&view, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "oops");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(Cell(model, 3, 1), "oops");
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(rows.DataSet->GetState(), dsBrowse);
    EXPECT_EQ(rows.NameAt(4), "row 4");
    // The dataset moving by itself moves the view's current row.
    rows.DataSet->SetRecNo(40);
    EXPECT_EQ(view.currentIndex().row(), 39);
}

// A detail dataset re-runs its query for a new master record by closing and opening again inside
// DisableControls: the model hears only "changed", yet the fields are new objects.
TEST(DataSetModel, AReopenWhileControlsAreDisabledReplacesTheColumns) {
    Rows rows(10);
    TnxDataSetModel model;
    model.SetDataSource(rows.Source.get());
    FetchAll(model);
    ASSERT_EQ(model.columnCount(), 3);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    rows.DataSet->DisableControls();
    rows.DataSet->Close();
    rows.DataSet->Open();
    rows.DataSet->EnableControls();
    EXPECT_EQ(resets.count(), 1);
    // The reopened dataset's own fields (HIDDEN is visible again: its field is a new one).
    ASSERT_EQ(model.columnCount(), 4);
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(model.FieldAt(column), rows.DataSet->GetFields()->GetField(column));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "HIDDEN");
}
