// The mapping rules of the marker and channel motion readers, and those the
// motion readers share, one table per rule: each row a file line (a rate, a
// unit, a sample, a residual word, a channel name) and what it must give,
// read through the importer or a reader and checked through the scene
// (marker names, key times and values). Shared rules, TRC, C3D, AOA, MOV.

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
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace motiontest;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int kTrc = 8, kC3d = 11, kAoa = 12, kMov = 15;

// A TRC file of one marker "M" over two rows at a rate, in a unit.
std::string Trc(const std::string& rate, const std::string& units,
                const std::string& second = "1000\t-2000\t30")
{
    return "PathFileType\t4\t(X/Y/Z)\tm.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n" + rate +
           "\t" + rate + "\t2\t1\t" + units +
           "\nFrame#\tTime\tM\t\t\n\t\tX1\tY1\tZ1\n\n1\t0\t0\t0\t0\n2\t0.1\t" + second + "\n";
}

int64_t TicksOf(double rate)
{
    return std::llround(static_cast<double>(KTime::kOneSecond) / rate);
}

// ------------------------------------------------------------ shared rules

// Frame n of a file is at n / rate seconds, a rate within 0.1 % of a
// standard one taken as that one (its frames on whole ticks), others as
// they are.
TEST(MotionRulesShared, RatesNearAStandardOneAreThatOne)
{
    const struct
    {
        const char* rate;
        int64_t ticks; // of frame 1
    } rows[] = {
        {"30", 1539538600}, {"29.97", 1541078334},  {"30.027", 1539538600},    {"30.036", TicksOf(30.036)},
        {"120", 384884650}, {"119.9", 384884650},   {"119.8", TicksOf(119.8)}, {"100", 461861580},
        {"60", 769769300},  {"50", 923723160},      {"48", 962211625},         {"25", 1847446320},
        {"24", 1924423250}, {"23.976", 1926349600}, {"7", TicksOf(7)},         {"1000", TicksOf(1000)},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.rate);
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("rate.trc", Trc(row.rate, "mm")), kTrc));
        ExpectKeyTimes(CurveOf(scene->GetRootNode()->GetChild(0), "Take 001", 'T', 0), {0, row.ticks});
        manager.DestroyScene(scene, true);
    }
}

