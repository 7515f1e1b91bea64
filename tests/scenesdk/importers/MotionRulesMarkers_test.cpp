// The mapping rules of the marker and channel motion readers, and those the
// motion readers share, one table per rule: each row a file line (a rate, a
// unit, a sample, a residual word, a channel name) and what it must give,
// checked through the scene (marker names, key times and values).

#include "scenesdk/importers/KScnReaderAcclaimAmc.h"
#include "scenesdk/importers/KScnReaderAcclaimAsf.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/importers/KScnReaderWavefrontMov.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/scenesdk/importers/MotionTestPose.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;
using namespace motiontest;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int kTrc = 8, kC3d = 11, kAoa = 12, kMov = 15;
using MotionRulesMarkers = MotionFileTest;

// A TRC file of one marker "M" over two rows at a rate, in a unit (the
// first row's sample 9 9 9, so that every second sample moves it).
std::string Trc(const std::string& rate, const std::string& units,
                const std::string& second = "1000\t-2000\t30")
{
    return "PathFileType\t4\t(X/Y/Z)\tm.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n" + rate +
           "\t" + rate + "\t2\t1\t" + units +
           "\nFrame#\tTime\tM\t\t\n\t\tX1\tY1\tZ1\n\n1\t0\t9\t9\t9\n2\t0.1\t" + second + "\n";
}

// A C3D file of the labelled points over two frames.
C3dTestWriter TwoFrames(const std::vector<std::string>& labels, double fourth = 3.0)
{
    C3dTestWriter w;
    w.mLabels = labels;
    for (int f = 0; f < 2; ++f)
    {
        std::vector<C3dSample> frame;
        for (size_t p = 0; p < labels.size(); ++p)
            frame.push_back({10.0 * (f + 1), -10.0 * (f + 1), 15.0 * (f + 1) + p, true, f == 1 ? fourth : 3.0});
        w.mFrames.push_back(frame);
    }
    return w;
}

// A rate, unit scale or scene unit that is not a number above 0 fails with
// error 7 and the reason; the frame rate may reach 1,000,000.
TEST_F(MotionRulesMarkers, OptionsThatAreNoNumberAboveZeroAreRefused)
{
    const std::string asf = mDir.WriteFile(
        "m.asf", ":bonedata\nbegin\nname a\ndirection 0 1 0\nlength 1\ndof rx\nend\n:hierarchy\nroot a\n");
    const std::string amc = mDir.WriteFile("m.amc", "1\na 1\n2\na 2\n");
    const std::string mov = mDir.WriteFile("m.mov", "1 2\n3 4\n");
    const std::string aoa = mDir.WriteFile("m.aoa", "frames = 1 nummarkers = 1 hz = 10\n1 2 3\n");
    const std::string htr = mDir.WriteFile("m.htr", "[Header]\nDataFrameRate 10\nEulerRotationOrder XYZ\n"
                                                    "[SegmentNames&Hierarchy]\nA GLOBAL\n[BasePosition]\n"
                                                    "A 0 0 0 0 0 0 1\n[A]\n1 0 0 0 0 0 0 1\n");
    const std::string trc = mDir.WriteFile("m.trc", Trc("10", "mm"));
    const std::string c3d = mDir.WriteFile("m.c3d", TwoFrames({"P"}).Write());
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    // Reads path with the options' field set to value: read, or refused for the reason.
    const auto check = [&](KScnReader&& reader, const std::string& path, auto options, auto field,
                           double value, bool fine, const std::string& reason)
    {
        SCOPED_TRACE(path + ": " + reason + " " + std::to_string(value));
        options.*field = value;
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        EXPECT_EQ(reader.ReadScene(Fresh(), &options), fine) << reader.GetStatusText();
        if (fine)
            return;
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
        EXPECT_EQ(reader.GetStatusText(), reason);
        EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), 0);
    };
    using Acclaim = KStreamOptionsAcclaim;
    using Mov = KStreamOptionsWavefrontMov;
    const std::string rate = "the frame rate option must be a number above 0, at most 1e+06";
    for (double v : {0.0, -1.0, nan, 1.0e6 + 1.0, 1.0e6, 0.001})
    {
        const bool fine = v > 0.0 && v <= 1.0e6;
        check(KScnReaderAcclaimAmc(&mManager), amc, Acclaim(), &Acclaim::mFrameRate, v, fine, rate);
        check(KScnReaderWavefrontMov(&mManager), mov, Mov(), &Mov::mFrameRate, v, fine, rate);
    }
    const std::string scale = "the unit scale option must be a number above 0";
    const std::string unit = "the scene unit option must be a number above 0";
    for (double v : {0.0, -0.01, nan, inf, 1e-6})
    {
        const bool fine = v > 0.0 && v < inf;
        check(KScnReaderAcclaimAsf(&mManager), asf, Acclaim(), &Acclaim::mUnitScale, v, fine, scale);
        check(KScnReaderAcclaimAmc(&mManager), amc, Acclaim(), &Acclaim::mUnitScale, v, fine, scale);
        check(KScnReaderAdaptiveOptics(&mManager, 0), aoa, KStreamOptionsAdaptiveOptics(),
              &KStreamOptionsAdaptiveOptics::mUnitScale, v, fine, scale);
        check(KScnReaderWavefrontMov(&mManager), mov, Mov(), &Mov::mUnitScale, v, fine, scale);
        check(KScnReaderMotionAnalysisHtr(&mManager), htr, KStreamOptionsMotionAnalysisHtr(),
              &KStreamOptionsMotionAnalysisHtr::mSceneUnit, v, fine, unit);
        check(KScnReaderMotionAnalysisTrc(&mManager), trc, KStreamOptionsMotionAnalysisTrc(),
              &KStreamOptionsMotionAnalysisTrc::mSceneUnit, v, fine, unit);
        check(KScnReaderVicon(&mManager), c3d, KStreamOptionsVicon(), &KStreamOptionsVicon::mSceneUnit, v,
              fine, unit);
    }
}

