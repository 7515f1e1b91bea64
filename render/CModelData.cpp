#include "render/CModelData.h"

#include <cstring>
#include <functional>

namespace
{

bool SameColour(const double a[4], const double b[4])
{
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// -0.0 and +0.0 compare equal, so they must hash equal.
size_t HashFloat(float f)
{
    if (f == 0.0f)
        f = 0.0f;
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return std::hash<uint32_t>()(bits);
}

size_t HashCorner(const CVector3& p, const CVector3& n)
{
    const float values[6] = {p.x, p.y, p.z, n.x, n.y, n.z};
    size_t h = 0;
    for (float v : values)
        h = h * 1000003u ^ HashFloat(v);
    return h;
}

} // namespace

SMaterialData::SMaterialData()
    : m_Ambient{0, 0, 0, 1}, m_Diffuse{1, 1, 1, 1}, m_Emissive{0, 0, 0, 1}, m_Specular{0, 0, 0, 1},
      m_dShininess(0.0), m_dOpacity(1.0), m_dReflectivity(0.0), m_bLighting(false)
{
}

bool SMaterialData::SameAs(const SMaterialData& o) const
{
    return SameColour(m_Ambient, o.m_Ambient) && SameColour(m_Diffuse, o.m_Diffuse) &&
           SameColour(m_Specular, o.m_Specular) && m_dShininess == o.m_dShininess &&
           m_dOpacity == o.m_dOpacity && m_dReflectivity == o.m_dReflectivity &&
           m_bLighting == o.m_bLighting && m_strShader == o.m_strShader && m_Parameters == o.m_Parameters;
}

STriangleGroupData::STriangleGroupData(uint8_t uvLayerCount)
    : m_bUVLayerCount(uvLayerCount), m_LayerTextures(uvLayerCount, 0), m_iMaterialIndex(-1),
      m_TexCoords(uvLayerCount)
{
}

void STriangleGroupData::AddVertex(const CVector3& position, const CVector3& normal,
                                   const TVertexColour& colour, const TTexCoord* uv)
{
    AddCorner(position, normal, &colour, uv);
}

void STriangleGroupData::AddVertex(const CVector3& position, const CVector3& normal, const TTexCoord* uv)
{
    AddCorner(position, normal, nullptr, uv);
}

void STriangleGroupData::AddVertex(const CVector3& position, const CVector3& normal,
                                   const TVertexColour& colour)
{
    AddCorner(position, normal, &colour, nullptr);
}

void STriangleGroupData::AddVertex(const CVector3& position, const CVector3& normal)
{
    AddCorner(position, normal, nullptr, nullptr);
}

bool STriangleGroupData::Matches(uint32_t index, const TVertexColour* colour, const TTexCoord* uv) const
{
    // A vertex added by a form without colours or coordinates has none to
    // compare: it cannot match a corner that carries them.
    if (colour && (index >= m_Colours.size() || m_Colours[index] != *colour))
        return false;
    if (uv)
    {
        for (uint8_t l = 0; l < m_bUVLayerCount; ++l)
        {
            if (index >= m_TexCoords[l].size() || m_TexCoords[l][index] != uv[l])
                return false;
        }
    }
    return true;
}

void STriangleGroupData::AddCorner(const CVector3& position, const CVector3& normal,
                                   const TVertexColour* colour, const TTexCoord* uv)
{
    std::vector<uint32_t>& bucket = m_VertexIndex[HashCorner(position, normal)];
    for (uint32_t index : bucket)
    {
        ++m_uiVertexComparisons;
        if (m_Positions[index] == position && m_Normals[index] == normal && Matches(index, colour, uv))
        {
            m_Indices.push_back(index);
            return;
        }
    }
    const uint32_t index = GetVertexCount();
    m_Positions.push_back(position);
    m_Normals.push_back(normal);
    if (colour)
        m_Colours.push_back(*colour);
    if (uv)
    {
        for (uint8_t l = 0; l < m_bUVLayerCount; ++l)
            m_TexCoords[l].push_back(uv[l]);
    }
    bucket.push_back(index);
    m_Indices.push_back(index);
}

CModelData::~CModelData()
{
    for (STriangleGroupData* group : m_TriangleGroups)
        delete group;
}

STriangleGroupData* CModelData::AddTriangleGroup(uint8_t uvLayerCount)
{
    m_TriangleGroups.push_back(nullptr);
    m_TriangleGroups.back() = new STriangleGroupData(uvLayerCount);
    return m_TriangleGroups.back();
}

int CModelData::AddMaterial(const SMaterialData& material)
{
    for (size_t i = 0; i < m_Materials.size(); ++i)
    {
        if (m_Materials[i].SameAs(material))
            return static_cast<int>(i);
    }
    m_Materials.push_back(material);
    return static_cast<int>(m_Materials.size() - 1);
}

int CModelData::AddTexture(const STextureData& texture)
{
    for (size_t i = 0; i < m_Textures.size(); ++i)
    {
        if (m_Textures[i].m_iBlendMode == texture.m_iBlendMode &&
            m_Textures[i].m_strFileName == texture.m_strFileName)
            return static_cast<int>(i);
    }
    m_Textures.push_back(texture);
    return static_cast<int>(m_Textures.size() - 1);
}
