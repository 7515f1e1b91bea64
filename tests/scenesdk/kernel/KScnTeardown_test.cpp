// Objects destroyed in every order the headers allow: what a scene owns is
// refused by the manager's destroyers, and whatever dies takes itself out of
// what refers to it. Each row is one order that used freed memory before.

#include "scenesdk/animation/KFCurve.h"
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
#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

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
    KScnSceneRoot* Pose(KScnSceneRoot* scene)
    {
        EXPECT_EQ(scene->CreateCharacterPose("pose"), 0);
        return scene->GetCharacterPose(0)->GetScene();
    }
    KScnMesh* MeshUnder(KScnNode* parent)
    {
        KScnMesh* mesh = m.CreateMesh();
        Under(parent, "mesh")->SetNodeAttribute(mesh);
        return mesh;
    }
};

TEST_F(Teardown, OwnedObjectsAreRefusedByTheDestroyers)
{
    KScnSceneRoot* pose = Pose(a);
    KScnSceneCameraSettings* cams = a->GetGlobalCameraSettings();
    KScnNode* switcher = a->GetCameraSwitcherNode();
    const std::pair<const void*, std::function<bool()>> rows[] = {
        {pose, [&] { return m.DestroyScene(pose, true); }},
        {cams->GetProducerNode(0), [&] { return m.DestroyNode(cams->GetProducerNode(0), true); }},
        {cams->GetProducerNode(3), [&] { return m.DestroyNode(cams->GetProducerNode(3)); }},
        {cams->GetProducerTop(), [&] { return m.DestroyNodeAttribute(cams->GetProducerTop()); }},
        {switcher, [&] { return m.DestroyNode(switcher, true); }},
        {switcher->GetNodeAttribute(), [&] { return m.DestroyNodeAttribute(switcher->GetNodeAttribute()); }},
    };
    for (const auto& [object, destroy] : rows)
    {
        EXPECT_TRUE(m.IsOwned(object)) << object;
        m.GetError().SetLastErrorID(1);
        EXPECT_FALSE(destroy()) << object;
        EXPECT_EQ(m.GetError().GetLastErrorID(), 0) << object;
    }
    EXPECT_EQ(a->GetCameraSwitcherNode()->GetCameraSwitcher(), switcher->GetNodeAttribute());
    EXPECT_EQ(cams->GetProducerNode(0)->GetCamera(), cams->GetProducerPerspective());
    a->Clear();
    EXPECT_TRUE(a->SetCurrentTake("Default"));
    EXPECT_GT(a->AddTakeWhereMissing("Other"), 0);
    KPointerArray<KString> names(16);
    a->FillTakeNameList(names);
    EXPECT_EQ(names.GetCount(), 2);
    KScnSceneRoot::ClearTakeNameList(names);
    // Every scene from the last: the private one is refused, goes with a.
    for (int i = m.GetSceneCount() - 1; i >= 0; --i)
        m.DestroyScene(m.GetScene(i), true);
    EXPECT_EQ(m.GetSceneCount(), 0);
    EXPECT_FALSE(m.IsOwned(pose));
    EXPECT_FALSE(m.IsOwned(switcher));
}

