// The Acclaim readers through the importer: a skeleton with units, a turned
// bone frame and a leaf end read at rest, then a motion beside it with a
// missing sample and an unknown bone, checked curve by curve and by the
// world position of a bone's end against the format's own transform rule;
// hostile skeletons and motions each refused with error 0 and a reason,
// leaving the scene as it was.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/importers/KScnReaderAcclaimAmc.h"
#include "scenesdk/importers/KScnReaderAcclaimAsf.h"
#include "scenesdk/importers/KScnTakeKeys.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace scenesdk;

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

KTime At(double seconds)
{
    KTime time;
    time.SetSeconds(seconds);
    return time;
}

float ValueAt(KFCurve* curve, double seconds)
{
    return curve != nullptr ? curve->Evaluate(At(seconds)) : NAN;
}

// Puts every keyed transform curve of the current take at its value then,
// so that the node transforms show the pose at that time.
void Pose(KScnNode* node, double seconds)
{
    KScnTakeNodeEntry* take = node->GetCurrentTakeNode();
    KFCurve* curves[6] = {take->GetTranslationXCurve(), take->GetTranslationYCurve(),
                          take->GetTranslationZCurve(), take->GetRotationXCurve(),
                          take->GetRotationYCurve(),    take->GetRotationZCurve()};
    for (KFCurve* curve : curves)
        if (curve != nullptr && curve->GetKeyCount() > 0)
            curve->SetDefaultValue(curve->Evaluate(At(seconds)));
    for (int i = 0; i < node->GetChildCount(); ++i)
        Pose(node->GetChild(i), seconds);
    node->InvalidateTransformCaches();
}

// Column-vector rotations, as the format's notes write them.
struct SMat
{
    double m[3][3];
};

SMat Rot(int axis, double degrees)
{
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    SMat r = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    r.m[i][i] = c;
    r.m[i][j] = -s;
    r.m[j][i] = s;
    r.m[j][j] = c;
    return r;
}

