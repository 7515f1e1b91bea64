// The C3D reader: a float file of four markers (a repeated and a missing
// name, a sample not seen, analog data between the frames) read through the
// importer and checked value by value; the same motion as 16-bit integers
// and in the DEC and MIPS number formats, with units and axes converted;
// each hostile file of the notes refused with error 0 and its reason, the
// scene left as it was.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

using namespace scenesdk;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int64_t kFrame120 = KTime::kOneSecond / 120;

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
            frame.push_back({100.0 * p + f, 1500.0 - 2.0 * f, -20.0 + p, !(p == 1 && f == 2)});
        w.mFrames.push_back(frame);
    }
    return w;
}

KFCurve* Curve(KScnNode* node, const char* take, int axis)
{
    if (!node->SelectTakeNodeByName(take))
        return nullptr;
    KScnTakeNodeEntry* entry = node->GetCurrentTakeNode();
    return axis == 0 ? entry->GetTranslationXCurve()
                     : (axis == 1 ? entry->GetTranslationYCurve() : entry->GetTranslationZCurve());
}

TEST(C3dReader, ReadsMarkersWithTheirMotionAndGaps)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("walk.c3d", Walk().Write());
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(KScnImporter::FindFileFormat("c3d"));
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();
    EXPECT_STREQ(importer->GetStatusText(), "");

    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 4);
    const char* const names[] = {"Model::LFHD", "Model::RFHD", "Model::Marker3", "Model::LFHD_2"};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_STREQ(root->GetChild(i)->GetName(), names[i]);
        EXPECT_NE(root->GetChild(i)->GetMarker(), nullptr);
    }
    ASSERT_NE(scene->GetTakeInfo("Take 001"), nullptr);

    // The take spans frames 1 to 5 at 120 Hz: 0 to 4/120 s.
    KScnNode* left = root->GetChild(0);
    ASSERT_NE(Curve(left, "Take 001", 0), nullptr);
    KTime start(KTime::kInfinite), stop(KTime::kMinusInfinite);
    ASSERT_TRUE(left->GetCurrentTakeInterval(start, stop));
    EXPECT_EQ(start.Get(), 0);
    EXPECT_EQ(stop.Get(), 4 * kFrame120);

    // Millimetres to centimetres; the fourth marker's track is its own.
    EXPECT_FLOAT_EQ(Curve(left, "Take 001", 1)->Evaluate(KTime(0)), 150.0f);
    EXPECT_FLOAT_EQ(Curve(left, "Take 001", 0)->Evaluate(KTime(3 * kFrame120)), 0.3f);
    EXPECT_FLOAT_EQ(Curve(left, "Take 001", 2)->Evaluate(KTime(3 * kFrame120)), -2.0f);
    EXPECT_FLOAT_EQ(Curve(root->GetChild(3), "Take 001", 0)->Evaluate(KTime(4 * kFrame120)), 30.4f);

    // The sample not seen has no key on any axis; the curve passes over it.
    KScnNode* right = root->GetChild(1);
    for (int axis = 0; axis < 3; ++axis)
    {
        KFCurve* curve = Curve(right, "Take 001", axis);
        ASSERT_EQ(curve->GetKeyCount(), 4);
        EXPECT_EQ(curve->GetKeyTime(1).Get(), kFrame120);
        EXPECT_EQ(curve->GetKeyTime(2).Get(), 3 * kFrame120);
        EXPECT_EQ(curve->GetKeyInterpolation(2), KFCURVE_INTERPOLATION_LINEAR);
    }
    EXPECT_FLOAT_EQ(Curve(right, "Take 001", 1)->Evaluate(KTime(2 * kFrame120)), 149.6f);
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
            const std::string path = dir.WriteFile("walk.c3d", w.Write());
            KScnSceneRoot* scene = manager.CreateScene();
            KScnReaderVicon reader(&manager);
            ASSERT_TRUE(reader.OpenFile(path.c_str()));
            KStreamOptionsVicon options;
            options.mSceneUnit = 1.0;
            options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
            options.mTakeName = "Walk";
            ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
            ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 4);
            KScnNode* marker = scene->GetRootNode()->GetChild(3);
            KFCurve* x = Curve(marker, "Walk", 0);
            KFCurve* y = Curve(marker, "Walk", 1);
            KFCurve* z = Curve(marker, "Walk", 2);
            ASSERT_EQ(x->GetKeyCount(), 5);
            EXPECT_EQ(x->GetKeyTime(4).Get(), 4 * KTime::kOneSecond / 50);
            EXPECT_FLOAT_EQ(x->GetKeyValue(1), 301.0f) << "metres as read: 1 m a scene unit";
            EXPECT_FLOAT_EQ(y->GetKeyValue(1), -17.0f) << "file z up";
            EXPECT_FLOAT_EQ(z->GetKeyValue(1), -1498.0f) << "minus file y";
            EXPECT_EQ(Curve(scene->GetRootNode()->GetChild(1), "Walk", 2)->GetKeyCount(), 4);
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
    const int frames = (1 << 18) + 3;
    for (int f = 0; f < frames; ++f)
        w.mFrames.push_back({{double(f % 1000), double(f % 7), 5.0, f != (1 << 18) + 1}});
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("long.c3d", w.Write());
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderVicon reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsVicon options;
    options.mSceneUnit = 0.001;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    KFCurve* x = Curve(scene->GetRootNode()->GetChild(0), "Take 001", 0);
    ASSERT_EQ(x->GetKeyCount(), frames - 1);
    EXPECT_EQ(x->GetKeyTime((1 << 18) - 1).Get(), ((1 << 18) - 1) * kFrame120);
    EXPECT_FLOAT_EQ(x->GetKeyValue((1 << 18) - 1), float(((1 << 18) - 1) % 1000));
    EXPECT_EQ(x->GetKeyTime(1 << 18).Get(), (1 << 18) * kFrame120);
    EXPECT_EQ(x->GetKeyTime((1 << 18) + 1).Get(), ((1 << 18) + 2) * kFrame120);
    EXPECT_FLOAT_EQ(x->GetKeyValue((1 << 18) + 1), float(((1 << 18) + 2) % 1000));
}

