// The BVH reader: a file with two skeletons (names with spaces, End Sites,
// three rotation orders, a repeated axis, wrapped motion lines) read through
// the importer and checked joint by joint against transforms built here
// with the format's own convention; options (unit scale, Z-up axes,
// position channels added or replacing); every hostile file of the notes
// refused with error 0 and its reason, the scene left alone.

#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/importers/KScnReaderBiovision.h"
#include "scenesdk/importers/KStreamOptionsBiovision.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scenesdk;
using namespace motiontest;

namespace
{

const char* const kWalk = "HIERARCHY\r\n"
                          "ROOT Hips\r\n"
                          "{\r\n"
                          "\tOFFSET 1 2 3\r\n"
                          "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\r\n"
                          "\tJOINT Spine\n"
                          "\t{\n"
                          "\t\tOFFSET 0 10 0\n"
                          "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
                          "\t\tJOINT Left Arm {\n"
                          "\t\t\toffset 5 0 0\n"
                          "\t\t\tCHANNELS 3 Xrotation Yrotation Zrotation\n"
                          "\t\t\tEnd Site\n"
                          "\t\t\t{\n"
                          "\t\t\t\tOFFSET 0 -8 0\n"
                          "\t\t\t}\n"
                          "\t\t}\n"
                          "\t\tEnd site\n"
                          "\t\t{\n"
                          "\t\t\tOFFSET 0 12 0\n"
                          "\t\t}\n"
                          "\t}\n"
                          "}\n"
                          "ROOT Prop\n"
                          "{\n"
                          "\tOFFSET 0 0 0\n"
                          "\tCHANNELS 3 Zrotation Yrotation Zrotation\n"
                          "}\n"
                          "MOTION\n"
                          "Frames:\t3\n"
                          "Frame Time: 0.0333333\n"
                          "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
                          "10 20 30 15 30 45 10 -20 5 30 40 50 90 30 -60\n"
                          "\n"
                          "-4 0.5 1e1 170 -60 200\n"
                          "  25 -35 10 -90 45 120 179 20 179\n";

// Frame f of the file as the format means it: a joint's transform is
// translate(offset, plus the root's positions) times its rotation channels
// in the order listed, column vectors.
struct SWalkPose
{
    M4 hips, spine, arm, armEnd, prop;
};

SWalkPose WalkAt(const double* v)
{
    SWalkPose p;
    p.hips = Translate(1 + v[0], 2 + v[1], 3 + v[2]) * Turn(2, v[3]) * Turn(0, v[4]) * Turn(1, v[5]);
    p.spine = p.hips * Translate(0, 10, 0) * Turn(2, v[6]) * Turn(0, v[7]) * Turn(1, v[8]);
    p.arm = p.spine * Translate(5, 0, 0) * Turn(0, v[9]) * Turn(1, v[10]) * Turn(2, v[11]);
    p.armEnd = p.arm * Translate(0, -8, 0);
    p.prop = Turn(2, v[12]) * Turn(1, v[13]) * Turn(2, v[14]);
    return p;
}

KScnSkeleton::ESkeletonKind KindOf(KScnNode* node)
{
    return static_cast<KScnSkeleton*>(node->GetSkeleton())->GetSkeletonKind();
}

TEST(BiovisionReader, ReadsSkeletonsRestOffsetsAndMotionFrameByFrame)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(
        Imported(manager, scene, dir.WriteFile("walk.bvh", kWalk), KScnImporter::FindFileFormat("bvh")));

