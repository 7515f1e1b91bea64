// GUI images: menu and end-of-game backgrounds, the button texture, the bars
// of the build and battle screens with the centre mark, the building
// buttons and the loading screens.
//
// The game draws its texts in fixed colours: red (255, 0, 0) on the bars,
// the panels and the loading screens' button, light grey (208, 208, 208)
// on buttons, green on the end screen's button, black for the final score
// and white for the statistics. Red reads at 4.5:1 (relative luminance
// contrast) only on near-black ground (luminance below 0.008), so every
// surface a red text can lie on is a near-black wood or slate, lit only at
// its rims outside the text boxes; pictures under grey labels stay below
// luminance 0.1; the score lies on a light plaque.

#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CDataRandom.h"
#include "tools/datagen/CValueNoise.h"
#include "tools/datagen/DataPaint.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

using namespace datapaint;

namespace
{

// Near-black faces (luminance about 0.0066 at most) and the rims round
// them.
const uint32_t kWood = Rgb(34, 14, 4);
const uint32_t kSlate = Rgb(16, 18, 22);
const uint32_t kBronze = Rgb(150, 105, 45);
const uint32_t kShadow = Rgb(6, 3, 1);

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
              // Darker towards the bottom edge, where the GUI's white
              // statistics texts lie.
              const double shade = 1 - 0.55 * std::clamp((y - h * 0.84) / (h * 0.09), 0.0, 1.0);
              return Scale(hills, (0.75 + 0.5 * g - 0.25 * (y - horizon[x]) / h) * shade);
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

// The look of one button state: a face shaded from its colour at the top
// to 70 % at the bottom, a 2-pixel rim of a colour per side and a dark
// outline round it all. (The outline also keeps the filter from carrying
// the left rim's light to the right edge, where the texture repeats.)
struct SFrame
{
    uint32_t face, top, left, bottom, right;
};

// The four button states, from the top of a button texture: normal, hover,
// pressed, disabled. Labels start 10 units in from the left and centre on
// the middle row, so the rims stay clear of them; the right rims of the
// normal state and of narrow buttons stay dark, since long texts run over
// them (the time-up panel is the normal state stretched).
const SFrame kFrames[4] = {
    {kWood, kBronze, kBronze, kShadow, kShadow},
    {Rgb(36, 11, 2), Rgb(240, 190, 60), Rgb(240, 190, 60), Rgb(240, 190, 60), Rgb(240, 190, 60)},
    {Rgb(22, 9, 3), Rgb(4, 2, 1), Rgb(4, 2, 1), Rgb(120, 85, 40), Rgb(120, 85, 40)},
    {Rgb(17, 17, 17), Rgb(85, 85, 85), Rgb(85, 85, 85), Rgb(8, 8, 8), Rgb(8, 8, 8)}};

// A framed band of a button texture: rows y0..y1 of a top-origin image.
void ButtonBand(STgaImage& img, int y0, int y1, const SFrame& frame, bool darkRight)
{
    const int w = img.width;
    for (int y = y0; y < y1; ++y)
    {
        const double t = static_cast<double>(y - y0) / (y1 - y0 - 1);
        for (int x = 0; x < w; ++x)
        {
            uint32_t c = Scale(frame.face, 1.0 - 0.3 * t);
            if (x == 0 || x == w - 1 || y == y0 || y == y1 - 1)
                c = kShadow;
            else if (x >= w - 3)
                c = darkRight ? kShadow : frame.right;
            else if (y >= y1 - 3)
                c = frame.bottom;
            else if (y < y0 + 3)
                c = frame.top;
            else if (x < 3)
                c = frame.left;
            img.Set(x, y, c);
        }
    }
}

// The full-screen pictures (menu, loading and end screens) have the shipped
// window's shape, 4:3, so that they fill it without black bars.
const uint16_t kPictureWidth = 512;
const uint16_t kPictureHeight = 384;

// A row of a full-screen picture, given as a fraction of its height.
int PictureRow(double fraction)
{
    return static_cast<int>(std::lround(fraction * kPictureHeight));
}

// The light plaque the final score is written on: a parchment banner across
// the middle of the screen (virtual x 260-740, y 475-553 of the 1000 x 1000
// screen; the score text starts at (440, 500)), its rolled ends shaded.
void ScorePlaque(STgaImage& img)
{
    const CValueNoise noise(91, 8);
    const int x0 = img.width * 260 / 1000, x1 = img.width * 740 / 1000, y0 = img.height * 475 / 1000,
              y1 = img.height * 553 / 1000;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            const bool rim = x < x0 + 2 || x >= x1 - 2 || y < y0 + 2 || y >= y1 - 2;
            const int fromEnd = std::min(x - x0, x1 - 1 - x);
            const double roll = fromEnd < 12 ? 0.8 + 0.2 * std::sin(fromEnd * kPi / 12) : 1.0;
            img.Set(x, y,
                    rim ? Rgb(110, 80, 40)
                        : Scale(Rgb(236, 220, 178), roll * (0.92 + 0.08 * noise.At(x * 0.2, y * 0.2))));
        }
}

