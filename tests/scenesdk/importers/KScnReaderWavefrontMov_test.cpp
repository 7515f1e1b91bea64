// The channel motion reader through the importer: columns onto the
// transform channels and a number channel of the nodes a caller's channel
// list names, rows keyed at the caller's rate from the first frame, the
// rotation order kept; without a list, generic channels of one node; hostile
// files each refused with error 0 and a reason, leaving the scene alone.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/importers/KScnReaderWavefrontMov.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

const char* const kBounce = "# written by hand\n"
                            "0.000\t0.000\t0.000\t0.000\t1\n"
                            "1.000\t0.500\t0.000\t15.000\t2\n"
                            "2.000 0.800 0.000 30.000 3e0\n";

float ValueAt(KFCurve* curve, double seconds)
{
    KTime time;
    time.SetSeconds(seconds);
    return curve->Evaluate(time);
}

// The curve of a number channel in the node's take.
KFCurve* NumberCurve(KScnNode* node, const char* take, const char* name)
{
    for (int i = 0; i < node->GetTakeNodeCount(); ++i)
        if (std::string(node->GetTakeNodeName(i)) == take)
        {
            KFCurveNode* channel = node->GetTakeNode(i)->GetRootCurveNode()->FindDescendant(name);
            return channel != nullptr ? channel->GetFCurve() : nullptr;
        }
    return nullptr;
}

TEST(WavefrontMovReader, ColumnsGoToTheChannelsTheCallerNames)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("bounce.mov", kBounce);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    KStreamOptionsWavefrontMov options;
    options.mChannels = {"ball.translateX", "ball.ty", "ball.TranslateZ", "ball.rotateY", "lamp.intensity"};
    options.mFrameRate = 24.0;
    options.mFirstFrame = 1;
    options.mUnitScale = 10.0;
    options.mRotationOrder = eEulerZYX;
    importer->SetFileFormat(15);
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene, &options)) << importer->GetStatusText();

    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 2);
    KScnNode* ball = root->GetChild(0);
    KScnNode* lamp = root->GetChild(1);
    EXPECT_STREQ(ball->GetName(), "Model::ball");
    EXPECT_STREQ(lamp->GetName(), "Model::lamp");
    EXPECT_EQ(ball->GetRotationOrder(0), eEulerZYX);
    EXPECT_TRUE(ball->GetRotationActive());
    EXPECT_FALSE(lamp->GetRotationActive()) << "no rotation column";
    ASSERT_NE(scene->GetTakeInfo("bounce"), nullptr);

    KFCurve* x = KScnTakeKeys::GetCurve(ball, "bounce", KScnTakeKeys::eTranslation, 0);
    ASSERT_EQ(x->GetKeyCount(), 3);
    EXPECT_NEAR(x->GetKeyTime(0).GetSeconds(), 1.0 / 24.0, 1e-12) << "rows from the first frame";
    EXPECT_NEAR(x->GetKeyTime(2).GetSeconds(), 3.0 / 24.0, 1e-12);
    EXPECT_FLOAT_EQ(ValueAt(x, 2.0 / 24.0), 10.0f) << "translations in scene units";
    EXPECT_FLOAT_EQ(
        ValueAt(KScnTakeKeys::GetCurve(ball, "bounce", KScnTakeKeys::eTranslation, 1), 3.0 / 24.0), 8.0f);
    KFCurve* ry = KScnTakeKeys::GetCurve(ball, "bounce", KScnTakeKeys::eRotation, 1);
    EXPECT_FLOAT_EQ(ValueAt(ry, 2.0 / 24.0), 15.0f) << "degrees as written";
    EXPECT_FLOAT_EQ(ValueAt(ry, 3.0 / 24.0), 30.0f);
    EXPECT_EQ(KScnTakeKeys::GetCurve(ball, "bounce", KScnTakeKeys::eRotation, 0)->GetKeyCount(), 0);
    ASSERT_NE(lamp->FindUserPropertyByName("intensity"), nullptr);
    KFCurve* intensity = NumberCurve(lamp, "bounce", "intensity");
    ASSERT_NE(intensity, nullptr);
    EXPECT_FLOAT_EQ(ValueAt(intensity, 2.0 / 24.0), 2.0f) << "not a length: not scaled";

    // Without a list: one node, a generic channel per column, 30 per second.
    KScnSceneRoot* generic = manager.CreateScene();
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(generic)) << importer->GetStatusText();
    ASSERT_EQ(generic->GetRootNode()->GetChildCount(), 1);
    KScnNode* mov = generic->GetRootNode()->GetChild(0);
    EXPECT_STREQ(mov->GetName(), "Model::MOV");
    KFCurve* fourth = NumberCurve(mov, "bounce", "Channel4");
    ASSERT_NE(fourth, nullptr);
    EXPECT_FLOAT_EQ(ValueAt(fourth, 2.0 / 30.0), 30.0f);
    EXPECT_NE(NumberCurve(mov, "bounce", "Channel5"), nullptr);
    EXPECT_EQ(NumberCurve(mov, "bounce", "Channel6"), nullptr);
}

