// The command line of tnxgrid.
#include "tools/tnxgrid/GridOptions.h"

#include <QCommandLineParser>

namespace tnxgrid {

bool ParseGridOptions(const QStringList& arguments, GridOptions& options, QString& message, bool& help) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Shows the rows of a query in a grid, lets you edit and post them, and shows a detail query of the\n"
        "current row below (its :name markers take the values of the row's columns of that name).\n"
        "The database file is opened on the embedded default, as tnxsql opens it.");
    const QCommandLineOption helpOption({"h", "help"}, "Shows this text.");
    const QCommandLineOption create("create", "Creates the database file first (it must not exist).");
    const QCommandLineOption libdir("libdir", "Folder of the client library.", "dir");
    const QCommandLineOption user("user", "User name (default DBA).", "name");
    const QCommandLineOption password("password", "Password (default SQL).", "text");
    const QCommandLineOption query({"q", "query"}, "Query to run in the upper grid at start.", "sql");
    const QCommandLineOption detail({"d", "detail"}, "Detail query to run in the lower grid at start.", "sql");
    parser.addOptions({helpOption, create, libdir, user, password, query, detail});
    parser.addPositionalArgument("database", "The database file.");
    help = false;
    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return false;
    }
    if (parser.isSet(helpOption)) {
        help = true;
        message = parser.helpText();
        // The usage line names the program, not the path it was started by (nor Qt's placeholder
        // when help is answered before the QApplication exists).
        const QString usage = QStringLiteral("Usage: ");
        const qsizetype nameEnd = message.indexOf(QStringLiteral(" [options]"));
        if (message.startsWith(usage) && nameEnd > usage.size())
            message.replace(usage.size(), nameEnd - usage.size(), QStringLiteral("tnxgrid"));
        return false;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        message = positional.isEmpty() ? "Name a database file (tnxgrid --help shows how)."
                                       : "Name one database file only.";
        return false;
    }
    options.Database = positional.first().toStdString();
    options.Create = parser.isSet(create);
    options.LibraryDir = parser.value(libdir).toStdString();
    options.User = parser.value(user).toStdString();
    options.Password = parser.value(password).toStdString();
    options.Query = parser.value(query).toStdString();
    options.DetailQuery = parser.value(detail).toStdString();
    return true;
}

} // namespace tnxgrid
