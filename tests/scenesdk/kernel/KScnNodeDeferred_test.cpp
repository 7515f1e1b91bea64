// A node's user-property handles and default take are made when first needed:
// whatever is done before, the result must be the one of a node that made
// them at once. Each scenario runs on a node whose parts are forced early and
// on one whose parts wait, and compares.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace scenesdk;

namespace
{

// Every curve default of a take's tree, depth first, with the names on the way.
void Collect(KFCurveNode* node, const std::string& path, std::vector<std::pair<std::string, float>>& out)
{
    const std::string here = path + "/" + node->GetName();
    out.emplace_back(here, node->GetFCurve() != nullptr ? node->GetFCurve()->GetDefaultValue() : -999.0f);
    for (int i = 0; i < node->GetChildCount(); ++i)
        Collect(node->GetChildAt(i), here, out);
}

std::vector<std::pair<std::string, float>> Tree(KScnTakeNodeEntry* take)
{
    std::vector<std::pair<std::string, float>> out;
    Collect(take->GetRootCurveNode(), "", out);
    return out;
}

// Runs the steps on a node that built its parts at once and on one that did
// not, then compares what both show.
void ExpectSameAsEager(const std::function<void(KScnNode*)>& steps)
{
    KScnSdkManager manager;
    KScnNode* eager = manager.CreateNode("eager");
    eager->GetLinkCount();
    eager->GetUserPropertyCount();
    KScnNode* lazy = manager.CreateNode("lazy");
    steps(eager);
    steps(lazy);
    ASSERT_EQ(lazy->GetTakeNodeCount(), eager->GetTakeNodeCount());
    for (int i = 0; i < eager->GetTakeNodeCount(); ++i)
        EXPECT_EQ(Tree(lazy->GetTakeNode(i)), Tree(eager->GetTakeNode(i))) << "take " << i;
    EXPECT_EQ(lazy->GetLinkCount(), eager->GetLinkCount());
    ASSERT_EQ(lazy->GetUserPropertyCount(), eager->GetUserPropertyCount());
    for (int i = 0; i < eager->GetUserPropertyCount(); ++i)
        EXPECT_STREQ(lazy->GetUserProperty(i)->GetName(), eager->GetUserProperty(i)->GetName());
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(lazy->ComputeGlobalTransform()[i], eager->ComputeGlobalTransform()[i]);
}

void WriteRaw(KScnNode* node, const char* name, double x, double y, double z)
{
    const double v[4] = {x, y, z, 1.0};
    node->GetNodeProperties()->FindProperty(name)->SetFromDoubles(v);
}

} // namespace

