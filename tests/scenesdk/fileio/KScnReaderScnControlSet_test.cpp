// A character whose source is another character's control-set plug: the plug
// made from the file carries the control set over with every node in its
// place.

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace scenesdk;

namespace
{

const char* const kFile = R"(FileHeader: {
    Version: 6000
}
Objects: {
    Model: "Pelvis", "Skeleton", "Root"
    Model: "Thigh", "Skeleton", "LimbNode"
    Character: "Hero" {
        ControlSet: {
            Effectors: {
                HipsEffector: "Pelvis" {
                    Aux: "", "Thigh"                ; nothing in place 1
                }
                LeftAnkleEffector: "Thigh" {
                    Aux: "", "", "", "", "", "", "", "", "", "", "", "", "", "Pelvis"
                }
                RightAnkleEffector: "Pelvis"
            }
        }
    }
    Character: "Rider" {
        Source: "ControlSetPlug", "Hero_Ctrl"
    }
}
)";

TEST(KScnReaderScnControlSetTest, PlugSourceKeepsAuxiliaryPositions)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter importer(&manager);
    ASSERT_TRUE(importer.Initialize(dir.WriteFile("rider.scn", kFile).c_str()));
    ASSERT_TRUE(importer.Import(scene)) << importer.GetStatusText();
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 2);
    KScnNode* pelvis = scene->GetRootNode()->GetChild(0);
    KScnNode* thigh = scene->GetRootNode()->GetChild(1);
    ASSERT_STREQ(pelvis->GetName(), "Model::Pelvis");
    ASSERT_STREQ(thigh->GetName(), "Model::Thigh");
    ASSERT_EQ(scene->GetCharacterCount(), 2);
    KScnCharacter* hero = scene->GetCharacter(0);
    KScnCharacter* rider = scene->GetCharacter(1);
    ASSERT_EQ(scene->GetControlSetPlugCount(), 1);
    EXPECT_EQ(rider->GetSourceKind(), KScnCharacter::eSourceControlSetPlug);
    EXPECT_EQ(rider->GetCharacterProperties()->SourceObject.GetAt(0),
              scene->GetControlSetPlug(0)->GetPropertyHandler());

    // The rider's control set matches the hero's place by place.
    for (KScnCharacter* character : {hero, rider})
    {
        SCOPED_TRACE(character == hero ? "hero" : "rider");
        KScnControlSet* set = character->GetControlSet();
        KScnControlSetEffector effector;
        ASSERT_TRUE(set->GetEffector(0, &effector));
        EXPECT_EQ(effector.node, pelvis);
        KScnNode* aux = nullptr;
        EXPECT_FALSE(set->GetEffectorAux(0, &aux, 1));
        ASSERT_TRUE(set->GetEffectorAux(0, &aux, 2));
        EXPECT_EQ(aux, thigh);
        ASSERT_TRUE(set->GetEffector(1, &effector));
        EXPECT_EQ(effector.node, thigh);
        for (int place = 1; place < 14; ++place)
            EXPECT_FALSE(set->GetEffectorAux(1, &aux, place)) << place;
        ASSERT_TRUE(set->GetEffectorAux(1, &aux, 14));
        EXPECT_EQ(aux, pelvis);
        ASSERT_TRUE(set->GetEffector(2, &effector));
        EXPECT_EQ(effector.node, pelvis);
        EXPECT_FALSE(set->GetEffectorAux(2, &aux, 1));
    }
    // Each node knows its places in both control sets: pelvis is the hips
    // and right-ankle effector and auxiliary 14 of the left ankle, twice.
    EXPECT_EQ(pelvis->GetCharacterLinkCount(), 6);
    EXPECT_EQ(thigh->GetCharacterLinkCount(), 4);
}

} // namespace