// The bars of the build screen (top quarter: dark wood with bronze trims)
// and of the battle screen (second quarter: dark slate with steel trims),
// and the centre mark (left quarter of the third quarter): a white cross
// with a crimson outline on a transparent ground, so that it shows against
// the sky (outline) as well as the ground and roofs (white). The crimson is
// bright enough that no blend of it with the sky is as dark as a bird
// (every channel at most 110): birds stay the only dark shapes in the sky.
STgaImage BarsAndCentreMark()
{
    STgaImage img = GuiImage(256, 256, 4);
    const CValueNoise noise(41, 16);
    Paint(img,
          [&](int x, int y)
          {
              const double n = noise.Fractal(x, y, 256, 4);
              if (y < 64)
                  return Scale(kWood, 0.7 + 0.3 * (0.5 + 0.5 * std::sin(y * 0.9 + n * 7)));
              return Scale(kSlate, 0.75 + 0.25 * n);
          });
    FillRect(img, 0, 0, 256, 2, kBronze);
    FillRect(img, 0, 2, 256, 3, Rgb(90, 62, 26));
    FillRect(img, 0, 61, 256, 62, Rgb(90, 62, 26));
    FillRect(img, 0, 62, 256, 64, kBronze);
    FillRect(img, 0, 64, 256, 66, Rgb(120, 122, 128));
    FillRect(img, 0, 66, 256, 67, Rgb(60, 62, 66));
    FillRect(img, 0, 125, 256, 128, Rgb(58, 60, 64));
    const uint32_t outline = Rgb(150, 0, 40), core = Rgb(255, 255, 255);
    // Transparent texels keep the outline's colour, so that filtering at
    // the mark's edges fades it out instead of darkening it.
    FillRect(img, 0, 128, 256, 256, outline, 0);
    // The mark is drawn 60 x 45 units from these 64 x 64 texels, so the
    // horizontal arms are drawn thicker to look as thick as the vertical.
    for (int pass = 0; pass < 2; ++pass)
    {
        const double rim = pass == 0 ? 2 : 0;
        const uint32_t c = pass == 0 ? outline : core;
        Line(img, 32, 134, 32, 150, 3 + 2 * rim, c);
        Line(img, 32, 170, 32, 186, 3 + 2 * rim, c);
        Line(img, 6, 160, 21, 160, 5 + 2 * rim, c);
        Line(img, 43, 160, 58, 160, 5 + 2 * rim, c);
        Disc(img, 32, 160, 2.5 + rim, c);
    }
    return img;
}

} // namespace

