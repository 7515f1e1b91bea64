#include "tests/support/XwdImage.h"

#include "tests/support/TempDir.h"

#include <cstdio>
#include <cstdlib>

namespace testsupport
{
namespace
{

uint32_t BigEndian32(const std::string& bytes, size_t offset)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

int Shift(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1u))
    {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

bool XwdImage::Parse(const std::string& bytes)
{
    if (bytes.size() < 100)
        return false;
    const uint32_t headerSize = BigEndian32(bytes, 0);
    const uint32_t format = BigEndian32(bytes, 8);
    const uint32_t width = BigEndian32(bytes, 16);
    const uint32_t height = BigEndian32(bytes, 20);
    const uint32_t byteOrder = BigEndian32(bytes, 28);
    const uint32_t bitsPerPixel = BigEndian32(bytes, 44);
    const uint32_t bytesPerLine = BigEndian32(bytes, 48);
    const uint32_t redMask = BigEndian32(bytes, 56);
    const uint32_t greenMask = BigEndian32(bytes, 60);
    const uint32_t blueMask = BigEndian32(bytes, 64);
    const uint32_t colours = BigEndian32(bytes, 76);
    // ZPixmap of 24 or 32 bits only.
    if (format != 2 || (bitsPerPixel != 24 && bitsPerPixel != 32) || width == 0 || height == 0 ||
        width > 16384 || height > 16384)
        return false;
    const size_t data = size_t(headerSize) + size_t(colours) * 12;
    if (bytesPerLine < width * (bitsPerPixel / 8) || data + size_t(bytesPerLine) * height > bytes.size())
        return false;
    m_iWidth = int(width);
    m_iHeight = int(height);
    m_Rgb.assign(size_t(width) * height * 3, 0);
    const int step = int(bitsPerPixel / 8);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + data + size_t(y) * bytesPerLine +
                                                                   size_t(x) * step);
            uint32_t v = 0;
            for (int i = 0; i < step; ++i)
                v |= byteOrder == 0 ? uint32_t(p[i]) << (8 * i) : uint32_t(p[i]) << (8 * (step - 1 - i));
            uint8_t* out = &m_Rgb[(size_t(y) * width + x) * 3];
            out[0] = uint8_t((v & redMask) >> Shift(redMask));
            out[1] = uint8_t((v & greenMask) >> Shift(greenMask));
            out[2] = uint8_t((v & blueMask) >> Shift(blueMask));
        }
    return true;
}

bool XwdImage::Load(const std::string& path)
{
    return Parse(TempDir::ReadFile(path));
}

void XwdImage::Pixel(int x, int y, uint8_t& r, uint8_t& g, uint8_t& b) const
{
    const uint8_t* p = &m_Rgb[(size_t(y) * m_iWidth + x) * 3];
    r = p[0];
    g = p[1];
    b = p[2];
}

bool XwdImage::HasColourNear(int x0, int y0, int x1, int y1, int r, int g, int b, int tolerance) const
{
    for (int y = y0; y < y1 && y < m_iHeight; ++y)
        for (int x = x0; x < x1 && x < m_iWidth; ++x)
        {
            uint8_t pr, pg, pb;
            Pixel(x, y, pr, pg, pb);
            if (std::abs(pr - r) <= tolerance && std::abs(pg - g) <= tolerance && std::abs(pb - b) <= tolerance)
                return true;
        }
    return false;
}

void XwdImage::Mean(int x0, int y0, int x1, int y1, double& r, double& g, double& b) const
{
    double sr = 0, sg = 0, sb = 0;
    long n = 0;
    for (int y = y0; y < y1 && y < m_iHeight; ++y)
        for (int x = x0; x < x1 && x < m_iWidth; ++x)
        {
            uint8_t pr, pg, pb;
            Pixel(x, y, pr, pg, pb);
            sr += pr;
            sg += pg;
            sb += pb;
            ++n;
        }
    r = n ? sr / n : 0;
    g = n ? sg / n : 0;
    b = n ? sb / n : 0;
}

bool XwdImage::SavePpm(const std::string& path) const
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fprintf(f, "P6\n%d %d\n255\n", m_iWidth, m_iHeight);
    const bool ok = std::fwrite(m_Rgb.data(), 1, m_Rgb.size(), f) == m_Rgb.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace testsupport
