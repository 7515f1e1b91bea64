#pragma once

// KScn3DSParser: reads the chunk tree of a 3D Studio file (KScn3DSChunk)
// into KScn3DSData: the materials with their maps, the named objects (meshes
// with their vertices, faces, mapping coordinates, local axes, material
// groups and smoothing groups; lights and cameras by position) and the
// keyframer's nodes with their position, rotation and scale tracks.
//
// Unknown chunks are skipped by their length (counted in mSkipped); a second
// vertex, face or mapping list in one mesh is skipped with a warning. Time
// and memory are linear in the file's size: every count is checked against
// the bytes of its chunk before anything is reserved for it.
//
// False with why (the chunk and the reason) for anything the chunk toolkit
// refuses and for: face corners past the mesh's vertices, material-group
// faces past the mesh's faces, a smoothing list shorter than the faces,
// track keys with unknown spline flags or frames out of order, a rotation
// key turning about a zero axis, two keyframer nodes with one id, a parent
// id no node has, parents that form a cycle, and keyframer nodes nested
// deeper than kMaxNodeDepth (a root is at depth 1), as the motion readers
// cap their skeletons.

#include <cstddef>
#include <string>

namespace scenesdk
{

struct KScn3DSData;

class KScn3DSParser
{
public:
    static constexpr int kMaxNodeDepth = 1000;

    static bool Parse(const void* bytes, size_t size, KScn3DSData& data, std::string& why);
};

} // namespace scenesdk
