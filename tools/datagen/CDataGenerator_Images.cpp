// Procedural images: GUI panels and buttons, loading screens, terrain maps,
// sky maps, model textures and the normal map of the bump shader.

#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CDataRandom.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace
{

constexpr double kPi = 3.14159265358979323846;

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

// Smooth value noise over a lattice whose period is a power of two (tiles
// seamlessly on an image whose size is a multiple of the period).
class CValueNoise
{
public:
    CValueNoise(uint64_t seed, int period)
        : m_Period(period), m_Mask(period - 1), m_Values(static_cast<size_t>(period) * period)
    {
        CDataRandom r(seed);
        for (double& v : m_Values)
        {
            v = r.Unit();
        }
    }
    // x, y in lattice units.
    double At(double x, double y) const
    {
        const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
        const double fx = x - x0, fy = y - y0;
        const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const size_t i0 = static_cast<size_t>(x0 & m_Mask), i1 = static_cast<size_t>((x0 + 1) & m_Mask);
        const double* r0 = &m_Values[static_cast<size_t>(y0 & m_Mask) * m_Period];
        const double* r1 = &m_Values[static_cast<size_t>((y0 + 1) & m_Mask) * m_Period];
        const double a = r0[i0] + (r0[i1] - r0[i0]) * sx;
        const double b = r1[i0] + (r1[i1] - r1[i0]) * sx;
        return a + (b - a) * sy;
    }
    // Octaves over an image of size pixels: 0..1.
    double Fractal(double px, double py, int size, int octaves) const
    {
        double sum = 0, amp = 1, norm = 0;
        double freq = static_cast<double>(m_Period) / size;
        for (int o = 0; o < octaves; ++o)
        {
            sum += At(px * freq, py * freq) * amp;
            norm += amp;
            amp *= 0.5;
            freq *= 2;
        }
        return sum / norm;
    }

private:
    int m_Period;
    int m_Mask;
    std::vector<double> m_Values;
};

void FillRect(STgaImage& img, int x0, int y0, int x1, int y1, uint32_t rgb, uint8_t alpha = 255)
{
    for (int y = std::max(0, y0); y < std::min<int>(img.height, y1); ++y)
    {
        for (int x = std::max(0, x0); x < std::min<int>(img.width, x1); ++x)
        {
            img.Set(x, y, rgb, alpha);
        }
    }
}

void Disc(STgaImage& img, double cx, double cy, double r, uint32_t rgb, uint8_t alpha = 255)
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
          uint8_t alpha = 255)
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

// Every pixel from a function of its position (y in file rows).
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

// Text with its top-left corner at (x, y) in rows from the top of a
// top-origin image; scale pixels per glyph cell.
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

// A landscape backdrop: sky, hills, a little town; base colours per mood.
void Backdrop(STgaImage& img, uint32_t skyTop, uint32_t skyLow, uint32_t hills, uint64_t seed)
{
    const CValueNoise noise(seed, 8);
    const int w = img.width, h = img.height;
    std::vector<double> horizon(w);
    for (int x = 0; x < w; ++x)
    {
        horizon[x] = h * 0.62 + (noise.Fractal(x, 0, w, 3) - 0.5) * h * 0.18;
    }
    Paint(img,
          [&](int x, int y)
          {
              if (y < horizon[x])
              {
                  return Mix(skyTop, skyLow, y / horizon[x]);
              }
              const double g = noise.Fractal(x, y, w, 4);
              return Scale(hills, 0.75 + 0.5 * g - 0.25 * (y - horizon[x]) / h);
          });
    // Houses on the horizon.
    CDataRandom r(seed + 1);
    for (int i = 0; i < 7; ++i)
    {
        const double cx = w * (0.18 + 0.1 * i + r.Range(-0.02, 0.02));
        const double base = h * 0.66;
        const double hw = w * r.Range(0.025, 0.04), hh = h * r.Range(0.04, 0.07);
        FillRect(img, static_cast<int>(cx - hw), static_cast<int>(base - hh), static_cast<int>(cx + hw),
                 static_cast<int>(base), Rgb(220, 205, 170));
        Triangle(img, cx - hw * 1.3, base - hh, cx + hw * 1.3, base - hh, cx, base - hh - hw * 1.2,
                 Rgb(160, 60, 40));
        FillRect(img, static_cast<int>(cx - hw * 0.25), static_cast<int>(base - hh * 0.5),
                 static_cast<int>(cx + hw * 0.25), static_cast<int>(base), Rgb(90, 60, 30));
    }
    // Church tower.
    const double tx = w * 0.5;
    FillRect(img, static_cast<int>(tx - w * 0.03), static_cast<int>(h * 0.42),
             static_cast<int>(tx + w * 0.03), static_cast<int>(h * 0.66), Rgb(200, 195, 185));
    Triangle(img, tx - w * 0.04, h * 0.42, tx + w * 0.04, h * 0.42, tx, h * 0.3, Rgb(70, 90, 110));
}

