// A scene file merged into a scene that holds objects already: each node,
// material and texture the read makes passes through a renaming strategy
// that knows the scene's names, so a clash gets a running number while the
// read's own connections follow the file's names.

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/SceneNames.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// A mesh whose two polygons use its third and first materials, both its second texture, a bone under it.
const char* const kRig = R"(FileHeader: { Version: 6000 }
Objects: {
    Material: "R"
    Material: "G"
    Material: "B"
    Texture: "Oak" { FileName: "oak.tga" }
    Texture: "Elm" { FileName: "elm.tga" }
    Model: "Body", "Mesh" {
        Children: "Bone"
        Materials: "R", "G", "B"
        Textures: "Oak", "Elm"
        Mesh: {
            ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0
            PolygonSizes: 3, 3
            PolygonVertices: 0, 1, 2, 1, 0, 2
            Layer: 0 { LayerElementMaterial: { Indices: 2, 0 } LayerElementTexture: { Indices: 1, 1 } }
        }
    }
    Model: "Bone", "Skeleton" { Properties: { InheritType: 2 } }
}
)";

// What the contents' nodes from..to hold, but names: bones' inherit types; meshes'
// material and texture entries as positions among the node's sources, and their counts.
std::string Made(KScnSceneRoot* scene, int from, int to)
{
    std::string out;
    for (int n = from; n < to; ++n)
    {
        KScnNode* node = scene->GetContents()->GetNode(n);
        KScnPropertyHandler* sources = node->GetPropertyHandler();
        if (node->GetSkeleton() != nullptr)
            out += "bone " + std::to_string(node->GetTransformInheritType()) + "; ";
        auto* mesh = static_cast<KScnMesh*>(node->GetMesh());
        const KScnLayer* layer = mesh != nullptr ? mesh->GetLayer(0) : nullptr;
        for (const int type : {KScnLayerElement::eMaterial, KScnLayerElement::eTexture})
        {
            const KScnLayerElement* e = layer != nullptr ? layer->GetElement(type) : nullptr;
            for (int i = 0; e != nullptr && i < e->GetIndexCount(); ++i)
            {
                const int entry = e->GetIndexAt(i);
                KObject* set = entry >= e->GetDirectCount() ? nullptr
                               : type == KScnLayerElement::eTexture
                                   ? e->GetDirect<KScnTexture*>()[entry]->GetPropertyHandler()
                                   : e->GetDirect<KScnMaterial*>()[entry]->GetPropertyHandler();
                int at = 0;
                while (set != nullptr && at < sources->GetSrcCount() && sources->GetSrc(at) != set)
                    ++at;
                out += std::to_string(at) + " ";
            }
            out += e != nullptr ? "of " + std::to_string(e->GetDirectCount()) + "; " : "";
        }
    }
    return out;
}

class ReadMergeTest : public testsupport::TempDirTest
{
protected:
    bool Read(const char* text, const std::string& name = "merge.scn", KScnSceneRoot* into = nullptr)
    {
        KScnFree<KScnImporter> importer(&mManager);
        importer.SetFileFormat(KScnImporter::FindFileFormat(name.substr(name.rfind('.') + 1).c_str()));
        return importer.Initialize(m_Dir.WriteFile(name, text).c_str()) &&
               importer.Import(into ? into : mScene);
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
};

// The whole scene's names after each read, in turn. Each read makes what the file gives
// read alone, kept as the caller left it (bones set to inherit type 2) through later reads.
TEST_F(ReadMergeTest, ClashesWithTheScenesNamesAreNumbered)
{
    const struct { const char* file, *names /* "": not looked at */, *name = "merge.scn"; } rows[] = {
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
        // Meshes and bones: later reads, a foreign one too, leave the first's layers and bones alone.
        {kRig, ""}, {kRig, ""}, {kRig, ""},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "", "merge.obj"},
    };
    std::vector<std::pair<int, std::string>> reads; // where each read's nodes start, what they hold
    for (const auto& [file, names, name] : rows)
    {
        SCOPED_TRACE(reads.size());
        const int from = mScene->GetContents()->GetNodeCount();
        ASSERT_TRUE(Read(file, name));
        EXPECT_EQ(testsupport::SceneNames(mScene), *names != '\0' ? names : testsupport::SceneNames(mScene));
        KScnSceneRoot* alone = mManager.CreateScene();
        ASSERT_TRUE(Read(file, name, alone));
        EXPECT_EQ(Made(mScene, from, mScene->GetContents()->GetNodeCount()),
                  Made(alone, 1, alone->GetContents()->GetNodeCount()));
        mManager.DestroyScene(alone, true);
        for (size_t i = 0; i < reads.size(); ++i)
            EXPECT_EQ(Made(mScene, reads[i].first, i + 1 < reads.size() ? reads[i + 1].first : from),
                      reads[i].second)
                << "read " << i;
        for (int n = from; n < mScene->GetContents()->GetNodeCount(); ++n) // the caller's own setting
            if (KScnNode* node = mScene->GetContents()->GetNode(n); node->GetSkeleton() != nullptr)
                node->SetTransformInheritType(2);
        reads.emplace_back(from, Made(mScene, from, mScene->GetContents()->GetNodeCount()));
    }
    EXPECT_EQ(reads[4].second, "2 0 of 2; 4 4 of 1; bone 2; ");
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
