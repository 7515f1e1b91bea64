#include "render/COGLModel.h"

#include "platform/gl/GL.h"
#include "render/COGLRenderer.h"

COGLModel::COGLModel(COGLRenderer* renderer, CModelFactory* factory)
    : m_pRenderer(renderer), m_pFactory(factory)
{
}

COGLModel::~COGLModel()
{
    for (const std::unique_ptr<CCOGLTriangleGroup>& group : m_TriangleGroups)
    {
        const uint32_t list = group->GetRenderRecord()->m_uiDisplayList;
        if (list != 0 && glIsList(list))
            glDeleteLists(list, 1);
    }
}

void COGLModel::Render()
{
    if (m_pRenderer)
        m_pRenderer->Render(this);
}

CCOGLTriangleGroup* COGLModel::AddTriangleGroup(uint32_t vertexCount, uint32_t indexCount, uint8_t layerCount,
                                                bool hasColours)
{
    m_TriangleGroups.emplace_back(
        new CCOGLTriangleGroup(this, vertexCount, indexCount, layerCount, hasColours));
    return m_TriangleGroups.back().get();
}

SGLMaterial* COGLModel::AddMaterial()
{
    m_Materials.emplace_back(new SGLMaterial);
    return m_Materials.back().get();
}

SOGLTexture* COGLModel::AddTexture()
{
    m_Textures.emplace_back(new SOGLTexture);
    return m_Textures.back().get();
}

CCOGLTriangleGroup* COGLModel::GetTriangleGroup(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_TriangleGroups.size() ? m_TriangleGroups[index].get()
                                                                              : nullptr;
}

SGLMaterial* COGLModel::GetMaterial(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_Materials.size() ? m_Materials[index].get() : nullptr;
}

SOGLTexture* COGLModel::GetTexture(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < m_Textures.size() ? m_Textures[index].get() : nullptr;
}
