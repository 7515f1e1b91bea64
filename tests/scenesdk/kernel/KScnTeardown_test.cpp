// Objects destroyed in every order the headers allow: what a scene owns is
// refused by the manager's destroyers, and whatever dies takes itself out of
// what refers to it. Each row is one order that used freed memory before.

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnCharacterPose.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnSceneCameraSettings.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnGeometry.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

struct Teardown : ::testing::Test
{
    KScnSdkManager m;
    KScnSceneRoot* a = m.CreateScene();
    KScnSceneRoot* b = m.CreateScene();

    KScnNode* Under(KScnNode* parent, const char* name)
    {
        KScnNode* node = m.CreateNode(name);
        EXPECT_TRUE(parent->AddChild(node)) << name;
        return node;
    }
};

// ---- What a scene owns --------------------------------------------------

TEST_F(Teardown, OwnedObjectsAreRefusedByTheDestroyers)
{
    ASSERT_EQ(a->CreateCharacterPose("pose"), 0);
    KScnSceneRoot* pose = a->GetCharacterPose(0)->GetScene();
    KScnSceneCameraSettings* cameras = a->GetGlobalCameraSettings();
    KScnNode* switcher = a->GetCameraSwitcherNode();
    struct Row
    {
        const char* what;
        const void* object;
        std::function<bool()> destroy;
    };
    const Row rows[] = {
        {"the pose's private scene", pose, [&] { return m.DestroyScene(pose, true); }},
        {"a producer node", cameras->GetProducerNode(0),
         [&] { return m.DestroyNode(cameras->GetProducerNode(0), true); }},
        {"a producer node, not recursive", cameras->GetProducerNode(3),
         [&] { return m.DestroyNode(cameras->GetProducerNode(3)); }},
        {"a producer camera", cameras->GetProducerTop(),
         [&] { return m.DestroyNodeAttribute(cameras->GetProducerTop()); }},
        {"the camera-switcher node", switcher, [&] { return m.DestroyNode(switcher, true); }},
        {"the camera switcher", switcher->GetNodeAttribute(),
         [&] { return m.DestroyNodeAttribute(switcher->GetNodeAttribute()); }},
    };
    for (const Row& row : rows)
    {
        EXPECT_TRUE(m.IsOwned(row.object)) << row.what;
        m.GetError().SetLastErrorID(1);
        EXPECT_FALSE(row.destroy()) << row.what;
        EXPECT_EQ(m.GetError().GetLastErrorID(), 0) << row.what;
    }
    // Still whole: the scene reads them.
    EXPECT_EQ(a->GetCameraSwitcherNode()->GetCameraSwitcher(), switcher->GetNodeAttribute());
    EXPECT_EQ(cameras->GetProducerNode(0)->GetCamera(), cameras->GetProducerPerspective());
    a->Clear();
    EXPECT_TRUE(a->SetCurrentTake("Default"));
    EXPECT_GT(a->AddTakeWhereMissing("Other"), 0);
    KPointerArray<KString> names(16);
    a->FillTakeNameList(names);
    EXPECT_EQ(names.GetCount(), 2);
    KScnSceneRoot::ClearTakeNameList(names);

    // A natural teardown, every scene from the last: the private scene is
    // refused, and goes with its pose's scene.
    for (int i = m.GetSceneCount() - 1; i >= 0; --i)
    {
        m.DestroyScene(m.GetScene(i), true);
    }
    EXPECT_EQ(m.GetSceneCount(), 0);
    EXPECT_FALSE(m.IsOwned(pose));
    EXPECT_FALSE(m.IsOwned(switcher));
}