// TRC frame n is at n / rate seconds; a rate within 0.1 % of a standard one
// is that one (frames on whole ticks), others as they are. Units: each length unit, short or long, British or
// American, any case, to the scene's unit; a unit not known read with the unit scale, and said. A sample is
// missing (no key on any axis) where a field of it is empty, NaN in any case or sign, or the row ends before
// it; a zero is a sample.
TEST_F(MotionRulesMarkers, TrcRatesUnitsAndMissingSamples)
{
    const auto ticksOf = [](double rate)
    { return std::llround(static_cast<double>(KTime::kOneSecond) / rate); };
    // rate, ticks of frame 1
    const std::pair<const char*, int64_t> rates[] = {
        {"30", 1539538600},     {"29.97", 1541078334}, {"30.027", 1539538600},    {"30.036", ticksOf(30.036)},
        {"120", 384884650},     {"119.9", 384884650},  {"119.8", ticksOf(119.8)}, {"100", 461861580},
        {"25", 1847446320},     {"24", 1924423250},    {"23.976", 1926349600},    {"7", ticksOf(7)},
        {"1000", ticksOf(1000)}};
    for (const auto& [rate, ticks] : rates)
    {
        SCOPED_TRACE(rate);
        ASSERT_TRUE(Read("rate.trc", Trc(rate, "mm"), kTrc));
        ExpectKeyTimes(CurveOf(Child(0), "Take 001", 'T', 0), {0, ticks});
    }
    // unit, metres (0: not known)
    const std::pair<const char*, double> rows[] = {
        {"mm", 0.001},          {"cm", 0.01},   {"dm", 0.1},        {"m", 1.0},       {"km", 1000.0},
        {"in", 0.0254},         {"ft", 0.3048}, {"inches", 0.0254}, {"feet", 0.3048}, {"centimetres", 0.01},
        {"Millimeters", 0.001}, {"MM", 0.001},  {"IN", 0.0254},     {"yards", 0.0}};
    for (const auto& [name, metres] : rows)
        for (double sceneUnit : {0.01, 0.001})
        {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(sceneUnit));
            KStreamOptionsMotionAnalysisTrc options;
            options.mSceneUnit = sceneUnit;
            options.mUnitScale = 7.0; // for units not known only
            ASSERT_TRUE(Read("u.trc", Trc("10", name), kTrc, &options,
                             metres > 0 ? "" : "unknown Units yards: positions read with the unit scale"));
            const double l = metres > 0 ? metres / sceneUnit : 7.0;
            ExpectAt(Child(0), "Take 001", 'T', Seconds(0.1), {1000 * l, -2000 * l, 30 * l}, 2e-4 * l);
        }
    // the second row's fields of the marker, keyed (one key alone is flat:
    // the reducer leaves none)
    const std::pair<const char*, bool> gaps[] = {
        {"1\t2\t3", true},        {"0\t0\t0", true},    {"\t\t", false},       {"1\t\t3", false},
        {"NaN\tNaN\tNaN", false}, {"1\tnan\t3", false}, {"-NaN\t2\t3", false}, {"1\t2\t+nan", false},
        {"1\t2", false},          {"", false}};
    for (const auto& [second, keyed] : gaps)
    {
        SCOPED_TRACE(second);
        ASSERT_TRUE(Read("gap.trc", Trc("10", "m", second), kTrc, nullptr, nullptr));
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(CurveOf(Child(0), "Take 001", 'T', axis)->GetKeyCount(), keyed ? 2 : 0);
    }
}

