// The scene reader's scene information, characters and time warps, read
// through the importer from text files.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

class SceneSectionsTest : public testsupport::TempDirTest
{
protected:
    // A text file of version 6000 with the given body after its header.
    std::string Save(const std::string& body)
    {
        const std::string path = m_Dir.Path() + "/scene" + std::to_string(mFiles++) + ".scn";
        std::ofstream(path) << "FileHeader: {\n    Version: 6000\n}\n" << body;
        return path;
    }

    bool Import(const std::string& body)
    {
        return mImporter.Initialize(Save(body).c_str()) && mImporter.Import(mScene);
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    KScnFree<KScnImporter> mImporter{&mManager};
    int mFiles = 0;
};

TEST_F(SceneSectionsTest, SceneInformationReachesTheScene)
{
    ASSERT_TRUE(Import(R"(SceneInfo: {
    Title: "Quarry"
    Author: "Mason"
    Comment: "two lines\nof text"
    Thumbnail: {
        Width: 2
        Height: 1
        Format: RGB
        Data: "ff00800010Ff"
    }
}
)")) << mImporter.GetStatusText();
    EXPECT_STREQ(mImporter.GetStatusText(), "");
    const KScnSceneMetaData* meta = mScene->GetSceneMetaData();
    ASSERT_NE(meta, nullptr);
    EXPECT_STREQ(meta->mTitle.Buffer(), "Quarry");
    EXPECT_STREQ(meta->mAuthor.Buffer(), "Mason");
    EXPECT_STREQ(meta->mSubject.Buffer(), "");
    EXPECT_STREQ(meta->mComment.Buffer(), "two lines\nof text");
    const KScnThumbnailImage* image = meta->GetThumbnail();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetDataSize(), 6);
    const uint8_t expected[6] = {0xff, 0x00, 0x80, 0x00, 0x10, 0xff};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image->GetData()[i], expected[i]) << i;
    // The scene owns its record, the importer a copy of its own, both made
    // by the manager; the importer's reset (at the start of every
    // Initialize) gives its copy back through the manager.
    EXPECT_NE(mImporter.GetSceneMetaData(), meta);
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 2);
    ASSERT_TRUE(mImporter.Initialize(Save("").c_str()));
    EXPECT_EQ(mImporter.GetSceneMetaData(), nullptr);
    EXPECT_EQ(mManager.GetSceneMetaDataCount(), 1);

    // A thumbnail that does not fit its size is dropped and counted; the
    // texts still arrive.
    KScnSceneRoot* other = mManager.CreateScene();
    for (const char* thumbnail : {"Width: 2\nHeight: 1\nFormat: RGB\nData: \"ff00\"",
                                  "Width: 1\nHeight: 1\nFormat: RGB\nData: \"zz0000\"",
                                  "Width: 1\nHeight: 1\nFormat: CMYK\nData: \"00000000\"",
                                  // Checked before a pixel is allocated.
                                  "Width: 2000000000\nHeight: 2000000000\nFormat: RGBA\nData: \"00\"",
                                  "Width: -1\nHeight: -2\nFormat: RGB\nData: \"000000\""})
    {
        ASSERT_TRUE(mImporter.Initialize(
            Save(std::string("SceneInfo: {\n Title: \"T\"\n Thumbnail: {\n") + thumbnail + "\n }\n}\n")
                .c_str()));
        ASSERT_TRUE(mImporter.Import(other)) << thumbnail;
        EXPECT_STREQ(mImporter.GetStatusText(), "1 items skipped") << thumbnail;
        ASSERT_NE(other->GetSceneMetaData(), nullptr);
        EXPECT_STREQ(other->GetSceneMetaData()->mTitle.Buffer(), "T");
        EXPECT_EQ(other->GetSceneMetaData()->GetThumbnail(), nullptr) << thumbnail;
    }
    // A file without SceneInfo leaves the scene's record alone.
    ASSERT_TRUE(mImporter.Initialize(Save("").c_str()));
    ASSERT_TRUE(mImporter.Import(other));
    EXPECT_STREQ(other->GetSceneMetaData()->mTitle.Buffer(), "T");
}

