// The channel motion reader through the importer: columns onto the
// transform channels and a number channel of the nodes a caller's channel
// list names, rows keyed at the caller's rate from the first frame, the
// rotation order kept; without a list, generic channels of one node; hostile
// files each refused with error 0 and a reason, leaving the scene alone.

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/importers/KScnReaderWavefrontMov.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "scenesdk/kernel/KSearchWork.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;
using namespace motiontest;

namespace
{

const char* const kBounce = "# written by hand\n"
                            "0.000\t0.000\t0.000\t0.000\t1\n"
                            "1.000\t0.500\t0.000\t15.000\t2\n"
                            "2.000 0.800 0.000 30.000 3e0\n";

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
    KStreamOptionsWavefrontMov options;
    options.mChannels = {"ball.translateX", "ball.ty", "ball.TranslateZ", "ball.rotateY", "lamp.intensity"};
    options.mFrameRate = 24.0;
    options.mFirstFrame = 1;
    options.mUnitScale = 10.0;
    options.mRotationOrder = eEulerZYX;
    ASSERT_TRUE(Imported(manager, scene, path, 15, &options, nullptr));
    const auto nodes = Children(scene->GetRootNode(), {"ball", "lamp"});
    ASSERT_EQ(nodes.size(), 2u);
    KScnNode *ball = nodes[0], *lamp = nodes[1];
    EXPECT_EQ(ball->GetRotationOrder(0), eEulerZYX);
    EXPECT_TRUE(ball->GetRotationActive());
    EXPECT_FALSE(lamp->GetRotationActive()) << "no rotation column";
    ASSERT_NE(scene->GetTakeInfo("bounce"), nullptr);

    // Rows from the first frame; translations in scene units, degrees as written.
    ExpectKeyTimes(CurveOf(ball, "bounce", 'T', 0),
                   {Seconds(1.0 / 24), Seconds(2.0 / 24), Seconds(3.0 / 24)});
    ExpectAt(ball, "bounce", 'T', Seconds(2.0 / 24), {10.0, 5.0, 0.0});
    ExpectAt(ball, "bounce", 'T', Seconds(3.0 / 24), {20.0, 8.0, 0.0});
    ExpectAt(ball, "bounce", 'R', Seconds(2.0 / 24), {NAN, 15.0, NAN});
    ExpectAt(ball, "bounce", 'R', Seconds(3.0 / 24), {NAN, 30.0, NAN});
    EXPECT_EQ(CurveOf(ball, "bounce", 'R', 0)->GetKeyCount(), 0);
    ASSERT_NE(lamp->FindUserPropertyByName("intensity"), nullptr);
    KFCurve* intensity = NumberCurve(lamp, "bounce", "intensity");
    ASSERT_NE(intensity, nullptr);
    EXPECT_FLOAT_EQ(intensity->Evaluate(Seconds(2.0 / 24)), 2.0f) << "not a length: not scaled";

    // Without a list: one node, a generic channel per column, 30 per second.
    KScnSceneRoot* generic = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, generic, path, 15, nullptr, nullptr));
    const auto mov = Children(generic->GetRootNode(), {"MOV"});
    ASSERT_EQ(mov.size(), 1u);
    KFCurve* fourth = NumberCurve(mov[0], "bounce", "Channel4");
    ASSERT_NE(fourth, nullptr);
    EXPECT_FLOAT_EQ(fourth->Evaluate(Seconds(2.0 / 30)), 30.0f);
    EXPECT_NE(NumberCurve(mov[0], "bounce", "Channel5"), nullptr);
    EXPECT_EQ(NumberCurve(mov[0], "bounce", "Channel6"), nullptr);
}