// A hidden node is nobody's child or parent and joins no scene, as root or
// as member: a pose scene's root went with that scene while another scene
// still held it as its switcher. A node with a parent takes no second one through a direct connection:
// a recursive destroy of the second went on to the first, deleting it while the manager listed it.
TEST_F(Teardown, HiddenNodesJoinNoTreeNorSceneAndANodeHasOneParent)
{
    KScnSceneRoot* pose = Pose(a);
    KScnNode* producer = b->GetGlobalCameraSettings()->GetProducerNode(2);
    KScnNode* producerA = a->GetGlobalCameraSettings()->GetProducerNode(1);
    KScnNode* switcher = a->GetCameraSwitcherNode();
    KScnNode* rootA = a->GetRootNode();
    KScnNode* child = Under(rootA, "child");
    KScnNode* rootB = b->GetRootNode();
    b->SetCameraSwitcherNode(rootB);
    ASSERT_EQ(b->GetCameraSwitcherNode(), rootB);
    KScnNode* roots[] = {pose->GetRootNode(), rootA, b->GetRootNode()};
    KScnNode* hand = Under(child, "hand");
    KScnNode* legs[] = {Under(pose->GetRootNode(), "leg"), m.CreateNode("free leg")}; // another scene, none
    using Row = std::pair<KScnNode*, std::function<bool()>>;
    const auto add = [](KScnNode* parent, KScnNode* node) {
        return Row{parent, [=] { return parent->AddChild(node); }};
    };
    // Property sets, from either end: c ConnectSrc, d ConnectDst, i InsertSrc, s SetSrc, r ReplaceSrc.
    const auto link = [this](KScnNode* parent, KScnNode* node, char how) {
        KScnPropertyHandler *up = parent->GetPropertyHandler(), *down = node->GetPropertyHandler();
        KScnPropertyHandler* stub = how == 'r' ? Under(parent, "stub")->GetPropertyHandler() : nullptr;
        return Row{parent, [=]
                   {
                       return how == 'd' ? down->ConnectDst(up)
                                         : how == 'i' ? up->InsertSrc(0, down)
                                                      : how == 's' ? up->SetSrc(0, down)
                                                                   : how == 'r' ? up->ReplaceSrc(stub, down)
                                                                                : up->ConnectSrc(down);
                   }};
    };
    const auto in = [](KScnNode* node, KScnSceneRoot* scene, bool asRoot) {
        return Row{node, [=] { return node->SetSceneContents(scene->GetContents(), asRoot); }};
    };
    const Row rows[] = {add(producer, rootA),      add(producer, child), add(switcher, child),
                        add(rootA, producer),      add(child, switcher), in(rootB, pose, true),
                        in(rootB, pose, false),    in(rootB, a, true),   in(producerA, b, true),
                        in(producerA, pose, false), link(switcher, child, 'c'),
                        link(switcher, child, 'd'),  link(producer, child, 'd'),
                        link(switcher, m.CreateNode("free"), 'd'),
                        link(legs[0], hand, 'c'),    link(legs[0], hand, 'i'),   link(legs[0], hand, 'r'),
                        link(legs[0], hand, 's'),    link(legs[0], hand, 'd'),   link(legs[1], hand, 'c'),
                        link(legs[1], hand, 'i'),    link(legs[1], hand, 'r'),   link(legs[1], hand, 's'),
                        link(legs[1], hand, 'd')};
    for (const auto& [node, refused] : rows)
    {
        const bool owned = node != legs[0] && node != legs[1];
        EXPECT_FALSE(refused()) << node->GetName();
        EXPECT_EQ(node->GetError().GetLastErrorID(), owned ? KScnNode::eErrorOwnedNode : KScnNode::eErrorHasParent)
            << node->GetName();
        EXPECT_STREQ(node->GetError().GetLastErrorString(),
                     owned ? "Node belongs to its scene" : "Node already has a parent");
    }
    for (KScnNode* leg : legs)
        EXPECT_TRUE(m.DestroyNode(leg, true));
    // A one-way entry lists a node as a child without being its parent: a recursive destroy takes it and
    // goes back the way it came, not on to the node's parent.
    KScnNode* lister = Under(pose->GetRootNode(), "lister");
    KScnNode* held = m.CreateNode("held");
    ASSERT_TRUE(lister->GetPropertyHandler()->ConnectSrc(held->GetPropertyHandler(), KPlug::kOneWayType));
    ASSERT_TRUE(child->AddChild(held));
    EXPECT_TRUE(m.DestroyNode(lister, true));
    EXPECT_EQ(m.FindNode("hand"), hand) << "neither the child of another parent nor its parent went";
    EXPECT_EQ(hand->GetParent(), child);
    EXPECT_EQ(child->GetChildCount(), 1);
    EXPECT_EQ(child->GetParent(), rootA);
    EXPECT_EQ(rootB->GetSceneContents(), nullptr);
    EXPECT_EQ(producerA->GetSceneContents(), nullptr);
    EXPECT_EQ((std::vector<KScnNode*>{pose->GetRootNode(), a->GetRootNode(), b->GetRootNode()}),
              (std::vector<KScnNode*>(std::begin(roots), std::end(roots))));
    EXPECT_TRUE(rootB->SetSceneContents(nullptr, true)) << "already out";
    // Nor do they give or take attributes.
    KScnNodeAttribute* camera = producer->GetNodeAttribute();
    KScnNodeAttribute* switcherAttribute = switcher->GetNodeAttribute();
    const std::tuple<KScnNode*, KScnNodeAttribute*, KScnNodeAttribute*> attributeRows[] = {
        {child, camera, nullptr},
        {child, switcherAttribute, nullptr},
        {producer, m.CreateNull(), camera},
        {switcher, nullptr, switcherAttribute}};
    for (const auto& [node, given, kept] : attributeRows)
    {
        EXPECT_EQ(node->SetNodeAttribute(given), nullptr) << node->GetName();
        EXPECT_EQ(node->GetNodeAttribute(), kept) << node->GetName();
    }
    EXPECT_TRUE(m.DestroyScene(b, true));
    EXPECT_EQ(a->GetRootNode(), rootA);
    EXPECT_EQ(rootA->GetChild(0), child);
    m.DestroyAllObjects();
    EXPECT_EQ(m.GetSceneCount(), 0);
}

