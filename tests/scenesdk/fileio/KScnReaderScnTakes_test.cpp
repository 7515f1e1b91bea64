// Takes read from a protected file through the importer: their descriptions,
// making them current, and the channels the import pass leaves (layers and
// time warps merged and baked).

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

using namespace scenesdk;

namespace
{

constexpr int64_t kSecond = 46186158000LL;

// Plate: T.X goes 0 -> 20 over 2 s with an additive layer 0 -> 4, and its
// "Glow" 0 -> 1 with a layer 0 -> 0.5; both are warped by w(t) = 2t over the
// first second. Lid: a layer that names only Y. "Walk" is imported as
// "Stroll".
const char* const kScene = R"(FileHeader: {
    Version: 6000
    Creator: "tests"
}
Objects: {
    Model: "Plate", "Null"
    Model: "Lid", "Null"
    Character: "Hero" {
        BASE: {
            Hips: "Plate" {
                RotationMin: -10, -20, -30
            }
            LeftUpLeg: "Lid" {
                OffsetT: 0, 1, 0
            }
        }
    }
}
Takes: {
    Current: "Run"
    Take: "Run" {
        Description: "on the spot"
        LocalTime: 0, 92372316000
        ReferenceTime: 46186158000, 138558474000
        TimeWarps: {
            TimeWarp: 1 {
                Channel: "TimeWarp" {
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 46186158000, 2, L
                }
            }
        }
        Model: "Plate" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 92372316000, 20, L
                    }
                    Channel: "Y" { Default: 0 }
                    Channel: "Z" { Default: 0 }
                    LayerChannel: {
                        LayerID: 1
                        Channel: "X" {
                            LayerID: 1
                            Default: 0
                            KeyVer: 4004
                            KeyCount: 2
                            Key: 0, 0, L, 92372316000, 4, L
                        }
                        Channel: "Y" {
                            LayerID: 1
                            Default: 0
                        }
                        Channel: "Z" {
                            LayerID: 1
                            Default: 0
                        }
                    }
                    TimeWarpID: 1
                }
            }
            Channel: "Glow" {
                Default: 0
                KeyVer: 4004
                KeyCount: 2
                Key: 0, 0, L, 92372316000, 1, L
                LayerChannel: {
                    LayerID: 1
                    Default: 0
                    KeyVer: 4004
                    KeyCount: 2
                    Key: 0, 0, L, 92372316000, 0.5, L
                }
                TimeWarpID: 1
            }
        }
        Model: "Lid" {
            Channel: "Transform" {
                Channel: "T" {
                    Channel: "X" {
                        Default: 0
                        KeyVer: 4004
                        KeyCount: 2
                        Key: 0, 0, L, 46186158000, 10, L
                    }
                    Channel: "Y" { Default: 1 }
                    Channel: "Z" { Default: 0 }
                    LayerChannel: {
                        LayerID: 1
                        Channel: "Y" {
                            LayerID: 1
                            Default: 5
                        }
                    }
                }
            }
        }
    }
    Take: "Walk" {
        Description: "slowly"
        ImportName: "Stroll"
    }
}
)";

KFCurveNode* TakeRoot(KScnNode* node, const char* take)
{
    for (int i = 0; i < node->GetTakeNodeCount(); ++i)
        if (std::strcmp(node->GetTakeNodeName(i), take) == 0)
            return node->GetTakeNode(i)->GetRootCurveNode();
    return nullptr;
}

double ValueAt(KFCurveNode* channel, double seconds)
{
    double value = 0.0;
    channel->Evaluate(&value, KTime(static_cast<int64_t>(seconds * 30.0 + 0.5) * (kSecond / 30)));
    return value;
}

// Every key of the channel's curve lies in [0, stop].
bool KeysWithin(KFCurveNode* channel, int64_t stop)
{
    const KFCurve* curve = channel->GetFCurve();
    for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k)
        if (curve->GetKeyTime(k).Get() < 0 || curve->GetKeyTime(k).Get() > stop)
            return false;
    return curve != nullptr && curve->GetKeyCount() > 0;
}

