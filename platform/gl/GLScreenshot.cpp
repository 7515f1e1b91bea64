#include "platform/gl/GLScreenshot.h"

#include "platform/gl/GL.h"
#include "platform/sys/PathResolver.h"

#include <cstdio>
#include <cstdlib>

namespace plat
{

GLFrame::Pixel GLFrame::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return Pixel{0, 0, 0, 0};
    const uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
    return Pixel{p[0], p[1], p[2], p[3]};
}

int GLFrame::CountDifferent(int x0, int y0, int x1, int y1, uint8_t r, uint8_t g, uint8_t b,
                            int tolerance) const
{
    int count = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            Pixel p = At(x, y);
            if (std::abs(p.r - r) > tolerance || std::abs(p.g - g) > tolerance ||
                std::abs(p.b - b) > tolerance)
                ++count;
        }
    return count;
}

GLFrame ReadFrame()
{
    GLFrame frame;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return frame;
    frame.width = viewport[2];
    frame.height = viewport[3];
    frame.bgra.resize(static_cast<size_t>(frame.width) * frame.height * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(viewport[0], viewport[1], frame.width, frame.height, GL_BGRA, GL_UNSIGNED_BYTE,
                 frame.bgra.data());
    glPopClientAttrib();
    return frame;
}

bool WriteFrameTGA(const GLFrame& frame, const std::string& path)
{
    if (frame.width <= 0 || frame.height <= 0 || frame.width > 65535 || frame.height > 65535)
        return false;
    FILE* f = std::fopen(ResolvePath(path).c_str(), "wb");
    if (!f)
        return false;
    uint8_t header[18] = {0};
    header[2] = 2;
    header[12] = static_cast<uint8_t>(frame.width & 0xFF);
    header[13] = static_cast<uint8_t>(frame.width >> 8);
    header[14] = static_cast<uint8_t>(frame.height & 0xFF);
    header[15] = static_cast<uint8_t>(frame.height >> 8);
    header[16] = 32;
    header[17] = 8; // 8 alpha bits, bottom-up rows
    bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
              std::fwrite(frame.bgra.data(), 1, frame.bgra.size(), f) == frame.bgra.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace plat