TEST(WavefrontMovReader, HostileFilesAndListsAreRefused)
{
    std::string wide;
    for (size_t i = 0; i <= KScnReaderWavefrontMov::kMaxColumns; ++i)
        wide += "1 ";
    std::string header;
    for (int i = 0; i <= KScnReaderWavefrontMov::kHeaderLines; ++i)
        header += "name\n";
    const std::pair<std::string, std::string> cases[] = {
        {"1 2 3\n4 5\n", "line 2: a row of 2 numbers after rows of 3"},
        {"1 2 3\n4 5 6 7\n", "line 2: a row of 4 numbers after rows of 3"},
        {"1 2 3\n4 x 6\n", "line 2: not a number: x"},
        {"1 2 nan\n", "line 1: not a number: nan"},
        {"1 2 1e400\n", "line 1: not a number: 1e400"},
        {wide + "\n", "line 1: more than 100000 columns"},
        {"# nothing\n\n", "no rows of numbers"},
        {header + "1 2\n", "line 17: no row of numbers in the first lines"},
    };
    importtest::ExpectEachRefused<KScnReaderWavefrontMov, KStreamOptionsWavefrontMov>(cases, "bad.mov");

    // Binary files are refused as they are opened.
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderWavefrontMov reader(&manager);
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
    // A list the rows do not fit is the file's fault; the others are the
    // caller's; the channel made before a fault goes too.
    const struct
    {
        std::vector<std::string> channels;
        const char* reason;
        KScnReader::EError error;
    } lists[] = {
        {{"a.tx", "a.ty", "a.tz"}, "the rows have 2 columns, the channel list 3", KScnReader::eFileCorrupted},
        {{"tx", "a.ty"}, "channel 1 (\"tx\") is not node.attribute", KScnReader::eUnidentifiedError},
        {{"a.tx", "a.translateX"},
         "channel 2 (\"a.translateX\") is listed twice",
         KScnReader::eUnidentifiedError},
        {{"a.x", "a.Visibility"},
         "channel Visibility takes the name of a property of Model::a",
         KScnReader::eUnidentifiedError},
    };
    const int nodes = manager.GetNodeCount();
    const int properties = manager.GetUserPropertyCount();
    ASSERT_TRUE(reader.OpenFile(dir.WriteFile("two.mov", "1 2\n3 4\n").c_str()));
    KStreamOptionsWavefrontMov options;
    for (const auto& list : lists)
    {
        options.mChannels = list.channels;
        EXPECT_FALSE(reader.ReadScene(scene, &options));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), list.error);
        EXPECT_STREQ(reader.GetStatusText(), list.reason);
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(manager.GetUserPropertyCount(), properties);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    }
}

// Each column's channel is made and found without a search among the
// columns before it: the entries the name searches look at one by one grow
// with the columns, not their square (four times the columns, at most
// about four times the work; a search per column among the others would
// be sixteen).
TEST(WavefrontMovReader, WorkGrowsLinearlyWithTheColumns)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    const auto work = [&](int columns)
    {
        std::string row;
        for (int c = 0; c < columns; ++c)
            row += (c == 0 ? "" : " ") + std::to_string(c % 7);
        const std::string path =
            dir.WriteFile("wide" + std::to_string(columns) + ".mov", row + "\n" + row + "\n");
        KScnSceneRoot* scene = manager.CreateScene();
        const uint64_t before = KSearchWork::Get();
        EXPECT_TRUE(Imported(manager, scene, path, 15, nullptr, nullptr));
        const uint64_t spent = KSearchWork::Get() - before;
        const auto mov = Children(scene->GetRootNode(), {"MOV"});
        EXPECT_EQ(mov.size(), 1u);
        if (mov.size() == 1)
        {
            const std::string last = "Channel" + std::to_string(columns);
            KFCurve* curve = NumberCurve(mov[0], ("wide" + std::to_string(columns)).c_str(), last.c_str());
            EXPECT_NE(curve, nullptr) << last;
            if (curve != nullptr)
            {
                EXPECT_FLOAT_EQ(curve->Evaluate(Seconds(1.0 / 30)), float((columns - 1) % 7));
            }
        }
        manager.DestroyScene(scene, true);
        return spent;
    };
    const uint64_t small = work(1500), large = work(6000);
    EXPECT_GT(small, 0u);
    EXPECT_LE(large, small * 5) << small << " then " << large;
}

} // namespace
