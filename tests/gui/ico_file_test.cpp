// The Windows program's .ico files, read back by Qt's own icon reader: every image there, at
// its size, with the art's colours (exact at 24 bits, from the fixed palette at 4 and 8) and
// transparent exactly where the art is less than half opaque (the mask is written alike for
// every depth; Qt applies it to the palette images).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <vector>

#include "res/ico_file.h"
#include "res/icons.h"

namespace {

std::vector<QImage> ReadIco(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    std::vector<QImage> images;
    for (int i = 0; i < reader.imageCount(); ++i) {
        if (!reader.jumpToImage(i))
            break;
        images.push_back(reader.read().convertToFormat(QImage::Format_ARGB32));
    }
    return images;
}

// Each pixel against the art: transparent where the art is (`masked`: Qt's reader applies the
// transparency mask to palette images only), else `colourOk` of the two.
template <typename ColourOk>
void ExpectArt(const QImage& got, const QImage& art, bool masked, ColourOk colourOk) {
    const QImage want = art.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(got.size(), want.size());
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            const QRgb w = want.pixel(x, y);
            const QRgb g = got.pixel(x, y);
            if (masked) {
                ASSERT_EQ(qAlpha(g) == 0, qAlpha(w) < 128) << x << "," << y;
            }
            if (qAlpha(w) >= 128) {
                ASSERT_TRUE(colourOk(g, w)) << x << "," << y << std::hex << " got " << g;
            }
        }
    }
}

TEST(IcoFile, ApplicationIconHoldsNineImagesOfTheArt) {
    std::vector<res::IcoImage> images;
    for (int size : {48, 32, 16}) {
        for (int bits : {4, 8, 24})
            images.push_back({res::DrawAppIcon(size), bits});
    }
    const std::vector<QImage> read = ReadIco(res::IcoFile(images));
    ASSERT_EQ(read.size(), images.size());
    const QList<QRgb> vga = res::Palette16();
    const QList<QRgb> palette256 = res::Palette256();
    for (std::size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const res::IcoImage& image = images[i];
        if (image.bitCount == 24) {
            ExpectArt(read[i], image.art, false,
                      [](QRgb g, QRgb w) { return (g & 0xFFFFFF) == (w & 0xFFFFFF); });
        } else {
            const QList<QRgb>& palette = image.bitCount == 4 ? vga : palette256;
            ExpectArt(read[i], image.art, true,
                      [&](QRgb g, QRgb) { return palette.contains(g | 0xFF000000u); });
        }
    }
}

TEST(IcoFile, LampsAreRedAndGreenDiscsOnTheVgaPalette) {
    for (int id : {res::IDI_RESULT_FAIL, res::IDI_RESULT_OK}) {
        const QImage art = res::DrawIconResource(id, res::kLampSize);
        const res::IcoImage image{art, 4};
        const std::vector<QImage> read = ReadIco(res::IcoFile({&image, 1}));
        ASSERT_EQ(read.size(), 1u);
        // The middle is the lamp's colour at its nearest: pure red or green; the corner shows
        // the ground through.
        const QRgb middle = read[0].pixel(16, 16);
        EXPECT_EQ(middle | 0xFF000000u,
                  id == res::IDI_RESULT_OK ? qRgb(0, 255, 0) : qRgb(255, 0, 0));
        EXPECT_EQ(qAlpha(read[0].pixel(0, 0)), 0);
    }
}

TEST(IcoFile, RefusesWhatAnIconCannotHold) {
    const QImage square = res::DrawAppIcon(16);
    const res::IcoImage wide{QImage(32, 16, QImage::Format_ARGB32), 24};
    const res::IcoImage huge{QImage(300, 300, QImage::Format_ARGB32), 24};
    const res::IcoImage alpha{square, 32};
    for (const res::IcoImage& bad : {wide, huge, alpha})
        EXPECT_TRUE(res::IcoFile({&bad, 1}).isEmpty());
}

}  // namespace
