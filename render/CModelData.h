#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/SParameter.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// RGBA colour of a vertex, each 0..1.
typedef std::array<float, 4> TVertexColour;
// (u, v) texture coordinate pair.
typedef std::array<float, 2> TTexCoord;

// A material as a producer found it. Colours are RGBA in 0..1.
struct SMaterialData
{
    SMaterialData();

    // Equal in every field that changes how the material draws: the four
    // colours used for lighting (the emissive colour is not used), shininess,
    // opacity, reflectivity, the lighting flag, the shader and its parameters.
    bool SameAs(const SMaterialData& other) const;

    double m_Ambient[4];
    double m_Diffuse[4];
    double m_Emissive[4];
    double m_Specular[4];
    // Specular exponent on OpenGL's 0..128 scale.
    double m_dShininess;
    // 1.0 = opaque.
    double m_dOpacity;
    // Weight of the environment reflection; 0.0 = none.
    double m_dReflectivity;
    bool m_bLighting;
    // Cg shader file name such as "simpleBump.cg"; empty = fixed function.
    std::string m_strShader;
    std::vector<SParameter> m_Parameters;
};

// A texture reference: image file name and how the layer blends.
struct STextureData
{
    enum
    {
        BLEND_MODULATE = 0,
        BLEND_REPLACE = 1,
        BLEND_ADD = 2
    };

    STextureData() : m_iBlendMode(BLEND_MODULATE) {}
    STextureData(const std::string& name, int blendMode) : m_strFileName(name), m_iBlendMode(blendMode) {}

    std::string m_strFileName;
    int32_t m_iBlendMode;
};

// One group of triangles sharing a material, with de-duplicated vertices.
// The position vector defines the vertex count; normals always match it, and
// colours and each layer's coordinates match it when the group is filled
// with the AddVertex forms that carry them.
struct STriangleGroupData
{
    explicit STriangleGroupData(uint8_t uvLayerCount);

    // Each form adds one polygon corner: an existing vertex equal in every
    // attribute the form carries (exact float equality, so NaN never
    // matches) is reused, else a new vertex is appended; its index goes to
    // the indices. uv points at one pair per layer.
    void AddVertex(const CVector3& position, const CVector3& normal, const TVertexColour& colour,
                   const TTexCoord* uv);
    void AddVertex(const CVector3& position, const CVector3& normal, const TTexCoord* uv);
    void AddVertex(const CVector3& position, const CVector3& normal, const TVertexColour& colour);
    void AddVertex(const CVector3& position, const CVector3& normal);

    uint32_t GetVertexCount() const { return static_cast<uint32_t>(m_Positions.size()); }
    // Stored vertices compared with an added corner so far: about one per
    // corner while the search stays hashed (tests guard the build's cost by it).
    uint64_t GetVertexComparisons() const { return m_uiVertexComparisons; }

    const uint8_t m_bUVLayerCount;
    // Index into the model data's textures, one per layer.
    std::vector<uint32_t> m_LayerTextures;
    // Index into the model data's materials; -1 = none.
    int32_t m_iMaterialIndex;
    std::vector<CVector3> m_Positions;
    std::vector<CVector3> m_Normals;
    std::vector<TVertexColour> m_Colours;
    // One coordinate vector per layer.
    std::vector<std::vector<TTexCoord>> m_TexCoords;
    // Three per triangle.
    std::vector<uint32_t> m_Indices;
    // One STextureData blend code per layer, appended by the producer.
    std::vector<uint32_t> m_LayerBlendModes;

private:
    void AddCorner(const CVector3& position, const CVector3& normal, const TVertexColour* colour,
                   const TTexCoord* uv);
    bool Matches(uint32_t index, const TVertexColour* colour, const TTexCoord* uv) const;

    // Vertices by a hash of position and normal, each bucket in index order,
    // so the first exact match is the one a walk from index 0 would find.
    std::unordered_map<size_t, std::vector<uint32_t>> m_VertexIndex;
    uint64_t m_uiVertexComparisons = 0;
};

// The renderer-independent model a producer builds and the model factory
// turns into GL geometry. Owns its triangle groups.
class CModelData : public CRefCounted
{
public:
    CModelData() {}
    virtual ~CModelData();

    CModelData(const CModelData&) = delete;
    CModelData& operator=(const CModelData&) = delete;

    // A new empty group owned by the model data, material index -1.
    STriangleGroupData* AddTriangleGroup(uint8_t uvLayerCount);
    // Index of the first equal material (SMaterialData::SameAs), or of the
    // appended copy.
    int AddMaterial(const SMaterialData& material);
    // Index of the first texture with the same blend mode and exactly the
    // same file name (case counts), or of the appended copy.
    int AddTexture(const STextureData& texture);

    std::vector<STriangleGroupData*> m_TriangleGroups;
    std::vector<SMaterialData> m_Materials;
    std::vector<STextureData> m_Textures;
};
