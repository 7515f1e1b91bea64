#pragma once

// Parser of the text encoding of scene files (grammar in
// docs/scene-file-format.md). It works in place on the tree's bytes: names and
// values are NUL-terminated where they lie and quoted texts are unescaped over
// their own bytes, so nothing is copied. Nesting is followed with an explicit
// stack bounded by kScnMaxDepth.

#include <cstddef>

namespace scenesdk
{

class KScnTree;

class KScnTextParser
{
public:
    // Parses tree.Data() into the tree; false (tree emptied, detail recorded)
    // on any syntax error.
    static bool Parse(KScnTree& tree);
    // True when the first significant line starts a field ("name:").
    static bool LooksLikeText(const char* data, size_t size);
};

} // namespace scenesdk
