#include "tools/datagen/CTgaWriter.h"

#include <fstream>

STgaImage::STgaImage(uint16_t w, uint16_t h, uint8_t bpp)
    : width(w), height(h), bytesPerPixel(bpp), pixels(static_cast<size_t>(w) * h * bpp, 0)
{
    if (bpp == 4)
    {
        for (size_t i = 3; i < pixels.size(); i += 4)
        {
            pixels[i] = 255;
        }
    }
}

void STgaImage::Set(int x, int y, uint32_t rgb, uint8_t alpha)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
    {
        return;
    }
    uint8_t* p = At(x, y);
    p[0] = static_cast<uint8_t>(rgb & 0xFF);
    p[1] = static_cast<uint8_t>((rgb >> 8) & 0xFF);
    p[2] = static_cast<uint8_t>((rgb >> 16) & 0xFF);
    if (bytesPerPixel == 4)
    {
        p[3] = alpha;
    }
}

namespace
{

// Run-length packets never cross a row end, as the format asks of writers.
void EncodeRow(const uint8_t* row, int width, int bpp, std::vector<uint8_t>& out)
{
    auto same = [&](int a, int b)
    {
        for (int c = 0; c < bpp; ++c)
        {
            if (row[a * bpp + c] != row[b * bpp + c])
            {
                return false;
            }
        }
        return true;
    };
    int x = 0;
    while (x < width)
    {
        int run = 1;
        while (x + run < width && run < 128 && same(x, x + run))
        {
            ++run;
        }
        if (run >= 2)
        {
            out.push_back(static_cast<uint8_t>(127 + run));
            out.insert(out.end(), row + x * bpp, row + (x + 1) * bpp);
            x += run;
            continue;
        }
        // Raw packet: up to the next pair of equal pixels.
        int count = 1;
        while (x + count < width && count < 128 && !(x + count + 1 < width && same(x + count, x + count + 1)))
        {
            ++count;
        }
        out.push_back(static_cast<uint8_t>(count - 1));
        out.insert(out.end(), row + x * bpp, row + (x + count) * bpp);
        x += count;
    }
}

} // namespace

std::vector<uint8_t> CTgaWriter::Encode(const STgaImage& image, bool rle)
{
    const int bpp = image.bytesPerPixel;
    if (image.width == 0 || image.height == 0 || (bpp != 3 && bpp != 4) ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * bpp)
    {
        return {};
    }
    std::vector<uint8_t> out(18, 0);
    out[2] = rle ? 10 : 2;
    out[12] = static_cast<uint8_t>(image.width & 0xFF);
    out[13] = static_cast<uint8_t>(image.width >> 8);
    out[14] = static_cast<uint8_t>(image.height & 0xFF);
    out[15] = static_cast<uint8_t>(image.height >> 8);
    out[16] = static_cast<uint8_t>(bpp * 8);
    out[17] = static_cast<uint8_t>((bpp == 4 ? 8 : 0) | (image.topOrigin ? 0x20 : 0)); // alpha bits, origin
    if (!rle)
    {
        out.insert(out.end(), image.pixels.begin(), image.pixels.end());
        return out;
    }
    for (int y = 0; y < image.height; ++y)
    {
        EncodeRow(image.At(0, y), image.width, bpp, out);
    }
    return out;
}

bool CTgaWriter::Save(const std::string& path, const STgaImage& image, bool rle)
{
    std::vector<uint8_t> bytes = Encode(image, rle);
    if (bytes.empty())
    {
        return false;
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}
