#pragma once

// KScnReaderObj: the reader of Wavefront OBJ files with their MTL material
// libraries. One node per "o" object (or per "g" group in a file without
// objects; see KStreamOptionsObj), children of the root, identity
// transforms. Each node's mesh has the points its faces use (a compact list
// per node), one polygon per face (any size), and on layer 0: normals per
// polygon corner (read, or computed from the smoothing groups), UVs per
// corner, vertex colours per corner (the "v x y z r g b" extension),
// materials per polygon and the diffuse textures per polygon.
//
// Materials: one per "newmtl" of the libraries (Ka, Kd, Ks, Ke, Ns as the
// specular exponent, d or 1 - Tr as opacity, illum 0-1 Lambert, 2 and up
// Phong); faces before any "usemtl", or naming a material no library has,
// use a material "default". Textures: map_Kd is the polygons' colour
// texture (-o/-s as UV offset and scale, -clamp); bump, map_d and map_Ks
// become textures of the scene (bump marked as a bump map) that no polygon
// uses. Texture and library paths are relative to the file that names them.
// A library named more than once, however spelled ("big.mtl", "./big.mtl",
// "BIG.MTL", a link to it), is read once; the read's budget (KScnReadCost,
// with the libraries' bytes, each counted once) is checked after each
// library read, so the read stops at the first library past it.
//
// Refused with error 0 and the reason ("line 7: vertex index 9 out of range
// (4 read)"): any fault KScnObjParser or KScnMtlParser finds, in the OBJ
// file or a library. A missing library, or one outside the model's folder
// while the options forbid that, is skipped with a warning in the status
// text, as are skipped keywords.

#include "scenesdk/importers/KScnForeignReaderOf.h"
#include "scenesdk/importers/KStreamOptionsObj.h"

#include <string>
#include <vector>

namespace scenesdk
{

struct KScnMtlMaterial;
struct KScnObjData;
struct KScnReadCost;

class KScnReaderObj : public KScnForeignReaderOf<KStreamOptionsObj>
{
public:
    explicit KScnReaderObj(KScnSdkManager* manager) : KScnForeignReaderOf(manager, "OBJ") {}

    // What makes two library names the same library: the real path of the
    // file (links followed, "." and ".." resolved, letter case and
    // backslashes as the file system has them), or the path cleaned up when
    // no such file exists.
    static std::string LibraryKey(const std::string& path);

protected:
    bool Read(KScnImportBuilder& builder, const KStreamOptionsObj& options) override;

private:
    // Reads each library the file names once, however it is spelled, its
    // materials appended, and checks the cost (with the libraries' bytes read
    // so far) after each: a file naming one large library many ways, or many
    // libraries, stops at the first library past the budget.
    bool ReadLibraries(const KScnObjData& data, const KStreamOptionsObj& options, KScnReadCost& cost,
                       std::vector<KScnMtlMaterial>& materials, std::vector<std::string>& warnings);
};

} // namespace scenesdk