    // Hierarchy, kinds and names.
    const auto roots = Children(scene->GetRootNode(), {"Hips", "Prop"});
    ASSERT_EQ(roots.size(), 2u);
    KScnNode *hips = roots[0], *prop = roots[1];
    const auto spineOnly = Children(hips, {"Spine"});
    ASSERT_EQ(spineOnly.size(), 1u);
    KScnNode* spine = spineOnly[0];
    const auto limbs = Children(spine, {"Left Arm", "Spine_End"});
    ASSERT_EQ(limbs.size(), 2u);
    KScnNode* arm = limbs[0];
    const auto armEnds = Children(arm, {"Left Arm_End"});
    ASSERT_EQ(armEnds.size(), 1u);
    KScnNode* armEnd = armEnds[0];
    EXPECT_EQ(KindOf(hips), KScnSkeleton::eRoot);
    EXPECT_EQ(KindOf(prop), KScnSkeleton::eRoot);
    EXPECT_EQ(KindOf(spine), KScnSkeleton::eLimbNode);
    EXPECT_EQ(KindOf(armEnd), KScnSkeleton::eLimbNode);

    // Rest offsets, and the file's rotation orders kept on the nodes.
    KgeTVector t;
    EXPECT_DOUBLE_EQ(spine->GetLocalTranslation(t)[1], 10.0);
    EXPECT_DOUBLE_EQ(armEnd->GetLocalTranslation(t)[1], -8.0);
    EXPECT_DOUBLE_EQ(hips->GetLocalTranslation(t)[2], 3.0);
    EXPECT_EQ(hips->GetRotationOrder(0), eEulerYXZ) << "Zrotation Xrotation Yrotation turn about Y first";
    EXPECT_EQ(spine->GetNodeProperties()->RotationOrder.GetValue(), eEulerYXZ);
    EXPECT_EQ(arm->GetRotationOrder(0), eEulerZYX);
    EXPECT_EQ(armEnd->GetRotationOrder(0), eEulerXYZ);

