// The open dialog for the image file.
//
// Threading: GUI thread.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace ui {

// The filter of the image formats with addresses, between "BIN ROM (*.bin)" and "All Files".
inline constexpr const char* kAddressedFilter =
    "HEX, S-record, ELF (*.hex *.ihex *.ihx *.s19 *.s28 *.s37 *.srec *.mot *.elf *.axf)";

// Runs the dialog modally over `parent`, starting beside `currentPath`. Returns the chosen
// file's full path, or nothing when the operator cancelled.
std::optional<QString> ChooseImageFile(QWidget* parent, const QString& currentPath);

}  // namespace ui