// An option that is not a number above 0 where one is needed fails with
// error 7 and the reason; the frame rate may reach 1,000,000.
TEST(MotionRulesShared, OptionsThatAreNoNumberAboveZeroAreRefused)
{
    testsupport::TempDir dir;
    dir.WriteFile("m.asf",
                  ":bonedata\nbegin\nname a\ndirection 0 1 0\nlength 1\ndof rx\nend\n:hierarchy\nroot a\n");
    const std::string amc = dir.WriteFile("m.amc", "1\na 1\n2\na 2\n");
    const std::string asf = dir.Path() + "/m.asf";
    const std::string mov = dir.WriteFile("m.mov", "1 2\n3 4\n");
    const std::string aoa = dir.WriteFile("m.aoa", "frames = 1 nummarkers = 1 hz = 10\n1 2 3\n");
    const std::string htr = dir.WriteFile("m.htr", "[Header]\nDataFrameRate 10\nEulerRotationOrder XYZ\n"
                                                   "[SegmentNames&Hierarchy]\nA GLOBAL\n[BasePosition]\n"
                                                   "A 0 0 0 0 0 0 1\n[A]\n1 0 0 0 0 0 0 1\n");
    const std::string trc = dir.WriteFile("m.trc", Trc("10", "mm"));
    C3dTestWriter c3dFile;
    c3dFile.mLabels = {"P"};
    c3dFile.mFrames = {{{1, 2, 3}}};
    const std::string c3d = dir.WriteFile("m.c3d", c3dFile.Write());
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    const std::string rate = "the frame rate option must be a number above 0, at most 1e+06";
    const std::string scale = "the unit scale option must be a number above 0";
    const std::string unit = "the scene unit option must be a number above 0";
    KScnSdkManager manager;
    const auto check = [&](KScnReader& reader, const std::string& path, KStreamOptionsScn& options,
                           const std::string& reason)
    {
        SCOPED_TRACE(path + ": " + reason);
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(reader.OpenFile(path.c_str()));
        const bool read = reader.ReadScene(scene, &options);
        if (reason.empty())
        {
            EXPECT_TRUE(read) << reader.GetStatusText();
            return;
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
        EXPECT_EQ(reader.GetStatusText(), reason);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    };
    for (double value : {0.0, -1.0, nan, 1.0e6 + 1.0, 1.0e6, 0.001})
    {
        SCOPED_TRACE(value);
        const std::string reason = value > 0.0 && value <= 1.0e6 ? "" : rate;
        KScnReaderAcclaimAmc amcReader(&manager);
        KStreamOptionsAcclaim acclaim;
        acclaim.mFrameRate = value;
        check(amcReader, amc, acclaim, reason);
        KScnReaderWavefrontMov movReader(&manager);
        KStreamOptionsWavefrontMov channels;
        channels.mFrameRate = value;
        check(movReader, mov, channels, reason);
    }
    for (double value : {0.0, -0.01, nan, inf, 1e-6})
    {
        SCOPED_TRACE(value);
        const bool fine = value > 0.0 && value < inf;
        KScnReaderAcclaimAsf asfReader(&manager);
        KStreamOptionsAcclaim acclaim;
        acclaim.mUnitScale = value;
        check(asfReader, asf, acclaim, fine ? "" : scale);
        KScnReaderAcclaimAmc amcReader(&manager);
        check(amcReader, amc, acclaim, fine ? "" : scale);
        KScnReaderAdaptiveOptics aoaReader(&manager, 0);
        KStreamOptionsAdaptiveOptics markers;
        markers.mUnitScale = value;
        check(aoaReader, aoa, markers, fine ? "" : scale);
        KScnReaderWavefrontMov movReader(&manager);
        KStreamOptionsWavefrontMov channels;
        channels.mUnitScale = value;
        check(movReader, mov, channels, fine ? "" : scale);
        KScnReaderMotionAnalysisHtr htrReader(&manager);
        KStreamOptionsMotionAnalysisHtr skeleton;
        skeleton.mSceneUnit = value;
        check(htrReader, htr, skeleton, fine ? "" : unit);
        KScnReaderMotionAnalysisTrc trcReader(&manager);
        KStreamOptionsMotionAnalysisTrc tracks;
        tracks.mSceneUnit = value;
        check(trcReader, trc, tracks, fine ? "" : unit);
        KScnReaderVicon c3dReader(&manager);
        KStreamOptionsVicon points;
        points.mSceneUnit = value;
        check(c3dReader, c3d, points, fine ? "" : unit);
    }
}

// ------------------------------------------------------------------ TRC

// Units: every length unit's name, in any case, to the scene's unit; a
// unit not known read with the unit scale, and said.
TEST(MotionRulesTrc, EveryUnitNameToTheScenesUnit)
{
    const struct
    {
        const char* name;
        double metres;
    } rows[] = {
        {"mm", 0.001},
        {"millimeter", 0.001},
        {"millimeters", 0.001},
        {"millimetre", 0.001},
        {"millimetres", 0.001},
        {"cm", 0.01},
        {"centimeter", 0.01},
        {"centimeters", 0.01},
        {"centimetre", 0.01},
        {"centimetres", 0.01},
        {"dm", 0.1},
        {"decimeter", 0.1},
        {"decimeters", 0.1},
        {"decimetre", 0.1},
        {"decimetres", 0.1},
        {"m", 1.0},
        {"meter", 1.0},
        {"meters", 1.0},
        {"metre", 1.0},
        {"metres", 1.0},
        {"km", 1000.0},
        {"kilometer", 1000.0},
        {"kilometers", 1000.0},
        {"kilometre", 1000.0},
        {"kilometres", 1000.0},
        {"in", 0.0254},
        {"inch", 0.0254},
        {"inches", 0.0254},
        {"ft", 0.3048},
        {"foot", 0.3048},
        {"feet", 0.3048},
        {"MM", 0.001},
        {"Cm", 0.01},
        {"M", 1.0},
        {"IN", 0.0254},
        {"Feet", 0.3048},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
        for (double sceneUnit : {0.01, 0.001})
        {
            SCOPED_TRACE(std::string(row.name) + " " + std::to_string(sceneUnit));
            KStreamOptionsMotionAnalysisTrc options;
            options.mSceneUnit = sceneUnit;
            options.mUnitScale = 7.0; // for units not known only
            KScnSceneRoot* scene = manager.CreateScene();
            ASSERT_TRUE(
                Imported(manager, scene, dir.WriteFile("u.trc", Trc("10", row.name)), kTrc, &options));
            const double l = row.metres / sceneUnit;
            ExpectAt(scene->GetRootNode()->GetChild(0), "Take 001", 'T', Seconds(0.1),
                     {1000 * l, -2000 * l, 30 * l}, 2e-4 * l);
            manager.DestroyScene(scene, true);
        }
    KScnSceneRoot* scene = manager.CreateScene();
    KStreamOptionsMotionAnalysisTrc options;
    options.mUnitScale = 7.0;
    ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("u.trc", Trc("10", "yards")), kTrc, &options,
                         "unknown Units yards: positions read with the unit scale"));
    ExpectAt(scene->GetRootNode()->GetChild(0), "Take 001", 'T', Seconds(0.1), {7000, -14000, 210});
}