class ProtectedTakesTest : public testsupport::TempDirTest
{
protected:
    std::string SaveProtected()
    {
        CScnWriter header(CScnWriter::eBinary);
        header.WriteHeader("tests");
        std::string bytes;
        EXPECT_TRUE(header.Finish(bytes));
        const std::string clear = bytes.substr(12, bytes.size() - 20);
        return m_Dir.WriteFile("takes.scn",
                               ScnEncrypt(kScene, clear, 6000, "sesame", SScnEncryptCost::Cheapest()));
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
};

TEST_F(ProtectedTakesTest, TakesOfAProtectedFile)
{
    const std::string path = SaveProtected();
    // The password given first: the takes are listed before the import.
    KScnImporter importer(&mManager);
    ASSERT_TRUE(importer.Initialize(path.c_str())) << importer.GetStatusText();
    importer.SetPassword("sesame");
    ASSERT_EQ(importer.GetTakeCount(), 2);
    EXPECT_STREQ(importer.GetCurrentTakeName(), "Run");
    const KScnTakeDescription* run = importer.GetTakeDescription(0);
    EXPECT_STREQ(run->mName.Buffer(), "Run");
    EXPECT_STREQ(run->mDescription.Buffer(), "on the spot");
    EXPECT_EQ(run->mReferenceTimeStart.Get(), kSecond);
    EXPECT_STREQ(importer.GetTakeDescription(1)->mImportName.Buffer(), "Stroll");
    ASSERT_TRUE(importer.Import(mScene)) << importer.GetStatusText();
    EXPECT_STREQ(importer.GetStatusText(), "");
    EXPECT_EQ(importer.GetTakeCount(), 2);

    // The scene's descriptions; each take can be made current for the whole
    // scene (root node and camera switcher included), "Walk" as "Stroll".
    const KScnTakeDescription* info = mScene->GetTakeInfo("Run");
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->mDescription.Buffer(), "on the spot");
    EXPECT_STREQ(info->mImportName.Buffer(), "");
    EXPECT_EQ(info->mLocalTimeStart.Get(), 0);
    EXPECT_EQ(info->mLocalTimeStop.Get(), 2 * kSecond);
    EXPECT_EQ(info->mReferenceTimeStart.Get(), kSecond);
    EXPECT_EQ(info->mReferenceTimeStop.Get(), 3 * kSecond);
    const KScnTakeDescription* stroll = mScene->GetTakeInfo("Stroll");
    ASSERT_NE(stroll, nullptr);
    EXPECT_STREQ(stroll->mDescription.Buffer(), "slowly");
    EXPECT_STREQ(stroll->mImportName.Buffer(), "Stroll");
    EXPECT_EQ(mScene->GetTakeInfo("Walk"), nullptr);
    EXPECT_TRUE(mScene->SetCurrentTake("Run")) << mScene->GetError().GetLastErrorString();
    EXPECT_TRUE(mScene->SetCurrentTake("Stroll"));
    EXPECT_FALSE(mScene->SetCurrentTake("Walk"));
    EXPECT_NE(TakeRoot(mScene->GetCameraSwitcherNode(), "Run"), nullptr);

    // Plate's translation evaluates as its layer stack under the warp did:
    // 24t up to 1 s, then 24. The warp and the layer are gone, and the keys
    // stay within the warp's second.
    KScnNode* plate = mScene->GetRootNode()->GetChild(0);
    ASSERT_STREQ(plate->GetName(), "Model::Plate");
    KFCurveNode* t = TakeRoot(plate, "Run")->FindDescendant("Transform/T");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetTimeWarp(), nullptr);
    EXPECT_EQ(t->GetNextLayer(), nullptr);
    KFCurveNode* x = t->FindDescendant("X");
    for (double s : {0.0, 0.2, 0.5, 0.8, 1.0, 1.5, 2.0, 3.0})
        EXPECT_NEAR(ValueAt(x, s), 24.0 * std::min(s, 1.0), 1e-4) << s << " s";
    EXPECT_TRUE(KeysWithin(x, kSecond));
    // A leaf channel with a layer and a warp of its own: the same.
    KFCurveNode* glow = TakeRoot(plate, "Run")->FindDescendant("Glow");
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->GetTimeWarp(), nullptr);
    for (double s : {0.0, 0.3, 0.6, 1.0, 2.0})
        EXPECT_NEAR(ValueAt(glow, s), 1.5 * std::min(s, 1.0), 1e-5) << s << " s";
    EXPECT_TRUE(KeysWithin(glow, kSecond));

    // Lid's layer names only Y: it adds to Y, not to X.
    KFCurveNode* lid = TakeRoot(mScene->GetRootNode()->GetChild(1), "Run")->FindDescendant("Transform/T");
    ASSERT_NE(lid, nullptr);
    double xyz[3] = {0.0, 0.0, 0.0};
    lid->Evaluate(xyz, KTime(kSecond / 2));
    EXPECT_NEAR(xyz[0], 5.0, 1e-4);
    EXPECT_NEAR(xyz[1], 6.0, 1e-6);
    EXPECT_NEAR(xyz[2], 0.0, 1e-6);

    // Any rotation-space field marks a slot's rotation space; offsets do not.
    KScnCharacter* hero = mScene->GetCharacter(0);
    KScnCharacterNodeLink hips, leg;
    ASSERT_TRUE(hero->GetLink(0, hips));
    EXPECT_EQ(hips.hasRotationSpace, 1);
    EXPECT_DOUBLE_EQ(hips.rotationMin[1], -20.0);
    ASSERT_TRUE(hero->GetLink(1, leg));
    EXPECT_EQ(leg.hasRotationSpace, 0);
    EXPECT_DOUBLE_EQ(leg.offsetT[1], 1.0);

    // The game's order: takes asked for without the password (none known),
    // a refused import, the password, the import again: the takes are
    // there afterwards.
    KScnImporter game(&mManager);
    ASSERT_TRUE(game.Initialize(path.c_str()));
    EXPECT_EQ(game.GetTakeCount(), 0);
    EXPECT_FALSE(game.Import(mManager.CreateScene()));
    EXPECT_EQ(game.GetLastErrorID(), KScnIO::ePasswordError);
    game.SetPassword("sesame");
    ASSERT_TRUE(game.Import(mManager.CreateScene())) << game.GetStatusText();
    ASSERT_EQ(game.GetTakeCount(), 2);
    EXPECT_STREQ(game.GetCurrentTakeName(), "Run");
    EXPECT_STREQ(game.GetTakeDescription(1)->mDescription.Buffer(), "slowly");
}

} // namespace
