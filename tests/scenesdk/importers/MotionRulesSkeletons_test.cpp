// The mapping rules of the skeleton motion readers, one table per rule:
// each row a file line (a channel list, a header value, a dof list, an
// axis order, a unit) and what it must give, checked through the scene
// (rotation orders, rest and posed transforms, keys). BVH, HTR, ASF/AMC.

#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/importers/KStreamOptionsBiovision.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "tests/scenesdk/importers/MotionTestPose.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

using namespace scenesdk;
using namespace motiontest;

namespace
{

constexpr int kBvh = 6, kHtr = 7, kAsf = 9, kAmc = 10;
constexpr double kDeg = 180.0 / 3.14159265358979323846;
using MotionRulesSkeletons = MotionFileTest;

// The inverse of a rotation: its transpose.
M4 Inverse(const M4& r)
{
    M4 t;
    for (int i = 0; i < 9; ++i)
        t.m[i / 3][i % 3] = r.m[i % 3][i / 3];
    return t;
}

// Turns about the axes in the sequence's order (letters X, Y, Z), each by
// its angle of x, y, z in degrees.
M4 TurnsBy(const std::string& sequence, const std::array<double, 3>& xyz)
{
    std::vector<double> v;
    for (char c : sequence)
        v.push_back(xyz[(c | 0x20) - 'x']);
    return TurnsInOrder(sequence, v);
}

// The axis conversion option for a Z up or a Y up file.
int Up(bool zUp)
{
    return zUp ? KStreamOptionsForeign::eAxisZUpToYUp : KStreamOptionsForeign::eAxisAsIs;
}

// BVH rotation channels, listed outermost first: the node's order names the
// turns from the innermost (listed last); a repeated axis is converted to
// the order of its first turns; the pose is the channels' product, Y up or
// seen through Z up. Position channels: a root's are added to its OFFSET;
// another joint's replace it or are added, by option; a channel not given
// keeps the OFFSET.
TEST_F(MotionRulesSkeletons, BvhChannelsGiveTheOrderPoseAndOffsets)
{
    // channels listed, rotation order
    const std::pair<const char*, int> rows[] = {
        {"xyz", eEulerZYX}, {"xzy", eEulerYZX}, {"yxz", eEulerZXY}, {"yzx", eEulerXZY}, {"zxy", eEulerYXZ},
        {"zyx", eEulerXYZ}, {"y", eEulerYXZ},   {"zx", eEulerXZY},  {"xyx", eEulerXYZ}, {"zyz", eEulerZYX}};
    const double angles[] = {10, 25, -40};
    for (const auto& [listed, order] : rows)
    {
        const std::string axes = listed;
        SCOPED_TRACE(axes);
        std::string channels;
        M4 file = Translate(1, 2, 3); // the turns listed first outermost
        for (size_t i = 0; i < axes.size(); ++i)
        {
            channels += std::string(" ") + static_cast<char>(axes[i] - 32) + "rotation";
            file = file * Turn(axes[i] - 'x', angles[i]);
        }
        const std::string values[] = {"", "10", "10 25", "10 25 -40"}, zeros = "0 0 0";
        const std::string text = "HIERARCHY\nROOT R\n{\nOFFSET 1 2 3\nCHANNELS " +
                                 std::to_string(axes.size()) + channels +
                                 "\nEnd Site\n{\nOFFSET 0 4 0\n}\n}\nMOTION\nFrames: 2\nFrame Time: 0.04\n" +
                                 zeros.substr(0, 2 * axes.size() - 1) + "\n" + values[axes.size()] + "\n";
        for (const bool zUp : {false, true})
        {
            KStreamOptionsBiovision options;
            options.mAxisConversion = Up(zUp);
            ASSERT_TRUE(Read("turn.bvh", text, kBvh, &options, nullptr));
            ASSERT_NE(Node("R"), nullptr);
            EXPECT_TRUE(zUp || Node("R")->GetRotationOrder(0) == order) << Node("R")->GetRotationOrder(0);
            PoseAt(Node("R"), "Take 001", Frame(1, KTime::eModePal));
            const M4 up = zUp ? Turn(0, -90) : M4(); // Z up seen from Y up: y to z, z to -y
            ExpectNear(GlobalOf(Node("R")), up * file * Inverse(up), 1e-4);
            ExpectNear(GlobalOf(Node("R_End")), up * file * Translate(0, 4, 0) * Inverse(up), 1e-4);
        }
    }
    const std::string text =
        "HIERARCHY\nROOT R\n{\nOFFSET 1 2 3\nCHANNELS 2 Zposition Xposition\n"
        "JOINT J\n{\nOFFSET 4 5 6\nCHANNELS 2 Yposition Xposition\n"
        "End Site\n{\nOFFSET 0 1 0\n}\n}\n}\nMOTION\nFrames: 1\nFrame Time: 0.5\n10 20 30 40\n";
    for (const bool replace : {true, false})
    {
        KStreamOptionsBiovision options;
        options.mPositionsReplaceOffset = replace;
        ASSERT_TRUE(Read("pos.bvh", text, kBvh, &options));
        ExpectAt(Node("R"), "Take 001", 'T', 0, {21, 2, 13});
        ExpectAt(Node("J"), "Take 001", 'T', 0, {replace ? 40.0 : 44.0, replace ? 30.0 : 35.0, 6});
    }
}

std::string HtrFile(const std::string& order, const std::string& units, const std::string& scale,
                    const std::string& angles, const std::string& boneAxis, const std::string& base,
                    const std::string& frame)
{
    return "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 2\nNumFrames 2\n"
           "DataFrameRate 50\nEulerRotationOrder " +
           order + "\nCalibrationUnits " + units + "\nRotationUnits " + angles + "\nBoneLengthAxis " +
           boneAxis + "\nScaleFactor " + scale +
           "\n[SegmentNames&Hierarchy]\nLeg Hip\nHip GLOBAL\n[BasePosition]\nHip " + base +
           " 100\nLeg 0 -100 0 0 0 0 50\n[Hip]\n1 0 0 0 0 0 0 1\n2 " + frame + " 1\n[EndOfFile]\n";
}

// The HTR header's order: its letters name the turns in the order they turn
// a point (or the reverse, by option), for the base rotation (a
// pre-rotation) and the frame's alike; angles in degrees or radians.
TEST_F(MotionRulesSkeletons, HtrEulerOrderAndAngleUnitsForBaseAndFrameRotations)
{
    // letters, order turning first, order reversed, RotationUnits, degrees per file unit
    const std::tuple<std::string, int, int, const char*, double> rows[] = {
        {"XYZ", eEulerXYZ, eEulerZYX, "Degrees", 1.0},  {"XZY", eEulerXZY, eEulerYZX, "degrees", 1.0},
        {"YXZ", eEulerYXZ, eEulerZXY, "Radians", kDeg}, {"YZX", eEulerYZX, eEulerXZY, "rad", kDeg},
        {"ZXY", eEulerZXY, eEulerYXZ, "Degrees", 1.0},  {"ZYX", eEulerZYX, eEulerXYZ, "Degrees", 1.0}};
    for (const auto& [letters, turnFirst, reversed, angles, f] : rows)
        for (const bool lettersFirst : {true, false})
            for (const bool zUp : {false, true})
            {
                SCOPED_TRACE(letters + (lettersFirst ? " turning first " : " turning last ") + angles +
                             (zUp ? ", Z up" : ""));
                KStreamOptionsMotionAnalysisHtr options;
                options.mAxisConversion = Up(zUp);
                options.mOrderLettersTurnFirst = lettersFirst;
                ASSERT_TRUE(Read(
                    "order.htr",
                    HtrFile(letters, "mm", "1", angles, "Y", "100 200 300 0.5 -1.5 2.5", "50 0 0 1 2 -3"),
                    kHtr, &options, nullptr));
                KScnNode* hip = Node("Hip");
                ASSERT_NE(hip, nullptr);
                EXPECT_TRUE(zUp || hip->GetRotationOrder(0) == (lettersFirst ? turnFirst : reversed))
                    << hip->GetRotationOrder(0);
                // In radians the frame's angles (57, 115, -172 degrees) lie
                // nearer 0 flipped: the keys take the flipped triple, the pose
                // below is the same.
                if (!zUp && f == 1.0)
                    ExpectAt(hip, "Take 001", 'R', Frame(1, KTime::eMode50), {f, 2 * f, -3 * f}, 1e-4 * f);
                const std::string sequence =
                    lettersFirst ? letters : std::string(letters.rbegin(), letters.rend());
                PoseAt(hip, "Take 001", Frame(1, KTime::eMode50));
                const M4 file = Translate(15, 20, 30) * TurnsBy(sequence, {0.5 * f, -1.5 * f, 2.5 * f}) *
                                TurnsBy(sequence, {f, 2 * f, -3 * f});
                const M4 up = zUp ? Turn(0, -90) : M4();
                ExpectNear(GlobalOf(hip), up * file * Inverse(up), 1e-4);
                ExpectNear(GlobalOf(Node("Leg")), up * file * Translate(0, -10, 0) * Inverse(up), 1e-4);
            }
}

// HTR lengths: CalibrationUnits times ScaleFactor to the scene's unit
// (centimetres unless the options say); a unit not known through the unit
// scale; the end node at BoneLength along BoneLengthAxis, for the last bone
// only.
TEST_F(MotionRulesSkeletons, HtrUnitsScaleFactorAndBoneAxis)
{
    const char* const unknown = "unknown CalibrationUnits furlongs: lengths read with the unit scale";
    // units, ScaleFactor, scene unit in metres, scene units of one file unit, BoneLengthAxis, status
    const std::tuple<const char*, const char*, double, double, int, const char*> rows[] = {
        {"mm", "1", 0.01, 0.1, 0, ""},           {"cm", "1", 0.01, 1.0, 1, ""},
        {"m", "1", 0.01, 100.0, 2, ""},          {"in", "1", 0.01, 2.54, 1, ""},
        {"ft", "1", 0.01, 30.48, 1, ""},         {"Millimeters", "2.5", 0.01, 0.25, 1, ""},
        {"mm", "1", 1.0, 0.001, 1, ""},          {"cm", "0.5", 0.001, 5.0, 1, ""},
        {"furlongs", "2", 0.01, 6.0, 1, unknown}};
    const char* const turns[] = {"30 0 0", "0 30 0", "0 0 30"}; // about the bone axis alone
    for (const auto& [units, scale, sceneUnit, l, a, status] : rows)
    {
        SCOPED_TRACE(std::string(units) + " x " + scale);
        KStreamOptionsMotionAnalysisHtr options;
        options.mSceneUnit = sceneUnit;
        options.mUnitScale = 3.0; // used for units not known only
        const std::string axis(1, static_cast<char>('X' + a));
        ASSERT_TRUE(Read("units.htr",
                         HtrFile("XYZ", units, scale, "Degrees", axis, std::string("100 200 300 ") + turns[a],
                                 "50 0 -20 0 0 0"),
                         kHtr, &options, status));
        KgeTVector t;
        EXPECT_NEAR(Node("Hip")->GetLocalTranslation(t)[2], 300 * l, 1e-9 * l);
        ExpectAt(Node("Hip"), "Take 001", 'T', Frame(1, KTime::eMode50), {150 * l, 200 * l, 280 * l},
                 3e-4 * l);
        EXPECT_NEAR(Node("Leg")->GetLocalTranslation(t)[1], -100 * l, 1e-9 * l);
        Node("Leg_End")->GetLocalTranslation(t);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(t[i], i == a ? 50 * l : 0.0, 1e-9 * l);
        EXPECT_EQ(mScene->GetRootNode()->FindChild("Model::Hip_End"), nullptr) << "Hip has a child";
        PoseAt(Node("Hip"), "Take 001", 0);
        ExpectNear(GlobalOf(Node("Hip")), Translate(100 * l, 200 * l, 300 * l) * Turn(a, 30),
                   1e-6 + 3e-6 * l);
    }
}

// Two ASF bones a (under the root) and b (under a), each with an axis in an
// order, and the dofs given.
std::string Skeleton(const std::string& axisA, const std::string& axisB, const std::string& dofsA,
                     const std::string& angle = "deg", const std::string& units = "1")
{
    return ":version 1.10\n:name body\n:units\n  mass 1.0\n  length " + units + "\n  angle " + angle +
           "\n:root\n  order TX TY TZ RX RY RZ\n  axis XYZ\n  position 1 2 3\n  orientation 0 0 0\n"
           ":bonedata\n  begin\n    id 1\n    name a\n    direction 0 3 4\n    length 10\n    axis " +
           axisA + "\n    dof " + dofsA +
           "\n  end\n  begin\n    id 2\n    name b\n    direction 1 0 0\n    length 3\n    axis " + axisB +
           "\n    dof rz tx\n  end\n:hierarchy\n  begin\n    root a\n    a b\n  end\n";
}

// An ASF bone's axis ABC ORDER is its frame C: turns about X, Y, Z by A, B, C
// (degrees or radians), the order's first letter first; at rest the frame is
// C at the parent's end, its end node along its direction. Its rotation dofs
// as written are its order (missing axes after them) and keys; the motion
// poses a bone by W = W_parent T(start) C M C^-1, Y up or turned for Z up.
TEST_F(MotionRulesSkeletons, AsfAxisAndDofOrdersGiveTheRestFrameRotationOrderAndPose)
{
    // a's dofs, its rotation order, a's axis order (b's reversed), ASF angle unit
    const std::tuple<const char*, int, std::string, const char*> rows[] = {
        {"rx ry rz", eEulerXYZ, "XYZ", "deg"},   {"rx rz ry", eEulerXZY, "XZY", "rad"},
        {"ry rx rz", eEulerYXZ, "YXZ", "deg"},   {"ry rz rx", eEulerYZX, "YZX", "rad"},
        {"rz rx ry", eEulerZXY, "ZXY", "deg"},   {"rz ry rx", eEulerZYX, "ZYX", "rad"},
        {"rz", eEulerZXY, "XYZ", "rad"},         {"ry rx", eEulerYXZ, "ZYX", "deg"},
        {"tx ry tz rx", eEulerYXZ, "ZXY", "deg"}};
    for (const auto& [dofs, order, o, angle] : rows)
    {
        SCOPED_TRACE(std::string(dofs) + " " + o + " " + angle);
        // The axes: 10 20 30 and -15 25 40 degrees, or a hundredth of them in radians.
        const bool rad = angle[0] == 'r';
        const double f = rad ? 0.01 * kDeg : 1.0;
        const std::string reverse(o.rbegin(), o.rend());
        ASSERT_TRUE(Read("pose.asf",
                         Skeleton((rad ? "0.1 0.2 0.3 " : "10 20 30 ") + o,
                                  (rad ? "-0.15 0.25 0.4 " : "-15 25 40 ") + reverse, dofs, angle),
                         kAsf));
        const M4 ca = TurnsBy(o, {10 * f, 20 * f, 30 * f}), cb = TurnsBy(reverse, {-15 * f, 25 * f, 40 * f});
        ExpectNear(GlobalOf(Node("body")), Translate(1, 2, 3), 1e-9);
        ExpectNear(GlobalOf(Node("a")), Translate(1, 2, 3) * ca, 1e-6);
        ExpectNear(GlobalOf(Node("b")), Translate(1, 8, 11) * cb, 1e-6);
        ExpectNear(GlobalOf(Node("b_end")), Translate(4, 8, 11) * cb, 1e-6);
        EXPECT_EQ(mScene->GetRootNode()->FindChild("Model::a_end"), nullptr) << "a has a child";
        std::string letters, values, zeros;
        std::vector<double> angles;
        const double written[] = {12, -24, 36, 48};
        double t[3] = {0, 0, 0};
        int k = 0;
        for (const char* d = dofs; *d != '\0'; d += d[2] == '\0' ? 2 : 3, ++k)
        {
            values += " " + std::to_string(written[k]);
            zeros += " 0";
            if (d[0] == 't')
                t[d[1] - 'x'] = written[k];
            else
                letters += d[1], angles.push_back(written[k]);
        }
        // a at rest in frame 5, so that its curves move (a curve that does
        // not keeps no key).
        const std::string amc = ":FULLY-SPECIFIED\n:DEGREES\n5\nroot 0 0 0 0 0 0\na" + zeros +
                                "\nb 0 0\n6\nroot 1 2 3 10 20 30\na" + values + "\nb 50 2\n";
        const M4 root = Translate(2, 4, 6) * TurnsInOrder("xyz", {10, 20, 30});
        // a's translation dofs move it along its own axes; b: rz 50 and tx 2 along its own x.
        const M4 wa = root * ca * Translate(t[0], t[1], t[2]) * TurnsInOrder(letters, angles) * Inverse(ca);
        const M4 wb = wa * Translate(0, 6, 8) * cb * Translate(2, 0, 0) * Turn(2, 50) * Inverse(cb);
        for (const bool zUp : {false, true})
        {
            const M4 up = zUp ? Turn(0, -90) : M4();
            KStreamOptionsAcclaim options;
            options.mAxisConversion = Up(zUp);
            ASSERT_TRUE(Read("pose.amc", amc, kAmc, &options));
            KScnNode* a = Node("a");
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->GetRotationOrder(0), order);
            // Frame 6 is the second: 1/120 s at the default rate.
            const KTime second = Frame(1, KTime::eMode120);
            ExpectKeyTimes(CurveOf(a, "pose", 'R', letters[0] - 'x'), {0, second});
            PoseAt(Node("body"), "pose", second);
            ExpectNear(GlobalOf(a), up * wa * ca, 1e-4);
            ExpectNear(GlobalOf(Node("b")), up * wb * cb, 1e-4);
            ExpectNear(GlobalOf(Node("b_end")), up * wb * Translate(3, 0, 0) * cb, 1e-4);
        }
    }
}

