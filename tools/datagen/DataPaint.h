#pragma once

// Painting on generated images: colours as 0xRRGGBB, shapes, block-letter
// text. Coordinates are pixels, y in file rows (the top row of a GUI image,
// whose first row is its top); shapes are clipped to the image.

#include "tools/datagen/CTgaWriter.h"

#include <cstdint>
#include <functional>
#include <string>

namespace datapaint
{

constexpr double kPi = 3.14159265358979323846;

// Channels clamped to 0..255.
uint32_t Rgb(int r, int g, int b);
// a at t = 0, b at t = 1.
uint32_t Mix(uint32_t a, uint32_t b, double t);
uint32_t Scale(uint32_t c, double f);

// Pixels x0 <= x < x1, y0 <= y < y1.
void FillRect(STgaImage& img, int x0, int y0, int x1, int y1, uint32_t rgb, uint8_t alpha = 255);
void Disc(STgaImage& img, double cx, double cy, double r, uint32_t rgb, uint8_t alpha = 255);
// A stroke of round dabs.
void Line(STgaImage& img, double x0, double y0, double x1, double y1, double width, uint32_t rgb,
          uint8_t alpha = 255);
void Triangle(STgaImage& img, double ax, double ay, double bx, double by, double cx, double cy, uint32_t rgb);
// Every pixel from a function of its position; alpha stays.
void Paint(STgaImage& img, const std::function<uint32_t(int, int)>& f);

// 5 x 7 block letters (capitals, digits, "!" and "."), top-left corner at
// (x, y), scale pixels per glyph cell, 6 cells per character.
void Text(STgaImage& img, const std::string& text, int x, int y, int scale, uint32_t rgb);
// Centred across the image, with a shadow.
void CentredText(STgaImage& img, const std::string& text, int y, int scale, uint32_t rgb);

// An image whose first row is its top (as the GUI draws it).
STgaImage GuiImage(uint16_t w, uint16_t h, uint8_t bpp);

} // namespace datapaint