const char* const kCharacterFile = R"(Objects: {
    Model: "Pelvis", "Skeleton", "Root" {
        Children: "Thigh"
    }
    Model: "Thigh", "Skeleton", "LimbNode"
    Model: "Ground", "Null"
    Character: "Hero" {
        Parameters: {
            HipsHeightCompensation: 2, 12.5
            MassCenterCompensation: 1, 90
            AnkleHeightCompensation: 7, 3     ; mode out of range: the value stays
            NoSuchParameter: 1, 1
        }
        Properties: {
            PullIterationCount: 50            ; clamped to 30
            Posture: Quadruped
            Weight: 75
        }
        BASE: {
            Hips: "Pelvis" {
                OffsetT: 0, 1, 0
                OffsetS: 2, 2, 2
                RotationMin: -10, -20, -30
                MinEnable: 1, 0, 1
                MaxEnable: 0, 0, 0
                RotationOrder: 3
                AxisLength: 4.5
            }
            LeftUpLeg: "Thigh"
            Spine1: "Pelvis"                  ; a slot of another group
            RightUpLeg: "Nobody"
        }
        Reference: "Ground"
        ControlSet: {
            Type: 2
            UseAxis: 0
            LOCK_XFORM: 1
            Links: {
                Hips: "Pelvis"
                Reference: "Ground"
                Spine: "Nobody"               ; the name is kept, the model counted
                NotALink: "Pelvis"
            }
            Effectors: {
                HipsEffector: "Pelvis" {
                    RACTIVE: 0
                    CANDIDATE_TACTIVE: 1
                    Aux: "Thigh", "Ground"
                }
                LeftAnkleEffector: "Thigh"
            }
        }
    }
}
)";

