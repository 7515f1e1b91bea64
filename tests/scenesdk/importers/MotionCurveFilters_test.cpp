// The curve filters every motion reader runs over the curves it keys, one
// reader per row: the rotation curves of a joint are unrolled in the
// joint's rotation order (each key's angles the equivalent ones nearest the
// previous key's, the orientation kept), and flat runs of keys are removed
// from every curve keyed, a curve flat from end to end keeping its value as
// its default.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/scenesdk/importers/MotionTestPose.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace motiontest;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int kBvh = 6, kHtr = 7, kTrc = 8, kAmc = 10, kC3d = 11, kAoa = 12, kMov = 15;

// The values of the curve's keys; "none" for a missing curve.
std::vector<double> Keys(KFCurve* curve)
{
    std::vector<double> values;
    for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k)
        values.push_back(curve->GetKeyValue(k));
    return values;
}

struct SRotation
{
    const char* rule;
    std::string name; // the file
    std::string text;
    int format;
    const char* node; // the node whose rotation X goes 170, -170, -150
    const char* take;
    double frameSeconds;
    std::vector<std::string> movChannels = {};
    std::string asf = "";
};

class MotionCurveFilters : public MotionFileTest
{
protected:
    bool ReadRow(const std::string& name, const std::string& text, int format,
                 const std::vector<std::string>& channels = {})
    {
        KStreamOptionsWavefrontMov mov;
        mov.mChannels = channels;
        mov.mFrameRate = 30.0;
        return Read(name, text, format, format == kMov ? &mov : nullptr, nullptr);
    }
};

const std::string kAsf = ":version 1.10\n:name body\n:units\n  mass 1.0\n  length 1\n  angle deg\n:root\n"
                         "  order TX TY TZ RX RY RZ\n  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n"
                         ":bonedata\n  begin\n    id 1\n    name a\n    direction 0 1 0\n    length 1\n"
                         "    axis 0 0 0 XYZ\n    dof rx\n  end\n:hierarchy\n  begin\n    root a\n  end\n";

