#include "scenesdk/attributes/KScnLink.h"

#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scenesdk;

namespace
{

constexpr double kPi = 3.14159265358979323846;

// Builds a transform by hand: rows of Rx(x) Ry(y) Rz(z) (row vectors, angles
// in degrees) scaled by s row by row, translation t in the fourth row.
KgeTransformMatrix Compose(const double t[3], const double r[3], const double s[3])
{
    const double x = r[0] * kPi / 180.0;
    const double y = r[1] * kPi / 180.0;
    const double z = r[2] * kPi / 180.0;
    const double rx[3][3] = {{1, 0, 0}, {0, std::cos(x), std::sin(x)}, {0, -std::sin(x), std::cos(x)}};
    const double ry[3][3] = {{std::cos(y), 0, -std::sin(y)}, {0, 1, 0}, {std::sin(y), 0, std::cos(y)}};
    const double rz[3][3] = {{std::cos(z), std::sin(z), 0}, {-std::sin(z), std::cos(z), 0}, {0, 0, 1}};
    double xy[3][3] = {};
    double xyz[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                xy[i][j] += rx[i][k] * ry[k][j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                xyz[i][j] += xy[i][k] * rz[k][j];
    KgeTransformMatrix m;
    for (int i = 0; i < 3; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            m[4 * i + j] = xyz[i][j] * s[i];
        }
        m[12 + i] = t[i];
    }
    return m;
}

void ExpectVector(const KgeTVector& v, double x, double y, double z, double w = 1.0)
{
    EXPECT_NEAR(v[0], x, 1e-9);
    EXPECT_NEAR(v[1], y, 1e-9);
    EXPECT_NEAR(v[2], z, 1e-9);
    EXPECT_NEAR(v[3], w, 1e-9);
}

void ExpectReset(KScnLink& link)
{
    EXPECT_EQ(link.GetLink(), nullptr);
    EXPECT_EQ(link.GetAssociateModel(), nullptr);
    EXPECT_STREQ(link.GetLinkName().Buffer(), "");
    EXPECT_STREQ(link.GetAssociateModelName().Buffer(), "");
    EXPECT_STREQ(link.GetUserDataID().Buffer(), "");
    EXPECT_STREQ(link.GetUserData().Buffer(), "");
    EXPECT_EQ(link.GetLinkMode(), 1);
    EXPECT_FALSE(link.HasTransformParent());
    EXPECT_EQ(link.GetIndices().GetCount(), 0);
    EXPECT_EQ(link.GetWeights().GetCount(), 0);
    for (const KgeTVector& v :
         {link.GetTransformTranslation(), link.GetTransformRotation(), link.GetTransformLinkTranslation(),
          link.GetTransformLinkRotation(), link.GetTransformAssociateModelTranslation(),
          link.GetTransformAssociateModelRotation(), link.GetTransformParentTranslation(),
          link.GetTransformParentRotation()})
    {
        ExpectVector(v, 0, 0, 0, 1);
    }
    for (const KgeTVector& v : {link.GetTransformScaling(), link.GetTransformLinkScaling(),
                                link.GetTransformAssociateModelScaling(), link.GetTransformParentScaling()})
    {
        ExpectVector(v, 1, 1, 1, 1);
    }
}

TEST(Link, NewLinkIsReset)
{
    KScnFree<KScnLink> link;
    ExpectReset(link);
}

TEST(Link, TransformsAreTakenApartIntoTranslationRotationScaling)
{
    const double t[3] = {1.5, -2.0, 3.25};
    const double r[3] = {30.0, -20.0, 45.0};
    const double s[3] = {2.0, 0.5, 3.0};
    const KgeTransformMatrix m = Compose(t, r, s);
    KScnFree<KScnLink> link;
    link.SetTransform(m);
    ExpectVector(link.GetTransformTranslation(), 1.5, -2.0, 3.25);
    ExpectVector(link.GetTransformRotation(), 30.0, -20.0, 45.0);
    ExpectVector(link.GetTransformScaling(), 2.0, 0.5, 3.0);

    const double t2[3] = {0, 10, 0};
    const double r2[3] = {0, 0, 90};
    const double s2[3] = {1, 1, 1};
    link.SetTransformLink(Compose(t2, r2, s2));
    ExpectVector(link.GetTransformLinkTranslation(), 0, 10, 0);
    ExpectVector(link.GetTransformLinkRotation(), 0, 0, 90);
    ExpectVector(link.GetTransformLinkScaling(), 1, 1, 1);
    link.SetTransformAssociateModel(m);
    ExpectVector(link.GetTransformAssociateModelRotation(), 30.0, -20.0, 45.0);
    EXPECT_FALSE(link.HasTransformParent());
    link.SetTransformParent(Compose(t2, r2, s));
    EXPECT_TRUE(link.HasTransformParent());
    ExpectVector(link.GetTransformParentScaling(), 2.0, 0.5, 3.0);
    // The transform vectors were not touched by the others.
    ExpectVector(link.GetTransformTranslation(), 1.5, -2.0, 3.25);

    link.SetTransformLinkTranslation(KgeTVector(7, 8, 9, 1));
    link.SetTransformLinkRotation(KgeTVector(1, 2, 3, 1));
    link.SetTransformLinkScaling(KgeTVector(4, 5, 6, 1));
    ExpectVector(link.GetTransformLinkTranslation(), 7, 8, 9);
    ExpectVector(link.GetTransformLinkRotation(), 1, 2, 3);
    ExpectVector(link.GetTransformLinkScaling(), 4, 5, 6);
}

TEST(Link, NodesAndNames)
{
    KScnFree<KScnNode> arm(nullptr, "arm");
    KScnFree<KScnNode> hand(nullptr, "hand");
    KScnFree<KScnLink> link;
    link.SetLink(&arm);
    EXPECT_EQ(link.GetLink(), &arm);
    EXPECT_STREQ(link.GetLinkName().Buffer(), arm.GetName());
    link.SetLink(nullptr);
    EXPECT_EQ(link.GetLink(), &arm) << "a null node is ignored";
    EXPECT_STREQ(link.GetLinkName().Buffer(), arm.GetName());

    link.SetAssociateModel(&hand);
    EXPECT_STREQ(link.GetAssociateModelName().Buffer(), hand.GetName());
    hand.SetName("palm");
    EXPECT_STREQ(link.GetAssociateModelName().Buffer(), hand.GetName()) << "the rename shows";
    EXPECT_NE(link.GetAssociateModelName().Find("palm"), -1);
    link.SetAssociateModel(nullptr);
    EXPECT_EQ(link.GetAssociateModel(), nullptr);
    EXPECT_STREQ(link.GetAssociateModelName().Buffer(), "");

    link.SetUserData("id", "data");
    EXPECT_STREQ(link.GetUserDataID().Buffer(), "id");
    EXPECT_STREQ(link.GetUserData().Buffer(), "data");
    link.SetUserData(nullptr, nullptr);
    EXPECT_STREQ(link.GetUserDataID().Buffer(), "");
    link.Reset();
    ExpectReset(link);
}

TEST(Link, SetFromClusterCopiesTheClusterData)
{
    KScnFree<KScnDeformer> cluster(nullptr, "c", "Cluster");
    cluster.SetLinkMode(KScnDeformer::LinkModeFromText("Total1"));
    cluster.SetUserData("first", "second");
    for (int i = 0; i < 300; ++i)
    {
        cluster.AddControlPoint(i * 2, i / 300.0);
    }
    const double t[3] = {1, 2, 3};
    const double r[3] = {10, 20, 30};
    const double s[3] = {1, 2, 3};
    const double o[3] = {0, 0, 0};
    const double one[3] = {1, 1, 1};
    cluster.SetTransform(Compose(t, o, one));
    cluster.SetTransformLink(Compose(o, r, one));
    cluster.SetTransformAssociateModel(Compose(o, o, s));

    KScnFree<KScnLink> link;
    KScnFree<KScnNode> arm(nullptr, "arm");
    link.SetLink(&arm);
    link.SetFromCluster(&cluster);
    EXPECT_EQ(link.GetLink(), nullptr) << "the caller sets the node afterwards";
    EXPECT_EQ(link.GetLinkMode(), 2);
    EXPECT_STREQ(link.GetUserDataID().Buffer(), "first");
    EXPECT_STREQ(link.GetUserData().Buffer(), "second");
    ASSERT_EQ(link.GetIndices().GetCount(), 300);
    ASSERT_EQ(link.GetWeights().GetCount(), 300);
    EXPECT_EQ(link.GetIndices().GetAt(299), 598);
    EXPECT_DOUBLE_EQ(link.GetWeights().GetAt(150), 0.5);
    EXPECT_EQ(link.GetIndices().GetBlockSize(), 256);
    ExpectVector(link.GetTransformTranslation(), 1, 2, 3);
    ExpectVector(link.GetTransformLinkRotation(), 10, 20, 30);
    ExpectVector(link.GetTransformAssociateModelScaling(), 1, 2, 3);
    EXPECT_FALSE(link.HasTransformParent()) << "the cluster had no parent transform";
    ExpectVector(link.GetTransformParentScaling(), 1, 1, 1);

    cluster.SetTransformParent(Compose(t, r, s));
    link.SetFromCluster(&cluster);
    EXPECT_TRUE(link.HasTransformParent());
    ExpectVector(link.GetTransformParentRotation(), 10, 20, 30);

    KScnFree<KScnLink> copy;
    copy.SetLink(&arm);
    copy.CopyFrom(link);
    EXPECT_EQ(copy.GetLink(), nullptr);
    EXPECT_EQ(copy.GetLinkMode(), 2);
    EXPECT_EQ(copy.GetIndices().GetCount(), 300);
    EXPECT_DOUBLE_EQ(copy.GetWeights().GetAt(299), 299 / 300.0);
    EXPECT_TRUE(copy.HasTransformParent());
    ExpectVector(copy.GetTransformParentTranslation(), 1, 2, 3);
    link.SetLink(&arm);
    copy.CopyFrom(link);
    EXPECT_EQ(copy.GetLink(), &arm);
    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetIndices().GetCount(), 300) << "copying a link onto itself keeps it";
}

TEST(Link, SetFromSkinOrNullLeavesAResetLink)
{
    KScnFree<KScnDeformer> skin(nullptr, "s", "skin");
    skin.SetLinkMode(2);
    skin.AddControlPoint(1, 1.0);
    KScnFree<KScnLink> link;
    link.SetUserData("x", "y");
    link.SetFromCluster(&skin);
    ExpectReset(link);
    link.SetLinkMode(0);
    link.SetFromCluster(nullptr);
    ExpectReset(link);
}

} // namespace
