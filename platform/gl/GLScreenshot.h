#pragma once

// Reading back what was drawn, for tests and bug reports.

#include <cstdint>
#include <string>
#include <vector>

namespace plat
{

// A frame read from the current GL context's back buffer (or front, after a
// swap): width x height pixels, rows bottom-up as OpenGL and TGA files keep
// them, each pixel blue, green, red, alpha.
struct GLFrame
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgra;

    // Pixel (x, y), y counted from the bottom row; {0,0,0,0} outside.
    struct Pixel
    {
        uint8_t b, g, r, a;
    };
    Pixel At(int x, int y) const;
    // Pixels whose colour differs from the given one by more than tolerance
    // in any of red, green and blue, within the rectangle [x0, x1) x [y0, y1).
    int CountDifferent(int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b,
                       int tolerance = 8) const;
};

// Reads the current viewport of the read buffer (GL_BACK unless changed).
// Needs a current GL context. An empty frame when the viewport is empty.
GLFrame ReadFrame();

// Writes an uncompressed 32-bit TGA (type 2, bottom-up rows) of the frame;
// false when the file cannot be written.
bool WriteFrameTGA(const GLFrame& frame, const std::string& path);

} // namespace plat
