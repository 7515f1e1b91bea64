// The C3D reader: a float file of four markers (a repeated and a missing
// name, a sample not seen, analog data between the frames) read through the
// importer and checked value by value, then with stale parameters and as a
// single frame; the same motion as 16-bit integers and in the DEC and MIPS
// number formats, with units and axes converted; a trial longer than one
// decoding run; each hostile file of the notes refused with error 0 and its
// reason, the scene left as it was.

#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

using namespace scenesdk;
using namespace motiontest;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int64_t kFrame120 = KTime::kOneSecond / 120;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// Four markers over five frames; "RFHD" is not seen in frame 3.
C3dTestWriter Walk()
{
    C3dTestWriter w;
    w.mLabels = {"LFHD", "RFHD", "", "LFHD"};
    w.mAnalogChannels = 2;
    w.mAnalogPerFrame = 3;
    for (int f = 0; f < 5; ++f)
    {
        std::vector<C3dSample> frame;
        for (int p = 0; p < 4; ++p)
            frame.push_back({100.0 * p + f, 1500.0 - 2.0 * f, -20.0 + p + f, !(p == 1 && f == 2)});
        w.mFrames.push_back(frame);
    }
    return w;
}

// Where the data of a scalar parameter or the first element of an array lies.
size_t DataOf(const std::string& bytes, const std::string& name)
{
    const size_t at = C3dTestWriter::RecordAt(bytes, name);
    return at + 2 + name.size() + 4 + static_cast<size_t>(bytes[at + 2 + name.size() + 3]);
}

// The walk (or other bytes) changed by patch; numbers put as the walk's.
const C3dTestWriter kWalk = Walk();
std::string Patched(const std::function<void(std::string&)>& patch, std::string bytes = kWalk.Write())
{
    patch(bytes);
    return bytes;
}

// The walk with a 16-bit value at the data of parameter name and, when
// given, at that offset of the header.
std::string With16(const char* name, int value, int header = -1)
{
    return Patched(
        [&](std::string& b)
        {
            kWalk.Put16(&b[DataOf(b, name)], value);
            if (header >= 0)
                kWalk.Put16(&b[header], value);
        });
}

TEST(C3dReader, ReadsMarkersWithTheirMotionGapsStaleParametersAndASingleFrame)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const int c3d = KScnImporter::FindFileFormat("c3d");
    ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("walk.c3d", kWalk.Write()), c3d));
    const auto m = Children(scene->GetRootNode(), {"LFHD", "RFHD", "Marker3", "LFHD_2"});
    ASSERT_EQ(m.size(), 4u);
    for (KScnNode* marker : m)
        EXPECT_NE(marker->GetMarker(), nullptr);
    ASSERT_NE(scene->GetTakeInfo("Take 001"), nullptr);
    // Frames 1 to 5 at 120 Hz; millimetres to centimetres; the fourth
    // marker's track is its own.
    ExpectSpan(m[0], "Take 001", 0, 4 * kFrame120);
    ExpectAt(m[0], "Take 001", 'T', 0, {kNan, 150.0, kNan});
    ExpectAt(m[0], "Take 001", 'T', 3 * kFrame120, {0.3, 149.4, -1.7});
    ExpectAt(m[3], "Take 001", 'T', 4 * kFrame120, {30.4, 149.2, -1.3});
    // The sample not seen has no key on any axis; the curve passes over it.
    for (int axis = 0; axis < 3; ++axis)
    {
        ExpectKeyTimes(CurveOf(m[1], "Take 001", 'T', axis), {0, kFrame120, 3 * kFrame120, 4 * kFrame120});
        EXPECT_EQ(CurveOf(m[1], "Take 001", 'T', axis)->GetKeyInterpolation(2), KFCURVE_INTERPOLATION_LINEAR);
    }
    ExpectAt(m[1], "Take 001", 'T', 2 * kFrame120, {kNan, 149.6, kNan});

    // POINT:USED says 5 points, whose frames would pass the end of the file:
    // the header's 4 are read instead, with a warning.
    KScnSceneRoot* stale = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, stale, dir.WriteFile("stale.c3d", With16("USED", 5)), c3d, nullptr,
                         "the header's layout used (4 points, 6 analog values, data at block 3): "
                         "the parameters' does not fit the file"));
    ASSERT_EQ(stale->GetRootNode()->GetChildCount(), 4);
    EXPECT_FLOAT_EQ(CurveOf(stale->GetRootNode()->GetChild(2), "Take 001", 'T', 0)->GetKeyValue(4), 20.4f);

    // A single frame is at time 0 whatever the rate, even one whose frame
    // would pass the range of times (read, not refused); a curve of one key
    // is flat, so it keeps none and holds the value.
    C3dTestWriter still;
    still.mLabels = {"Still"};
    still.mRate = 1.0e-30;
    still.mFrames = {{{1.0, 2.0, 3.0, true}}};
    KScnSceneRoot* single = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, single, dir.WriteFile("still.c3d", still.Write()), c3d));
    KFCurve* z = CurveOf(single->GetRootNode()->GetChild(0), "Take 001", 'T', 2);
    EXPECT_EQ(z->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(z->Evaluate(0), 0.3f);
}

