// The Adaptive Optics marker reader (mode 0) through the importer: numbered
// optical markers keyed per frame at the header's rate, a lost marker with
// no key, units and axes from the options, positions past a float held at
// its end; hostile files each refused with error 0 and a reason before
// anything is made, leaving the scene alone.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>

using namespace scenesdk;

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

float ValueAt(KFCurve* curve, double seconds)
{
    KTime time;
    time.SetSeconds(seconds);
    return curve->Evaluate(time);
}

TEST(AdaptiveOpticsReader, ReadsNumberedMarkersFrameByFrame)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("walk.aoa", kWalk);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(12);
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
    EXPECT_STREQ(importer->GetStatusText(), "1 lines after the last frame skipped");

    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 2);
    KScnNode* first = root->GetChild(0);
    KScnNode* second = root->GetChild(1);
    EXPECT_STREQ(first->GetName(), "Model::Marker1");
    EXPECT_STREQ(second->GetName(), "Model::Marker2");
    auto* marker = static_cast<KScnMarker*>(second->GetMarker());
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->GetMarkerKind(), KScnMarker::eOpticalMarker);
    ASSERT_NE(scene->GetTakeInfo("walk"), nullptr);

    KFCurve* x1 = KScnTakeKeys::GetCurve(first, "walk", KScnTakeKeys::eTranslation, 0);
    KFCurve* y1 = KScnTakeKeys::GetCurve(first, "walk", KScnTakeKeys::eTranslation, 1);
    EXPECT_FLOAT_EQ(ValueAt(x1, 0.02), 12.9f) << "frame 2 at 50 per second";
    EXPECT_FLOAT_EQ(ValueAt(y1, 0.04), 1022.2f);
    ASSERT_EQ(x1->GetKeyCount(), 3);
    EXPECT_NEAR(x1->GetKeyTime(2).GetSeconds(), 0.04, 1e-12) << "the take spans the file's frames";
    // Marker 2 was lost in frame 2 (0 0 0): no key there, on any axis.
    KFCurve* z2 = KScnTakeKeys::GetCurve(second, "walk", KScnTakeKeys::eTranslation, 2);
    ASSERT_EQ(z2->GetKeyCount(), 2);
    EXPECT_NEAR(z2->GetKeyTime(1).GetSeconds(), 0.04, 1e-12);
    EXPECT_FLOAT_EQ(z2->GetKeyValue(1), 35.4f);

    // Millimetres to metres, Z up to Y up, a lost marker kept at the origin.
    KStreamOptionsAdaptiveOptics options;
    options.mUnitScale = 0.001;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mMarkerPrefix = "LED";
    options.mZeroIsMissing = false;
    KScnSceneRoot* converted = manager.CreateScene();
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(converted, &options)) << importer->GetStatusText();
    KScnNode* led1 = converted->GetRootNode()->FindChild("Model::LED1");
    KScnNode* led2 = converted->GetRootNode()->FindChild("Model::LED2");
    ASSERT_TRUE(led1 != nullptr && led2 != nullptr);
    EXPECT_NEAR(ValueAt(KScnTakeKeys::GetCurve(led1, "walk", KScnTakeKeys::eTranslation, 1), 0.02), 0.033,
                1e-6);
    EXPECT_NEAR(ValueAt(KScnTakeKeys::GetCurve(led1, "walk", KScnTakeKeys::eTranslation, 2), 0.02), -1.0211,
                1e-6);
    EXPECT_EQ(KScnTakeKeys::GetCurve(led2, "walk", KScnTakeKeys::eTranslation, 0)->GetKeyCount(), 3);
}

// A position past a float's range is held at its end, as every motion
// reader keys it (converting it as it is would be undefined); a marker lost
// in every frame keeps its node and curves, without keys.
TEST(AdaptiveOpticsReader, FarPositionsAreHeldAndNeverSeenMarkersKept)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderAdaptiveOptics reader(&manager, 0);
    ASSERT_TRUE(reader.OpenFile(
        dir.WriteFile("far.aoa", "frames = 2 nummarkers = 2 hz = 60\n1e39 -1e300 2\n0 0 0\n1 2 3\n0 0 0\n")
            .c_str()));
    KStreamOptionsAdaptiveOptics options;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 2);
    KScnNode* far = scene->GetRootNode()->GetChild(0);
    const float expected[3] = {FLT_MAX, -FLT_MAX, 2.0f};
    for (int axis = 0; axis < 3; ++axis)
    {
        EXPECT_EQ(KScnTakeKeys::GetCurve(far, "far", KScnTakeKeys::eTranslation, axis)->GetKeyValue(0),
                  expected[axis]);
        KFCurve* lost = KScnTakeKeys::GetCurve(scene->GetRootNode()->GetChild(1), "far",
                                               KScnTakeKeys::eTranslation, axis);
        ASSERT_NE(lost, nullptr);
        EXPECT_EQ(lost->GetKeyCount(), 0);
    }
}

TEST(AdaptiveOpticsReader, HostileFilesAreRefusedBeforeAnythingIsMade)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const std::string twoFrames = "frames = 2 nummarkers = 1 hz = 30\n";
    std::string late;
    for (int i = 0; i < KScnReaderAdaptiveOptics::kHeaderLines; ++i)
        late += "comment\n";
    const std::string cases[][2] = {
        {"frames = 1000000000 nummarkers = 3 hz = 60\n1 2 3\n",
         "the header announces 1000000000 frames of 3 markers, more than 49 bytes can hold"},
        {"frames = 3 nummarkers = 9223372036854775807 hz = 60\n",
         "the header announces 3 frames of 9223372036854775807 markers, more than 52 bytes can hold"},
        {"frames = 2 nummarkers = 0 hz = 60\n", "line 1: frames, nummarkers and hz must be numbers above 0"},
        {"frames = -5 nummarkers = 1 hz = 60\n", "line 1: frames, nummarkers and hz must be numbers above 0"},
        {"frames = 2 nummarkers = 1 hz = 0\n", "line 1: frames, nummarkers and hz must be numbers above 0"},
        {"frames = 2 nummarkers = 1 hz = fast\n",
         "line 1: frames, nummarkers and hz must be numbers above 0"},
        {"frames = 99999999999999999999 nummarkers = 1 hz = 1\n",
         "line 1: frames, nummarkers and hz must be numbers above 0"},
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
    const int nodes = manager.GetNodeCount();
    const int attributes = manager.GetNodeAttributeCount();
    KScnReaderAdaptiveOptics reader(&manager, 0);
    KStreamOptionsAdaptiveOptics options;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[1]);
        ASSERT_TRUE(reader.OpenFile(dir.WriteFile("bad.aoa", c[0]).c_str()));
        EXPECT_FALSE(reader.ReadScene(scene, &options));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
        EXPECT_EQ(std::string(reader.GetStatusText()), c[1]);
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(manager.GetNodeAttributeCount(), attributes);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    }
    KScnReaderAdaptiveOptics mcd(&manager, 1);
    EXPECT_FALSE(mcd.OpenFile(dir.WriteFile("take.mcd", twoFrames).c_str())) << "MCD stays unknown";
    EXPECT_EQ(mcd.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
}

} // namespace
