// tnxgrid's window over a real database file: TnxDataSetModel over TAsaDataset reads a large result
// block by block, edits typed into the grid are posted to the table (and Escape cancels them), the
// detail grid follows the master's current row through its ":name" markers, statements and errors
// show in the status line. The window is rendered to tnxgrid.png for the README.
#include "QtTestSupport.h"

#include "asa/dataset/AsaDataset.h"
#include "platform/qt/DataSetModel.h"
#include "platform/vcl/db/DB.h"
#include "support/TempDir.h"
#include "tools/tnxgrid/GridDatabase.h"
#include "tools/tnxgrid/GridWindow.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

using namespace tnxgrid;
using namespace tnxqtest;

namespace {

// A fresh database with customer (id, name, city; city NULL for every fifth) and orders (three per
// customer), opened the way tnxgrid opens one.
class GridWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        GridOptions options;
        options.Database = Dir.File("grid.db");
        options.Create = true;
        options.LibraryDir = tnxtest::BuildLibDir();
        Database.Open(options);
        Database.Execute("create table customer (id integer primary key, name varchar(40), city varchar(30))");
        Database.Execute("create table orders (no integer primary key, customer integer, item varchar(30))");
    }
    void MakeCustomers(int count) {
        Database.Execute("insert into customer with recursive c(x) as (select 1 union all select x + 1 from c "
                         "where x < " + std::to_string(count) + ") select x, 'customer ' || x, "
                         "case when x % 5 = 0 then null else 'city ' || (x % 3) end from c");
        Database.Execute("insert into orders with recursive c(x) as (select 0 union all select x + 1 from c "
                         "where x < " + std::to_string(3 * count - 1) + ") select x, x / 3 + 1, "
                         "'item ' || (x / 3 + 1) || '.' || (x % 3) from c");
    }
    // A value read through a statement of its own, not through the grid.
    std::string NameOf(int id) {
        auto check = vcl::New<tnx::TAsaDataset>();
        check->SetSession(Database.Session());
        check->GetSQL()->SetText("select name from customer where id = " + std::to_string(id));
        check->Open();
        std::string name = check->GetEof() ? "<none>" : check->FieldByName("name")->GetAsString();
        check->Close();
        return name;
    }
    static QString Cell(const tnxqt::TnxDataSetModel* model, int row, int column) {
        return model->data(model->index(row, column)).toString();
    }

    tnxtest::TempDir Dir;
    GridDatabase Database;
};

TEST_F(GridWindowTest, ALargeResultIsReadBlockByBlockAndItsNullsShowAsNull) {
    MakeCustomers(3000);
    GridWindow window(Database);
    window.MasterModel()->SetBlockSize(100);
    ASSERT_TRUE(window.RunQuery("select id, name, city from customer order by id")) << qPrintable(window.StatusText());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Settle();
    const tnxqt::TnxDataSetModel* model = window.MasterModel();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "name");
    // The first screen costs the first block, not the 3000 rows.
    EXPECT_EQ(model->rowCount(), 100);
    EXPECT_LE(model->RowsRead(), 200);
    EXPECT_EQ(Cell(model, 0, 1), "customer 1");
    EXPECT_EQ(Cell(model, 4, 2), "NULL");
    EXPECT_TRUE(model->data(model->index(4, 2), tnxqt::TnxDataSetModel::NullRole).toBool());
    EXPECT_FALSE(model->data(model->index(3, 2), tnxqt::TnxDataSetModel::NullRole).toBool());
    EXPECT_EQ(Cell(model, 3, 2), "city 1");
    for (int i = 0; i < 100 && window.MasterModel()->canFetchMore(QModelIndex()); ++i) {
        window.MasterView()->scrollToBottom();
        Settle();
    }
    EXPECT_EQ(model->rowCount(), 3000);
    EXPECT_EQ(Cell(model, 2999, 1), "customer 3000");
}

