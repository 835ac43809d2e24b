#include "ui/qt/legible_palette.h"

#include <QApplication>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

QColor Mix(const QColor& from, const QColor& to, double t) {
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * t),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * t),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * t));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void KeepLegibleWhenDisabled(QWidget& w, QPalette::ColorRole text,
                             std::initializer_list<QPalette::ColorRole> backgrounds) {
    QPalette pal = w.palette();
    // The style's grey for this kind of widget, not what an earlier call set.
    const QColor grey = QApplication::palette(&w).color(QPalette::Disabled, text);
    const QColor full = pal.color(QPalette::Active, text);
    const auto legible = [&](const QColor& c) {
        return std::all_of(backgrounds.begin(), backgrounds.end(), [&](QPalette::ColorRole bg) {
            return ContrastRatio(c, pal.color(QPalette::Disabled, bg)) >= kLegibleContrast;
        });
    };
    constexpr int kSteps = 32;
    QColor chosen = full;
    for (int step = 0; step <= kSteps; ++step) {
        const QColor c = Mix(grey, full, static_cast<double>(step) / kSteps);
        if (legible(c)) {
            chosen = c;
            break;
        }
    }
    pal.setColor(QPalette::Disabled, text, chosen);
    w.setPalette(pal);
}

}  // namespace ui
