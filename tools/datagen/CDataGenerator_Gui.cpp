// GUI images: menu and end-of-game backgrounds, the button texture, the bars
// of the build and battle screens with the centre mark, the building
// buttons and the loading screens.

#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CDataRandom.h"
#include "tools/datagen/CValueNoise.h"
#include "tools/datagen/DataPaint.h"

#include <cmath>
#include <functional>
#include <vector>

using namespace datapaint;

namespace
{

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
