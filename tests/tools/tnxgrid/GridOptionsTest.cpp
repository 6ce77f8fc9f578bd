// tnxgrid's command line: the database file is required and alone, the options land in their
// fields, help and errors come back as messages instead of a started window.
#include "tools/tnxgrid/GridOptions.h"

#include <gtest/gtest.h>

using tnxgrid::GridOptions;
using tnxgrid::ParseGridOptions;

TEST(GridOptions, TheDatabaseAndEveryOptionLandInTheirFields) {
    GridOptions options;
    QString message;
    bool help = true;
    ASSERT_TRUE(ParseGridOptions({"tnxgrid", "--create", "--libdir", "/lib/x", "--user", "ann", "--password", "pw",
                                  "-q", "select 1", "--detail", "select * from t where id = :id", "shop.db"},
                                 options, message, help))
        << qPrintable(message);
    EXPECT_FALSE(help);
    EXPECT_EQ(options.Database, "shop.db");
    EXPECT_TRUE(options.Create);
    EXPECT_EQ(options.LibraryDir, "/lib/x");
    EXPECT_EQ(options.User, "ann");
    EXPECT_EQ(options.Password, "pw");
    EXPECT_EQ(options.Query, "select 1");
    EXPECT_EQ(options.DetailQuery, "select * from t where id = :id");

    GridOptions plain;
    ASSERT_TRUE(ParseGridOptions({"tnxgrid", "plain.db"}, plain, message, help));
    EXPECT_FALSE(plain.Create);
    EXPECT_TRUE(plain.User.empty()) << "the login plan picks the default user";
}

TEST(GridOptions, HelpAndBadCommandLinesAreMessages) {
    GridOptions options;
    QString message;
    bool help = false;
    EXPECT_FALSE(ParseGridOptions({"tnxgrid", "--help"}, options, message, help));
    EXPECT_TRUE(help);
    EXPECT_TRUE(message.startsWith("Usage: tnxgrid")) << qPrintable(message);
    EXPECT_TRUE(message.contains("--detail"));

    for (const QStringList& bad : {QStringList{"tnxgrid"}, QStringList{"tnxgrid", "a.db", "b.db"},
                                   QStringList{"tnxgrid", "--bogus", "a.db"}, QStringList{"tnxgrid", "a.db", "--query"}}) {
        help = true;
        message.clear();
        EXPECT_FALSE(ParseGridOptions(bad, options, message, help)) << qPrintable(bad.join(' '));
        EXPECT_FALSE(help);
        EXPECT_FALSE(message.isEmpty());
    }
}
