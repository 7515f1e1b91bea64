#pragma once

#include "render/CModelFactory.h"
#include "render/CTextureProperties.h"
#include "render/SOGLTexture.h"

#include <map>
#include <string>
#include <vector>

class COGLRenderer;

// The OpenGL model factory: turns model files (through the importer) and
// terrain sections (through the terrain builder) into COGLModels, uploads
// textures once through the renderer and keeps every model and texture for
// the rest of the run. Model files are cached under their lower-cased names
// with backslashes turned into slashes, textures under their names exactly
// as asked. Needs the renderer's context for everything but construction.
class COGLModelFactory : public CModelFactory
{
public:
    // Environment kinds.
    enum
    {
        ENV_SPHERE = 0,
        ENV_CUBE = 1,
        ENV_NONE = 2
    };

    // renderer: the renderer models are made for (not counted, it outlives
    // the factory); null takes the engine services' renderer when needed.
    COGLModelFactory(CRefPtr<CSCNLoader> loader, CRefPtr<CTextureLoader> textureLoader,
                     CRefPtr<CTerrainBuilder> terrainBuilder, COGLRenderer* renderer = nullptr);
    // Drops both caches and the terrain models (each goes with its last handle).
    virtual ~COGLModelFactory();

    // A file that could not be loaded is imported once: later calls give
    // empty at once, saying nothing. "Loading new Model : <key>" goes to
    // "Debug.log".
    CRefPtr<COGLModel> getModel(const std::string& fileName) override;
    std::string GetModelError(const std::string& fileName) const override;
    CRefPtr<COGLDisplayList> getStockObject(int shape, const std::string& textureName, float s0, float t0,
                                            float s1, float t1, const float colour[4],
                                            int blendMode) override;
    // Also drops the terrain models of earlier calls that nothing else holds.
    bool CreateTerrain(const std::string& levelName, CTerrainInfo* info,
                       std::vector<CRefPtr<COGLModel>>& models) override;
    bool CreateEnv(const std::string* names, uint8_t count) override;
    int RecompileAll(int mode) override;
    int RecompileCompiledLists(int mode) override;
    void SetTextureFilter(int quality) override;
    void SetMipMapFilter(bool on) override;
    bool GetTextureSize(const std::string& name, uint32_t& width, uint32_t& height) const override;

    // Uploads the file as the record asks (target and both filters must be
    // set) unless a texture of that name exists: then the record just gets
    // the cached name and id (its own target and filters are not applied).
    bool createTexture(SOGLTexture* record, const std::string& fileName);
    // A model from model data: materials, textures, groups with their paths,
    // bump shaders and environment maps. Null for inconsistent data (logged).
    CRefPtr<COGLModel> BuildMG(CRefPtr<CModelData> data);

    // Cache keys of model files: lower case, slashes.
    static std::string NormaliseName(const std::string& fileName);

    int GetEnvironmentKind() const { return m_iEnvironmentKind; }
    uint32_t GetEnvironmentTexture() const { return m_uiEnvironmentTexture; }
    size_t GetModelCount() const { return m_Models.size(); }
    size_t GetTextureCount() const { return m_Textures.size(); }
    // The cached texture of the name, or null.
    CTextureProperties* FindTexture(const std::string& name) const;
    const std::vector<CRefPtr<COGLModel>>& GetTerrainModels() const { return m_TerrainModels; }

private:
    COGLRenderer* Renderer() const;
    void BuildGroup(COGLModel* model, const CModelData& data, const STriangleGroupData& source,
                    CCOGLTriangleGroup* group);
    // Attaches the bump shader when the material asks for it; false when the
    // group stays an ordinary one.
    bool AttachBumpShader(COGLModel* model, const SMaterialData* material, CCOGLTriangleGroup* group);
    void ApplyGlobalOverrides(CCOGLTriangleGroup* group);
    // Gives every reflective group of every cached model the environment map.
    void UpdateEnvironmentMaps();
    int Recompile(int mode, bool onlyCompiled);

    COGLRenderer* m_pRenderer;
    std::map<std::string, CRefPtr<CTextureProperties>> m_Textures;
    // GL target each cached texture was bound to (2D or cube map).
    std::map<std::string, uint32_t> m_TextureTargets;
    std::map<std::string, CRefPtr<COGLModel>> m_Models;
    // Cache keys of model files that could not be loaded, with why.
    std::map<std::string, std::string> m_FailedModels;
    std::vector<CRefPtr<COGLModel>> m_TerrainModels;
    int32_t m_iEnvironmentKind;
    uint32_t m_uiEnvironmentTexture;
};