// A sample is missing (no key on any axis) where a field of it is empty,
// NaN in any case or sign, or the row ends before it; a zero is a sample.
TEST(MotionRulesTrc, MissingSamplesHaveNoKeys)
{
    const struct
    {
        const char* second; // the second row's fields of the marker
        bool keyed;
    } rows[] = {
        {"1\t2\t3", true},        {"0\t0\t0", true},    {"\t\t", false},       {"1\t\t3", false},
        {"NaN\tNaN\tNaN", false}, {"1\tnan\t3", false}, {"-NaN\t2\t3", false}, {"1\t2\t+nan", false},
        {"1\t2", false},          {"", false},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.second);
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("gap.trc", Trc("10", "m", row.second)), kTrc,
                             nullptr, nullptr));
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(CurveOf(scene->GetRootNode()->GetChild(0), "Take 001", 'T', axis)->GetKeyCount(),
                      row.keyed ? 2 : 1);
        manager.DestroyScene(scene, true);
    }
}

// ------------------------------------------------------------------ C3D

C3dTestWriter TwoFrames(const std::vector<std::string>& labels, double fourth = 3.0)
{
    C3dTestWriter w;
    w.mLabels = labels;
    for (int f = 0; f < 2; ++f)
    {
        std::vector<C3dSample> frame;
        for (size_t p = 0; p < labels.size(); ++p)
            frame.push_back({10.0 * (f + 1), -20.0, 30.0 + p, true, f == 1 ? fourth : 3.0});
        w.mFrames.push_back(frame);
    }
    return w;
}

// A point is unseen in a frame where its fourth word is negative; any other
// word (a zero residual: interpolated; camera bits) is a sample, in integer
// and float files alike.
TEST(MotionRulesC3d, OnlyANegativeFourthWordMarksAPointUnseen)
{
    const struct
    {
        double fourth;
        bool seen;
    } rows[] = {{0, true},      {1, true},   {255, true}, {0x7f00, true},
                {0x7fff, true}, {-1, false}, {-2, false}, {-32768, false}};
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
        for (bool floats : {false, true})
        {
            SCOPED_TRACE(std::to_string(row.fourth) + (floats ? " float" : " integer"));
            C3dTestWriter w = TwoFrames({"P"}, row.fourth);
            w.mFloats = floats;
            w.mScale = 0.5;
            KScnSceneRoot* scene = manager.CreateScene();
            ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("seen.c3d", w.Write()), kC3d));
            KScnNode* p = scene->GetRootNode()->GetChild(0);
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_EQ(CurveOf(p, "Take 001", 'T', axis)->GetKeyCount(), row.seen ? 2 : 1);
            if (row.seen)
                ExpectAt(p, "Take 001", 'T', Frame(1, KTime::eMode120), {2.0, -2.0, 3.0});
            manager.DestroyScene(scene, true);
        }
}

