// The curve filters every motion reader runs over the curves it keys: a
// joint's rotation curves are unrolled in its rotation order (each key's
// angles the equivalent ones nearest the previous key's, the orientation
// kept), and flat runs of keys are removed, a curve flat from end to end
// keeping its value as its default.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "tests/scenesdk/importers/C3dTestWriter.h"
#include "tests/scenesdk/importers/MotionTestPose.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

using namespace scenesdk;
using namespace motiontest;
using testsupport::C3dSample;
using testsupport::C3dTestWriter;

namespace
{

constexpr int kBvh = 6, kHtr = 7, kTrc = 8, kAmc = 10, kC3d = 11, kAoa = 12, kMov = 15;

std::vector<double> Keys(KFCurve* curve)
{
    std::vector<double> values;
    for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k)
        values.push_back(curve->GetKeyValue(k));
    return values;
}

class MotionCurveFilters : public MotionFileTest
{
protected:
    // A MOV file's columns are ball.rotateX and ball.translateY.
    bool ReadRow(const std::string& name, const std::string& text, int format)
    {
        KStreamOptionsWavefrontMov mov;
        mov.mChannels = {"ball.rotateX", "ball.translateY"};
        mov.mFrameRate = 30.0;
        return Read(name, text, format, format == kMov ? &mov : nullptr, nullptr);
    }
};

// A joint turning about X through 180 degrees (170, -170 = 190, -150 =
// 210) is unrolled to turn the short way between frames; a translation or
// an angle that never moves keeps no key, its value kept.
TEST_F(MotionCurveFilters, JointRotationsAreUnrolledAndStillCurvesLoseTheirKeys)
{
    mDir.WriteFile("turn.asf",
                   ":version 1.10\n:name body\n:units\n  mass 1.0\n  length 1\n  angle deg\n:root\n"
                   "  order TX TY TZ RX RY RZ\n  axis XYZ\n  position 0 0 0\n  orientation 0 0 0\n"
                   ":bonedata\n  begin\n    id 1\n    name a\n    direction 0 1 0\n    length 1\n"
                   "    axis 0 0 0 XYZ\n    dof rx\n  end\n:hierarchy\n  begin\n    root a\n  end\n");
    // clang-format off
    const struct
    {
        std::string name;
        int format;
        const char* node; // X turns 170, -170, -150; Y stays 2
        const char* take;
        double frameSeconds;
        std::string text;
    } rows[] = {
        {"turn.bvh", kBvh, "Hip", "Take 001", 1.0 / 30,
         "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation "
         "Zrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 3\nFrame Time: 0.0333333\n"
         "1 2 3 170 0 0\n1 2 3 -170 0 0\n1 2 3 -150 0 0\n"},
        {"turn.htr", kHtr, "Hip", "Take 001", 1.0 / 30,
         "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 3\n"
         "DataFrameRate 30\nEulerRotationOrder XYZ\nCalibrationUnits cm\nRotationUnits Degrees\n"
         "BoneLengthAxis Y\nScaleFactor 1\n[SegmentNames&Hierarchy]\nHip GLOBAL\n[BasePosition]\n"
         "Hip 1 2 3 0 0 0 10\n[Hip]\n1 0 0 0 170 0 0 1\n2 0 0 0 -170 0 0 1\n3 0 0 0 -150 0 0 1\n[EndOfFile]\n"},
        {"turn.amc", kAmc, "body", "turn", 1.0 / 120,
         ":FULLY-SPECIFIED\n:DEGREES\n1\nroot 1 2 3 170 0 0\na 5\n2\nroot 1 2 3 -170 0 0\na 5\n3\n"
         "root 1 2 3 -150 0 0\na 5\n"},
        {"turn.mov", kMov, "ball", "turn", 1.0 / 30, "170 2\n-170 2\n-150 2\n"},
    };
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(ReadRow(row.name, row.text, row.format));
        KScnNode* node = Node(row.node);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(Keys(CurveOf(node, row.take, 'R', 0)), (std::vector<double>{170, 190, 210}));
        ExpectAt(node, row.take, 'R', Seconds(row.frameSeconds / 2), {180, 0, 0}, 1e-3);
        for (auto [channel, axis, value] : {std::tuple('T', 1, 2.0f), {'R', 1, 0.0f}, {'R', 2, 0.0f}})
        {
            EXPECT_EQ(CurveOf(node, row.take, channel, axis)->GetKeyCount(), 0) << channel << axis;
            EXPECT_FLOAT_EQ(CurveOf(node, row.take, channel, axis)->GetDefaultValue(), value)
                << channel << axis;
        }
        if (row.format == kAmc) // the bone that never turns
        {
            EXPECT_EQ(CurveOf(Node("a"), "turn", 'R', 0)->GetKeyCount(), 0);
            EXPECT_FLOAT_EQ(CurveOf(Node("a"), "turn", 'R', 0)->GetDefaultValue(), 5.0f);
        }
    }
}

