#pragma once

// Parser of the binary encoding of scene files (layout in
// docs/scene-file-format.md). The CRC trailer is checked first; then every
// count and length is checked against the bytes that remain before anything
// is read, and nesting is followed with an explicit stack bounded by
// kScnMaxDepth.

namespace scenesdk
{

class KScnTree;

class KScnBinaryParser
{
public:
    // Parses tree.Data() into the tree; false (tree emptied, detail recorded)
    // when any check fails.
    static bool Parse(KScnTree& tree);
};

} // namespace scenesdk