TEST_F(SceneSectionsTest, CharactersAreLinkedToTheirNodes)
{
    ASSERT_TRUE(Import(kCharacterFile)) << mImporter.GetStatusText();
    // Skipped: the refused mode, the unknown parameter, Spine1 in BASE, the
    // model "Nobody" twice and the link name "NotALink".
    EXPECT_STREQ(mImporter.GetStatusText(), "6 items skipped");
    ASSERT_EQ(mScene->GetCharacterCount(), 1);
    KScnCharacter* hero = mScene->GetCharacter(0);
    EXPECT_STREQ(hero->GetName(), "Constraint::Hero");
    EXPECT_EQ(mScene->GetContents()->GetObject(0, KScnCharacterProperties::ClassId), hero);

    KScnNode* pelvis = mScene->GetRootNode()->GetChild(0);
    KScnNode* thigh = pelvis->GetChild(0);
    KScnNode* ground = mScene->GetRootNode()->GetChild(1);
    ASSERT_STREQ(ground->GetName(), "Model::Ground");
    KScnCharacterNodeLink hips;
    ASSERT_TRUE(hero->GetLink(0, hips));
    EXPECT_EQ(hips.node, pelvis);
    EXPECT_STREQ(hips.name.Buffer(), "Pelvis");
    EXPECT_DOUBLE_EQ(hips.offsetT[1], 1.0);
    EXPECT_DOUBLE_EQ(hips.offsetS[0], 2.0);
    EXPECT_DOUBLE_EQ(hips.offsetR[0], 0.0);
    EXPECT_DOUBLE_EQ(hips.rotationMin[2], -30.0);
    EXPECT_EQ(hips.hasRotationSpace, 1);
    EXPECT_EQ(hips.minEnable[0], 1);
    EXPECT_EQ(hips.minEnable[1], 0);
    EXPECT_EQ(hips.maxEnable[2], 0);
    EXPECT_EQ(hips.rotationOrder, 3);
    EXPECT_DOUBLE_EQ(hips.axisLength, 4.5);
    KScnCharacterNodeLink leg;
    ASSERT_TRUE(hero->GetLink(1, leg));
    EXPECT_EQ(leg.node, thigh);
    EXPECT_EQ(leg.hasRotationSpace, 0);
    KScnCharacterNodeLink reference;
    ASSERT_TRUE(hero->GetLink(67, reference));
    EXPECT_EQ(reference.node, ground);
    KScnCharacterNodeLink spine;
    ASSERT_TRUE(hero->GetLink(10, spine));
    EXPECT_EQ(spine.node, nullptr);
    KScnCharacterNodeLink missing;
    ASSERT_TRUE(hero->GetLink(5, missing));
    EXPECT_EQ(missing.node, nullptr);
    EXPECT_STREQ(missing.name.Buffer(), "Nobody");

    // Both ends know the link: the node's records (character slot,
    // control-set slot, effector) and the slot's list.
    ASSERT_EQ(pelvis->GetCharacterLinkCount(), 3);
    KScnCharacterLinkRecord record{};
    ASSERT_TRUE(pelvis->GetCharacterLink(0, record));
    EXPECT_EQ(record.character, hero);
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(record.index, 0);
    KScnCharacterProperties* properties = hero->GetCharacterProperties();
    KPropertyObjectList* hipsLink = properties->GetLinkProperty(0);
    ASSERT_NE(hipsLink, nullptr);
    ASSERT_EQ(hipsLink->GetCount(), 1);
    EXPECT_EQ(hipsLink->GetAt(0), pelvis->GetPropertyHandler());

    // Parameters written into the table reach the mirrored properties;
    // properties set through their setters write back into the table.
    KScnCharacterParameters* parameters = hero->GetParameters();
    EXPECT_DOUBLE_EQ(properties->GetHipsHeightCompensation(), 12.5);
    EXPECT_EQ(properties->GetHipsHeightCompensationMode(), KScnCharacterProperties::eCharacterUser);
    EXPECT_DOUBLE_EQ(properties->GetMassCenterCompensation(), 90.0);
    EXPECT_EQ(parameters->GetInt(5), KScnCharacterParameters().GetInt(5)) << "refused mode";
    EXPECT_DOUBLE_EQ(parameters->GetDouble(5), 3.0);
    EXPECT_DOUBLE_EQ(properties->GetPullIterationCount(), 30.0);
    EXPECT_DOUBLE_EQ(parameters->GetDouble(0), 30.0);
    EXPECT_EQ(properties->GetPosture(), KScnCharacterProperties::eCharacterQuadruped);
    EXPECT_DOUBLE_EQ(parameters->GetDouble(1), 1.0);
    EXPECT_DOUBLE_EQ(properties->GetWeight(), 75.0);

    // The control set, and its copy in the plug "<character>_Ctrl".
    KScnControlSet* set = hero->GetControlSet();
    EXPECT_EQ(set->GetType(), 2);
    EXPECT_FALSE(set->GetUseAxis());
    EXPECT_TRUE(set->GetLockTransform());
    EXPECT_FALSE(set->GetLockPick());
    KScnControlSetLink fk;
    ASSERT_TRUE(set->GetControlSetLink(0, &fk));
    EXPECT_EQ(fk.node, pelvis);
    ASSERT_TRUE(set->GetControlSetLink(67, &fk));
    EXPECT_EQ(fk.node, ground);
    ASSERT_TRUE(set->GetControlSetLink(9, &fk));
    EXPECT_EQ(fk.node, nullptr);
    EXPECT_STREQ(fk.name.Buffer(), "Nobody");
    KScnControlSetEffector hipsEffector;
    ASSERT_TRUE(set->GetEffector(0, &hipsEffector));
    EXPECT_EQ(hipsEffector.node, pelvis);
    EXPECT_EQ(hipsEffector.show, 1);
    EXPECT_EQ(hipsEffector.tActive, 0) << "not given: a fresh record's switch";
    EXPECT_EQ(hipsEffector.rActive, 0);
    EXPECT_EQ(hipsEffector.candidateTActive, 1);
    KScnNode* aux = nullptr;
    ASSERT_TRUE(set->GetEffectorAux(0, &aux, 1));
    EXPECT_EQ(aux, thigh);
    ASSERT_TRUE(set->GetEffectorAux(0, &aux, 2));
    EXPECT_EQ(aux, ground);
    EXPECT_FALSE(set->GetEffectorAux(0, &aux, 3));
    ASSERT_TRUE(set->GetEffector(1, &hipsEffector));
    EXPECT_EQ(hipsEffector.node, thigh);
    ASSERT_EQ(mScene->GetControlSetPlugCount(), 1);
    KScnControlSetPlug* plug = mScene->GetControlSetPlug(0);
    EXPECT_STREQ(plug->GetName(), "ControlSetPlug::Hero_Ctrl");
    EXPECT_FALSE(plug->GetPlugProperties()->GetUseAxis());
    auto* plugHips = static_cast<KPropertyObjectList*>(plug->GetPropertyHandler()->FindProperty("Hips"));
    ASSERT_NE(plugHips, nullptr);
    ASSERT_EQ(plugHips->GetCount(), 1);
    EXPECT_EQ(plugHips->GetAt(0), pelvis->GetPropertyHandler());
    auto* plugEffector =
        static_cast<KPropertyObjectList*>(plug->GetPropertyHandler()->FindProperty("HipsEffector"));
    ASSERT_NE(plugEffector, nullptr);
    ASSERT_EQ(plugEffector->GetCount(), 3);
    EXPECT_EQ(plugEffector->GetAt(2), ground->GetPropertyHandler());

    // The character has every take the file's objects have.
    EXPECT_EQ(hero->GetTakeNodeCount(), pelvis->GetTakeNodeCount());

    // Destroying a mapped node empties its slots.
    mManager.DestroyNode(ground);
    ASSERT_TRUE(hero->GetLink(67, reference));
    EXPECT_EQ(reference.node, nullptr);
    EXPECT_FALSE(set->GetEffectorAux(0, &aux, 2));
}

