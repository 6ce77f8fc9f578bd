// tnxdesign: a form designer for data modules built from the Tarnix component packages.
#include "tools/tnxdesign/MainWindow.h"

#include "platform/qt/WidgetSet.h"
#include "platform/win/MessageBox.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

const char* const Description =
    "A form designer for data modules. It loads component packages by file name (the SQL Anywhere\n"
    "package libTnxSa5 unless told otherwise), shows their components on the palette, and lets you\n"
    "drop them onto a data module, set their properties with the registered editors, connect a\n"
    "session and open datasets to see live rows, add persistent fields, and save the module as a\n"
    "form file (text or binary) that an application reads at run time.\n"
    "\n"
    "Without a display, run it with QT_QPA_PLATFORM=offscreen (useful with --screenshot).";

// The SQL Anywhere package beside the program's libraries (a build or an installation), or the
// bare name for the system's library search.
QString DefaultPackage() {
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString& relative : {QString(TNX_PACKAGE_DIR), QString("../lib")}) {
        const QString candidate = bin.absoluteFilePath(relative + "/libTnxSa5.so");
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return "libTnxSa5.so";
}

// Whether the command line asks only for the help or the version: answered without a window
// system, so that they work on a machine without a display.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-h" || argument == "--help" || argument == "--help-all" || argument == "-v" ||
            argument == "--version")
            return true;
    }
    return false;
}

// Whether Qt can open a window here: a display, or a platform chosen explicitly (offscreen, ...).
bool HasWindowSystem() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (AsksForHelpOrVersion(argc, argv)) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    } else if (!HasWindowSystem()) {
        std::fprintf(stderr, "tnxdesign: no display to open a window on (DISPLAY is not set); without one, run "
                             "it as QT_QPA_PLATFORM=offscreen tnxdesign --screenshot FILE.png ...\n");
        return 2;
    } else {
        application = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName("tnxdesign");
    QCoreApplication::setApplicationVersion("1.86b");

    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption package({"p", "package"}, "Load a component package (repeatable); replaces the default.",
                               "file");
    QCommandLineOption noPackages("no-default-package", "Do not load libTnxSa5 when no --package is given.");
    QCommandLineOption screenshot("screenshot", "Show the window, save a picture of it as PNG, and quit.", "png");
    QCommandLineOption select("select", "Select the named component (with --screenshot: the grid shows its rows).",
                              "name");
    parser.addOptions({package, noPackages, screenshot, select});
    parser.addPositionalArgument("form", "A form file (.dfm, text or binary) to open.", "[form]");
    parser.process(app);

    tnxqt::InstallWidgetSet();
    if (parser.isSet(screenshot)) {
        // A picture is taken unattended: messages (a session that cannot connect while the form
        // is read, ...) go to the error output instead of waiting for a click.
        win::SetMessageBoxHandler([](win::HWND, const std::string& text, const std::string& caption, win::UINT type) {
            std::fprintf(stderr, "tnxdesign: %s: %s\n", caption.c_str(), text.c_str());
            return win::MessageBoxDefaultResult(type);
        });
    }
    int result = 0;
    {
        tnxdesign::MainWindow window;
        QStringList packages = parser.values(package);
        if (packages.isEmpty() && !parser.isSet(noPackages)) packages << DefaultPackage();
        for (const QString& file : packages) {
            if (!window.LoadPackage(file)) {
                std::fprintf(stderr, "tnxdesign: %s\n", qPrintable(window.LastError()));
                result = 1;
            }
        }
        const QStringList forms = parser.positionalArguments();
        if (!forms.isEmpty() && !window.OpenFile(forms.first())) {
            std::fprintf(stderr, "tnxdesign: %s\n", qPrintable(window.LastError()));
            result = 1;
        }
        if (parser.isSet(select)) {
            vcl::TComponent* component = window.Document().Root()->FindComponent(parser.value(select).toStdString());
            if (component != nullptr) window.Select(component);
        }
        window.show();
        if (parser.isSet(screenshot)) {
            // Let the window lay itself out and the grid fetch its rows first.
            QTimer::singleShot(200, &window, [&] {
                if (!window.grab().save(parser.value(screenshot))) {
                    std::fprintf(stderr, "tnxdesign: cannot write %s\n", qPrintable(parser.value(screenshot)));
                    result = 1;
                }
                QCoreApplication::exit();
            });
            app.exec();
        } else {
            const int code = app.exec();
            if (result == 0) result = code;
        }
    }
    tnxqt::UninstallWidgetSet();
    return result;
}
