// Every text the game's screens place on generated art reads: its colour
// against every pixel of the generated image under the text's box, mapped
// through the rectangle the GUI draws that image over, has a contrast of at
// least 4.5:1 (relative luminance, as WCAG measures it). The texts, their
// places and colours are those the game states draw; the box of a text is
// worked out from the GUI font for several window sizes. The centre mark of
// the battle screen stands out against the sky, roofs and the ground. Every
// text lies inside its panel or button with a margin, and no two lines of
// one screen touch, in the window sizes of the shipped settings, the
// default window and a window shrunk to 640 x 480.

#include "game/GuiLayout.h"
#include "tests/support/GameData.h"
#include "tests/support/TempDir.h"
#include "tests/tools/TgaTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{

// A generated image (rows in file order: the first row is the top of a GUI
// image, texture coordinate t = 0) and the relative luminance of each pixel
// as drawn at full colour and at 0.8 (the pressed and disabled button
// states).
struct SImage
{
    int width = 0, height = 0, bytes = 0;
    std::vector<uint8_t> pixels; // blue, green, red (, alpha)
    std::vector<double> luminance[2];
};

double Linear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Relative luminance of a colour with channels 0..1.
double Luminance(double r, double g, double b)
{
    return 0.2126 * Linear(r) + 0.7152 * Linear(g) + 0.0722 * Linear(b);
}

