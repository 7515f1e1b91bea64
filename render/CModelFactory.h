#pragma once

#include "app/CRefCounted.h"
#include "render/COGLDisplayList.h"
#include "render/COGLModel.h"
#include "render/CSCNLoader.h"
#include "render/CTerrainBuilder.h"
#include "render/CTextureLoader.h"

#include <cstdint>
#include <string>
#include <vector>

class CTerrainInfo;

// The model factory as the engine services hand it out: models by file name,
// the GUI's stock objects, terrain and environment map, and the global
// rebuilds and texture-filter changes the render settings ask for. Holds the
// model importer, the texture loader and the terrain builder (any may be
// empty: what needs a missing one fails).
class CModelFactory : public CRefCounted
{
public:
    // Stock shapes.
    enum
    {
        eRECTANGLE = 0,
        eCIRCLE = 1
    };

    CModelFactory() {}
    CModelFactory(CRefPtr<CSCNLoader> loader, CRefPtr<CTextureLoader> textureLoader,
                  CRefPtr<CTerrainBuilder> terrainBuilder)
        : m_pSCNLoader(loader), m_pTextureLoader(textureLoader), m_pTerrainBuilder(terrainBuilder)
    {
    }
    virtual ~CModelFactory() {}

    // The model of the file, loaded once and kept for the run; empty when it
    // cannot be loaded (the factory may remember that and not try again).
    virtual CRefPtr<COGLModel> getModel(const std::string& fileName) = 0;
    // Why getModel gave empty for the file, for a player's message ("File is
    // corrupted (expected a value at byte 26486)"); empty when it loaded,
    // was never asked for, or the factory does not keep reasons.
    virtual std::string GetModelError(const std::string& /*fileName*/) const { return std::string(); }
    // A unit rectangle (shape 0) in one display list, textured with (s0, t0)
    // .. (s1, t1) when the texture loads, coloured, drawn with the blend mode.
    virtual CRefPtr<COGLDisplayList> getStockObject(int shape, const std::string& textureName, float s0,
                                                    float t0, float s1, float t1, const float colour[4],
                                                    int blendMode) = 0;
    // The terrain models of a level section (one per segment), appended to
    // models; false when the terrain cannot be built.
    virtual bool CreateTerrain(const std::string& levelName, CTerrainInfo* info,
                               std::vector<CRefPtr<COGLModel>>& models) = 0;
    // The environment map: one sphere-map texture (count 1) or six cube
    // faces. False when a texture cannot be made or the count is neither 1
    // nor 6 (the previous map then stays).
    virtual bool CreateEnv(const std::string* names, uint8_t count) = 0;
    // Rebuilds every group of every model for the render path mode (0
    // immediate, 1 vertex arrays, 2 VBO; 4 = each group's own path) and
    // records its display list again. Returns the number of failures.
    virtual int RecompileAll(int mode) = 0;
    // The same for the groups that have a display list only.
    virtual int RecompileCompiledLists(int mode) = 0;
    // Texture filters for every texture: 1 nearest, 2 bilinear, 4 trilinear
    // (mip-mapped textures only); other values change nothing.
    virtual void SetTextureFilter(int quality) = 0;
    // Allows (true) or forbids the use of mip-map levels beyond the first.
    virtual void SetMipMapFilter(bool on) = 0;
    // The pixel size of a texture made earlier under that name; false when
    // there is none.
    virtual bool GetTextureSize(const std::string& /*name*/, uint32_t& /*width*/, uint32_t& /*height*/) const
    {
        return false;
    }

protected:
    CRefPtr<CSCNLoader> m_pSCNLoader;
    CRefPtr<CTextureLoader> m_pTextureLoader;
    CRefPtr<CTerrainBuilder> m_pTerrainBuilder;
};