// The walk in every number format, as floats and as integers: the same keys.
TEST(C3dReader, ReadsEveryProcessorTypeAsFloatsAndIntegers)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (int processor = 1; processor <= 3; ++processor)
        for (bool floats : {true, false})
        {
            SCOPED_TRACE("processor " + std::to_string(processor) + (floats ? " floats" : " integers"));
            C3dTestWriter w = Walk();
            w.mProcessor = processor;
            w.mFloats = floats;
            w.mScale = 0.5;
            w.mUnits = "m";
            w.mRate = 50.0;
            w.mFirstFrame = 70000; // past 16 bits: the frame range only in TRIAL
            w.mTrial = true;
            KScnSceneRoot* scene = manager.CreateScene();
            KScnReaderVicon reader(&manager);
            KStreamOptionsVicon options;
            options.mSceneUnit = 1.0;
            options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
            options.mTakeName = "Walk";
            ASSERT_TRUE(Read(reader, scene, dir.WriteFile("walk.c3d", w.Write()), &options, nullptr));
            ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 4);
            KScnNode* marker = scene->GetRootNode()->GetChild(3);
            KFCurve* x = CurveOf(marker, "Walk", 'T', 0);
            ASSERT_EQ(x->GetKeyCount(), 5);
            EXPECT_EQ(x->GetKeyTime(4).Get(), 4 * KTime::kOneSecond / 50);
            EXPECT_FLOAT_EQ(x->GetKeyValue(1), 301.0f) << "metres as read: 1 m a scene unit";
            EXPECT_FLOAT_EQ(CurveOf(marker, "Walk", 'T', 1)->GetKeyValue(1), -16.0f) << "file z up";
            EXPECT_FLOAT_EQ(CurveOf(marker, "Walk", 'T', 2)->GetKeyValue(1), -1498.0f) << "minus file y";
            EXPECT_EQ(CurveOf(scene->GetRootNode()->GetChild(1), "Walk", 'T', 2)->GetKeyCount(), 4);
            manager.DestroyScene(scene, true);
        }
}

// One marker over 2^18 + 3 frames (integers, the range only in TRIAL): the
// samples are decoded in runs of 2^18, the keys follow on across them.
TEST(C3dReader, KeysLongTrialsAcrossDecodingRuns)
{
    C3dTestWriter w;
    w.mLabels = {"Pelvis"};
    w.mFloats = false;
    w.mScale = 1.0;
    w.mTrial = true;
    const int run = 1 << 18;
    for (int f = 0; f < run + 3; ++f)
        w.mFrames.push_back({{double(f % 1000), double(f % 7), 5.0, f != run + 1}});
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderVicon reader(&manager);
    KStreamOptionsVicon options;
    options.mSceneUnit = 0.001;
    ASSERT_TRUE(Read(reader, scene, dir.WriteFile("long.c3d", w.Write()), &options, nullptr));
    KFCurve* x = CurveOf(scene->GetRootNode()->GetChild(0), "Take 001", 'T', 0);
    ASSERT_EQ(x->GetKeyCount(), run + 2);
    EXPECT_EQ(x->GetKeyTime(run - 1).Get(), (run - 1) * kFrame120);
    EXPECT_FLOAT_EQ(x->GetKeyValue(run - 1), float((run - 1) % 1000));
    EXPECT_EQ(x->GetKeyTime(run).Get(), run * kFrame120);
    EXPECT_EQ(x->GetKeyTime(run + 1).Get(), (run + 2) * kFrame120);
    EXPECT_FLOAT_EQ(x->GetKeyValue(run + 1), float((run + 2) % 1000));
}

