// The HTR reader: a three-segment file (a child listed before its parent,
// base rotations, a section with a frame missing, frames turning about two
// axes at once) read through the importer and checked segment by segment
// against transforms built here from the format's rules; the other reading
// of the rotation order, other units; the hostile files of the notes
// refused with error 0 and their reason, the scene left alone.

#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenesdk;
using namespace motiontest;

namespace
{

const std::string kHeader = "# a leg\n"
                            "[Header]\n"
                            "FileType htr\n"
                            "DataType HTRS\n"
                            "FileVersion 1\n"
                            "NumSegments 3\n"
                            "NumFrames 3\n"
                            "DataFrameRate 60\n"
                            "EulerRotationOrder ZYX\n"
                            "CalibrationUnits mm\n"
                            "RotationUnits Degrees\n"
                            "GlobalAxisofGravity Y\n"
                            "BoneLengthAxis Y\n"
                            "ScaleFactor 1.0\n"
                            "Comment made by hand\n";

const std::string kLeg = kHeader + "[SegmentNames&Hierarchy]\n"
                                   "#CHILD\tPARENT\n"
                                   "Thigh\tPelvis\n"
                                   "Pelvis\tGLOBAL   # the root\n"
                                   "Shin\tThigh\n"
                                   "[BasePosition]\n"
                                   "#SegmentName\tTx\tTy\tTz\tRx\tRy\tRz\tBoneLength\n"
                                   "Pelvis\t0\t900\t0\t0\t0\t0\t120\n"
                                   "Thigh\t-90\t0\t0\t180\t0\t0\t420\n"
                                   "Shin\t0\t420\t0\t10\t20\t30\t400\n"
                                   "[Thigh]\n"
                                   "1\t0\t0\t0\t0\t0\t0\t1\n"
                                   "2\t0\t0\t0\t20\t0\t0\t1\n"
                                   "3\t0\t0\t0\t-10\t15\t0\t1\n"
                                   "[Pelvis]\r\n"
                                   "1\t0\t0\t0\t0\t0\t0\t1\r\n"
                                   "2\t10\t0\t0\t0\t5\t0\t1\r\n"
                                   "3\t20\t5\t0\t30\t40\t50\t1\r\n"
                                   "[Shin]\n"
                                   "1 0 0 0 0 0 0 1\n"
                                   "2 0 -10 0 45 -30 60 1\n"
                                   "[EndOfFile]\n";

// An Euler rotation as the format's notes read "ZYX": turn about Z first,
// then Y, then X (column vectors: Rx Ry Rz).
M4 Zyx(double x, double y, double z)
{
    return Turn(0, x) * Turn(1, y) * Turn(2, z);
}

TEST(HtrReader, ReadsSegmentsBasePositionsAndFramesRelativeToThemInEitherOrderAndUnits)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("leg.htr", kLeg), KScnImporter::FindFileFormat("htr"),
                         nullptr, "1 header keys skipped (first: Comment)"));
    std::vector<KScnNode*> chain = Children(scene->GetRootNode(), {"Pelvis"});
    for (const char* name : {"Thigh", "Shin", "Shin_End"})
    {
        ASSERT_FALSE(chain.empty());
        const auto next = Children(chain.back(), {name});
        ASSERT_EQ(next.size(), 1u);
        chain.push_back(next[0]);
    }
    KScnNode *pelvis = chain[0], *thigh = chain[1], *shin = chain[2], *shinEnd = chain[3];
    EXPECT_EQ(static_cast<KScnSkeleton*>(pelvis->GetSkeleton())->GetSkeletonKind(), KScnSkeleton::eRoot);
    EXPECT_EQ(static_cast<KScnSkeleton*>(thigh->GetSkeleton())->GetSkeletonKind(), KScnSkeleton::eLimbNode);

    // Rest offsets in centimetres; the order kept; base rotations as pre-rotations.
    KgeTVector t;
    EXPECT_DOUBLE_EQ(thigh->GetLocalTranslation(t)[0], -9.0);
    EXPECT_DOUBLE_EQ(pelvis->GetLocalTranslation(t)[1], 90.0);
    EXPECT_DOUBLE_EQ(shinEnd->GetLocalTranslation(t)[1], 40.0);
    EXPECT_EQ(thigh->GetRotationOrder(0), eEulerZYX);
    EXPECT_NEAR(thigh->GetPreRotation(0)[0], 180.0, 1e-9);
    EXPECT_DOUBLE_EQ(pelvis->GetPreRotation(0)[0], 0.0);

    // The take: frames 1 to 3 at 60 fps; the shin's section stops at frame
    // 2, its angles kept as the file's, (420 - 10) mm along y.
    EXPECT_TRUE(scene->SetCurrentTake("Take 001"));
    ExpectSpan(pelvis, "Take 001", 0, Frame(2, KTime::eMode60));
    ExpectKeyTimes(CurveOf(shin, "Take 001", 'R', 0), {0, Frame(1, KTime::eMode60)});
    ExpectAt(shin, "Take 001", 'R', Frame(1, KTime::eMode60), {45.0, -30.0, 60.0});
    ExpectAt(shin, "Take 001", 'T', Frame(1, KTime::eMode60), {0.0, 41.0, 0.0});

    // Frames 2 and 3, each segment: translate(base + frame) x base rotation
    // x frame rotation, under its parent.
    const double pelvisFrames[2][6] = {{10, 0, 0, 0, 5, 0}, {20, 5, 0, 30, 40, 50}};
    const double thighFrames[2][3] = {{20, 0, 0}, {-10, 15, 0}};
    for (int f = 1; f <= 2; ++f)
    {
        SCOPED_TRACE("frame " + std::to_string(f + 1));
        PoseAt(pelvis, "Take 001", Frame(f, KTime::eMode60));
        const double* p = pelvisFrames[f - 1];
        const double* h = thighFrames[f - 1];
        const M4 pelvisAt = Translate(0.1 * p[0], 90 + 0.1 * p[1], 0.1 * p[2]) * Zyx(p[3], p[4], p[5]);
        const M4 thighAt = pelvisAt * Translate(-9, 0, 0) * Zyx(180, 0, 0) * Zyx(h[0], h[1], h[2]);
        // Frame 3 has no shin line: its curves hold frame 2's values.
        const M4 shinAt = thighAt * Translate(0, 41, 0) * Zyx(10, 20, 30) * Zyx(45, -30, 60);
        ExpectNear(GlobalOf(pelvis), pelvisAt, 1e-4);
        ExpectNear(GlobalOf(thigh), thighAt, 1e-4);
        ExpectNear(GlobalOf(shin), shinAt, 1e-4);
        ExpectNear(GlobalOf(shinEnd), shinAt * Translate(0, 40, 0), 1e-4);
    }

    // The options read the order the other way (turning about X first), the
    // file in inches, scaled twice, in radians; no end nodes.
    std::string file = kLeg;
    file.replace(file.find("CalibrationUnits mm"), 19, "CalibrationUnits in");
    file.replace(file.find("ScaleFactor 1.0"), 15, "ScaleFactor 2");
    file.replace(file.find("RotationUnits Degrees"), 21, "RotationUnits radians");
    KScnSceneRoot* other = manager.CreateScene();
    KScnReaderMotionAnalysisHtr reader(&manager);
    KStreamOptionsMotionAnalysisHtr options;
    options.mOrderLettersTurnFirst = false;
    options.mSceneUnit = 1.0;
    options.mAddEndNodes = false;
    ASSERT_TRUE(Read(reader, other, dir.WriteFile("leg2.htr", file), &options, nullptr));
    pelvis = other->GetRootNode()->GetChild(0);
    thigh = pelvis->GetChild(0);
    EXPECT_EQ(thigh->GetChild(0)->GetChildCount(), 0) << "no end nodes";
    EXPECT_EQ(pelvis->GetRotationOrder(0), eEulerXYZ) << "ZYX read as turning about X first";
    EXPECT_NEAR(thigh->GetLocalTranslation(t)[0], -90 * 0.0254 * 2, 1e-12);
    PoseAt(pelvis, "Take 001", Frame(2, KTime::eMode60));
    const double d = 180.0 / 3.14159265358979323846;
    const M4 expected = Translate(20 * 0.0508, 900 * 0.0508 + 5 * 0.0508, 0) * Turn(2, 50 * d) *
                        Turn(1, 40 * d) * Turn(0, 30 * d);
    ExpectNear(GlobalOf(pelvis), expected, 1e-3);
}