TEST_F(Teardown, HiddenNodesTakeNoChildrenAndHaveNoParent)
{
    KScnNode* producer = b->GetGlobalCameraSettings()->GetProducerNode(2);
    KScnNode* switcher = b->GetCameraSwitcherNode();
    KScnNode* rootA = a->GetRootNode();
    KScnNode* child = Under(rootA, "child");
    struct Row
    {
        KScnNode* parent;
        KScnNode* child;
    };
    const Row rows[] = {
        {producer, rootA}, {producer, child}, {switcher, child}, {rootA, producer}, {child, switcher}};
    for (const Row& row : rows)
    {
        EXPECT_FALSE(row.parent->AddChild(row.child)) << row.parent->GetName() << " " << row.child->GetName();
        EXPECT_EQ(row.parent->GetError().GetLastErrorID(), KScnNode::eErrorOwnedNode);
        EXPECT_STREQ(row.parent->GetError().GetLastErrorString(), "Node belongs to its scene");
    }
    EXPECT_EQ(child->GetParent(), rootA) << "a refused child stays where it was";
    EXPECT_EQ(producer->GetChildCount(), 0);
    // Nor do they give or take attributes: a camera taken to another node
    // would go with that node (or be given back by the wrong owner).
    KScnNodeAttribute* camera = producer->GetNodeAttribute();
    KScnNodeAttribute* switcherAttribute = switcher->GetNodeAttribute();
    for (KScnNodeAttribute* attribute : {camera, switcherAttribute})
    {
        EXPECT_EQ(child->SetNodeAttribute(attribute), nullptr);
        EXPECT_EQ(child->GetNodeAttribute(), nullptr);
    }
    EXPECT_EQ(producer->SetNodeAttribute(m.CreateNull()), nullptr);
    EXPECT_EQ(switcher->SetNodeAttribute(nullptr), nullptr);
    EXPECT_EQ(producer->GetNodeAttribute(), camera);
    EXPECT_EQ(switcher->GetNodeAttribute(), switcherAttribute);
    EXPECT_TRUE(m.DestroyScene(b, true));
    EXPECT_EQ(a->GetRootNode(), rootA);
    EXPECT_EQ(rootA->GetChild(0), child);
}

TEST_F(Teardown, SwitcherNodeSetByTheReaderIsTheScenesOwn)
{
    KScnNode* old = a->GetCameraSwitcherNode();
    KScnNode* node = Under(a->GetRootNode(), "Camera Switcher");
    node->SetNodeAttribute(m.CreateCameraSwitcher());
    a->SetCameraSwitcherNode(node);
    EXPECT_EQ(a->GetCameraSwitcherNode(), node);
    EXPECT_EQ(node->GetParent(), nullptr) << "hidden, out of the tree";
    EXPECT_EQ(node->GetSceneContents(), nullptr);
    EXPECT_TRUE(m.IsOwned(node));
    EXPECT_FALSE(m.IsOwned(old)) << "the old one is gone";
    EXPECT_FALSE(m.DestroyNode(node, true));
    // Another scene's hidden node is refused.
    a->SetCameraSwitcherNode(b->GetCameraSwitcherNode());
    EXPECT_EQ(a->GetCameraSwitcherNode(), node);
}

// A hidden node joins no scene, neither as its root nor as a member: the
// root of a pose's private scene went with that scene while another scene
// still held it as its switcher.
TEST_F(Teardown, HiddenNodesJoinNoScene)
{
    ASSERT_EQ(a->CreateCharacterPose("pose"), 0);
    KScnSceneRoot* pose = a->GetCharacterPose(0)->GetScene();
    KScnNode* rootB = b->GetRootNode();
    b->SetCameraSwitcherNode(rootB);
    ASSERT_EQ(b->GetCameraSwitcherNode(), rootB);
    KScnNode* producer = a->GetGlobalCameraSettings()->GetProducerNode(1);
    struct Row
    {
        KScnNode* node;
        KScnSceneRoot* scene;
        bool asRoot;
    };
    const Row rows[] = {{rootB, pose, true}, {rootB, pose, false}, {rootB, a, true},
                        {producer, b, true}, {producer, pose, false}};
    for (const Row& row : rows)
    {
        KScnNode* before = row.scene->GetRootNode();
        EXPECT_FALSE(row.node->SetSceneContents(row.scene->GetContents(), row.asRoot)) << row.node->GetName();
        EXPECT_EQ(row.node->GetError().GetLastErrorID(), KScnNode::eErrorOwnedNode);
        EXPECT_EQ(row.node->GetSceneContents(), nullptr);
        EXPECT_EQ(row.scene->GetRootNode(), before);
    }
    EXPECT_TRUE(rootB->SetSceneContents(nullptr, true)) << "already out";
    m.DestroyAllObjects();
    EXPECT_EQ(m.GetSceneCount(), 0);
}