TEST(KScnNodeDeferred, TakeTreeStartsFromTheValuesAnEagerTreeWouldHold)
{
    // Written through the handles: the tree follows.
    ExpectSameAsEager([](KScnNode* n) { n->SetLocalTranslation(1, 2, 3); });
    // Written on the kernel property only: the tree follows too, also when a
    // later handle write of another channel builds it.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            WriteRaw(n, "Lcl Rotation", 10, 20, 30);
            WriteRaw(n, "Lcl Rotation", 40, 50, 60);
            n->SetVisibility(false);
            n->SetLocalScaling(2, 2, 2);
        });
    // A raw write, then a handle write of the same property: the handle wins.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            WriteRaw(n, "Lcl Translation", 5, 5, 5);
            n->SetLocalTranslation(7, 8, 9);
        });
    // Another take copies the default tree as it is when the take is added.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            n->SetLocalTranslation(1, 0, 0);
            n->AddTakeNode("Walk");
            n->SetLocalTranslation(2, 0, 0);
            n->SelectTakeNodeByName("Walk");
            n->SetLocalTranslation(3, 0, 0);
        });
    // The default take renamed before its tree was asked for.
    ExpectSameAsEager([](KScnNode* n) { n->GetDefaultTakeNode()->SetName("Renamed"); });
    // A curve read builds the parts up to the one that holds it: values written since go into the parts
    // built and are where the rest starts; another take added then copies both.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            const KScnTakeNodeEntry* take = n->GetDefaultTakeNode();
            ASSERT_NE(take->GetRotationYCurve(), nullptr);
            n->SetLocalRotation(1, 2, 3);
            n->SetLocalTranslation(4, 5, 6);
            WriteRaw(n, "Lcl Scaling", 7, 8, 9);
            n->SetVisibility(false);
            EXPECT_EQ(n->ComputeGlobalTransform()[12], 4.0);
            EXPECT_EQ(take->GetScalingZCurve()->GetDefaultValue(), 9.0f);
            n->AddTakeNode("Walk");
            n->SetLocalTranslation(2, 2, 2);
        });
    // Found where the whole tree holds it: the first "X" is translation's; a curve no more linked to its
    // property is what the transform reads; a channel of no curve, or none, builds it all.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            KScnTakeNodeEntry* take = n->GetDefaultTakeNode();
            const bool waits = take->IsBuildDeferred();
            KFCurve* x = take->FindCurve(nullptr, nullptr, "X");
            ASSERT_EQ(x, take->GetTranslationXCurve());
            x->SetDefaultValue(3.0f); // through its link into the property
            n->UnlinkPropertyCurves(n->GetNodeProperties()->FindProperty("Lcl Translation"));
            x->SetDefaultValue(5.0f);
            EXPECT_EQ(n->ComputeGlobalTransform()[12], 5.0);
            EXPECT_EQ(take->FindCurve("Transform", "R", nullptr), nullptr);
            EXPECT_EQ(take->IsBuildDeferred(), waits);
            EXPECT_EQ(take->GetColorXCurve(), nullptr);
            EXPECT_FALSE(take->IsBuildDeferred());
        });
    // Every link dropped before any part was built, or after one was: the parts built later link nothing
    // either, and a curve written then leaves its property as it is; one given its channels after is linked.
    for (const bool partBuilt : {false, true})
        ExpectSameAsEager(
            [partBuilt](KScnNode* n)
            {
                KScnTakeNodeEntry* take = n->GetDefaultTakeNode();
                ASSERT_TRUE(!partBuilt || std::as_const(*take).GetTranslationYCurve() != nullptr);
                n->UnlinkAllPropertyCurves();
                take->GetRotationZCurve()->SetDefaultValue(40.0f);
                double r[4] = {};
                n->GetNodeProperties()->FindProperty("Lcl Rotation")->GetAsDoubles(r);
                EXPECT_EQ(r[2], 0.0) << "unlinked";
                n->SetLocalScaling(2, 2, 2);
                KScnPropertyRef* weight = n->GetSdkManager()->CreateUserProperty("Weight", "Real", "");
                weight->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
                n->AddUserProperty(weight);
                EXPECT_EQ(n->GetLinkCount(), 1);
            });
    // A property added, renamed and made animatable.
    ExpectSameAsEager(
        [](KScnNode* n)
        {
            KProperty* weight =
                n->GetNodeProperties()->CreateDynamicProperty("Weight", eKPropDouble, nullptr, true);
            weight->SetDouble(0.5);
            n->GetNodeProperties()->FindProperty("Lcl Scaling")->SetName("Lcl Size");
        });
}

TEST(KScnNodeDeferred, LazyTreeLinksItsCurvesToTheProperties)
{
    KScnSdkManager manager;
    KScnNode* n = manager.CreateNode("n");
    WriteRaw(n, "Lcl Translation", 4, 5, 6);
    KScnTakeNodeEntry* take = n->GetDefaultTakeNode();
    ASSERT_TRUE(take->IsBuildDeferred());
    ASSERT_NE(take->GetTranslationYCurve(), nullptr);
    EXPECT_TRUE(take->IsBuildDeferred()) << "the part that holds the curve built, the rest waiting";
    EXPECT_EQ(take->GetTranslationYCurve()->GetDefaultValue(), 5.0f) << "the tree starts from the raw write";
    take->GetTranslationYCurve()->SetDefaultValue(9.0f);
    double t[4] = {};
    n->GetNodeProperties()->FindProperty("Lcl Translation")->GetAsDoubles(t);
    EXPECT_EQ(t[0], 4.0);
    EXPECT_EQ(t[1], 9.0) << "the curve writes into its property";
    // A node destroyed with its tree never built, and one with it built.
    KScnNode* waiting = manager.CreateNode("w");
    WriteRaw(waiting, "Lcl Rotation", 1, 1, 1);
    EXPECT_TRUE(manager.DestroyNode(waiting));
    EXPECT_TRUE(manager.DestroyNode(n));
}

