// Icon 128 as data, and the picture installed with the desktop entry drawn from it.
#include "platform/framework/QtIcons.h"
#include "resources/Resources.h"
#include "resources/resource.h"

#include <QImage>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

const std::filesystem::path kSourceDir = VNT_SOURCE_DIR;

const IconTemplate& MainIcon() {
    for (const IconTemplate& icon : VntResources().icons) {
        if (icon.id == IDR_MAINFRAME) {
            return icon;
        }
    }
    throw std::runtime_error("no icon 128");
}

TEST(MainIcon, IsOne32By32ImageIn16ColoursTaggedThai) {
    const IconTemplate& icon = MainIcon();
    EXPECT_EQ(icon.width, 32);
    EXPECT_EQ(icon.height, 32);
    EXPECT_EQ(icon.bitsPerPixel, 4);
    EXPECT_EQ(icon.language, 1054);
    ASSERT_EQ(icon.rows.size(), 32u);
    for (const char* row : icon.rows) {
        const std::string text(row);
        EXPECT_EQ(text.size(), 32u);
        EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF."), std::string::npos) << text;
    }
}

TEST(MainIcon, ShowsABlackOutlinedBlueSheetWithAWhiteGlass) {
    const QImage image = AfxIconImage(MainIcon());
    std::set<QRgb> colours;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    EXPECT_TRUE(colours.count(qRgba(0, 0, 0, 255)));       // outline and text marks
    EXPECT_TRUE(colours.count(qRgba(0, 0, 255, 255)));     // the sheet
    EXPECT_TRUE(colours.count(qRgba(255, 255, 255, 255))); // the glass
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);               // transparent round the sheet
    EXPECT_EQ(qAlpha(image.pixel(31, 0)), 0);              // and at the turned-down corner
}

TEST(MainIcon, TheInstalledPictureIsTheSameImage) {
    const QImage installed((kSourceDir / "src/resources/varnolt.png").string().c_str());
    ASSERT_FALSE(installed.isNull());
    EXPECT_EQ(installed.convertToFormat(QImage::Format_ARGB32),
              AfxIconImage(MainIcon()).convertToFormat(QImage::Format_ARGB32));
}

TEST(DesktopEntry, StartsTheProgramInItsFolderWithItsIcon) {
    std::ifstream in(kSourceDir / "packaging/varnolt.desktop");
    std::stringstream entry;
    entry << in.rdbuf();
    const std::string text = entry.str();
    for (const char* line : {"[Desktop Entry]", "Type=Application", "Name=Varnolt", "Exec=varnolt",
                             "Icon=varnolt", "Terminal=false"}) {
        EXPECT_NE(text.find(std::string(line) + "\n"), std::string::npos) << line;
    }
}

} // namespace
