// The test program's main: one QApplication for all tests (on the offscreen platform unless the
// environment picks another), the widget set installed, then the tests.
#include "platform/qt/WidgetSet.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Listing the tests (CTest does it before running them) must work without a display too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    tnxqt::InstallWidgetSet();
    const int result = RUN_ALL_TESTS();
    tnxqt::UninstallWidgetSet();
    return result;
}