// Positions from POINT:UNITS to the scene's unit; none or one not known
// through the unit scale, and said.
TEST(MotionRulesC3d, PointUnitsToTheScenesUnit)
{
    const struct
    {
        const char* units;
        double length; // centimetres per file unit
        const char* status;
    } rows[] = {
        {"mm", 0.1, ""},
        {"cm", 1.0, ""},
        {"m", 100.0, ""},
        {"in", 2.54, ""},
        {"ft", 30.48, ""},
        {"MM", 0.1, ""},
        {"", 4.0, "no POINT:UNITS: positions read with the unit scale"},
        {"furlong", 4.0, "unknown POINT:UNITS furlong: positions read with the unit scale"},
    };
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.units);
        C3dTestWriter w = TwoFrames({"P"});
        w.mUnits = row.units;
        KStreamOptionsVicon options;
        options.mUnitScale = 4.0;
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(
            Imported(manager, scene, dir.WriteFile("units.c3d", w.Write()), kC3d, &options, row.status));
        const double l = row.length;
        ExpectAt(scene->GetRootNode()->GetChild(0), "Take 001", 'T', Frame(1, KTime::eMode120),
                 {20 * l, -20 * l, 30 * l}, 1e-5 * l);
        manager.DestroyScene(scene, true);
    }
}

// Names from POINT:LABELS, past 255 points from LABELS2; "Marker<n>" where a
// name is blank or missing; the parameters' rate and layout win over the
// header's where both fit.
TEST(MotionRulesC3d, LabelsPastTwoHundredFiftyFiveAndParametersOverTheHeader)
{
    std::vector<std::string> labels;
    for (int i = 1; i <= 300; ++i)
        labels.push_back(i == 256 || i == 299 ? "" : "L" + std::to_string(i));
    C3dTestWriter many = TwoFrames(labels);
    many.mUnlabelled = 2;
    for (auto& frame : many.mFrames)
        frame.resize(302, C3dSample{1, 2, 3});
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("many.c3d", many.Write()), kC3d));
    KScnNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 302);
    const struct
    {
        int point;
        const char* name;
    } names[] = {{1, "L1"},          {255, "L255"}, {256, "Marker256"}, {257, "L257"},     {298, "L298"},
                 {299, "Marker299"}, {300, "L300"}, {301, "Marker301"}, {302, "Marker302"}};
    for (const auto& n : names)
        EXPECT_EQ(std::string(root->GetChild(n.point - 1)->GetName()), std::string("Model::") + n.name);
    ExpectAt(root->GetChild(256), "Take 001", 'T', Frame(1, KTime::eMode120), {2.0, -2.0, 28.6});

    // The header says 60 Hz, 1 point, data at block 9 and a scale of 2:
    // POINT:RATE, POINT:USED, POINT:DATA_START and POINT:SCALE (0.5) win,
    // without a warning.
    C3dTestWriter two = TwoFrames({"A", "B"});
    two.mFloats = false;
    two.mScale = 0.5;
    std::string bytes = two.Write();
    two.PutFloat(&bytes[20], 60.0);
    two.PutFloat(&bytes[12], 2.0);
    two.Put16(&bytes[2], 1);
    two.Put16(&bytes[16], 9);
    KScnSceneRoot* stale = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, stale, dir.WriteFile("stale.c3d", bytes), kC3d));
    ASSERT_EQ(stale->GetRootNode()->GetChildCount(), 2);
    ExpectKeyTimes(CurveOf(stale->GetRootNode()->GetChild(1), "Take 001", 'T', 2),
                   {0, Frame(1, KTime::eMode120)});
    ExpectAt(stale->GetRootNode()->GetChild(1), "Take 001", 'T', Frame(1, KTime::eMode120), {2.0, -2.0, 3.1});
}