TEST(HtrReader, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::string hierarchy = "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n";
    const std::string base = "[BasePosition]\nA 0 0 0 0 0 0 1\nB 0 1 0 0 0 0 1\n";
    const auto header = [](const std::string& from, const std::string& to)
    {
        std::string text = kHeader;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const auto chain = [](int length)
    {
        std::string text = kHeader + "[SegmentNames&Hierarchy]\ns0 GLOBAL\n";
        for (int i = 1; i < length; ++i)
            text += "s" + std::to_string(i) + " s" + std::to_string(i - 1) + "\n";
        return text + "[BasePosition]\n";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"hello\n", "line 1: not an HTR file: no [Header]"},
        {"", "line 0: not an HTR file: no [Header]"},
        {header("DataType HTRS", "DataType HTR2") + hierarchy, "line 4: data type HTR2 not read (HTRS only)"},
        {header("FileType htr", "FileType gtr") + hierarchy, "line 3: file type gtr not read (htr only)"},
        {header("NumFrames 3", "NumFrames 1000000000") + hierarchy,
         "line 7: frame count 1000000000 too large for the file"},
        {header("NumFrames 3", "NumFrames -3") + hierarchy, "line 7: not a frame count: -3"},
        // A segment count refused as a frame count is: neither can pass the file.
        {header("NumSegments 3", "NumSegments 1000000000") + hierarchy + base,
         "line 6: segment count 1000000000 too large for the file"},
        {header("DataFrameRate 60", "DataFrameRate 0") + hierarchy,
         "line 8: frame rate 0 not a number above 0"},
        {header("DataFrameRate 60", "DataFrameRate nan") + hierarchy, "line 8: frame rate nan not a number"},
        {header("DataFrameRate 60", "DataFrameRate 1e9") + hierarchy + base + "[A]\n1 0 0 0 0 0 0 1\n",
         "frame rate 1e+09 out of range"},
        {header("DataFrameRate 60", "Rate 60") + hierarchy, "line 16: no DataFrameRate in the header"},
        {header("ScaleFactor 1.0", "ScaleFactor 0") + hierarchy,
         "line 14: scale factor 0 not a number above 0"},
        {header("ScaleFactor 1.0", "ScaleFactor nan") + hierarchy, "line 14: scale factor nan not a number"},
        {header("DataFrameRate 60", "DataFrameRate -60") + hierarchy, "line 8: frame rate -60 not a number"},
        {header("NumSegments 3", "NumSegments many") + hierarchy, "line 6: not a segment count: many"},
        {kHeader + "[SegmentNames&Hierarchy]\nA GLOBAL # " + std::string(1 << 20, '#') + "\n",
         "line 17: line longer than"},
        {header("EulerRotationOrder ZYX", "EulerRotationOrder XXY") + hierarchy,
         "line 9: not a rotation order: XXY"},
        {header("RotationUnits Degrees", "RotationUnits grads") + hierarchy,
         "line 11: rotation units grads not read"},
        {header("BoneLengthAxis Y", "BoneLengthAxis W") + hierarchy, "line 13: not a bone axis: W"},
        {kHeader + base, "line 16: [BasePosition] not after [SegmentNames&Hierarchy]"},
        {kHeader + "[SegmentNames&Hierarchy]\nA B\nB A\n" + base, "the hierarchy has a cycle through A"},
        {kHeader + "[SegmentNames&Hierarchy]\nA A\n[BasePosition]\n", "the hierarchy has a cycle through A"},
        {kHeader + "[SegmentNames&Hierarchy]\nA GLOBAL\nB Nowhere\n" + base,
         "parent Nowhere of B is not a segment"},
        {kHeader + "[SegmentNames&Hierarchy]\nA GLOBAL\nA GLOBAL\n", "line 18: segment A listed twice"},
        {kHeader + "[SegmentNames&Hierarchy]\nGLOBAL A\n", "line 17: a segment named GLOBAL"},
        {kHeader + "[SegmentNames&Hierarchy]\nA\n", "line 17: expected a segment and its parent: A"},
        {kHeader + "[SegmentNames&Hierarchy]\n" + std::string(2000, 'a') + " GLOBAL\n",
         "line 17: a segment name longer than 1024"},
        {chain(5000), "segments nested deeper than 1000"},
        {chain(60000), "line 10017: more than 10000 segments"},
        {kHeader + hierarchy + "[BasePosition]\nA 0 0 0 0 0 0 1\n", "segment B has no base position"},
        {kHeader + hierarchy + "[BasePosition]\nC 0 0 0 0 0 0 1\n",
         "line 20: base position of C, which is not"},
        {kHeader + hierarchy + "[BasePosition]\nA 0 0 0 0 x 0 1\n", "line 20: not a number: x"},
        {kHeader + hierarchy + "[BasePosition]\nA 0 0 0 0 0 1\n", "line 20: expected a segment and 7 values"},
        {kHeader + hierarchy + base + "[Knee]\n", "line 22: section [Knee] names no segment"},
        {kHeader + hierarchy + base + "[A]\n[A]\n", "line 23: a second section [A]"},
        {kHeader + hierarchy + base + "[A]\n4 0 0 0 0 0 0 1\n",
         "line 23: frame 4 past the 3 declared frames"},
        {kHeader + hierarchy + base + "[A]\n0 0 0 0 0 0 0 1\n", "line 23: frame 0 out of range"},
        {kHeader + hierarchy + base + "[A]\n2 0 0 0 0 0 0 1\n2 0 0 0 0 0 0 1\n",
         "line 24: frame 2 after frame 2"},
        {kHeader + hierarchy + base + "[A]\n2 0 0 0 0 0 0 1\n1 0 0 0 0 0 0 1\n",
         "line 24: frame 1 after frame 2"},
        {kHeader + hierarchy + base + "[A]\n1 0 0 0 nan 0 0 1\n", "line 23: not a number: nan"},
        {kHeader + hierarchy + base + "[A]\n1 0 0 0 0 0 0 1 9\n", "line 23: expected a frame number and 7"},
        {kHeader + hierarchy + base + "[A]\n1.5 0 0 0 0 0 0 1\n", "line 23: not a frame number: 1.5"},
        {kHeader + "[SegmentNames&Hierarchy]\n", "line 16: no segments"},
    };
    importtest::ExpectEachRefused<KScnReaderMotionAnalysisHtr, KStreamOptionsMotionAnalysisHtr>(cases,
                                                                                                "bad.htr");
}