// Birds as dark "v" strokes.
void Birds(STgaImage& img, int count, uint64_t seed, uint32_t rgb)
{
    CDataRandom r(seed);
    for (int i = 0; i < count; ++i)
    {
        const double x = r.Range(0.05, 0.95) * img.width, y = r.Range(0.08, 0.45) * img.height;
        const double s = r.Range(0.012, 0.03) * img.width;
        Line(img, x - s, y - s * 0.5, x, y, s * 0.25, rgb);
        Line(img, x, y, x + s, y - s * 0.5, s * 0.25, rgb);
    }
}

// A framed band of a button texture: rows y0..y1 of a top-origin image.
void ButtonBand(STgaImage& img, int y0, int y1, uint32_t face, uint32_t border)
{
    const int w = img.width;
    for (int y = y0; y < y1; ++y)
    {
        const double t = static_cast<double>(y - y0) / (y1 - y0);
        for (int x = 0; x < w; ++x)
        {
            const bool edge = x < 3 || x >= w - 3 || y < y0 + 3 || y >= y1 - 3;
            img.Set(x, y, edge ? border : Scale(face, 1.15 - 0.3 * t));
        }
    }
}

} // namespace

void CDataGenerator::WriteGuiImages()
{
    {
        STgaImage img = GuiImage(512, 512, 3);
        Backdrop(img, Rgb(70, 140, 220), Rgb(200, 225, 245), Rgb(90, 150, 60), 11);
        Birds(img, 14, 12, Rgb(30, 30, 40));
        CentredText(img, "VOSTREL", 60, 10, Rgb(250, 240, 200));
        SaveImage("mainbg.tga", img, true);
    }
    {
        STgaImage img = GuiImage(512, 512, 3);
        Backdrop(img, Rgb(40, 20, 30), Rgb(150, 60, 40), Rgb(70, 60, 50), 21);
        Birds(img, 40, 22, Rgb(10, 10, 10));
        CentredText(img, "GAME OVER", 120, 8, Rgb(240, 90, 60));
        SaveImage("endbg.tga", img, true);
    }
    {
        STgaImage img = GuiImage(512, 512, 3);
        Backdrop(img, Rgb(240, 170, 60), Rgb(255, 235, 160), Rgb(110, 170, 70), 31);
        for (int i = 0; i < 16; ++i)
        {
            const double a = i * kPi / 8;
            Line(img, 256, 120, 256 + std::cos(a) * 300, 120 + std::sin(a) * 300, 6, Rgb(255, 240, 190));
        }
        Disc(img, 256, 120, 40, Rgb(255, 250, 210));
        CentredText(img, "YOU WON!", 250, 8, Rgb(60, 110, 30));
        SaveImage("wonbg.tga", img, true);
    }
    {
        // Four bands from the top: normal, hover, pressed, disabled.
        STgaImage img = GuiImage(128, 128, 4);
        ButtonBand(img, 0, 32, Rgb(120, 80, 40), Rgb(60, 35, 15));
        ButtonBand(img, 32, 64, Rgb(170, 120, 60), Rgb(240, 200, 80));
        ButtonBand(img, 64, 96, Rgb(90, 60, 30), Rgb(40, 25, 10));
        ButtonBand(img, 96, 128, Rgb(120, 120, 120), Rgb(80, 80, 80));
        SaveImage("buttonTex.tga", img, false);
    }
    {
        // Top quarter: the build bars (parchment); second quarter: the battle
        // bar (stone); third quarter, left quarter: the centre mark.
        STgaImage img = GuiImage(256, 256, 4);
        const CValueNoise noise(41, 16);
        Paint(img,
              [&](int x, int y)
              {
                  const double n = noise.Fractal(x, y, 256, 4);
                  if (y < 64)
                  {
                      return Scale(Rgb(235, 215, 170), 0.85 + 0.25 * n);
                  }
                  return Scale(Rgb(150, 150, 145), 0.7 + 0.5 * n);
              });
        FillRect(img, 0, 0, 256, 3, Rgb(120, 90, 50));
        FillRect(img, 0, 61, 256, 64, Rgb(120, 90, 50));
        FillRect(img, 0, 64, 256, 67, Rgb(70, 70, 70));
        FillRect(img, 0, 125, 256, 128, Rgb(70, 70, 70));
        FillRect(img, 0, 128, 256, 256, 0, 0);
        Line(img, 32, 134, 32, 150, 3, Rgb(255, 40, 30));
        Line(img, 32, 170, 32, 186, 3, Rgb(255, 40, 30));
        Line(img, 4, 160, 22, 160, 3, Rgb(255, 40, 30));
        Line(img, 42, 160, 60, 160, 3, Rgb(255, 40, 30));
        Disc(img, 32, 160, 2, Rgb(255, 40, 30));
        SaveImage("windows.tga", img, false);
    }
    WriteBuildButtons();
    WriteLoadingScreens();
}