// ---- The camera settings ask the contents for the root --------------------

TEST_F(Teardown, DefaultCameraIsLookedForUnderTheCurrentRoot)
{
    KScnNode* shot = Under(Under(a->GetRootNode(), "group"), "Shot");
    KScnSceneCameraSettings* cameras = a->GetGlobalCameraSettings();
    EXPECT_TRUE(cameras->SetDefaultCamera("Shot"));
    // The root replaced: the old tree is no longer searched.
    KScnNode* other = m.CreateNode("other");
    KScnNode* close = Under(other, "Close");
    ASSERT_TRUE(other->SetSceneContents(a->GetContents(), true));
    EXPECT_EQ(a->GetRootNode(), other);
    EXPECT_TRUE(cameras->SetDefaultCamera("Close"));
    EXPECT_FALSE(cameras->SetDefaultCamera("Shot"));
    EXPECT_TRUE(m.DestroyNode(shot));
    (void)close;
    // The root destroyed: no root, no node name is known.
    EXPECT_TRUE(m.DestroyNode(a->GetRootNode(), true));
    EXPECT_EQ(a->GetRootNode(), nullptr);
    EXPECT_FALSE(cameras->SetDefaultCamera("Close"));
    EXPECT_TRUE(cameras->SetDefaultCamera("Producer Top"));
}

// ---- A destroyed material or texture leaves the layers --------------------

TEST_F(Teardown, DestroyedMaterialsAndTexturesLeaveTheLayers)
{
    KScnNode* node = Under(a->GetRootNode(), "mesh");
    auto* mesh = m.CreateMesh();
    node->SetNodeAttribute(mesh);
    KScnMaterial* red = m.CreateMaterial("red");
    KScnMaterial* blue = m.CreateMaterial("blue");
    KScnTexture* wood = m.CreateTexture("wood");
    ASSERT_EQ(mesh->AddMaterial(red, 0), 0);
    ASSERT_EQ(mesh->AddMaterial(blue, 0), 1);
    ASSERT_EQ(mesh->AddTexture(wood, 0), 0);
    KScnLayerElement* materials = mesh->GetLayer(0)->GetMaterialElement();
    materials->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    for (int entry : {0, 1, 0})
    {
        materials->AddIndex(entry);
    }
    KScnLayerElement* textures = mesh->GetLayer(0)->GetTextureElement();
    textures->AddIndex(0);
    ASSERT_EQ(a->GetContents()->GetMaterialUseCount(red), 1);

    ASSERT_TRUE(m.DestroyMaterial(red));
    ASSERT_TRUE(m.DestroyTexture(wood));
    struct Row
    {
        const char* what;
        int value;
        int expected;
    };
    const Row rows[] = {
        {"material entries kept", materials->GetDirectCount(), 2},
        {"index at the destroyed material", materials->GetIndexAt(0), -1},
        {"index at the other one", materials->GetIndexAt(1), 1},
        {"second index at the destroyed material", materials->GetIndexAt(2), -1},
        {"texture index", textures->GetIndexAt(0), -1},
        {"destroyed material's entry is empty", materials->GetDirect<KScnMaterial*>()[0] == nullptr, 1},
        {"the other material stays", materials->GetDirect<KScnMaterial*>()[1] == blue, 1},
        {"destroyed texture's entry is empty", textures->GetDirect<KScnTexture*>()[0] == nullptr, 1},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.value, row.expected) << row.what;
    }
    // Moved to another scene, the node brings only what lives.
    ASSERT_TRUE(b->GetRootNode()->AddChild(node));
    KPointerArray<KScnMaterial> listed(16);
    EXPECT_EQ(b->FillMaterialArray(listed), 1);
    EXPECT_EQ(listed.GetAt(0), blue);
    EXPECT_EQ(b->GetContents()->GetTextureCount(), 0);
    KScnTriangulator triangulator(&m);
    EXPECT_NE(triangulator.TriangulateMesh(*mesh), nullptr);
}