TEST_F(GridWindowTest, EditsTypedIntoTheGridArePostedToTheTableAndEscapeCancelsThem) {
    MakeCustomers(50);
    GridWindow window(Database);
    ASSERT_TRUE(window.RunQuery("select id, name, city from customer order by id")) << qPrintable(window.StatusText());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Settle();
    QTableView* view = window.MasterView();
    view->setFocus();
    view->setCurrentIndex(window.MasterModel()->index(2, 1));
    EXPECT_EQ(window.Master()->FieldByName("id")->GetAsInteger(), 3);
    QTest::keyClick(view, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor, view);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "renamed three");
    QTest::keyClick(editor, Qt::Key_Return);
    Settle();
    EXPECT_EQ(window.Master()->GetState(), vcl::dsEdit);
    EXPECT_EQ(NameOf(3), "customer 3") << "nothing is written before the row is left";
    // Leaving the row posts the edit to the table.
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(window.Master()->GetState(), vcl::dsBrowse);
    EXPECT_EQ(NameOf(3), "renamed three");
    EXPECT_EQ(Cell(window.MasterModel(), 2, 1), "renamed three");
    EXPECT_EQ(window.Master()->FieldByName("id")->GetAsInteger(), 4);
    // An edit cancelled with Escape leaves the table and the grid as they were.
    QTest::keyClick(view, Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "never");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    Settle();
    EXPECT_EQ(Cell(window.MasterModel(), 3, 1), "never");
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_EQ(window.Master()->GetState(), vcl::dsBrowse);
    EXPECT_EQ(Cell(window.MasterModel(), 3, 1), "customer 4");
    EXPECT_EQ(NameOf(4), "customer 4");
    // The Post button posts a pending edit without leaving the row.
    ASSERT_TRUE(window.MasterModel()->setData(window.MasterModel()->index(3, 2), "Harbour"));
    EXPECT_TRUE(window.Post());
    EXPECT_EQ(window.Master()->GetState(), vcl::dsBrowse);
    EXPECT_EQ(window.StatusText(), "Posted");
}

TEST_F(GridWindowTest, TheDetailGridFollowsTheMastersCurrentRow) {
    MakeCustomers(20);
    GridWindow window(Database);
    ASSERT_TRUE(window.RunQuery("select id, name, city from customer order by id")) << qPrintable(window.StatusText());
    ASSERT_TRUE(window.RunDetailQuery("select no, item from orders where customer = :id order by no"))
        << qPrintable(window.StatusText());
    window.resize(760, 560);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Settle();
    const tnxqt::TnxDataSetModel* detail = window.DetailModel();
    ASSERT_EQ(detail->rowCount(), 3);
    EXPECT_EQ(Cell(detail, 0, 1), "item 1.0");
    EXPECT_EQ(Cell(detail, 2, 1), "item 1.2");
    // Moving the master's current row (as a click does) re-runs the detail for that customer.
    window.MasterView()->setCurrentIndex(window.MasterModel()->index(6, 0));
    // The detail's new rows come with the view's next fetch, a few turns of the event loop later.
    (void)QTest::qWaitFor([detail] { return detail->rowCount() > 0; }, 5000);
    ASSERT_EQ(detail->rowCount(), 3);
    EXPECT_EQ(Cell(detail, 0, 1), "item 7.0");
    EXPECT_EQ(Cell(detail, 1, 0), "19");

    // The picture for the README: the master on customer 7, its orders below.
    window.MasterView()->setFocus();
    Settle();
    const QPixmap picture = window.grab();
    EXPECT_EQ(picture.size(), window.size());
    const QString folder = QString::fromUtf8(TNX_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(folder + "/tnxgrid.png"));
}

TEST_F(GridWindowTest, StatementsReportTheirRowsAndErrorsShowInTheStatusLine) {
    MakeCustomers(10);
    GridWindow window(Database);
    EXPECT_TRUE(window.RunQuery("update customer set city = 'Port' where id <= 4"));
    EXPECT_EQ(window.StatusText(), "4 rows changed");
    EXPECT_FALSE(window.RunQuery("select nothing from nowhere"));
    EXPECT_FALSE(window.StatusText().isEmpty());
    EXPECT_NE(window.StatusText(), "4 rows changed");
    EXPECT_EQ(window.MasterModel()->rowCount(), 0);
    // The window is still usable after the error.
    EXPECT_TRUE(window.RunQuery("select id from customer where city = 'Port'"));
    window.MasterModel()->fetchMore(QModelIndex());
    EXPECT_EQ(window.MasterModel()->rowCount(), 4);
}

} // namespace
