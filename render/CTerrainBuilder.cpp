#include "render/CTerrainBuilder.h"

bool CTerrainBuilder::BuildTerrain(const std::string&, CTerrainInfo*, std::vector<CRefPtr<CModelData>>&)
{
    return false;
}