// A second root is read (both under the scene's root) but said in the
// status text; one root is not.
TEST(HtrReader, SaysWhenTheHierarchyHasSeveralRoots)
{
    const std::string base = "[BasePosition]\nA 0 0 0 0 0 0 1\nB 0 1 0 0 0 0 1\nC 0 1 0 0 0 0 1\n";
    const std::pair<std::string, const char*> cases[] = {
        {"A GLOBAL\nB A\nC B\n", nullptr},
        {"A GLOBAL\nB GLOBAL\nC B\n", "2 root segments (parent GLOBAL), one expected"},
        {"A GLOBAL\nB GLOBAL\nC GLOBAL\n", "3 root segments (parent GLOBAL), one expected"},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& c : cases)
    {
        KScnReaderMotionAnalysisHtr reader(&manager);
        const std::string file = kHeader + "[SegmentNames&Hierarchy]\n" + c.first + base + "[EndOfFile]\n";
        ASSERT_TRUE(reader.OpenFile(dir.WriteFile("roots.htr", file).c_str()));
        KStreamOptionsMotionAnalysisHtr options;
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
        const std::string status = reader.GetStatusText();
        EXPECT_EQ(status.find(c.second ? c.second : "root segments") != std::string::npos,
                  c.second != nullptr)
            << status;
        manager.DestroyScene(scene, true);
    }
}

