#pragma once

// KScnObjSceneBuilder: turns parsed OBJ data and its materials into nodes,
// meshes, materials and textures through an import builder (see
// KScnReaderObj for the mapping). Linear in the data's size whatever the
// number of nodes: the per-node compaction of points, UVs, normals and
// materials uses stamp arrays sized once for the whole file.

#include <cstddef>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnImportBuilder;
class KStreamOptionsObj;
struct KScnMtlMaterial;
struct KScnObjData;

class KScnObjSceneBuilder
{
public:
    // The nodes Build makes of the data: what the reader checks against its
    // budget before anything is made.
    static size_t NodeCount(const KScnObjData& data, const KStreamOptionsObj& options);
    // False with why when a mesh cannot be built; warnings receives what was
    // left out (unknown material names, texture paths outside the folder).
    static bool Build(KScnImportBuilder& builder, const KScnObjData& data,
                      const std::vector<KScnMtlMaterial>& materials, const KStreamOptionsObj& options,
                      std::vector<std::string>& warnings, std::string& why);
};

} // namespace scenesdk
