#pragma once

#include "app/CRefCounted.h"
#include "app/CVector3.h"
#include "render/CCOGLTriangleGroup.h"
#include "render/SOGLTexture.h"

#include <cstdint>
#include <memory>
#include <vector>

class COGLRenderer;
class CModelFactory;

// A material as the renderer uses it, in single precision.
struct SGLMaterial
{
    float m_Ambient[4] = {0, 0, 0, 1};
    float m_Diffuse[4] = {1, 1, 1, 1};
    float m_Emissive[4] = {0, 0, 0, 1};
    float m_Specular[4] = {0, 0, 0, 1};
    float m_fShininess = 0.0f;
    float m_fOpacity = 1.0f;
    float m_fReflectivity = 0.0f;
    bool m_bLighting = false;
};

// A drawable model: triangle groups, their GL materials and texture records.
// Owns all three; GL textures and vertex buffers are not deleted with it
// (textures are shared through the factory's cache), display lists are.
class COGLModel : public CRefCounted
{
public:
    // renderer and factory are not counted: both outlive their models.
    COGLModel(COGLRenderer* renderer, CModelFactory* factory);
    virtual ~COGLModel();

    COGLModel(const COGLModel&) = delete;
    COGLModel& operator=(const COGLModel&) = delete;

    // Draws every group through the renderer.
    virtual void Render();
    // Centre = mean of every vertex of every group; radius = distance to the
    // farthest vertex. All zero for a model without vertices.
    virtual void GetBoundingSphere(float& x, float& y, float& z, float& radius) const;
    // Component-wise extremes of every vertex; all zero without vertices.
    virtual void GetBoundingBox(float& minX, float& minY, float& minZ, float& maxX, float& maxY,
                                float& maxZ) const;
    // Tests a world ray against every triangle (both faces) of the model
    // placed at position with Euler rotation (radians; scale is not
    // applied). On a hit: hit = the nearest point in world space, distance =
    // its ray parameter in units of direction's length; triangles behind the
    // start count, with a negative distance. distance is 1e22 without a hit.
    virtual bool RayIntersection(const CVector3& position, const CVector3& rotation, const CVector3& start,
                                 const CVector3& direction, CVector3& hit, float& distance) const;

    // The model takes ownership of what it is given.
    CCOGLTriangleGroup* AddTriangleGroup(uint32_t vertexCount, uint32_t indexCount, uint8_t layerCount,
                                         bool hasColours);
    SGLMaterial* AddMaterial();
    SOGLTexture* AddTexture();

    size_t GetTriangleGroupCount() const { return m_TriangleGroups.size(); }
    size_t GetMaterialCount() const { return m_Materials.size(); }
    size_t GetTextureCount() const { return m_Textures.size(); }
    // Null when the index is out of range.
    CCOGLTriangleGroup* GetTriangleGroup(int index) const;
    SGLMaterial* GetMaterial(int index) const;
    SOGLTexture* GetTexture(int index) const;

    COGLRenderer* GetRenderer() const { return m_pRenderer; }
    CModelFactory* GetFactory() const { return m_pFactory; }

private:
    std::vector<std::unique_ptr<CCOGLTriangleGroup>> m_TriangleGroups;
    std::vector<std::unique_ptr<SGLMaterial>> m_Materials;
    std::vector<std::unique_ptr<SOGLTexture>> m_Textures;
    COGLRenderer* m_pRenderer;
    CModelFactory* m_pFactory;
};
