#include "render/CCOGLTriangleGroup.h"

CCOGLTriangleGroup::CCOGLTriangleGroup(COGLModel* owner, uint32_t vertexCount, uint32_t indexCount,
                                       uint8_t layerCount, bool hasColours)
    : m_uiIndexBuffer(0), m_uiPositionBuffer(0), m_uiNormalBuffer(0), m_uiColourBuffer(0),
      m_sMaterialIndex(-1), m_uiVertexCount(vertexCount), m_uiIndexCount(indexCount), m_pOwner(owner)
{
    if (indexCount == 0)
        return;
    m_sMaterialIndex = 0;
    m_Indices.resize(indexCount);
    m_Positions.resize(vertexCount);
    m_Normals.resize(vertexCount);
    if (hasColours)
        m_Colours.resize(static_cast<size_t>(vertexCount) * 4);
    for (uint8_t l = 0; l < layerCount; ++l)
    {
        std::unique_ptr<STextureLayer> layer(new STextureLayer);
        layer->m_TexCoords.resize(static_cast<size_t>(vertexCount) * 2);
        m_Layers.push_back(std::move(layer));
    }
}

CCOGLTriangleGroup::~CCOGLTriangleGroup() {}

SEnvironmentMap* CCOGLTriangleGroup::GetEnvironmentMap()
{
    if (!m_pEnvironmentMap)
        m_pEnvironmentMap.reset(new SEnvironmentMap);
    return m_pEnvironmentMap.get();
}
