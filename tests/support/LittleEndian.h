#pragma once

#include <cstdint>
#include <string>

namespace testsupport
{

// The four bytes of v, least significant first, as file formats store them.
inline std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

} // namespace testsupport
