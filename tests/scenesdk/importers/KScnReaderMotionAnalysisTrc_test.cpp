// The TRC reader: a file of three markers (a name with a space, an empty
// name, missing samples as empty fields, "NaN" and a row ending early) read
// through the importer and checked marker by marker and frame by frame;
// units, axes and blank-separated rows numbered from 100; the hostile files
// of the notes refused with error 0 and their reason, the scene left alone.

#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"
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

const std::string kKeys =
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n";

const std::string kWalk = "PathFileType\t4\t(X/Y/Z)\twalk 1.trc\r\n" + kKeys +
                          "60.00\t60.00\t4\t3\tmm\t60.00\t1\t4\r\n"
                          "Frame#\tTime\tHead\t\t\tLeft Toe\t\t\t\t\t\r\n"
                          "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\r\n"
                          "\r\n"
                          "1\t0.000\t0.0\t1700.0\t0.0\t80.0\t20.0\t150.0\t1\t2\t3\r\n"
                          "2\t0.017\t1.0\t1700.5\t0.0\t\t\t\t4\t5\t6\r\n"
                          "3\t0.033\t2.0\t1701.0\t0.5\tNaN\tNaN\tNaN\t7\t8\t9\r\n"
                          "4\t0.050\t3.0\t1701.5\t1.0\t90.0\t25.0\t160.0\r\n";

TEST(TrcReader, ReadsMarkersWithTheirTracksAndGapsThenOptionsAndLooseLayouts)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(
        Imported(manager, scene, dir.WriteFile("walk.trc", kWalk), KScnImporter::FindFileFormat("trc")));
    const auto m = Children(scene->GetRootNode(), {"Head", "Left Toe", "Marker3"});
    ASSERT_EQ(m.size(), 3u);
    for (KScnNode* marker : m)
    {
        EXPECT_NE(marker->GetMarker(), nullptr);
        EXPECT_EQ(marker->GetChildCount(), 0);
    }
    // One take over the four rows at 60 fps; positions in centimetres; a key
    // where a sample is, none where it is missing.
    ASSERT_TRUE(scene->SetCurrentTake("Take 001"));
    const KTime f1 = Frame(1, KTime::eMode60), f2 = Frame(2, KTime::eMode60), f3 = Frame(3, KTime::eMode60);
    ExpectSpan(m[0], "Take 001", 0, f3);
    ExpectKeyTimes(CurveOf(m[0], "Take 001", 'T', 1), {0, f1, f2, f3});
    ExpectAt(m[0], "Take 001", 'T', f1, {0.1, 170.05, 0.0});
    ExpectAt(m[0], "Take 001", 'T', f3, {0.3, 170.15, 0.1});
    ExpectKeyTimes(CurveOf(m[1], "Take 001", 'T', 0), {0, f3}); // rows 2 (empty) and 3 (NaN) have no sample
    ExpectKeyTimes(CurveOf(m[2], "Take 001", 'T', 2), {0, f1, f2}); // row 4 ends before the third marker
    ExpectAt(m[2], "Take 001", 'T', f2, {0.7, 0.8, 0.9});
    ExpectAt(m[1], "Take 001", 'T', f3, {9, 2.5, 16});
    // The gap is spanned by the keys around it.
    ExpectAt(m[1], "Take 001", 'T', f1, {8 + 1.0 / 3, 2 + 0.5 / 3, 15 + 1.0 / 3});

    // Keys on one line, blank-separated rows numbered from 100, a repeated
    // name; metres to half metres, Z up.
    KScnSceneRoot* loose = manager.CreateScene();
    KScnReaderMotionAnalysisTrc reader(&manager);
    KStreamOptionsMotionAnalysisTrc options;
    options.mSceneUnit = 0.5;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mTakeName = "Markers";
    ASSERT_TRUE(
        Read(reader, loose,
             dir.WriteFile("loose.trc", "PathFileType 4 (X/Y/Z) loose.trc\nNumMarkers DataRate Units\n"
                                        "2 100 m\nFrame#\tTime\tA\t\t\tA\n"
                                        "100 0 1 2 3 4 5 6 7 8\n102 0.02 1 2 3.5\n"),
             &options, "fields past the markers' ignored"));
    const auto a = Children(loose->GetRootNode(), {"A", "A_2"});
    ASSERT_EQ(a.size(), 2u);
    ExpectKeyTimes(CurveOf(a[0], "Markers", 'T', 1), {0, Frame(2, KTime::eMode100)});
    ExpectAt(a[0], "Markers", 'T', 0, {2.0, 6.0, -4.0}); // (x, file z, -file y)
}