void CDataGenerator::WriteBuildButtons()
{
    struct SIcon
    {
        const char* file;
        std::function<void(STgaImage&, int, int)> draw; // band top, band height
    };
    auto house = [](uint32_t wall, uint32_t roof, double width, double height)
    {
        return [=](STgaImage& img, int top, int h)
        {
            const double cx = img.width / 2.0, base = top + h * 0.85;
            const double hw = img.width * width / 2, wh = h * height;
            FillRect(img, static_cast<int>(cx - hw), static_cast<int>(base - wh), static_cast<int>(cx + hw),
                     static_cast<int>(base), wall);
            Triangle(img, cx - hw - 3, base - wh, cx + hw + 3, base - wh, cx, base - wh - h * 0.3, roof);
            FillRect(img, static_cast<int>(cx - 3), static_cast<int>(base - wh * 0.5),
                     static_cast<int>(cx + 3), static_cast<int>(base), Rgb(80, 50, 20));
        };
    };
    const SIcon icons[] = {
        {"button_citizen1.tga", house(Rgb(230, 220, 190), Rgb(170, 60, 40), 0.45, 0.3)},
        {"button_citizen2.tga", house(Rgb(240, 230, 200), Rgb(120, 50, 40), 0.65, 0.45)},
        {"button_market.tga",
         [](STgaImage& img, int top, int h)
         {
             for (int i = 0; i < 6; ++i)
             {
                 FillRect(img, 12 + i * 7, top + h / 4, 19 + i * 7, top + h / 2,
                          i % 2 ? Rgb(240, 240, 230) : Rgb(200, 40, 40));
             }
             FillRect(img, 14, top + h / 2, 17, top + h * 7 / 8, Rgb(90, 60, 30));
             FillRect(img, 47, top + h / 2, 50, top + h * 7 / 8, Rgb(90, 60, 30));
             FillRect(img, 14, top + h * 5 / 8, 50, top + h * 11 / 16, Rgb(140, 100, 50));
         }},
        {"button_church.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 16, top + h / 2, 48, top + h * 7 / 8, Rgb(220, 215, 200));
             FillRect(img, 26, top + h / 4, 38, top + h * 7 / 8, Rgb(230, 225, 210));
             Triangle(img, 24, top + h / 4.0, 40, top + h / 4.0, 32, top + h / 16.0, Rgb(60, 80, 110));
         }},
        {"button_toilet.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 24, top + h / 3, 40, top + h * 7 / 8, Rgb(150, 100, 50));
             Triangle(img, 22, top + h / 3.0, 42, top + h / 3.0, 32, top + h / 8.0, Rgb(110, 70, 30));
             Disc(img, 32, top + h / 2.0, 2.5, Rgb(40, 20, 10));
         }},
        {"button_tower.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 24, top + h / 4, 40, top + h * 7 / 8, Rgb(160, 160, 150));
             for (int i = 0; i < 3; ++i)
             {
                 FillRect(img, 22 + i * 8, top + h / 8, 26 + i * 8, top + h / 4, Rgb(160, 160, 150));
             }
             FillRect(img, 30, top + h / 2, 34, top + h * 5 / 8, Rgb(40, 40, 40));
         }},
    };
    for (const SIcon& icon : icons)
    {
        // 64 x 128: the four button bands of 32 rows, each with the icon.
        STgaImage img = GuiImage(64, 128, 4);
        const uint32_t faces[4] = {Rgb(200, 180, 130), Rgb(240, 220, 150), Rgb(160, 140, 100),
                                   Rgb(130, 130, 130)};
        const uint32_t borders[4] = {Rgb(90, 70, 40), Rgb(250, 210, 60), Rgb(60, 45, 25), Rgb(90, 90, 90)};
        for (int band = 0; band < 4; ++band)
        {
            ButtonBand(img, band * 32, band * 32 + 32, faces[band], borders[band]);
            icon.draw(img, band * 32, 32);
        }
        SaveImage(icon.file, img, false);
    }
}

