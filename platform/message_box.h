// The stand-in for AfxMessageBox: each front end installs the hook that shows a message
// (a Qt box, a line on stderr, a recorder in tests). A message is its text, worded exactly as
// the system words it, and optional details beneath it: what was looked for and why it failed.
//
// Threading: set the hook before any job runs; AfxMessageBox is called on the owner thread
// of the job's message target and calls the hook on that thread.
#pragma once

#include <functional>
#include <string_view>

namespace platform {

using MessageBoxHook = std::function<void(std::string_view text, std::string_view details)>;

// Installs `hook`; an empty hook discards messages. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

}  // namespace platform

// Shows `text` with an OK button and the application's name as the caption; returns when
// the operator has closed it (IDOK).
int AfxMessageBox(std::string_view text);
// The same box with `details` beneath the text (several lines may be joined with '\n').
int AfxMessageBox(std::string_view text, std::string_view details);

inline constexpr int IDOK = 1;