// A single frame is at time 0 whatever the rate, even one whose frame would
// pass the range of times.
TEST(C3dReader, ReadsASingleFrameAtAnyRate)
{
    C3dTestWriter w;
    w.mLabels = {"Still"};
    w.mRate = 1.0e-30;
    w.mFrames = {{{1.0, 2.0, 3.0, true}}};
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("still.c3d", w.Write());
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderVicon reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsVicon options;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    KFCurve* z = Curve(scene->GetRootNode()->GetChild(0), "Take 001", 2);
    ASSERT_EQ(z->GetKeyCount(), 1);
    EXPECT_EQ(z->GetKeyTime(0).Get(), 0);
    EXPECT_FLOAT_EQ(z->GetKeyValue(0), 0.3f);
}

// A hostile file: the read fails with error 0 and the reason; the scene
// keeps what it had.
void ExpectRefused(const std::string& bytes, const std::string& reason)
{
    SCOPED_TRACE(reason);
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("hostile.c3d", bytes);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const int nodes = manager.GetNodeCount();
    KScnReaderVicon reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsVicon options;
    EXPECT_FALSE(reader.ReadScene(scene, &options));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
    EXPECT_NE(std::string(reader.GetStatusText()).find(reason), std::string::npos) << reader.GetStatusText();
    EXPECT_EQ(manager.GetNodeCount(), nodes);
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
}

// The walk written, then changed by patch (given the writer for its number
// format and the bytes).
std::string Patched(const std::function<void(const C3dTestWriter&, std::string&)>& patch, bool floats = true)
{
    C3dTestWriter w = Walk();
    w.mFloats = floats;
    std::string bytes = w.Write();
    patch(w, bytes);
    return bytes;
}

// Where the data of a scalar parameter or the first element of an array lies.
size_t DataOf(const std::string& bytes, const std::string& name, int nth = 0)
{
    const size_t at = C3dTestWriter::RecordAt(bytes, name, nth);
    const int dims = bytes[at + 2 + name.size() + 3];
    return at + 2 + name.size() + 4 + static_cast<size_t>(dims);
}

