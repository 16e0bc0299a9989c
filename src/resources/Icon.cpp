// Icon 128: a blue sheet of paper, outlined in black, with its top-right corner turned down,
// rows of small black marks for text and a white magnifying glass over its middle, its handle
// pointing down. One 32 x 32 image in 16 colours; '.' is transparent.
#include "resources/Resources.h"
#include "resources/resource.h"

namespace {

constexpr const char* kMainIconRows[32] = {
    "................................", "...0000000000000000.............",
    "...0CCCCCCCCCCCCCC00............", "...0CCCCCCCCCCCCCC0E0...........",
    "...0CC000CC0000CCC0EE0..........", "...0CCCCCCCCCCCCCC0EEE0.........",
    "...0CCCCCCCCCCCCCC0EEEE0........", "...0CC00CC000000CC0EEEEE0.......",
    "...0CCCCC00FFFFF0000000000......", "...0CCCC0FFFFFFFFF0CCCCCC0......",
    "...0CC00FFF00000FFF0C00CC0......", "...0CCC0FF00CCC00FF0CCCCC0......",
    "...0CC0FF00CCCCC00FF0CCCC0......", "...0CC0FF00CC00CC0FF0C0CC0......",
    "...0CC0FF0CCCCCCC0FF0CCCC0......", "...0CC0FF0CCCCCCC0FF0CCCC0......",
    "...0CC0FF000000C00FF000CC0......", "...0CCC0FF00CCC00FF0CCCCC0......",
    "...0CCC0FFF00000FFF0CCCCC0......", "...0CC000FFFFFFFFF0CC00CC0......",
    "...0CCCCC00FFFFF00CCCCCCC0......", "...0CCCCCCC0000FFF0CCCCCC0......",
    "...0CC00000CC00FFF00CC0CC0......", "...0CCCCCCCCCCC0FFF0CCCCC0......",
    "...0CCCCCCCCCCC0FFF0CCCCC0......", "...0CC000CC0000C0FFF000CC0......",
    "...0CCCCCCCCCCCC0FFF0CCCC0......", "...0CCCCCCCCCCCCC0FFF0CCC0......",
    "...0CC000CC00CC000FFF00CC0......", "...0CCCCCCCCCCCCCC0FFF0CC0......",
    "...0000000000000000FFF0000......", "...................00000........",
};

// The standard 16-colour palette, index 0 to 15.
constexpr IconTemplate kIcons[] = {
    {IDR_MAINFRAME,
     kLangThai,
     32,
     32,
     4,
     {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
      0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF},
     kMainIconRows},
};

} // namespace

std::span<const IconTemplate> VntIcons() {
    return kIcons;
}
