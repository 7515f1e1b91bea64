#include "render/CCgSimpleBumpShader.h"

#include "platform/gl/GL.h"
#include "render/CCOGLTriangleGroup.h"
#include "render/COGLModel.h"
#include "render/COGLRenderer.h"

#include <cmath>
#include <vector>

using namespace plat;

namespace
{

const char* const kShaderFile = "Data/shader/simpleBump.cg";

} // namespace

CCgSimpleBumpShader::CCgSimpleBumpShader(CCOGLTriangleGroup* group, COGLRenderer* renderer)
    : CCgShader(group, renderer), m_pIndices(nullptr), m_pPositions(nullptr), m_pNormals(nullptr),
      m_pTexCoords(nullptr), m_pTangents(nullptr), m_uiBaseTexture(0), m_pMaterial(nullptr),
      m_pSpecular(nullptr), m_pShininess(nullptr), m_uiNormalMap(0), m_EyePoint(0, 0, 0), m_CamPos(nullptr),
      m_ModelViewProj(nullptr), m_LightDirection(nullptr), m_LightDiffuseColor(nullptr),
      m_AmbientColor(nullptr), m_SpecularColor(nullptr), m_Exp(nullptr)
{
    if (!group)
        return;
    m_pIndices = group->GetIndices();
    m_pPositions = group->GetPositions();
    m_pNormals = group->GetNormals();
    const STextureLayer* layer = group->GetLayer(0);
    m_pTexCoords = layer && !layer->m_TexCoords.empty() ? layer->m_TexCoords.data() : nullptr;
    COGLModel* model = group->GetOwner();
    m_pMaterial = model ? model->GetMaterial(group->GetMaterialIndex()) : nullptr;
    if (m_pMaterial)
    {
        m_pSpecular = m_pMaterial->m_Specular;
        m_pShininess = &m_pMaterial->m_fShininess;
    }
}

bool CCgSimpleBumpShader::Init(uint32_t normalMap, uint32_t baseTexture)
{
    if (!m_pGroup || !glIsTexture(normalMap) || !glIsTexture(baseTexture) || !m_pIndices || !m_pPositions ||
        !m_pNormals || !m_pTexCoords)
        return false;
    m_pVertexProgram = CCgProgramCache::LoadProgram(SCgProgram::VERTEX, kShaderFile, "mainVertex");
    m_pFragmentProgram = CCgProgramCache::LoadProgram(SCgProgram::FRAGMENT, kShaderFile, "mainFragment");
    if (!m_pVertexProgram || !m_pFragmentProgram)
        return false;

    m_uiNormalMap = normalMap;
    m_uiBaseTexture = baseTexture;
    m_CamPos = cgGetNamedParameter(m_pVertexProgram->m_Program, "vCamPos");
    m_ModelViewProj = cgGetNamedParameter(m_pVertexProgram->m_Program, "modelViewProjMatrix");
    m_LightDirection = cgGetNamedParameter(m_pVertexProgram->m_Program, "vLightDirection");
    m_LightDiffuseColor = cgGetNamedParameter(m_pFragmentProgram->m_Program, "vLightDiffuseColor");
    m_AmbientColor = cgGetNamedParameter(m_pFragmentProgram->m_Program, "vAmbientColor");
    m_SpecularColor = cgGetNamedParameter(m_pFragmentProgram->m_Program, "vSpecularColor");
    m_Exp = cgGetNamedParameter(m_pFragmentProgram->m_Program, "fExp");

    const uint32_t indexCount = m_pGroup->GetIndexCount();
    if (m_pGroup->m_Tangents.size() != static_cast<size_t>(indexCount) * 4)
    {
        m_pGroup->m_Tangents.assign(static_cast<size_t>(indexCount) * 4, 0.0f);
        ComputeTangents(m_pIndices, indexCount, m_pPositions, m_pNormals, m_pTexCoords,
                        m_pGroup->GetVertexCount(), m_pGroup->m_Tangents.data());
    }
    m_pTangents = m_pGroup->m_Tangents.data();
    return true;
}