TEST_F(Teardown, SwitcherNodeSetByTheReaderIsTheScenesOwn)
{
    KScnNode* old = a->GetCameraSwitcherNode();
    KScnNode* node = Under(a->GetRootNode(), "Camera Switcher");
    node->SetNodeAttribute(m.CreateCameraSwitcher());
    a->SetCameraSwitcherNode(node);
    EXPECT_EQ(a->GetCameraSwitcherNode(), node);
    EXPECT_EQ(node->GetParent(), nullptr);
    EXPECT_EQ(node->GetSceneContents(), nullptr);
    EXPECT_TRUE(m.IsOwned(node));
    EXPECT_FALSE(m.IsOwned(old));
    EXPECT_FALSE(m.DestroyNode(node, true));
    a->SetCameraSwitcherNode(b->GetCameraSwitcherNode());
    EXPECT_EQ(a->GetCameraSwitcherNode(), node) << "another scene's hidden node is refused";
}

TEST_F(Teardown, DefaultCameraIsLookedForUnderTheCurrentRoot)
{
    KScnNode* shot = Under(Under(a->GetRootNode(), "group"), "Shot");
    KScnSceneCameraSettings* cameras = a->GetGlobalCameraSettings();
    EXPECT_TRUE(cameras->SetDefaultCamera("Shot"));
    KScnNode* other = m.CreateNode("other");
    Under(other, "Close");
    ASSERT_TRUE(other->SetSceneContents(a->GetContents(), true));
    EXPECT_TRUE(cameras->SetDefaultCamera("Close"));
    EXPECT_FALSE(cameras->SetDefaultCamera("Shot")) << "the old tree is not searched";
    EXPECT_TRUE(m.DestroyNode(shot));
    EXPECT_TRUE(m.DestroyNode(a->GetRootNode(), true));
    EXPECT_EQ(a->GetRootNode(), nullptr);
    EXPECT_FALSE(cameras->SetDefaultCamera("Close"));
    EXPECT_TRUE(cameras->SetDefaultCamera("Producer Top"));
}