double Contrast(double a, double b)
{
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// A text colour as the GUI hands it to OpenGL: 0xRRGGBBAA, each byte / 256.
double TextLuminance(uint32_t colour)
{
    return Luminance((colour >> 24) / 256.0, ((colour >> 16) & 0xFF) / 256.0, ((colour >> 8) & 0xFF) / 256.0);
}

// ---- The GUI font ---------------------------------------------------------

// Advance widths of the characters 32..126 in the face the GUI's "Verdana"
// bold finds on Debian (DejaVu Sans Bold), in units of 1/2048 of the pixel
// height.
const int kAdvance[95] = {713,  934,  1067, 1716, 1425, 2052, 1786, 627,  936,  936,  1071, 1716, 778,  850,
                          778,  748,  1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 1425, 819,  819,
                          1716, 1716, 1716, 1188, 2048, 1585, 1561, 1503, 1700, 1399, 1399, 1681, 1714, 762,
                          762,  1587, 1305, 2038, 1714, 1741, 1501, 1741, 1577, 1475, 1397, 1663, 1585, 2259,
                          1579, 1483, 1485, 936,  748,  936,  1716, 1024, 1024, 1382, 1466, 1214, 1466, 1389,
                          891,  1466, 1458, 702,  702,  1362, 702,  2134, 1458, 1407, 1466, 1466, 1010, 1219,
                          979,  1458, 1335, 1892, 1321, 1335, 1192, 1458, 748,  1458, 1716};
const double kAscent = 1901.0 / 2048, kLineHeight = 2384.0 / 2048;

struct SWindow
{
    int width, height;
};
// The shipped settings' window, two more of the common shapes, and the
// widest and the narrowest the settings allow.
const SWindow kWindows[] = {{800, 600}, {1024, 768}, {1280, 1024}, {1280, 600}, {640, 768}};

struct SBox
{
    double x0, y0, x1, y1;
};

// Where a text drawn at (x, y) of the 1000 x 1000 virtual screen lands: the
// font is 22 virtual units high, but no wider than in a 4:3 window, so
// 22 / max(1000 / window height, 4/3 x 1000 / window width) pixels
// (truncated); the first baseline lies that many virtual units below y;
// glyphs are bitmaps in window pixels, so their pixel sizes are scaled back
// to virtual units. A pixel and a half per character allows for hinting,
// two for the last glyph's overhang.
SBox TextBox(const std::string& text, double x, double y, const SWindow& window)
{
    const double scaleX = 1000.0 / window.width, scaleY = 1000.0 / window.height;
    const float fontScale = std::max(static_cast<float>(scaleY), static_cast<float>(scaleX) * (4.0f / 3.0f));
    const int pixels = static_cast<int>(22.0f / fontScale);
    double width = 2;
    for (unsigned char c : text)
        width += (c >= 32 && c < 127 ? kAdvance[c - 32] : 2048) * pixels / 2048.0 + 1.5;
    const double ascent = std::ceil(pixels * kAscent), below = std::ceil(pixels * kLineHeight) + 1 - ascent;
    return {x, y + pixels - ascent * scaleY, x + width * scaleX, y + pixels + below * scaleY};
}

// ---- The screens ----------------------------------------------------------

// One image drawn over a rectangle of the virtual screen: the texture
// rectangle (s0, t0)-(s1, t1) stretched over (x, y, w, h), modulated by
// shade; blended ones show the scene through pixels with alpha below 255.
struct SLayer
{
    std::string image;
    double s0, t0, s1, t1;
    double x, y, w, h;
    double shade;
    bool blended;
    // A full-screen picture: drawn with its proportions kept, as large as
    // the window allows and centred, on black.
    bool fitted = false;
};

// A text and what lies under it, topmost first; a button's label has one
// stack per button state (normal, hover, pressed, disabled).
struct SText
{
    std::string screen, text;
    double x, y;
    uint32_t colour;
    std::vector<std::vector<SLayer>> stacks;
};

const uint32_t kRed = 0xFF000000, kGrey = 0xD0D0D000, kGreen = 0x00FF0000, kBlack = 0x00000000,
               kWhite = 0xFFFFFFFF;

SLayer FullScreen(const std::string& image)
{
    return {image, 0, 0, 1, 1, 0, 0, 1000, 1000, 1, false, true};
}

// The time-up, level-done and town-destroyed panels: the top band of the
// button texture.
SLayer Panel()
{
    using namespace guilayout;
    return {"buttonTex.tga", 0, 0, 1, 0.25, kPanelX, kPanelY, kPanelWidth, kPanelHeight, 1, false};
}

// A button's label over the button's image, one stack per button state
// (normal, hover, pressed, disabled: the last two drawn at 0.8).
void Label(std::vector<SText>& all, const std::string& screen, const std::string& text, uint32_t colour,
           const std::string& image, double x, double y, double w, double h, const std::vector<SLayer>& under)
{
    SText t{screen, text, x + 10, y + h * 0.5 - 10, colour, {}};
    for (int state = 0; state < 4; ++state)
    {
        t.stacks.push_back(
            {{image, 0, state * 0.25, 1, state * 0.25 + 0.25, x, y, w, h, state < 2 ? 1.0 : 0.8, false}});
        t.stacks.back().insert(t.stacks.back().end(), under.begin(), under.end());
    }
    all.push_back(t);
}

// The texts of every screen with what lies under them.
std::vector<SText> Screens()
{
    std::vector<SText> all;
    const std::string button = "buttonTex.tga";
    const std::vector<SLayer> menu{FullScreen("mainbg.tga")};
    Label(all, "main menu", "New game", kGrey, button, 435, 600, 130, 50, menu);
    Label(all, "main menu", "Quit game", kGrey, button, 435, 700, 130, 50, menu);
    for (int level = 1; level <= CDataGenerator::kLevels; ++level)
    {
        const std::string image = "loadingscreens/Level" + std::to_string(level) + ".tga";
        for (const char* text : {"Loading...", "Continue"})
            Label(all, image, text, kRed, button, 435, 800, 130, 50, {FullScreen(image)});
    }
    for (const char* image : {"endbg.tga", "wonbg.tga"})
    {
        all.push_back({image, "Your score: 99999", 440, 500, kBlack, {{FullScreen(image)}}});
        Label(all, image, "Continue", kGreen, button, 435, 800, 130, 50, {FullScreen(image)});
    }

    // The two bars of the build screen (one at a time); the widest values
    // their texts take: prices have at most three digits, the gold five,
    // the demanded count and the minutes two (all digits are equally wide).
    const SLayer build{"windows.tga", 0, 0, 1, 0.25, 0, 0, 1000, 150, 1, true};
    const char* necessaryTexts[] = {"Additional", "buildings", "necessary: 99"};
    const char* buildingTexts[] = {"Gold: 99999", "Time left: 99:59"};
    using namespace guilayout;
    for (int i = 0; i < 3; ++i)
        all.push_back({"necessary bar", necessaryTexts[i], kBarTextX, kBarLineY[i], kRed, {{build}}});
    for (int i = 0; i < 2; ++i)
        all.push_back({"building bar", buildingTexts[i], kBarTextX, kBarLineY[i], kRed, {{build}}});
    Label(all, "necessary bar", "99", kGrey, button, 10, 10, 50, 60, {build});
    Label(all, "necessary bar", "99", kGrey, button, 10, 80, 50, 60, {build});
    Label(all, "building bar", "Skip", kGrey, button, 840, 80, 150, 50, {build});
    const char* buttons[] = {"button_citizen1.tga", "button_citizen2.tga", "button_market.tga",
                             "button_church.tga",   "button_toilet.tga",   "button_tower.tga"};
    for (int i = 0; i < 6; ++i)
        Label(all, "building bar", "999,-", kGrey, buttons[i],
              kBuildingButtonX + (kBuildingButtonWidth + kBuildingButtonGap) * i, kBuildingButtonY,
              kBuildingButtonWidth, kBuildingButtonHeight, {build});

    // The panels over the build and battle views.
    for (const auto& [screen, text, answer] : std::vector<std::array<const char*, 3>>{
             {"time-up panel", "Build time is up. Incoming Birds!", "To battle!"},
             {"level-done panel", "This attack is over. Well done!", "Next Level"},
             {"town-destroyed panel", "Your town is devastated!", "Oh no!"}})
    {
        all.push_back({screen, text, kPanelX + kPanelTextX, kPanelY + kPanelTextY, kRed, {{Panel()}}});
        Label(all, screen, answer, kGrey, button, kPanelX + kPanelButtonX, kPanelY + kPanelButtonY,
              kPanelButtonWidth, kPanelButtonHeight, {Panel()});
    }

    const SLayer battle{"windows.tga", 0, 0.25, 1, 0.5, 0, 850, 1000, 150, 1, true};
    const char* battleTexts[] = {"Level done:      100%", "Statue:    100%", "Score:                  99999"};
    for (int i = 0; i < 3; ++i)
        all.push_back({"battle bar", battleTexts[i], kHudTextX, battle.y + kHudLineY[i], kRed, {{battle}}});
    // The GUI's statistics (frames per second, objects drawn) lie over
    // whatever screen is up: the full-screen pictures and the battle bar.
    std::vector<SLayer> under{battle, FullScreen("mainbg.tga"), FullScreen("endbg.tga"),
                              FullScreen("wonbg.tga")};
    for (int level = 1; level <= CDataGenerator::kLevels; ++level)
        under.push_back(FullScreen("loadingscreens/Level" + std::to_string(level) + ".tga"));
    for (const SLayer& layer : under)
        for (const auto& [text, y] : std::vector<std::pair<std::string, double>>{
                 {"FPS: 999.9", 970}, {"Rendered: 99999 (99999/9999)", 936}})
            all.push_back({"statistics on " + layer.image, text, 5, y, kWhite, {{layer}}});
    return all;
}

// ---- The measurement ------------------------------------------------------

class GuiArt : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(testsupport::GenerateGameData(m_Dir.Path() + "/Data")); }

    const SImage& Image(const std::string& name)
    {
        auto it = m_Images.find(name);
        if (it != m_Images.end())
            return it->second;
        tgatest::STga tga = tgatest::ParseTga(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Data/" + name));
        EXPECT_EQ(tga.error, "") << name;
        SImage& image = m_Images[name]; // empty unless it reads
        if (tga.error.empty())
            image = SImage{tga.width, tga.height, tga.bpp, std::move(tga.pixels), {}};
        for (int shade = 0; shade < 2; ++shade)
        {
            double linear[256];
            for (int c = 0; c < 256; ++c)
                linear[c] = Linear(c * (shade == 0 ? 1.0 : 0.8) / 255.0);
            for (size_t i = 0; i < image.pixels.size(); i += image.bytes)
                image.luminance[shade].push_back(0.2126 * linear[image.pixels[i + 2]] +
                                                 0.7152 * linear[image.pixels[i + 1]] +
                                                 0.0722 * linear[image.pixels[i]]);
        }
        return image;
    }

    // The lowest contrast between the text and any pixel the GUI samples
    // for the parts of the box that lie over generated art, with where it
    // is. Each layer is sampled every half texel where no layer above it
    // covers the box, and each sample reads the four texels the bilinear
    // filter blends; a pixel of a blended layer that lets the scene through
    // counts as contrast 1.
    double WorstContrast(const SText& text, std::string& where)
    {
        const double textLuminance = TextLuminance(text.colour);
        double worst = 100;
        for (const SWindow& window : kWindows)
        {
            const SBox box = TextBox(text.text, text.x, text.y, window);
            for (const std::vector<SLayer>& stack : text.stacks)
                for (size_t l = 0; l < stack.size(); ++l)
                {
                    const SLayer& drawn = stack[l];
                    const SImage& image = Image(drawn.image);
                    if (image.width == 0)
                        return 0;
                    const SLayer layer = Placed(drawn, image, window);
                    const double stepX = layer.w / ((layer.s1 - layer.s0) * image.width) / 2;
                    const double stepY = layer.h / ((layer.t1 - layer.t0) * image.height) / 2;
                    for (double y = std::max(box.y0, drawn.y); y <= std::min(box.y1, drawn.y + drawn.h);
                         y += stepY)
                        for (double x = std::max(box.x0, drawn.x); x <= std::min(box.x1, drawn.x + drawn.w);
                             x += stepX)
                        {
                            auto covers = [&](const SLayer& a)
                            { return x >= a.x && x <= a.x + a.w && y >= a.y && y <= a.y + a.h; };
                            if (std::any_of(stack.begin(), stack.begin() + l, covers))
                                continue;
                            if (covers(layer))
                                Sample(layer, image, x, y, textLuminance, window, worst, where);
                            else if (Contrast(textLuminance, 0.0) < worst)
                            {
                                worst = Contrast(textLuminance, 0.0);
                                where = "the black beside " + drawn.image;
                            }
                        }
                }
        }
        return worst;
    }

    // Where a layer lands in the window: a fitted picture keeps its
    // proportions (the GUI's CGuiImagePanel::PictureRect).
    static SLayer Placed(const SLayer& layer, const SImage& image, const SWindow& window)
    {
        SLayer placed = layer;
        if (!layer.fitted)
            return placed;
        const double aspect = static_cast<double>(image.width) / image.height;
        const double shown = (layer.w * window.width / 1000.0) / (layer.h * window.height / 1000.0);
        if (shown > aspect)
        {
            placed.w = layer.w * aspect / shown;
            placed.x = layer.x + (layer.w - placed.w) / 2;
        }
        else
        {
            placed.h = layer.h * shown / aspect;
            placed.y = layer.y + (layer.h - placed.h) / 2;
        }
        return placed;
    }

    static void Sample(const SLayer& layer, const SImage& image, double x, double y, double textLuminance,
                       const SWindow& window, double& worst, std::string& where)
    {
        const double u = layer.s0 + (x - layer.x) / layer.w * (layer.s1 - layer.s0);
        const double v = layer.t0 + (y - layer.y) / layer.h * (layer.t1 - layer.t0);
        const int tx = static_cast<int>(std::floor(u * image.width - 0.5));
        const int ty = static_cast<int>(std::floor(v * image.height - 0.5));
        for (int k = 0; k < 4; ++k)
        {
            // The texture repeats: taps past an edge wrap.
            const int px = ((tx + k % 2) % image.width + image.width) % image.width;
            const int py = ((ty + k / 2) % image.height + image.height) % image.height;
            const size_t at = static_cast<size_t>(py) * image.width + px;
            const uint8_t* p = &image.pixels[at * image.bytes];
            double c = Contrast(textLuminance, image.luminance[layer.shade < 1 ? 1 : 0][at]);
            if (layer.blended && image.bytes == 4 && p[3] < 255)
                c = 1;
            if (c < worst)
            {
                worst = c;
                char text[160];
                std::snprintf(text, sizeof text, "%s pixel (%d, %d) = (%d, %d, %d) in a %dx%d window",
                              layer.image.c_str(), px, py, p[2], p[1], p[0], window.width, window.height);
                where = text;
            }
        }
    }

    testsupport::TempDir m_Dir;
    std::map<std::string, SImage> m_Images;
};

} // namespace

