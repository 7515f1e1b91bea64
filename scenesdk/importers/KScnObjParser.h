#pragma once

// KScnObjParser: reads the text of an OBJ file into KScnObjData, checking as
// it goes: every number strict (no NaN, infinity or overflow), every index
// in range of what was read so far (1-based, negative ones relative to the
// end, 0 refused, 64-bit parse then range check), faces of at least two
// corners, lines of at most a megabyte (continuations included). Free-form
// geometry, lines, points, faces of two corners and unknown keywords are
// skipped and counted.
//
// Time and memory are linear in the file: a group, object or material
// switch costs one hash look-up, never a copy.

#include <cstddef>
#include <string>

namespace scenesdk
{

class KStreamOptionsObj;
struct KScnObjData;

class KScnObjParser
{
public:
    // False with why ("line N: reason") on the first fault; out then holds
    // a partial result that must not be used.
    static bool Parse(const char* text, size_t size, const KStreamOptionsObj& options, KScnObjData& out,
                      std::string& why);
};

} // namespace scenesdk
