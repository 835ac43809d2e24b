// Disabled texts that stay readable. A disabled control keeps its greyed look, but its text
// gets at least the contrast that text needs against its background (4.5:1, as WCAG asks),
// whatever the style's own disabled grey.
//
// Threading: GUI thread.
#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>
#include <initializer_list>

namespace ui {

inline constexpr double kLegibleContrast = 4.5;

// The contrast ratio of two colours, (L1 + 0.05) / (L2 + 0.05) of their relative luminances.
double ContrastRatio(const QColor& a, const QColor& b);

// Gives `w` a disabled `text` colour with at least kLegibleContrast against each of the
// disabled `backgrounds`: the style's disabled colour, moved toward the enabled text colour
// only as far as that takes. Call again when the application's palette changes.
void KeepLegibleWhenDisabled(QWidget& w, QPalette::ColorRole text,
                             std::initializer_list<QPalette::ColorRole> backgrounds);

}  // namespace ui