TEST_F(Teardown, DestroyedMaterialsAndTexturesLeaveTheLayers)
{
    KScnMesh* mesh = MeshUnder(a->GetRootNode());
    KScnMaterial* red = m.CreateMaterial("red");
    KScnMaterial* blue = m.CreateMaterial("blue");
    ASSERT_EQ(mesh->AddMaterial(red, 0), 0);
    ASSERT_EQ(mesh->AddMaterial(blue, 0), 1);
    ASSERT_EQ(mesh->AddTexture(m.CreateTexture("wood"), 0), 0);
    KScnLayerElement* materials = mesh->GetLayer(0)->GetMaterialElement();
    KScnLayerElement* textures = mesh->GetLayer(0)->GetTextureElement();
    materials->SetReferenceMode(KScnLayerElement::eIndexToDirect);
    for (int entry : {0, 1, 0})
        materials->AddIndex(entry);
    textures->AddIndex(0);
    ASSERT_TRUE(m.DestroyMaterial(red));
    ASSERT_TRUE(m.DestroyTexture(textures->GetDirect<KScnTexture*>()[0]));
    EXPECT_EQ(materials->GetDirectCount(), 2);
    using Ints = std::vector<int>;
    EXPECT_EQ((Ints{materials->GetIndexAt(0), materials->GetIndexAt(1), materials->GetIndexAt(2),
                    textures->GetIndexAt(0)}),
              (Ints{-1, 1, -1, -1}));
    EXPECT_EQ((std::vector<void*>{materials->GetDirect<void*>()[0], materials->GetDirect<void*>()[1],
                                  textures->GetDirect<void*>()[0]}),
              (std::vector<void*>{nullptr, blue, nullptr}));
    // Moved to another scene, the node brings only what lives.
    ASSERT_TRUE(b->GetRootNode()->AddChild(mesh->GetNode()));
    KPointerArray<KScnMaterial> listed(16);
    EXPECT_EQ(b->FillMaterialArray(listed), 1);
    EXPECT_EQ(listed.GetAt(0), blue);
    EXPECT_EQ(b->GetContents()->GetTextureCount(), 0);
    KScnTriangulator triangulator(&m);
    EXPECT_NE(triangulator.TriangulateMesh(*mesh), nullptr);
}

// However a material came into a layer (and if one was made since), destroying it
// empties its entry, visiting the few containers that may hold it, not every geometry.
TEST_F(Teardown, DestroyedMaterialsLeaveLayersHoweverTheyCameIn)
{
    // How, per the switch below; x: the mesh destroyed first; capitals: a material made after.
    for (const char* how : {"a", "i", "I", "w", "W", "c", "C", "s", "S", "l", "L", "b", "x", "X"})
    {
        SCOPED_TRACE(how);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnMaterial* paint = manager.CreateMaterial("paint");
        KScnMaterial* other = manager.CreateMaterial("other");
        for (int i = 0; i < 40; ++i)
            manager.CreateMesh()->AddMaterial(other, 0);
        KScnNode* node = manager.CreateNode("n");
        ASSERT_TRUE(scene->GetRootNode()->AddChild(node));
        KScnMesh* mesh = manager.CreateMesh();
        node->SetNodeAttribute(mesh);
        ASSERT_EQ(mesh->AddMaterial(other, 0), 0);
        KScnLayerElement* element = mesh->GetLayer(0)->GetMaterialElement();
        KScnMesh* source = manager.CreateMesh();
        source->AddMaterial(paint, 0);
        KScnLayerElement* made = KScnLayerElement::Create(KScnLayerElement::eMaterial);
        made->AddDirectItem(&paint);
        switch (*how | 0x20)
        {
        case 'a': case 'x': mesh->AddMaterial(paint, 0); break;
        case 'i': element->AddDirectItem(&paint); break;
        case 'w': // after something else made
            manager.CreateTexture("settles the mesh");
            element->GetDirect<KScnMaterial*>()[0] = paint;
            break;
        case 'c': mesh->CopyLayers(*source); break;
        case 's': mesh->GetLayer(0)->SetMaterialElement(std::exchange(made, nullptr)); break;
        case 'l': *mesh->GetLayer(0) = *source->GetLayer(0); break;
        case 'b': // appended after the connection the element holds already
            for (KScnMaterial* bound : {other, paint})
                node->GetPropertyHandler()->ConnectSrc(bound->GetPropertyHandler());
            scene->BindMaterialsToLayers();
        }
        delete made;
        if (*how != (*how | 0x20))
            manager.CreateMaterial("settles the layers");
        if ((*how | 0x20) == 'x')
        {
            ASSERT_TRUE(manager.DestroyNode(node, true));
        }
        manager.DestroyNodeAttribute(source);
        const uint64_t work = kerneltest::WorkOf([&] { ASSERT_TRUE(manager.DestroyMaterial(paint)); });
        EXPECT_LE(work, 2u) << "containers visited";
        if ((*how | 0x20) == 'x')
            continue;
        element = mesh->GetLayer(0)->GetMaterialElement();
        for (int i = 0; i < element->GetDirectCount(); ++i)
            EXPECT_NE(static_cast<const KScnLayerElement*>(element)->GetDirect<void*>()[i], paint) << i;
    }
}