TEST_F(SceneSectionsTest, CharactersAreTiedToTheirSources)
{
    ASSERT_TRUE(Import(R"(Objects: {
    Model: "Pelvis", "Null"
    Character: "Follower" {
        Source: "Character", "Hero"               ; made later in the file
    }
    Character: "Rider" {
        Source: "ControlSetPlug", "Hero_Ctrl"
    }
    Character: "Hero" {
        ControlSet: {
            Links: {
                Hips: "Pelvis"
            }
        }
    }
    Character: "Lost" {
        Source: "Character", "Nobody"
    }
    Character: "Narcissus" {
        Source: "Character", "Narcissus"
    }
    Character: "Odd" {
        Source: "Texture", "Hero"
    }
}
)")) << mImporter.GetStatusText();
    EXPECT_STREQ(mImporter.GetStatusText(), "3 items skipped");
    ASSERT_EQ(mScene->GetCharacterCount(), 6);
    KScnCharacter* follower = mScene->GetCharacter(0);
    KScnCharacter* rider = mScene->GetCharacter(1);
    KScnCharacter* hero = mScene->GetCharacter(2);
    EXPECT_EQ(follower->GetSourceKind(), KScnCharacter::eSourceCharacter);
    EXPECT_EQ(follower->GetCharacterProperties()->Character.GetAt(0), hero->GetPropertyHandler());
    // A plug source copies the plug into the character's control set.
    EXPECT_EQ(rider->GetSourceKind(), KScnCharacter::eSourceControlSetPlug);
    KScnControlSetLink hips;
    ASSERT_TRUE(rider->GetControlSet()->GetControlSetLink(0, &hips));
    EXPECT_STREQ(hips.node->GetName(), "Model::Pelvis");
    EXPECT_EQ(hero->GetSourceKind(), KScnCharacter::eSourceNone);
    for (int i = 3; i < 6; ++i)
        EXPECT_EQ(mScene->GetCharacter(i)->GetSourceKind(), KScnCharacter::eSourceNone) << i;
}

