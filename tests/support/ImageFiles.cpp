#include "tests/support/ImageFiles.h"

namespace testsupport
{

std::string MakeTga(uint16_t width, uint16_t height, uint8_t blue, uint8_t green, uint8_t red)
{
    std::string bytes(18, '\0');
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<char>(width & 0xFF);
    bytes[13] = static_cast<char>(width >> 8);
    bytes[14] = static_cast<char>(height & 0xFF);
    bytes[15] = static_cast<char>(height >> 8);
    bytes[16] = 24;
    for (uint32_t i = 0; i < static_cast<uint32_t>(width) * height; ++i)
    {
        bytes.push_back(static_cast<char>(blue));
        bytes.push_back(static_cast<char>(green));
        bytes.push_back(static_cast<char>(red));
    }
    return bytes;
}

} // namespace testsupport