// A position past a float's range once in the scene's unit is refused; one
// just within is keyed.
TEST(MotionRulesC3d, PositionsPastAFloatAreRefused)
{
    const struct
    {
        double x; // millimetres
        const char* reason;
    } rows[] = {{3.0e39, ""},
                {-3.0e39, ""},
                {4.0e39, "point 1 at frame 2: position out of range"},
                {-4.0e39, "point 1 at frame 2: position out of range"}};
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.x);
        C3dTestWriter w;
        w.mLabels = {"Far"};
        w.mFloats = false;
        w.mScale = 2.0e35;
        w.mFrames = {{{0, 0, 0}}, {{row.x, 0, 0}}};
        KScnSceneRoot* scene = manager.CreateScene();
        KScnReaderVicon reader(&manager);
        KStreamOptionsVicon options;
        const bool read =
            reader.OpenFile(dir.WriteFile("far.c3d", w.Write()).c_str()) && reader.ReadScene(scene, &options);
        EXPECT_STREQ(reader.GetStatusText(), row.reason);
        if (row.reason[0] != '\0')
        {
            EXPECT_FALSE(read);
            EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
            EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
            continue;
        }
        ASSERT_TRUE(read);
        EXPECT_FLOAT_EQ(CurveOf(scene->GetRootNode()->GetChild(0), "Take 001", 'T', 0)->GetKeyValue(1),
                        static_cast<float>(row.x / 10));
    }
}

// ------------------------------------------------------------------ AOA

// A marker is lost (no key) where it is written 0 0 0, whatever the zeros'
// spelling, unless the options say otherwise; one zero coordinate is not
// lost. Markers numbered after the prefix, keyed at the header's hz.
TEST(MotionRulesAoa, ZeroMarkersAreLostUnlessTheOptionsSayOtherwise)
{
    const struct
    {
        const char* sample;
        bool lost;
    } rows[] = {{"0 0 0", true},  {"0.0 -0 0e3", true}, {"0, 0, 0", true},
                {"0 0 5", false}, {"0 -1 0", false},    {"1e-9 0 0", false}};
    testsupport::TempDir dir;
    KScnSdkManager manager;
    for (const auto& row : rows)
        for (bool zeroIsMissing : {true, false})
        {
            SCOPED_TRACE(std::string(row.sample) + (zeroIsMissing ? "" : " kept"));
            KStreamOptionsAdaptiveOptics options;
            options.mZeroIsMissing = zeroIsMissing;
            options.mMarkerPrefix = "LED";
            KScnSceneRoot* scene = manager.CreateScene();
            ASSERT_TRUE(Imported(
                manager, scene,
                dir.WriteFile("lost.aoa", std::string("FRAMES = 2 NUMMARKERS = 2 HZ = 25\n1 2 3\n4 5 6\n") +
                                              row.sample + "\n7 8 9\n"),
                kAoa, &options));
            const auto m = Children(scene->GetRootNode(), {"LED1", "LED2"});
            ASSERT_EQ(m.size(), 2u);
            ExpectKeyTimes(CurveOf(m[1], "lost", 'T', 1), {0, Frame(1, KTime::eModePal)});
            const bool lost = row.lost && zeroIsMissing;
            for (int axis = 0; axis < 3; ++axis)
                EXPECT_EQ(CurveOf(m[0], "lost", 'T', axis)->GetKeyCount(), lost ? 1 : 2);
            manager.DestroyScene(scene, true);
        }
}

// ------------------------------------------------------------------ MOV