// A C3D point is unseen in a frame where its fourth word is negative; any
// other word (a zero residual: interpolated; camera bits) is a sample, in
// integer and float files alike. Positions from POINT:UNITS to the scene's
// unit; none or one not known through the unit scale, and said.
TEST_F(MotionRulesMarkers, C3dNegativeFourthWordsAndPointUnits)
{
    const char* const none = "no POINT:UNITS: positions read with the unit scale";
    const char* const unknown = "unknown POINT:UNITS furlong: positions read with the unit scale";
    // units, the second frame's fourth word (32512: camera bits), centimetres per file unit, status
    const std::tuple<const char*, double, double, const char*> rows[] = {
        {"mm", 0, 0.1, ""},    {"mm", 32512, 0.1, ""}, {"mm", 32767, 0.1, ""}, {"mm", -1, 0, ""},
        {"mm", -32768, 0, ""}, {"cm", 3, 1.0, ""},     {"m", 3, 100.0, ""},    {"in", 3, 2.54, ""},
        {"ft", 3, 30.48, ""},  {"MM", 3, 0.1, ""},     {"", 3, 4.0, none},     {"furlong", 3, 4.0, unknown}};
    for (const auto& [units, fourth, l, status] : rows)
        for (bool floats : {false, true})
        {
            SCOPED_TRACE(std::string(units) + " " + std::to_string(fourth) +
                         (floats ? " float" : " integer"));
            C3dTestWriter w = TwoFrames({"P"}, fourth);
            w.mUnits = units;
            w.mFloats = floats;
            w.mScale = 0.5;
            KStreamOptionsVicon options;
            options.mUnitScale = 4.0;
            ASSERT_TRUE(Read("seen.c3d", w.Write(), kC3d, &options, status));
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_EQ(CurveOf(Child(0), "Take 001", 'T', axis)->GetKeyCount(), fourth < 0 ? 0 : 2)
                    << "an unseen second frame leaves one key, which is flat";
            if (fourth >= 0)
                ExpectAt(Child(0), "Take 001", 'T', Frame(1, KTime::eMode120), {20 * l, -20 * l, 30 * l},
                         1e-5 * l);
        }
}

// Names from POINT:LABELS, past 255 points from LABELS2; "Marker<n>" where a
// name is blank or missing; the parameters' rate and layout win over the
// header's where both fit.
TEST_F(MotionRulesMarkers, C3dLabelsPastTwoHundredFiftyFiveAndParametersOverTheHeader)
{
    std::vector<std::string> labels;
    for (int i = 1; i <= 300; ++i)
        labels.push_back(i == 256 || i == 299 ? "" : "L" + std::to_string(i));
    C3dTestWriter many = TwoFrames(labels);
    many.mUnlabelled = 2;
    for (auto& frame : many.mFrames)
        frame.resize(302, C3dSample{1, 2, 3});
    ASSERT_TRUE(Read("many.c3d", many.Write(), kC3d));
    ASSERT_EQ(mScene->GetRootNode()->GetChildCount(), 302);
    const std::pair<int, const char*> names[] = {{1, "L1"},     {255, "L255"},      {256, "Marker256"},
                                                 {257, "L257"}, {298, "L298"},      {299, "Marker299"},
                                                 {300, "L300"}, {301, "Marker301"}, {302, "Marker302"}};
    for (const auto& [point, name] : names)
        EXPECT_EQ(std::string(Child(point - 1)->GetName()), std::string("Model::") + name);
    ExpectAt(Child(256), "Take 001", 'T', Frame(1, KTime::eMode120), {2.0, -2.0, 28.6});

    // The header says 60 Hz, 1 point, data at block 9 and a scale of 2:
    // POINT:RATE, USED, DATA_START and SCALE (0.5) win, without a warning.
    C3dTestWriter two = TwoFrames({"A", "B"});
    two.mFloats = false;
    two.mScale = 0.5;
    std::string bytes = two.Write();
    two.PutFloat(&bytes[20], 60.0);
    two.PutFloat(&bytes[12], 2.0);
    two.Put16(&bytes[2], 1);
    two.Put16(&bytes[16], 9);
    ASSERT_TRUE(Read("stale.c3d", bytes, kC3d));
    ASSERT_EQ(mScene->GetRootNode()->GetChildCount(), 2);
    ExpectKeyTimes(CurveOf(Child(1), "Take 001", 'T', 2), {0, Frame(1, KTime::eMode120)});
    ExpectAt(Child(1), "Take 001", 'T', Frame(1, KTime::eMode120), {2.0, -2.0, 3.1});
}