// The unroll takes the flipped triple (first + 180, 180 - middle, last +
// 180, by the joint's axis order) where it lies nearer: the keys change,
// the joint's orientation at each frame does not. The first frame's angles
// are brought near 0 too (350 is -10).
TEST_F(MotionCurveFilters, FlippedAnglesKeepTheJointsOrientationInItsOrder)
{
    // BVH channels (outermost first) and their letters, the frames' values in that order
    const std::tuple<const char*, std::string, std::vector<std::array<double, 3>>> rows[] = {
        {"Xrotation Yrotation Zrotation", "xyz", {{350, 0, 0}, {170, 180, 180}, {160, 175, 190}}},
        {"Zrotation Xrotation Yrotation", "zxy", {{350, 0, 0}, {170, 180, 180}, {160, 175, 190}}},
        {"Yrotation Zrotation Xrotation", "yzx", {{10, 20, 30}, {170, 180, 180}, {-170, 10, 200}}},
    };
    for (const auto& [channels, letters, frames] : rows)
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
        double previous[3] = {0, 0, 0};
        for (size_t f = 0; f < 3; ++f)
        {
            SCOPED_TRACE(f);
            const KTime at = Frame(static_cast<int64_t>(f), KTime::eModePal);
            PoseAt(joint, "Take 001", at);
            const auto& file = frames[f];
            ExpectNear(GlobalOf(joint),
                       TurnsInOrder({letters[2], letters[1], letters[0]}, {file[2], file[1], file[0]}), 1e-4);
            // At least as near the previous frame's angles as the file's
            // angles each moved by whole turns.
            double now[3], distance = 0.0, turned = 0.0;
            for (int axis = 0; axis < 3; ++axis)
                now[axis] = CurveOf(joint, "Take 001", 'R', axis)->Evaluate(at);
            for (size_t i = 0; i < 3; ++i)
            {
                const int axis = letters[i] - 'x';
                const double a = file[i] + 360.0 * std::round((previous[axis] - file[i]) / 360.0);
                turned += (a - previous[axis]) * (a - previous[axis]);
                distance += (now[axis] - previous[axis]) * (now[axis] - previous[axis]);
            }
            EXPECT_LE(distance, turned + 1e-6) << "nearest the previous frame";
            std::copy(now, now + 3, previous);
            for (int axis = 0; f == 0 && axis < 3; ++axis)
                EXPECT_LE(std::fabs(now[axis]), 180.0) << "the first frame's angles brought near 0";
        }
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
    const std::tuple<std::string, std::string, int, const char*, const char*, const char*> rows[] = {
        {"m.trc", trc, kTrc, "M", "S", "Take 001"},
        {"m.aoa", aoa, kAoa, "Marker1", "Marker2", "m"},
        {"m.c3d", c3d.Write(), kC3d, "M", "S", "Take 001"},
    };
    for (const auto& [name, text, format, moving, still, take] : rows)
    {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ReadRow(name, text, format));
        ExpectKeyTimes(CurveOf(Node(moving), take, 'T', 0),
                       {Frame(3, KTime::eMode30), Frame(4, KTime::eMode30), Frame(5, KTime::eMode30),
                        Frame(6, KTime::eMode30)});
        for (int axis = 0; axis < 3; ++axis)
        {
            EXPECT_EQ(CurveOf(Node(still), take, 'T', axis)->GetKeyCount(), 0) << axis;
            EXPECT_EQ(CurveOf(Node(moving), take, 'T', axis)->GetKeyCount(), axis == 0 ? 4 : 0) << axis;
        }
    }
}

} // namespace
