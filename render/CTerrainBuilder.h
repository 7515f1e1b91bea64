#pragma once

#include "app/CRefCounted.h"
#include "app/CSettings.h"
#include "render/CModelData.h"
#include "render/CTerrainInfo.h"
#include "render/CTextureLoader.h"

#include <string>
#include <vector>

// Builds a level's heightmap terrain from the keys of its settings section:
//   "XSize", "ZSize"  world extent along x and z (positive numbers)
//   "YScale"          world height per heightmap sample unit (0..255)
//   "Segments"        the map is cut into Segments x Segments render models
//                     (an integer 1..65535)
//   "Heightmap"       TGA file; width - 1 and height - 1 must be multiples of
//                     Segments. A pixel's first byte (blue; grey images have
//                     equal channels) is its sample; column x runs along world
//                     x, row z in file order along world z.
//   "TerrainTexture1", "TerrainTexture2"  textures of the two layers: the
//                     first spans the map, the second repeats once per cell.
// One build makes the render models, the collision mesh (cooked by the
// physics manager of the engine services, through "cookedmesh.tmp") and,
// when asked, the height record. Each cell is four triangles around its
// centre, whose height is the mean of the corners. The builder keeps nothing
// between builds. Main thread only.
class CTerrainBuilder : public CRefCounted
{
public:
    // The section's terrain keys, as a build reads them.
    struct STerrainSettings
    {
        float xSize = 0.0f;
        float zSize = 0.0f;
        float yScale = 0.0f;
        unsigned int segments = 1;
        std::string heightmap;
        std::string texture1;
        std::string texture2;
    };
    // Reads the section's keys and, through loader, its heightmap, and checks
    // that they make a terrain: what a build reads before it builds. False
    // with the fault (not logged) when a key is missing or invalid, the
    // heightmap cannot be read or its size does not fit the segments; else
    // heightmap holds the image. The level set-up and the start-up check
    // share it.
    static bool ReadSettings(const std::string& section, CTextureLoader* loader, STerrainSettings& keys,
                             CRefPtr<CTextureProperties>& heightmap, SSettingsFault& fault);

    // Keeps a handle to the loader that reads the heightmaps.
    explicit CTerrainBuilder(const CRefPtr<CTextureLoader>& textureLoader);
    ~CTerrainBuilder() override;

    CTerrainBuilder(const CTerrainBuilder&) = delete;
    CTerrainBuilder& operator=(const CTerrainBuilder&) = delete;

    // Builds the terrain of the settings section. On success models holds
    // exactly Segments * Segments new models, segment (sx, sz) at index
    // sz * Segments + sx, each one triangle group with two texture layers,
    // and info (when not null) holds the height record with the cooked mesh.
    // On failure the reason is logged (flag 1), false is returned and
    // neither models nor info is touched. Virtual so that tests of the
    // model factory can stand in a builder of their own.
    virtual bool BuildTerrain(const std::string& section, CTerrainInfo* info,
                              std::vector<CRefPtr<CModelData>>& models);

protected:
    CRefPtr<CTextureLoader> m_pTextureLoader;
};
