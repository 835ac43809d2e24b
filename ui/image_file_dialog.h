// The open dialog for the image file.
//
// Threading: GUI thread.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

namespace ui {

// Runs the dialog modally over `parent`, starting beside `currentPath`. Returns the chosen
// file's full path, or nothing when the operator cancelled.
std::optional<QString> ChooseImageFile(QWidget* parent, const QString& currentPath);

}  // namespace ui
