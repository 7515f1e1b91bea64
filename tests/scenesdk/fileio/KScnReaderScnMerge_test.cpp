// A scene file merged into a scene that holds objects already: each node,
// material and texture the read makes passes through a renaming strategy
// that knows the scene's names, so a clash gets a running number while the
// read's own connections follow the file's names.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

using Names = std::vector<std::string>;

const char* const kBox = R"(FileHeader: { Version: 6000 }
Objects: {
    Material: "Red"
    Texture: "Wood" { FileName: "wood.tga" }
    Model: "Box" { Children: "Lid"
                   Materials: "Red"
                   Textures: "Wood" }
    Model: "Lid"
}
)";

const char* const kBox1 = R"(FileHeader: { Version: 6000 }
Objects: {
    Material: "Red1"
    Model: "Box1"
    Model: "RootNode"
}
)";

class ReadMergeTest : public testsupport::TempDirTest
{
protected:
    bool Read(const char* text)
    {
        const std::string path = m_Dir.WriteFile("merge.scn", text);
        KScnFree<KScnImporter> importer(&mManager);
        return importer.Initialize(path.c_str()) && importer.Import(mScene);
    }

    Names NodeNames()
    {
        Names out;
        for (int i = 0; i < mScene->GetContents()->GetNodeCount(); ++i)
            out.push_back(mScene->GetContents()->GetNode(i)->GetName());
        return out;
    }

    Names MaterialNames()
    {
        Names out;
        for (int i = 0; i < mScene->GetContents()->GetMaterialCount(); ++i)
            out.push_back(mScene->GetContents()->GetMaterial(i)->GetName());
        return out;
    }

    Names TextureNames()
    {
        Names out;
        for (int i = 0; i < mScene->GetContents()->GetTextureCount(); ++i)
            out.push_back(mScene->GetContents()->GetTexture(i)->GetName());
        return out;
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
};

TEST_F(ReadMergeTest, ClashesWithTheScenesNamesAreNumbered)
{
    const struct
    {
        const char* file;
        Names nodes, materials, textures; // the whole scene after the read
    } rows[] = {
        // Into a scene holding only its root: the file's names, a node named
        // like the root included.
        {kBox1, {"Model::RootNode", "Model::Box1", "Model::RootNode"}, {"Material::Red1"}, {}},
        {kBox,
         {"Model::RootNode", "Model::Box1", "Model::RootNode", "Model::Box", "Model::Lid"},
         {"Material::Red1", "Material::Red"},
         {"Texture::Wood"}},
        // Box1 and Red1 are taken: the next numbers.
        {kBox,
         {"Model::RootNode", "Model::Box1", "Model::RootNode", "Model::Box", "Model::Lid", "Model::Box2",
          "Model::Lid1"},
         {"Material::Red1", "Material::Red", "Material::Red2"},
         {"Texture::Wood", "Texture::Wood1"}},
        // A name made by the last read is taken like any other; a node named
        // like the scene's root is renamed once a node of that name is there.
        {kBox1,
         {"Model::RootNode", "Model::Box1", "Model::RootNode", "Model::Box", "Model::Lid", "Model::Box2",
          "Model::Lid1", "Model::Box11", "Model::RootNode1"},
         {"Material::Red1", "Material::Red", "Material::Red2", "Material::Red11"},
         {"Texture::Wood", "Texture::Wood1"}},
    };
    for (const auto& row : rows)
    {
        ASSERT_TRUE(Read(row.file));
        EXPECT_EQ(NodeNames(), row.nodes);
        EXPECT_EQ(MaterialNames(), row.materials);
        EXPECT_EQ(TextureNames(), row.textures);
    }
}

// The read connects by the file's names: the renamed Box gets the renamed
// Lid as its child and the renamed Red and Wood as its material and texture.
TEST_F(ReadMergeTest, ConnectionsFollowTheFilesNames)
{
    ASSERT_TRUE(Read(kBox));
    ASSERT_TRUE(Read(kBox));
    KScnNode* box = mScene->GetRootNode()->FindChild("Box1", false, false);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetChildCount(), 1);
    EXPECT_STREQ(box->GetChild(0)->GetName(), "Model::Lid1");
    KScnPropertyHandler* handler = box->GetPropertyHandler();
    ASSERT_EQ(handler->GetSrcCount(KScnMaterialProperties::ClassId), 1);
    EXPECT_EQ(handler->GetSrc(0, KScnMaterialProperties::ClassId), mScene->GetContents()->GetMaterial(1)->GetPropertyHandler());
    EXPECT_STREQ(mScene->GetContents()->GetMaterial(1)->GetName(), "Material::Red1");
    ASSERT_EQ(handler->GetSrcCount(KScnTextureProperties::ClassId), 1);
    EXPECT_EQ(handler->GetSrc(0, KScnTextureProperties::ClassId), mScene->GetContents()->GetTexture(1)->GetPropertyHandler());
    // The first Box keeps its own.
    KScnNode* first = mScene->GetRootNode()->FindChild("Box", false, false);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetChild(0)->GetName(), "Model::Lid");
}

} // namespace