void CDataGenerator::WriteLoadingScreens()
{
    const uint32_t themes[][3] = {{Rgb(90, 160, 230), Rgb(220, 235, 250), Rgb(100, 160, 60)},
                                  {Rgb(230, 130, 60), Rgb(250, 210, 150), Rgb(120, 140, 60)},
                                  {Rgb(30, 40, 90), Rgb(120, 110, 160), Rgb(50, 80, 50)}};
    for (int level = 1; level <= kLevels; ++level)
    {
        STgaImage img = GuiImage(512, 512, 3);
        const uint32_t* t = themes[(level - 1) % 3];
        Backdrop(img, t[0], t[1], t[2], 100 + level);
        Birds(img, 6 + 8 * level, 200 + level, Rgb(20, 20, 25));
        CentredText(img, "LEVEL " + std::to_string(level), 90, 9, Rgb(255, 245, 210));
        SaveImage("loadingscreens/Level" + std::to_string(level) + ".tga", img, true);
    }
}

void CDataGenerator::WriteTerrainImages()
{
    // Heightmap: kHeightmapSize samples square (a multiple of the 8 segments
    // of settings.ini, plus one) over kTerrainSize units. A flat plateau of
    // sample 80 (height 8.0 at YScale 0.1) within kPlateauRadius units of the
    // town, where "StartPos" points; hills rising towards the rim.
    const int n = kHeightmapSize;
    const double cell = kTerrainSize / (n - 1);
    {
        STgaImage img(n, n, 3);
        const CValueNoise noise(51, 8);
        for (int z = 0; z < n; ++z)
        {
            for (int x = 0; x < n; ++x)
            {
                const double wx = x * cell - kTownX, wz = z * cell - kTownZ;
                const double r = std::sqrt(wx * wx + wz * wz);
                const double t = std::clamp((r - kPlateauRadius) / 90.0, 0.0, 1.0);
                const double blend = t * t * (3 - 2 * t);
                const double hills =
                    noise.Fractal(x * 2.0, z * 2.0, 256, 3) * 150 + std::max(0.0, r - 240) * 0.2;
                const int v = std::min(255, static_cast<int>(std::lround(kPlateauSample + blend * hills)));
                img.Set(x, z, Rgb(v, v, v));
            }
        }
        SaveImage("terrain/heightmap.tga", img, false);
    }
    {
        // Layer 0 covers the whole terrain once: grass with lighter meadows,
        // a trodden square around the town centre.
        STgaImage img(256, 256, 3);
        const CValueNoise noise(52, 16);
        Paint(img,
              [&](int x, int y)
              {
                  const double g = noise.Fractal(x, y, 256, 5);
                  uint32_t c = Mix(Rgb(60, 110, 35), Rgb(130, 160, 60), g);
                  // Layer 0 spans the terrain: pixel column along x, row along z.
                  const double dx = x - kTownX * 256 / kTerrainSize, dy = y - kTownZ * 256 / kTerrainSize;
                  const double r = std::sqrt(dx * dx + dy * dy);
                  if (r < 20)
                  {
                      c = Mix(c, Rgb(150, 125, 90), std::clamp((20 - r) / 6, 0.0, 1.0) * 0.8);
                  }
                  return c;
              });
        SaveImage("terrain/grass.tga", img, false);
    }
    {
        // Layer 1 repeats per cell and modulates layer 0: bright grain.
        STgaImage img(64, 64, 3);
        const CValueNoise noise(53, 16);
        Paint(img,
              [&](int x, int y)
              {
                  const int v = static_cast<int>(190 + 65 * noise.Fractal(x, y, 64, 3));
                  return Rgb(v, v, v);
              });
        SaveImage("terrain/detail.tga", img, false);
    }
    WritePlantMap();
}

