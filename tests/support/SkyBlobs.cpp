#include "tests/support/SkyBlobs.h"

#include <algorithm>
#include <cstdint>

namespace testsupport
{
namespace
{

bool Dark(uint8_t r, uint8_t g, uint8_t b)
{
    return std::max({r, g, b}) <= 110;
}

} // namespace

bool IsSkyColour(uint8_t r, uint8_t g, uint8_t b)
{
    return (b >= 150 && b >= r + 15 && b >= g) || std::min({r, g, b}) >= 200 ||
           (r >= 150 && g <= 90 && b <= 90);
}

std::vector<SkyBlob> FindSkyBlobs(const XwdImage& image, int minPixels, int maxPixels)
{
    const int w = image.Width(), h = image.Height();
    std::vector<int> label(size_t(w) * h, 0);
    std::vector<SkyBlob> blobs;
    std::vector<int> stack, members;
    int next = 0;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0)
        {
            uint8_t r, g, b;
            image.Pixel(x0, y0, r, g, b);
            if (label[size_t(y0) * w + x0] != 0 || !Dark(r, g, b))
                continue;
            ++next;
            // The dark pixels joined to this one (8 neighbours).
            stack.assign(1, y0 * w + x0);
            members.clear();
            label[size_t(y0) * w + x0] = next;
            bool edge = false;
            int left = x0, right = x0, top = y0, bottom = y0;
            while (!stack.empty())
            {
                const int at = stack.back();
                stack.pop_back();
                members.push_back(at);
                const int x = at % w, y = at / w;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                    {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        {
                            edge = true;
                            continue;
                        }
                        int& l = label[size_t(ny) * w + nx];
                        if (l != 0)
                            continue;
                        image.Pixel(nx, ny, r, g, b);
                        if (!Dark(r, g, b))
                            continue;
                        l = next;
                        stack.push_back(ny * w + nx);
                    }
            }
            if (edge || int(members.size()) > maxPixels || int(members.size()) < minPixels)
                continue;
            // Enclosed by sky: every pixel of the ring three pixels round
            // its box is sky, or another dark shape close by (birds of a
            // flock fly close together); a tree on the horizon has ground
            // below it.
            bool enclosed = true;
            for (int y = top - 3; y <= bottom + 3 && enclosed; ++y)
                for (int x = left - 3; x <= right + 3; ++x)
                {
                    if (y > top - 3 && y < bottom + 3 && x > left - 3 && x < right + 3)
                        continue;
                    if (x < 0 || y < 0 || x >= w || y >= h)
                    {
                        enclosed = false;
                        break;
                    }
                    image.Pixel(x, y, r, g, b);
                    if (!IsSkyColour(r, g, b) && !Dark(r, g, b))
                    {
                        enclosed = false;
                        break;
                    }
                }
            if (!enclosed)
                continue;
            SkyBlob blob;
            for (int at : members)
            {
                blob.x += at % w;
                blob.y += at / w;
            }
            blob.pixels = int(members.size());
            blob.x /= blob.pixels;
            blob.y /= blob.pixels;
            blob.width = right - left + 1;
            blob.height = bottom - top + 1;
            blobs.push_back(blob);
        }
    std::sort(blobs.begin(), blobs.end(),
              [](const SkyBlob& a, const SkyBlob& b) { return a.pixels > b.pixels; });
    return blobs;
}

} // namespace testsupport