// A C3D position past a float's range once in the scene's unit is refused;
// one just within is keyed.
TEST_F(MotionRulesMarkers, C3dPositionsPastAFloatAreRefused)
{
    for (const double x : {3.0e39, -3.0e39, 4.0e39, -4.0e39}) // millimetres
    {
        SCOPED_TRACE(x);
        C3dTestWriter w;
        w.mLabels = {"Far"};
        w.mFloats = false;
        w.mScale = 2.0e35;
        w.mFrames = {{{0, 0, 0}}, {{x, 0, 0}}};
        KScnReaderVicon reader(&mManager);
        KStreamOptionsVicon options;
        const bool fine = std::fabs(x) < 3.5e39;
        const bool read = reader.OpenFile(mDir.WriteFile("far.c3d", w.Write()).c_str()) &&
                          reader.ReadScene(Fresh(), &options);
        EXPECT_EQ(read, fine);
        EXPECT_STREQ(reader.GetStatusText(), fine ? "" : "point 1 at frame 2: position out of range");
        EXPECT_EQ(reader.GetError().GetLastErrorID() == KScnReader::eFileCorrupted, !fine);
        EXPECT_EQ(mScene->GetRootNode()->GetChildCount(), fine ? 1 : 0);
        if (fine)
            ExpectAt(Child(0), "Take 001", 'T', Frame(1, KTime::eMode120), {x / 10, 0, 0},
                     1e-6 * std::fabs(x));
    }
}

// An AOA marker is lost (no key) where it is written 0 0 0, whatever the
// zeros' spelling, unless the options say otherwise; one zero coordinate is
// not lost. Markers numbered after the prefix, keyed at the header's hz.
TEST_F(MotionRulesMarkers, AoaZeroMarkersAreLostUnlessTheOptionsSayOtherwise)
{
    // sample, lost
    const std::pair<const char*, bool> rows[] = {{"0 0 0", true},  {"0.0 -0 0e3", true}, {"0, 0, 0", true},
                                                 {"0 0 5", false}, {"0 -1 0", false},    {"1e-9 0 0", false}};
    for (const auto& [sample, lost] : rows)
        for (bool zeroIsMissing : {true, false})
        {
            SCOPED_TRACE(std::string(sample) + (zeroIsMissing ? "" : " kept"));
            KStreamOptionsAdaptiveOptics options;
            options.mZeroIsMissing = zeroIsMissing;
            options.mMarkerPrefix = "LED";
            const std::string text =
                std::string("FRAMES = 2 NUMMARKERS = 2 HZ = 25\n1 2 3\n4 5 6\n") + sample;
            ASSERT_TRUE(Read("lost.aoa", text + "\n7 8 9\n", kAoa, &options));
            const auto m = Children(mScene->GetRootNode(), {"LED1", "LED2"});
            ASSERT_EQ(m.size(), 2u);
            ExpectKeyTimes(CurveOf(m[1], "lost", 'T', 1), {0, Frame(1, KTime::eModePal)});
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_EQ(CurveOf(m[0], "lost", 'T', axis)->GetKeyCount(), lost && zeroIsMissing ? 0 : 2)
                    << "a lost sample leaves one key, which is flat";
        }
}

