#pragma once

// Truevision TGA files of the two kinds the game's texture loader reads:
// uncompressed (image type 2) and run-length encoded (type 10) true colour,
// 24 or 32 bits per pixel, with no image ID and no colour map.

#include <cstdint>
#include <string>
#include <vector>

// An image in the file's own pixel order: rows as they go into the file (the
// first row becomes texture coordinate t = 0), each pixel blue,
// green, red and, with 4 bytes per pixel, alpha.
struct STgaImage
{
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t bytesPerPixel = 3; // 3 or 4
    // Marks the first row as the top one in the image descriptor (for image
    // viewers; the game's loader ignores the descriptor and uses the rows in
    // file order either way).
    bool topOrigin = false;
    std::vector<uint8_t> pixels;

    STgaImage() = default;
    // Opaque black.
    STgaImage(uint16_t w, uint16_t h, uint8_t bpp);

    uint8_t* At(int x, int y) { return &pixels[(static_cast<size_t>(y) * width + x) * bytesPerPixel]; }
    const uint8_t* At(int x, int y) const
    {
        return &pixels[(static_cast<size_t>(y) * width + x) * bytesPerPixel];
    }
    // Sets one pixel from 0xRRGGBB plus alpha; coordinates outside are ignored.
    void Set(int x, int y, uint32_t rgb, uint8_t alpha = 255);
};

class CTgaWriter
{
public:
    // The whole file in memory; rle selects type 10. Empty on a bad image
    // (zero size, depth other than 3 or 4 bytes, pixel count mismatch).
    static std::vector<uint8_t> Encode(const STgaImage& image, bool rle);
    static bool Save(const std::string& path, const STgaImage& image, bool rle);
};
