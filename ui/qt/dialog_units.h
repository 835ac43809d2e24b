// Dialog units to pixels, from the dialog's font, as the Win32 dialog manager computes them:
// x * avgCharWidth / 4 and y * charHeight / 8.
//
// Threading: GUI thread (font metrics).
#pragma once

#include <QFont>
#include <QRect>

#include "ui/core/dialog_template.h"

namespace ui {

struct DialogBaseUnits {
    int cx;  // average character width in pixels
    int cy;  // character height in pixels
};

// The dialog font: the template's face at its size, falling back to metric look-alikes.
QFont DialogFont(const DialogTemplate& dlg);

DialogBaseUnits BaseUnitsOf(const QFont& font);

QRect MapDialogRect(const DluRect& r, DialogBaseUnits u);

}  // namespace ui