TEST_F(SceneSectionsTest, BadCharactersAreRefusedBeforeAnyObject)
{
    const int nodes = mManager.GetNodeCount();
    for (const char* body : {
             "Objects: {\n Model: \"A\", \"Null\"\n Character: \"C\" {\n BASE: {\n Hips: \"A\"\n Hips: "
             "\"A\"\n }\n"
             " }\n}\n",
             "Objects: {\n Model: \"A\", \"Null\"\n Character: \"C\" {\n Reference: \"A\"\n Reference: "
             "\"A\"\n"
             " }\n}\n",
             "Objects: {\n Model: \"A\", \"Null\"\n Character: \"D\" {\n ControlSet: {\n Effectors: {\n"
             " HeadEffector: \"A\"\n HeadEffector: \"A\"\n }\n }\n }\n}\n",
             "Objects: {\n Character: \"C\"\n Character: \"C\"\n}\n",
         })
    {
        EXPECT_FALSE(Import(body)) << body;
        EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted) << body;
        EXPECT_EQ(mManager.GetNodeCount(), nodes) << body;
        EXPECT_EQ(mScene->GetCharacterCount(), 0) << body;
    }
    EXPECT_NE(std::string(mImporter.GetStatusText()).find("repeated Character \"C\""), std::string::npos)
        << mImporter.GetStatusText();
}

// Plate's X goes linearly from 0 to 10 over the first second; time warp 1
// maps t seconds to t / 2 seconds over that second and holds after it.
std::string WarpedTake(const char* warpsBlock, const char* channelWarp)
{
    return std::string(R"(Objects: {
    Model: "Plate", "Null"
}
Takes: {
    Take: "Run" {
        Model: "Plate" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 46186158000, 10, L
                    }
)") + channelWarp +
           R"(
                }
            }
        }
)" + warpsBlock +
           R"(
    }
}
)";
}

const char* const kWarps = R"(TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 46186158000, 0.5, L
                }
            }
        })";

TEST_F(SceneSectionsTest, TimeWarpsAreBakedIntoTheTake)
{
    // The warps stand after the objects that use them: they are read first.
    ASSERT_TRUE(Import(WarpedTake(kWarps, "TimeWarpID: 1"))) << mImporter.GetStatusText();
    EXPECT_EQ(GetCurrentTimeWarpSet(), nullptr) << "the reader's set is no longer current";
    KScnNode* plate = mScene->GetRootNode()->GetChild(0);
    ASSERT_EQ(plate->GetTakeNodeCount(), 2);
    KFCurveNode* t = plate->GetTakeNode(1)->GetRootCurveNode()->FindDescendant("Transform/T");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetTimeWarp(), nullptr) << "baked, so not applied a second time";
    KFCurveNode* x = t->FindDescendant("X");
    ASSERT_NE(x, nullptr);
    for (int frame = 0; frame <= 45; ++frame)
    {
        const double seconds = frame / 30.0;
        const double warped = seconds < 1.0 ? seconds / 2.0 : 0.5;
        const KTime time(frame * (kSecond / 30));
        double value = 0.0;
        x->Evaluate(&value, time);
        EXPECT_NEAR(value, 10.0 * warped, 1e-6) << "frame " << frame;
    }

    // A warp on X of layer 0 goes to its parent, T; an unknown id is ignored.
    KScnSceneRoot* other = mManager.CreateScene();
    ASSERT_TRUE(mImporter.Initialize(Save(WarpedTake(kWarps, "TimeWarpID: 7")).c_str()));
    ASSERT_TRUE(mImporter.Import(other)) << mImporter.GetStatusText();
    KFCurveNode* plainX =
        other->GetRootNode()->GetChild(0)->GetTakeNode(1)->GetRootCurveNode()->FindDescendant(
            "Transform/T/X");
    ASSERT_NE(plainX, nullptr);
    double half = 0.0;
    plainX->Evaluate(&half, KTime(kSecond / 2));
    EXPECT_NEAR(half, 5.0, 1e-9) << "no warp applied";
}