TEST(KScnNodeDeferred, HandlesStandReservedInTheManager)
{
    KScnSdkManager manager;
    const int base = manager.GetUserPropertyCount();
    KScnNode* first = manager.CreateNode("first");
    const int perNode = manager.GetUserPropertyCount() - base;
    EXPECT_GT(perNode, 60) << "every property of the set has its handle";
    KScnPropertyRef* loose = manager.CreateUserProperty("Lcl Rotation", "Vector", "");
    KScnNode* second = manager.CreateNode("second");
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 2 * perNode + 1);

    // The second node's handles are made first; the manager still finds the
    // first node's, made then, and the loose handle after the first node's.
    KScnPropertyRef* secondT = second->FindUserPropertyByName("Lcl Translation");
    ASSERT_NE(secondT, nullptr);
    KScnPropertyRef* found = manager.FindUserProperty("Lcl Translation");
    ASSERT_NE(found, nullptr);
    EXPECT_NE(found, secondT);
    EXPECT_EQ(found, first->FindUserPropertyByName("Lcl Translation"));
    EXPECT_EQ(manager.FindUserProperty("Lcl Rotation"), first->FindUserPropertyByName("Lcl Rotation"));
    EXPECT_NE(manager.FindUserProperty("Lcl Rotation"), loose);
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 2 * perNode + 1);

    // A handle written sets its property and the channel.
    secondT->SetVector(1, 2, 3);
    EXPECT_EQ(second->GetDefaultTakeNode()->GetTranslationZCurve()->GetDefaultValue(), 3.0f);

    // A property added to the set: the handles made are those of the set before.
    KScnNode* third = manager.CreateNode("third");
    third->GetNodeProperties()->CreateDynamicProperty("Extra", eKPropDouble, nullptr, false);
    EXPECT_EQ(third->FindUserPropertyByName("Extra"), nullptr);
    EXPECT_EQ(third->GetUserPropertyCount(), perNode);

    EXPECT_TRUE(manager.DestroyNode(first));
    EXPECT_TRUE(manager.DestroyNode(second));
    EXPECT_TRUE(manager.DestroyNode(third));
    EXPECT_EQ(manager.GetUserPropertyCount(), base + 1);
    EXPECT_EQ(manager.FindUserProperty("Lcl Rotation"), loose);
}

TEST(KScnNodeDeferred, MaterialTakeWaitsAndShowsTheSameChannels)
{
    KScnSdkManager manager;
    KScnMaterial* eager = manager.CreateMaterial("eager");
    eager->GetLinkCount();
    KScnMaterial* lazy = manager.CreateMaterial("lazy");
    EXPECT_TRUE(lazy->GetDefaultTakeNode()->IsBuildDeferred());
    for (KScnMaterial* m : {eager, lazy})
    {
        EXPECT_TRUE(m->GetMaterialProperties()->Diffuse.IsAnimatable()) << "animatable from the start";
        m->GetMaterialProperties()->Diffuse.SetValue(KgeRGBVector(0.1, 0.2, 0.3));
        m->GetMaterialProperties()->Opacity.SetValue(0.5);
    }
    EXPECT_TRUE(lazy->GetDefaultTakeNode()->IsBuildDeferred()) << "writes alone do not build it";
    EXPECT_EQ(Tree(lazy->GetDefaultTakeNode()), Tree(eager->GetDefaultTakeNode()));
    EXPECT_EQ(lazy->GetLinkCount(), eager->GetLinkCount());
    double r = 0, g = 0, b = 0;
    lazy->GetDefaultDiffuse(r, g, b);
    EXPECT_FLOAT_EQ(static_cast<float>(g), 0.2f);
    lazy->SetDefaultOpacity(0.25);
    EXPECT_DOUBLE_EQ(lazy->GetMaterialProperties()->Opacity.GetValue(), 0.25) << "curves write back";
}

