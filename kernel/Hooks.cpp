// The process-wide user-interface hooks; see Hooks.h.
#include "kernel/Hooks.h"

#include <utility>

namespace orlenta {

namespace {
MessagePumpHook& pumpHook() {
    static MessagePumpHook hook;
    return hook;
}
MessageBoxHook& boxHook() {
    static MessageBoxHook hook;
    return hook;
}
} // namespace

MessagePumpHook SetMessagePumpHook(MessagePumpHook hook) {
    return std::exchange(pumpHook(), std::move(hook));
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(boxHook(), std::move(hook));
}

void ProcessMessages() {
    if (pumpHook())
        pumpHook()();
}

void ShowMessage(const std::string& text) {
    if (boxHook())
        boxHook()(text);
}

} // namespace orlenta
