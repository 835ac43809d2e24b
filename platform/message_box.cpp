#include "platform/message_box.h"

namespace platform {
namespace {
MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    MessageBoxHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}
}  // namespace platform

int AfxMessageBox(std::string_view text) {
    return AfxMessageBox(text, {});
}

int AfxMessageBox(std::string_view text, std::string_view details) {
    if (const auto& hook = platform::Hook(); hook)
        hook(text, details);
    return IDOK;
}
