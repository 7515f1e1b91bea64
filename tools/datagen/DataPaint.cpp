#include "tools/datagen/DataPaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace datapaint
{
namespace
{

// 5 x 7 block letters for the texts on the screens.
const char* Glyph(char c)
{
    static const struct
    {
        char c;
        const char* rows;
    } kGlyphs[] = {
        {'A', " ### #   ##   #######   ##   ##   #"}, {'D', "#### #   ##   ##   ##   ##   ##### "},
        {'E', "######    #    #### #    #    #####"}, {'G', " ### #   ##    # ####   ##   # ####"},
        {'I', " ###   #    #    #    #    #   ### "}, {'L', "#    #    #    #    #    #    #####"},
        {'M', "#   ### ### # ##   ##   ##   ##   #"}, {'N', "#   ###  ## # ##  ###   ##   ##   #"},
        {'O', " ### #   ##   ##   ##   ##   # ### "}, {'R', "#### #   ##   ##### # #  #  # #   #"},
        {'S', " #####    #     ###     #    ##### "}, {'T', "#####  #    #    #    #    #    #  "},
        {'U', "#   ##   ##   ##   ##   ##   # ### "}, {'V', "#   ##   ##   ##   ##   # # #   #  "},
        {'W', "#   ##   ##   ## # ## # ## # # # # "}, {'Y', "#   ##   # # #   #    #    #    #  "},
        {'0', " ### #   ##  ### # ###  ##   # ### "}, {'1', "  #   ##    #    #    #    #   ### "},
        {'2', " ### #   #    #   #   #   #   #####"}, {'3', "#####   #   #     #     ##   # ### "},
        {'4', "   #   ##  # # #  # #####   #    # "}, {'5', "######    ####     #    ##   # ### "},
        {'6', "  ##  #   #    #### #   ##   # ### "}, {'7', "#####    #   #   #   #    #    #   "},
        {'8', " ### #   ##   # ### #   ##   # ### "}, {'9', " ### #   ##   # ####    #   #  ##  "},
        {'!', "  #    #    #    #    #         #  "}, {'.', "                           #    #  "},
    };
    for (const auto& g : kGlyphs)
    {
        if (g.c == c)
        {
            return g.rows;
        }
    }
    return nullptr;
}

} // namespace

uint32_t Rgb(int r, int g, int b)
{
    auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return (c(r) << 16) | (c(g) << 8) | c(b);
}

uint32_t Mix(uint32_t a, uint32_t b, double t)
{
    auto ch = [&](int shift)
    {
        const double x = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
        return static_cast<int>(std::lround(x));
    };
    return Rgb(ch(16), ch(8), ch(0));
}

uint32_t Scale(uint32_t c, double f)
{
    return Rgb(static_cast<int>(((c >> 16) & 0xFF) * f), static_cast<int>(((c >> 8) & 0xFF) * f),
               static_cast<int>((c & 0xFF) * f));
}

void FillRect(STgaImage& img, int x0, int y0, int x1, int y1, uint32_t rgb, uint8_t alpha)
{
    for (int y = std::max(0, y0); y < std::min<int>(img.height, y1); ++y)
    {
        for (int x = std::max(0, x0); x < std::min<int>(img.width, x1); ++x)
        {
            img.Set(x, y, rgb, alpha);
        }
    }
}

void Disc(STgaImage& img, double cx, double cy, double r, uint32_t rgb, uint8_t alpha)
{
    for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r) + 1; ++y)
    {
        for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r) + 1; ++x)
        {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
            {
                img.Set(x, y, rgb, alpha);
            }
        }
    }
}

void Line(STgaImage& img, double x0, double y0, double x1, double y1, double width, uint32_t rgb,
          uint8_t alpha)
{
    const double len = std::hypot(x1 - x0, y1 - y0);
    const int steps = std::max(1, static_cast<int>(len * 2));
    for (int i = 0; i <= steps; ++i)
    {
        const double t = static_cast<double>(i) / steps;
        Disc(img, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, rgb, alpha);
    }
}

void Triangle(STgaImage& img, double ax, double ay, double bx, double by, double cx, double cy, uint32_t rgb)
{
    auto edge = [](double x0, double y0, double x1, double y1, double x, double y)
    { return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0); };
    const int minx = static_cast<int>(std::min({ax, bx, cx})),
              maxx = static_cast<int>(std::max({ax, bx, cx})) + 1;
    const int miny = static_cast<int>(std::min({ay, by, cy})),
              maxy = static_cast<int>(std::max({ay, by, cy})) + 1;
    for (int y = miny; y <= maxy; ++y)
    {
        for (int x = minx; x <= maxx; ++x)
        {
            const double px = x + 0.5, py = y + 0.5;
            const double e0 = edge(ax, ay, bx, by, px, py), e1 = edge(bx, by, cx, cy, px, py),
                         e2 = edge(cx, cy, ax, ay, px, py);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0))
            {
                img.Set(x, y, rgb);
            }
        }
    }
}

void Paint(STgaImage& img, const std::function<uint32_t(int, int)>& f)
{
    for (int y = 0; y < img.height; ++y)
    {
        for (int x = 0; x < img.width; ++x)
        {
            uint8_t* p = img.At(x, y);
            const uint8_t alpha = img.bytesPerPixel == 4 ? p[3] : 255;
            img.Set(x, y, f(x, y), alpha);
        }
    }
}

void Text(STgaImage& img, const std::string& text, int x, int y, int scale, uint32_t rgb)
{
    for (char c : text)
    {
        const char* rows = Glyph(c);
        for (int r = 0; rows && r < 7; ++r)
        {
            for (int col = 0; col < 5; ++col)
            {
                if (static_cast<int>(std::strlen(rows)) > r * 5 + col && rows[r * 5 + col] == '#')
                {
                    FillRect(img, x + col * scale, y + r * scale, x + (col + 1) * scale, y + (r + 1) * scale,
                             rgb);
                }
            }
        }
        x += 6 * scale;
    }
}

void CentredText(STgaImage& img, const std::string& text, int y, int scale, uint32_t rgb)
{
    const int width = static_cast<int>(text.size()) * 6 * scale - scale;
    Text(img, text, (img.width - width) / 2 + scale / 2, y + scale / 2, scale, Scale(rgb, 0.3));
    Text(img, text, (img.width - width) / 2, y, scale, rgb);
}

STgaImage GuiImage(uint16_t w, uint16_t h, uint8_t bpp)
{
    STgaImage img(w, h, bpp);
    img.topOrigin = true;
    return img;
}

} // namespace datapaint