void CDataGenerator::WritePlantMap()
{
    {
        // Plant map: one pixel per terrain area of kTerrainSize / 32 units
        // square; blue, green and red count trees of kinds 1 to 3 (a byte b
        // gives trunc(b x 12/255)). No tree area reaches within
        // kTreeFreeRadius of the town (trees stay inside their area); woods
        // towards the rim.
        const int n = kPlantMapSize;
        const double cell = kTerrainSize / n;
        STgaImage img(n, n, 3);
        const CValueNoise noise(54, 8);
        CDataRandom rnd(55);
        for (int y = 0; y < n; ++y)
        {
            for (int x = 0; x < n; ++x)
            {
                // The area's nearest point to the town.
                const double nx = std::clamp(kTownX, x * cell, (x + 1) * cell) - kTownX;
                const double nz = std::clamp(kTownZ, y * cell, (y + 1) * cell) - kTownZ;
                const double r = std::sqrt(nx * nx + nz * nz);
                const double density = noise.Fractal(x * 8.0, y * 8.0, 256, 2);
                int counts[3] = {0, 0, 0};
                if (r > kTreeFreeRadius && density > 0.4)
                {
                    const int total = static_cast<int>((density - 0.4) * 10) + (r > 260 ? 1 : 0);
                    for (int i = 0; i < total; ++i)
                    {
                        ++counts[rnd.Next() % 3];
                    }
                }
                // 22 per tree: trunc(22 x 0.0470588244) = 1.
                img.At(x, y)[0] = static_cast<uint8_t>(std::min(255, counts[0] * 22));
                img.At(x, y)[1] = static_cast<uint8_t>(std::min(255, counts[1] * 22));
                img.At(x, y)[2] = static_cast<uint8_t>(std::min(255, counts[2] * 22));
            }
        }
        SaveImage("terrain/treemap.tga", img, false);
    }
}

void CDataGenerator::WriteEnvironmentImages()
{
    const CValueNoise clouds(61, 8);
    {
        // Sphere map: the sky reflected in a ball, bright horizon ring.
        STgaImage img(256, 256, 3);
        Paint(
            img,
            [&](int x, int y)
            {
                const double dx = (x - 127.5) / 128, dy = (y - 127.5) / 128, r = std::sqrt(dx * dx + dy * dy);
                const uint32_t sky = Mix(Rgb(90, 150, 230), Rgb(235, 240, 250), std::clamp(r, 0.0, 1.0));
                return Mix(sky, Rgb(255, 255, 255), std::max(0.0, clouds.Fractal(x, y, 256, 4) - 0.55) * 1.5);
            });
        SaveImage("environment/sky.tga", img, false);
    }
    {
        // The sky dome's own texture: u around, v from the bottom (0) to the
        // zenith (1); horizon haze, clouds above.
        STgaImage img(256, 128, 3);
        Paint(img,
              [&](int x, int y)
              {
                  const double v = y / 127.0;
                  if (v < 0.5)
                  {
                      return Mix(Rgb(110, 130, 100), Rgb(215, 225, 235), v * 2);
                  }
                  const uint32_t sky = Mix(Rgb(200, 220, 245), Rgb(60, 120, 215), (v - 0.5) * 2);
                  const double c = std::max(0.0, clouds.Fractal(x, y * 2, 256, 4) - 0.5) * 2 * (1 - v);
                  return Mix(sky, Rgb(255, 255, 255), std::min(1.0, c * 2));
              });
        SaveImage("environment/skydome.tga", img, false);
    }
    const char* faces[] = {"posX", "negX", "posY", "negY", "posZ", "negZ"};
    for (int f = 0; f < 6; ++f)
    {
        STgaImage img(128, 128, 3);
        Paint(img,
              [&](int x, int y)
              {
                  if (f == 2)
                  {
                      return Mix(Rgb(70, 120, 210), Rgb(255, 255, 255),
                                 std::max(0.0, clouds.Fractal(x, y, 128, 4) - 0.55) * 1.5);
                  }
                  if (f == 3)
                  {
                      return Rgb(90, 110, 80);
                  }
                  const double v = y / 127.0; // 0 at the top row
                  return Mix(Rgb(70, 120, 210), Rgb(225, 230, 240), v);
              });
        SaveImage(std::string("environment/sky_") + faces[f] + ".tga", img, false);
    }
}