TEST_F(SceneSectionsTest, ARepeatedTimeWarpIdIsRefused)
{
    const std::string twice =
        std::string(kWarps).replace(std::string(kWarps).rfind('}'), 1, "    TimeWarp: 1 {\n}\n}");
    const int nodes = mManager.GetNodeCount();
    EXPECT_FALSE(Import(WarpedTake(twice.c_str(), "TimeWarpID: 1")));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted);
    EXPECT_NE(std::string(mImporter.GetStatusText()).find("time warp 1 given twice"), std::string::npos)
        << mImporter.GetStatusText();
    EXPECT_EQ(mManager.GetNodeCount(), nodes);
    EXPECT_EQ(GetCurrentTimeWarpSet(), nullptr);
}

// One model's properties, a point of its local space, and where its global
// transform puts that point.
struct SPivotCase
{
    const char* properties;
    double point[3];
    double expected[3];
};

TEST_F(SceneSectionsTest, PivotsOffsetsAndLimitsReachTheTransform)
{
    const double h = std::sqrt(0.5);
    const SPivotCase cases[] = {
        {"PreRotation: 0, 0, 90\nRotationActive: 1", {1, 0, 0}, {0, 1, 0}},
        {"PreRotation: 0, 0, 90", {1, 0, 0}, {1, 0, 0}}, // only while rotation is active
        {"PostRotation: 0, 0, 90\nRotationActive: 1", {1, 0, 0}, {0, -1, 0}},
        {"\"Lcl Rotation\": 0, 0, 90\nRotationPivot: 1, 0, 0", {1, 0, 0}, {1, 0, 0}},
        {"\"Lcl Rotation\": 0, 0, 90\nRotationPivot: 1, 0, 0", {2, 0, 0}, {1, 1, 0}},
        {"\"Lcl Scaling\": 2, 2, 2\nScalingPivot: 1, 0, 0", {0, 0, 0}, {-1, 0, 0}},
        {"RotationOffset: 0, 3, 0", {0, 0, 0}, {0, 3, 0}},
        {"ScalingOffset: 0, 0, 2", {1, 0, 0}, {1, 0, 2}},
        {"\"Lcl Translation\": 1, 0, 0\nTranslationActive: 1\nTranslationMaxX: 1\nTranslationMax: 0.5, 0, 0",
         {0, 0, 0},
         {0.5, 0, 0}},
        {"\"Lcl Translation\": 1, 0, 0\nTranslationMax: 0.5, 0, 0", {0, 0, 0}, {1, 0, 0}}, // switched off
        {"\"Lcl Translation\": 0, -3, 0\nTranslationMinY: 1\nTranslationMin: 0, -1, 0",
         {0, 0, 0},
         {0, -1, 0}},
        {"\"Lcl Rotation\": 0, 0, 90\nRotationActive: 1\nRotationMaxZ: 1\nRotationMax: 0, 0, 45",
         {1, 0, 0},
         {h, h, 0}},
        {"\"Lcl Scaling\": 4, 1, 1\nScalingMaxX: 1\nScalingMax: 2, 1, 1", {1, 0, 0}, {2, 0, 0}},
    };
    for (const SPivotCase& c : cases)
    {
        mScene = mManager.CreateScene();
        ASSERT_TRUE(Import(std::string("Objects: {\n Model: \"N\", \"Null\" {\n Properties: {\n") +
                           c.properties + "\n }\n }\n}\n"))
            << mImporter.GetStatusText();
        ASSERT_STREQ(mImporter.GetStatusText(), "") << c.properties;
        const double* m = mScene->GetRootNode()->GetChild(0)->ComputeGlobalTransform();
        for (int j = 0; j < 3; ++j)
        {
            const double at = c.point[0] * m[j] + c.point[1] * m[4 + j] + c.point[2] * m[8 + j] + m[12 + j];
            EXPECT_NEAR(at, c.expected[j], 1e-9) << c.properties << "\naxis " << j;
        }
    }

    // The rotation order; "PivotEnabled" is stored negated as the set's state
    // word, after the properties (which give 0 once they move the set).
    const struct
    {
        const char* fields;
        int state;
    } states[] = {{"PivotEnabled: 1", 0},
                  {"PivotEnabled: 0", 1},
                  {"", 1},
                  {"Properties: {\n RotationOrder: 5\n }", 0},
                  {"Properties: {\n RotationOrder: 5\n }\n PivotEnabled: 0", 1}};
    for (const auto& c : states)
    {
        mScene = mManager.CreateScene();
        ASSERT_TRUE(Import(std::string("Objects: {\n Model: \"N\", \"Null\" {\n ") + c.fields + "\n }\n}\n"));
        KScnNode* node = mScene->GetRootNode()->GetChild(0);
        EXPECT_EQ(node->GetPivotState(0), c.state) << c.fields;
        EXPECT_EQ(node->GetRotationOrder(0), std::string(c.fields).find("Order") != std::string::npos ? 5 : 0)
            << c.fields;
    }
}

