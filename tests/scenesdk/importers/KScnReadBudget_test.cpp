// What one read may make is bounded by its file: the budget's figures, and
// each reader refusing a file that names more nodes than its size allows
// (counted before anything is made, the reason naming the option that
// raises it) and reading the same file once the option allows it.

#include "scenesdk/fileio/KScnReadBudget.h"
#include "scenesdk/importers/KScnReader3DS.h"
#include "scenesdk/importers/KScnReaderAcclaimAsf.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/Chunks3DS.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;

namespace
{

TEST(ReadBudget, GrowsWithTheFileAndTheScale)
{
    const KScnReadBudget capped = {100.0, 0.5, 1000.0};
    const struct
    {
        const KScnReadBudget& budget;
        size_t size;
        double scale;
        uint64_t allowed;
    } cases[] = {
        {KScnReadBudget::kForeignNodes, 0, 1.0, 16384},                  // 160 MB of 10 KB nodes
        {KScnReadBudget::kForeignNodes, 1024 * 1024, 1.0, 16384 + 1638}, // and 16 bytes a byte
        {KScnReadBudget::kForeignNodes, 1024 * 1024, 2.5, 45056},
        {KScnReadBudget::kSceneNodes, 0, 1.0, 16384},
        {KScnReadBudget::kSceneNodes, 512 * 1000, 1.0, 17984}, // 32 bytes a byte of a scene file
        {KScnReadBudget::kSceneNodes, 1000, 0.0, 16387},       // not above 0: as 1
        {KScnReadBudget::kSceneNodes, 1000, -1.0, 16387},      // likewise
        {capped, 100, 1.0, 150},
        {capped, 1000000, 1.0, 1000},
        {capped, 1000000, 3.0, 3000},
        {capped, 1000000, 1e300, KScnReadBudget::kMaxCount},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.budget.Allowed(c.size, c.scale), c.allowed) << c.size << " bytes, scale " << c.scale;

    std::string why;
    EXPECT_TRUE(capped.Check(150, "nodes", 100, 1.0, "X::mBudgetScale", why));
    EXPECT_TRUE(why.empty());
    EXPECT_FALSE(capped.Check(151, "nodes", 100, 1.0, "X::mBudgetScale", why));
    EXPECT_EQ(why, "the file makes 151 nodes, more than its budget of 150 allows for a file of this size; "
                   "X::mBudgetScale raises it");
}

std::string ObjGroups(int groups)
{
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < groups; ++i)
        text += "g g" + std::to_string(i) + "\nf 1 2 3\n";
    return text;
}

std::string TdsObjects(int objects)
{
    using namespace testsupport;
    std::string editor;
    for (int i = 0; i < objects; ++i)
        editor += Chunk(0x4000,
                        Cstr("O" + std::to_string(i)) +
                            Chunk(0x4100, VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}) + FaceList({0, 1, 2}, "")));
    return File3DS(editor);
}

// Bones all under the root: the root, a node per bone and an end node each.
std::string AsfBones(int bones)
{
    std::string text =
        ":version 1.10\n:name flat\n:units\n  length 1\n  angle deg\n:root\n  order TX TY TZ RZ "
        "RY RX\n  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n:bonedata\n";
    std::string children;
    for (int i = 0; i < bones; ++i)
    {
        text += "  begin\n    id " + std::to_string(i + 1) + "\n    name b" + std::to_string(i) +
                "\n    direction 0 1 0\n    length 1\n    axis 0 0 0 XYZ\n  end\n";
        children += " b" + std::to_string(i);
    }
    return text + ":hierarchy\n  begin\n    root" + children + "\n  end\n";
}

std::string HtrSegments(int segments)
{
    std::string text = "[Header]\nFileType htr\nDataType HTRS\nNumSegments " + std::to_string(segments) +
                       "\nNumFrames 0\nDataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\n"
                       "RotationUnits Degrees\n[SegmentNames&Hierarchy]\n";
    for (int i = 0; i < segments; ++i)
        text += "s" + std::to_string(i) + (i == 0 ? " GLOBAL\n" : " s0\n");
    text += "[BasePosition]\n";
    for (int i = 0; i < segments; ++i)
        text += "s" + std::to_string(i) + " 0 0 0 0 0 0 0\n";
    return text + "[EndOfFile]\n";
}