// Each transform attribute of the channel list, long or short, any case,
// drives its channel (translations through the unit scale); any other
// becomes a number channel, not scaled.
TEST(MotionRulesMov, ChannelNamesDriveTheirChannels)
{
    const struct
    {
        const char* attribute;
        char channel; // 'T', 'R', 'S'; 0 for a number channel
        int axis;
    } rows[] = {
        {"translateX", 'T', 0}, {"translateY", 'T', 1}, {"translateZ", 'T', 2}, {"rotateX", 'R', 0},
        {"rotateY", 'R', 1},    {"rotateZ", 'R', 2},    {"scaleX", 'S', 0},     {"scaleY", 'S', 1},
        {"scaleZ", 'S', 2},     {"tx", 'T', 0},         {"ty", 'T', 1},         {"tz", 'T', 2},
        {"rx", 'R', 0},         {"ry", 'R', 1},         {"rz", 'R', 2},         {"sx", 'S', 0},
        {"sy", 'S', 1},         {"sz", 'S', 2},         {"TRANSLATEY", 'T', 1}, {"Rz", 'R', 2},
        {"ScaleX", 'S', 0},     {"weight", 0, 0},       {"translate", 0, 0},    {"txx", 0, 0},
    };
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("one.mov", "5\n7\n");
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.attribute);
        KStreamOptionsWavefrontMov options;
        options.mChannels = {std::string("ball.") + row.attribute};
        options.mUnitScale = 2.0;
        options.mFrameRate = 25.0;
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(Imported(manager, scene, path, kMov, &options));
        KScnNode* ball = Children(scene->GetRootNode(), {"ball"}).at(0);
        for (char channel : {'T', 'R', 'S'})
            for (int axis = 0; axis < 3; ++axis)
            {
                KFCurve* curve = CurveOf(ball, "one", channel, axis);
                ASSERT_NE(curve, nullptr);
                const bool driven = channel == row.channel && axis == row.axis;
                ASSERT_EQ(curve->GetKeyCount(), driven ? 2 : 0) << channel << axis;
                if (driven)
                {
                    EXPECT_FLOAT_EQ(curve->GetKeyValue(0), channel == 'T' ? 10.0f : 5.0f);
                    EXPECT_FLOAT_EQ(curve->GetKeyValue(1), channel == 'T' ? 14.0f : 7.0f);
                }
            }
        EXPECT_EQ(ball->FindUserPropertyByName(row.attribute) != nullptr, row.channel == 0);
        manager.DestroyScene(scene, true);
    }
}

// Row r is keyed at (first frame + r) / rate; the rotation order option is
// kept on every node with a rotation column.
TEST(MotionRulesMov, RowsFromTheFirstFrameAndTheRotationOrder)
{
    const struct
    {
        int first;
        double rate;
        int order;
    } rows[] = {{0, 30, eEulerXYZ}, {1, 24, eEulerXZY},  {10, 25, eEulerYZX},
                {0, 7, eEulerYXZ},  {3, 120, eEulerZXY}, {1, 60, eEulerZYX}};
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("rows.mov", "1 2\n3 4\n5 6\n");
    KScnSdkManager manager;
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.first);
        KStreamOptionsWavefrontMov options;
        options.mChannels = {"a.ty", "b.rotateZ"};
        options.mFirstFrame = row.first;
        options.mFrameRate = row.rate;
        options.mRotationOrder = row.order;
        KScnSceneRoot* scene = manager.CreateScene();
        ASSERT_TRUE(Imported(manager, scene, path, kMov, &options));
        const auto nodes = Children(scene->GetRootNode(), {"a", "b"});
        ASSERT_EQ(nodes.size(), 2u);
        const auto at = [&](int row_)
        { return KTime(std::llround((row.first + row_) * (KTime::kOneSecond / row.rate))); };
        ExpectKeyTimes(CurveOf(nodes[0], "rows", 'T', 1), {at(0), at(1), at(2)});
        ExpectAt(nodes[1], "rows", 'R', at(2), {0, 0, 6});
        EXPECT_EQ(nodes[1]->GetRotationOrder(0), row.order);
        EXPECT_TRUE(nodes[1]->GetRotationActive());
        manager.DestroyScene(scene, true);
    }
}

} // namespace
