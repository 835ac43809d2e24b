#include <QPixmap>

#include "res/icons.h"

namespace res {

QImage DrawIconResource(int id, int size) {
    switch (id) {
        case IDR_MAINFRAME:
            return DrawAppIcon(size);
        case IDI_RESULT_FAIL:
            return DrawLamp(QColor(0xe0, 0x10, 0x10), size);
        case IDI_RESULT_OK:
            return DrawLamp(QColor(0x10, 0xc0, 0x20), size);
        default:
            return {};
    }
}

QIcon LoadIconResource(int id) {
    QIcon icon;
    if (id == IDR_MAINFRAME) {
        for (int size : kAppIconSizes)
            icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    } else if (const QImage art = DrawIconResource(id, kLampSize); !art.isNull()) {
        icon.addPixmap(QPixmap::fromImage(art));
    }
    return icon;
}

}  // namespace res
