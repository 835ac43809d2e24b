// The program's icons, drawn in code so that the art is our own and every size is sharp.
//
// Threading: the Draw functions paint plain images and may run on any thread;
// LoadIconResource builds a QIcon and belongs to the GUI thread.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

#include "res/icon_ids.h"

namespace res {

// The sizes in which the application icon exists in the program (the hicolor theme gets
// more, drawn by the same code at build time).
inline constexpr int kAppIconSizes[] = {16, 32, 48};
inline constexpr int kLampSize = 32;

// A chip with a download arrow on a blue tile, `size` pixels square.
QImage DrawAppIcon(int size);
// A filled disc with a black outline on a transparent ground.
QImage DrawLamp(QColor fill, int size);
// The art of icon resource `id` at `size` pixels (the lamps in their colours); a null image
// for an unknown number.
QImage DrawIconResource(int id, int size);

// The icon with resource number `id`; a null icon for an unknown number.
QIcon LoadIconResource(int id);

}  // namespace res
