#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "res/icons.h"

namespace res {
namespace {

// The art is laid out on a 48-unit grid and scaled; small sizes drop detail that would only
// blur.
constexpr qreal kGrid = 48.0;

QImage Canvas(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void DrawTile(QPainter& p) {
    QLinearGradient ground(0, 2, 0, 46);
    ground.setColorAt(0, QColor(0x2f, 0x7d, 0xb8));
    ground.setColorAt(1, QColor(0x17, 0x45, 0x6e));
    p.setPen(QPen(QColor(0x0e, 0x2c, 0x47), 1.5));
    p.setBrush(ground);
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);
}

void DrawChip(QPainter& p, int pinsPerSide) {
    const QRectF body(13, 13, 22, 22);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd8, 0xdc, 0xe0));
    const qreal pitch = body.height() / pinsPerSide;
    const qreal pinWidth = pitch * 0.55;
    for (int i = 0; i < pinsPerSide; ++i) {
        const qreal along = body.top() + pitch * (i + 0.5) - pinWidth / 2;
        p.drawRect(QRectF(body.left() - 5, along, 5, pinWidth));
        p.drawRect(QRectF(body.right(), along, 5, pinWidth));
        p.drawRect(QRectF(along, body.top() - 5, pinWidth, 5));
        p.drawRect(QRectF(along, body.bottom(), pinWidth, 5));
    }
    p.setBrush(QColor(0x22, 0x24, 0x28));
    p.setPen(QPen(QColor(0x0a, 0x0a, 0x0a), 1));
    p.drawRoundedRect(body, 2, 2);
}

void DrawArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(21, 15);
    arrow.lineTo(27, 15);
    arrow.lineTo(27, 23);
    arrow.lineTo(32, 23);
    arrow.lineTo(24, 33);
    arrow.lineTo(16, 23);
    arrow.lineTo(21, 23);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1));
    p.setBrush(QColor(0x8b, 0xe0, 0x4e));
    p.drawPath(arrow);
}

}  // namespace

QImage DrawAppIcon(int size) {
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    DrawTile(p);
    DrawChip(p, size < 24 ? 2 : 4);
    DrawArrow(p);
    return image;
}

QImage DrawLamp(QColor fill, int size) {
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal outline = size / 16.0;
    p.setPen(QPen(Qt::black, outline));
    p.setBrush(fill);
    const qreal inset = outline / 2 + size / 32.0;
    p.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    return image;
}

}  // namespace res