void CDataGenerator::WriteGuiImages()
{
    {
        STgaImage img = GuiImage(kPictureWidth, kPictureHeight, 3);
        Backdrop(img, Rgb(70, 140, 220), Rgb(200, 225, 245), Rgb(90, 150, 60), 11);
        Birds(img, 14, 12, Rgb(30, 30, 40));
        CentredText(img, "VOSTREL", PictureRow(0.117), 10, Rgb(250, 240, 200));
        SaveImage("mainbg.tga", img, true);
    }
    {
        STgaImage img = GuiImage(kPictureWidth, kPictureHeight, 3);
        Backdrop(img, Rgb(40, 20, 30), Rgb(150, 60, 40), Rgb(70, 60, 50), 21);
        Birds(img, 40, 22, Rgb(10, 10, 10));
        CentredText(img, "GAME OVER", PictureRow(0.234), 8, Rgb(240, 90, 60));
        ScorePlaque(img);
        SaveImage("endbg.tga", img, true);
    }
    {
        STgaImage img = GuiImage(kPictureWidth, kPictureHeight, 3);
        Backdrop(img, Rgb(240, 170, 60), Rgb(255, 235, 160), Rgb(110, 170, 70), 31);
        // The rays end above the darkened bottom, where the white
        // statistics texts lie.
        const double sunX = kPictureWidth / 2.0, sunY = PictureRow(0.17), ray = kPictureHeight * 0.57;
        for (int i = 0; i < 16; ++i)
        {
            const double a = i * kPi / 8;
            Line(img, sunX, sunY, sunX + std::cos(a) * ray, sunY + std::sin(a) * ray, 6, Rgb(255, 240, 190));
        }
        Disc(img, sunX, sunY, 40, Rgb(255, 250, 210));
        CentredText(img, "YOU WON!", PictureRow(0.29), 8, Rgb(60, 110, 30));
        ScorePlaque(img);
        SaveImage("wonbg.tga", img, true);
    }
    {
        STgaImage img = GuiImage(128, 128, 4);
        for (int band = 0; band < 4; ++band)
            ButtonBand(img, band * 32, band * 32 + 32, kFrames[band], band == 0);
        SaveImage("buttonTex.tga", img, false);
    }
    SaveImage("windows.tga", BarsAndCentreMark(), false);
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
                     static_cast<int>(cx + 3), static_cast<int>(base), Rgb(40, 26, 12));
        };
    };
    const SIcon icons[] = {
        {"button_citizen1.tga", house(Rgb(85, 76, 60), Rgb(110, 40, 28), 0.45, 0.3)},
        {"button_citizen2.tga", house(Rgb(88, 80, 64), Rgb(85, 35, 28), 0.65, 0.45)},
        {"button_market.tga",
         [](STgaImage& img, int top, int h)
         {
             for (int i = 0; i < 6; ++i)
             {
                 FillRect(img, 12 + i * 7, top + h / 4, 19 + i * 7, top + h / 2,
                          i % 2 ? Rgb(84, 82, 76) : Rgb(120, 24, 24));
             }
             FillRect(img, 14, top + h / 2, 17, top + h * 7 / 8, Rgb(50, 34, 16));
             FillRect(img, 47, top + h / 2, 50, top + h * 7 / 8, Rgb(50, 34, 16));
             FillRect(img, 14, top + h * 5 / 8, 50, top + h * 11 / 16, Rgb(78, 56, 28));
         }},
        {"button_church.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 16, top + h / 2, 48, top + h * 7 / 8, Rgb(80, 78, 72));
             FillRect(img, 26, top + h / 4, 38, top + h * 7 / 8, Rgb(84, 82, 76));
             Triangle(img, 24, top + h / 4.0, 40, top + h / 4.0, 32, top + h / 16.0, Rgb(40, 52, 75));
         }},
        {"button_toilet.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 24, top + h / 3, 40, top + h * 7 / 8, Rgb(80, 55, 28));
             Triangle(img, 22, top + h / 3.0, 42, top + h / 3.0, 32, top + h / 8.0, Rgb(62, 40, 18));
             Disc(img, 32, top + h / 2.0, 2.5, Rgb(14, 7, 3));
         }},
        {"button_tower.tga",
         [](STgaImage& img, int top, int h)
         {
             FillRect(img, 24, top + h / 4, 40, top + h * 7 / 8, Rgb(80, 80, 76));
             for (int i = 0; i < 3; ++i)
             {
                 FillRect(img, 22 + i * 8, top + h / 8, 26 + i * 8, top + h / 4, Rgb(80, 80, 76));
             }
             FillRect(img, 30, top + h / 2, 34, top + h * 5 / 8, Rgb(14, 14, 14));
         }},
    };
    for (const SIcon& icon : icons)
    {
        // 64 x 128: the four button bands of 32 rows, each with the icon.
        // The price runs over the icon and past the right rim.
        STgaImage img = GuiImage(64, 128, 4);
        for (int band = 0; band < 4; ++band)
        {
            ButtonBand(img, band * 32, band * 32 + 32, kFrames[band], true);
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
        STgaImage img = GuiImage(kPictureWidth, kPictureHeight, 3);
        const uint32_t* t = themes[(level - 1) % 3];
        Backdrop(img, t[0], t[1], t[2], 100 + level);
        Birds(img, 6 + 8 * level, 200 + level, Rgb(20, 20, 25));
        CentredText(img, "LEVEL " + std::to_string(level), PictureRow(0.176), 9, Rgb(255, 245, 210));
        SaveImage("loadingscreens/Level" + std::to_string(level) + ".tga", img, true);
    }
}