// ASF/AMC lengths: divided by the units length, then times the unit scale,
// the root's position and translations as the bones'. A skeleton without a
// :root section reads the root's values as TX TY TZ RX RY RZ at the origin.
// Stretch dofs (l) take their value from the line and are not keyed. AMC
// angles: the ASF's unit unless the AMC's header says :DEGREES or :RADIANS,
// for every rotation dof of bones and root alike; translations never turned.
TEST_F(MotionRulesSkeletons, AmcLengthsTheRootsDefaultsStretchDofsAndAngles)
{
    const std::string withRoot = Skeleton("0 0 0 XYZ", "0 0 0 XYZ", "rx", "deg", "0.5");
    std::string noRoot = withRoot;
    noRoot.erase(noRoot.find(":root"), noRoot.find(":bonedata") - noRoot.find(":root"));
    for (const auto& [skeleton, p] : {std::pair(withRoot, std::array<double, 3>{1, 2, 3}),
                                      std::pair(noRoot, std::array<double, 3>{0, 0, 0})})
    {
        SCOPED_TRACE(p[0]);
        mDir.WriteFile("long.asf", skeleton);
        KStreamOptionsAcclaim options;
        options.mUnitScale = 3.0; // 6 scene units a file unit
        ASSERT_TRUE(Read("long.amc", "1\nroot 0 0 0 0 0 0\n2\nroot 1 2 -3 10 20 30\n", kAmc, &options));
        KScnNode* body = Node("body");
        EXPECT_EQ(body->GetRotationOrder(0), eEulerXYZ);
        ExpectAt(body, "long", 'T', 0, {6 * p[0], 6 * p[1], 6 * p[2]});
        ExpectAt(body, "long", 'T', Frame(1, KTime::eMode120),
                 {6 * (p[0] + 1), 6 * (p[1] + 2), 6 * (p[2] - 3)});
        ExpectAt(body, "long", 'R', Frame(1, KTime::eMode120), {10, 20, 30});
        ExpectNear(GlobalOf(Node("b")), Translate(6 * p[0], 6 * p[1] + 36, 6 * p[2] + 48), 1e-9);
        ExpectNear(GlobalOf(Node("b_end")), Translate(6 * p[0] + 18, 6 * p[1] + 36, 6 * p[2] + 48), 1e-9);
    }
    mDir.WriteFile("l.asf", Skeleton("0 0 0 XYZ", "0 0 0 XYZ", "rx l ry"));
    ASSERT_TRUE(
        Read("l.amc", "1\na 10 2 20\n2\na 15 3 25\n", kAmc, nullptr, "1 stretch (l) channels not keyed"));
    ExpectAt(Node("a"), "l", 'R', Frame(1, KTime::eMode120), {15, 25, 0});
    for (char c : {'S', 'T'})
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_EQ(CurveOf(Node("a"), "l", c, axis)->GetKeyCount(), 0) << c << axis;
    // ASF angle, AMC header, degrees per unit
    const std::tuple<const char*, const char*, double> rows[] = {
        {"deg", "", 1.0},           {"rad", "", kDeg},          {"deg", ":RADIANS\n", kDeg},
        {"rad", ":DEGREES\n", 1.0}, {"rad", ":degrees\n", 1.0}, {"degrees", ":radians\n", kDeg}};
    for (const auto& [angle, header, f] : rows)
    {
        SCOPED_TRACE(std::string(angle) + " " + header);
        mDir.WriteFile("turn.asf", Skeleton("0 0 0 XYZ", "0 0 0 XYZ", "rx ry rz", angle));
        ASSERT_TRUE(Read("turn.amc",
                         std::string(":FULLY-SPECIFIED\n") + header +
                             "1\nroot 1 2 3 0.1 0.2 0.3\na 0.4 0.5 0.6\nb 0.7 4\n",
                         kAmc));
        ExpectAt(Node("body"), "turn", 'R', 0, {0.1 * f, 0.2 * f, 0.3 * f});
        ExpectAt(Node("body"), "turn", 'T', 0, {2, 4, 6});
        ExpectAt(Node("a"), "turn", 'R', 0, {0.4 * f, 0.5 * f, 0.6 * f});
        ExpectAt(Node("b"), "turn", 'R', 0, {NAN, NAN, 0.7 * f});
        ExpectAt(Node("b"), "turn", 'T', 0, {4, 6, 8});
    }
}

} // namespace
