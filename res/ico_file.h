// Windows icon files (.ico) of the drawn art, so that the Windows program shows the icons that
// the Linux one draws. Each image is stored as Windows of every age reads it: a bitmap of 4, 8
// or 24 bits per pixel (the first two on a fixed palette, nearest colour, no dithering) and a
// 1-bit transparency mask, where a pixel at least half opaque counts as opaque.
//
// Threading: plain functions on images; any thread.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <span>

namespace res {

struct IcoImage {
    QImage art;    // square, at most 256 pixels
    int bitCount;  // 4, 8 or 24
};

// The .ico file holding `images` in their order; empty when one cannot be stored.
QByteArray IcoFile(std::span<const IcoImage> images);

// The fixed palettes: the 16 colours of the standard VGA palette, and 256 colours (those 16,
// a 6 x 6 x 6 colour cube and a ramp of greys).
QList<QRgb> Palette16();
QList<QRgb> Palette256();

}  // namespace res
