#pragma once

#include <cstdint>
#include <string>

namespace testsupport
{

// The bytes of an uncompressed 24-bit TGA image of one BGR colour.
std::string MakeTga(uint16_t width, uint16_t height, uint8_t blue = 0x80, uint8_t green = 0x80,
                    uint8_t red = 0x80);

} // namespace testsupport