TEST_F(GuiArt, EveryTextReadsOnTheArtUnderIt)
{
    const std::vector<SText> texts = Screens();
    EXPECT_GE(texts.size(), 40u);
    for (const SText& text : texts)
    {
        std::string where;
        const double contrast = WorstContrast(text, where);
        EXPECT_GE(contrast, 4.5) << text.screen << ": \"" << text.text << "\" against " << where;
    }
}

// The centre mark (the left quarter of the third quarter of windows.tga,
// drawn with blending over the battle view): a light cross inside a darker
// outline. Each background pixel of the sky, the roofs and the ground sees
// at least one of the two at 3:1; the outline closes round the light part;
// and no blend of the mark's edge with the sky is dark in the sense of the
// screenshot reader that finds birds (every channel at most 110).
TEST_F(GuiArt, CentreMarkStandsOutAgainstSkyRoofsAndGround)
{
    const SImage& mark = Image("windows.tga");
    ASSERT_EQ(mark.bytes, 4);
    const int x0 = 0, x1 = mark.width / 4, y0 = mark.height / 2, y1 = mark.height * 3 / 4;
    auto pixel = [&](int x, int y) { return &mark.pixels[(static_cast<size_t>(y) * mark.width + x) * 4]; };
    double darkestLight = 1, lightestDark = 0;
    std::vector<const uint8_t*> opaque;
    int light = 0, unclosed = 0, translucent = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            const uint8_t* p = pixel(x, y);
            translucent += p[3] != 0 && p[3] != 255 ? 1 : 0;
            if (p[3] != 255)
                continue;
            opaque.push_back(p);
            const double l = Luminance(p[2] / 255.0, p[1] / 255.0, p[0] / 255.0);
            if (l > 0.5)
            {
                ++light;
                darkestLight = std::min(darkestLight, l);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        unclosed += pixel(x + dx, y + dy)[3] != 255 ? 1 : 0;
            }
            else
                lightestDark = std::max(lightestDark, l);
        }
    EXPECT_EQ(translucent, 0);
    EXPECT_GT(light, 100);
    EXPECT_GT(opaque.size(), static_cast<size_t>(light) * 3 / 2) << "an outline as wide as the cross";
    EXPECT_EQ(unclosed, 0) << "light pixels next to the transparent ground";
    EXPECT_GE(Contrast(darkestLight, lightestDark), 4.5);

    for (const char* file : {"environment/skydome.tga", "textures/roof.tga", "terrain/grass.tga"})
    {
        const SImage& ground = Image(file);
        int weak = 0;
        for (double l : ground.luminance[0])
            weak += std::max(Contrast(darkestLight, l), Contrast(lightestDark, l)) < 3 ? 1 : 0;
        EXPECT_EQ(weak, 0) << file;
    }
    const SImage& sky = Image("environment/skydome.tga");
    std::set<uint32_t> markColours, skyColours;
    for (const uint8_t* p : opaque)
        markColours.insert(p[0] | p[1] << 8 | p[2] << 16);
    for (size_t i = 0; i < sky.pixels.size(); i += 3)
        skyColours.insert(sky.pixels[i] | sky.pixels[i + 1] << 8 | sky.pixels[i + 2] << 16);
    int dark = 0;
    for (uint32_t m : markColours)
        for (uint32_t c : skyColours)
            for (double a = 0.1; a < 1; a += 0.1)
            {
                int most = 0;
                for (int shift = 0; shift < 24; shift += 8)
                    most = std::max(most, static_cast<int>(std::lround(((m >> shift) & 0xFF) * a +
                                                                       ((c >> shift) & 0xFF) * (1 - a))));
                dark += most <= 110 ? 1 : 0;
            }
    EXPECT_EQ(dark, 0);
}

