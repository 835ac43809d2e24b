// A dialog template as a statement of a Windows resource script: the DIALOGEX block that the
// resource compiler (windres, rc) turns into the dialog resource the Win32 view is created
// from. Written at build time from the same tables as the Qt view builds its widgets from, so
// the two views never differ in a control, id, style or rectangle.
//
// Threading: a plain function; any thread.
#pragma once

#include <cstdint>
#include <string>

#include "ui/core/dialog_template.h"

namespace ui {

// The DIALOGEX statement of resource `id`: the dialog's own style (`dialogStyle`, which the
// table leaves to its window), caption, font, and each control in template order with its
// text (an SS_ICON static's text is its icon resource), id, window class, style, and rectangle
// in dialog units. Styles are written as numbers: the resource compiler adds WS_CHILD and
// WS_VISIBLE to every control, so a control without WS_VISIBLE in the table says NOT
// WS_VISIBLE.
std::string DialogScript(int id, std::uint32_t dialogStyle, const DialogTemplate& dialog);

// The window class that a control of `cls` is created with.
const char* WindowClassName(ControlClass cls);

}  // namespace ui
