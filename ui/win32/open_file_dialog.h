// LOAD's file dialog on Windows: GetOpenFileName asked as the dialog's core asks (the types it
// offers, the default extension, the name shown first, the folder of the path chosen before),
// owned by the main window and centred on it as far as the screen allows.
//
// Threading: GUI thread; the dialog is modal and its loop keeps serving the window messages
// of the job's threads.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ui/core/dialog_window.h"
#include "ui/win32/windows_api.h"

namespace ui::win32 {

// OPENFILENAME's filter: "name (patterns)" and the patterns for each type, each ended by a
// NUL, the whole ended by one more.
std::wstring FilterString(std::span<const FileFilter> filters);

// The folder of `path` (up to its last '\' or '/'), where browsing starts; empty when the path
// names no folder.
std::wstring FolderOf(std::string_view path);

// Runs the dialog over `owner`: the chosen file's full path (UTF-8), or nothing when it was
// cancelled or failed.
std::optional<std::string> ShowOpenFileDialog(HWND owner, const OpenFileRequest& request);

}  // namespace ui::win32