void CCgSimpleBumpShader::ComputeTangents(const uint32_t* indices, uint32_t indexCount,
                                          const CVector3* positions, const CVector3* normals, const float* uv,
                                          uint32_t vertexCount, float* out)
{
    // Accumulated per vertex (indexed by vertex index, so sized by the
    // vertex count), written per corner.
    std::vector<CVector3> sDir(vertexCount), tDir(vertexCount);
    for (uint32_t k = 0; k + 2 < indexCount; k += 3)
    {
        const uint32_t i0 = indices[k], i1 = indices[k + 1], i2 = indices[k + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        const CVector3 e1 = positions[i1] - positions[i0];
        const CVector3 e2 = positions[i2] - positions[i0];
        const float s1 = uv[2 * i1] - uv[2 * i0], t1 = uv[2 * i1 + 1] - uv[2 * i0 + 1];
        const float s2 = uv[2 * i2] - uv[2 * i0], t2 = uv[2 * i2 + 1] - uv[2 * i0 + 1];
        const float area = s1 * t2 - s2 * t1;
        // Degenerate mapping: 1 / 0 would spread infinities to every
        // triangle sharing these vertices.
        if (area == 0.0f || !std::isfinite(area))
            continue;
        const float r = 1.0f / area;
        const CVector3 s = (e1 * t2 - e2 * t1) * r;
        const CVector3 t = (e2 * s1 - e1 * s2) * r;
        for (uint32_t v : {i0, i1, i2})
        {
            sDir[v] += s;
            tDir[v] += t;
        }
    }
    for (uint32_t k = 0; k < indexCount; ++k)
    {
        float* entry = out + 4 * static_cast<size_t>(k);
        const uint32_t v = indices[k];
        if (v >= vertexCount)
        {
            entry[0] = 1.0f;
            entry[1] = entry[2] = 0.0f;
            entry[3] = 1.0f;
            continue;
        }
        const CVector3& n = normals[v];
        const CVector3& t = sDir[v];
        CVector3 tangent = t - n * n.Dot(t);
        const float length = tangent.Normalize();
        if (length == 0.0f || !std::isfinite(length))
            tangent = CVector3(1.0f, 0.0f, 0.0f);
        entry[0] = tangent.x;
        entry[1] = tangent.y;
        entry[2] = tangent.z;
        entry[3] = n.Cross(t).Dot(tDir[v]) >= 0.0f ? 1.0f : -1.0f;
    }
}

void CCgSimpleBumpShader::Render()
{
    if (!m_pVertexProgram || !m_pFragmentProgram || !m_pGroup || !m_pTangents)
        return;
    cgGLBindProgram(m_pVertexProgram->m_Program);
    cgGLBindProgram(m_pFragmentProgram->m_Program);
    cgGLEnableProfile(m_pVertexProgram->m_Profile);
    cgGLEnableProfile(m_pFragmentProgram->m_Profile);

    glGetFloatv(GL_MODELVIEW_MATRIX, m_ModelView.m);
    m_ModelView.Invert();
    m_ModelView.TransformPoint(m_CameraPosition, m_EyePoint);

    cgGLSetStateMatrixParameter(m_ModelViewProj, CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);
    cgGLSetParameter3f(m_CamPos, m_CameraPosition.x, m_CameraPosition.y, m_CameraPosition.z);
    const float zero[4] = {0, 0, 0, 0};
    cgGLSetParameter3fv(m_LightDirection, m_pRenderer ? m_pRenderer->GetLightDirection() : zero);
    cgGLSetParameter3f(m_LightDiffuseColor, 1.0f, 1.0f, 1.0f);
    float ambient[4] = {0, 0, 0, 0};
    const float* light = m_pRenderer ? m_pRenderer->GetLightColours(0) : zero;
    for (int i = 0; i < 4; ++i)
        ambient[i] = light[i] * (m_pMaterial ? m_pMaterial->m_Ambient[i] : 0.0f);
    cgGLSetParameter4fv(m_AmbientColor, ambient);
    cgGLSetParameter4fv(m_SpecularColor, m_pSpecular ? m_pSpecular : zero);
    cgGLSetParameter1f(m_Exp, m_pShininess ? *m_pShininess * 0.1f : 0.0f);

    glDisable(GL_LIGHTING);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_uiBaseTexture);
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_uiNormalMap);

    const uint32_t vertexCount = m_pGroup->GetVertexCount();
    glBegin(GL_TRIANGLES);
    for (uint32_t k = 0; k < m_pGroup->GetIndexCount(); ++k)
    {
        const uint32_t v = m_pIndices[k];
        if (v >= vertexCount)
            continue;
        glNormal3fv(&m_pNormals[v].x);
        glMultiTexCoord2fv(GL_TEXTURE0, m_pTexCoords + 2 * static_cast<size_t>(v));
        glMultiTexCoord4fv(GL_TEXTURE1, m_pTangents + 4 * static_cast<size_t>(k));
        glVertex3fv(&m_pPositions[v].x);
    }
    glEnd();

    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    // Later binds (texture uploads, other groups) expect unit 0.
    glActiveTexture(GL_TEXTURE0);
}

void CCgSimpleBumpShader::Unbind()
{
    if (m_pVertexProgram)
        cgGLDisableProfile(m_pVertexProgram->m_Profile);
    if (m_pFragmentProgram)
        cgGLDisableProfile(m_pFragmentProgram->m_Profile);
}
