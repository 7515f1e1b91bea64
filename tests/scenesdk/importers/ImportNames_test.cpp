// The names a foreign read gives its objects: each new node, material and
// texture passes through the read's renaming strategy, so a repeated name
// gets a running number while names the reader made distinct stay.

#include "tests/scenesdk/importers/DxfText.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/SceneNames.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;
using namespace importtest;

TEST(ImportNames, RepeatsAreNumberedAndDistinctNamesStay)
{
    testsupport::TempDir dir;
    dir.WriteFile("wood.mtl", "newmtl Wood\nmap_Kd wood.tga\n"
                              "newmtl Oak\nmap_Kd -o 0.5 0 0 wood.tga\n"
                              "newmtl default\nKd 1 0 0\n");
    const std::string face = "0 3DFACE 8 0 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0 ";
    // The file, its text, the scene's names after the read.
    const std::tuple<const char*, std::string, const char*> rows[] = {
        // Three inserts of one block: the copies are numbered in the order
        // they are made.
        {"posts.dxf",
         Dxf("0 SECTION 2 BLOCKS 0 BLOCK 2 Post 10 0 20 0 30 0 " + face +
             "0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES " + face + "0 INSERT 8 0 2 Post 10 0 20 0 30 0 " +
             "0 INSERT 8 0 2 Post 10 5 20 0 30 0 0 INSERT 8 0 2 Post 10 9 20 0 30 0 0 ENDSEC 0 EOF"),
         "Model::RootNode Model::0 Model::Post Model::Post1 Model::Post2 | Material::Color 7 |"},
        // One texture file placed two ways gives two textures of one name; a
        // face of an unknown material takes the default material, whose name
        // the file gave another; a node may share a material's bare name.
        {"wood.obj",
         "mtllib wood.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\ng Wood\nusemtl Wood\nf 1/1 2/1 3/1\n"
         "usemtl Oak\nf 1/1 2/1 3/1\nusemtl default\nf 1 2 3\nusemtl Pine\nf 1 2 3\n",
         "Model::RootNode Model::Wood | Material::Wood Material::Oak Material::default Material::default1 | "
         "Texture::wood.tga Texture::wood.tga1"},
        // Joints the reader names apart itself keep its names.
        {"hips.bvh",
         "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n"
         "JOINT Hip\n{\nOFFSET 0 1 0\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n}\n"
         "MOTION\nFrames: 1\nFrame Time: 0.1\n0 0 0\n",
         "Model::RootNode Model::Hip Model::Hip_2 Model::Hip_2_End | |"},
    };
    for (const auto& [file, text, names] : rows)
    {
        SCOPED_TRACE(file);
        KScnSdkManager manager;
        KScnSceneRoot* scene = Import(manager, dir.WriteFile(file, text));
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(testsupport::SceneNames(scene), names);
    }
}