TEST(TrcReader, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::string top = "PathFileType\t4\t(X/Y/Z)\tx.trc\n";
    const auto header = [&](const std::string& values)
    { return top + kKeys + values + "\nFrame#\tTime\tA\t\t\n\t\tX1\tY1\tZ1\n"; };
    const std::string good = header("60\t60\t3\t1\tmm\t60\t1\t3");
    const std::pair<std::string, std::string> cases[] = {
        {"hello\n", "line 1: not a TRC file: no PathFileType"},
        {"", "line 0: not a TRC file: no PathFileType"},
        {top + kKeys, "line 2: the file ends in its header"},
        {header("0\t60\t3\t1\tmm\t60\t1\t3"), "line 3: data rate 0 not a number above 0"},
        {header("x\t60\t3\t1\tmm\t60\t1\t3"), "line 3: data rate x not a number above 0"},
        {header("-5\t60\t3\t1\tmm\t60\t1\t3"), "line 3: data rate -5 not a number above 0"},
        {good + "1\t0\t1\t2\t3" + std::string(1 << 20, '\t') + "\n", "line 6: line longer than"},
        {header("60\t60\t1000000000\t1\tmm\t60\t1\t3"),
         "line 3: frame count 1000000000 too large for the file"},
        {header("60\t60\t-1\t1\tmm\t60\t1\t3"), "line 3: not a frame count: -1"},
        {header("60\t60\t3\t1000000000\tmm\t60\t1\t3"),
         "line 3: marker count 1000000000 too large for the file"},
        {header("60\t60\t3\t-2\tmm\t60\t1\t3"), "line 3: not a marker count: -2"},
        {header("60\t60\t3\t10001\tmm\t60\t1\t3") + std::string(60000, '\t') + "\n",
         "line 3: more than 10000 markers"},
        {top + "CameraRate\tNumMarkers\n60\t1\nFrame#\tTime\tA\n\n", "line 3: no DataRate in the header"},
        {top + "DataRate\tNumFrames\n60\t1\nFrame#\tTime\tA\n\n", "line 3: no NumMarkers in the header"},
        {top + kKeys + "60\t60\t3\t1\tmm\t60\t1\t3\nA\tB\n\n",
         "line 4: expected Frame# and the marker names"},
        {top + kKeys + "60\t60\t3\t1\tmm\t60\t1\t3\nFrame#\tTime\t" + std::string(2000, 'n') + "\n\n",
         "line 4: a marker name longer than 1024"},
        {good + "1\t0\t1\t2\t3\nx\t0\t1\t2\t3\n", "line 7: not a frame number: x"},
        {good + "1\t0\t1\t2\t3\n1\t0\t1\t2\t3\n", "line 7: frame 1 not after frame 1"},
        {good + "2\t0\t1\t2\t3\n1\t0\t1\t2\t3\n", "line 7: frame 1 not after frame 2"},
        {good + "99999999999999999\t0\t1\t2\t3\n", "line 6: frame number 99999999999999999 out of range"},
        {good + "1\tnow\t1\t2\t3\n", "line 6: not a time: now"},
        {good + "1\t0\t1\tabc\t\n", "line 6: not a number: abc"},
        {good + "1\t0\t1\t1e999\t3\n", "line 6: not a number: 1e999"},
        {header("1e9\t60\t3\t1\tmm\t60\t1\t3") + "1\t0\t1\t2\t3\n", "frame rate 1e+09 out of range"},
    };
    importtest::ExpectEachRefused<KScnReaderMotionAnalysisTrc, KStreamOptionsMotionAnalysisTrc>(cases,
                                                                                                "bad.trc");
}

} // namespace
