// The open-file dialog for the image: Qt's own dialog (not the desktop's), so that its place
// and its columns are ours to set. It opens centred on the main window, as far as the screen
// allows, wide enough that its Size, Type and Date Modified columns show their texts whole.
//
// Threading: GUI thread.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <span>

#include "ui/core/dialog_window.h"

namespace ui {

// The dialog's type list for `filters`: "name (patterns)", where "*.*" is every file ("*").
QStringList NameFilters(std::span<const FileFilter> filters);

// The dialog as ChooseImageFile runs it over `parent`'s window: sized and placed once it is
// laid out, as it is shown.
class ImageFileDialog : public QFileDialog {
    Q_OBJECT
  public:
    ImageFileDialog(QWidget* parent, const OpenFileRequest& request);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* owner_;
    QStringList types_;
};

// Runs the dialog modally over `parent`'s window. Returns the chosen file's full path, or
// nothing when the operator cancelled.
std::optional<QString> ChooseImageFile(QWidget* parent, const OpenFileRequest& request);

}  // namespace ui
