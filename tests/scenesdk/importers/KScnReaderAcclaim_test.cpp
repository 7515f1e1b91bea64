// The Acclaim readers through the importer: a skeleton with units, a turned
// bone frame and a leaf end read at rest, then a motion beside it with a
// missing sample and an unknown bone, checked curve by curve and by the
// world position of a bone's end against the format's own transform rule;
// hostile skeletons and motions each refused with error 0 and a reason,
// leaving the scene as it was.

#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/importers/KScnReaderAcclaimAmc.h"
#include "scenesdk/importers/KScnReaderAcclaimAsf.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "tests/scenesdk/importers/MotionTestPose.h"
#include "tests/scenesdk/importers/RefusedFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;
using namespace motiontest;

namespace
{

const char* const kSkeleton = "# a small skeleton\n"
                              ":version 1.10\n"
                              ":name tiny\n"
                              ":units\n  mass 1.0\n  length 0.5\n  angle deg\n"
                              ":documentation\n  made by hand, for tests: (not parsed)\n"
                              ":root\n  order TX TY TZ RZ RY RX\n  axis XYZ\n"
                              "  position 0 0 0\n  orientation 0 0 0\n"
                              ":bonedata\n"
                              "  begin\n    id 1\n    name spine\n    direction 0 1 0\n    length 10\n"
                              "    axis 0 30 0 XYZ\n    dof rx ry rz\n"
                              "    limits (-90.0, 90.0)\n           (-90 90)\n           (-inf inf)\n  end\n"
                              "  begin\n    id 2\n    name Head\n    direction 0 1 0\n    length 4\n"
                              "    axis 0 0 90 xyz\n    dof rz rx\n    limits (-45 45) (-45 45)\n  end\n"
                              "  begin\n    id 3\n    name arm\n    direction 1 0 0\n    length 6\n"
                              "    axis 0 0 0 XYZ\n    dof rx tx\n  end\n"
                              ":hierarchy\n  begin\n    spine head arm\n    root spine\n  end\n";

const char* const kMotion = "# three frames\n"
                            ":FULLY-SPECIFIED\n:DEGREES\n"
                            "1\nroot 1 2 3 0 0 0\nspine 0 0 0\nHEAD 0 0\narm 0 0\n"
                            "2\nroot 2 4 6 0 90 0\nspine 10 0 0\nhead 30 20\nghost 1 2 3\n"
                            "3\nroot 3 6 9 0 0 0\nspine 20 0 0\narm 0 1\nhead 0 0\n";

KScnNode* Child(KScnNode* node, const char* name)
{
    KScnNode* child = node->FindChild(name, false);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

KScnSkeleton::ESkeletonKind KindOf(KScnNode* node)
{
    return static_cast<KScnSkeleton*>(node->GetSkeleton())->GetSkeletonKind();
}

TEST(AcclaimReaders, ReadSkeletonAtRestThenItsMotion)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    ASSERT_TRUE(Imported(manager, scene, dir.WriteFile("mocap/tiny.asf", kSkeleton),
                         KScnImporter::FindFileFormat("asf"), nullptr, nullptr));
    KScnNode* root = Child(scene->GetRootNode(), "Model::tiny");
    ASSERT_NE(root, nullptr) << "the root is named after the skeleton";
    EXPECT_EQ(KindOf(root), KScnSkeleton::eRoot);
    EXPECT_EQ(root->GetRotationOrder(0), eEulerZYX) << "the root's order RZ RY RX";
    const auto spine = Children(root, {"spine"});
    ASSERT_EQ(spine.size(), 1u);
    const auto bones = Children(spine[0], {"Head", "arm"});
    ASSERT_EQ(bones.size(), 2u);
    KScnNode* head = bones[0];
    const auto headEnd = Children(head, {"Head_end"});
    ASSERT_EQ(headEnd.size(), 1u);
    Children(bones[1], {"arm_end"});
    EXPECT_EQ(KindOf(head), KScnSkeleton::eLimbNode);
    EXPECT_EQ(head->GetRotationOrder(0), eEulerZXY) << "dof rz rx";
    EXPECT_TRUE(head->GetRotationActive());

    // Rest offsets: lengths over the units length 0.5; the head's frame is
    // turned 90 degrees about Z, so its end lies along its own X.
    KgeTVector t;
    EXPECT_NEAR(head->GetLocalTranslation(t)[1], 20.0, 1e-9);
    EXPECT_NEAR(spine[0]->GetPreRotation(0)[1], 30.0, 1e-9);
    headEnd[0]->GetLocalTranslation(t);
    EXPECT_NEAR(t[0], 8.0, 1e-9);
    EXPECT_NEAR(t[1], 0.0, 1e-9);
    EXPECT_NEAR(GlobalOf(headEnd[0]).m[0][3], 0.0, 1e-9);
    EXPECT_NEAR(GlobalOf(headEnd[0]).m[1][3], 28.0, 1e-9) << "spine 20 + head 8 at rest";
    EXPECT_EQ(scene->GetTakeInfoCount(), 0) << "a skeleton has no take";

    // The motion beside it, same stem, ten frames a second.
    KScnSceneRoot* motion = manager.CreateScene();
    const int nodesBefore = manager.GetNodeCount();
    KStreamOptionsAcclaim options;
    options.mFrameRate = 10.0;
    ASSERT_TRUE(Imported(manager, motion, dir.WriteFile("mocap/tiny.amc", kMotion),
                         KScnImporter::FindFileFormat("amc"), &options,
                         "1 lines of unknown bones skipped (first: ghost)"));
    EXPECT_EQ(manager.GetNodeCount(), nodesBefore + 6) << "root, three bones, two ends";
    ASSERT_NE(motion->GetTakeInfo("tiny"), nullptr) << "the take is named after the file";
    // Every node read has the take (the scene's own root node does not).
    motion->SetCurrentTake("tiny");
    root = Child(motion->GetRootNode(), "Model::tiny");
    ASSERT_NE(root, nullptr);
    ASSERT_STREQ(root->FindChild("Model::Head_end")->GetCurrentTakeNode()->GetName(), "tiny");
    ExpectSpan(root, "tiny", 0, Seconds(0.2)); // three frames at 10 per second

    // Root positions over the units length; RY is the order's second value;
    // the head's rz comes first and it has no ry dof.
    ExpectAt(root, "tiny", 'T', Seconds(0.1), {4.0, 8.0, 12.0});
    ExpectAt(root, "tiny", 'T', Seconds(0.2), {6.0, 12.0, 18.0});
    ExpectAt(root, "tiny", 'R', Seconds(0.1), {0.0, 90.0, 0.0});
    KScnNode* spineAt = root->FindChild("Model::spine");
    head = root->FindChild("Model::Head");
    KScnNode* arm = root->FindChild("Model::arm");
    ASSERT_TRUE(spineAt != nullptr && head != nullptr && arm != nullptr);
    ExpectAt(spineAt, "tiny", 'R', Seconds(0.1), {10.0, NAN, NAN});
    ExpectAt(spineAt, "tiny", 'R', Seconds(0.2), {20.0, NAN, NAN});
    ExpectAt(head, "tiny", 'R', Seconds(0.1), {20.0, NAN, 30.0});
    EXPECT_EQ(CurveOf(head, "tiny", 'R', 1)->GetKeyCount(), 0) << "no ry dof";
    // The arm is missing from frame 2: no key there. Its tx moves it along
    // its own X, which the spine's frame sees turned by -30 degrees about Y;
    // y is its rest offset.
    ExpectKeyTimes(CurveOf(arm, "tiny", 'T', 0), {0, Seconds(0.2)});
    ExpectAt(arm, "tiny", 'T', Seconds(0.2), {2.0 * std::cos(M_PI / 6.0), 20.0, 1.0}, 1e-5);

    // The head's end at frame 2 by the format's rule W = W_parent T(O) C M C^-1.
    PoseAt(root, "tiny", Seconds(0.1));
    const M4 expected = Translate(4, 8, 12) * Turn(1, 90) * Turn(1, 30) * Turn(0, 10) * Turn(1, -30) *
                        Translate(0, 20, 0) * Turn(2, 90) * Turn(0, 20) * Turn(2, 30) * Turn(2, -90) *
                        Translate(0, 8, 0);
    const M4 end = GlobalOf(root->FindChild("Model::Head_end"));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(end.m[i][3], expected.m[i][3], 1e-4) << "axis " << i;
}

TEST(AcclaimReaders, SkeletonNamedByOptionsRadiansAndUnitScale)
{
    testsupport::TempDir dir;
    const std::string asf = dir.WriteFile("skeletons/body.asf", ":units\n angle rad\n:root\n order RX TX\n"
                                                                ":bonedata\nbegin\nname a\ndirection 0 0 2\n"
                                                                "length 1\naxis 0 0 0 XYZ\ndof rz\nend\n"
                                                                ":hierarchy\nroot a\n");
    const std::string amc = dir.WriteFile("take/jump.amc", ":DEGREES\n7\nroot 45 1\na 10\n");
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderAcclaimAmc reader(&manager);
    KStreamOptionsAcclaim options;
    EXPECT_FALSE(Read(reader, scene, amc, &options)) << "nothing beside it";
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    EXPECT_STREQ(reader.GetStatusText(),
                 "no skeleton: jump.asf is not beside the motion and the options name none");
    options.mSkeletonFile = asf;
    options.mUnitScale = 0.01;
    options.mAxisConversion = KStreamOptionsForeign::eAxisZUpToYUp;
    options.mFrameRate = 0.0;
    EXPECT_FALSE(reader.ReadScene(scene, &options));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eUnidentifiedError);
    options.mFrameRate = 120.0;
    ASSERT_TRUE(Read(reader, scene, amc, &options, nullptr));
    KScnNode* root = Child(scene->GetRootNode(), "Model::root");
    ASSERT_NE(root, nullptr) << "no :name: the root is \"root\"";
    EXPECT_EQ(root->GetRotationOrder(0), eEulerXYZ);
    KScnNode* end = root->FindChild("Model::a_end");
    ASSERT_NE(end, nullptr);
    KgeTVector t;
    EXPECT_NEAR(end->GetLocalTranslation(t)[2], 0.01, 1e-12) << "direction normalised, unit scale applied";
    EXPECT_NEAR(GlobalOf(end).m[1][3], 0.01, 1e-8) << "Z up turned to Y up at the root";
    EXPECT_NEAR(GlobalOf(end).m[2][3], 0.0, 1e-8);
    // One frame: each curve is flat, so it keeps no key and holds the value.
    KFCurve* rz = CurveOf(root->FindChild("Model::a"), "jump", 'R', 2);
    ASSERT_EQ(rz->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(rz->Evaluate(0), 10.0f) << ":DEGREES wins over the skeleton's radians";
    EXPECT_FLOAT_EQ(CurveOf(root, "jump", 'R', 0)->Evaluate(0), 45.0f);
    EXPECT_FLOAT_EQ(CurveOf(root, "jump", 'T', 0)->Evaluate(0), 0.01f);
}

// A chain of n bones, each under the one before.
std::string Chain(int n)
{
    std::string text = ":bonedata\n";
    for (int i = 0; i < n; ++i)
        text += "begin\nname b" + std::to_string(i) + "\ndirection 0 1 0\nlength 1\nend\n";
    text += ":hierarchy\nbegin\nroot b0\n";
    for (int i = 1; i < n; ++i)
        text += "b" + std::to_string(i - 1) + " b" + std::to_string(i) + "\n";
    return text + "end\n";
}

std::string Bones(const char* hierarchy)
{
    std::string text = ":bonedata\n";
    for (const char* name : {"a", "b", "c"})
        text += std::string("begin\nname ") + name + "\ndirection 1 0 0\nlength 1\ndof rx ry\nend\n";
    return text + ":hierarchy\n" + hierarchy;
}

TEST(AcclaimReaders, HostileFilesAreRefusedAndLeaveTheSceneAlone)
{
    const std::pair<std::string, std::string> skeletons[] = {
        {Bones("root a\na b\nb c\nc b\n"), "line 24: bone \"b\" is listed under two parents"},
        {Bones("a b\nb c\nc a\n"), "hierarchy has a cycle through bone \"a\""},
        {Bones("root a\na b c\nc c\n"), "line 23: bone \"c\" is its own parent"},
        {Bones("root a\na b\n"), "bone \"c\" is not in the hierarchy"},
        {Bones("root a\nd b c\n"), "line 22: hierarchy names an unknown bone: d"},
        {Bones("root a root\n"), "line 21: root listed as a child"},
        {Chain(60000), "hierarchy nested deeper than 1000 bones"},
        {Chain(1001), "hierarchy nested deeper than 1000 bones"},
        {":bonedata\nbegin\nname a\ndirection 0 x 0\n", "line 4: not a number: x"},
        {":bonedata\nbegin\nname a\ndirection 0 1 0\nlength nan\n", "line 5: not a number: nan"},
        {":bonedata\nbegin\nname a\ndof rx rx\n", "line 4: dof repeats rx"},
        {":bonedata\nbegin\nname a\ndof rw\n", "line 4: unknown dof: rw"},
        {":bonedata\nbegin\nname a\nlimits (0 1) (0 x)\n", "line 4: not a limit: x"},
        {":units\nlength 0\n", "line 2: units length must be above 0"},
        {":bonedata\nbegin\nname a\ndirection 0 1 0\nlength 1\n:hierarchy\n",
         "line 6: bone \"a\" has no end"},
        {":bonedata\nbegin\nname a\ndirection 0 0 0\nlength 1\nend\n",
         "line 2: bone \"a\" has no direction to extend along"},
        {":bonedata\nbegin\nname Root\ndirection 0 1 0\nlength 1\nend\n",
         "line 2: a bone may not be called root"},
        {":bonedata\nbegin\nname a\nlength 1\nend\n", "line 2: bone \"a\" has no direction"},
        {":root\naxis XYY\n", "line 2: unknown axis order: XYY"},
        {":bonedata\nbegin\nname " + std::string(2000, 'n') + "\n", "line 3: bone name too long"},
        {"begin\n", "line 1: text before the first section: begin"},
    };
    const std::pair<std::string, std::string> motions[] = {
        {"1\na 1\n", "line 2: a has 1 values, not 2"},
        {"1\na 1 2 3\n", "line 2: a has more than its 2 values"},
        {"1\na 1 x\n", "line 2: not a number: x"},
        {"1\na 1 inf\n", "line 2: not a number: inf"},
        {"2\n1\n", "line 2: frame 1 does not come after frame 2"},
        {"1\n1\n", "line 2: frame 1 does not come after frame 1"},
        {"1\na 1 2\nb 0 0\nA 3 4\n", "line 4: A twice in frame 1"},
        {"a 1 2\n1\n", "line 1: values of a before the first frame"},
        {"1\n:RADIANS\n", "line 2: header keyword after the first frame: :RADIANS"},
        {"1\na 1 2\n9000000000000000\na 2 3\n", "frame 9000000000000000 lies beyond the longest take"},
    };
    importtest::ExpectEachRefused<KScnReaderAcclaimAsf, KStreamOptionsAcclaim>(skeletons, "bad.asf");
    // Motions read beside a sound skeleton of their stem.
    testsupport::TempDir dir;
    dir.WriteFile("bad.asf", Bones("root a\na b c\n"));
    importtest::ExpectEachRefused<KScnReaderAcclaimAmc, KStreamOptionsAcclaim>(motions, "bad.amc", &dir);
    // A motion is refused for a fault of its skeleton, named in the reason.
    testsupport::TempDir broken;
    broken.WriteFile("bad.asf", Bones("a b\nb c\nc a\n"));
    const std::pair<std::string, std::string> fine[] = {
        {"1\na 1 2\n", "skeleton bad.asf: hierarchy has a cycle through bone \"a\""}};
    importtest::ExpectEachRefused<KScnReaderAcclaimAmc, KStreamOptionsAcclaim>(fine, "bad.amc", &broken);

    // Nesting 1,000 bones deep is read.
    KScnSdkManager deepManager;
    KScnSceneRoot* deep = deepManager.CreateScene();
    ASSERT_TRUE(Imported(deepManager, deep, dir.WriteFile("deep.asf", Chain(1000)),
                         KScnImporter::FindFileFormat("asf"), nullptr, nullptr));
    EXPECT_NE(deep->GetRootNode()->FindChild("Model::b999_end"), nullptr);

    // Frame numbers jumping by billions cost two keys, nothing more.
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnReaderAcclaimAmc reader(&manager);
    KStreamOptionsAcclaim options;
    options.mSkeletonFile = dir.Path() + "/bad.asf";
    ASSERT_TRUE(Read(reader, scene, dir.WriteFile("far.amc", "1\na 1 2\n3000000001\na 2 3\n"), &options));
    KScnNode* a = scene->GetRootNode()->FindChild("Model::a");
    ASSERT_NE(a, nullptr);
    KFCurve* rx = CurveOf(a, "far", 'R', 0);
    ASSERT_EQ(rx->GetKeyCount(), 2);
    EXPECT_NEAR(rx->GetKeyTime(1).GetSeconds(), 3e9 / 120.0, 1e-3);
}

} // namespace
