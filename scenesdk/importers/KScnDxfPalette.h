#pragma once

// KScnDxfPalette: the 256-entry colour table that DXF colour numbers index.
// Stored as data, generated once from python3-ezdxf 0.18's default list
// (ezdxf.colors.DXF_DEFAULT_COLORS), so drawings look as that writer and its
// viewer show them: 1 red, 2 yellow, 3 green, 4 cyan, 5 blue, 6 magenta,
// 7 white, 8 and 9 greys, 10..249 24 hues of 10 shades, 250..255 greys
// (000000, 656565, 666666, 999999, CCCCCC, FFFFFF in that list; other
// published tables differ there). Entry 0 stands for "by block" and has no
// colour of its own.

#include <cstdint>

namespace scenesdk
{

class KScnDxfPalette
{
public:
    static constexpr int kCount = 256;

    // The colour 0x00RRGGBB of number 1..255; false (out unchanged) for any
    // other number.
    static bool GetRGB(int number, uint32_t& out);
};

} // namespace scenesdk
