// tnxgrid: query results in grids you can edit, a detail grid that follows the current row.
#include "tools/tnxgrid/GridDatabase.h"
#include "tools/tnxgrid/GridOptions.h"
#include "tools/tnxgrid/GridWindow.h"

#include "platform/qt/QtConvert.h"
#include "platform/qt/WidgetSet.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

// Whether the command line asks for help: answered before the QApplication exists, so that it works
// on a machine without a display too.
bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (AsksForHelp(argc, argv)) {
        tnxgrid::GridOptions ignored;
        QString message;
        bool help = false;
        tnxgrid::ParseGridOptions({QStringLiteral("tnxgrid"), QStringLiteral("--help")}, ignored, message, help);
        std::printf("%s\n", qPrintable(message));
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tnxgrid"));
    tnxgrid::GridOptions options;
    QString message;
    bool help = false;
    if (!tnxgrid::ParseGridOptions(QApplication::arguments(), options, message, help)) {
        std::fprintf(help ? stdout : stderr, "%s\n", qPrintable(message));
        return help ? 0 : 2;
    }
    tnxqt::InstallWidgetSet();
    int status = 0;
    {
        tnxgrid::GridDatabase database;
        try {
            database.Open(options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tnxgrid: %s\n", e.what());
            tnxqt::UninstallWidgetSet();
            return 1;
        }
        tnxgrid::GridWindow window(database);
        window.setWindowTitle(QStringLiteral("tnxgrid - %1").arg(QString::fromStdString(options.Database)));
        if (!options.Query.empty()) window.RunQuery(tnxqt::ToQString(options.Query));
        if (!options.DetailQuery.empty()) window.RunDetailQuery(tnxqt::ToQString(options.DetailQuery));
        window.show();
        status = QApplication::exec();
    }
    tnxqt::UninstallWidgetSet();
    return status;
}
