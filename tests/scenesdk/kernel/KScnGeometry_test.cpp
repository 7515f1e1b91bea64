// Geometry links and shapes: shape validation, shape channels and properties
// on the node's takes, use counts in the scene contents, copies and
// triangulation keeping links, shapes and the transform, legacy channel names.

#include "tests/scenesdk/attributes/AttributeTestSupport.h"

#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <memory>

using namespace scenesdk;
using namespace attribtest;

namespace
{

class GeometryTest : public AttributeTest
{
protected:
    // A node of a scene, with the takes "Walk" and "Run".
    KScnNode* SceneNode()
    {
        mScene = mManager.CreateScene();
        KScnNode* node = NodeWithTakes();
        EXPECT_TRUE(mScene->GetRootNode()->AddChild(node));
        EXPECT_EQ(node->GetSceneContents(), mScene->GetContents()) << "the root's child joins the scene";
        return node;
    }
    KScnShape* ShapeWithMaterial(KScnMaterial* material)
    {
        KScnShape* shape = mManager.CreateShape();
        shape->InitControlPoints(4);
        shape->AddMaterial(material, 0);
        return shape;
    }

    KScnSceneRoot* mScene = nullptr;
};

TEST_F(GeometryTest, AddShapeValidatesAndTrimsNames)
{
    KScnMesh* mesh = mManager.CreateMesh();
    KScnShape* smile = mManager.CreateShape();
    KScnShape* frown = mManager.CreateShape();

    EXPECT_EQ(mesh->AddShape(nullptr, "x"), -1);
    EXPECT_EQ(mesh->GetError().GetLastErrorID(), KScnGeometry::eParameterNull);
    EXPECT_STREQ(mesh->GetError().GetLastErrorString(), "Parameter is NULL.");
    EXPECT_EQ(mesh->AddShape(smile, " \t\r\n"), -1);
    EXPECT_STREQ(mesh->GetError().GetLastErrorString(), "Shape name is invalid.");
    EXPECT_EQ(mesh->AddShape(smile, "  Smile\t"), 0);
    EXPECT_STREQ(mesh->GetShapeName(0), "Smile");
    EXPECT_EQ(mesh->AddShape(smile, "Other"), -1);
    EXPECT_STREQ(mesh->GetError().GetLastErrorString(), "Shape already added.");
    EXPECT_EQ(mesh->AddShape(frown, "Smile"), -1);
    EXPECT_EQ(mesh->GetError().GetLastErrorID(), KScnGeometry::eShapeNameUsed);
    EXPECT_EQ(mesh->AddShape(frown, "Frown"), 1);
    EXPECT_EQ(mesh->GetShapeCount(), 2);
    EXPECT_EQ(mesh->GetShape(1), frown);

    EXPECT_EQ(mesh->GetShape(2), nullptr);
    EXPECT_STREQ(mesh->GetError().GetLastErrorString(), "Parameter out of range.");
    EXPECT_EQ(mesh->GetShapeName(-1), nullptr);
    EXPECT_EQ(mesh->GetLink(0), nullptr);

    EXPECT_STREQ(KScnGeometry::GetShapeChannelName(0).Buffer(), "Shape 01 (Shape)");
    EXPECT_STREQ(KScnGeometry::GetShapeChannelName(11).Buffer(), "Shape 12 (Shape)");
    EXPECT_STREQ(KScnGeometry::GetShapeChannelName(-1).Buffer(), "");
    EXPECT_STREQ(KScnGeometry::MakeShapeChannelName("Smile").Buffer(), "Smile (Shape)");
    EXPECT_STREQ(KScnGeometry::MakeShapeChannelName("Smile (Shape)").Buffer(), "Smile (Shape)");

    // Deformer links are plain links of the geometry.
    KScnLink* link = mManager.CreateLink();
    EXPECT_EQ(mesh->AddDeformer(link), 0);
    EXPECT_EQ(mesh->GetLinkCount(), 1);
    EXPECT_EQ(mesh->GetLink(0), link);
    mesh->ClearLinks();
    EXPECT_EQ(mesh->GetLinkCount(), 0);
    EXPECT_EQ(mManager.GetLinkCount(), 1); // forgotten, not destroyed
}

TEST_F(GeometryTest, ShapesOfAttachedGeometryGetPropertiesChannelsAndUses)
{
    KScnNode* node = SceneNode();
    KScnSceneContents* contents = mScene->GetContents();
    EXPECT_EQ(node->GetSceneContents(), contents);
    KScnMaterial* skin = mManager.CreateMaterial("skin");
    KScnMaterial* lips = mManager.CreateMaterial("lips");

    KScnMesh* mesh = mManager.CreateMesh();
    mesh->InitControlPoints(4);
    mesh->AddMaterial(skin, 0);
    ASSERT_EQ(mesh->AddShape(ShapeWithMaterial(lips), "Before"), 0);
    node->SetNodeAttribute(mesh);

    // Attaching registers the geometry and its shape, and makes the shape
    // property and channels.
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 1);
    EXPECT_EQ(contents->GetMaterialUseCount(lips), 1);
    ASSERT_NE(node->GetNodeProperties()->FindProperty("Before"), nullptr);

