#pragma once

// A small world that passes the game's start-up check of what the level
// set-up reads (the "GAME" keys of a 1000 x 1000 terrain from a 3 x 3
// heightmap, a forest without trees and the sun; a level's sky keys), and
// the files they name. Its models are scene files without a mesh: the
// start-up takes them, but a level's set-up fails at its sky.

#include "tests/support/ImageFiles.h"
#include "tests/support/TempDir.h"

namespace testsupport
{

constexpr const char* kWorldGameKeys =
    "XSize=1000\nZSize=1000\nYScale=0.1\nSegments=1\nHeightmap=Data/terrain/heightmap.tga\n"
    "TerrainTexture1=Data/terrain/grass.tga\nTerrainTexture2=Data/terrain/detail.tga\n"
    "Treemap=Data/terrain/treemap.tga\nNmbTrees=1\nTreeModel1=Data/models/tree1.scn\n"
    "SunDir=0.4;1.0;0.3\nSunDiffuseColor=1;1;1\nSunAmbientColor=0.3;0.3;0.3\n";
constexpr const char* kWorldLevelKeys =
    "EnvironmentType=Sphere\nEnvironmentModel=Data/environment/envSphere.scn\n"
    "ReflectionMapTexture=Data/environment/sky.tga\n";

inline void WriteWorldFiles(const TempDir& dir)
{
    for (const char* image :
         {"Data/terrain/grass.tga", "Data/terrain/detail.tga", "Data/environment/sky.tga"})
        dir.WriteFile(image, MakeTga(4, 4));
    dir.WriteFile("Data/terrain/heightmap.tga", MakeTga(3, 3));
    dir.WriteFile("Data/terrain/treemap.tga", MakeTga(1, 1, 0, 0, 0));
    for (const char* model : {"Data/models/tree1.scn", "Data/environment/envSphere.scn"})
        dir.WriteFile(model, "; no mesh\nFileHeader: {\n}\n");
}

} // namespace testsupport
