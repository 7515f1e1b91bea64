// Procedural images: terrain maps, sky maps, model textures and the normal
// map of the bump shader.

#include "tools/datagen/CDataGenerator.h"
#include "tools/datagen/CDataRandom.h"
#include "tools/datagen/CValueNoise.h"
#include "tools/datagen/DataPaint.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace datapaint;

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
