#pragma once

// KScnAmcParser: reads the text of an Acclaim motion (AMC) file against its
// skeleton into KScnAcclaimMotion. '#' starts a comment. Header keywords
// (":FULLY-SPECIFIED", ":DEGREES", ":RADIANS", any case) come before the
// first frame; ":DEGREES" and ":RADIANS" override the skeleton's angle
// unit. A line holding one integer starts a frame; each other line names a
// bone (any case) or "root" and gives its values in the order of its dofs.
// Bones may come in any order and may be missing from a frame (no sample).
//
// Refused (false, why "line N: reason"): a value that is not a number (NaN,
// infinity and overflow included), a bone line with more or fewer values
// than the bone's dofs, a bone twice in one frame, a bone line before the
// first frame, a header keyword after it, frame numbers that do not
// increase. Lines naming no bone of the skeleton are skipped and counted.
// Nothing is sized by a frame number: samples are appended as they come,
// so time and memory are linear in the file.

#include <cstddef>
#include <string>

namespace scenesdk
{

struct KScnAcclaimMotion;
struct KScnAcclaimSkeleton;

class KScnAmcParser
{
public:
    // False with why on the first fault; out then must not be used.
    static bool Parse(const char* text, size_t size, const KScnAcclaimSkeleton& skeleton,
                      KScnAcclaimMotion& out, std::string& why);
};

} // namespace scenesdk