void CDataGenerator::WriteTextures()
{
    struct STexture
    {
        const char* file;
        int size;
        std::function<uint32_t(int, int, const CValueNoise&)> paint;
        uint64_t seed;
    };
    const STexture textures[] = {
        {"textures/plaster.tga", 128,
         [](int x, int y, const CValueNoise& n)
         { return Scale(Rgb(235, 225, 200), 0.85 + 0.2 * n.Fractal(x, y, 128, 4)); },
         71},
        {"textures/timber.tga", 128,
         [](int x, int y, const CValueNoise& n)
         {
             const double grain = std::sin(x * 0.35 + n.Fractal(x, y, 128, 3) * 6) * 0.5 + 0.5;
             return Scale(Rgb(120, 78, 40), 0.75 + 0.35 * grain);
         },
         72},
        {"textures/roof.tga", 128,
         [](int x, int y, const CValueNoise& n)
         {
             const int row = y / 16;
             const int col = (x + (row % 2) * 8) / 16;
             const bool gap = y % 16 < 2 || (x + (row % 2) * 8) % 16 < 1;
             const double shade = 0.8 + 0.2 * n.At(col, row) + 0.15 * (y % 16) / 16.0;
             return gap ? Rgb(70, 30, 20) : Scale(Rgb(175, 70, 45), shade);
         },
         73},
        {"textures/stone.tga", 128,
         [](int x, int y, const CValueNoise& n)
         {
             const int row = y / 32;
             const int xs = x + (row % 2) * 16;
             const bool joint = y % 32 < 3 || xs % 32 < 3;
             return joint ? Rgb(90, 88, 80)
                          : Scale(Rgb(170, 165, 150), 0.75 + 0.35 * n.Fractal(x, y, 128, 4));
         },
         74},
        {"textures/bronze.tga", 64,
         [](int x, int y, const CValueNoise& n)
         { return Mix(Rgb(150, 110, 50), Rgb(80, 140, 110), n.Fractal(x, y, 64, 3) * 0.7); },
         75},
        {"textures/bark.tga", 64,
         [](int x, int y, const CValueNoise& n)
         {
             const double ridge = std::fabs(std::sin(x * 0.4 + n.Fractal(x, y, 64, 2) * 4));
             return Scale(Rgb(95, 70, 45), 0.6 + 0.5 * ridge);
         },
         76},
        {"textures/leaves.tga", 64,
         [](int x, int y, const CValueNoise& n)
         { return Mix(Rgb(40, 100, 30), Rgb(110, 170, 50), n.Fractal(x, y, 64, 4)); },
         77},
        {"textures/pine.tga", 64,
         [](int x, int y, const CValueNoise& n)
         { return Mix(Rgb(20, 60, 30), Rgb(50, 110, 50), n.Fractal(x, y, 64, 4)); },
         78},
        {"textures/birch.tga", 64,
         [](int x, int y, const CValueNoise& n)
         { return n.At(x * 0.1, y * 0.5) > 0.75 ? Rgb(40, 40, 35) : Rgb(230, 230, 220); },
         79},
        {"textures/feathers.tga", 64,
         [](int x, int y, const CValueNoise& n)
         {
             const double stripe = (y % 8) / 8.0;
             return Scale(Rgb(60, 55, 60), 0.7 + 0.3 * stripe + 0.2 * n.Fractal(x, y, 64, 3));
         },
         80},
        {"textures/beak.tga", 16, [](int, int, const CValueNoise&) { return Rgb(240, 160, 30); }, 81},
        {"textures/arrow.tga", 64,
         [](int x, int, const CValueNoise&)
         {
             // u across: shaft wood, then iron tip, then red fletching.
             return x < 40 ? Rgb(170, 130, 80) : x < 52 ? Rgb(110, 110, 120) : Rgb(200, 40, 40);
         },
         82},
        {"textures/dropping.tga", 16,
         [](int x, int y, const CValueNoise& n)
         { return Scale(Rgb(245, 245, 235), 0.85 + 0.15 * n.Fractal(x, y, 16, 2)); },
         83},
        {"textures/planks.tga", 128,
         [](int x, int y, const CValueNoise& n)
         {
             const bool seam = x % 32 < 2;
             const double grain = std::sin(y * 0.25 + n.Fractal(x, y, 128, 3) * 5) * 0.5 + 0.5;
             return seam ? Rgb(60, 40, 20) : Scale(Rgb(160, 115, 65), 0.8 + 0.25 * grain);
         },
         84},
        {"textures/cloth.tga", 64,
         [](int x, int, const CValueNoise&) { return (x / 16) % 2 ? Rgb(245, 240, 225) : Rgb(200, 40, 40); },
         85},
        {"textures/window.tga", 32,
         [](int x, int y, const CValueNoise&)
         {
             const bool frame =
                 x < 3 || x > 28 || y < 3 || y > 28 || (x > 14 && x < 17) || (y > 14 && y < 17);
             return frame ? Rgb(90, 60, 30) : Mix(Rgb(120, 160, 200), Rgb(40, 60, 90), y / 31.0);
         },
         86},
        {"textures/rubble.tga", 64,
         [](int x, int y, const CValueNoise& n)
         {
             const double v = n.Fractal(x, y, 64, 4);
             return v < 0.35 ? Rgb(40, 35, 30) : Scale(Rgb(140, 130, 120), 0.6 + 0.6 * v);
         },
         87},
    };
    for (const STexture& t : textures)
    {
        STgaImage img(static_cast<uint16_t>(t.size), static_cast<uint16_t>(t.size), 3);
        const CValueNoise noise(t.seed, 8);
        Paint(img, [&](int x, int y) { return t.paint(x, y, noise); });
        SaveImage(t.file, img, false);
    }
    WriteNormalMap();
}

