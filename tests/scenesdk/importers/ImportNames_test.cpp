// The names a foreign read gives its objects: each new node, material and
// texture passes through the read's renaming strategy, so a repeated name
// gets a running number while names the reader made distinct stay.

#include "tests/scenesdk/importers/DxfText.h"
#include "tests/scenesdk/importers/ImportedScene.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;
using namespace importtest;

namespace
{

using Names = std::vector<std::string>;

// The current names of the scene's nodes below the root (depth first), of
// its materials and of its textures, in list order.
void Walk(KScnNode* node, Names& out)
{
    for (int i = 0; i < node->GetChildCount(); ++i)
    {
        out.push_back(node->GetChild(i)->GetName());
        Walk(node->GetChild(i), out);
    }
}

Names NodeNames(KScnSceneRoot* scene)
{
    Names out;
    Walk(scene->GetRootNode(), out);
    return out;
}

Names MaterialNames(KScnSceneRoot* scene)
{
    Names out;
    for (int i = 0; i < scene->GetContents()->GetMaterialCount(); ++i)
        out.push_back(scene->GetContents()->GetMaterial(i)->GetName());
    return out;
}

Names TextureNames(KScnSceneRoot* scene)
{
    Names out;
    for (int i = 0; i < scene->GetContents()->GetTextureCount(); ++i)
        out.push_back(scene->GetContents()->GetTexture(i)->GetName());
    return out;
}

const char* const kFace = "0 3DFACE 8 0 10 0 20 0 30 0 11 1 21 0 31 0 12 0 22 1 32 0 ";

} // namespace

TEST(ImportNames, RepeatsAreNumberedAndDistinctNamesStay)
{
    testsupport::TempDir dir;
    dir.WriteFile("wood.mtl", "newmtl Wood\nmap_Kd wood.tga\n"
                              "newmtl Oak\nmap_Kd -o 0.5 0 0 wood.tga\n"
                              "newmtl default\nKd 1 0 0\n");
    const struct
    {
        const char* file;
        std::string text;
        Names nodes, materials, textures;
    } rows[] = {
        // Three inserts of one block: the copies are numbered in the order
        // they are made.
        {"posts.dxf",
         Dxf(std::string("0 SECTION 2 BLOCKS 0 BLOCK 2 Post 10 0 20 0 30 0 ") + kFace +
             "0 ENDBLK 0 ENDSEC 0 SECTION 2 ENTITIES " + kFace + "0 INSERT 8 0 2 Post 10 0 20 0 30 0 " +
             "0 INSERT 8 0 2 Post 10 5 20 0 30 0 0 INSERT 8 0 2 Post 10 9 20 0 30 0 0 ENDSEC 0 EOF"),
         {"Model::0", "Model::Post", "Model::Post1", "Model::Post2"},
         {"Material::Color 7"},
         {}},
        // One texture file placed two ways gives two textures of one name; a
        // face of an unknown material takes the default material, whose name
        // the file gave another; a node may share a material's bare name.
        {"wood.obj",
         "mtllib wood.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\ng Wood\nusemtl Wood\nf 1/1 2/1 3/1\n"
         "usemtl Oak\nf 1/1 2/1 3/1\nusemtl default\nf 1 2 3\nusemtl Pine\nf 1 2 3\n",
         {"Model::Wood"},
         {"Material::Wood", "Material::Oak", "Material::default", "Material::default1"},
         {"Texture::wood.tga", "Texture::wood.tga1"}},
        // Joints the reader names apart itself keep its names.
        {"hips.bvh",
         "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\nCHANNELS 3 Xposition Yposition Zposition\n"
         "JOINT Hip\n{\nOFFSET 0 1 0\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n}\n"
         "MOTION\nFrames: 1\nFrame Time: 0.1\n0 0 0\n",
         {"Model::Hip", "Model::Hip_2", "Model::Hip_2_End"},
         {},
         {}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.file);
        KScnSdkManager manager;
        KScnSceneRoot* scene = Import(manager, dir.WriteFile(row.file, row.text));
        ASSERT_NE(scene, nullptr);
        EXPECT_EQ(NodeNames(scene), row.nodes);
        EXPECT_EQ(MaterialNames(scene), row.materials);
        EXPECT_EQ(TextureNames(scene), row.textures);
    }
}
