#include "ui/qt/titled_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// Title bars commonly set their title larger than the text of the windows, and bold.
constexpr double kTitleScale = 1.5;
constexpr int kTitleBarItems = 4;  // the window's icon, minimise, maximise, close

}  // namespace

int TitleBarWidth(const QString& title, const QFont& font) {
    QFont titleFont = font;
    titleFont.setBold(true);
    if (titleFont.pixelSize() > 0) {
        titleFont.setPixelSize(static_cast<int>(std::ceil(titleFont.pixelSize() * kTitleScale)));
    } else {
        titleFont.setPointSizeF(titleFont.pointSizeF() * kTitleScale);
    }
    const QFontMetrics fm(titleFont);
    const int barHeight = 2 * fm.height();
    // The title with a bar's height of room on either side, beside its items.
    return fm.horizontalAdvance(title) + 2 * barHeight + kTitleBarItems * barHeight;
}

TitledBox::TitledBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
                     QWidget* parent)
    : QMessageBox(icon, title, text, buttons, parent) {}

void TitledBox::resizeEvent(QResizeEvent* event) {
    QMessageBox::resizeEvent(event);
    const int needed = TitleBarWidth(windowTitle(), QApplication::font("QMdiSubWindowTitleBar"));
    if (width() < needed)
        setFixedWidth(needed);
}

}  // namespace ui
