#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/CCgShader.h"

#include <cstdint>
#include <memory>
#include <vector>

class COGLModel;

// One texture layer of a group.
struct STextureLayer
{
    // Index into the model's texture records; -1 = none.
    int16_t m_sTextureIndex = -1;
    // GL_MODULATE, GL_REPLACE or GL_ADD.
    int32_t m_iEnvMode = 0;
    // (u, v) per vertex.
    std::vector<float> m_TexCoords;
    uint32_t m_uiCoordBuffer = 0;
};

// The reflection drawn over a group: a sphere map blended by a constant
// colour whose alpha is 1 - reflectivity.
struct SEnvironmentMap
{
    enum
    {
        SPHERE = 0,
        CUBE = 1,
        NONE = 2
    };
    int32_t m_iKind = NONE;
    uint32_t m_uiTextureId = 0;
    float m_Colour[4] = {0, 0, 0, 0};
};

// How a group is drawn.
struct SRenderRecord
{
    // Render paths.
    enum
    {
        PATH_IMMEDIATE = 0,
        PATH_VERTEX_ARRAYS = 1,
        PATH_VBO = 2,
        PATH_SHADER = 3
    };
    // Compiled and global-list flags.
    enum
    {
        LIST_RECORDED = 1,
        LIST_NONE = 16,
        LIST_FAILED = 32,
        LIST_SHADER = 64
    };
    // State flags (bit set).
    enum
    {
        STATE_COLOURS = 1,
        STATE_LIGHTING = 2,
        STATE_WHITE = 4,
        STATE_TEXTURES = 8
    };

    // Path used when the group is not drawn from a display list.
    int32_t m_iRenderMode = PATH_IMMEDIATE;
    int32_t m_iCompiled = LIST_NONE;
    // Full width: names past 65535 are as good as any.
    uint32_t m_uiDisplayList = 0;
    uint16_t m_usStateFlags = STATE_LIGHTING;
    // Path recorded into the display list (0, 1 or 2).
    int32_t m_iCompileMode = PATH_IMMEDIATE;
    // Like m_iCompiled, for the list recorded under the global cache override.
    int32_t m_iGlobalList = LIST_NONE;
    bool m_bVBOCreated = false;
    CRefPtr<CCgShader> m_pShader;
};

// The vertex-buffer side of a group: the buffer ids of its arrays (0 = none)
// and the step that makes them through the renderer.
class COGLModelGeometry
{
public:
    COGLModelGeometry() : m_uiIndexBuffer(0), m_uiPositionBuffer(0), m_uiNormalBuffer(0), m_uiColourBuffer(0)
    {
    }
    virtual ~COGLModelGeometry() {}

    // Makes the group's buffers through its model's renderer unless they
    // exist; then the compile mode (and, unless global, the render mode)
    // becomes 2. Logs and returns false when the buffers cannot be made.
    bool BuildVertexBufferObjects(bool global);

    uint32_t m_uiIndexBuffer;
    uint32_t m_uiPositionBuffer;
    uint32_t m_uiNormalBuffer;
    uint32_t m_uiColourBuffer;
};

// The OpenGL form of one triangle group of a model: flat vertex arrays,
// texture layers, an optional environment map, buffer ids and the render
// record. Owned by its model.
class CCOGLTriangleGroup : public COGLModelGeometry
{
public:
    // With indexCount 0 the group has no arrays and material index -1.
    CCOGLTriangleGroup(COGLModel* owner, uint32_t vertexCount, uint32_t indexCount, uint8_t layerCount,
                       bool hasColours);
    virtual ~CCOGLTriangleGroup();

    CCOGLTriangleGroup(const CCOGLTriangleGroup&) = delete;
    CCOGLTriangleGroup& operator=(const CCOGLTriangleGroup&) = delete;

    int16_t GetMaterialIndex() const { return m_sMaterialIndex; }
    // Negative values are ignored.
    void SetMaterialIndex(int16_t index)
    {
        if (index >= 0)
            m_sMaterialIndex = index;
    }
    // The group draws without material (unlit, no reflection).
    void ClearMaterialIndex() { m_sMaterialIndex = -1; }
    uint32_t GetVertexCount() const { return m_uiVertexCount; }
    uint32_t GetIndexCount() const { return m_uiIndexCount; }
    uint32_t* GetIndices() { return m_Indices.empty() ? nullptr : m_Indices.data(); }
    CVector3* GetPositions() { return m_Positions.empty() ? nullptr : m_Positions.data(); }
    CVector3* GetNormals() { return m_Normals.empty() ? nullptr : m_Normals.data(); }
    // RGBA per vertex; null when the group has no colours.
    float* GetColours() { return m_Colours.empty() ? nullptr : m_Colours.data(); }
    uint8_t GetLayerCount() const { return static_cast<uint8_t>(m_Layers.size()); }
    // Null when i is not below the layer count.
    STextureLayer* GetLayer(uint8_t i) { return i < m_Layers.size() ? m_Layers[i].get() : nullptr; }
    // Made (kind none, id 0) on first call.
    SEnvironmentMap* GetEnvironmentMap();
    bool HasEnvironmentMap() const { return m_pEnvironmentMap != nullptr; }
    SRenderRecord* GetRenderRecord() { return &m_RenderRecord; }
    COGLModel* GetOwner() const { return m_pOwner; }

    // Sets the paths for mode: 0 and 1 set the compile mode (and, unless
    // global, the render mode); 2 makes the vertex buffers; 3 is the shader
    // path. global = the change comes from a global override and keeps the
    // group's own render mode. Unknown modes are logged and give false.
    bool Build(int mode, bool global);
    // Build, then records the display list through the renderer; the compiled
    // flag (the global-list flag when global) becomes 1, or 32 on failure.
    bool BuildAndCompile(int mode, bool global);

    // Made and used by the bump shader: 4 floats per index.
    std::vector<float> m_Tangents;

private:
    int16_t m_sMaterialIndex;
    uint32_t m_uiVertexCount;
    uint32_t m_uiIndexCount;
    std::vector<uint32_t> m_Indices;
    std::vector<CVector3> m_Positions;
    std::vector<CVector3> m_Normals;
    std::vector<float> m_Colours;
    std::vector<std::unique_ptr<STextureLayer>> m_Layers;
    std::unique_ptr<SEnvironmentMap> m_pEnvironmentMap;
    SRenderRecord m_RenderRecord;
    COGLModel* m_pOwner;
};
