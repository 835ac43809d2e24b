#include "ui/qt/dialog_units.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

namespace ui {
namespace {

// MulDiv's rounding, as MapDialogRect uses it.
constexpr int MulDiv(int value, int numerator, int denominator) {
    const long long p = static_cast<long long>(value) * numerator;
    return static_cast<int>((p >= 0 ? p + denominator / 2 : p - denominator / 2) / denominator);
}

}  // namespace

QFont DialogFont(const DialogTemplate& dlg) {
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(dlg.fontPoints);
    // The Windows faces are rarely installed; these share their proportions. Only installed
    // faces count: fontconfig would otherwise substitute a much wider default for the first.
    for (const QString& face : {QString::fromLatin1(dlg.fontFace), QStringLiteral("Arial"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")}) {
        QFont candidate = font;
        candidate.setFamily(face);
        if (QFontInfo(candidate).family().startsWith(face, Qt::CaseInsensitive))
            return candidate;
    }
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    // Windows averages the 52 letters and rounds half up.
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, fm.height()};
}

QRect MapDialogRect(const DluRect& r, DialogBaseUnits u) {
    return {MulDiv(r.x, u.cx, 4), MulDiv(r.y, u.cy, 8), MulDiv(r.cx, u.cx, 4),
            MulDiv(r.cy, u.cy, 8)};
}

}  // namespace ui
