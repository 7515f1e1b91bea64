#include "render/COGLModelFactory.h"

#include "app/CEngineServices.h"
#include "app/Log.h"
#include "platform/gl/GL.h"
#include "render/CCgSimpleBumpShader.h"
#include "render/COGLRenderer.h"

#include <algorithm>
#include <cctype>

namespace
{

const char* const kBumpShader = "simpleBump.cg";
const char* const kNormalParameter = "texNormal";
const char* const kShaderFolder = "Data/shader/";

// Texture environment mode of a layer blend code.
int EnvMode(uint32_t blend)
{
    switch (blend)
    {
    case STextureData::BLEND_MODULATE:
        return GL_MODULATE;
    case STextureData::BLEND_ADD:
        return GL_ADD;
    default:
        return GL_REPLACE;
    }
}

void CopyColour(float* to, const double* from)
{
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<float>(from[i]);
}

// Every index below the vertex count, normals (and colours and coordinates
// when present) one per vertex.
bool Consistent(const STriangleGroupData& s)
{
    const size_t vertices = s.m_Positions.size();
    if (s.m_Normals.size() != vertices || (!s.m_Colours.empty() && s.m_Colours.size() != vertices))
        return false;
    for (const std::vector<TTexCoord>& layer : s.m_TexCoords)
        if (!layer.empty() && layer.size() != vertices)
            return false;
    for (uint32_t index : s.m_Indices)
        if (index >= vertices)
            return false;
    return true;
}

} // namespace

COGLModelFactory::COGLModelFactory(CRefPtr<CSCNLoader> loader, CRefPtr<CTextureLoader> textureLoader,
                                   CRefPtr<CTerrainBuilder> terrainBuilder, COGLRenderer* renderer)
    : CModelFactory(loader, textureLoader, terrainBuilder), m_pRenderer(renderer),
      m_iEnvironmentKind(ENV_NONE), m_uiEnvironmentTexture(0)
{
}

COGLModelFactory::~COGLModelFactory()
{
    m_Textures.clear();
    m_Models.clear();
    m_TerrainModels.clear();
}

COGLRenderer* COGLModelFactory::Renderer() const
{
    if (m_pRenderer)
        return m_pRenderer;
    CEngineServices* services = CEngineServices::GetInstance();
    return services ? dynamic_cast<COGLRenderer*>(services->GetRenderer().Get()) : nullptr;
}

