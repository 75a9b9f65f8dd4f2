// Points the process-wide hooks of the Qt-free code at the Qt event loop and message box.
#pragma once

void InstallGuiHooks();