// A node destroyed without its geometry takes the geometry's uses out of
// its scene first.
TEST_F(Teardown, DestroyedNodesGeometryLeavesTheScene)
{
    for (bool recursive : {false, true})
    {
        KScnSceneRoot* scene = recursive ? b : a;
        KScnMesh* mesh = MeshUnder(scene->GetRootNode());
        KScnMaterial* material = m.CreateMaterial("paint");
        ASSERT_EQ(mesh->AddMaterial(material, 0), 0);
        ASSERT_EQ(scene->GetContents()->GetMaterialUseCount(material), 1);
        ASSERT_TRUE(m.DestroyNode(mesh->GetNode(), recursive));
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

TEST_F(Teardown, HandlesStopStandingForADestroyedObjectsProperties)
{
    KScnNode* owner = m.CreateNode("owner");
    KScnNode* other = m.CreateNode("other");
    // A record of the owner listed nowhere; a handle of its property listed
    // on another object; a second handle of a property removed for its record.
    KScnPropertyRef* record = m.CreateUserProperty("Extra", "Real", "label");
    ASSERT_NE(owner->CreatePropertyForRef(record), nullptr);
    KProperty* visibility = owner->GetNodeProperties()->FindProperty("Visibility");
    KScnPropertyRef* foreign = m.CreateUserPropertyFromProperty(visibility);
    other->AddUserProperty(foreign);
    KScnPropertyRef* twin = m.CreateUserProperty("Twin", "Real", "");
    ASSERT_NE(other->CreatePropertyForRef(twin), nullptr);
    KScnPropertyRef* twinHandle = m.CreateUserPropertyFromProperty(twin->GetProperty());
    ASSERT_TRUE(other->GetPropertyHandler()->RemovePropertyForRef(twin));
    EXPECT_EQ(twinHandle->GetProperty(), nullptr);

    // A handle of a material's property on the other node links its new channel.
    KScnMaterial* material = m.CreateMaterial("mat");
    KProperty* opacity = material->GetMaterialProperties()->FindProperty("Opacity");
    other->AddUserProperty(m.CreateUserPropertyFromProperty(opacity));
    ASSERT_TRUE(m.DestroyMaterial(material));

    ASSERT_TRUE(m.DestroyNode(owner));
    for (const auto& [handle, name] : {std::pair{record, "Extra"}, std::pair{foreign, ""}})
    {
        EXPECT_EQ(handle->GetProperty(), nullptr) << name;
        EXPECT_EQ(handle->GetHandler(), nullptr) << name;
        EXPECT_STREQ(handle->GetName(), name);
    }
    EXPECT_EQ(m.FindUserProperty("Extra"), record);
    EXPECT_EQ(other->FindUserProperty(static_cast<const KProperty*>(nullptr)), nullptr);
    for (int i = 0; i < other->GetLinkCount(); ++i) // dead properties' links went
    {
        const KProperty* linked = other->GetLink(i)->mProperty;
        EXPECT_TRUE(linked != visibility && linked != opacity) << i;
        other->GetLink(i)->mCurve->SetDefaultValue(0.5f);
    }
    ASSERT_TRUE(m.DestroyNode(other));
    EXPECT_TRUE(m.DestroyUserProperty(foreign)) << "stays with the manager";
    // A destroyed handle leaves the lists that hold it.
    KScnNode* nodes[] = {m.CreateNode("first"), m.CreateNode("second")};
    KScnPropertyRef* shared = m.CreateUserProperty("Shared", "Bool", "");
    for (KScnNode* node : nodes)
        node->AddUserProperty(shared);
    const int before = nodes[0]->GetUserPropertyCount();
    ASSERT_TRUE(m.DestroyUserProperty(shared));
    for (KScnNode* node : nodes)
    {
        EXPECT_EQ(node->GetUserPropertyCount(), before - 1);
        EXPECT_EQ(node->FindUserPropertyByName("Shared"), nullptr);
    }
    // Handles the caller listed on an object (a record, and one of the object's own properties) outlive
    // it, standing for nothing; the object's own go.
    KScnNode* crate = m.CreateNode("crate");
    KScnMaterial* paint = m.CreateMaterial("paint");
    KScnConstraint* aim = m.CreateConstraint("aim", KScnSdkManager::eConstraintAim);
    const std::pair<KScnTakeNodeContainer*, std::function<bool()>> rows[] = {
        {crate, [&] { return m.DestroyNode(crate); }},
        {paint, [&] { return m.DestroyMaterial(paint); }},
        {aim, [&] { return m.DestroyConstraint(aim); }}};
    for (const auto& [object, destroy] : rows)
    {
        SCOPED_TRACE(object->GetName());
        KScnPropertyRef* speed = m.CreateUserProperty("Speed", "Real", "");
        object->AddUserProperty(speed);
        ASSERT_NE(speed->GetProperty(), nullptr);
        KScnPropertyRef* own = m.CreateUserPropertyFromProperty(object->GetPropertyHandler()->GetProperty(0));
        object->AddUserProperty(own);
        const int made = object->GetUserPropertyCount() - 2;
        const int handles = m.GetUserPropertyCount();
        ASSERT_TRUE(destroy());
        for (KScnPropertyRef* handle : {speed, own})
            EXPECT_TRUE(handle->GetProperty() == nullptr && handle->GetHandler() == nullptr);
        EXPECT_STREQ(speed->GetName(), "Speed");
        EXPECT_EQ(m.GetUserPropertyCount(), handles - made);
        EXPECT_TRUE(m.DestroyUserProperty(speed) && m.DestroyUserProperty(own));
    }
}

TEST_F(Teardown, DisconnectedConstraintIsDestroyable)
{
    for (int kind = KScnSdkManager::eConstraintPosition; kind <= KScnSdkManager::eConstraintAim; ++kind)
    {
        KScnConstraint* constraint = m.CreateConstraint("c", kind);
        ASSERT_TRUE(a->GetContents()->AddObject(constraint));
        constraint->DisconnectAll();
        EXPECT_EQ(a->GetContents()->GetObjectCount(), 0) << kind;
        EXPECT_GT(constraint->GetConstraintProperties()->GetPropertyCount(), 0) << kind;
        EXPECT_NE(m.FindUserProperty("Weight"), nullptr) << kind;
        EXPECT_TRUE(m.DestroyConstraint(constraint)) << kind;
    }
    EXPECT_EQ(m.FindUserProperty("Weight"), nullptr);
}

// A skin link keeps its node's name, not the node.
TEST_F(Teardown, LinksLetGoOfADestroyedNode)
{
    KScnMesh* mesh = MeshUnder(a->GetRootNode());
    KScnNode* bone = Under(a->GetRootNode(), "bone");
    KScnNode* model = Under(a->GetRootNode(), "model");
    mesh->InitControlPoints(4);
    mesh->BeginPolygon();
    for (int corner : {0, 1, 2, 3})
        mesh->AddPolygonVertex(corner);
    KScnLink* link = m.CreateLink();
    link->SetLink(bone);
    link->SetAssociateModel(model);
    mesh->AddDeformer(link);
    KScnLink* copy = m.CreateLink();
    copy->CopyFrom(*link);
    // Only the destroyed node's slot empties; the names stay.
    for (KScnNode* gone : {bone, model})
    {
        ASSERT_TRUE(m.DestroyNode(gone));
        for (KScnLink* l : {link, copy})
        {
            EXPECT_EQ(l->GetLink(), nullptr);
            EXPECT_EQ(l->GetAssociateModel(), gone == bone ? model : nullptr);
            EXPECT_STREQ(l->GetLinkName().Buffer(), "Model::bone");
            EXPECT_STREQ(l->GetAssociateModelName().Buffer(), "Model::model");
        }
    }
    KScnTriangulator triangulator(&m);
    auto* triangles = static_cast<KScnGeometry*>(triangulator.TriangulateMesh(*mesh));
    ASSERT_NE(triangles, nullptr);
    ASSERT_EQ(triangles->GetLinkCount(), 1);
    EXPECT_STREQ(triangles->GetLink(0)->GetLinkName().Buffer(), "Model::bone");
    // Links that go first leave their node with no entry, in any order.
    KScnNode* arm = m.CreateNode("arm");
    KScnLink* armLinks[] = {m.CreateLink(), m.CreateLink(), m.CreateLink(), m.CreateLink()};
    for (KScnLink* l : armLinks)
        l->SetLink(arm);
    armLinks[3]->SetAssociateModel(arm);
    EXPECT_EQ(arm->GetLinkReferenceCount(), 5);
    for (int i : {0, 3, 1})
        ASSERT_TRUE(m.DestroyLink(armLinks[i]));
    EXPECT_EQ(arm->GetLinkReferenceCount(), 1);
    EXPECT_TRUE(m.DestroyNode(arm));
    EXPECT_EQ(armLinks[2]->GetLink(), nullptr);
}

TEST_F(Teardown, LinksAndShapesAreTheirGeometrysOwn)
{
    KScnMesh* first = m.CreateMesh();
    KScnMesh* second = m.CreateMesh();
    KScnLink* link = m.CreateLink();
    KScnShape* shape = m.CreateShape();
    ASSERT_EQ(first->AddLink(link), 0);
    ASSERT_EQ(first->AddShape(shape, "smile"), 0);
    EXPECT_FALSE(m.DestroyLink(link));
    EXPECT_FALSE(m.DestroyShape(shape));
    EXPECT_EQ(second->AddShape(shape, "grin"), -1);
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

TEST_F(Teardown, NewRootIsCutFromItsOldParent)
{
    KScnSceneRoot* pose = Pose(a);
    KScnNode* oldRoot = b->GetRootNode();
    KScnNode* top = Under(pose->GetRootNode(), "top");
    Under(top, "leaf");
    ASSERT_TRUE(top->SetSceneContents(b->GetContents(), true));
    EXPECT_EQ(top->GetParent(), nullptr);
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
    // b's root hung in a's pose scene: it goes with the pose.
    ASSERT_TRUE(Pose(a)->GetRootNode()->AddChild(b->GetRootNode()));
    EXPECT_EQ(b->GetRootNode(), nullptr);
    EXPECT_TRUE(m.DestroyScene(a, true));
    EXPECT_TRUE(m.DestroyScene(b, true));
    EXPECT_EQ(m.GetSceneCount(), 0);
    // A root that the scene's own destruction takes (a node of its pose's
    // scene too): the scene is gone all the same.
    KScnSceneRoot* c = m.CreateScene();
    KScnNode* inPose = Under(Pose(c)->GetRootNode(), "inPose");
    ASSERT_TRUE(c->GetContents()->AddNode(inPose));
    c->GetContents()->SetRootNode(inPose);
    EXPECT_TRUE(m.DestroyScene(c, true));
    EXPECT_EQ(m.GetSceneCount(), 0);
}

} // namespace