void CDataGenerator::WriteNormalMap()
{
    // Normal map of the stone texture for the bump shader: tangent-space
    // normals packed as colour (x, y, z from -1..1 to 0..255), from the
    // joints of textures/stone.tga as grooves.
    STgaImage normal(128, 128, 3);
    const CValueNoise noise(74, 8);
    auto height = [&](int x, int y)
    {
        x = (x + 128) % 128;
        y = (y + 128) % 128;
        const int xs = x + ((y / 32) % 2) * 16;
        const bool joint = y % 32 < 3 || xs % 32 < 3;
        return (joint ? 0.0 : 1.0) + 0.3 * noise.Fractal(x, y, 128, 4);
    };
    for (int y = 0; y < 128; ++y)
    {
        for (int x = 0; x < 128; ++x)
        {
            const double dx = (height(x + 1, y) - height(x - 1, y)) * 1.5;
            const double dy = (height(x, y + 1) - height(x, y - 1)) * 1.5;
            const double len = std::sqrt(dx * dx + dy * dy + 1);
            const double nx = -dx / len, ny = -dy / len, nz = 1 / len;
            normal.Set(x, y,
                       Rgb(static_cast<int>(std::lround((nx * 0.5 + 0.5) * 255)),
                           static_cast<int>(std::lround((ny * 0.5 + 0.5) * 255)),
                           static_cast<int>(std::lround((nz * 0.5 + 0.5) * 255))));
        }
    }
    SaveImage("shader/stoneNormal.tga", normal, false);
}