    // Adding while attached: property (animatable "Shape"), channel in every
    // take with the colour of its index, and the shape's uses.
    ASSERT_EQ(mesh->AddShape(ShapeWithMaterial(lips), "After"), 1);
    KProperty* property = node->GetNodeProperties()->FindProperty("After");
    ASSERT_NE(property, nullptr);
    EXPECT_TRUE(property->IsAnimatable());
    EXPECT_STREQ(property->GetDataType()->GetName(), "Shape");
    EXPECT_EQ(property->GetDouble(), 0.0);
    for (int t = 0; t < node->GetTakeNodeCount(); ++t)
    {
        KFCurveNode* root = node->GetTakeNode(t)->GetRootCurveNode();
        ASSERT_GE(root->IndexOfChildByName("After"), 0);
        const float* colour = root->GetChildAt(root->IndexOfChildByName("After"))->GetFCurve()->GetColor();
        EXPECT_EQ(colour[0], 0.0f);
        EXPECT_EQ(colour[1], 1.0f);
        EXPECT_EQ(colour[2], 0.0f);
        EXPECT_TRUE(HasChannel(node->GetTakeNode(t), "Before"));
    }
    EXPECT_EQ(contents->GetMaterialUseCount(lips), 2);
    EXPECT_EQ(KScnGeometry::GetShapeColor(27)[0], 0.3f);

    // A new take gets the shape channels too.
    EXPECT_TRUE(HasChannel(node->AddTakeNode("Jump"), "After"));

    // ClearShapes keeps the node but drops the channels and the shapes' uses.
    mesh->ClearShapes();
    EXPECT_EQ(mesh->GetNode(), node);
    EXPECT_FALSE(HasChannel(node->GetTakeNode(1), "Before"));
    EXPECT_EQ(contents->GetMaterialUseCount(lips), 0);
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 1);

    // Detaching drops the geometry's uses.
    node->SetNodeAttribute(nullptr);
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 0);
}

TEST_F(GeometryTest, ContentsLinksFollowNodesAndClear)
{
    KScnNode* node = SceneNode();
    KScnSceneContents* contents = mScene->GetContents();
    EXPECT_EQ(mScene->GetRootNode()->GetSceneContents(), contents);
    KScnMaterial* skin = mManager.CreateMaterial("skin");
    KScnMesh* mesh = mManager.CreateMesh();
    mesh->AddMaterial(skin, 0);
    node->SetNodeAttribute(mesh);
    EXPECT_EQ(mesh->GetSceneContents(), contents);

    // Leaving the contents drops the link and the geometry's uses.
    EXPECT_TRUE(contents->RemoveNode(node));
    mScene->GetRootNode()->RemoveChild(node);
    EXPECT_EQ(node->GetSceneContents(), nullptr);
    EXPECT_EQ(mesh->GetSceneContents(), nullptr);
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 0);

    EXPECT_TRUE(contents->AddNode(node));
    EXPECT_EQ(node->GetSceneContents(), contents);
    contents->Clear();
    EXPECT_EQ(node->GetSceneContents(), nullptr);
    EXPECT_EQ(mScene->GetRootNode(), nullptr);

    // A geometry outliving its scene detaches without touching it.
    mManager.DestroyScene(mScene, false);
    mScene = nullptr;
    node->SetNodeAttribute(nullptr);
}

