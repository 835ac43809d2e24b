// Creates a template's controls as Qt widgets inside a dialog: class, text, style, pixel
// geometry from the dialog units, and the tab order of the template. The dialog's font is the
// template's (see DialogFont), made smaller where needed so that the template's texts and the
// other texts given fit their controls; the geometry stays that of the template's font.
//
// Threading: GUI thread.
#pragma once

#include <QFontMetricsF>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "ui/core/dialog_template.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/text_fit.h"

namespace ui {

struct DialogControl {
    int id;
    QWidget* widget;
};

// The texts a dialog's controls can show beyond their template texts, given at their widest in
// the font of `fm` where they vary.
using ShownTexts = std::function<std::vector<ShownText>(const QFontMetricsF& fm)>;

// Sets the dialog's font and size and adds the controls; `dialog` owns them.
std::vector<DialogControl> BuildDialog(QWidget& dialog, const DialogTemplate& dlg,
                                       const ShownTexts& shown = {});

// Gives a group of controls whose texts vary, and should look alike, the largest font, at most
// `font`, in which every text `shown` for them fits.
void FitControlGroup(const std::vector<DialogControl>& controls, const QFont& font,
                     const ShownTexts& shown);

// The first control with `id`, or null.
QWidget* FindControl(const std::vector<DialogControl>& controls, int id);

}  // namespace ui
