// The Adaptive Optics marker reader (mode 0) through the importer: numbered
// optical markers keyed per frame at the header's rate, a lost marker with
// no key, units and axes from the options, positions past a float held at
// its end; hostile files each refused with error 0 and a reason before
// anything is made, leaving the scene alone.

#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>

using namespace scenesdk;
using namespace motiontest;

namespace
{

const char* const kWalk = "walking test, subject 2\n"
                          "Frames = 3 NumMarkers = 2 hz = 50\r\n"
                          "12.5 1020.0 33.1\n"
                          "-40.2 990.3 35.0\n"
                          "12.9, 1021.1, 33.0\n"
                          "0 0 0\n"
                          "\n"
                          "13.3\t1022.2\t32.9\n"
                          "-39.0 992.0 35.4\n"
                          "99 99 99\n";

// The reader in mode 0, as the refusal helper makes it.
struct AoaReader : KScnReaderAdaptiveOptics
{
    explicit AoaReader(KScnSdkManager* manager) : KScnReaderAdaptiveOptics(manager, 0) {}
};

TEST(AdaptiveOpticsReader, ReadsNumberedMarkersFrameByFrameFarPositionsAndNeverSeenMarkers)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("walk.aoa", kWalk);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, scene, path, 12, nullptr, "1 lines after the last frame skipped"));
    const auto m = Children(scene->GetRootNode(), {"Marker1", "Marker2"});
    ASSERT_EQ(m.size(), 2u);
    auto* marker = static_cast<KScnMarker*>(m[1]->GetMarker());
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->GetMarkerKind(), KScnMarker::eOpticalMarker);
    ASSERT_NE(scene->GetTakeInfo("walk"), nullptr);
    // 50 frames a second; the take spans the file's frames.
    ExpectAt(m[0], "walk", 'T', Seconds(0.02), {12.9, 1021.1, 33.0});
    ExpectAt(m[0], "walk", 'T', Seconds(0.04), {13.3, 1022.2, 32.9});
    ExpectKeyTimes(CurveOf(m[0], "walk", 'T', 0), {0, Seconds(0.02), Seconds(0.04)});
    // Marker 2 was lost in frame 2 (0 0 0): no key there, on any axis.
    for (int axis = 0; axis < 3; ++axis)
        ExpectKeyTimes(CurveOf(m[1], "walk", 'T', axis), {0, Seconds(0.04)});
    ExpectAt(m[1], "walk", 'T', Seconds(0.04), {-39.0, 992.0, 35.4});

    // Millimetres to metres, Z up to Y up, a lost marker kept at the origin.
    KStreamOptionsAdaptiveOptics options;
    options.mUnitScale = 0.001;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mMarkerPrefix = "LED";
    options.mZeroIsMissing = false;
    KScnSceneRoot* converted = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, converted, path, 12, &options, nullptr));
    const auto led = Children(converted->GetRootNode(), {"LED1", "LED2"});
    ASSERT_EQ(led.size(), 2u);
    // In metres the marker's steps of a few tenths of a millimetre lie
    // within the reducer's band (0.009): its keys give way to one value.
    ExpectAt(led[0], "walk", 'T', Seconds(0.02), {0.0129, 0.033, -1.0211}, 0.009);
    EXPECT_EQ(CurveOf(led[1], "walk", 'T', 0)->GetKeyCount(), 3);

    // A position past a float's range is held at its end, as every motion
    // reader keys it (converting it as it is would be undefined); a marker
    // lost in every frame keeps its node and curves, without keys.
    KScnSceneRoot* far = manager.CreateScene();
    AoaReader reader(&manager);
    KStreamOptionsAdaptiveOptics defaults;
    ASSERT_TRUE(Read(
        reader, far,
        dir.WriteFile("far.aoa", "frames = 2 nummarkers = 2 hz = 60\n1e39 -1e300 2\n0 0 0\n1 2 3\n0 0 0\n"),
        &defaults, nullptr));
    ASSERT_EQ(far->GetRootNode()->GetChildCount(), 2);
    const float expected[3] = {FLT_MAX, -FLT_MAX, 2.0f};
    for (int axis = 0; axis < 3; ++axis)
    {
        EXPECT_EQ(CurveOf(far->GetRootNode()->GetChild(0), "far", 'T', axis)->GetKeyValue(0), expected[axis]);
        KFCurve* lost = CurveOf(far->GetRootNode()->GetChild(1), "far", 'T', axis);
        ASSERT_NE(lost, nullptr);
        EXPECT_EQ(lost->GetKeyCount(), 0);
    }
}

TEST(AdaptiveOpticsReader, HostileFilesAreRefusedBeforeAnythingIsMade)
{
    const std::string twoFrames = "frames = 2 nummarkers = 1 hz = 30\n";
    std::string late;
    for (int i = 0; i < KScnReaderAdaptiveOptics::kHeaderLines; ++i)
        late += "comment\n";
    const std::string counts = "line 1: frames, nummarkers and hz must be numbers above 0";
    const std::pair<std::string, std::string> cases[] = {
        {"frames = 1000000000 nummarkers = 3 hz = 60\n1 2 3\n",
         "the header announces 1000000000 frames of 3 markers, more than 49 bytes can hold"},
        {"frames = 3 nummarkers = 9223372036854775807 hz = 60\n",
         "the header announces 3 frames of 9223372036854775807 markers, more than 52 bytes can hold"},
        {"frames = 2 nummarkers = 0 hz = 60\n", counts},
        {"frames = -5 nummarkers = 1 hz = 60\n", counts},
        {"frames = 2 nummarkers = 1 hz = 0\n", counts},
        {"frames = 2 nummarkers = 1 hz = fast\n", counts},
        {"frames = 99999999999999999999 nummarkers = 1 hz = 1\n", counts},
        {"1 2 3\nframes = 1 nummarkers = 1 hz = 30\n", "line 1: data before the header line"},
        {late + twoFrames + "1 2 3\n4 5 6\n",
         "no header line (frames = F nummarkers = M hz = R) in the first 16 lines"},
        {twoFrames + "1 2\n4 5 6\n", "line 2: fewer than three numbers"},
        {twoFrames + "1 2 3 4\n4 5 6\n", "line 2: more than three numbers"},
        {twoFrames + "1 2 3\n4 nan 6\n", "line 3: not a number: nan"},
        {twoFrames + "1 2 3\n4 1e999 6\n", "line 3: not a number: 1e999"},
        {twoFrames + "1 2 3\n\n", "the file ends in frame 2 of 2"},
        {"frames = 12 nummarkers = 1 hz = 0.0000001\n" + std::string(100, '\n'),
         "the frames reach beyond the longest take"},
    };
    importtest::ExpectEachRefused<AoaReader, KStreamOptionsAdaptiveOptics>(cases, "bad.aoa");
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnReaderAdaptiveOptics mcd(&manager, 1);
    EXPECT_FALSE(mcd.OpenFile(dir.WriteFile("take.mcd", twoFrames).c_str())) << "MCD stays unknown";
    EXPECT_EQ(mcd.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
}

} // namespace
