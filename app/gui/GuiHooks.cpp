// The Qt side of the process-wide hooks; see GuiHooks.h.
#include "app/gui/GuiHooks.h"

#include "kernel/Hooks.h"

#include <QApplication>
#include <QMessageBox>

namespace orlenta {

void InstallGuiHooks() {
    SetMessagePumpHook([] { QCoreApplication::processEvents(); });
    SetMessageBoxHook([](const std::string& text) {
        QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                                 QString::fromStdString(text));
    });
}

} // namespace orlenta
