#pragma once

#include "app/CRefCounted.h"
#include "render/CModelData.h"
#include "render/CTextureLoader.h"

#include <string>
#include <vector>

class CTerrainInfo;

// Builds a level's terrain meshes (one CModelData per segment) and height
// record from the level's settings section. This is the interface only: the
// build itself is not in yet and BuildTerrain reports failure.
class CTerrainBuilder : public CRefCounted
{
public:
    explicit CTerrainBuilder(CRefPtr<CTextureLoader> textureLoader) : m_pTextureLoader(textureLoader) {}
    virtual ~CTerrainBuilder() {}

    // models gets Segments x Segments entries on success; info (may be null)
    // the height record.
    virtual bool BuildTerrain(const std::string& section, CTerrainInfo* info,
                              std::vector<CRefPtr<CModelData>>& models);

protected:
    CRefPtr<CTextureLoader> m_pTextureLoader;
};
