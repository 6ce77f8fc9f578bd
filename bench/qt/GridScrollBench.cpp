// bench_qt_grid mem|asa [rows]: shows a QTableView over TnxDataSetModel on a dataset of rows rows
// (1,000,000 by default; ID, NAME, AMOUNT) and measures what a person waits for and what the
// process holds:
//  - the first screen: from attaching the model to the view until the shown window has painted its
//    first rows;
//  - the rows the model read for it;
//  - scrolling to the end: scrollToBottom and the event loop until the model has fetched every row;
//  - the resident memory before the view, after the first screen and after the end, and the peak.
// "mem" fills a TMemDataSet; "asa" fills a table in a new database file (not timed) and opens
// "select id, name, amount from t order by id" in a TAsaDataset. Runs on any Qt platform
// (QT_QPA_PLATFORM=offscreen needs no display).
#include "asa/TnxAsa.h"
#include "asa/dataset/AsaDataset.h"
#include "platform/qt/DataSetModel.h"
#include "platform/qt/DataSetView.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/db/DB.h"
#include "tools/tnxgrid/GridDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

// A line of /proc/self/status ("VmRSS", "VmHWM") in MB.
double StatusMB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::strtod(line.c_str() + line.find(':') + 1, nullptr) / 1024.0;
    }
    return 0;
}

void FillMemory(vcl::TMemDataSet* dataSet, int rows) {
    vcl::TFieldDefs* defs = dataSet->GetFieldDefs();
    defs->Add("ID", vcl::ftInteger);
    defs->Add("NAME", vcl::ftString, 20);
    defs->Add("AMOUNT", vcl::ftFloat);
    dataSet->Open();
    dataSet->DisableControls();
    for (int id = 1; id <= rows; ++id)
        dataSet->AppendRecord({id, ("row " + std::to_string(id)).c_str(), id * 1.5});
    dataSet->First();
    dataSet->EnableControls();
}

int Run(vcl::TDataSet* dataSet, const char* what, int rows) {
    auto source = vcl::New<vcl::TDataSource>();
    source->SetDataSet(dataSet);
    const double before = StatusMB("VmRSS");
    QTableView view;
    view.resize(800, 600);
    tnxqt::TnxDataSetModel model;
    QElapsedTimer timer;
    timer.start();
    model.SetDataSource(source.get());
    tnxqt::ConnectDataSetView(&view, &model);
    view.show();
    // The view asks for its first rows from a queued layout pass: run the event loop until it has
    // them, then paint.
    while (model.rowCount() == 0 && model.canFetchMore(QModelIndex()) && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    view.repaint();
    const double firstScreen = timer.nsecsElapsed() / 1e6;
    const long long firstRead = model.RowsRead();
    const int firstRows = model.rowCount();
    const double afterFirst = StatusMB("VmRSS");
    timer.restart();
    while (model.canFetchMore(QModelIndex())) {
        view.scrollToBottom();
        QApplication::processEvents();
    }
    view.scrollToBottom();
    view.repaint();
    const double toEnd = timer.nsecsElapsed() / 1e6;
    const bool lastShown = model.data(model.index(model.rowCount() - 1, 0)).toInt() == rows;
    std::printf("%s, %d rows: first screen %.1f ms (%d rows in the model, %lld read); "
                "scroll to the end %.0f ms (%d rows, last row shown: %s)\n",
                what, rows, firstScreen, firstRows, firstRead, toEnd, model.rowCount(), lastShown ? "yes" : "NO");
    std::printf("  RSS: %.1f MB with the data before the view, %.1f MB after the first screen, "
                "%.1f MB after the end; peak %.1f MB\n",
                before, afterFirst, StatusMB("VmRSS"), StatusMB("VmHWM"));
    return model.rowCount() == rows && lastShown ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string kind = argc > 1 ? argv[1] : "";
    const int rows = argc > 2 ? std::atoi(argv[2]) : 1000000;
    if ((kind != "mem" && kind != "asa") || rows < 1) {
        std::fprintf(stderr, "usage: bench_qt_grid mem|asa [rows]\n");
        return 2;
    }
    if (kind == "mem") {
        auto dataSet = vcl::New<vcl::TMemDataSet>();
        FillMemory(dataSet.get(), rows);
        return Run(dataSet.get(), "TMemDataSet", rows);
    }
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_qt_grid." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int status = 1;
    {
        tnxgrid::GridDatabase database;
        tnxgrid::GridOptions options;
        options.Database = (dir / "grid.db").string();
        options.Create = true;
        options.LibraryDir = TNX_BENCH_LIB_DIR;
        database.Open(options);
        database.Execute("create table t (id integer primary key, name varchar(20), amount double)");
        database.Execute("insert into t with recursive c(x) as (select 1 union all select x + 1 from c where x < " +
                         std::to_string(rows) + ") select x, 'row ' || x, x * 1.5 from c");
        auto dataSet = vcl::New<tnx::TAsaDataset>();
        dataSet->SetSession(database.Session());
        dataSet->GetSQL()->SetText("select id, name, amount from t order by id");
        dataSet->Open();
        status = Run(dataSet.get(), "TAsaDataset", rows);
        dataSet->Close();
    }
    std::filesystem::remove_all(dir);
    return status;
}