TEST_F(GeometryTest, CopyAndTriangulationKeepLinksShapesAndTransform)
{
    KScnMesh* source = mManager.CreateMesh();
    source->InitControlPoints(4);
    for (int i = 0; i < 4; ++i)
    {
        source->SetControlPointAt(KgeTVector(i & 1, i >> 1, 0.0, 1.0), i);
    }
    source->BeginPolygon();
    for (int i : {0, 1, 3, 2})
    {
        source->AddPolygonVertex(i);
    }
    KScnLink* link = mManager.CreateLink();
    link->SetLinkMode(2);
    link->GetIndices().Add(3);
    source->AddLink(link);
    KScnShape* shape = mManager.CreateShape();
    shape->InitControlPoints(4);
    shape->SetControlPointAt(KgeTVector(9.0, 0.0, 0.0, 1.0), 1);
    source->AddShape(shape, "Wide");
    KgeTransformMatrix m;
    m[12] = 5.0;
    source->SetTransform(m);

    auto check = [&](KScnGeometry& copy)
    {
        ASSERT_EQ(copy.GetLinkCount(), 1);
        EXPECT_NE(copy.GetLink(0), link);
        EXPECT_EQ(copy.GetLink(0)->GetLinkMode(), 2);
        EXPECT_EQ(copy.GetLink(0)->GetIndices().GetCount(), 1);
        ASSERT_EQ(copy.GetShapeCount(), 1);
        EXPECT_NE(copy.GetShape(0), shape);
        EXPECT_STREQ(copy.GetShapeName(0), "Wide");
        EXPECT_EQ(copy.GetShape(0)->GetControlPointAt(1).mData[0], 9.0);
        KgeTransformMatrix out;
        copy.GetTransform(out);
        EXPECT_EQ(out, m);
    };

    KScnMesh* copy = mManager.CreateMesh();
    copy->AddLink(mManager.CreateLink());
    copy->AddShape(mManager.CreateShape(), "Old");
    copy->CopyFrom(*source);
    check(*copy);
    EXPECT_EQ(copy->GetPolygonCount(), 1);
    // The copy's previous link and shape were destroyed, the new ones made.
    EXPECT_EQ(mManager.GetLinkCount(), 2);
    EXPECT_EQ(mManager.GetShapeCount(), 2);

    KScnTriangulator* triangulator = mManager.CreateTriangulator();
    KScnMesh* triangles = triangulator->TriangulateMesh(*source);
    ASSERT_NE(triangles, nullptr);
    EXPECT_EQ(triangles->GetPolygonCount(), 2);
    check(*triangles);
    EXPECT_TRUE(mManager.DestroyNodeAttribute(triangles));
    EXPECT_EQ(mManager.GetLinkCount(), 2);

    // Destroying a geometry destroys its links and shapes through the manager.
    EXPECT_TRUE(mManager.DestroyNodeAttribute(copy));
    EXPECT_EQ(mManager.GetLinkCount(), 1);
    EXPECT_EQ(mManager.GetShapeCount(), 1);
}