std::string TrcMarkers(int markers)
{
    std::string names = "Frame#\tTime", axes = "\t";
    for (int i = 0; i < markers; ++i)
    {
        names += "\tm" + std::to_string(i) + "\t\t";
        axes += "\tX" + std::to_string(i + 1) + "\tY" + std::to_string(i + 1) + "\tZ" + std::to_string(i + 1);
    }
    std::string row = "1\t0";
    for (int i = 0; i < markers; ++i)
        row += "\t1\t2\t3";
    return "PathFileType\t4\t(X/Y/Z)\tbudget.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\t"
           "OrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n60\t60\t1\t" +
           std::to_string(markers) + "\tmm\t60\t1\t1\n" + names + "\n" + axes + "\n\n" + row + "\n";
}

// Read at a scale that leaves too few nodes: refused with error 0 and the
// reason, nothing made; read at a scale that allows them: made.
template <class TReader, class TOptions>
void ExpectBudgetKept(const std::string& fileName, const std::string& bytes, uint64_t nodes, const char* kind)
{
    SCOPED_TRACE(fileName);
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile(fileName, bytes);
    KScnSdkManager manager;
    const double small = 0.002; // 26 nodes and some
    const uint64_t allowed = KScnReadBudget::kForeignNodes.Allowed(bytes.size(), small);
    ASSERT_LT(allowed, nodes);
    for (double scale : {small, 1.0})
    {
        KScnSceneRoot* scene = manager.CreateScene();
        const int before = manager.GetNodeCount();
        TReader reader(&manager);
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        TOptions options;
        options.mBudgetScale = scale;
        const bool read = reader.ReadScene(scene, &options);
        EXPECT_EQ(read, scale == 1.0) << reader.GetStatusText();
        if (!read)
        {
            EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
            // Counted (ASF, HTR, TRC) or weighed in bytes (OBJ, 3DS).
            const std::string status = reader.GetStatusText();
            EXPECT_EQ(status.find("the file makes " + std::to_string(nodes) + " nodes"), 0u) << status;
            EXPECT_NE(status.find(", more than its budget of "), std::string::npos) << status;
            const std::string end =
                " allows for a file of this size; " + std::string(kind) + "::mBudgetScale raises it";
            EXPECT_EQ(status.substr(status.size() - std::min(status.size(), end.size())), end);
        }
        EXPECT_EQ(uint64_t(manager.GetNodeCount() - before), read ? nodes : 0);
        manager.DestroyScene(scene, true);
    }
    // A scale that is not a number above 0 is refused as an option.
    TReader reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    TOptions options;
    options.mBudgetScale = 0.0;
    KScnSceneRoot* scene = manager.CreateScene();
    EXPECT_FALSE(reader.ReadScene(scene, &options));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
    EXPECT_STREQ(reader.GetStatusText(), "the mBudgetScale option must be a number above 0");
}

TEST(ReadBudget, EachReaderCountsItsNodesBeforeMakingThem)
{
    ExpectBudgetKept<KScnReaderObj, KStreamOptionsObj>("groups.obj", ObjGroups(60), 60, "KStreamOptionsObj");
    ExpectBudgetKept<KScnReader3DS, KStreamOptions3DS>("objects.3ds", TdsObjects(60), 60,
                                                       "KStreamOptions3DS");
    ExpectBudgetKept<KScnReaderAcclaimAsf, KStreamOptionsAcclaim>("flat.asf", AsfBones(30), 61,
                                                                  "KStreamOptionsAcclaim");
    ExpectBudgetKept<KScnReaderMotionAnalysisHtr, KStreamOptionsMotionAnalysisHtr>(
        "wide.htr", HtrSegments(60), 60, "KStreamOptionsMotionAnalysisHtr");
    ExpectBudgetKept<KScnReaderMotionAnalysisTrc, KStreamOptionsMotionAnalysisTrc>(
        "markers.trc", TrcMarkers(60), 60, "KStreamOptionsMotionAnalysisTrc");
}

} // namespace