// A joint turning about X through 180 degrees (170, then -170 = 190, then
// -150 = 210) is unrolled, so that it turns the short way between frames;
// the translation that never moves keeps no key.
TEST_F(MotionCurveFilters, JointRotationsAreUnrolledAndStillCurvesLoseTheirKeys)
{
    const SRotation rows[] = {
        {"BVH", "turn.bvh",
         "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation "
         "Zrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 3\nFrame Time: 0.0333333\n"
         "1 2 3 170 0 0\n1 2 3 -170 0 0\n1 2 3 -150 0 0\n",
         kBvh, "Hip", "Take 001", 1.0 / 30},
        {"HTR", "turn.htr",
         "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 3\n"
         "DataFrameRate 30\nEulerRotationOrder XYZ\nCalibrationUnits cm\nRotationUnits Degrees\n"
         "BoneLengthAxis Y\nScaleFactor 1\n[SegmentNames&Hierarchy]\nHip GLOBAL\n[BasePosition]\n"
         "Hip 1 2 3 0 0 0 10\n[Hip]\n1 0 0 0 170 0 0 1\n2 0 0 0 -170 0 0 1\n3 0 0 0 -150 0 0 1\n[EndOfFile]\n",
         kHtr, "Hip", "Take 001", 1.0 / 30},
        {"AMC", "turn.amc",
         ":FULLY-SPECIFIED\n:DEGREES\n1\nroot 1 2 3 170 0 0\na 5\n2\nroot 1 2 3 -170 0 0\na 5\n3\n"
         "root 1 2 3 -150 0 0\na 5\n",
         kAmc, "body", "turn", 1.0 / 120, {}, kAsf},
        {"MOV", "turn.mov", "170 2\n-170 2\n-150 2\n", kMov, "ball", "turn", 1.0 / 30,
         {"ball.rotateX", "ball.translateY"}},
    };
    for (const SRotation& row : rows)
    {
        SCOPED_TRACE(row.rule);
        if (!row.asf.empty())
            mDir.WriteFile("turn.asf", row.asf);
        ASSERT_TRUE(ReadRow(row.name, row.text, row.format, row.movChannels));
        KScnNode* node = Node(row.node);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(Keys(CurveOf(node, row.take, 'R', 0)), (std::vector<double>{170, 190, 210}));
        ExpectAt(node, row.take, 'R', Seconds(row.frameSeconds / 2), {180, 0, 0}, 1e-3);
        // Still curves: no key, the value kept.
        KFCurve* still = CurveOf(node, row.take, 'T', 1);
        EXPECT_EQ(still->GetKeyCount(), 0);
        EXPECT_FLOAT_EQ(still->GetDefaultValue(), 2.0f);
        for (int axis : {1, 2})
            EXPECT_EQ(CurveOf(node, row.take, 'R', axis)->GetKeyCount(), 0) << axis;
    }
    // The AMC bone that never turns.
    ASSERT_TRUE(ReadRow("turn.amc", rows[2].text, kAmc));
    EXPECT_EQ(CurveOf(Node("a"), "turn", 'R', 0)->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(CurveOf(Node("a"), "turn", 'R', 0)->GetDefaultValue(), 5.0f);
}

// The unroll takes the flipped triple (first + 180, 180 - middle, last +
// 180, by the joint's axis order) where it lies nearer: the keys change,
// the joint's orientation at each frame does not. The first frame's angles
// are brought near 0 too.
TEST_F(MotionCurveFilters, FlippedAnglesKeepTheJointsOrientationInItsOrder)
{
    // BVH channels (outermost first), the frames' values in that order
    const std::pair<const char*, std::vector<std::array<double, 3>>> rows[] = {
        {"Xrotation Yrotation Zrotation", {{350, 0, 0}, {170, 180, 180}, {160, 175, 190}}},
        {"Zrotation Xrotation Yrotation", {{350, 0, 0}, {170, 180, 180}, {160, 175, 190}}},
        {"Yrotation Zrotation Xrotation", {{10, 20, 30}, {170, 180, 180}, {-170, 10, 200}}},
    };
    for (const auto& [channels, frames] : rows)
    {
        SCOPED_TRACE(channels);
        std::string motion;
        for (const auto& f : frames)
            motion += std::to_string(f[0]) + " " + std::to_string(f[1]) + " " + std::to_string(f[2]) + "\n";
        ASSERT_TRUE(ReadRow("flip.bvh",
                            std::string("HIERARCHY\nROOT J\n{\nOFFSET 0 0 0\nCHANNELS 3 ") + channels +
                                "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 3\nFrame Time: 0.04\n" +
                                motion,
                            kBvh));
        KScnNode* joint = Node("J");
        std::string letters;
        for (const char* c = channels; *c != '\0'; ++c)
            if (c[1] == 'r' && c[2] == 'o')
                letters += static_cast<char>(c[0] | 0x20);
        double previous[3] = {0, 0, 0};
        for (int f = 0; f < 3; ++f)
        {
            SCOPED_TRACE(f);
            PoseAt(joint, "Take 001", Frame(f, KTime::eModePal));
            // The file's turns, the channel listed first outermost.
            M4 file;
            for (int i = 0; i < 3; ++i)
                file = file * Turn(letters[static_cast<size_t>(i)] - 'x', frames[static_cast<size_t>(f)][i]);
            ExpectNear(GlobalOf(joint), file, 1e-4);
            double now[3];
            for (int axis = 0; axis < 3; ++axis)
                now[axis] = CurveOf(joint, "Take 001", 'R', axis)->Evaluate(Frame(f, KTime::eModePal));
            // At least as near the previous frame's angles as the file's
            // angles each moved by whole turns.
            double distance = 0.0, turned = 0.0;
            for (int i = 0; i < 3; ++i)
            {
                const int axis = letters[static_cast<size_t>(i)] - 'x';
                double a = frames[static_cast<size_t>(f)][i];
                a += 360.0 * std::round((previous[axis] - a) / 360.0);
                turned += (a - previous[axis]) * (a - previous[axis]);
                distance += (now[axis] - previous[axis]) * (now[axis] - previous[axis]);
            }
            EXPECT_LE(distance, turned + 1e-6) << "nearest the previous frame";
            std::copy(now, now + 3, previous);
        }
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_LE(std::fabs(CurveOf(joint, "Take 001", 'R', axis)->Evaluate(0)), 180.0)
                << "the first frame's angles brought near 0 (350 is -10)";
    }
}

// Marker readers: a marker that never moves keeps no key; a plateau keeps
// only the two keys on each side of its change.
TEST_F(MotionCurveFilters, MarkerCurvesLoseTheirFlatRuns)
{
    std::string trc = "PathFileType\t4\t(X/Y/Z)\tm.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
                      "30\t30\t10\t2\tcm\nFrame#\tTime\tM\t\t\tS\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n";
    std::string aoa = "frames = 10 nummarkers = 2 hz = 30\n";
    C3dTestWriter c3d;
    c3d.mLabels = {"M", "S"};
    c3d.mRate = 30.0;
    for (int f = 0; f < 10; ++f)
    {
        const double x = f < 5 ? 0.0 : 5.0;
        trc += std::to_string(f + 1) + "\t" + std::to_string(f / 30.0) + "\t" + std::to_string(x) +
               "\t1\t2\t7\t8\t9\n";
        aoa += std::to_string(x) + " 1 2\n7 8 9\n";
        c3d.mFrames.push_back({C3dSample{x, 1, 2, true, 3.0}, C3dSample{7, 8, 9, true, 3.0}});
    }
    const struct
    {
        const char* rule;
        std::string name;
        std::string text;
        int format;
        const char* moving;
        const char* still;
        const char* take;
    } rows[] = {
        {"TRC", "m.trc", trc, kTrc, "M", "S", "Take 001"},
        {"AOA", "m.aoa", aoa, kAoa, "Marker1", "Marker2", "m"},
        {"C3D", "m.c3d", c3d.Write(), kC3d, "M", "S", "Take 001"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.rule);
        ASSERT_TRUE(ReadRow(row.name, row.text, row.format));
        KFCurve* x = CurveOf(Node(row.moving), row.take, 'T', 0);
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->GetKeyCount(), 4) << "frames 3 to 6 around the step";
        ExpectKeyTimes(x, {Frame(3, KTime::eMode30), Frame(4, KTime::eMode30), Frame(5, KTime::eMode30),
                           Frame(6, KTime::eMode30)});
        for (int axis = 0; axis < 3; ++axis)
        {
            EXPECT_EQ(CurveOf(Node(row.still), row.take, 'T', axis)->GetKeyCount(), 0) << axis;
            EXPECT_EQ(CurveOf(Node(row.moving), row.take, 'T', axis)->GetKeyCount(), axis == 0 ? 4 : 0) << axis;
        }
    }
}

} // namespace