TEST(KScnNodeDeferred, PivotSetOneAndEvaluationCopyReadAsNewBeforeTheyAreMade)
{
    KScnSdkManager manager;
    KScnNode* n = manager.CreateNode("n");
    const KScnNode* reader = n;
    EXPECT_EQ(reader->GetPivotVector(1, KScnNodePivotSet::eGeometricScaling), KgeTVector(1.0, 1.0, 1.0, 1.0));
    EXPECT_EQ(reader->GetPivotVector(1, KScnNodePivotSet::eRotationPivot), KgeTVector(0.0, 0.0, 0.0, 1.0));
    EXPECT_EQ(reader->GetRotationOrder(1), KScnNode::eEulerXYZ);
    EXPECT_EQ(reader->GetPivotEval().inheritType, eInheritRrSs);
    EXPECT_EQ(reader->GetPivotEval().flags, 0u);
    n->SetRotationPivot(1, KgeTVector(1.0, 2.0, 3.0, 1.0));
    EXPECT_EQ(reader->GetPivotVector(1, KScnNodePivotSet::eRotationPivot), KgeTVector(1.0, 2.0, 3.0, 1.0));
    EXPECT_EQ(reader->GetPivotEval().flags, 0u) << "set 1 leaves the evaluation copy";
    n->SetTransformInheritType(2);
    EXPECT_EQ(reader->GetPivotEval().inheritType, 2);
    n->ResetPropertyDefaults();
    EXPECT_EQ(reader->GetPivotVector(1, KScnNodePivotSet::eRotationPivot), KgeTVector(0.0, 0.0, 0.0, 1.0));
    EXPECT_EQ(reader->GetPivotEval().inheritType, eInheritRrSs);
}

// The local transform is written and read without making the handles that
// wait (a read sets it on every model): the property, the default take and,
// once the handles are made, the handle show the value, as if written
// through the handle; a property renamed away is not found either way.
TEST(KScnNodeDeferred, LocalTransformWrittenWithoutMakingTheHandles)
{
    const struct
    {
        const char* property; // as named when the value is read back
        const char* channel;  // its channel in the default take, null when not looked at
        std::function<void(KScnNode*)> set;
        double expected[3];
    } rows[] = {
        {"Lcl Translation", "T", [](KScnNode* n) { n->SetLocalTranslation(1, 2, 3); }, {1, 2, 3}},
        {"Lcl Rotation", "R", [](KScnNode* n) { n->SetLocalRotation(4, 5, 6); }, {4, 5, 6}},
        {"Lcl Scaling", "S", [](KScnNode* n) { n->SetLocalScaling(7, 8, 9); }, {7, 8, 9}},
        {"Lcl Offset", nullptr,
         [](KScnNode* n)
         {
             n->GetNodeProperties()->FindProperty("Lcl Translation")->SetName("Lcl Offset");
             n->SetLocalTranslation(1, 2, 3);
         },
         {0, 0, 0}},
    };
    for (const auto& row : rows)
    for (const bool built : {false, true})
    {
        SCOPED_TRACE(std::string(row.property) + (built ? ", default take built" : ", default take waiting"));
        KScnSdkManager manager;
        KScnNode* n = manager.CreateNode("n");
        const int waiting = n->GetDeferredUserPropertyCount();
        ASSERT_GT(waiting, 0);
        if (built)
        {
            ASSERT_NE(n->AddTakeNode("Run"), nullptr); // the value is pushed to the built tree
        }
        row.set(n);
        KgeTVector translation;
        n->GetLocalTranslation(translation);
        // A count, and a look-up of a name no handle has, make none either.
        EXPECT_EQ(n->GetUserPropertyCount(), waiting);
        EXPECT_EQ(n->FindUserPropertyByName("No such property"), nullptr);
        EXPECT_EQ(n->GetDeferredUserPropertyCount(), waiting) << "no handle made";
        double v[4] = {};
        n->GetNodeProperties()->FindProperty(row.property)->GetAsDoubles(v);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(v[k], row.expected[k]) << k;
        if (std::string(row.property) == "Lcl Translation")
        {
            EXPECT_EQ(translation.mData[1], 2.0) << "read back without a handle";
        }
        if (row.channel != nullptr)
        {
            const KFCurveNode* channel = static_cast<const KScnTakeNodeEntry*>(n->GetDefaultTakeNode())
                                             ->GetRootCurveNode()
                                             ->FindDescendant(row.channel);
            ASSERT_NE(channel, nullptr);
            EXPECT_EQ(channel->GetChildAt(2)->GetFCurve()->GetDefaultValue(), float(row.expected[2]));
            if (built)
            {
                const KFCurveNode* run = static_cast<const KScnTakeNodeEntry*>(n->GetTakeNode(1))
                                             ->GetRootCurveNode()
                                             ->FindDescendant(row.channel);
                EXPECT_EQ(run->GetChildAt(2)->GetFCurve()->GetDefaultValue(), row.channel[0] == 'S' ? 1.0f : 0.0f)
                    << "the take keeps the value it started with";
            }
        }
        KScnPropertyRef* handle = n->FindUserPropertyByName(row.property);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(n->GetDeferredUserPropertyCount(), waiting - 1) << "the handle asked for is made alone";
        double h[4] = {};
        handle->GetProperty()->GetAsDoubles(h);
        EXPECT_EQ(h[1], row.expected[1]);
    }
}

