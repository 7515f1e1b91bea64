#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport
{

// A screenshot as xwd writes it (X window dump, true colour of 24 or 32 bits
// per pixel), read into RGB triples for tests that look at what a program
// drew on an X server.
class XwdImage
{
public:
    // False when the bytes are not an xwd dump this reader understands.
    bool Parse(const std::string& bytes);
    bool Load(const std::string& path);

    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }
    // Red, green and blue of pixel (x, y), y from the top.
    void Pixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const;
    // Whether any pixel of the rectangle lies within tolerance of (r, g, b)
    // on every channel.
    bool HasColourNear(int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) const;
    // Mean colour of the rectangle.
    void Mean(int x0, int y0, int x1, int y1, double& r, double& g, double& b) const;
    // Writes the image as a binary PPM (to look at a failing run).
    bool SavePpm(const std::string& path) const;

private:
    int m_iWidth = 0;
    int m_iHeight = 0;
    std::vector<uint8_t> m_Rgb;
};

} // namespace testsupport
