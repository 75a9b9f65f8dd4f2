// Program start: the main window, the parameter dialog and the about box, then the
// message loop until the main window closes.
#include "app/gui/About.h"
#include "app/gui/Font.h"
#include "app/gui/GuiHooks.h"
#include "app/gui/Parameters.h"
#include "kernel/TemporaryFiles.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>

using namespace orlenta;

namespace {

// For the screenshot script: run Create on a text once the window is up, save a picture of
// the window and quit.
void scheduleScreenshot(TfrmFont& window, const QString& file, const QString& text) {
    QTimer::singleShot(200, &window, [&window, file, text] {
        // Wide enough for the status bar's figures to show in full.
        window.resize(std::max(window.width(), 960), std::max(window.height(), 540));
        QCoreApplication::processEvents();
        if (auto* edit = window.findChild<QLineEdit*>("edFont"))
            edit->setText(text);
        window.Create1Click();
        QCoreApplication::processEvents();
        const bool saved = window.grab().save(file, "PNG");
        if (!saved)
            std::fprintf(stderr, "orlenta: cannot write %s\n", qPrintable(file));
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

} // namespace

int main(int argc, char* argv[]) {
    // A save interrupted by Ctrl+C, a logout or a kill leaves no temporary file behind.
    InstallStopSignalCleanup();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orlenta");
    QApplication::setApplicationVersion("2.0");
    // Qt adopts the user's locale for the C library too. The program's own number code
    // never asks the C locale (to_chars, from_chars), and the fields read the user's
    // separator on their own; LC_NUMERIC goes back to "C" so that no library call made on
    // the program's behalf reads or writes the user's separator either.
    std::setlocale(LC_NUMERIC, "C");

    QCommandLineParser options;
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption screenshot(
        "screenshot", "Run Create once, save a PNG picture of the window to <file> and quit.",
        "file");
    const QCommandLineOption text("text", "The text Create converts for --screenshot.", "text",
                                  "Orlenta");
    options.addOption(screenshot);
    options.addOption(text);
    options.process(app);

    // A picture for the screenshot script shows the start-up window and leaves the user's
    // remembered settings alone.
    QTemporaryDir throwawaySettings;
    if (options.isSet(screenshot))
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, throwawaySettings.path());

    InstallGuiHooks();
    TfrmFont frmFont;
    TfrmParameters frmParameters;
    TfrmAbout frmAbout;
    frmFont.SetDialogs(&frmParameters, &frmAbout);
    frmFont.show();

    if (options.isSet(screenshot))
        scheduleScreenshot(frmFont, options.value(screenshot), options.value(text));
    return QApplication::exec();
}
