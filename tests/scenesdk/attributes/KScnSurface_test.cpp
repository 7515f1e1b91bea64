#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"

#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"

#include <gtest/gtest.h>

#include <climits>

using namespace scenesdk;

namespace
{

TEST(Nurb, NewSurfaceIsOpenWithoutKnots)
{
    KScnFree<KScnNurb> nurb;
    EXPECT_EQ(nurb.GetAttributeKind(), KScnNodeAttribute::eNurb);
    EXPECT_STREQ(nurb.GetTypeName().Buffer(), "Nurb");
    EXPECT_EQ(nurb.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(nurb.GetNurbUType(), KScnNurb::eOpen);
    EXPECT_EQ(nurb.GetNurbVType(), KScnNurb::eOpen);
    EXPECT_EQ(nurb.GetUKnotVector(), nullptr);
    EXPECT_EQ(nurb.GetVKnotVector(), nullptr);
    EXPECT_EQ(nurb.GetUMultiplicityVector(), nullptr);
    EXPECT_EQ(nurb.GetVMultiplicityVector(), nullptr);
    EXPECT_EQ(nurb.GetUOrder(), 0);
    EXPECT_EQ(nurb.GetUStep(), 0);
    EXPECT_EQ(nurb.GetSurfaceMode(), 4);
    EXPECT_EQ(nurb.GetControlPointsCount(), 0);
}

TEST(Nurb, InitSizesPointsKnotsAndMultiplicities)
{
    KScnFree<KScnNurb> nurb;
    nurb.SetOrder(4, 4);
    ASSERT_TRUE(nurb.InitControlPoints(6, KScnNurb::eOpen, 5, KScnNurb::ePeriodic));
    EXPECT_EQ(nurb.GetControlPointsCount(), 30);
    EXPECT_EQ(nurb.GetUCount(), 6);
    EXPECT_EQ(nurb.GetVCount(), 5);
    EXPECT_EQ(nurb.GetNurbVType(), KScnNurb::ePeriodic);
    EXPECT_EQ(nurb.GetUKnotCount(), 10);
    EXPECT_EQ(nurb.GetVKnotCount(), 12);
    ASSERT_NE(nurb.GetUKnotVector(), nullptr);
    ASSERT_NE(nurb.GetVKnotVector(), nullptr);
    nurb.GetUKnotVector()[9] = 1.0; // the whole vector is writable
    nurb.GetVKnotVector()[11] = 1.0;
    ASSERT_NE(nurb.GetUMultiplicityVector(), nullptr);
    ASSERT_NE(nurb.GetVMultiplicityVector(), nullptr);
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(nurb.GetUMultiplicityVector()[i], 1);
    }
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(nurb.GetVMultiplicityVector()[i], 1);
    }
    nurb.SetStep(8, 9);
    EXPECT_EQ(nurb.GetUStep(), 8);
    EXPECT_EQ(nurb.GetVStep(), 9);

    // A second init replaces the arrays with ones of the new sizes.
    nurb.SetOrder(2, 3);
    ASSERT_TRUE(nurb.InitControlPoints(2, KScnNurb::eClosed, 2, KScnNurb::eOpen));
    EXPECT_EQ(nurb.GetControlPointsCount(), 4);
    EXPECT_EQ(nurb.GetUKnotCount(), 5);
    EXPECT_EQ(nurb.GetVKnotCount(), 5);
    EXPECT_EQ(nurb.GetUKnotVector()[4], 0.0);
}

TEST(Nurb, KnotCountsFollowTheForm)
{
    EXPECT_EQ(KScnNurb::KnotCount(6, 4, KScnNurb::eOpen), 10);
    EXPECT_EQ(KScnNurb::KnotCount(5, 4, KScnNurb::ePeriodic), 12);
    EXPECT_EQ(KScnNurb::KnotCount(5, 4, KScnNurb::eClosed), 12);
    EXPECT_EQ(KScnNurb::KnotCount(5, 4, 7), 9); // unknown forms count as open
    EXPECT_EQ(KScnNurb::KnotCount(INT_MAX, 4, KScnNurb::eOpen), -1);
    EXPECT_EQ(KScnNurb::NurbTypeFromText("Periodic"), KScnNurb::ePeriodic);
    EXPECT_EQ(KScnNurb::NurbTypeFromText("Closed"), KScnNurb::eClosed);
    EXPECT_EQ(KScnNurb::NurbTypeFromText("Open"), KScnNurb::eOpen);
    EXPECT_EQ(KScnNurb::NurbTypeFromText("closed"), KScnNurb::eOpen);
    EXPECT_EQ(KScnNurb::NurbTypeFromText(nullptr), KScnNurb::eOpen);
}

TEST(Nurb, BadSizesAreRefusedAndChangeNothing)
{
    KScnFree<KScnNurb> nurb;
    nurb.SetOrder(3, 3);
    ASSERT_TRUE(nurb.InitControlPoints(3, KScnNurb::eOpen, 3, KScnNurb::eOpen));
    double* knots = nurb.GetUKnotVector();
    EXPECT_FALSE(nurb.InitControlPoints(-1, KScnNurb::eOpen, 3, KScnNurb::eOpen));
    EXPECT_FALSE(nurb.InitControlPoints(3, KScnNurb::eOpen, -2, KScnNurb::eOpen));
    EXPECT_FALSE(nurb.InitControlPoints(INT_MAX, KScnNurb::eOpen, 2, KScnNurb::eOpen));
    nurb.SetOrder(-5, 3);
    EXPECT_FALSE(nurb.InitControlPoints(3, KScnNurb::eOpen, 3, KScnNurb::eOpen));
    EXPECT_EQ(nurb.GetUKnotVector(), knots);
    EXPECT_EQ(nurb.GetControlPointsCount(), 9);
    EXPECT_EQ(nurb.GetUCount(), 3);
}

