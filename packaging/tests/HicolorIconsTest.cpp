// The icon sizes installed into the hicolor theme: each is the 32x32 picture scaled without
// smoothing, so it holds only the picture's own colours and whole-number scales repeat each pixel.
#include <QImage>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

QImage Load(const std::string& file) {
    return QImage(QString::fromStdString(file)).convertToFormat(QImage::Format_ARGB32);
}

std::set<QRgb> Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

class HicolorIcon : public testing::TestWithParam<int> {};

TEST_P(HicolorIcon, IsThePictureScaledWithoutSmoothing) {
    const int size = GetParam();
    const QImage source = Load(VNT_ICON_SOURCE);
    ASSERT_EQ(source.size(), QSize(32, 32));
    const QImage icon = Load(std::string(VNT_ICON_DIR) + "/" + std::to_string(size) + "x" +
                             std::to_string(size) + ".png");
    ASSERT_EQ(icon.size(), QSize(size, size));

    const std::set<QRgb> sourceColours = Colours(source);
    for (const QRgb colour : Colours(icon)) {
        EXPECT_TRUE(sourceColours.count(colour))
            << "a colour the picture does not have: " << std::hex << colour;
    }
    if (size % 32 == 0) {
        const int scale = size / 32;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                ASSERT_EQ(icon.pixel(x, y), source.pixel(x / scale, y / scale)) << x << "," << y;
            }
        }
    }
    if (size == 16) {
        // Every other pixel of every other row: no pixel is a blend of its neighbours.
        int kept = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                kept += icon.pixel(x, y) == source.pixel(2 * x, 2 * y) ||
                        icon.pixel(x, y) == source.pixel(2 * x + 1, 2 * y + 1);
            }
        }
        EXPECT_EQ(kept, size * size);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HicolorIcon, testing::Values(16, 24, 32, 48, 64, 128, 256));

} // namespace
