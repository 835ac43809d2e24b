// The program's icons, drawn in code so that the art is our own and every size is sharp.
//
// Threading: the Draw functions paint plain images and may run on any thread;
// LoadIconResource builds a QIcon and belongs to the GUI thread.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace res {

// Resource numbers, as the dialog templates and the frame name them.
inline constexpr int IDR_MAINFRAME = 128;    // application icon
inline constexpr int IDI_RESULT_FAIL = 137;  // red lamp
inline constexpr int IDI_RESULT_OK = 138;    // green lamp

// The sizes in which the application icon exists in the program (the hicolor theme gets
// more, drawn by the same code at build time).
inline constexpr int kAppIconSizes[] = {16, 32, 48};
inline constexpr int kLampSize = 32;

// A chip with a download arrow on a blue tile, `size` pixels square.
QImage DrawAppIcon(int size);
// A filled disc with a black outline on a transparent ground.
QImage DrawLamp(QColor fill, int size);

// The icon with resource number `id`; a null icon for an unknown number.
QIcon LoadIconResource(int id);

}  // namespace res
