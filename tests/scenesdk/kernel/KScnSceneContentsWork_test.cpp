// Scene contents at sizes where a search per object would make the work
// grow with the square of the count: the searches by kind answer from an
// index that follows every change of the object list, use records are
// found without a search, and a dying object visits only the contents that
// list it. Work is counted (KSearchWork), never timed.

#include "scenesdk/kernel/KScnSceneContents.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;
using kerneltest::WorkOf;

namespace
{

// The deformers of a type as the searches by kind find them, then as a
// walk over the whole list finds them.
std::pair<std::vector<KScnDeformer*>, std::vector<KScnDeformer*>> Found(KScnSceneContents& contents, int type)
{
    std::pair<std::vector<KScnDeformer*>, std::vector<KScnDeformer*>> out;
    for (int i = 0; i < contents.GetDeformerCount(type); ++i)
        out.first.push_back(contents.GetDeformer(i, type));
    for (int i = 0; i < contents.GetObjectCount(); ++i)
        if (auto* d = dynamic_cast<KScnDeformer*>(contents.GetObject(i));
            d && (!type || d->GetDeformerKind() == type))
            out.second.push_back(d);
    return out;
}

class ContentsWork : public testing::Test
{
protected:
    KScnSdkManager mManager;
    KScnSceneContents mContents{&mManager};
};

// Each change of the list, then the searches by kind agree with a walk.
TEST_F(ContentsWork, KindSearchesFollowEveryChangeOfTheList)
{
    std::vector<KScnDeformer*> made;
    for (int i = 0; i < 6; ++i)
        mContents.AddObject(made.emplace_back(mManager.CreateDeformer("d", i % 3 == 0 ? "Cluster" : "Skin")));
    KScnCharacter* hero = mManager.CreateCharacter("Hero");
    KGenericObjectList* list = mContents.GetObjectList();
    const std::tuple<const char*, std::function<void()>, int> steps[] = {
        // name, change, characters
        {"appended", [] {}, 0},
        {"character", [&] { mContents.AddObject(hero); }, 1},
        {"remove from the middle", [&] { mContents.RemoveObject(made[2]); }, 1},
        {"remove the first", [&] { mContents.RemoveObject(made[0]); }, 1},
        {"destroyed", [&] { mManager.DestroyObject(made[4]); }, 1},
        {"inserted before all", [&] { list->InsertSrc(0, made[2]->GetPropertyHandler()); }, 1},
        {"connected on the list", [&] { list->ConnectSrc(made[0]->GetPropertyHandler()); }, 1},
        {"all cut", [&] { list->DisconnectAllSrc(); }, 0},
        {"again", [&] { mContents.AddObject(made[5]); }, 0},
    };
    for (const auto& [name, run, characters] : steps)
    {
        run();
        for (int type = 0; type <= 2; ++type)
        {
            const auto [searched, walked] = Found(mContents, type);
            EXPECT_EQ(searched, walked) << name << ", type " << type;
        }
        EXPECT_EQ(mContents.GetObjectCountOfKind(KScnObject::eKindCharacter), characters) << name;
        EXPECT_EQ(mContents.GetObjectOfKind(0, KScnObject::eKindCharacter), characters ? hero : nullptr)
            << name;
    }
}

// Every skin asked for by index, then every deformer taken out from the
// front (as DestroyAllDeformers does): work linear in the count.
TEST_F(ContentsWork, KindSearchesOverEveryDeformerAreLinear)
{
    auto work = [](int count)
    {
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnSceneContents* contents = scene->GetContents();
        for (int i = 0; i < count; ++i)
        {
            contents->AddObject(manager.CreateDeformer("s", "Skin"));
            contents->AddObject(manager.CreateDeformer("c", "Cluster"));
        }
        return WorkOf(
            [&]
            {
                for (int i = 0; i < contents->GetDeformerCount(1); ++i)
                    EXPECT_EQ(contents->GetDeformer(i, 1)->GetDeformerKind(), 1);
                scene->DestroyAllDeformers();
                EXPECT_EQ(contents->GetDeformerCount(0), 0);
            });
    };
    const uint64_t small = work(150), large = work(600);
    EXPECT_LE(large, 5 * small + 100) << small << " then " << large;
}

// Use records stay found where they are after removals before them, also once the holes the removals
// leave are squeezed out (past as many holes as records, and 16), and after a node wearing them all was
// made the whole of the contents; the first listed of several of one name is found by it.
TEST_F(ContentsWork, UseRecordsKeepTheirPlaceThroughRemovals)
{
    // Materials, one kept in every, worn, kept.
    const int rows[][4] = {{40, 2, 0, 20}, {120, 4, 0, 30}, {60, 3, 1, 20}};
    for (const auto& row : rows)
    {
        KScnSceneContents contents(&mManager);
        std::vector<KScnMaterial*> materials;
        KScnNode* wearer = mManager.CreateNode("wearer");
        for (int i = 0; i < row[0]; ++i)
        {
            // Several of a name, but where they are worn (one whose name another has is passed over,
            // then listed all the same as carried: a use more).
            materials.push_back(mManager.CreateMaterial(("m" + std::to_string(row[2] ? i : i % 7)).c_str()));
            if (row[2])
                wearer->GetPropertyHandler()->ConnectSrc(materials[i]->GetPropertyHandler());
        }
        ASSERT_TRUE(!row[2] || wearer->SetSceneContents(&contents, true));
        for (int i = 0; i < row[0]; ++i)
            for (int use = 0; use <= i % 3; ++use)
                contents.AddMaterial(materials[i]);
        const uint64_t work = WorkOf(
            [&]
            {
                for (int i = 0; i < row[0]; ++i)
                    EXPECT_TRUE(i % row[1] == 1 ? contents.AddMaterial(materials[i])
                                                : mManager.DestroyMaterial(materials[i]));
            });
        ASSERT_EQ(contents.GetMaterialCount(), row[3]);
        for (int k = 0; k < row[3]; ++k)
        {
            EXPECT_EQ(contents.GetMaterial(k), materials[1 + k * row[1]]) << row[0] << ": " << k;
            EXPECT_EQ(contents.GetMaterialUseCount(materials[1 + k * row[1]]),
                      (1 + k * row[1]) % 3 + 2 + row[2]);
        }
        EXPECT_EQ(contents.FindMaterial("Material::m1"), materials[1]);
        EXPECT_EQ(work, static_cast<uint64_t>(row[0] - row[3]))
            << "one contents visited per destroyed material, no search";
    }
}

// Nodes of one scene destroyed among many scenes: each visits only the
// contents that list it, however many scenes there are.
TEST_F(ContentsWork, DestroyedObjectsVisitOnlyTheirContents)
{
    const int rows[][2] = {{1, 40}, {30, 40}}; // scenes, nodes of the last
    for (const auto& row : rows)
    {
        KScnSdkManager manager;
        std::vector<KScnSceneRoot*> scenes;
        for (int s = 0; s < row[0]; ++s)
            scenes.push_back(manager.CreateScene());
        KScnNode* root = scenes.back()->GetRootNode();
        for (int i = 0; i < row[1]; ++i)
        {
            KScnNode* node = manager.CreateNode("n");
            root->AddChild(node);
            scenes.back()->GetContents()->AddNode(node);
        }
        const uint64_t work = WorkOf(
            [&]
            {
                while (root->GetChildCount() > 0)
                    EXPECT_TRUE(manager.DestroyNode(root->GetChild(root->GetChildCount() - 1), true));
            });
        EXPECT_LE(work, 2u * row[1]) << row[0] << " scenes";
        EXPECT_EQ(scenes.back()->GetContents()->GetNodeCount(), 1);
    }
}

} // namespace