// NumSegments may reach the file's room, (bytes + 1) / 2: the hierarchy then
// decides, with a warning. Past it, up to twice that and beyond, it is
// refused before anything is made.
TEST(HtrReader, SegmentCountsPastTheFilesRoomAreRefused)
{
    const std::string body = "[SegmentNames&Hierarchy]\nA GLOBAL\n[BasePosition]\nA 0 0 0 0 0 0 1\n";
    const auto file = [&body](int segments)
    {
        std::string text = kHeader + body;
        const std::string from = "NumSegments 3";
        return text.replace(text.find(from), from.size(), "NumSegments " + std::to_string(segments));
    };
    const int room = static_cast<int>(file(100).size() + 1) / 2; // three digits keep the size
    ASSERT_GE(room, 100);
    ASSERT_LE(2 * room, 999);
    const std::pair<int, bool> rows[] = {
        {room, true}, {room + 1, false}, {2 * room - 1, false}, {2 * room, false}};
    testsupport::TempDir dir;
    for (const auto& [segments, read] : rows)
    {
        SCOPED_TRACE(segments);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnReaderMotionAnalysisHtr reader(&manager);
        ASSERT_TRUE(reader.OpenFile(dir.WriteFile("count.htr", file(segments)).c_str()));
        KStreamOptionsMotionAnalysisHtr options;
        EXPECT_EQ(reader.ReadScene(scene, &options), read) << reader.GetStatusText();
        const std::string status = reader.GetStatusText();
        if (read)
            EXPECT_NE(status.find("1 segments in the hierarchy, " + std::to_string(segments) + " declared"),
                      std::string::npos)
                << status;
        else
            EXPECT_NE(status.find("segment count " + std::to_string(segments) + " too large for the file"),
                      std::string::npos)
                << status;
    }
}

} // namespace