TEST(C3dReader, RefusesHostileFiles)
{
    using W = const C3dTestWriter&;
    const std::string walk = Walk().Write();
    ExpectRefused(walk.substr(0, 300), "shorter than one 512-byte block");
    ExpectRefused(Patched([](W, std::string& b) { b[1] = 0x51; }), "no C3D key");
    ExpectRefused(Patched([](W, std::string& b) { b[0] = static_cast<char>(200); }),
                  "parameter section at block 200 passes the end of the file");
    ExpectRefused(Patched([](W, std::string& b) { b[0] = 1; }), "parameter section at block 1");
    ExpectRefused(Patched([](W, std::string& b) { b[512 + 3] = 83 + 4; }), "unknown processor type 4");

    // Frames: 10^9 of them in a small file (the trial's 32-bit range), a
    // point count whose frames pass any file, the last frame before the first.
    C3dTestWriter trial = Walk();
    trial.mTrial = true;
    ExpectRefused(Patched(
                      [&](W w, std::string& b)
                      {
                          b = trial.Write();
                          const size_t end = DataOf(b, "ACTUAL_END_FIELD");
                          w.Put16(&b[end], 1000000000 & 0xffff);
                          w.Put16(&b[end + 2], 1000000000 >> 16);
                      }),
                  "1000000000 frames of 4 points, 6 analog values, data at block 3 pass the end of the file");
    ExpectRefused(Patched(
                      [](W w, std::string& b)
                      {
                          w.Put16(&b[DataOf(b, "USED")], 10000);
                          w.Put16(&b[2], 10000);
                      }),
                  "5 frames of 10000 points");
    ExpectRefused(Patched(
                      [](W w, std::string& b)
                      {
                          w.Put16(&b[DataOf(b, "USED")], -3);
                          w.Put16(&b[2], 0xfffd);
                      }),
                  "point count -3");
    ExpectRefused(Patched([](W w, std::string& b) { w.Put16(&b[8], 0); }), "last frame 0 before the first 1");
    ExpectRefused(Patched(
                      [](W w, std::string& b)
                      {
                          w.Put16(&b[DataOf(b, "DATA_START")], 90);
                          w.Put16(&b[16], 90);
                      }),
                  "data section at block 90 passes the end of the file");

    // Numbers: a rate that is not one, a coordinate that is not one.
    ExpectRefused(Patched([](W w, std::string& b)
                          { w.PutFloat(&b[DataOf(b, "RATE")], std::numeric_limits<double>::quiet_NaN()); }),
                  "frame rate nan out of range");
    ExpectRefused(Patched([](W w, std::string& b) { w.PutFloat(&b[DataOf(b, "RATE")], 0.0); }),
                  "frame rate 0 out of range");
    ExpectRefused(Patched([](W w, std::string& b)
                          { w.PutFloat(&b[2 * 512 + 16 + 4], std::numeric_limits<double>::infinity()); }),
                  "point 2 at frame 1: not a number");
    ExpectRefused(Patched([](W w, std::string& b)
                          { w.PutFloat(&b[DataOf(b, "SCALE")], std::numeric_limits<double>::quiet_NaN()); }),
                  "point scale nan not a number");

    // The parameter chain: a link back to its own record, a link past the
    // file, a bad data type, dimensions whose data pass the file, a name
    // running off the end.
    ExpectRefused(Patched(
                      [](W w, std::string& b)
                      {
                          const size_t at = C3dTestWriter::RecordAt(b, "RATE");
                          w.Put16(&b[at + 6], -6);
                      }),
                  "(RATE) points back to byte");
    ExpectRefused(
        Patched([](W w, std::string& b) { w.Put16(&b[C3dTestWriter::RecordAt(b, "RATE") + 6], 30000); }),
        "(RATE) points past the end of the file");
    ExpectRefused(Patched([](W, std::string& b) { b[C3dTestWriter::RecordAt(b, "RATE") + 8] = 3; }),
                  "parameter RATE has data type 3");
    ExpectRefused(Patched(
                      [](W, std::string& b)
                      {
                          const size_t at = C3dTestWriter::RecordAt(b, "LABELS");
                          b[at + 11] = 7;
                          for (int d = 0; d < 7; ++d)
                              b[at + 12 + d] = static_cast<char>(255);
                      }),
                  "data of parameter LABELS (70110209207109375 bytes) passes the end of the file");
    // Cut after the group POINT (10 bytes) and USED (13): the name of FRAMES
    // runs off the end.
    ExpectRefused(walk.substr(0, 512 + 4 + 10 + 13 + 3),
                  "parameter record at byte 539 passes the end of the file");
    ExpectRefused(walk.substr(0, 512 + 4 + 10 + 13 + 12),
                  "data of parameter FRAMES (2 bytes) passes the end");
}

// POINT:USED says 5 points, whose frames would pass the end of the file: the
// header's 4 are read instead, with a warning.
TEST(C3dReader, TakesTheHeaderWhereTheParametersDoNotFit)
{
    C3dTestWriter w = Walk();
    std::string bytes = w.Write();
    w.Put16(&bytes[DataOf(bytes, "USED")], 5);
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("stale.c3d", bytes);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderVicon reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    KStreamOptionsVicon options;
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    EXPECT_STREQ(reader.GetStatusText(),
                 "the header's layout used (4 points, 6 analog values, data at block 3): "
                 "the parameters' does not fit the file");
    ASSERT_EQ(scene->GetRootNode()->GetChildCount(), 4);
    EXPECT_FLOAT_EQ(Curve(scene->GetRootNode()->GetChild(2), "Take 001", 0)->GetKeyValue(4), 20.4f);
}

TEST(C3dReader, RefusesChainsOfTooManyRecords)
{
    // 10,001 small groups chained after the header's own parameters.
    C3dTestWriter w;
    std::string bytes = w.Write();
    const size_t last = C3dTestWriter::RecordAt(bytes, "UNITS");
    std::string chain;
    for (int i = 0; i < 10001; ++i)
        chain += std::string{1, -9, 'G', 3, 0, 0};
    bytes.insert(last, chain);
    ExpectRefused(bytes, "more than 10000 parameter records");
}

} // namespace
