#include <QPixmap>

#include "res/icons.h"

namespace res {

QIcon LoadIconResource(int id) {
    QIcon icon;
    switch (id) {
        case IDR_MAINFRAME:
            for (int size : kAppIconSizes)
                icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
            break;
        case IDI_RESULT_FAIL:
            icon.addPixmap(QPixmap::fromImage(DrawLamp(QColor(0xe0, 0x10, 0x10), kLampSize)));
            break;
        case IDI_RESULT_OK:
            icon.addPixmap(QPixmap::fromImage(DrawLamp(QColor(0x10, 0xc0, 0x20), kLampSize)));
            break;
        default:
            break;
    }
    return icon;
}

}  // namespace res