    // One take over the three frames at 30 fps (0.0333333 taken as 30).
    KPointerArray<KString> takes;
    scene->FillTakeNameList(takes);
    ASSERT_EQ(takes.GetCount(), 2);
    EXPECT_STREQ(takes[1]->Buffer(), "Take 001");
    KScnSceneRoot::ClearTakeNameList(takes);
    EXPECT_TRUE(scene->SetCurrentTake("Take 001")) << scene->GetError().GetLastErrorString();
    ExpectSpan(hips, "Take 001", 0, Frame(2, KTime::eMode30));
    KFCurve* spineZ = spine->GetTakeNode(1)->GetRotationZCurve();
    ASSERT_EQ(spineZ->GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(spineZ->GetKeyValue(1), 10.0f);
    EXPECT_EQ(armEnd->GetTakeNode(1)->GetTranslationYCurve()->GetKeyCount(), 0) << "End Sites have no keys";
    EXPECT_FLOAT_EQ(armEnd->GetTakeNode(1)->GetTranslationYCurve()->GetDefaultValue(), -8.0f);
    EXPECT_EQ(spine->GetTakeNode(1)->GetTranslationXCurve()->GetKeyCount(), 0) << "no position channels";

    // Frames 1 and 2 posed: every joint where the format puts it.
    const double frames[2][15] = {{10, 20, 30, 15, 30, 45, 10, -20, 5, 30, 40, 50, 90, 30, -60},
                                  {-4, 0.5, 10, 170, -60, 200, 25, -35, 10, -90, 45, 120, 179, 20, 179}};
    for (int f = 1; f <= 2; ++f)
    {
        SCOPED_TRACE("frame " + std::to_string(f));
        PoseAt(hips, "Take 001", Frame(f, KTime::eMode30));
        PoseAt(prop, "Take 001", Frame(f, KTime::eMode30));
        const SWalkPose expected = WalkAt(frames[f - 1]);
        ExpectNear(GlobalOf(hips), expected.hips, 1e-4);
        ExpectNear(GlobalOf(spine), expected.spine, 1e-4);
        ExpectNear(GlobalOf(arm), expected.arm, 1e-4);
        ExpectNear(GlobalOf(armEnd), expected.armEnd, 1e-4);
        ExpectNear(GlobalOf(prop), expected.prop, 1e-4);
    }
    // The repeated axis is converted to angles that change by less than half
    // a turn from frame to frame.
    KFCurve* propX = prop->GetTakeNode(1)->GetRotationXCurve();
    EXPECT_LT(std::abs(propX->GetKeyValue(2) - propX->GetKeyValue(1)), 180.0f);

    // Read a frame at a time: the same keys.
    struct CRuns : KScnReaderBiovision
    {
        explicit CRuns(KScnSdkManager* manager) : KScnReaderBiovision(manager) { mRunValues = 4; }
    } runs(&manager);
    KScnSceneRoot* again = manager.CreateScene();
    KStreamOptionsBiovision defaults;
    ASSERT_TRUE(Read(runs, again, dir.Path() + "/walk.bvh", &defaults, nullptr));
    const std::function<void(KScnNode*, KScnNode*)> same = [&](KScnNode* a, KScnNode* b)
    {
        ASSERT_EQ(a->GetChildCount(), b->GetChildCount());
        for (char channel : {'T', 'R'})
            for (int axis = 0; axis < 3; ++axis)
            {
                KFCurve *x = CurveOf(a, "Take 001", channel, axis), *y = CurveOf(b, "Take 001", channel, axis);
                ASSERT_EQ(x->GetKeyCount(), y->GetKeyCount()) << a->GetName() << channel << axis;
                for (int k = 0; k < x->GetKeyCount(); ++k)
                    EXPECT_TRUE(x->GetKeyTime(k) == y->GetKeyTime(k) && x->GetKeyValue(k) == y->GetKeyValue(k))
                        << a->GetName() << channel << axis << " key " << k;
            }
        for (int c = 0; c < a->GetChildCount(); ++c)
            same(a->GetChild(c), b->GetChild(c));
    };
    for (int r = 0; r < 2; ++r)
        same(scene->GetRootNode()->GetChild(r), again->GetRootNode()->GetChild(r));
}

TEST(BiovisionReader, OptionsScaleTurnAxesAndPlaceJointPositionsShortMotionsAndNames)
{
    testsupport::TempDir dir;
    const std::string path = dir.WriteFile("arm.bvh", "HIERARCHY\nROOT Base\n{\nOFFSET 0 1 0\n"
                                                      "CHANNELS 4 Xposition Yposition Zposition Yrotation\n"
                                                      "JOINT Arm\n{\nOFFSET 0 5 0\n"
                                                      "CHANNELS 6 Xposition Yposition Zposition "
                                                      "Zrotation Yrotation Xrotation\n"
                                                      "End Site\n{\nOFFSET 2 0 0\n}\n}\n}\n"
                                                      "MOTION\nFrames: 3\nFrame Time: 0.01\n"
                                                      "1 2 3 30 1 6 1 20 -40 60\n"
                                                      "0 0 0 0 0 5 0 0 0 0\n"
                                                      "0 0 0 0 0 5 0 0 0 0 7 7 7\n");
    KScnSdkManager manager;
    KScnReaderBiovision reader(&manager);
    ASSERT_TRUE(reader.OpenFile(path.c_str()));
    std::unique_ptr<KStreamOptionsScn> made(reader.CreateReadOptions(false));
    ASSERT_TRUE(made->Is(KStreamOptionsBiovision::GetClassId()));

    KStreamOptionsBiovision options;
    KScnSceneRoot* plain = manager.CreateScene();
    ASSERT_TRUE(Read(reader, plain, path, &options, "values past the 3 declared frames ignored"));
    KScnNode* base = plain->GetRootNode()->GetChild(0);
    KScnNode* arm = base->GetChild(0);
    ASSERT_TRUE(arm->SelectTakeNodeByName("Take 001"));
    EXPECT_FLOAT_EQ(arm->GetTakeNode(1)->GetTranslationYCurve()->GetKeyValue(0), 6.0f) << "replaces OFFSET";
    EXPECT_FLOAT_EQ(base->GetTakeNode(1)->GetTranslationYCurve()->GetKeyValue(0), 3.0f) << "a root adds";
    // Missing axes are at 0 in every frame: flat, so no key.
    EXPECT_EQ(base->GetTakeNode(1)->GetRotationXCurve()->GetKeyCount(), 0) << "missing axes at 0";
    EXPECT_FLOAT_EQ(base->GetTakeNode(1)->GetRotationXCurve()->Evaluate(Frame(1, KTime::eMode100)), 0.0f);
    EXPECT_EQ(base->GetTakeNode(1)->GetRotationYCurve()->GetKeyTime(2).Get(),
              Frame(2, KTime::eMode100).Get());

    // Z up, doubled lengths, positions added to OFFSET: the same motion seen
    // through the axis change (x, y, z) -> (x, z, -y).
    options.mUnitScale = 2.0;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mPositionsReplaceOffset = false;
    options.mTakeName = "Lift";
    KScnSceneRoot* turned = manager.CreateScene();
    ASSERT_TRUE(Read(reader, turned, path, &options, nullptr));
    base = turned->GetRootNode()->GetChild(0);
    arm = base->GetChild(0);
    KScnNode* end = arm->GetChild(0);
    PoseAt(base, "Lift", Frame(0, KTime::eMode100));
    EXPECT_FLOAT_EQ(arm->GetTakeNode(1)->GetTranslationZCurve()->GetKeyValue(0), -22.0f) << "(5 + 6) x 2, -y";
    const M4 file = Translate(2, 2 + 4, 6) * Turn(1, 30) * Translate(2, 22, 2) * Turn(2, 20) * Turn(1, -40) *
                    Turn(0, 60) * Translate(4, 0, 0);
    ExpectNear(GlobalOf(end), Turn(0, -90) * file * Turn(0, 90), 1e-4); // y to z, z to -y

    // A short motion is read with a warning; names stay unique.
    const std::string shortPath = dir.WriteFile("short.bvh", "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\n"
                                                             "CHANNELS 1 Zrotation\n"
                                                             "JOINT Hip_2\n{\nOFFSET 0 1 0\n}\n"
                                                             "JOINT Hip\n{\nOFFSET 0 1 0\n}\n"
                                                             "JOINT\n{\nOFFSET 0 1 0\n}\n}\n"
                                                             "MOTION\nFrames : 3\nFrame Time:0.5\n1\n2\n");
    KScnSceneRoot* shortScene = manager.CreateScene();
    KStreamOptionsBiovision defaults;
    ASSERT_TRUE(Read(reader, shortScene, shortPath, &defaults, "2 of 3 frames read"));
    KScnNode* hip = shortScene->GetRootNode()->GetChild(0);
    Children(hip, {"Hip_2", "Hip_3", "Joint"}); // Hip_2 is taken by the file's own
    ExpectKeyTimes(CurveOf(hip, "Take 001", 'R', 2), {0, KTime::kOneSecond / 2}); // 2 frames per second
    // The clock's reach is that of the frames read, not of those declared.
    const std::string slow = dir.WriteFile("slow.bvh", "HIERARCHY\nROOT Hip\n{\nOFFSET 0 0 0\nCHANNELS 1 Zrotation\n}\n"
                                                       "MOTION\nFrames: 20\nFrame Time: 1e7\n1\n2\n" +
                                                           std::string(40, ' '));
    ASSERT_TRUE(Read(reader, manager.CreateScene(), slow, &defaults, "2 of 20 frames read"));
}

TEST(BiovisionReader, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::string head =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n}\n";
    std::string deep = "HIERARCHY\nROOT A\n{\n";
    for (int i = 0; i < 60000; ++i)
        deep += "JOINT j\n{\nOFFSET 0 0 0\n";
    std::string twelve;
    for (int i = 0; i < 12; ++i)
        twelve += "0 0 0\n";
    std::string wide = "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n";
    for (int i = 0; i < 10000; ++i)
        wide += "JOINT j{\nOFFSET 0 0 0\n}\n";
    const std::pair<std::string, std::string> cases[] = {
        {"hello\n", "line 1: not a BVH file: no HIERARCHY"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n", "line 4: the file ends inside A"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n}\n}\nMOTION\n", "line 6: expected ROOT or MOTION, found }"},
        {"HIERARCHY\nMOTION\nFrames: 0\n", "line 2: MOTION before any ROOT"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\n}\n", "line 5: no MOTION section"},
        {"HIERARCHY\nROOT A\nOFFSET 0 0 0\n", "line 3: expected { after A, found OFFSET"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nMOTION\n", "line 5: unexpected MOTION in A"},
        {deep, "joints nested deeper than 1000"},
        {wide + "}\nMOTION\nFrames: 0\nFrame Time: 1\n", "more than 10000 joints"},
        {"HIERARCHY\nROOT " + std::string(2000, 'a') + "\n{\n", "line 2: a joint name longer than 1024"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS -1\n", "line 4: channel count -1 out of range (0 to 6)"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 7 Xrotation\n", "line 4: channel count 7 out of range"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 18446744073709551622 Xrotation\n",
         "line 4: not a channel count: 18446744073709551622"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 3 Xrotation Yrotation\n}\n", "line 5: unknown channel }"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 1 Wrotation\n", "line 4: unknown channel Wrotation"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 2 Xposition xposition\n", "line 4: Xposition twice in one joint"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nOFFSET 0 0 0\n", "line 5: a second OFFSET"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 x 0\n", "line 4: not a number in OFFSET: x"},
        {"HIERARCHY\nROOT A\n{\nCHANNELS 0\n}\n", "line 5: A has no OFFSET"},
        {"HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nEnd Site\n{\nOFFSET 0 1 0\nCHANNELS 0\n",
         "line 8: an End Site with channels"},
        {head + "MOTION\nFrames: -1\n", "line 8: frame count -1 below 0"},
        {head + "MOTION\nFrames: many\n", "line 8: not a frame count: many"},
        {head + "MOTION\nFrames: 1000000000\nFrame Time: 0.01\n0 0 0\n",
         "line 9: frame count 1000000000 too large for the file"},
        {head + "MOTION\nFrames: 1\nFrame Time: 0\n0 0 0\n", "line 9: frame time 0 not above 0"},
        {head + "MOTION\nFrames: 1\nFrame Time: -0.5\n0 0 0\n", "line 9: frame time -0.5 not above 0"},
        {head + "MOTION\nFrames: 1\nFrame Time: nan\n0 0 0\n", "line 9: not a frame time: nan"},
        {head + "MOTION\nFrames: 1\nFrame Time: inf\n0 0 0\n", "line 9: not a frame time: inf"},
        {head + "MOTION\nFrames: 1\nFrame Time: 1e-300\n0 0 0\n", "Frame Time 1e-300: frame rate 1e+300 out"},
        {head + "MOTION\nFrames: 12\nFrame Time: 1e7\n" + twelve, "Frame Time 1e+07: motion of 11 frames at 1e-07"},
        {head + "MOTION\nFrames: 1\nFrame: 0.1\n0 0 0\n", "line 9: expected Frame Time: after Frames:"},
        {head + "MOTION\nFrames: 1\nFrame Time: 0.1\n1 2 x\n", "line 10: not a number: x"},
        {head + "MOTION\nFrames: 1\nFrame Time: 0.1\nnan 0 0\n", "line 10: not a number: nan"},
        {head + "MOTION\nFrames: 1\nFrame Time: 0.1\n1e999 0 0\n", "line 10: not a number: 1e999"},
        {head + "MOTION\nFrames: 2\nFrame Time: 0.1\n1 2 3\n4 5\n", "line 11: frame 2 has 2 of 3 values"},
        {head + "MOTION\nFrames: 1\nFrame Time: 0.1\n" + std::string((1 << 20) + 1, '1') + "\n",
         "line 10: line longer than"},
    };
    importtest::ExpectEachRefused<KScnReaderBiovision, KStreamOptionsBiovision>(cases, "bad.bvh");
}

} // namespace