TEST_F(GeometryTest, LegacyShapeChannelsMergeIntoShapeNamedOnes)
{
    KScnNode* node = NodeWithTakes();
    KScnPatch* patch = mManager.CreatePatch();
    patch->AddShape(mManager.CreateShape(), "Blink");
    patch->AddShape(mManager.CreateShape(), "Squint");
    node->SetNodeAttribute(patch);
    KScnTakeNodeEntry* take = node->GetTakeNode(1);
    KFCurveNode* root = take->GetRootCurveNode();

    KFCurveNode* named = root->FindOrCreateChild("Blink (Shape)", true);
    named->GetFCurve()->SetDefaultValue(0.25f);
    KFCurveNode* numbered = root->FindOrCreateChild("Shape 02 (Shape)", true);
    numbered->GetFCurve()->SetDefaultValue(0.75f);

    patch->RenameLegacyShapeChannels(take);
    EXPECT_FALSE(HasChannel(take, "Blink (Shape)"));
    EXPECT_FALSE(HasChannel(take, "Shape 02 (Shape)"));
    EXPECT_FLOAT_EQ(root->GetChildAt(root->IndexOfChildByName("Blink"))->GetFCurve()->GetDefaultValue(),
                    0.25f);
    EXPECT_FLOAT_EQ(root->GetChildAt(root->IndexOfChildByName("Squint"))->GetFCurve()->GetDefaultValue(),
                    0.75f);

    // Meshes keep old channels as they are.
    KScnNode* meshNode = NodeWithTakes();
    KScnMesh* mesh = mManager.CreateMesh();
    mesh->AddShape(mManager.CreateShape(), "Blink");
    meshNode->SetNodeAttribute(mesh);
    KScnTakeNodeEntry* meshTake = meshNode->GetTakeNode(0);
    meshTake->GetRootCurveNode()->FindOrCreateChild("Blink (Shape)", true);
    mesh->RenameLegacyShapeChannels(meshTake);
    EXPECT_TRUE(HasChannel(meshTake, "Blink (Shape)"));
}

TEST_F(GeometryTest, IndexedTextureCountIsLimitedByConnectedTextures)
{
    KScnMesh* mesh = mManager.CreateMesh();
    KScnTexture* wood = mManager.CreateTexture("wood");
    mesh->AddTexture(wood, 0);
    KScnLayerElement* element = mesh->GetLayer(0)->GetTextureElement();
    element->SetReferenceMode(KScnLayerElement::eIndex);
    for (int32_t index : {0, 1, 2, 1})
    {
        element->GetIndexArray().Add(&index);
    }
    EXPECT_EQ(mesh->GetTextureCount(0), 3);
    KScnNode* node = mManager.CreateNode("n");
    node->SetNodeAttribute(mesh);
    EXPECT_EQ(mesh->GetTextureCount(0), 0);
    ASSERT_TRUE(node->GetPropertyHandler()->ConnectSrc(wood->GetPropertyHandler()));
    EXPECT_EQ(mesh->GetTextureCount(0), 1);
}

TEST_F(GeometryTest, SubtreesMoveBetweenScenesWithTheirUses)
{
    KScnSceneRoot* from = mManager.CreateScene();
    KScnSceneRoot* to = mManager.CreateScene();
    KScnMaterial* skin = mManager.CreateMaterial("skin");
    KScnNode* parent = mManager.CreateNode("arm");
    KScnNode* child = mManager.CreateNode("hand");
    parent->AddChild(child);
    KScnMesh* mesh = mManager.CreateMesh();
    mesh->AddMaterial(skin, 0);
    child->SetNodeAttribute(mesh);
    ASSERT_TRUE(parent->SetSceneContents(from->GetContents(), false));
    EXPECT_EQ(child->GetSceneContents(), from->GetContents());
    EXPECT_EQ(from->GetContents()->GetMaterialUseCount(skin), 1);
    EXPECT_TRUE(parent->SetSceneContents(from->GetContents(), true)) << "already there";

    // A node of that name in the target refuses the move, changing nothing.
    KScnNode* other = mManager.CreateNode("hand");
    ASSERT_TRUE(other->SetSceneContents(to->GetContents(), false));
    EXPECT_FALSE(parent->SetSceneContents(to->GetContents(), true));
    EXPECT_EQ(parent->GetError().GetLastErrorID(), KScnNode::eErrorNodeNameClash);
    EXPECT_EQ(child->GetSceneContents(), from->GetContents());
    ASSERT_TRUE(other->SetSceneContents(nullptr, false));

    // So does another material of the same name; the same material does not.
    KScnMaterial* impostor = mManager.CreateMaterial("skin");
    to->GetContents()->AddMaterial(impostor);
    EXPECT_FALSE(parent->SetSceneContents(to->GetContents(), true));
    EXPECT_EQ(parent->GetError().GetLastErrorID(), KScnNode::eErrorMaterialNameClash);
    EXPECT_TRUE(to->GetContents()->RemoveMaterial(impostor));
    to->GetContents()->AddMaterial(skin);
    ASSERT_TRUE(parent->SetSceneContents(to->GetContents(), false));
    EXPECT_EQ(child->GetSceneContents(), to->GetContents());
    EXPECT_EQ(from->GetContents()->GetNodeCount(), 1) << "only the root is left";
    EXPECT_EQ(from->GetContents()->GetMaterialUseCount(skin), 0);
    EXPECT_EQ(to->GetContents()->GetMaterialUseCount(skin), 2);

    // Without name checks the move always happens; null takes it out.
    EXPECT_TRUE(parent->SetSceneContents(from->GetContents(), false));
    ASSERT_TRUE(parent->SetSceneContents(nullptr, false));
    EXPECT_EQ(child->GetSceneContents(), nullptr);
    EXPECT_EQ(mesh->GetSceneContents(), nullptr);
    EXPECT_EQ(from->GetContents()->GetNodeCount(), 1);
}

