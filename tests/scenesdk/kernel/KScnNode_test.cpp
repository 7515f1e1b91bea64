// Scene nodes: properties, hierarchy, attributes, pivots and transforms.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenesdk;

namespace
{

class TestAttribute : public KScnNodeAttribute
{
public:
    TestAttribute(EAttributeKind kind, int marker = 0) : mKind(kind), mMarker(marker) {}
    EAttributeKind GetAttributeKind() const override { return mKind; }
    int GetMarkerType() const override { return mMarker; }
    KString GetTypeName() const override { return KString("Mesh"); }
    EAttributeKind mKind;
    int mMarker;
};

// ---- Independent matrix helpers (3x3, row vectors: A*B applies A first) ----
struct M3
{
    double m[3][3];
};

M3 Mul(const M3& a, const M3& b)
{
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

M3 Diag(double x, double y, double z)
{
    return M3{{{x, 0, 0}, {0, y, 0}, {0, 0, z}}};
}

// Rotation about one axis by degrees, for row vectors.
M3 Axis(int axis, double degrees)
{
    const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
    if (axis == 0)
        return M3{{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
    if (axis == 1)
        return M3{{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
    return M3{{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

// Euler rotation of an order: the first named axis turns first.
M3 Euler(int order, const double* deg)
{
    static const int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
    const int* ax = kAxes[order];
    return Mul(Mul(Axis(ax[0], deg[ax[0]]), Axis(ax[1], deg[ax[1]])), Axis(ax[2], deg[ax[2]]));
}

void ExpectNear(const M3& expected, const double* actual, const char* what)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(actual[4 * i + j], expected.m[i][j], 1e-6) << what << " [" << i << "][" << j << "]";
}

void SetChannels(KScnNode* node, const double* t, const double* r, const double* s)
{
    KScnTakeNodeEntry* take = node->GetCurrentTakeNode();
    KFCurve* curves[9] = {
        take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve(),
        take->GetRotationXCurve(),    take->GetRotationYCurve(),    take->GetRotationZCurve(),
        take->GetScalingXCurve(),     take->GetScalingYCurve(),     take->GetScalingZCurve()};
    const double* v[3] = {t, r, s};
    for (int i = 0; i < 9; ++i)
    {
        ASSERT_NE(curves[i], nullptr);
        curves[i]->SetDefaultValue(static_cast<float>(v[i / 3][i % 3]));
    }
}

class NodeTest : public ::testing::Test
{
protected:
    KScnSdkManager mManager;
};

} // namespace

TEST_F(NodeTest, NewNodeNamesAndPropertyDefaults)
{
    KScnNode* node = mManager.CreateNode("Material::Cube");
    EXPECT_STREQ(node->GetName(), "Model::Cube");
    EXPECT_STREQ(mManager.CreateNode("")->GetName(), "Model::Name");
    EXPECT_EQ(node->GetObjectKind(), 1);
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Null");
    EXPECT_EQ(node->GetTypeNameList().GetCount(), 1);

    KScnNodeProperties* p = node->GetNodeProperties();
    EXPECT_TRUE(p->IsA(KScnNodeProperties::ClassId));
    EXPECT_TRUE(p->IsA(KScnPropertyHandler::ClassId));
    EXPECT_STREQ(p->GetClassName(), "KScnNodeProperties");
    EXPECT_STREQ(p->GetProperty(0)->GetName(), "QuaternionInterpolate");
    EXPECT_STREQ(p->GetProperty(p->GetPropertyCount() - 1)->GetName(), "Visibility");
    EXPECT_EQ(p->GetPropertyIndex(p->FindProperty("Lcl Translation")), p->GetPropertyCount() - 4);
    EXPECT_TRUE(p->Show.GetValue());
    EXPECT_TRUE(p->NegativePercentShapeSupport.GetValue());
    EXPECT_EQ(p->FindProperty("Visibility")->GetDouble(), 1.0);
    EXPECT_EQ(p->AxisLen.GetValue(), 10.0);
    double scaling[4] = {};
    p->FindProperty("Lcl Scaling")->GetAsDoubles(scaling);
    EXPECT_EQ(scaling[0], 1.0);
    EXPECT_EQ(scaling[2], 1.0);
    for (const char* flag : {"TranslationMinX", "TranslationMaxZ", "RotationMinY", "ScalingMaxX",
                             "TranslationActive", "RotationActive", "ScalingActive"})
    {
        EXPECT_EQ(p->FindProperty(flag)->GetInt(), 0) << flag;
    }
    EXPECT_EQ(p->RotationOrder.GetValue(), eEulerXYZ);
    EXPECT_STREQ(p->RotationOrder.GetEnumName(0), "Euler XYZ");
    EXPECT_STREQ(p->InheritType.GetEnumName(1), "RrSs");
    EXPECT_STREQ(p->InheritType.GetEnumName(2), "Rrs");
    EXPECT_EQ(GetRotationOrderName(7), nullptr);
    EXPECT_TRUE(p->FindProperty("Lcl Rotation")->IsAnimatable());
    EXPECT_TRUE(p->RotationPivotUpdateOffset.TestStateFlags(16));

    p->RotationPivot.SetValue(KgeTVector(1, 2, 3, 9));
    KScnPropertyRef* pivot = node->FindUserPropertyByName("RotationPivot");
    ASSERT_NE(pivot, nullptr);
    pivot->SetVector(1, 2, 3);
    EXPECT_EQ(p->RotationPivot.GetValue()[3], 1.0);
    EXPECT_EQ(node->FindUserPropertyByName("Lcl Translation")->GetPropertyDataType(), eUserPropVector);
    EXPECT_EQ(node->GetUserPropertyCount(), p->GetPropertyCount());

    // The pivot sets start reset.
    EXPECT_EQ(node->GetPivotVector(0, KScnNodePivotSet::eGeometricScaling)[0], 1.0);
    EXPECT_EQ(node->GetPivotState(1), 1);
    EXPECT_EQ(node->GetPivotVector(2, 0)[3], 0.0) << "a bad set reads as zero";
}

// The pivot sets are made when first changed: reads before see the reset
// values and make nothing, and a change stays with its node.
TEST_F(NodeTest, PivotSetsAreMadeOnFirstChange)
{
    KScnNode* a = mManager.CreateNode("A");
    KScnNode* b = mManager.CreateNode("B");
    const KScnNodeProperties& pa = *a->GetNodeProperties();
    EXPECT_EQ(a->GetPivotState(0), 1);
    EXPECT_EQ(a->GetRotationOrder(0), eEulerXYZ);
    EXPECT_EQ(a->GetPivotVector(0, KScnNodePivotSet::eGeometricScaling)[1], 1.0);
    a->ResetPropertyDefaults();
    EXPECT_FALSE(pa.HasPivotSet(0));
    EXPECT_FALSE(pa.HasPivotSet(1));

    a->SetRotationPivot(0, KgeTVector(1, 2, 3, 1));
    a->SetRotationOrder(1, eEulerZYX);
    EXPECT_TRUE(pa.HasPivotSet(0));
    EXPECT_TRUE(pa.HasPivotSet(1));
    EXPECT_EQ(a->GetRotationPivot(0)[2], 3.0);
    EXPECT_EQ(a->GetRotationOrder(1), eEulerZYX);
    EXPECT_EQ(b->GetRotationPivot(0)[2], 0.0);
    EXPECT_EQ(b->GetRotationOrder(1), eEulerXYZ);
    EXPECT_FALSE(b->GetNodeProperties()->HasPivotSet(0));
    a->ResetPropertyDefaults();
    EXPECT_EQ(a->GetRotationPivot(0)[2], 0.0);
    EXPECT_EQ(a->GetRotationOrder(1), eEulerXYZ);
}

TEST(KgeAffineMultiplyTest, ComposesAndAllowsAliasing)
{
    double a[16], b[16], out[16];
    KgeMatrixIdentity(a);
    KgeMatrixFromEulerXYZ(a, 0, 0, 90);
    KgeMatrixSetTranslation(a, 1, 2, 3);
    KgeMatrixIdentity(b);
    KgeMatrixSetTranslation(b, 1, 0, 0);
    KgeAffineMultiply(out, a, b);
    // (1, 0, 0) rotated by 90 degrees about z gives (0, 1, 0), then + (1, 2, 3).
    EXPECT_NEAR(out[12], 1.0, 1e-12);
    EXPECT_NEAR(out[13], 3.0, 1e-12);
    EXPECT_NEAR(out[14], 3.0, 1e-12);
    KgeAffineMultiply(a, a, b);
    for (int i = 0; i < 15; ++i)
        if (i % 4 != 3)
        {
            EXPECT_NEAR(a[i], out[i], 1e-12) << i;
        }
    EXPECT_TRUE(std::isinf(KGE_POSITIVE_INFINITY) && KGE_NEGATIVE_INFINITY < 0);
}

TEST_F(NodeTest, HierarchyThroughConnections)
{
    KScnNode* root = mManager.CreateNode("root");
    KScnNode* a = mManager.CreateNode("a");
    KScnNode* b = mManager.CreateNode("b");
    KScnNode* leaf = mManager.CreateNode("leaf");
    EXPECT_FALSE(root->AddChild(nullptr));
    ASSERT_TRUE(root->AddChild(a));
    ASSERT_TRUE(root->AddChild(b));
    ASSERT_TRUE(a->AddChild(leaf));
    EXPECT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(root->GetChildCount(true), 3);
    EXPECT_EQ(leaf->GetChildCount(true), 0);
    EXPECT_EQ(root->GetChild(1), b);
    EXPECT_EQ(root->GetChild(2), nullptr);
    EXPECT_EQ(root->GetChild(-1), nullptr);
    EXPECT_EQ(leaf->GetParent(), a);
    EXPECT_EQ(root->GetParent(), nullptr);
    EXPECT_EQ(root->FindChild("leaf"), leaf);
    EXPECT_EQ(root->FindChild("leaf", false), nullptr);
    EXPECT_EQ(root->FindChild("Texture::leaf"), leaf) << "any prefix becomes Model::";
    EXPECT_EQ(root->FindChild("leaf", true, true), leaf) << "the manager gives the prefix to both names";
    leaf->SetName("renamed");
    EXPECT_EQ(root->FindChild("renamed", true, true), nullptr);
    EXPECT_EQ(root->FindChild("renamed"), leaf);
    EXPECT_EQ(root->FindChild("leaf", true, true), leaf);

    // Moving: the old parent loses it, the new parent has it last.
    ASSERT_TRUE(b->AddChild(mManager.CreateNode("first")));
    ASSERT_TRUE(b->AddChild(leaf));
    EXPECT_EQ(a->GetChildCount(), 0);
    EXPECT_EQ(b->GetChildCount(), 2);
    EXPECT_EQ(b->GetChild(1), leaf);
    EXPECT_EQ(leaf->GetParent(), b);

    // Cycles are refused and change nothing.
    EXPECT_FALSE(leaf->AddChild(root));
    EXPECT_EQ(leaf->GetError().GetLastErrorID(), KScnNode::eErrorCyclicGraph);
    EXPECT_FALSE(leaf->AddChild(leaf));
    EXPECT_FALSE(leaf->GetNodeProperties()->ConnectSrc(b->GetNodeProperties()))
        << "raw connection refused too";
    EXPECT_EQ(leaf->GetChildCount(), 0);
    EXPECT_EQ(b->GetParent(), root);

    EXPECT_EQ(b->RemoveChild(leaf), leaf);
    EXPECT_EQ(b->RemoveChild(leaf), nullptr);
    EXPECT_EQ(leaf->GetParent(), nullptr);

    root->AddChildName("Model::x");
    EXPECT_EQ(root->GetChildNameCount(), 1);
    EXPECT_STREQ(root->GetChildName(0), "Model::x");
    EXPECT_EQ(root->GetChildName(1), nullptr);

    // Targets connect to the look-at and up-vector lists once.
    root->SetTarget(leaf);
    root->SetTarget(leaf);
    root->SetTargetUp(a);
    root->SetTarget(nullptr);
    EXPECT_EQ(root->GetTarget(), leaf);
    EXPECT_EQ(root->GetTargetUp(), a);
    EXPECT_EQ(root->GetNodeProperties()->LookAtProperty->GetCount(), 1);
    EXPECT_EQ(leaf->GetParent(), nullptr) << "a target is not a child";

    const int before = mManager.GetNodeCount();
    EXPECT_TRUE(mManager.DestroyNode(b, true));
    EXPECT_EQ(mManager.GetNodeCount(), before - 2);
    EXPECT_EQ(root->GetChildCount(), 1);
    EXPECT_FALSE(mManager.DestroyNode(b));
}

TEST_F(NodeTest, AttributesMoveBetweenNodes)
{
    KScnNode* n1 = mManager.CreateNode("n1");
    KScnNode* n2 = mManager.CreateNode("n2");
    TestAttribute mesh(KScnNodeAttribute::eMesh);
    TestAttribute light(KScnNodeAttribute::eLight);
    TestAttribute marker(KScnNodeAttribute::eMarker, 2);
    EXPECT_EQ(n1->SetNodeAttribute(&mesh), nullptr);
    EXPECT_EQ(n1->GetMesh(), &mesh);
    EXPECT_EQ(n1->GetGeometry(), &mesh);
    EXPECT_EQ(n1->GetCamera(), nullptr);
    EXPECT_STREQ(n1->GetTypeName().Buffer(), "Mesh");
    EXPECT_EQ(n1->SetNodeAttribute(&mesh), nullptr) << "already this node's";
    EXPECT_EQ(n1->GetNodeAttribute(), &mesh);

    EXPECT_EQ(n2->SetNodeAttribute(&mesh), nullptr);
    EXPECT_EQ(n1->GetNodeAttribute(), nullptr);
    EXPECT_EQ(mesh.GetNode(), n2);

    EXPECT_EQ(n2->SetNodeAttribute(&light), &mesh);
    EXPECT_EQ(mesh.GetNode(), nullptr);
    EXPECT_EQ(n2->GetMultiTake(), 0);
    EXPECT_FALSE(n2->GetMultiLayer());
    n2->SetNodeAttribute(&marker);
    EXPECT_TRUE(n2->GetMultiLayer());
    EXPECT_EQ(n2->GetMultiTake(), 1);
    EXPECT_EQ(n2->GetMarker(), &marker);
    n2->SetNodeAttribute(nullptr);
    EXPECT_EQ(marker.GetNode(), nullptr);
}

TEST_F(NodeTest, PivotSetsAndEvaluationCopy)
{
    KScnNode* n = mManager.CreateNode("n");
    n->SetRotationOrder(0, 5);
    EXPECT_EQ(n->GetRotationOrder(0), 5);
    EXPECT_EQ(n->GetRotationRecord().eulerCode, 10);
    n->SetRotationOrder(1, 3);
    EXPECT_EQ(n->GetRotationRecord().eulerCode, 10);
    n->SetRotationOrder(0, 9);
    EXPECT_EQ(n->GetRotationOrder(0), 5);

    n->SetTranslationOffset(0, KgeTVector(0, 0, 1e-9));
    EXPECT_EQ(n->GetPivotEval().flags & 1u, 1u);
    n->SetTranslationOffset(0, KgeTVector(0, 0, 0));
    EXPECT_EQ(n->GetPivotEval().flags & 1u, 0u);
    n->SetScalingPivot(1, KgeTVector(1, 1, 1));
    EXPECT_EQ(n->GetPivotEval().flags & 8u, 0u) << "set 1 leaves the evaluation copy";
    n->SetPreRotation(0, KgeTVector(0, 0, 90));
    EXPECT_EQ(n->GetRotationRecord().flags & 1u, 1u);
    EXPECT_NEAR(n->GetRotationRecord().preRotation[1], 1.0, 1e-12);

    n->SetTransformInheritType(2);
    EXPECT_EQ(n->GetTransformInheritType(), 2);
    n->SetTransformInheritType(7);
    EXPECT_EQ(n->GetTransformInheritType(), 2);

    // Properties that differ from the defaults reach set 0 and the limits.
    KScnNodeProperties* p = n->GetNodeProperties();
    p->RotationOrder.SetValue(eEulerYZX);
    p->RotationPivot.SetValue(KgeTVector(1, 2, 3));
    p->TranslationMinX.SetValue(true);
    p->TranslationMin.SetValue(KgeTVector(-5, 0, 0));
    n->UpdatePivotsFromProperties();
    EXPECT_EQ(n->GetRotationOrder(0), eEulerYZX);
    EXPECT_EQ(n->GetRotationPivot(0)[2], 3.0);
    EXPECT_EQ(n->GetPivotState(0), 0);
    EXPECT_EQ(n->GetLimits().GetLimitRecord(KScnNodeLimits::eTranslation).flags & 2u, 2u);
}

TEST_F(NodeTest, LocalTransformAndLimits)
{
    KScnNode* n = mManager.CreateNode("n");
    n->SetLocalTranslation(1, -20, 3);
    n->SetLocalRotation(30, 45, 60);
    n->SetLocalScaling(2, 3, 4);
    KgeTVector t;
    n->GetLocalTranslation(t);
    EXPECT_EQ(t[1], -20.0);
    n->GetLimits().GetTranslationLimits().SetMinActive(false, true, false);
    n->GetLimits().GetTranslationLimits().SetMin(KgeTVector(0, -10, 0));
    const double* m = n->ComputeLocalTransform();
    const double r[3] = {30, 45, 60};
    ExpectNear(Mul(Diag(2, 3, 4), Euler(0, r)), m, "local");
    EXPECT_DOUBLE_EQ(m[12], 1.0);
    EXPECT_DOUBLE_EQ(m[13], -10.0) << "clamped to the minimum";
    EXPECT_DOUBLE_EQ(m[14], 3.0);
}

TEST_F(NodeTest, RotationOrderAndPreRotationNeedRotationActive)
{
    const double r[3] = {20, -35, 50};
    const double t[3] = {0, 0, 0}, s[3] = {1, 1, 1};
    for (int order = 0; order < 6; ++order)
    {
        KScnNode* n = mManager.CreateNode("n");
        SetChannels(n, t, r, s);
        n->SetRotationOrder(0, order);
        n->SetPreRotation(0, KgeTVector(10, 0, 0));
        n->SetPostRotation(0, KgeTVector(0, 0, 15));
        ExpectNear(Euler(0, r), n->ComputeGlobalTransform(), "inactive: plain XYZ");
        n->GetLimits().SetRotationActive(true);
        n->SelectTakeNodeByIndex(0);
        const double pre[3] = {10, 0, 0}, post[3] = {0, 0, -15};
        // Transposed post-rotation first, then the Euler rotation, then the pre-rotation.
        const M3 expected = Mul(Mul(Euler(0, post), Euler(order, r)), Euler(0, pre));
        ExpectNear(expected, n->ComputeGlobalTransform(), ("order " + std::to_string(order)).c_str());
        mManager.DestroyNode(n);
    }
}

TEST_F(NodeTest, GlobalTransformPerInheritType)
{
    const double pt[3] = {5, -2, 1}, pr[3] = {10, 20, 30}, ps[3] = {2, 3, 0.5};
    const double ct[3] = {1, 2, 3}, cr[3] = {-40, 15, 70}, cs[3] = {1.5, 0.25, 4};
    for (int inherit = 0; inherit < 3; ++inherit)
    {
        KScnNode* parent = mManager.CreateNode("p");
        KScnNode* child = mManager.CreateNode("c");
        ASSERT_TRUE(parent->AddChild(child));
        SetChannels(parent, pt, pr, ps);
        SetChannels(child, ct, cr, cs);
        child->SetTransformInheritType(inherit);
        const double* g = child->ComputeGlobalTransform();
        M3 expected;
        if (inherit == 0)
            expected =
                Mul(Diag(cs[0] * ps[0], cs[1] * ps[1], cs[2] * ps[2]), Mul(Euler(0, cr), Euler(0, pr)));
        else if (inherit == 1)
            expected = Mul(Mul(Mul(Diag(cs[0], cs[1], cs[2]), Euler(0, cr)), Diag(ps[0], ps[1], ps[2])),
                           Euler(0, pr));
        else
            expected = Mul(Mul(Diag(cs[0], cs[1], cs[2]), Euler(0, cr)), Euler(0, pr));
        ExpectNear(expected, g, ("inherit " + std::to_string(inherit)).c_str());
        // The translation is the child's local point carried by the parent's matrix.
        const M3 pm = Mul(Diag(ps[0], ps[1], ps[2]), Euler(0, pr));
        for (int j = 0; j < 3; ++j)
        {
            const double e = ct[0] * pm.m[0][j] + ct[1] * pm.m[1][j] + ct[2] * pm.m[2][j] + pt[j];
            EXPECT_NEAR(g[12 + j], e, 1e-6) << inherit << " " << j;
        }
        mManager.DestroyNode(parent, true);
    }
}

TEST_F(NodeTest, PivotOffsetMovesTheRotationCentre)
{
    KScnNode* n = mManager.CreateNode("n");
    const double t[3] = {0, 0, 0}, r[3] = {0, 0, 90}, s[3] = {1, 1, 1};
    SetChannels(n, t, r, s);
    n->SetRotationPivot(0, KgeTVector(1, 0, 0));
    const double* g = n->ComputeGlobalTransform();
    // Rotating about (1, 0, 0): the origin goes to (1, -1, 0).
    EXPECT_NEAR(g[12], 1.0, 1e-6);
    EXPECT_NEAR(g[13], -1.0, 1e-6);
}

TEST_F(NodeTest, TransformsFollowTheCurrentTakeAndCache)
{
    KScnNode* n = mManager.CreateNode("n");
    n->SetLocalTranslation(1, 2, 3);
    ASSERT_NE(n->AddTakeNode("Walk"), nullptr);
    EXPECT_DOUBLE_EQ(n->ComputeGlobalTransform()[12], 1.0);
    ASSERT_TRUE(n->SelectTakeNodeByName("Walk"));
    n->GetCurrentTakeNode()->GetTranslationXCurve()->SetDefaultValue(7.0f);
    EXPECT_DOUBLE_EQ(n->ComputeGlobalTransform()[12], 7.0);
    ASSERT_TRUE(n->SelectTakeNodeByIndex(0));
    EXPECT_DOUBLE_EQ(n->ComputeGlobalTransform()[12], 1.0) << "the default take keeps its value";

    // A later change is not seen until a take is made current again.
    n->SetLocalTranslation(4, 2, 3);
    EXPECT_DOUBLE_EQ(n->ComputeGlobalTransform()[12], 1.0);
    n->SelectTakeNodeByIndex(0);
    EXPECT_DOUBLE_EQ(n->ComputeGlobalTransform()[12], 4.0);

    // Selecting a take on a parent refreshes its children too.
    KScnNode* child = mManager.CreateNode("c");
    n->AddChild(child);
    EXPECT_DOUBLE_EQ(child->ComputeGlobalTransform()[12], 4.0);
    n->SetLocalTranslation(6, 0, 0);
    n->SelectTakeNodeByIndex(0);
    EXPECT_DOUBLE_EQ(child->ComputeGlobalTransform()[12], 6.0);
}

TEST_F(NodeTest, VisibilityAndDefaultTakeChannels)
{
    KScnNode* n = mManager.CreateNode("n");
    n->SetVisibility(false);
    EXPECT_FALSE(n->GetVisibility());
    EXPECT_EQ(n->GetNodeProperties()->FindProperty("Visibility")->GetDouble(), 0.0);
    KScnTakeNodeEntry* take = n->GetDefaultTakeNode();
    ASSERT_NE(take->GetScalingYCurve(), nullptr);
    EXPECT_EQ(take->GetScalingYCurve()->GetDefaultValue(), 1.0f);
    // A curve of the default take writes back into its property.
    take->GetRotationZCurve()->SetDefaultValue(33.0f);
    double r[4] = {};
    n->GetNodeProperties()->FindProperty("Lcl Rotation")->GetAsDoubles(r);
    EXPECT_EQ(r[2], 33.0);
    EXPECT_EQ(n->GetShadingMode(), 3);
}

TEST_F(NodeTest, UserPropertiesFromDefinitions)
{
    KScnNode* n = mManager.CreateNode("n");
    const int before = n->GetUserPropertyCount();
    EXPECT_EQ(n->InstantiateHandlerProperties(), 0) << "already instantiated";

    KScnPropertyRef* speed = mManager.CreateUserProperty("Speed", "Real", "Top speed");
    speed->SetFlag(KScnPropertyRef::kFlagAnimatable, true);
    speed->SetMaxLimit(9.0);
    KProperty* made = n->CreatePropertyForRef(speed);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(n->CreatePropertyForRef(speed), nullptr) << "a handle keeps its one property";
    EXPECT_EQ(speed->GetProperty(), made);
    EXPECT_EQ(made->GetTypeCode(), eKPropDouble);
    EXPECT_STREQ(made->GetLabel(), "Top speed");
    EXPECT_EQ(made->GetMax(), 9.0);
    EXPECT_TRUE(made->IsAnimatable());
    EXPECT_EQ(n->GetNodeProperties()->FindProperty("Speed"), made);

    n->AddUserProperty(speed);
    EXPECT_EQ(n->GetUserPropertyCount(), before + 1);
    ASSERT_NE(n->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Speed"), nullptr)
        << "an animatable user property gets its channel";
    speed->SetDouble(4.0);
    double v = 0.0;
    speed->GetDouble(v);
    EXPECT_EQ(v, 4.0);

    EXPECT_TRUE(n->RemovePropertyForRef(speed));
    EXPECT_FALSE(n->RemovePropertyForRef(speed));
    EXPECT_EQ(speed->GetProperty(), nullptr);
    EXPECT_EQ(n->GetNodeProperties()->FindProperty("Speed"), nullptr);
    EXPECT_EQ(n->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Speed"), nullptr);
    EXPECT_STREQ(speed->GetName(), "Speed") << "the record is left";
    EXPECT_EQ(n->GetUserPropertyCount(), before + 1) << "and stays a user property";
    ASSERT_NE(n->CreatePropertyForRef(speed), nullptr) << "made again";
    ASSERT_NE(n->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Speed"), nullptr);
    speed->SetDouble(5.0);
    EXPECT_EQ(n->GetDefaultTakeNode()->GetRootCurveNode()->FindDescendant("Speed")->GetFCurve()->GetDefaultValue(),
              5.0f)
        << "its new channel follows it";

    KScnPropertyRef* odd = mManager.CreateUserProperty("Odd", "Matrix", "");
    EXPECT_EQ(n->CreatePropertyForRef(odd), nullptr) << "unidentified type";
    EXPECT_EQ(n->CreatePropertyForRef(nullptr), nullptr);
}

TEST(KScnTakeNodeContainerRefs, WithoutManagerTheContainerOwnsItsHandles)
{
    // A stack node without a manager: its handles go with it (checked by the leak checker).
    KScnFree<KScnNode> node;
    EXPECT_GT(node.GetUserPropertyCount(), 0);
    EXPECT_EQ(node.GetSdkManager(), nullptr);
    node.SetLocalTranslation(1, 2, 3);
    KgeTVector t;
    EXPECT_EQ(node.GetLocalTranslation(t)[2], 3.0);
}
