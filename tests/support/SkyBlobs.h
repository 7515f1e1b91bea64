#pragma once

#include "tests/support/XwdImage.h"

#include <cstdint>
#include <vector>

namespace testsupport
{

// A dark shape seen against the sky in a screenshot: a bird, as an archer
// looking up would find it.
struct SkyBlob
{
    double x = 0, y = 0; // centre, pixels from the top left
    int pixels = 0;
    int width = 0, height = 0;
};

// The dark shapes (no channel above 110) that the sky (blue, or the white of
// clouds) encloses on all sides: shapes joined to the ground, to a building
// or to the edge of the picture are not birds and are left out, and so are
// specks below `minPixels` (arrows seen from behind). Largest first.
// Whether a colour is the sky's: blue from the horizon's pale blue to the
// deep blue above, the white of clouds, or the red of the crosshair drawn
// over it.
bool IsSkyColour(uint8_t r, uint8_t g, uint8_t b);

std::vector<SkyBlob> FindSkyBlobs(const XwdImage& image, int minPixels = 6, int maxPixels = 5000);

} // namespace testsupport
