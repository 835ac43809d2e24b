#include "res/ico_file.h"

#include <QtEndian>
#include <cstdint>

namespace res {
namespace {

constexpr int kIconDirBytes = 6;
constexpr int kIconDirEntryBytes = 16;
constexpr int kBitmapInfoHeaderBytes = 40;

void Put16(QByteArray& out, int v) {
    const auto le = qToLittleEndian(static_cast<std::uint16_t>(v));
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void Put32(QByteArray& out, qint64 v) {
    const auto le = qToLittleEndian(static_cast<std::uint32_t>(v));
    out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

// Rows of a bitmap are padded to whole 32-bit words.
int RowBytes(int width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

bool Opaque(QRgb pixel) {
    return qAlpha(pixel) >= 128;
}

// The colour bitmap, bottom row first: each pixel's colour on the palette or as BGR, black
// where the mask makes it transparent (so that the screen shows through unchanged).
QByteArray ColourBits(const QImage& argb, int bitCount, const QList<QRgb>& palette) {
    const int size = argb.width();
    QImage opaque(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb p = argb.pixel(x, y);
            opaque.setPixel(x, y, Opaque(p) ? (p | 0xFF000000u) : qRgb(0, 0, 0));
        }
    }
    const QImage indexed = bitCount == 24 ? QImage()
                                          : opaque.convertToFormat(QImage::Format_Indexed8, palette,
                                                                   Qt::ThresholdDither);
    QByteArray bits;
    const int rowBytes = RowBytes(size, bitCount);
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < size; ++x) {
            if (bitCount == 24) {
                const QRgb p = opaque.pixel(x, y);
                row[3 * x] = static_cast<char>(qBlue(p));
                row[3 * x + 1] = static_cast<char>(qGreen(p));
                row[3 * x + 2] = static_cast<char>(qRed(p));
            } else if (bitCount == 8) {
                row[x] = static_cast<char>(indexed.pixelIndex(x, y));
            } else {
                const int index = indexed.pixelIndex(x, y);
                row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 ? index : index << 4));
            }
        }
        bits += row;
    }
    return bits;
}

// The transparency mask, bottom row first: 1 where the screen shows through.
QByteArray MaskBits(const QImage& argb) {
    const int size = argb.width();
    QByteArray bits;
    const int rowBytes = RowBytes(size, 1);
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < size; ++x) {
            if (!Opaque(argb.pixel(x, y)))
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        bits += row;
    }
    return bits;
}

// One image as the file stores it: BITMAPINFOHEADER (twice the height: colour and mask),
// palette, colour bits, mask bits.
QByteArray ImageData(const IcoImage& image) {
    const QImage argb = image.art.convertToFormat(QImage::Format_ARGB32);
    const int size = argb.width();
    const QList<QRgb> palette = image.bitCount == 4   ? Palette16()
                                : image.bitCount == 8 ? Palette256()
                                                      : QList<QRgb>();
    const QByteArray colour = ColourBits(argb, image.bitCount, palette);
    const QByteArray mask = MaskBits(argb);

    QByteArray out;
    Put32(out, kBitmapInfoHeaderBytes);
    Put32(out, size);
    Put32(out, 2 * size);
    Put16(out, 1);  // planes
    Put16(out, image.bitCount);
    Put32(out, 0);  // BI_RGB
    Put32(out, colour.size() + mask.size());
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, palette.size());
    Put32(out, 0);
    for (QRgb c : palette) {
        out.append(static_cast<char>(qBlue(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qRed(c)));
        out.append('\0');
    }
    return out + colour + mask;
}

}  // namespace

QList<QRgb> Palette16() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

QList<QRgb> Palette256() {
    QList<QRgb> palette = Palette16();
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b)
                palette.append(qRgb(r * 51, g * 51, b * 51));
        }
    }
    // The greys between the cube's steps.
    for (int i = 1; palette.size() < 256; ++i)
        palette.append(qRgb(i * 10, i * 10, i * 10));
    return palette;
}

QByteArray IcoFile(std::span<const IcoImage> images) {
    QByteArray directory;
    Put16(directory, 0);
    Put16(directory, 1);  // an icon, not a cursor
    Put16(directory, static_cast<int>(images.size()));

    QByteArray data;
    const qint64 firstOffset =
        kIconDirBytes + kIconDirEntryBytes * static_cast<qint64>(images.size());
    for (const IcoImage& image : images) {
        const int size = image.art.width();
        if (image.art.height() != size || size < 1 || size > 256 ||
            (image.bitCount != 4 && image.bitCount != 8 && image.bitCount != 24))
            return {};
        const QByteArray bytes = ImageData(image);
        directory.append(static_cast<char>(size == 256 ? 0 : size));
        directory.append(static_cast<char>(size == 256 ? 0 : size));
        directory.append(static_cast<char>(image.bitCount == 4 ? 16 : 0));
        directory.append('\0');
        Put16(directory, 1);
        Put16(directory, image.bitCount);
        Put32(directory, bytes.size());
        Put32(directory, firstOffset + data.size());
        data += bytes;
    }
    return directory + data;
}

}  // namespace res
