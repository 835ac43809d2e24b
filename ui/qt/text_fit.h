// Where a control draws its one line of text, whether a text fits there, and the largest size
// of a font at which every text of a dialog fits. A dialog keeps its template geometry; where
// a font is wider than the template's, its texts get smaller rather than cut.
//
// Threading: GUI thread (font metrics and styles).
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

namespace ui {

// A text that the control `id` can show.
struct ShownText {
    int id;
    QString text;
};

// The rectangle, in the control's own coordinates, in which `control` shows a line of text
// whole: a label's contents, a line edit's text area without scrolling, a button's label
// area, a drop-down list's closed box, a group box's title row.
QRect TextRect(const QWidget& control);

// Whether `text` fits TextRect(control) when drawn in `font`: its advance across, its line
// height (as the dialog units count it) down.
bool TextFits(const QWidget& control, const QFont& font, const QString& text);

// `font` itself when `fits` holds for it; otherwise the font at the largest smaller pixel size
// for which it holds, down to two thirds of its size (that smallest size when none fits).
QFont LargestFittingFont(const QFont& font, const std::function<bool(const QFont&)>& fits);

}  // namespace ui
