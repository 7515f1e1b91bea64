#pragma once

// Writing DXF drawings for tests: pairs of group code and value written one
// after the other, apart by white space, turned into the file's lines.

#include <cstdio>
#include <sstream>
#include <string>

namespace importtest
{

// A drawing written as group codes and values apart by white space (no
// value here holds a space), turned into the file's two lines per pair;
// codes right-aligned in three columns as most writers do, with the given
// line ending.
inline std::string Dxf(const std::string& pairs, const char* ending = "\n")
{
    std::istringstream in(pairs);
    std::string out, value;
    int code = 0;
    while (in >> code >> value)
    {
        char padded[8];
        std::snprintf(padded, sizeof(padded), "%3d", code);
        out += padded + std::string(ending) + value + ending;
    }
    return out;
}

// A drawing of only an ENTITIES section holding the pairs given.
inline std::string Entities(const std::string& pairs)
{
    return Dxf("0 SECTION 2 ENTITIES " + pairs + " 0 ENDSEC 0 EOF");
}

} // namespace importtest
