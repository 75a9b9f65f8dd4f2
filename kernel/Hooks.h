// Process-wide hooks through which the Qt-free code reaches the user interface: one pass
// of pending window messages during long loops, and a message box for user-facing notes.
// Both are no-ops until a front end installs its own.
#pragma once

#include <functional>
#include <string>

namespace orlenta {

using MessagePumpHook = std::function<void()>;
using MessageBoxHook = std::function<void(const std::string&)>;

// Installs the hook and returns the previous one (an empty function restores the no-op).
MessagePumpHook SetMessagePumpHook(MessagePumpHook hook);
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Lets the user interface process the window messages that are pending.
void ProcessMessages();
// Shows a message to the user and returns when it has been acknowledged.
void ShowMessage(const std::string& text);

} // namespace orlenta
