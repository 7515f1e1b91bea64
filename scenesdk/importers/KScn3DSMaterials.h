#pragma once

// KScn3DSMaterials: the materials and textures of one 3DS read, made through
// the import builder. Each material of the file gives a KScnMaterial:
// ambient, diffuse and specular colours, shininess (the file's percentage as
// 0..1), opacity (1 - transparency), "Phong" shading (or "Lambert" for the
// flat and Gouraud modes) and, for two-sided materials, a Bool property
// "TwoSided" set to 1. A material defined twice keeps its first definition.
//
// Maps become textures named after their file: the diffuse map is the
// texture of the faces using the material (offset, scale, rotation about the
// map's normal, clamped when the tiling flags say "no tiling"); the bump map
// (a bump-map texture), opacity and specular maps are textures of the scene
// that no face uses. File names are taken relative to the model's folder
// with either slash, and found there case-insensitively (8.3 upper-case
// names are common). One texture is made per distinct file and settings;
// names are made unique within the read.
//
// Faces name materials by name; a name no material has, faces without a
// group, and every face when the options leave materials out, use one
// material "default" (light grey, made when first needed, unless the file
// has a material of that name).

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

class KScnImportBuilder;
class KScnMaterial;
class KScnTexture;
class KStreamOptions3DS;
struct KScn3DSMap;
struct KScn3DSMaterial;

class KScn3DSMaterials
{
public:
    // folder: the model's folder, "" or ending in '/'. warnings receives what
    // was left out or looked for elsewhere.
    KScn3DSMaterials(KScnImportBuilder& builder, const KStreamOptions3DS& options, const std::string& folder,
                     std::vector<std::string>& warnings);

    void Make(const std::vector<KScn3DSMaterial>& materials);

    // Index of the material of a face group (the default one for an unknown
    // name, which is warned about once).
    int Find(const std::string& name);
    int GetDefault();
    int GetCount() const { return static_cast<int>(mMaterials.size()); }
    KScnMaterial* GetMaterial(int index) const { return mMaterials[static_cast<size_t>(index)]; }
    // Null when the material has no diffuse map.
    KScnTexture* GetDiffuseTexture(int index) const { return mDiffuse[static_cast<size_t>(index)]; }

private:
    KScnTexture* MakeTexture(const KScn3DSMap& map, int kind);
    // The path to use for a map's file, and the relative name recorded; false
    // for a name without a file part.
    bool Resolve(const std::string& file, std::string& path, std::string& relative);
    // The entry of folder whose name matches name ignoring case; "" for none.
    std::string FindInFolder(const std::string& folder, const std::string& name);
    std::string UniqueTextureName(const std::string& name);

    KScnImportBuilder& mBuilder;
    const KStreamOptions3DS& mOptions;
    std::string mFolder;
    std::vector<std::string>& mWarnings;
    std::vector<KScnMaterial*> mMaterials;
    std::vector<KScnTexture*> mDiffuse;
    std::unordered_map<std::string, int> mByName;
    std::set<std::string> mUnknown;
    int mDefault = -1;
    std::unordered_map<std::string, KScnTexture*> mTextures; // by file and settings
    std::unordered_map<std::string, int> mTextureNames;      // name -> times used
    // Lower-cased entry names of each folder looked into.
    std::map<std::string, std::unordered_map<std::string, std::string>> mListings;
};

} // namespace scenesdk