// A node destroyed without its geometry takes the geometry's uses out of
// its scene first: the geometry, kept, no longer counts there.
TEST_F(Teardown, DestroyedNodesGeometryLeavesTheScene)
{
    for (bool recursive : {false, true})
    {
        KScnSceneRoot* scene = recursive ? b : a;
        KScnNode* node = Under(scene->GetRootNode(), "mesh");
        KScnMesh* mesh = m.CreateMesh();
        node->SetNodeAttribute(mesh);
        KScnMaterial* material = m.CreateMaterial("paint");
        ASSERT_EQ(mesh->AddMaterial(material, 0), 0);
        ASSERT_EQ(scene->GetContents()->GetMaterialUseCount(material), 1);
        ASSERT_TRUE(m.DestroyNode(node, recursive));
        EXPECT_EQ(scene->GetContents()->GetMaterialUseCount(material), 0) << recursive;
        EXPECT_EQ(m.HasNodeAttribute(mesh), !recursive);
        if (!recursive)
        {
            EXPECT_EQ(mesh->GetSceneContents(), nullptr);
            EXPECT_TRUE(m.DestroyScene(scene, true));
            EXPECT_TRUE(m.DestroyNodeAttribute(mesh)) << "reads no freed scene";
        }
    }
}

// ---- Handles standing for a destroyed object's properties -----------------

TEST_F(Teardown, HandlesStopStandingForADestroyedObjectsProperties)
{
    KScnNode* owner = m.CreateNode("owner");
    KScnNode* other = m.CreateNode("other");
    // A record given a property of the owner, listed nowhere.
    KScnPropertyRef* record = m.CreateUserProperty("Extra", "Real", "label");
    ASSERT_NE(owner->CreatePropertyForRef(record), nullptr);
    // A handle of one of the owner's properties, listed on another object.
    KProperty* shown = owner->GetNodeProperties()->FindProperty("Visibility");
    KScnPropertyRef* foreign = m.CreateUserPropertyFromProperty(shown);
    other->AddUserProperty(foreign);
    // A second record for the same property, removed for the first.
    KScnPropertyRef* twin = m.CreateUserProperty("Twin", "Real", "");
    ASSERT_NE(other->CreatePropertyForRef(twin), nullptr);
    KScnPropertyRef* twinHandle = m.CreateUserPropertyFromProperty(twin->GetProperty());
    ASSERT_TRUE(other->GetPropertyHandler()->RemovePropertyForRef(twin));
    EXPECT_EQ(twinHandle->GetProperty(), nullptr) << "another handle of a removed property";

    ASSERT_TRUE(m.DestroyNode(owner));
    struct Row
    {
        const char* what;
        KScnPropertyRef* handle;
        const char* name;
    };
    const Row rows[] = {{"record", record, "Extra"}, {"handle listed elsewhere", foreign, ""}};
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.handle->GetProperty(), nullptr) << row.what;
        EXPECT_EQ(row.handle->GetHandler(), nullptr) << row.what;
        EXPECT_STREQ(row.handle->GetName(), row.name) << row.what;
    }
    EXPECT_EQ(m.FindUserProperty("Extra"), record);
    EXPECT_EQ(other->FindUserProperty(static_cast<const KProperty*>(nullptr)), nullptr);
    // The other object goes; the handle it listed stays with the manager.
    ASSERT_TRUE(m.DestroyNode(other));
    EXPECT_TRUE(m.DestroyUserProperty(foreign));
}

TEST_F(Teardown, ADestroyedHandleLeavesTheListsThatHoldIt)
{
    KScnNode* first = m.CreateNode("first");
    KScnNode* second = m.CreateNode("second");
    KScnPropertyRef* shared = m.CreateUserProperty("Shared", "Bool", "");
    first->AddUserProperty(shared);
    second->AddUserProperty(shared);
    const int before[] = {first->GetUserPropertyCount(), second->GetUserPropertyCount()};
    ASSERT_TRUE(m.DestroyUserProperty(shared));
    EXPECT_EQ(first->GetUserPropertyCount(), before[0] - 1);
    EXPECT_EQ(second->GetUserPropertyCount(), before[1] - 1);
    EXPECT_EQ(first->FindUserPropertyByName("Shared"), nullptr);
    EXPECT_EQ(second->FindUserPropertyByName("Shared"), nullptr);
}

// ---- A disconnected constraint can still be destroyed --------------------