TEST(WavefrontMovReader, HostileFilesAndListsAreRefused)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    std::string wide;
    for (size_t i = 0; i <= KScnReaderWavefrontMov::kMaxColumns; ++i)
        wide += "1 ";
    std::string header;
    for (int i = 0; i <= KScnReaderWavefrontMov::kHeaderLines; ++i)
        header += "name\n";
    const std::string cases[][2] = {
        {"1 2 3\n4 5\n", "line 2: a row of 2 numbers after rows of 3"},
        {"1 2 3\n4 5 6 7\n", "line 2: a row of 4 numbers after rows of 3"},
        {"1 2 3\n4 x 6\n", "line 2: not a number: x"},
        {"1 2 nan\n", "line 1: not a number: nan"},
        {"1 2 1e400\n", "line 1: not a number: 1e400"},
        {wide + "\n", "line 1: more than 100000 columns"},
        {"# nothing\n\n", "no rows of numbers"},
        {header + "1 2\n", "line 17: no row of numbers in the first lines"},
        {"1 2\n3 4\n", "the rows have 2 columns, the channel list 3"},
    };
    const int nodes = manager.GetNodeCount();
    const int properties = manager.GetUserPropertyCount();
    KScnReaderWavefrontMov reader(&manager);
    KStreamOptionsWavefrontMov options;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[1]);
        options.mChannels.clear();
        if (c[0] == "1 2\n3 4\n")
            options.mChannels = {"a.tx", "a.ty", "a.tz"};
        ASSERT_TRUE(reader.OpenFile(dir.WriteFile("bad.mov", c[0]).c_str()));
        EXPECT_FALSE(reader.ReadScene(scene, &options));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
        EXPECT_EQ(std::string(reader.GetStatusText()), c[1]);
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    }
    // Binary files are refused as they are opened.
    const std::string binary[][2] = {
        {std::string("\0\0\0\x14"
                     "ftypqt  \0\0\0\0",
                     16),
         "a video file, not channel motion"},
        {std::string("1 2\n3\0 4\n", 9), "binary content (a NUL byte at offset 5)"},
    };
    for (const auto& c : binary)
    {
        EXPECT_FALSE(reader.OpenFile(dir.WriteFile("clip.mov", c[0]).c_str()));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
        EXPECT_EQ(std::string(reader.GetStatusText()), c[1]);
    }
    // Faults of the caller's list are not the file's.
    const std::vector<std::string> lists[][1] = {
        {{"tx", "a.ty"}}, {{"a.tx", "a.translateX"}}, {{"a.x", "a.Visibility"}}};
    const char* const reasons[] = {"channel 1 (\"tx\") is not node.attribute",
                                   "channel 2 (\"a.translateX\") is listed twice",
                                   "channel Visibility takes the name of a property of Model::a"};
    ASSERT_TRUE(reader.OpenFile(dir.WriteFile("two.mov", "1 2\n").c_str()));
    for (int i = 0; i < 3; ++i)
    {
        options.mChannels = lists[i][0];
        EXPECT_FALSE(reader.ReadScene(scene, &options));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
        EXPECT_STREQ(reader.GetStatusText(), reasons[i]);
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(manager.GetUserPropertyCount(), properties) << "the channel made before goes too";
    }
}

} // namespace
