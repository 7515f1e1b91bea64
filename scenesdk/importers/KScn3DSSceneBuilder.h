#pragma once

// KScn3DSSceneBuilder: turns parsed 3DS data into nodes, meshes, materials
// and textures through an import builder.
//
// Without a keyframer every object is a node under the root, placed by its
// local axes (the 0x4160 matrix, taken apart into translation, XYZ Euler
// rotation in degrees and scale) with its vertices brought from world space
// into the node's. A singular matrix, or axes not at right angles, leaves the
// node at the origin with the vertices where the file has them (a warning),
// as do axes whose scale or origin exceed the single-precision range.
//
// With a keyframer, its nodes give the hierarchy: object nodes show the
// object of their name (the first node to name an object gets its mesh;
// "$$$DUMMY" nodes are empty, named by their instance name), light and
// camera nodes their object; target and ambient nodes are skipped (their
// children go to the root). A node's transform is its tracks' first keys;
// its mesh's vertices are taken into the node's space through the inverse of
// the local axes, then moved by minus the pivot; when the axes mirror
// (negative determinant) but the first scale key does not, the vertices are
// mirrored across the node's X axis so that the shape keeps the handedness
// the file shows. Objects no node names are placed as without a keyframer.
//
// The tracks become one take, "Take 001", of linear keys at frame / frame
// rate seconds: translation and scale per axis, and rotation as XYZ Euler
// angles in degrees, unrolled so that neighbouring keys differ by at most
// 180 degrees per axis. Each rotation key turns from the previous key's
// orientation about its axis (in the node's own frame) by its angle,
// counter-clockwise; the first key turns from no rotation.
//
// Node and texture names are made unique within the read by a "_2", "_3"
// suffix. Vertices, first transforms and keys beyond the single-precision
// range once scaled and transformed refuse the file.

#include <cstddef>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnImportBuilder;
class KStreamOptions3DS;
struct KScn3DSData;

class KScn3DSSceneBuilder
{
public:
    // The nodes Build makes of the data: what the reader checks against its
    // budget before anything is made.
    static size_t NodeCount(const KScn3DSData& data, const KStreamOptions3DS& options);
    // folder: the model's folder ("" or ending in '/'), for texture files.
    // False with why when a node or mesh cannot be made; warnings receives
    // what was left out.
    static bool Build(KScnImportBuilder& builder, const KScn3DSData& data, const KStreamOptions3DS& options,
                      const std::string& folder, std::vector<std::string>& warnings, std::string& why);
};

} // namespace scenesdk