TEST_F(Teardown, DisconnectedConstraintIsDestroyable)
{
    for (int kind = KScnSdkManager::eConstraintPosition; kind <= KScnSdkManager::eConstraintAim; ++kind)
    {
        KScnConstraint* constraint = m.CreateConstraint("c", kind);
        ASSERT_TRUE(a->GetContents()->AddObject(constraint));
        constraint->DisconnectAll();
        EXPECT_EQ(a->GetContents()->GetObjectCount(), 0) << kind << ": the scene lets it go";
        EXPECT_GT(constraint->GetConstraintProperties()->GetPropertyCount(), 0)
            << kind << ": properties stay";
        EXPECT_NE(m.FindUserProperty("Weight"), nullptr) << kind;
        EXPECT_TRUE(m.DestroyConstraint(constraint)) << kind;
    }
    EXPECT_EQ(m.FindUserProperty("Weight"), nullptr);
}

// ---- A skin link keeps its node's name, not the node ----------------------

TEST_F(Teardown, LinksLetGoOfADestroyedNode)
{
    KScnNode* skinned = Under(a->GetRootNode(), "skinned");
    KScnNode* bone = Under(a->GetRootNode(), "bone");
    KScnNode* model = Under(a->GetRootNode(), "model");
    auto* mesh = m.CreateMesh();
    skinned->SetNodeAttribute(mesh);
    mesh->InitControlPoints(4);
    mesh->BeginPolygon();
    for (int corner : {0, 1, 2, 3})
    {
        mesh->AddPolygonVertex(corner);
    }
    KScnLink* link = m.CreateLink();
    link->SetLink(bone);
    link->SetAssociateModel(model);
    mesh->AddDeformer(link);
    KScnLink* copy = m.CreateLink();
    copy->CopyFrom(*link);

    ASSERT_TRUE(m.DestroyNode(bone));
    for (KScnLink* l : {link, copy})
    {
        EXPECT_EQ(l->GetLink(), nullptr);
        EXPECT_EQ(l->GetAssociateModel(), model) << "only the destroyed node's slot empties";
    }
    ASSERT_TRUE(m.DestroyNode(model));
    for (KScnLink* l : {link, copy})
    {
        EXPECT_EQ(l->GetLink(), nullptr);
        EXPECT_EQ(l->GetAssociateModel(), nullptr);
        EXPECT_STREQ(l->GetLinkName().Buffer(), "Model::bone");
        EXPECT_STREQ(l->GetAssociateModelName().Buffer(), "Model::model");
    }
    KScnTriangulator triangulator(&m);
    auto* triangles = static_cast<KScnGeometry*>(triangulator.TriangulateMesh(*mesh));
    ASSERT_NE(triangles, nullptr);
    ASSERT_EQ(triangles->GetLinkCount(), 1);
    EXPECT_STREQ(triangles->GetLink(0)->GetLinkName().Buffer(), "Model::bone");
    // Links that go first leave their node with no entry, in any order.
    KScnNode* arm = m.CreateNode("arm");
    KScnLink* armLinks[4];
    for (KScnLink*& l : armLinks)
    {
        l = m.CreateLink();
        l->SetLink(arm);
    }
    armLinks[3]->SetAssociateModel(arm);
    EXPECT_EQ(arm->GetLinkReferenceCount(), 5);
    const int order[] = {0, 3, 1};
    for (int i : order)
    {
        ASSERT_TRUE(m.DestroyLink(armLinks[i]));
    }
    EXPECT_EQ(arm->GetLinkReferenceCount(), 1);
    EXPECT_TRUE(m.DestroyNode(arm));
    EXPECT_EQ(armLinks[2]->GetLink(), nullptr);
}

// ---- Links and shapes are their geometry's --------------------------------

