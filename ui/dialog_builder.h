// Creates a template's controls as Qt widgets inside a dialog: class, text, style, pixel
// geometry from the dialog units, and the tab order of the template.
//
// Threading: GUI thread.
#pragma once

#include <QWidget>
#include <utility>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/dialog_units.h"

namespace ui {

struct DialogControl {
    int id;
    QWidget* widget;
};

// Sets the dialog's font and size and adds the controls; `dialog` owns them.
std::vector<DialogControl> BuildDialog(QWidget& dialog, const DialogTemplate& dlg);

// The first control with `id`, or null.
QWidget* FindControl(const std::vector<DialogControl>& controls, int id);

}  // namespace ui