namespace
{

// The rectangle a text belongs to: the panel, bar or button right under it.
SBox PanelOf(const SText& text)
{
    const SLayer& l = text.stacks.front().front();
    return {l.x, l.y, l.x + l.w, l.y + l.h};
}

} // namespace

TEST(GuiLayout, EveryTextFitsItsPanelAndNoTwoLinesTouch)
{
    const double kGap = 3;
    const std::vector<SText> texts = Screens();
    // A window shrunk with its frame to 640 x 480 keeps two pixels around
    // the texts (the font follows its height); so does the narrowest window
    // of any height (the font follows its width), and the widest.
    const std::pair<SWindow, double> kWindowMargins[] = {{{640, 480}, 4},  {{800, 600}, 5}, {{1024, 768}, 5},
                                                         {{1280, 600}, 5}, {{640, 768}, 4}, {{640, 1024}, 4},
                                                         {{1280, 480}, 4}};
    for (const auto& [window, margin] : kWindowMargins)
    {
        SCOPED_TRACE(std::to_string(window.width) + "x" + std::to_string(window.height));
        for (size_t i = 0; i < texts.size(); ++i)
        {
            const SText& t = texts[i];
            const SBox box = TextBox(t.text, t.x, t.y, window), panel = PanelOf(t);
            EXPECT_GE(box.x0 - panel.x0, margin) << t.screen << ": \"" << t.text << "\" left";
            EXPECT_GE(panel.x1 - box.x1, margin) << t.screen << ": \"" << t.text << "\" right";
            EXPECT_GE(box.y0 - panel.y0, margin) << t.screen << ": \"" << t.text << "\" top";
            EXPECT_GE(panel.y1 - box.y1, margin) << t.screen << ": \"" << t.text << "\" bottom";
            for (size_t j = i + 1; j < texts.size(); ++j)
            {
                const SText& u = texts[j];
                // One label's texts at different times ("Loading...", then
                // "Continue") share its place.
                if (u.screen != t.screen || (u.x == t.x && u.y == t.y))
                    continue;
                const SBox other = TextBox(u.text, u.x, u.y, window);
                const bool apart = other.x0 >= box.x1 + kGap || box.x0 >= other.x1 + kGap ||
                                   other.y0 >= box.y1 + kGap || box.y0 >= other.y1 + kGap;
                EXPECT_TRUE(apart) << t.screen << ": \"" << t.text << "\" and \"" << u.text << "\"";
            }
        }
    }
}