TEST_F(Teardown, LinksAndShapesAreTheirGeometrysOwn)
{
    KScnMesh* first = m.CreateMesh();
    KScnMesh* second = m.CreateMesh();
    KScnLink* link = m.CreateLink();
    KScnShape* shape = m.CreateShape();
    ASSERT_EQ(first->AddLink(link), 0);
    ASSERT_EQ(first->AddShape(shape, "smile"), 0);
    struct Row
    {
        const char* what;
        std::function<bool()> call;
        bool expected;
    };
    const Row rows[] = {
        {"destroy a held link", [&] { return m.DestroyLink(link); }, false},
        {"destroy a held shape", [&] { return m.DestroyShape(shape); }, false},
        {"another geometry takes the link", [&] { return second->AddLink(link) >= 0; }, false},
        {"another geometry takes the shape", [&] { return second->AddShape(shape, "grin") >= 0; }, false},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.call(), row.expected) << row.what;
    }
    EXPECT_EQ(second->GetError().GetLastErrorID(), KScnGeometry::eShapeAlreadyAdded);
    EXPECT_EQ(second->AddLink(link), -1);
    EXPECT_STREQ(second->GetError().GetLastErrorString(), "Link already added.");
    // Let go, they are anybody's again; destroyed with their geometry else.
    first->ClearLinks();
    first->ClearShapes();
    EXPECT_EQ(second->AddLink(link), 0);
    EXPECT_EQ(second->AddShape(shape, "grin"), 0);
    const int links = m.GetLinkCount();
    EXPECT_TRUE(m.DestroyNodeAttribute(second));
    EXPECT_EQ(m.GetLinkCount(), links - 1);
    EXPECT_EQ(m.GetShapeCount(), 0);
    EXPECT_EQ(first->GetLinkCount(), 0);
}

// ---- A new root leaves its old parent -------------------------------------

TEST_F(Teardown, NewRootIsCutFromItsOldParent)
{
    ASSERT_EQ(a->CreateCharacterPose("pose"), 0);
    KScnSceneRoot* pose = a->GetCharacterPose(0)->GetScene();
    KScnNode* oldRoot = b->GetRootNode();
    KScnNode* top = Under(pose->GetRootNode(), "top");
    Under(top, "leaf");
    ASSERT_TRUE(top->SetSceneContents(b->GetContents(), true));
    EXPECT_EQ(top->GetParent(), nullptr);
    EXPECT_EQ(pose->GetRootNode()->GetChildCount(), 0);
    EXPECT_EQ(b->GetRootNode(), top);
    const int nodes = m.GetNodeCount();
    // The pose's scene goes with a, and takes only its own tree.
    EXPECT_TRUE(m.DestroyScene(a, true));
    EXPECT_EQ(b->GetRootNode(), top);
    EXPECT_EQ(top->GetChildCount(), 1);
    EXPECT_LT(m.GetNodeCount(), nodes);
    EXPECT_TRUE(m.DestroyScene(b, true));
    ASSERT_EQ(m.GetNodeCount(), 1) << "b's old root, let go when top took its place";
    EXPECT_EQ(m.GetNode(0), oldRoot);
}

TEST_F(Teardown, DestroySceneAnswersTrueOnceTheSceneIsGone)
{
    ASSERT_EQ(a->CreateCharacterPose("pose"), 0);
    KScnSceneRoot* pose = a->GetCharacterPose(0)->GetScene();
    // a's root hung in the pose's scene: it goes with the pose.
    KScnNode* rootA = a->GetRootNode();
    KScnNode* rootB = b->GetRootNode();
    ASSERT_TRUE(pose->GetRootNode()->AddChild(rootB));
    EXPECT_EQ(b->GetRootNode(), nullptr);
    EXPECT_TRUE(m.DestroyScene(a, true));
    EXPECT_TRUE(m.DestroyScene(b, true));
    EXPECT_EQ(m.GetSceneCount(), 0);
    (void)rootA;

    // A root that the scene's own destruction takes (it is a node of the
    // pose's scene too): the scene is gone all the same.
    KScnSceneRoot* c = m.CreateScene();
    ASSERT_EQ(c->CreateCharacterPose("pose"), 0);
    KScnNode* inPose = m.CreateNode("inPose");
    ASSERT_TRUE(c->GetCharacterPose(0)->GetScene()->GetRootNode()->AddChild(inPose));
    ASSERT_TRUE(c->GetContents()->AddNode(inPose));
    c->GetContents()->SetRootNode(inPose);
    EXPECT_TRUE(m.DestroyScene(c, true));
    EXPECT_EQ(m.GetSceneCount(), 0);
}

} // namespace