TEST(C3dReader, RefusesHostileFiles)
{
    const std::string walk = kWalk.Write();
    const auto withFloat = [](const char* name, double value)
    { return Patched([&](std::string& b) { kWalk.PutFloat(&b[DataOf(b, name)], value); }); };
    // 10^9 frames in a small file (the trial's 32-bit range).
    C3dTestWriter trial = Walk();
    trial.mTrial = true;
    const std::string billion = Patched(
        [](std::string& b)
        {
            kWalk.Put16(&b[DataOf(b, "ACTUAL_END_FIELD")], 1000000000 & 0xffff);
            kWalk.Put16(&b[DataOf(b, "ACTUAL_END_FIELD") + 2], 1000000000 >> 16);
        },
        trial.Write());
    // 10,001 small groups chained after the header's own parameters.
    std::string chain = C3dTestWriter().Write(), groups;
    for (int i = 0; i < 10001; ++i)
        groups += std::string{1, -9, 'G', 3, 0, 0};
    chain.insert(C3dTestWriter::RecordAt(chain, "UNITS"), groups);
    const std::pair<std::string, std::string> cases[] = {
        {walk.substr(0, 300), "shorter than one 512-byte block"},
        {Patched([](std::string& b) { b[1] = 0x51; }), "no C3D key"},
        {Patched([](std::string& b) { b[0] = static_cast<char>(200); }),
         "parameter section at block 200 passes the end of the file"},
        {Patched([](std::string& b) { b[0] = 1; }), "parameter section at block 1"},
        {Patched([](std::string& b) { b[512 + 3] = 83 + 4; }), "unknown processor type 4"},
        // Frames: more than the file holds, a point count whose frames pass
        // any file, the last frame before the first.
        {billion, "1000000000 frames of 4 points, 6 analog values, data at block 3 pass the end of the file"},
        {With16("USED", 10000, 2), "5 frames of 10000 points"},
        {With16("USED", -3, 2), "point count -3"},
        {Patched([](std::string& b) { kWalk.Put16(&b[8], 0); }), "last frame 0 before the first 1"},
        {With16("DATA_START", 90, 16), "data section at block 90 passes the end of the file"},
        // Numbers: a rate that is not one, a coordinate that is not one.
        {withFloat("RATE", kNan), "frame rate nan out of range"},
        {withFloat("RATE", 0.0), "frame rate 0 out of range"},
        {Patched([](std::string& b)
                 { kWalk.PutFloat(&b[2 * 512 + 16 + 4], std::numeric_limits<double>::infinity()); }),
         "point 2 at frame 1: not a number"},
        {withFloat("SCALE", kNan), "point scale nan not a number"},
        // The parameter chain: a link back to its own record, a link past the
        // file, a bad data type, dimensions whose data pass the file, a name
        // running off the end (cut after the group POINT, 10 bytes, and
        // USED, 13), data running off the end, too many records.
        {Patched([](std::string& b) { kWalk.Put16(&b[C3dTestWriter::RecordAt(b, "RATE") + 6], -6); }),
         "(RATE) points back to byte"},
        {Patched([](std::string& b) { kWalk.Put16(&b[C3dTestWriter::RecordAt(b, "RATE") + 6], 30000); }),
         "(RATE) points past the end of the file"},
        {Patched([](std::string& b) { b[C3dTestWriter::RecordAt(b, "RATE") + 8] = 3; }),
         "parameter RATE has data type 3"},
        {Patched(
             [](std::string& b)
             {
                 const size_t at = C3dTestWriter::RecordAt(b, "LABELS");
                 b[at + 11] = 7;
                 for (int d = 0; d < 7; ++d)
                     b[at + 12 + d] = static_cast<char>(255);
             }),
         "data of parameter LABELS (70110209207109375 bytes) passes the end of the file"},
        {walk.substr(0, 512 + 4 + 10 + 13 + 3), "parameter record at byte 539 passes the end of the file"},
        {walk.substr(0, 512 + 4 + 10 + 13 + 12), "data of parameter FRAMES (2 bytes) passes the end"},
        {chain, "more than 10000 parameter records"},
    };
    importtest::ExpectEachRefused<KScnReaderVicon, KStreamOptionsVicon>(cases, "hostile.c3d");
}

} // namespace