// Each transform attribute of the MOV channel list, long or short, any case,
// drives its channel (translations through the unit scale); any other
// becomes a number channel, not scaled. Row r is keyed at (first frame + r)
// / rate; the rotation order option is kept on a node with a rotation column.
TEST_F(MotionRulesMarkers, MovChannelNamesRowTimesAndTheRotationOrder)
{
    // attribute, channel ('T', 'R', 'S'; 0: a number), axis, first frame, rate, rotation order
    const std::tuple<const char*, char, int, int, double, int> rows[] = {
        {"translateX", 'T', 0, 0, 25, eEulerXYZ}, {"ty", 'T', 1, 3, 120, eEulerXYZ},
        {"tz", 'T', 2, 0, 25, eEulerXYZ},         {"rx", 'R', 0, 10, 25, eEulerZYX},
        {"rotateY", 'R', 1, 0, 7, eEulerYZX},     {"rz", 'R', 2, 1, 60, eEulerXYZ},
        {"sx", 'S', 0, 0, 25, eEulerXYZ},         {"sy", 'S', 1, 0, 25, eEulerXYZ},
        {"scaleZ", 'S', 2, 0, 25, eEulerXYZ},     {"TRANSLATEY", 'T', 1, 0, 25, eEulerXYZ},
        {"Rz", 'R', 2, 0, 30, eEulerXZY},         {"weight", 0, 0, 0, 25, eEulerXYZ},
        {"translate", 0, 0, 0, 25, eEulerXYZ},    {"txx", 0, 0, 0, 25, eEulerXYZ}};
    for (const auto& [attribute, channel, axis, first, rate, order] : rows)
    {
        SCOPED_TRACE(attribute);
        KStreamOptionsWavefrontMov options;
        options.mChannels = {std::string("ball.") + attribute};
        options.mUnitScale = 2.0;
        options.mFirstFrame = first;
        options.mFrameRate = rate;
        options.mRotationOrder = order;
        ASSERT_TRUE(Read("one.mov", "5\n7\n", kMov, &options));
        KScnNode* ball = Children(mScene->GetRootNode(), {"ball"}).at(0);
        int keys = 0;
        for (char c : {'T', 'R', 'S'})
            for (int a = 0; a < 3; ++a)
                keys += CurveOf(ball, "one", c, a)->GetKeyCount();
        EXPECT_EQ(keys, channel != 0 ? 2 : 0);
        EXPECT_EQ(ball->FindUserPropertyByName(attribute) != nullptr, channel == 0);
        EXPECT_TRUE(channel != 'R' || (ball->GetRotationOrder(0) == order && ball->GetRotationActive()));
        if (channel == 0)
            continue;
        const KTime at[] = {KTime(std::llround(first * (KTime::kOneSecond / rate))),
                            KTime(std::llround((first + 1) * (KTime::kOneSecond / rate)))};
        ExpectKeyTimes(CurveOf(ball, "one", channel, axis), {at[0], at[1]});
        std::array<double, 3> second = {NAN, NAN, NAN};
        second[axis] = channel == 'T' ? 14 : 7;
        ExpectAt(ball, "one", channel, at[1], second);
    }
}

// POINT:SCALE of exactly 0, in the header and the parameters: integer data
// (a float file's scale is negative) read at scale 1, with a warning, in
// every processor's number format.
TEST_F(MotionRulesMarkers, C3dPointScaleZeroIsIntegerDataAtScaleOne)
{
    for (int processor : {1, 2, 3})
    {
        SCOPED_TRACE(processor);
        C3dTestWriter w = TwoFrames({"P"});
        w.mFloats = false;
        w.mScale = 1.0;
        w.mProcessor = processor;
        std::string bytes = w.Write();
        const size_t value =
            C3dTestWriter::RecordAt(bytes, "SCALE") + 11; // length, id, name, next, type, dims
        for (size_t at : {size_t{12}, value})
            bytes.replace(at, 4, 4, '\0');
        ASSERT_TRUE(Read("zero.c3d", bytes, kC3d, nullptr, "point scale 0 taken as 1"));
        ExpectAt(Child(0), "Take 001", 'T', Frame(1, KTime::eMode120), {2, -2, 3}, 1e-5);
    }
}

// A channel's node is the name before its last dot: "lamp.light.intensity"
// drives "intensity" of node "lamp.light".
TEST_F(MotionRulesMarkers, MovChannelNamesSplitAtTheirLastDot)
{
    // channel, node, attribute
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"lamp.light.intensity", "lamp.light", "intensity"},
        {"a.b.translateX", "a.b", nullptr},
        {"lamp.intensity", "lamp", "intensity"}};
    for (const auto& [channel, node, attribute] : rows)
    {
        SCOPED_TRACE(channel);
        KStreamOptionsWavefrontMov options;
        options.mChannels = {channel};
        ASSERT_TRUE(Read("lamp.mov", "5\n7\n", kMov, &options));
        ASSERT_EQ(mScene->GetRootNode()->GetChildCount(), 1);
        KScnNode* made = Children(mScene->GetRootNode(), {node}).at(0);
        if (attribute != nullptr)
            EXPECT_NE(made->FindUserPropertyByName(attribute), nullptr);
        else
            EXPECT_EQ(CurveOf(made, "lamp", 'T', 0)->GetKeyCount(), 2);
    }
}

} // namespace