TEST_F(GeometryTest, ConnectingUnderASceneNodeMovesTheSubtree)
{
    mScene = mManager.CreateScene();
    KScnSceneContents* contents = mScene->GetContents();
    KScnNode* root = mScene->GetRootNode();
    KScnMaterial* skin = mManager.CreateMaterial("skin");
    KScnNode* arm = mManager.CreateNode("arm");
    KScnNode* hand = mManager.CreateNode("hand");
    KScnMesh* mesh = mManager.CreateMesh();
    mesh->AddMaterial(skin, 0);
    hand->SetNodeAttribute(mesh);
    ASSERT_TRUE(arm->AddChild(hand));
    EXPECT_EQ(hand->GetSceneContents(), nullptr);

    ASSERT_TRUE(root->AddChild(arm));
    EXPECT_EQ(hand->GetSceneContents(), contents);
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 1);

    // Moving within the scene goes through the parent: cut loose, then in.
    ASSERT_TRUE(root->AddChild(hand));
    EXPECT_EQ(hand->GetParent(), root);
    EXPECT_EQ(hand->GetSceneContents(), contents);
    EXPECT_EQ(arm->GetChildCount(), 0);

    // A node of the scene without a parent there is refused.
    KScnNode* loose = mManager.CreateNode("loose");
    ASSERT_TRUE(loose->SetSceneContents(contents, false));
    EXPECT_FALSE(arm->AddChild(loose));
    EXPECT_EQ(arm->GetError().GetLastErrorID(), KScnNode::eErrorSameSceneContents);
    EXPECT_STREQ(arm->GetError().GetLastErrorString(), "Nodes already share their scene contents");
    EXPECT_EQ(arm->GetChildCount(), 0);
    EXPECT_FALSE(hand->AddChild(root)) << "cycles are still refused";
    EXPECT_EQ(hand->GetError().GetLastErrorID(), KScnNode::eErrorCyclicGraph);

    // Cut loose, the subtree leaves the scene with its uses.
    EXPECT_EQ(root->RemoveChild(hand), hand);
    EXPECT_EQ(hand->GetSceneContents(), nullptr);
    EXPECT_EQ(contents->GetMaterialUseCount(skin), 0);

    // Destroying a child of a scene node leaves nothing behind.
    ASSERT_TRUE(root->AddChild(hand));
    const int listed = contents->GetNodeCount();
    EXPECT_TRUE(mManager.DestroyNode(hand, true));
    EXPECT_EQ(contents->GetNodeCount(), listed - 1);
    ASSERT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(root->GetChild(0), arm);
}

} // namespace
