// Runs the window tests inside one QApplication on the offscreen platform.
#include "tests/app/WindowFixture.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orlenta");
    std::setlocale(LC_NUMERIC, "C");
    // The window remembers its inputs: never in the user's own settings. Each window test
    // points them at a folder of its own as well (TOwnSettings).
    QStandardPaths::setTestModeEnabled(true);
    const QTemporaryDir settings;
    if (!settings.isValid())
        return 2;
    orlenta::ProcessSettingsFolder() = settings.path();
    orlenta::RememberSettingsIn(settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