// A handle asked for by index, name or kernel property while the others wait is made alone, up to seven;
// the eighth makes all. A handle destroyed keeps its place taken; a look-up finds no other. The list, the
// count and the manager's handles end as on a node that made them at once.
TEST(KScnNodeDeferred, HandlesAskedForAloneAreMadeAlone)
{
    KScnSdkManager eagerManager, lazyManager;
    KScnNode* eager = eagerManager.CreateNode("n");
    eager->MakeDeferred();
    KScnNode* lazy = lazyManager.CreateNode("n");
    const int waiting = lazy->GetDeferredUserPropertyCount();
    for (const auto& [n, m] : {std::pair{eager, &eagerManager}, std::pair{lazy, &lazyManager}})
    {
        for (int i : {n->GetUserPropertyCount() - 1, 2, 30, 2}) // the last is "Visibility"
            ASSERT_NE(n->GetUserProperty(i), nullptr) << i;
        EXPECT_EQ(n->GetUserProperty(n->GetUserPropertyCount()), nullptr);
        EXPECT_EQ(n->GetUserProperty(-1), nullptr);
        ASSERT_NE(n->FindUserPropertyByName("Lcl Translation"), nullptr);
        ASSERT_NE(n->FindUserProperty(n->GetNodeProperties()->FindProperty("Lcl Rotation")), nullptr);
        ASSERT_NE(m->FindUserProperty("Lcl Scaling"), nullptr);
        ASSERT_TRUE(m->DestroyUserProperty(n->FindUserPropertyByName("Visibility")));
        EXPECT_EQ(n->FindUserPropertyByName("Visibility"), nullptr);
        ASSERT_NE(n->GetUserProperty(40), nullptr);
    }
    EXPECT_EQ(lazy->GetDeferredUserPropertyCount(), waiting - 7);
    ASSERT_EQ(lazy->GetUserPropertyCount(), eager->GetUserPropertyCount());
    EXPECT_EQ(lazyManager.GetUserPropertyCount(), eagerManager.GetUserPropertyCount());
    ASSERT_NE(lazy->GetUserProperty(50), nullptr);
    EXPECT_EQ(lazy->GetDeferredUserPropertyCount(), 0) << "the eighth made all";
    for (int i = 0; i < eager->GetUserPropertyCount(); ++i)
    {
        ASSERT_NE(lazy->GetUserProperty(i), nullptr) << i;
        EXPECT_STREQ(lazy->GetUserProperty(i)->GetName(), eager->GetUserProperty(i)->GetName()) << i;
    }
    EXPECT_TRUE(lazyManager.DestroyNode(lazy));
    EXPECT_EQ(lazyManager.GetUserPropertyCount(), 0);
}