SMat operator*(const SMat& a, const SMat& b)
{
    SMat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

void Apply(const SMat& a, double* v)
{
    const double x = v[0], y = v[1], z = v[2];
    for (int i = 0; i < 3; ++i)
        v[i] = a.m[i][0] * x + a.m[i][1] * y + a.m[i][2] * z;
}

KScnNode* Child(KScnNode* node, const char* name)
{
    KScnNode* child = node->FindChild(name, false);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

TEST(AcclaimReaders, ReadSkeletonAtRestThenItsMotion)
{
    testsupport::TempDir dir;
    const std::string asf = dir.WriteFile("mocap/tiny.asf", kSkeleton);
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    KScnImporter* importer = manager.CreateImporter();
    importer->SetFileFormat(KScnImporter::FindFileFormat("asf"));
    ASSERT_TRUE(importer->Initialize(asf.c_str()));
    ASSERT_TRUE(importer->Import(scene)) << importer->GetStatusText();

    KScnNode* root = scene->GetRootNode()->FindChild("Model::tiny", false);
    ASSERT_NE(root, nullptr) << "the root is named after the skeleton";
    auto* kind = static_cast<KScnSkeleton*>(root->GetSkeleton());
    ASSERT_NE(kind, nullptr);
    EXPECT_EQ(kind->GetSkeletonKind(), KScnSkeleton::eRoot);
    EXPECT_EQ(root->GetRotationOrder(0), eEulerZYX) << "the root's order RZ RY RX";
    KScnNode* spine = Child(root, "Model::spine");
    ASSERT_NE(spine, nullptr);
    EXPECT_EQ(spine->GetChildCount(), 2);
    KScnNode* head = Child(spine, "Model::Head");
    KScnNode* arm = Child(spine, "Model::arm");
    ASSERT_TRUE(head != nullptr && arm != nullptr);
    KScnNode* headEnd = Child(head, "Model::Head_end");
    ASSERT_NE(headEnd, nullptr);
    EXPECT_NE(Child(arm, "Model::arm_end"), nullptr);
    EXPECT_EQ(static_cast<KScnSkeleton*>(head->GetSkeleton())->GetSkeletonKind(), KScnSkeleton::eLimbNode);
    EXPECT_EQ(head->GetRotationOrder(0), eEulerZXY) << "dof rz rx";
    EXPECT_TRUE(head->GetRotationActive());

    // Rest offsets: lengths over the units length 0.5; the head's frame is
    // turned 90 degrees about Z, so its end lies along its own X.
    KgeTVector t;
    EXPECT_NEAR(head->GetLocalTranslation(t)[1], 20.0, 1e-9);
    EXPECT_NEAR(spine->GetPreRotation(0)[1], 30.0, 1e-9);
    headEnd->GetLocalTranslation(t);
    EXPECT_NEAR(t[0], 8.0, 1e-9);
    EXPECT_NEAR(t[1], 0.0, 1e-9);
    const double* rest = headEnd->ComputeGlobalTransform();
    EXPECT_NEAR(rest[12], 0.0, 1e-9);
    EXPECT_NEAR(rest[13], 28.0, 1e-9) << "spine 20 + head 8 at rest";
    EXPECT_EQ(scene->GetTakeInfoCount(), 0) << "a skeleton has no take";

    // The motion beside it, same stem, ten frames a second.
    const std::string amc = dir.WriteFile("mocap/tiny.amc", kMotion);
    KScnSceneRoot* motionScene = manager.CreateScene();
    const int nodesBefore = manager.GetNodeCount();
    KStreamOptionsAcclaim options;
    options.mFrameRate = 10.0;
    importer->SetFileFormat(KScnImporter::FindFileFormat("amc"));
    ASSERT_TRUE(importer->Initialize(amc.c_str()));
    ASSERT_TRUE(importer->Import(motionScene, &options)) << importer->GetStatusText();
    EXPECT_STREQ(importer->GetStatusText(), "1 lines of unknown bones skipped (first: ghost)");
    EXPECT_EQ(manager.GetNodeCount(), nodesBefore + 6) << "root, three bones, two ends";
    ASSERT_NE(motionScene->GetTakeInfo("tiny"), nullptr) << "the take is named after the file";
    // Every node read has the take (the scene's own root node does not).
    motionScene->SetCurrentTake("tiny");
    root = motionScene->GetRootNode()->FindChild("Model::tiny", false);
    ASSERT_NE(root, nullptr);
    ASSERT_STREQ(root->FindChild("Model::Head_end")->GetCurrentTakeNode()->GetName(), "tiny");
    KTime start(KTime::kInfinite), stop(KTime::kMinusInfinite);
    ASSERT_TRUE(root->GetCurrentTakeInterval(start, stop));
    EXPECT_DOUBLE_EQ(start.GetSeconds(), 0.0);
    EXPECT_NEAR(stop.GetSeconds(), 0.2, 1e-9) << "three frames at 10 per second";

    KScnTakeNodeEntry* rootTake = root->GetCurrentTakeNode();
    EXPECT_FLOAT_EQ(ValueAt(rootTake->GetTranslationXCurve(), 0.1), 4.0f) << "2 over the units length";
    EXPECT_FLOAT_EQ(ValueAt(rootTake->GetTranslationZCurve(), 0.2), 18.0f);
    EXPECT_FLOAT_EQ(ValueAt(rootTake->GetRotationYCurve(), 0.1), 90.0f) << "RY is the order's second value";
    spine = root->FindChild("Model::spine");
    head = root->FindChild("Model::Head");
    arm = root->FindChild("Model::arm");
    ASSERT_TRUE(spine != nullptr && head != nullptr && arm != nullptr);
    EXPECT_FLOAT_EQ(ValueAt(spine->GetCurrentTakeNode()->GetRotationXCurve(), 0.1), 10.0f);
    EXPECT_FLOAT_EQ(ValueAt(spine->GetCurrentTakeNode()->GetRotationXCurve(), 0.2), 20.0f);
    EXPECT_FLOAT_EQ(ValueAt(head->GetCurrentTakeNode()->GetRotationZCurve(), 0.1), 30.0f) << "rz first";
    EXPECT_FLOAT_EQ(ValueAt(head->GetCurrentTakeNode()->GetRotationXCurve(), 0.1), 20.0f);
    EXPECT_EQ(head->GetCurrentTakeNode()->GetRotationYCurve()->GetKeyCount(), 0) << "no ry dof";
    // The arm is missing from frame 2: no key there. Its tx moves it along
    // its own X, which the spine's frame sees turned by -30 degrees about Y.
    KFCurve* armX = arm->GetCurrentTakeNode()->GetTranslationXCurve();
    ASSERT_EQ(armX->GetKeyCount(), 2);
    EXPECT_NEAR(armX->GetKeyTime(1).GetSeconds(), 0.2, 1e-9);
    EXPECT_NEAR(armX->GetKeyValue(1), 2.0 * std::cos(M_PI / 6.0), 1e-6);
    EXPECT_NEAR(ValueAt(arm->GetCurrentTakeNode()->GetTranslationZCurve(), 0.2), 1.0, 1e-6);
    EXPECT_FLOAT_EQ(ValueAt(arm->GetCurrentTakeNode()->GetTranslationYCurve(), 0.2), 20.0f) << "rest offset";

    // The head's end at frame 2 by the format's rule W = W_parent T(O) C M C^-1.
    Pose(root, 0.1);
    const SMat headC = Rot(2, 90.0);
    const SMat headM = Rot(0, 20.0) * Rot(2, 30.0);
    const SMat headCInverse = Rot(2, -90.0);
    double expected[3] = {0.0, 8.0, 0.0};
    Apply(headC * headM * headCInverse, expected);
    expected[1] += 20.0;
    Apply(Rot(1, 90.0) * Rot(1, 30.0) * Rot(0, 10.0) * Rot(1, -30.0), expected);
    expected[0] += 4.0, expected[1] += 8.0, expected[2] += 12.0;
    const double* end = root->FindChild("Model::Head_end")->ComputeGlobalTransform();
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(end[12 + i], expected[i], 1e-4) << "axis " << i;
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
    ASSERT_TRUE(reader.OpenFile(amc.c_str()));
    KStreamOptionsAcclaim options;
    EXPECT_FALSE(reader.ReadScene(scene, &options)) << "nothing beside it";
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
    ASSERT_TRUE(reader.ReadScene(scene, &options)) << reader.GetStatusText();
    KScnNode* root = scene->GetRootNode()->FindChild("Model::root", false);
    ASSERT_NE(root, nullptr) << "no :name: the root is \"root\"";
    EXPECT_EQ(root->GetRotationOrder(0), eEulerXYZ);
    KScnNode* end = root->FindChild("Model::a_end");
    ASSERT_NE(end, nullptr);
    KgeTVector t;
    EXPECT_NEAR(end->GetLocalTranslation(t)[2], 0.01, 1e-12) << "direction normalised, unit scale applied";
    const double* up = end->ComputeGlobalTransform();
    EXPECT_NEAR(up[13], 0.01, 1e-8) << "Z up turned to Y up at the root";
    EXPECT_NEAR(up[14], 0.0, 1e-8);
    KScnNode* a = root->FindChild("Model::a");
    KFCurve* rz = KScnTakeKeys::GetCurve(a, "jump", KScnTakeKeys::eRotation, 2);
    ASSERT_EQ(rz->GetKeyCount(), 1);
    EXPECT_FLOAT_EQ(rz->GetKeyValue(0), 10.0f) << ":DEGREES wins over the skeleton's radians";
    EXPECT_FLOAT_EQ(KScnTakeKeys::GetCurve(root, "jump", KScnTakeKeys::eRotation, 0)->GetKeyValue(0), 45.0f);
    EXPECT_FLOAT_EQ(KScnTakeKeys::GetCurve(root, "jump", KScnTakeKeys::eTranslation, 0)->GetKeyValue(0),
                    0.01f);
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
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnSceneRoot* scene = manager.CreateScene();
    const std::string good = Bones("root a\na b c\n");
    const std::string skeletons[][2] = {
        {Bones("root a\na b\nb c\nc b\n"), "line 24: bone \"b\" is listed under two parents"},
        {Bones("a b\nb c\nc a\n"), "hierarchy has a cycle through bone \"a\""},
        {Bones("root a\na b c\nc c\n"), "line 23: bone \"c\" is its own parent"},
        {Bones("root a\na b\n"), "bone \"c\" is not in the hierarchy"},
        {Bones("root a\nd b c\n"), "line 22: hierarchy names an unknown bone: d"},
        {Bones("root a root\n"), "line 21: root listed as a child"},
        {Chain(60000), "hierarchy nested deeper than 1000 bones"},
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
    const std::string motions[][2] = {
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
    const int nodes = manager.GetNodeCount();
    const int attributes = manager.GetNodeAttributeCount();
    auto expectRefused =
        [&](KScnForeignReader& reader, const KStreamOptionsAcclaim& options, const std::string& reason)
    {
        EXPECT_FALSE(reader.ReadScene(scene, const_cast<KStreamOptionsAcclaim*>(&options)));
        EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileCorrupted);
        EXPECT_EQ(std::string(reader.GetStatusText()), reason);
        EXPECT_EQ(manager.GetNodeCount(), nodes);
        EXPECT_EQ(manager.GetNodeAttributeCount(), attributes);
        EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(scene->GetTakeInfoCount(), 0);
    };
    KStreamOptionsAcclaim options;
    KScnReaderAcclaimAsf asfReader(&manager);
    for (const auto& c : skeletons)
    {
        SCOPED_TRACE(c[1]);
        ASSERT_TRUE(asfReader.OpenFile(dir.WriteFile("bad.asf", c[0]).c_str()));
        expectRefused(asfReader, options, c[1]);
    }
    KScnReaderAcclaimAmc amcReader(&manager);
    options.mSkeletonFile = dir.WriteFile("good.asf", good);
    for (const auto& c : motions)
    {
        SCOPED_TRACE(c[1]);
        ASSERT_TRUE(amcReader.OpenFile(dir.WriteFile("bad.amc", c[0]).c_str()));
        expectRefused(amcReader, options, c[1]);
    }
    // A motion is refused for a fault of its skeleton, named in the reason.
    options.mSkeletonFile = dir.WriteFile("broken.asf", Bones("a b\nb c\nc a\n"));
    ASSERT_TRUE(amcReader.OpenFile(dir.WriteFile("fine.amc", "1\na 1 2\n").c_str()));
    expectRefused(amcReader, options, "skeleton broken.asf: hierarchy has a cycle through bone \"a\"");

    // Frame numbers jumping by billions cost two keys, nothing more.
    options.mSkeletonFile = dir.Path() + "/good.asf";
    ASSERT_TRUE(amcReader.OpenFile(dir.WriteFile("far.amc", "1\na 1 2\n3000000001\na 2 3\n").c_str()));
    ASSERT_TRUE(amcReader.ReadScene(scene, &options)) << amcReader.GetStatusText();
    KScnNode* a = scene->GetRootNode()->FindChild("Model::a");
    ASSERT_NE(a, nullptr);
    KFCurve* rx = KScnTakeKeys::GetCurve(a, "far", KScnTakeKeys::eRotation, 0);
    ASSERT_EQ(rx->GetKeyCount(), 2);
    EXPECT_NEAR(rx->GetKeyTime(1).GetSeconds(), 3e9 / 120.0, 1e-3);
}

} // namespace