TEST(Patch, NewPatchAndInit)
{
    KScnFree<KScnPatch> patch;
    EXPECT_EQ(patch.GetAttributeKind(), KScnNodeAttribute::ePatch);
    EXPECT_STREQ(patch.GetTypeName().Buffer(), "Patch");
    EXPECT_EQ(patch.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(patch.GetPatchUType(), KScnPatch::eOther);
    EXPECT_EQ(patch.GetPatchVType(), KScnPatch::eOther);
    EXPECT_EQ(patch.GetUStep(), 0);
    EXPECT_EQ(patch.GetVStep(), 0);
    EXPECT_EQ(patch.GetSurfaceMode(), 4);
    EXPECT_FALSE(patch.GetUClosed() || patch.GetVClosed() || patch.GetUCappedBottom() ||
                 patch.GetUCappedTop() || patch.GetVCappedBottom() || patch.GetVCappedTop());

    ASSERT_TRUE(patch.InitControlPoints(4, KScnPatch::eBezier, 3, KScnPatch::eBSpline));
    EXPECT_EQ(patch.GetControlPointsCount(), 12);
    EXPECT_EQ(patch.GetUCount(), 4);
    EXPECT_EQ(patch.GetVCount(), 3);
    EXPECT_EQ(patch.GetPatchUType(), KScnPatch::eBezier);
    EXPECT_EQ(patch.GetPatchVType(), KScnPatch::eBSpline);

    patch.SetStep(2, 5);
    patch.SetClosed(true, false);
    patch.SetUCapped(false, true);
    patch.SetVCapped(true, false);
    EXPECT_EQ(patch.GetUStep(), 2);
    EXPECT_EQ(patch.GetVStep(), 5);
    EXPECT_TRUE(patch.GetUClosed());
    EXPECT_FALSE(patch.GetVClosed());
    EXPECT_FALSE(patch.GetUCappedBottom());
    EXPECT_TRUE(patch.GetUCappedTop());
    EXPECT_TRUE(patch.GetVCappedBottom());
    EXPECT_FALSE(patch.GetVCappedTop());

    EXPECT_FALSE(patch.InitControlPoints(-4, KScnPatch::eBezier, 3, KScnPatch::eBezier));
    EXPECT_FALSE(patch.InitControlPoints(INT_MAX, KScnPatch::eBezier, 3, KScnPatch::eBezier));
    EXPECT_EQ(patch.GetControlPointsCount(), 12);
    EXPECT_EQ(patch.GetUCount(), 4);
}

TEST(Patch, TypeTextsMapToTypes)
{
    EXPECT_EQ(KScnPatch::PatchTypeFromText("Bezier"), KScnPatch::eBezier);
    EXPECT_EQ(KScnPatch::PatchTypeFromText("BezierQuadric"), KScnPatch::eBezierQuadric);
    EXPECT_EQ(KScnPatch::PatchTypeFromText("Cardinal"), KScnPatch::eCardinal);
    EXPECT_EQ(KScnPatch::PatchTypeFromText("BSpline"), KScnPatch::eBSpline);
    EXPECT_EQ(KScnPatch::PatchTypeFromText("Linear"), KScnPatch::eOther);
    EXPECT_EQ(KScnPatch::PatchTypeFromText(nullptr), KScnPatch::eOther);
}

TEST(OpticalReference, IsAMarkerLikeAttribute)
{
    KScnFree<KScnOpticalReference> reference;
    EXPECT_EQ(reference.GetAttributeKind(), KScnNodeAttribute::eOpticalReference);
    EXPECT_STREQ(reference.GetTypeName().Buffer(), "Optical");
    KStringList names = reference.GetTypeNameList();
    ASSERT_EQ(names.GetCount(), 1);
    EXPECT_STREQ(names.GetStringAt(0), "Marker");

    KScnFree<KScnNode> node(nullptr, "Model::ref");
    node.SetNodeAttribute(&reference);
    EXPECT_EQ(reference.GetNode(), &node);
    EXPECT_EQ(node.GetGeometry(), nullptr);
    node.SetNodeAttribute(nullptr);
    EXPECT_EQ(reference.GetNode(), nullptr);
}

TEST(Surface, NodeSeesPatchAndNurbAsGeometry)
{
    KScnFree<KScnNurb> nurb;
    KScnFree<KScnPatch> patch;
    KScnFree<KScnNode> a(nullptr, "Model::a");
    KScnFree<KScnNode> b(nullptr, "Model::b");
    a.SetNodeAttribute(&nurb);
    b.SetNodeAttribute(&patch);
    EXPECT_EQ(a.GetNurb(), &nurb);
    EXPECT_EQ(a.GetGeometry(), &nurb);
    EXPECT_EQ(b.GetPatch(), &patch);
    EXPECT_EQ(b.GetGeometry(), &patch);
    a.SetNodeAttribute(nullptr);
    b.SetNodeAttribute(nullptr);
}

} // namespace
