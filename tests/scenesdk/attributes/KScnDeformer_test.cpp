#include "scenesdk/attributes/KScnDeformer.h"

#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnNode.h"

#include <gtest/gtest.h>

#include <memory>

using namespace scenesdk;

namespace
{

// Stands for a node's property set: answers the KScnNodeProperties class number.
class NodePropertiesStandIn : public KObject
{
public:
    bool IsA(int number) const override
    {
        return number == KClassIdRecord::FindByName("KScnNodeProperties")->GetNumber() ||
               KObject::IsA(number);
    }

protected:
    ~NodePropertiesStandIn() override = default;
};

template <typename T> struct Destroyer
{
    void operator()(T* p) const { p->Destroy(); }
};
template <typename T> using PlugPtr = std::unique_ptr<T, Destroyer<T>>;

TEST(Deformer, KindTextChoosesClusterIgnoringCase)
{
    for (const char* text : {"cluster", "Cluster", "CLUSTER"})
    {
        KScnFree<KScnDeformer> d(nullptr, "d", text);
        EXPECT_EQ(d.GetDeformerKind(), KScnDeformer::eCluster) << text;
        EXPECT_STREQ(d.GetTypeName().Buffer(), "Cluster");
        EXPECT_NE(dynamic_cast<KScnClusterDeformerProperties*>(d.GetProperties()), nullptr);
    }
    for (const char* text : {"", "skin", "clusters", static_cast<const char*>(nullptr)})
    {
        KScnFree<KScnDeformer> d(nullptr, "d", text);
        EXPECT_EQ(d.GetDeformerKind(), KScnDeformer::eSkin);
        EXPECT_STREQ(d.GetTypeName().Buffer(), "Skin");
        auto* skin = dynamic_cast<KScnSkinDeformerProperties*>(d.GetProperties());
        ASSERT_NE(skin, nullptr);
        EXPECT_EQ(skin->GetPropertyCount(), 0);
        EXPECT_DOUBLE_EQ(skin->mAccuracy, 50.0);
    }
}

TEST(Deformer, NewClusterStartsEmptyWithIdentityTransforms)
{
    KScnFree<KScnDeformer> d(nullptr, "SubDeformer::arm", "Cluster");
    EXPECT_EQ(d.GetObjectKind(), 10);
    EXPECT_STREQ(d.GetName(), "SubDeformer::arm");
    EXPECT_STREQ(d.GetProperties()->GetName(), "SubDeformer::arm") << "the set takes the name";
    EXPECT_EQ(d.GetIndices().GetCount(), 0);
    EXPECT_EQ(d.GetWeights().GetCount(), 0);
    EXPECT_EQ(d.GetIndices().GetBlockSize(), 256);
    EXPECT_EQ(d.GetWeights().GetBlockSize(), 256);
    const KgeTransformMatrix identity;
    for (const KgeTransformMatrix* m :
         {&d.GetTransform(), &d.GetTransformLink(), &d.GetTransformAssociateModel(), &d.GetTransformParent()})
    {
        for (int i = 0; i < 16; ++i)
        {
            EXPECT_EQ((*m)[i], (i % 5 == 0) ? 1.0 : 0.0);
        }
    }
    EXPECT_EQ(d.GetLinkMode(), 0);
    EXPECT_DOUBLE_EQ(d.GetLinkDeformAccuracy(), 50.0);
    EXPECT_FALSE(d.GetMultiLayer());
    EXPECT_FALSE(d.HasTransformParent());
    EXPECT_TRUE(d.GetUserDataID().IsEmpty());
    EXPECT_TRUE(d.GetUserData().IsEmpty());
    EXPECT_STREQ(d.GetError().GetLastErrorString(), "");
    ASSERT_EQ(d.GetTakeNodeCount(), 1);
    EXPECT_STREQ(d.GetTakeNodeName(0), "Default");
    EXPECT_EQ(d.GetUserPropertyCount(), 0) << "the set's properties are not made user properties";

    d.SetTransformParent(identity);
    EXPECT_TRUE(d.HasTransformParent());
    d.AddControlPoint(7, 0.25);
    d.AddControlPoint(3, 0.75);
    EXPECT_EQ(d.GetControlPointCount(), 2);
    EXPECT_EQ(d.GetIndices().GetAt(1), 3);
    EXPECT_DOUBLE_EQ(d.GetWeights().GetAt(0), 0.25);
    EXPECT_EQ(d.GetIndices().GetAt(2), 0) << "out of range reads as zero";
    EXPECT_EQ(d.GetIndices().GetAt(-1), 0);
    EXPECT_FALSE(d.GetWeights().SetAt(5, 1.0));
}

TEST(Deformer, TypeNamesAndFactoryNames)
{
    KScnFree<KScnDeformer> skin(nullptr, "s", "skin");
    KScnFree<KScnDeformer> cluster(nullptr, "c", "cluster");
    for (KScnDeformer* d : {&skin, &cluster})
    {
        KStringList names = d->GetTypeNameList();
        ASSERT_EQ(names.GetCount(), 1);
        EXPECT_STREQ(names.GetStringAt(0), "Deformer");
    }
    EXPECT_STREQ(KScnDeformer::MakeObjectName("arm", "Cluster").Buffer(), "SubDeformer::arm");
    EXPECT_STREQ(KScnDeformer::MakeObjectName("body", "Skin").Buffer(), "Deformer::body");
    EXPECT_STREQ(KScnDeformer::MakeObjectName(nullptr, nullptr).Buffer(), "Deformer::");

    EXPECT_EQ(KScnDeformer::LinkModeFromText("Additive"), 1);
    EXPECT_EQ(KScnDeformer::LinkModeFromText("Total1"), 2);
    EXPECT_EQ(KScnDeformer::LinkModeFromText("Normalize"), 0);
    EXPECT_EQ(KScnDeformer::LinkModeFromText("additive"), 0);
    EXPECT_EQ(KScnDeformer::LinkModeFromText(nullptr), 0);
}

TEST(Deformer, PropertySetsReportTheDeformerPropertiesClass)
{
    KScnFree<KScnDeformer> skin(nullptr, "s", "skin");
    KScnFree<KScnDeformer> cluster(nullptr, "c", "cluster");
    for (KScnDeformer* d : {&skin, &cluster})
    {
        KScnDeformerProperties* set = d->GetProperties();
        EXPECT_EQ(set->GetClassId(), KScnDeformerProperties::ClassId);
        EXPECT_STREQ(set->GetClassName(), "KScnDeformerProperties");
        EXPECT_EQ(set->GetClassIdRecord()->GetParentNumber(), KScnPropertyHandler::ClassId);
        EXPECT_TRUE(set->IsA(KScnPropertyHandler::ClassId));
        EXPECT_TRUE(set->IsA(KObject::ClassId));
        EXPECT_TRUE(set->IsA(KClassIdRecord::kPlugId));
        EXPECT_EQ(set->GetOwner(), d);
        EXPECT_EQ(d->GetPropertyHandler(), set);
    }
}

TEST(Deformer, SourceModelListsAcceptOnlyNodePropertySets)
{
    KScnFree<KScnDeformer> d(nullptr, "c", "cluster");
    auto* set = static_cast<KScnClusterDeformerProperties*>(d.GetProperties());
    ASSERT_EQ(set->GetPropertyCount(), 2);
    EXPECT_EQ(set->GetProperty(0), set->GetSrcModel());
    EXPECT_EQ(set->GetProperty(1), set->GetSrcModelReference());
    EXPECT_STREQ(set->GetSrcModel()->GetName(), "SrcModel");
    EXPECT_STREQ(set->GetSrcModelReference()->GetName(), "SrcModelReference");

    const int nodeProps = KClassIdRecord::FindByName("KScnNodeProperties")->GetNumber();
    EXPECT_NE(nodeProps, KClassIdRecord::kNone);
    for (KPropertyObjectList* list : {set->GetSrcModel(), set->GetSrcModelReference()})
    {
        int tag = 0;
        EXPECT_EQ(list->GetFilter(&tag), nodeProps);
        EXPECT_EQ(tag, 1);
        EXPECT_EQ(list->GetTypeCode(), eKPropObject);
        PlugPtr<KObject> other(new KObject);
        EXPECT_FALSE(list->Add(other.get())) << "a plain object is refused";
        PlugPtr<NodePropertiesStandIn> node(new NodePropertiesStandIn);
        ASSERT_TRUE(list->Add(node.get()));
        EXPECT_EQ(list->GetAt(0), node.get());
        EXPECT_TRUE(node->IsDstConnected(list)) << "the list holds sources";
        list->Clear();
    }

    KScnFree<KScnNode> arm(nullptr, "arm");
    ASSERT_NE(arm.GetPropertyHandler(), nullptr);
    ASSERT_TRUE(set->GetSrcModel()->Add(arm.GetPropertyHandler()))
        << "a node's property set is the link node";
    EXPECT_EQ(set->GetSrcModel()->GetAt(0), arm.GetPropertyHandler());
    set->GetSrcModel()->Clear();
}

TEST(Deformer, DetachDisconnectsTheSourceModel)
{
    PlugPtr<NodePropertiesStandIn> node(new NodePropertiesStandIn);
    {
        KScnFree<KScnDeformer> d(nullptr, "c", "cluster");
        auto* set = static_cast<KScnClusterDeformerProperties*>(d.GetProperties());
        ASSERT_TRUE(set->GetSrcModel()->Add(node.get()));
        d.Detach();
        EXPECT_EQ(node->GetDstCount(), 0);
        EXPECT_EQ(set->GetSrcModel(), nullptr) << "the detached set has no properties left";
    }
    {
        KScnFree<KScnDeformer> d(nullptr, "c", "cluster");
        auto* set = static_cast<KScnClusterDeformerProperties*>(d.GetProperties());
        ASSERT_TRUE(set->GetSrcModel()->Add(node.get()));
        ASSERT_TRUE(set->GetSrcModelReference()->Add(node.get()));
        EXPECT_EQ(node->GetDstCount(), 2);
    }
    EXPECT_EQ(node->GetDstCount(), 0) << "destroying the deformer leaves no connection behind";
}

} // namespace
