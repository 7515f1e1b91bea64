// A scene file merged into a scene that holds objects already: each node,
// material and texture the read makes passes through a renaming strategy
// that knows the scene's names, so a clash gets a running number while the
// read's own connections follow the file's names.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/SceneNames.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

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
        KScnFree<KScnImporter> importer(&mManager);
        return importer.Initialize(m_Dir.WriteFile("merge.scn", text).c_str()) && importer.Import(mScene);
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
};

// The whole scene's names after each read, in turn.
TEST_F(ReadMergeTest, ClashesWithTheScenesNamesAreNumbered)
{
    const std::pair<const char*, const char*> rows[] = {
        // Into a scene holding only its root: the file's names, a node named
        // like the root included.
        {kBox1, "Model::RootNode Model::Box1 Model::RootNode | Material::Red1 |"},
        {kBox,
         "Model::RootNode Model::Box1 Model::RootNode Model::Box Model::Lid | Material::Red1 Material::Red "
         "| Texture::Wood"},
        // Box1 and Red1 are taken: the next numbers.
        {kBox, "Model::RootNode Model::Box1 Model::RootNode Model::Box Model::Lid Model::Box2 Model::Lid1 | "
               "Material::Red1 Material::Red Material::Red2 | Texture::Wood Texture::Wood1"},
        // A name made by the last read is taken like any other; a node named
        // like the scene's root is renamed once a node of that name is there.
        {kBox1,
         "Model::RootNode Model::Box1 Model::RootNode Model::Box Model::Lid Model::Box2 Model::Lid1 "
         "Model::Box11 Model::RootNode1 | Material::Red1 Material::Red Material::Red2 Material::Red11 | "
         "Texture::Wood Texture::Wood1"},
    };
    for (const auto& [file, names] : rows)
    {
        ASSERT_TRUE(Read(file));
        EXPECT_EQ(testsupport::SceneNames(mScene), names);
    }
}

// The read connects by the file's names: the renamed Box gets the renamed
// Lid as its child and the renamed Red and Wood as its material and
// texture; the first Box keeps its own.
TEST_F(ReadMergeTest, ConnectionsFollowTheFilesNames)
{
    ASSERT_TRUE(Read(kBox));
    ASSERT_TRUE(Read(kBox));
    KScnSceneContents* contents = mScene->GetContents();
    for (const auto& [box, lid, second] : {std::tuple("Box1", "Model::Lid1", 1), {"Box", "Model::Lid", 0}})
    {
        SCOPED_TRACE(box);
        KScnNode* node = mScene->GetRootNode()->FindChild(box, false, false);
        ASSERT_NE(node, nullptr);
        ASSERT_EQ(node->GetChildCount(), 1);
        EXPECT_STREQ(node->GetChild(0)->GetName(), lid);
        KScnPropertyHandler* handler = node->GetPropertyHandler();
        ASSERT_EQ(handler->GetSrcCount(KScnMaterialProperties::ClassId), 1);
        EXPECT_EQ(handler->GetSrc(0, KScnMaterialProperties::ClassId),
                  contents->GetMaterial(second)->GetPropertyHandler());
        ASSERT_EQ(handler->GetSrcCount(KScnTextureProperties::ClassId), 1);
        EXPECT_EQ(handler->GetSrc(0, KScnTextureProperties::ClassId),
                  contents->GetTexture(second)->GetPropertyHandler());
    }
}

} // namespace
