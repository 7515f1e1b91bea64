#pragma once

// KScnAsfParser: reads the text of an Acclaim skeleton (ASF) file into
// KScnAcclaimSkeleton. '#' starts a comment; commas and parentheses count as
// blanks; keywords and names are matched in any case. Sections: ":version",
// ":name", ":units" (mass, length, angle deg/rad), ":documentation", ":root"
// (order, axis, position, orientation), ":bonedata" (begin ... end blocks:
// id, name, direction, length, axis, dof, limits over one or more lines,
// bodymass, cofmass), ":hierarchy" (parent and children per line, in any
// order, before or after the bones); other sections and keywords are
// skipped.
//
// Refused (false, why "line N: reason"): a number that is not one (NaN,
// infinity and overflow included; limits may say inf), a units length not
// above zero, an unknown order or dof token, a dof list with repeats or
// more than seven tokens, a bone without name, direction or length, a
// zero direction for a bone with length, two bones of one name or a bone
// named "root", and any hierarchy but a tree from the root: an unknown
// bone, a bone that is its own parent, a bone under two parents or none,
// a cycle, nesting deeper than kMaxDepth. Time is linear in the file: the
// hierarchy is checked with one breadth-first walk, never recursively.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace scenesdk
{

struct KScnAcclaimSkeleton;

class KScnAsfParser
{
public:
    static constexpr int kMaxDepth = 1000;
    static constexpr size_t kMaxNameLength = 1024;

    // False with why on the first fault; out then must not be used.
    static bool Parse(const char* text, size_t size, KScnAcclaimSkeleton& out, std::string& why);

    // The ERotationOrder named by three axis letters ("XYZ", "zyx"); -1 for
    // anything else.
    static int OrderOfAxes(std::string_view letters);
    // The rotation order that applies the rotation dofs (EAcclaimDof) in
    // their order, axes they lack after them: "rz rx" gives ZXY.
    static int OrderOfDofs(const std::vector<int>& dofs);
};

} // namespace scenesdk