std::string COGLModelFactory::NormaliseName(const std::string& fileName)
{
    std::string key(fileName);
    for (char& c : key)
        c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

CTextureProperties* COGLModelFactory::FindTexture(const std::string& name) const
{
    auto it = m_Textures.find(name);
    return it == m_Textures.end() ? nullptr : it->second.Get();
}

CRefPtr<COGLModel> COGLModelFactory::getModel(const std::string& fileName)
{
    const std::string key = NormaliseName(fileName);
    auto cached = m_Models.find(key);
    if (cached != m_Models.end())
        return cached->second;
    // A file that failed once fails again without a second import (and
    // without its messages again).
    if (m_FailedModels.count(key) != 0)
        return CRefPtr<COGLModel>();
    Log(32, "Loading new Model : %s", key.c_str());
    CRefPtr<COGLModel> model;
    std::string error = "no model importer";
    // The importer's own reason where it gave one.
    auto reason = [this](const char* otherwise)
    { return m_pSCNLoader->GetLastError().empty() ? std::string(otherwise) : m_pSCNLoader->GetLastError(); };
    if (m_pSCNLoader)
    {
        CRefPtr<CModelData> data(new CModelData);
        if (!m_pSCNLoader->LoadScene(key))
            error = reason("it cannot be read");
        else if (!m_pSCNLoader->Load(data))
            error = reason("its mesh cannot be converted");
        else
        {
            model = BuildMG(data);
            error = "its mesh data is inconsistent";
        }
    }
    if (model)
        m_Models[key] = model;
    else
        m_FailedModels[key] = error;
    return model;
}

std::string COGLModelFactory::GetModelError(const std::string& fileName) const
{
    auto failed = m_FailedModels.find(NormaliseName(fileName));
    return failed == m_FailedModels.end() ? std::string() : failed->second;
}

bool COGLModelFactory::GetTextureSize(const std::string& name, uint32_t& width, uint32_t& height) const
{
    const CTextureProperties* texture = FindTexture(name);
    if (!texture)
        return false;
    width = texture->m_usWidth;
    height = texture->m_usHeight;
    return true;
}

bool COGLModelFactory::createTexture(SOGLTexture* record, const std::string& fileName)
{
    if (!record)
        return false;
    if (CTextureProperties* cached = FindTexture(fileName))
    {
        record->m_strName = cached->m_strName;
        record->m_uiGLId = cached->m_uiGLId;
        return true;
    }
    if (record->m_uiTarget == 0 || record->m_iMinFilter == 0 || record->m_iMagFilter == 0)
    {
        Log(1, "Texture Properties not specified in COGLModelFactory::createTexture()");
        return false;
    }
    COGLRenderer* renderer = Renderer();
    CRefPtr<CTextureProperties> image(new CTextureProperties);
    image->m_strName = fileName;
    if (!m_pTextureLoader || !renderer ||
        !m_pTextureLoader->LoadImage(fileName, CRefPtr<CImage>(image.Get())) ||
        !renderer->CreateTexture(image, record))
        return false;
    image->m_bMipMaps = record->m_bMipMaps;
    image->m_uiGLId = record->m_uiGLId;
    // GL keeps its own copy of the pixels.
    image->FreePixels();
    m_Textures[fileName] = image;
    m_TextureTargets[fileName] = record->m_uiTarget == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP;
    return true;
}

CRefPtr<COGLModel> COGLModelFactory::BuildMG(CRefPtr<CModelData> data)
{
    if (!data)
        return CRefPtr<COGLModel>();
    for (const STriangleGroupData* source : data->m_TriangleGroups)
    {
        if (!source || !Consistent(*source))
        {
            Log(1, "Error: inconsistent triangle group data in COGLModelFactory::BuildMG()");
            return CRefPtr<COGLModel>();
        }
    }
    CRefPtr<COGLModel> model(new COGLModel(Renderer(), this));
    for (const SMaterialData& m : data->m_Materials)
    {
        SGLMaterial* gl = model->AddMaterial();
        CopyColour(gl->m_Ambient, m.m_Ambient);
        CopyColour(gl->m_Diffuse, m.m_Diffuse);
        CopyColour(gl->m_Emissive, m.m_Emissive);
        CopyColour(gl->m_Specular, m.m_Specular);
        gl->m_fShininess = static_cast<float>(m.m_dShininess);
        gl->m_fOpacity = static_cast<float>(m.m_dOpacity);
        gl->m_fReflectivity = static_cast<float>(m.m_dReflectivity);
        gl->m_bLighting = m.m_bLighting;
    }
    for (size_t i = 0; i < data->m_Textures.size(); ++i)
        model->AddTexture();
    for (const STriangleGroupData* s : data->m_TriangleGroups)
        model->AddTriangleGroup(static_cast<uint32_t>(s->m_Positions.size()),
                                static_cast<uint32_t>(s->m_Indices.size()), s->m_bUVLayerCount,
                                !s->m_Colours.empty());

    for (size_t i = 0; i < data->m_Textures.size(); ++i)
    {
        SOGLTexture* record = model->GetTexture(static_cast<int>(i));
        record->m_uiTarget = GL_TEXTURE_2D;
        record->m_bMipMaps = true;
        record->m_iMinFilter = GL_LINEAR_MIPMAP_LINEAR;
        record->m_iMagFilter = GL_LINEAR;
        if (!createTexture(record, data->m_Textures[i].m_strFileName))
            Log(1, "Could not create Texture : %s", data->m_Textures[i].m_strFileName.c_str());
    }
    for (size_t g = 0; g < data->m_TriangleGroups.size(); ++g)
        BuildGroup(model.Get(), *data, *data->m_TriangleGroups[g],
                   model->GetTriangleGroup(static_cast<int>(g)));
    return model;
}

void COGLModelFactory::BuildGroup(COGLModel* model, const CModelData& data, const STriangleGroupData& s,
                                  CCOGLTriangleGroup* g)
{
    const bool hasMaterial =
        s.m_iMaterialIndex >= 0 && static_cast<size_t>(s.m_iMaterialIndex) < data.m_Materials.size();
    const SGLMaterial* material = hasMaterial ? model->GetMaterial(s.m_iMaterialIndex) : nullptr;
    if (hasMaterial)
        g->SetMaterialIndex(static_cast<int16_t>(s.m_iMaterialIndex));
    else
        g->ClearMaterialIndex();
    if (g->GetIndexCount() > 0)
    {
        std::copy(s.m_Indices.begin(), s.m_Indices.end(), g->GetIndices());
        std::copy(s.m_Positions.begin(), s.m_Positions.end(), g->GetPositions());
        std::copy(s.m_Normals.begin(), s.m_Normals.end(), g->GetNormals());
        float* colours = g->GetColours();
        for (size_t v = 0; colours && v < s.m_Colours.size(); ++v)
            std::copy(s.m_Colours[v].begin(), s.m_Colours[v].end(), colours + 4 * v);
    }
    for (uint8_t l = 0; l < g->GetLayerCount(); ++l)
    {
        STextureLayer* layer = g->GetLayer(l);
        const uint32_t texture = l < s.m_LayerTextures.size() ? s.m_LayerTextures[l] : UINT32_MAX;
        // Negative or unknown texture indices draw the layer untextured.
        layer->m_sTextureIndex =
            texture < data.m_Textures.size() && texture <= INT16_MAX ? static_cast<int16_t>(texture) : -1;
        layer->m_iEnvMode = EnvMode(l < s.m_LayerBlendModes.size() ? s.m_LayerBlendModes[l] : 0);
        if (l < s.m_TexCoords.size())
            for (size_t v = 0; v < s.m_TexCoords[l].size() && 2 * v + 1 < layer->m_TexCoords.size(); ++v)
            {
                layer->m_TexCoords[2 * v] = s.m_TexCoords[l][v][0];
                layer->m_TexCoords[2 * v + 1] = s.m_TexCoords[l][v][1];
            }
    }
    if (material && material->m_fReflectivity > 0.0f && m_iEnvironmentKind != ENV_NONE)
    {
        SEnvironmentMap* map = g->GetEnvironmentMap();
        map->m_iKind = m_iEnvironmentKind;
        map->m_uiTextureId = m_iEnvironmentKind == ENV_SPHERE ? m_uiEnvironmentTexture : 0;
        map->m_Colour[3] = 1.0f - material->m_fReflectivity;
    }

    SRenderRecord* record = g->GetRenderRecord();
    if (AttachBumpShader(model, hasMaterial ? &data.m_Materials[s.m_iMaterialIndex] : nullptr, g))
    {
        record->m_usStateFlags = SRenderRecord::STATE_WHITE;
        g->Build(SRenderRecord::PATH_SHADER, false);
        record->m_iCompiled = SRenderRecord::LIST_SHADER;
    }
    else
    {
        uint16_t flags = SRenderRecord::STATE_WHITE;
        if (material && material->m_bLighting)
            flags = SRenderRecord::STATE_LIGHTING;
        else if (g->GetColours())
            flags = SRenderRecord::STATE_COLOURS;
        if (g->GetLayerCount() > 0)
            flags |= SRenderRecord::STATE_TEXTURES;
        record->m_usStateFlags = flags;
        g->BuildAndCompile(SRenderRecord::PATH_VERTEX_ARRAYS, false);
    }
    ApplyGlobalOverrides(g);
}

bool COGLModelFactory::AttachBumpShader(COGLModel* model, const SMaterialData* material,
                                        CCOGLTriangleGroup* g)
{
    if (!material || material->m_strShader != kBumpShader || material->m_Parameters.empty() ||
        g->GetLayerCount() == 0)
        return false;
    const SParameter& normal = material->m_Parameters[0];
    if (normal.m_strName != kNormalParameter || normal.m_iType != SParameter::TYPE_STRING || !normal.m_pValue)
        return false;
    CRefPtr<CCgSimpleBumpShader> shader(new CCgSimpleBumpShader(g, Renderer()));
    SOGLTexture normalMap;
    normalMap.m_uiTarget = GL_TEXTURE_2D;
    normalMap.m_bMipMaps = true;
    normalMap.m_iMinFilter = GL_LINEAR_MIPMAP_LINEAR;
    normalMap.m_iMagFilter = GL_LINEAR;
    if (!createTexture(&normalMap, kShaderFolder + *normal.m_pValue + ".tga"))
        return false;
    const SOGLTexture* base = model->GetTexture(g->GetLayer(0)->m_sTextureIndex);
    if (!shader->Init(normalMap.m_uiGLId, base ? base->m_uiGLId : 0))
        return false;
    g->GetRenderRecord()->m_pShader = shader.Get();
    return true;
}

void COGLModelFactory::ApplyGlobalOverrides(CCOGLTriangleGroup* g)
{
    COGLRenderer* renderer = Renderer();
    CRefPtr<COGLGlobalRenderSettings> settings = renderer ? renderer->GetRenderSettings() : nullptr;
    if (!settings)
        return;
    SRenderRecord* record = g->GetRenderRecord();
    if (settings->IsRenderModeOverrideActive())
    {
        if (g->Build(settings->GetRenderModeOverride(), true))
            Log(0,
                "New TriangleGroup - Creating TriGroup in Global RenderMode in COGLModelFactory::BuildMG()");
        else
            Log(1, "New TriangleGroup - Error Creating TriGroup in Global RenderMode in "
                   "COGLModelFactory::BuildMG()");
    }
    if (!record->m_pShader && settings->IsCacheModeOverrideActive() &&
        settings->GetCacheMode() == COGLGlobalRenderSettings::CACHE_GLOBAL_LISTS)
    {
        if (g->BuildAndCompile(record->m_iRenderMode, true))
            Log(1, "New TriangleGroup - Compiling Global CMO in COGLModelFactory::BuildMG()");
        else
            Log(1, "New TriangleGroup - Error Compiling Global CMO in COGLModelFactory::BuildMG()");
    }
}

CRefPtr<COGLDisplayList> COGLModelFactory::getStockObject(int shape, const std::string& textureName, float s0,
                                                          float t0, float s1, float t1, const float colour[4],
                                                          int blendMode)
{
    const GLuint list = glGenLists(1);
    SOGLTexture texture;
    bool textured = false;
    if (!textureName.empty())
    {
        texture.m_uiTarget = GL_TEXTURE_2D;
        texture.m_bMipMaps = false;
        texture.m_iMinFilter = GL_LINEAR;
        texture.m_iMagFilter = GL_LINEAR;
        textured = createTexture(&texture, textureName);
    }
    glNewList(list, GL_COMPILE);
    if (textured)
    {
        glActiveTexture(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture.m_uiGLId);
    }
    if (shape == eRECTANGLE)
    {
        static const float kCorners[6][2] = {{0, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 1}, {1, 0}};
        const float st[6][2] = {{s0, t0}, {s0, t1}, {s1, t0}, {s0, t1}, {s1, t1}, {s1, t0}};
        const float white[4] = {1, 1, 1, 1};
        glBegin(GL_TRIANGLES);
        glColor4fv(colour ? colour : white);
        for (int i = 0; i < 6; ++i)
        {
            if (textured)
                glTexCoord2f(st[i][0], st[i][1]);
            glVertex3f(kCorners[i][0], kCorners[i][1], 0.0f);
        }
        glEnd();
    }
    else if (shape == eCIRCLE)
        Log(1, "Error: eCIRCLE not implemented in COGLModelFactory::getStockObject");
    if (textured)
        glDisable(GL_TEXTURE_2D);
    glEndList();
    return CRefPtr<COGLDisplayList>(new COGLDisplayList(this, Renderer(), list, blendMode));
}

bool COGLModelFactory::CreateTerrain(const std::string& levelName, CTerrainInfo* info,
                                     std::vector<CRefPtr<COGLModel>>& models)
{
    // Terrain models of an earlier game that only this list still holds are
    // gone from the world: without this every new game would add a terrain.
    m_TerrainModels.erase(std::remove_if(m_TerrainModels.begin(), m_TerrainModels.end(),
                                         [](const CRefPtr<COGLModel>& m) { return m->GetRefCount() == 1; }),
                          m_TerrainModels.end());
    std::vector<CRefPtr<CModelData>> data;
    if (!m_pTerrainBuilder || !m_pTerrainBuilder->BuildTerrain(levelName, info, data))
    {
        Log(16, "Error: m_pTerrainBuilder->BuildTerrain failed for level %s", levelName.c_str());
        return false;
    }
    bool all = true;
    for (CRefPtr<CModelData>& segment : data)
    {
        CRefPtr<COGLModel> model = BuildMG(segment);
        if (!model)
        {
            all = false;
            continue;
        }
        models.push_back(model);
        m_TerrainModels.push_back(model);
    }
    return all;
}

bool COGLModelFactory::CreateEnv(const std::string* names, uint8_t count)
{
    if (count == 1 && names)
    {
        SOGLTexture record;
        record.m_uiTarget = GL_TEXTURE_2D;
        record.m_bMipMaps = true;
        record.m_iMinFilter = GL_LINEAR_MIPMAP_LINEAR;
        record.m_iMagFilter = GL_LINEAR;
        if (!createTexture(&record, names[0]))
            return false;
        m_iEnvironmentKind = ENV_SPHERE;
        m_uiEnvironmentTexture = record.m_uiGLId;
    }
    else if (count == 6 && names)
    {
        for (int i = 0; i < 6; ++i)
        {
            SOGLTexture record;
            record.m_uiTarget = GL_TEXTURE_CUBE_MAP_POSITIVE_X + i;
            record.m_bMipMaps = false;
            record.m_iMinFilter = GL_LINEAR;
            record.m_iMagFilter = GL_LINEAR;
            if (!createTexture(&record, names[i]))
            {
                Log(1, "Could not establish CUBE_MAP_TEXTURE_OBJECTS in COGLModelFactory::CreateEnv()");
                return false;
            }
        }
        m_iEnvironmentKind = ENV_CUBE;
        m_uiEnvironmentTexture = 0;
    }
    else
    {
        Log(1,
            "Must specify eighter 1 or 6 Textures for Environment Mapping in COGLModelFactory::CreateEnv()");
        return false;
    }
    UpdateEnvironmentMaps();
    return true;
}

void COGLModelFactory::UpdateEnvironmentMaps()
{
    COGLRenderer* renderer = Renderer();
    for (auto& entry : m_Models)
    {
        COGLModel* model = entry.second.Get();
        for (size_t i = 0; i < model->GetTriangleGroupCount(); ++i)
        {
            CCOGLTriangleGroup* g = model->GetTriangleGroup(static_cast<int>(i));
            const SGLMaterial* material = model->GetMaterial(g->GetMaterialIndex());
            if (!material || material->m_fReflectivity <= 0.0f)
                continue;
            SEnvironmentMap* map = g->GetEnvironmentMap();
            map->m_iKind = m_iEnvironmentKind;
            map->m_uiTextureId = m_uiEnvironmentTexture;
            map->m_Colour[3] = 1.0f - material->m_fReflectivity;
            if (renderer && g->GetRenderRecord()->m_iCompiled == SRenderRecord::LIST_RECORDED)
                renderer->Compile(g, model);
        }
    }
}

int COGLModelFactory::Recompile(int mode, bool onlyCompiled)
{
    int failedVBO = 0, failedCompile = 0, createdVBO = 0, compiledLists = 0;
    std::vector<COGLModel*> models;
    for (auto& entry : m_Models)
        models.push_back(entry.second.Get());
    for (CRefPtr<COGLModel>& terrain : m_TerrainModels)
        models.push_back(terrain.Get());
    for (COGLModel* model : models)
    {
        for (size_t i = 0; i < model->GetTriangleGroupCount(); ++i)
        {
            CCOGLTriangleGroup* g = model->GetTriangleGroup(static_cast<int>(i));
            SRenderRecord* record = g->GetRenderRecord();
            const int target = mode == 4 ? record->m_iRenderMode : mode;
            if (mode == SRenderRecord::PATH_VBO && !record->m_bVBOCreated)
            {
                if (g->Build(SRenderRecord::PATH_VBO, true))
                    ++createdVBO;
                else
                    ++failedVBO;
            }
            if (onlyCompiled && record->m_iCompiled != SRenderRecord::LIST_RECORDED)
                continue;
            if (!g->Build(target, true))
                Log(1, "Error Creating RenderMode Override in CModelFactory::RecompileAll()");
            if (record->m_iCompiled == SRenderRecord::LIST_SHADER)
                continue;
            if (g->BuildAndCompile(target, true))
                ++compiledLists;
            else
                ++failedCompile;
        }
    }
    Log(0, "nmbFailedVBO: %d\nnmbFailedCompile: %d\nnmbCreatedVBO: %d\nnmbCompiledList: %d", failedVBO,
        failedCompile, createdVBO, compiledLists);
    return failedCompile + failedVBO;
}

int COGLModelFactory::RecompileAll(int mode)
{
    return Recompile(mode, false);
}

int COGLModelFactory::RecompileCompiledLists(int mode)
{
    return Recompile(mode, true);
}

void COGLModelFactory::SetTextureFilter(int quality)
{
    for (auto& entry : m_Textures)
    {
        const CTextureProperties* texture = entry.second.Get();
        GLint mag = 0, min = 0;
        if (quality == 1)
            mag = min = GL_NEAREST;
        else if (quality == 2)
            mag = min = GL_LINEAR;
        else if (quality == 4 && texture->m_bMipMaps)
        {
            mag = GL_LINEAR;
            min = GL_LINEAR_MIPMAP_LINEAR;
        }
        else
            continue;
        const GLenum target = m_TextureTargets[entry.first];
        glBindTexture(target, texture->m_uiGLId);
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, mag);
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, min);
        glBindTexture(target, 0);
    }
}

void COGLModelFactory::SetMipMapFilter(bool on)
{
    for (auto& entry : m_Textures)
    {
        const GLenum target = m_TextureTargets[entry.first];
        glBindTexture(target, entry.second->m_uiGLId);
        glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, on ? 1000 : 0);
        glBindTexture(target, 0);
    }
}
