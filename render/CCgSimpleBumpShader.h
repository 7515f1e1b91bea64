#pragma once

#include "app/CMatrix4.h"
#include "app/CVector3.h"
#include "render/CCgShader.h"

#include <cstdint>

struct SGLMaterial;

// Bump mapping with the vertex and fragment programs of
// "Data/shader/simpleBump.cg": the base texture on unit 0, the normal map on
// unit 1, per-corner tangents (with handedness) as texture coordinate set 1.
// Made by the model factory for one triangle group and held by the group's
// render record; reads the group's arrays, which must outlive it.
class CCgSimpleBumpShader : public CCgShader
{
public:
    CCgSimpleBumpShader(CCOGLTriangleGroup* group, COGLRenderer* renderer);

    // Loads both programs, looks up their parameters and makes the group's
    // tangents unless it has them. False when either id is not a GL texture,
    // the group lacks indices, positions, normals or layer-0 coordinates, or
    // a program cannot be loaded.
    bool Init(uint32_t normalMap, uint32_t baseTexture);

    // Draws the group in immediate mode with both programs bound and the
    // light, camera and material values set.
    void Render() override;
    void Unbind() override;

    // One 4-float tangent (x, y, z, handedness +-1) per index, written to out
    // (4 x indexCount floats). Triangles whose texture coordinates span no
    // area add nothing; a corner left without a usable tangent gets (1, 0, 0).
    static void ComputeTangents(const uint32_t* indices, uint32_t indexCount, const CVector3* positions,
                                const CVector3* normals, const float* uv, uint32_t vertexCount, float* out);

    uint32_t GetNormalMap() const { return m_uiNormalMap; }
    uint32_t GetBaseTexture() const { return m_uiBaseTexture; }
    const CVector3& GetCameraPosition() const { return m_CameraPosition; }

private:
    const uint32_t* m_pIndices;
    const CVector3* m_pPositions;
    const CVector3* m_pNormals;
    const float* m_pTexCoords;
    const float* m_pTangents;
    uint32_t m_uiBaseTexture;
    const SGLMaterial* m_pMaterial;
    const float* m_pSpecular;
    const float* m_pShininess;
    uint32_t m_uiNormalMap;
    CMatrix4 m_ModelView;
    CVector3 m_EyePoint;
    CVector3 m_CameraPosition;
    plat::CGparameter m_CamPos;
    plat::CGparameter m_ModelViewProj;
    plat::CGparameter m_LightDirection;
    plat::CGparameter m_LightDiffuseColor;
    plat::CGparameter m_AmbientColor;
    plat::CGparameter m_SpecularColor;
    plat::CGparameter m_Exp;
};
