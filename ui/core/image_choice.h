// The image the operator chooses: what the open-file dialog offers, and which dropped files
// the path box takes.
//
// Threading: constant data; DroppedImage looks at the file system from any thread.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "ui/core/dialog_window.h"

namespace ui {

// The file dialog's type list, first entry preselected.
inline constexpr FileFilter kImageFileFilters[] = {
    {"BIN ROM", "*.bin"},
    {"HEX, S-record, ELF", "*.hex;*.ihex;*.ihx;*.s19;*.s28;*.s37;*.srec;*.mot;*.elf;*.axf"},
    {"All Files", "*.*"},
};
inline constexpr const char* kImageDefaultExtension = "bin";
inline constexpr const char* kImageInitialName = "*.bin";

// The request of LOAD, browsing from `currentPath`.
OpenFileRequest ImageFileRequest(std::string currentPath);

// The path a drop of `paths` puts into the path box: exactly one file, and one that the file
// dialog could have chosen (an existing regular file). Nothing otherwise.
std::optional<std::string> DroppedImage(std::span<const std::string> paths);

}  // namespace ui
