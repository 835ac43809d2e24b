// Every text the programming dialog can show beyond its template texts: the five lists'
// entries, which fit with the template's texts in the dialog's font, and the job's figures (the
// loader's version, the image's checksum, the status texts, each at its widest in a given
// font), which share a font of their own, no larger, in which they all fit.
//
// Threading: GUI thread (font metrics).
#pragma once

#include <QFontMetricsF>
#include <vector>

#include "ui/qt/text_fit.h"

namespace ui {

std::vector<ShownText> Rs232SetListTexts(const QFontMetricsF& fm);
std::vector<ShownText> Rs232SetFigureTexts(const QFontMetricsF& fm);

}  // namespace ui
