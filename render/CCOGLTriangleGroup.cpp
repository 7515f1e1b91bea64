#include "render/CCOGLTriangleGroup.h"

#include "app/Log.h"
#include "render/COGLModel.h"
#include "render/COGLRenderer.h"

CCOGLTriangleGroup::CCOGLTriangleGroup(COGLModel* owner, uint32_t vertexCount, uint32_t indexCount,
                                       uint8_t layerCount, bool hasColours)
    : m_sMaterialIndex(-1), m_uiVertexCount(vertexCount), m_uiIndexCount(indexCount), m_pOwner(owner)
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

bool COGLModelGeometry::BuildVertexBufferObjects(bool global)
{
    // The geometry is always the base of a triangle group.
    CCOGLTriangleGroup* group = static_cast<CCOGLTriangleGroup*>(this);
    SRenderRecord* record = group->GetRenderRecord();
    if (!record->m_bVBOCreated)
    {
        COGLModel* model = group->GetOwner();
        COGLRenderer* renderer = model ? model->GetRenderer() : nullptr;
        if (!renderer || !renderer->CreateVertexBuffer(group))
        {
            Log(1, "Could not create VBO in COGLModelGeometry::BuildVertexBufferObjects()");
            return false;
        }
        record->m_bVBOCreated = true;
    }
    record->m_iCompileMode = SRenderRecord::PATH_VBO;
    if (!global)
        record->m_iRenderMode = SRenderRecord::PATH_VBO;
    return true;
}

bool CCOGLTriangleGroup::Build(int mode, bool global)
{
    switch (mode)
    {
    case SRenderRecord::PATH_IMMEDIATE:
    case SRenderRecord::PATH_VERTEX_ARRAYS:
    case SRenderRecord::PATH_SHADER:
        m_RenderRecord.m_iCompileMode = mode;
        if (!global)
            m_RenderRecord.m_iRenderMode = mode;
        return true;
    case SRenderRecord::PATH_VBO:
        return BuildVertexBufferObjects(global);
    default:
        Log(1, "Error: Unknown model typ in CCOGLTriangleGroup::Build()");
        return false;
    }
}

bool CCOGLTriangleGroup::BuildAndCompile(int mode, bool global)
{
    if (!Build(mode, global))
        return false;
    COGLRenderer* renderer = m_pOwner ? m_pOwner->GetRenderer() : nullptr;
    const bool compiled = renderer && renderer->Compile(this, m_pOwner);
    int32_t& flag = global ? m_RenderRecord.m_iGlobalList : m_RenderRecord.m_iCompiled;
    flag = compiled ? SRenderRecord::LIST_RECORDED : SRenderRecord::LIST_FAILED;
    return compiled;
}
