// Scene contents at sizes where a search per object would make the work
// grow with the square of the count: the searches by kind answer from an
// index that follows every change of the object list, use records are
// found without a search, and a dying object visits only the contents that
// list it. Work is counted (KSearchWork), never timed.

#include "scenesdk/kernel/KScnSceneContents.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace scenesdk;

namespace
{

// The deformers of a type as a walk over the whole list finds them.
std::vector<KScnDeformer*> Walked(KScnSceneContents& contents, int type)
{
    std::vector<KScnDeformer*> out;
    for (int i = 0; i < contents.GetObjectCount(); ++i)
    {
        auto* deformer = dynamic_cast<KScnDeformer*>(contents.GetObject(i));
        if (deformer != nullptr && (type == 0 || deformer->GetDeformerKind() == type))
            out.push_back(deformer);
    }
    return out;
}

std::vector<KScnDeformer*> Searched(KScnSceneContents& contents, int type)
{
    std::vector<KScnDeformer*> out;
    for (int i = 0; i < contents.GetDeformerCount(type); ++i)
        out.push_back(contents.GetDeformer(i, type));
    return out;
}

uint64_t WorkOf(const std::function<void()>& run)
{
    const uint64_t before = KSearchWork::Get();
    run();
    return KSearchWork::Get() - before;
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
        made.push_back(mManager.CreateDeformer("d", i % 3 == 0 ? "Cluster" : "Skin"));
    KScnCharacter* hero = mManager.CreateCharacter("Hero");
    struct
    {
        const char* name;
        std::function<void()> run;
        int characters;
    } const steps[] = {
        {"append",
         [&]
         {
             for (KScnDeformer* d : made)
                 mContents.AddObject(d);
         },
         0},
        {"character", [&] { mContents.AddObject(hero); }, 1},
        {"remove from the middle", [&] { mContents.RemoveObject(made[2]); }, 1},
        {"remove the first", [&] { mContents.RemoveObject(made[0]); }, 1},
        {"destroyed", [&] { mManager.DestroyObject(made[4]); }, 1},
        {"inserted before all",
         [&] { mContents.GetObjectList()->InsertSrc(0, made[2]->GetPropertyHandler()); }, 1},
        {"connected on the list",
         [&] { mContents.GetObjectList()->ConnectSrc(made[0]->GetPropertyHandler()); }, 1},
        {"all cut", [&] { mContents.GetObjectList()->DisconnectAllSrc(); }, 0},
        {"again", [&] { mContents.AddObject(made[5]); }, 0},
    };
    for (const auto& step : steps)
    {
        step.run();
        for (int type = 0; type <= 2; ++type)
            EXPECT_EQ(Searched(mContents, type), Walked(mContents, type)) << step.name << ", type " << type;
        EXPECT_EQ(mContents.GetObjectCountOfKind(KScnObject::eKindCharacter), step.characters) << step.name;
        EXPECT_EQ(mContents.GetObjectOfKind(0, KScnObject::eKindCharacter),
                  step.characters > 0 ? hero : nullptr)
            << step.name;
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

// Use records stay found where they are after removals before them.
TEST_F(ContentsWork, UseRecordsKeepTheirPlaceThroughRemovals)
{
    std::vector<KScnMaterial*> materials;
    for (int i = 0; i < 40; ++i)
    {
        materials.push_back(mManager.CreateMaterial("m"));
        for (int use = 0; use <= i % 3; ++use)
            mContents.AddMaterial(materials[i]);
    }
    const uint64_t before = KSearchWork::Get();
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(i % 2 == 0 ? mManager.DestroyMaterial(materials[i])
                               : mContents.AddMaterial(materials[i]));
    const uint64_t work = KSearchWork::Get() - before;
    ASSERT_EQ(mContents.GetMaterialCount(), 20);
    for (int i = 1; i < 40; i += 2)
    {
        EXPECT_EQ(mContents.GetMaterial(i / 2), materials[i]);
        EXPECT_EQ(mContents.GetMaterialUseCount(materials[i]), i % 3 + 2) << i;
    }
    EXPECT_EQ(work, 20u) << "one contents visited per destroyed material, no search";
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