TEST_F(SceneSectionsTest, TakesOfEarlierReadsStayCurrentForTheWholeScene)
{
    ASSERT_TRUE(Import("Objects: {\n Model: \"First\", \"Null\"\n}\nTakes: {\n Take: \"RunImported\"\n}\n"));
    EXPECT_TRUE(mScene->SetCurrentTake("RunImported"));
    // A second file with a node, a material and a camera switcher of its own.
    ASSERT_TRUE(Import("Objects: {\n Model: \"Second\", \"Null\"\n Model: \"Director\", \"CameraSwitcher\"\n"
                       " Material: \"Stone\"\n}\nTakes: {\n Take: \"Walk\"\n}\n"))
        << mImporter.GetStatusText();
    EXPECT_TRUE(mScene->SetCurrentTake("RunImported")) << mScene->GetError().GetLastErrorString();
    EXPECT_TRUE(mScene->SetCurrentTake("Walk"));
    // A foreign reader's objects get them too.
    const std::string obj = m_Dir.WriteFile("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    mImporter.SetFileFormat(KScnImporter::FindFileFormat("obj"));
    ASSERT_TRUE(mImporter.Initialize(obj.c_str()));
    ASSERT_TRUE(mImporter.Import(mScene)) << mImporter.GetStatusText();
    mImporter.SetFileFormat(0);
    for (const char* take : {"RunImported", "Walk", "Default"})
        EXPECT_TRUE(mScene->SetCurrentTake(take)) << take;
}

// A mesh model deformed by a skin of one cluster, the names ending in n.
std::string SkinnedFile(const std::string& n)
{
    return "Objects: {\n Model: \"Bone" + n + "\", \"Null\"\n Model: \"Body" + n + "\", \"Mesh\" {\n" +
           "  Deformers: \"Skin" + n + "\"\n  Mesh: {\n   ControlPoints: 0, 0, 0, 1, 0, 0, 0, 1, 0\n" +
           "   PolygonSizes: 3\n   PolygonVertices: 0, 1, 2\n  }\n }\n Deformer: \"Skin" + n +
           "\", \"Skin\" {\n  Clusters: \"Arm" + n + "\"\n }\n SubDeformer: \"Arm" + n +
           "\", \"Cluster\" {\n  Model: \"Bone" + n + "\"\n  Indices: 1\n  Weights: 1\n }\n}\n";
}

TEST_F(SceneSectionsTest, EachClusterIsBoundOnceWhateverTheReadsAfterIt)
{
    ASSERT_TRUE(Import(SkinnedFile("1"))) << mImporter.GetStatusText();
    ASSERT_TRUE(Import(SkinnedFile("2"))) << mImporter.GetStatusText();
    ASSERT_TRUE(Import(SkinnedFile("3"))) << mImporter.GetStatusText();
    KScnNode* root = mScene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 6);
    for (int i = 0; i < 3; ++i)
    {
        auto* mesh = static_cast<KScnMesh*>(root->GetChild(2 * i + 1)->GetMesh());
        ASSERT_NE(mesh, nullptr) << i;
        ASSERT_EQ(mesh->GetLinkCount(), 1) << i;
        EXPECT_EQ(mesh->GetLink(0)->GetLink(), root->GetChild(2 * i)) << i;
    }
    EXPECT_EQ(mManager.GetLinkCount(), 3);
}

} // namespace
