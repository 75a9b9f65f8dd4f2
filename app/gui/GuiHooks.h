// Points the process-wide hooks of the Qt-free code at the Qt event loop and message box.
#pragma once

namespace orlenta {

void InstallGuiHooks();

} // namespace orlenta
