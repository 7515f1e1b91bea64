#include "scenesdk/kernel/KScnSdkManager.h"

#include "scenesdk/attributes/KScnCamera.h"
#include "scenesdk/attributes/KScnCameraSwitcher.h"
#include "scenesdk/attributes/KScnConstraint.h"
#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/attributes/KScnExporter.h"
#include "scenesdk/attributes/KScnGenericNode.h"
#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnLink.h"
#include "scenesdk/attributes/KScnMarker.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/attributes/KScnNurb.h"
#include "scenesdk/attributes/KScnOpticalReference.h"
#include "scenesdk/attributes/KScnPatch.h"
#include "scenesdk/attributes/KScnPose.h"
#include "scenesdk/attributes/KScnShape.h"
#include "scenesdk/attributes/KScnSkeleton.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNamedCallbackTable.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnTexture.h"
#include "scenesdk/kernel/KScnTriangulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

class ManagedAttribute : public KScnNodeAttribute
{
public:
    explicit ManagedAttribute(int* deaths) : mDeaths(deaths) {}
    ~ManagedAttribute() override { ++*mDeaths; }
    EAttributeKind GetAttributeKind() const override { return eMesh; }
    int* mDeaths;
};

class RecordingListener : public KScnSdkManagerListener
{
public:
    explicit RecordingListener(std::vector<std::string>* log) : mLog(log) {}
    ~RecordingListener() override { mLog->push_back("deleted"); }
    void OnAllObjectsDestroyed() override { mLog->push_back("all destroyed"); }
    void OnObjectCreated(const KString& name) override { mLog->push_back(name.Buffer()); }
    std::vector<std::string>* mLog;
};

// The sum of the per-kind object lists (user-property handles aside, which
// objects make for their own properties): each object sits in exactly one.
int ListedObjects(const KScnSdkManager& m)
{
    return m.GetSceneCount() + m.GetNodeCount() + m.GetNodeAttributeCount() + m.GetLinkCount() +
           m.GetShapeCount() + m.GetTriangulatorCount() + m.GetMaterialCount() + m.GetTextureCount() +
           m.GetVideoCount() + m.GetPoseListCount() + m.GetGenericNodeCount() + m.GetHandlerObjectCount() +
           m.GetExporterCount() + m.GetImporterCount() + m.GetThumbnailCount() + m.GetSceneMetaDataCount();
}

TEST(SdkManagerTest, CreatorsPrefixNames)
{
    KScnSdkManager m;
    EXPECT_STREQ(m.CreateNode("Material::Cube")->GetName(), "Model::Cube");
    EXPECT_STREQ(m.CreateNode("")->GetName(), "Model::Name");
    EXPECT_STREQ(m.CreateNode("a::b::c")->GetName(), "Model::b::c");
    EXPECT_STREQ(m.CreateMaterial("Red")->GetName(), "Material::Red");
    EXPECT_STREQ(m.CreateMaterial(nullptr)->GetName(), "Material::Name");
    EXPECT_STREQ(m.CreateTexture("Model::Wood")->GetName(), "Texture::Wood");
    EXPECT_STREQ(m.CreateVideo("Texture::Clip")->GetName(), "Video::Clip");
    EXPECT_STREQ(m.CreatePose("Bind", true)->GetName(), "Pose::Bind");
    EXPECT_STREQ(m.CreateDeformer("Skin", "Skin")->GetName(), "Deformer::Skin");
    EXPECT_STREQ(m.CreateDeformer("Arm", "CLUSTER")->GetName(), "SubDeformer::Arm");
    EXPECT_STREQ(m.CreateDeformer("", "Clusters")->GetName(), "Deformer::Name");
    EXPECT_STREQ(m.CreateConstraint("Aim", KScnSdkManager::eConstraintAim)->GetName(), "Constraint::Aim");
    EXPECT_STREQ(m.CreateGenericNode("Generic::Kept")->GetName(), "Generic::Kept")
        << "no prefix for generic nodes";
    EXPECT_STREQ(m.CreateUserProperty("Weight", "Number", "")->GetName(), "Weight");
}

TEST(SdkManagerTest, EachObjectIsInExactlyOneList)
{
    KScnSdkManager m;
    EXPECT_EQ(ListedObjects(m), 0);
    m.CreateNode("n");
    EXPECT_EQ(m.GetNodeCount(), 1);
    m.CreateMaterial("m");
    m.CreateTexture("t");
    m.CreatePose("p", false);
    m.CreateLink();
    m.CreateGenericNode("g");
    m.CreateDeformer("d", "Skin");
    m.CreateConstraint("c", KScnSdkManager::eConstraintPosition);
    m.CreateExporter();
    m.CreateCameraSwitcher();
    const int handles = m.GetUserPropertyCount();
    m.CreateUserProperty("u", "Number", "");
    EXPECT_EQ(m.GetUserPropertyCount(), handles + 1);
    EXPECT_EQ(ListedObjects(m), 10);
    EXPECT_EQ(m.GetMaterialCount(), 1);
    EXPECT_EQ(m.GetTextureCount(), 1);
    EXPECT_EQ(m.GetHandlerObjectCount(), 2);
    EXPECT_EQ(m.GetNodeAttributeCount(), 1);

    // A scene brings its root node, the camera-switcher node with its
    // attribute, and the seven producer camera nodes with their cameras.
    KScnSceneRoot* scene = m.CreateScene();
    EXPECT_EQ(m.GetSceneCount(), 1);
    EXPECT_EQ(m.GetNodeCount(), 3 + 7);
    EXPECT_EQ(m.GetNodeAttributeCount(), 2 + 7);
    EXPECT_EQ(m.GetNode(1), scene->GetRootNode());
    EXPECT_EQ(ListedObjects(m), 14 + 14);
}

TEST(SdkManagerTest, CamerasImportersMetadataAndCallbacks)
{
    KScnSdkManager m;
    KScnCamera* camera = m.CreateCamera();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->GetAttributeKind(), KScnNodeAttribute::eCamera);
    EXPECT_EQ(m.GetNodeAttribute(0), camera);

    KScnImporter* importer = m.CreateImporter();
    KScnThumbnailImage* thumbnail = m.CreateThumbnail();
    KScnSceneMetaData* metaData = m.CreateSceneMetaData();
    EXPECT_EQ(ListedObjects(m), 4);
    EXPECT_TRUE(thumbnail->SetSize(4, 2, KScnThumbnailImage::eRGBA32));
    EXPECT_EQ(thumbnail->GetDataSize(), 32);
    EXPECT_FALSE(thumbnail->SetSize(-1, 2, KScnThumbnailImage::eRGB24));
    EXPECT_FALSE(thumbnail->SetSize(1 << 20, 1 << 20, KScnThumbnailImage::eRGB24));
    EXPECT_EQ(thumbnail->GetWidth(), 4);
    metaData->mTitle = "Walk";
    metaData->SetThumbnail(thumbnail);
    KScnSceneMetaData copy;
    copy = *metaData;
    EXPECT_STREQ(copy.mTitle.Buffer(), "Walk");
    ASSERT_NE(copy.GetThumbnail(), nullptr);
    EXPECT_NE(copy.GetThumbnail(), thumbnail);
    EXPECT_EQ(copy.GetThumbnail()->GetDataSize(), 32);

    EXPECT_TRUE(m.DestroyThumbnail(thumbnail));
    EXPECT_FALSE(m.DestroyThumbnail(thumbnail));
    EXPECT_STREQ(m.GetError().GetLastErrorString(), "Object not found");
    EXPECT_TRUE(m.DestroySceneMetaData(metaData));
    EXPECT_FALSE(m.DestroySceneMetaData(metaData));
    EXPECT_TRUE(m.DestroyImporter(importer));
    EXPECT_FALSE(m.DestroyImporter(importer));

    KScnNamedCallbackTable* table = m.GetNamedCallbackTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->GetManager(), &m);
    int calls = 0;
    EXPECT_TRUE(table->Register(
        "count", [](void* user, void*) { ++*static_cast<int*>(user); }, &calls));
    EXPECT_FALSE(table->Register(nullptr, nullptr, nullptr));
    EXPECT_TRUE(table->Call("count", nullptr));
    EXPECT_FALSE(table->Call("missing", nullptr));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(table->Unregister("count"));
    EXPECT_FALSE(table->Call("count", nullptr));

    // Everything left is destroyed with the manager's objects.
    m.CreateImporter();
    m.CreateSceneMetaData();
    m.DestroyAllObjects();
    EXPECT_EQ(ListedObjects(m), 0);
}

TEST(SdkManagerTest, AttributeCreatorsListTheirKinds)
{
    KScnSdkManager m;
    const std::vector<KScnNodeAttribute*> made = {
        m.CreateNull(),           m.CreateMarker(), m.CreateSkeleton(),
        m.CreateMesh(),           m.CreateNurb(),   m.CreatePatch(),
        m.CreateCameraSwitcher(), m.CreateLight(),  m.CreateOpticalReference()};
    const KScnNodeAttribute::EAttributeKind kinds[] = {
        KScnNodeAttribute::eNull,           KScnNodeAttribute::eMarker, KScnNodeAttribute::eSkeleton,
        KScnNodeAttribute::eMesh,           KScnNodeAttribute::eNurb,   KScnNodeAttribute::ePatch,
        KScnNodeAttribute::eCameraSwitcher, KScnNodeAttribute::eLight,  KScnNodeAttribute::eOpticalReference};
    ASSERT_EQ(m.GetNodeAttributeCount(), 9);
    for (size_t i = 0; i < made.size(); ++i)
    {
        EXPECT_EQ(m.GetNodeAttribute(static_cast<int>(i)), made[i]);
        EXPECT_EQ(made[i]->GetAttributeKind(), kinds[i]) << i;
    }
    KScnShape* shape = m.CreateShape();
    KScnTriangulator* triangulator = m.CreateTriangulator();
    EXPECT_EQ(m.GetShapeCount(), 1);
    EXPECT_EQ(m.GetTriangulatorCount(), 1);
    EXPECT_EQ(m.GetNodeAttributeCount(), 9) << "shapes have their own list";

    KScnNode* node = m.CreateNode("holder");
    node->SetNodeAttribute(made[3]);
    EXPECT_TRUE(m.DestroyNodeAttribute(made[3]));
    EXPECT_EQ(node->GetNodeAttribute(), nullptr) << "a destroyed attribute leaves its node";
    EXPECT_FALSE(m.DestroyNodeAttribute(made[3]));
    EXPECT_TRUE(m.DestroyShape(shape));
    EXPECT_FALSE(m.DestroyShape(shape));
    EXPECT_TRUE(m.DestroyTriangulator(triangulator));
    EXPECT_FALSE(m.DestroyTriangulator(triangulator));
}

TEST(SdkManagerTest, ConstraintKindsOutsideRangeGiveNull)
{
    KScnSdkManager m;
    for (int kind = 1; kind <= 6; ++kind)
    {
        EXPECT_NE(m.CreateConstraint("c", kind), nullptr) << kind;
    }
    m.GetError().SetLastErrorID(1);
    EXPECT_EQ(m.CreateConstraint("c", 0), nullptr);
    EXPECT_EQ(m.CreateConstraint("c", 7), nullptr);
    EXPECT_EQ(m.GetHandlerObjectCount(), 6);
    EXPECT_EQ(m.GetError().GetLastErrorID(), 1) << "no error for a bad kind";
}

TEST(SdkManagerTest, FindByNameAndOccurrence)
{
    KScnSdkManager m;
    KScnNode* first = m.CreateNode("Arm");
    m.CreateNode("Leg");
    KScnNode* second = m.CreateNode("Arm");
    EXPECT_EQ(m.FindNode("Arm"), first);
    EXPECT_EQ(m.FindNode("Model::Arm", 1), second) << "a given prefix is replaced";
    EXPECT_EQ(m.FindNode("arm"), nullptr) << "case-sensitive";
    EXPECT_EQ(m.FindNode("Arm", 2), nullptr);
    EXPECT_EQ(m.GetError().GetLastErrorID(), 0);
    EXPECT_STREQ(m.GetError().GetLastErrorString(), "Object not found");

    KScnMaterial* red = m.CreateMaterial("Red");
    KScnTexture* wood = m.CreateTexture("Wood");
    EXPECT_EQ(m.FindMaterial("Red"), red);
    EXPECT_EQ(m.FindMaterial("Wood"), nullptr);
    EXPECT_EQ(m.FindTexture("Wood"), wood);
    KScnVideo* clip = m.CreateVideo("Clip");
    EXPECT_EQ(m.FindVideo("Clip"), clip);
    EXPECT_EQ(m.FindVideo("Wood"), nullptr);

    KScnPose* pose = m.CreatePose("Rest", false);
    EXPECT_EQ(m.FindPose("Pose::Rest"), pose) << "poses compare the text as given";
    EXPECT_EQ(m.FindPose("Rest"), nullptr);
    KScnGenericNode* generic = m.CreateGenericNode("G");
    EXPECT_EQ(m.FindGenericNode("G"), generic);

    m.GetError().SetLastErrorID(1);
    KScnPropertyRef* weight = m.CreateUserProperty("Weight", "Number", "");
    EXPECT_EQ(m.FindUserProperty("Weight"), weight);
    EXPECT_EQ(m.FindUserProperty("None"), nullptr);
    EXPECT_EQ(m.GetError().GetLastErrorID(), 1) << "user-property find sets no error";
}

TEST(SdkManagerTest, DestroyRemovesAndSecondDestroyFails)
{
    KScnSdkManager m;
    KScnTexture* texture = m.CreateTexture("t");
    EXPECT_TRUE(m.DestroyTexture(texture));
    EXPECT_EQ(m.GetTextureCount(), 0);
    EXPECT_FALSE(m.DestroyTexture(texture));
    EXPECT_STREQ(m.GetError().GetLastErrorString(), "Object not found");

    KScnMaterial* material = m.CreateMaterial("m");
    KScnPose* pose = m.CreatePose("p", true);
    KScnLink* link = m.CreateLink();
    KScnGenericNode* generic = m.CreateGenericNode("g");
    KScnDeformer* deformer = m.CreateDeformer("d", "Cluster");
    KScnConstraint* constraint = m.CreateConstraint("c", KScnSdkManager::eConstraintParent);
    KScnExporter* exporter = m.CreateExporter();
    KScnVideo* video = m.CreateVideo("v");
    EXPECT_TRUE(m.DestroyVideo(video));
    EXPECT_FALSE(m.DestroyVideo(video));
    EXPECT_TRUE(m.DestroyMaterial(material));
    EXPECT_TRUE(m.DestroyPose(pose));
    EXPECT_TRUE(m.DestroyLink(link));
    EXPECT_TRUE(m.DestroyGenericNode(generic));
    EXPECT_TRUE(m.DestroyDeformer(deformer));
    EXPECT_FALSE(m.DestroyDeformer(deformer));
    EXPECT_FALSE(m.DestroyObject(nullptr));
    EXPECT_TRUE(m.DestroyObject(constraint));
    EXPECT_TRUE(m.DestroyExporter(exporter));
    EXPECT_EQ(ListedObjects(m), 0);
    EXPECT_EQ(m.GetUserPropertyCount(), 0) << "handles of the objects' own properties went with them";
    EXPECT_FALSE(m.DestroyMaterial(nullptr));
    EXPECT_FALSE(m.DestroyScene(nullptr, true));
}

TEST(SdkManagerTest, RecursiveNodeDestroyTakesEveryChildAndListedAttribute)
{
    KScnSdkManager m;
    int deaths = 0;
    KScnNode* parent = m.CreateNode("parent");
    for (int i = 0; i < 4; ++i)
    {
        parent->AddChild(m.CreateNode("child"));
    }
    auto* attribute = new ManagedAttribute(&deaths);
    ASSERT_TRUE(m.AdoptNodeAttribute(attribute));
    EXPECT_FALSE(m.AdoptNodeAttribute(attribute));
    parent->GetChild(2)->SetNodeAttribute(attribute);
    EXPECT_TRUE(m.DestroyNode(parent, true));
    EXPECT_EQ(m.GetNodeCount(), 0) << "every child goes, not every second one";
    EXPECT_EQ(m.GetNodeAttributeCount(), 0);
    EXPECT_EQ(deaths, 1);
}

TEST(SdkManagerTest, NonRecursiveNodeDestroyLeavesChildrenAndAttribute)
{
    KScnSdkManager m;
    int deaths = 0;
    KScnNode* parent = m.CreateNode("parent");
    KScnNode* child = m.CreateNode("child");
    parent->AddChild(child);
    auto* attribute = new ManagedAttribute(&deaths);
    m.AdoptNodeAttribute(attribute);
    parent->SetNodeAttribute(attribute);
    EXPECT_TRUE(m.DestroyNode(parent, false));
    EXPECT_EQ(m.GetNodeCount(), 1);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(attribute->GetNode(), nullptr);
    EXPECT_EQ(deaths, 0);
    EXPECT_TRUE(m.DestroyNodeAttribute(attribute));
    EXPECT_EQ(deaths, 1);
}

TEST(SdkManagerTest, SceneDestroyWithAndWithoutRecursion)
{
    KScnSdkManager m;
    KScnSceneRoot* scene = m.CreateScene();
    scene->GetRootNode()->AddChild(m.CreateNode("a"));
    EXPECT_TRUE(m.DestroyScene(scene, true));
    EXPECT_EQ(m.GetNodeCount(), 0) << "root, its child and the camera switcher";
    EXPECT_EQ(m.GetNodeAttributeCount(), 0);
    EXPECT_FALSE(m.DestroyScene(scene, true));

    KScnSceneRoot* kept = m.CreateScene();
    KScnNode* root = kept->GetRootNode();
    EXPECT_TRUE(m.DestroyScene(kept, false));
    EXPECT_EQ(m.GetNodeCount(), 1);
    EXPECT_EQ(m.GetNode(0), root) << "the root stays with the manager";
}

TEST(SdkManagerTest, DestroyingSharedObjectsUpdatesScenes)
{
    KScnSdkManager m;
    KScnSceneRoot* scene = m.CreateScene();
    KScnSceneContents* contents = scene->GetContents();
    KScnMaterial* material = m.CreateMaterial("m");
    contents->AddMaterial(material);
    contents->AddMaterial(material);
    KScnNode* node = m.CreateNode("n");
    contents->AddNode(node);
    KScnPose* pose = m.CreatePose("p", false);
    scene->AddPose(pose);
    KScnDeformer* deformer = m.CreateDeformer("d", "Skin");
    contents->AddObject(deformer);

    EXPECT_TRUE(m.DestroyMaterial(material));
    EXPECT_EQ(contents->GetMaterialCount(), 0);
    EXPECT_TRUE(m.DestroyNode(node));
    EXPECT_EQ(contents->GetNodeCount(), 1) << "only the root remains";
    EXPECT_TRUE(m.DestroyPose(pose));
    EXPECT_EQ(scene->GetPoseCount(), 0);
    EXPECT_TRUE(m.DestroyDeformer(deformer));
    EXPECT_EQ(contents->GetObjectCount(), 0);
}

TEST(SdkManagerTest, PoseScopeSpansScenes)
{
    KScnSdkManager m;
    KScnSceneRoot* a = m.CreateScene();
    KScnSceneRoot* b = m.CreateScene();
    KScnPose* p1 = m.CreatePose("one", true);
    KScnPose* p2 = m.CreatePose("two", true);
    a->AddPose(p1);
    b->AddPose(p2);
    EXPECT_EQ(p1->GetPoseScope(), &m);
    EXPECT_EQ(m.GetPoseCount(), 2);
    EXPECT_EQ(m.GetPose(1), p2);
    EXPECT_EQ(m.GetPose(2), nullptr);
    EXPECT_EQ(m.GetPose(-1), nullptr);
}

TEST(SdkManagerTest, ListenersAreToldAndOwned)
{
    std::vector<std::string> log;
    {
        KScnSdkManager m;
        m.SetListener(KScnSdkManager::eListenNodes, new RecordingListener(&log));
        m.SetListener(KScnSdkManager::eListenMaterials, new RecordingListener(&log));
        m.CreateNode("Arm");
        m.CreateMaterial("Red");
        m.CreateTexture("unheard");
        m.DestroyAllObjects();
        EXPECT_EQ(ListedObjects(m), 0);
    }
    const std::vector<std::string> expected = {"Model::Arm",    "Material::Red", "all destroyed",
                                               "all destroyed", "all destroyed", "all destroyed",
                                               "deleted",       "deleted"};
    EXPECT_EQ(log, expected);
}

// A listener is handed the new object's own initial-name string, which it
// may keep: it stays valid and follows the object's names.
class KeepingListener : public KScnSdkManagerListener
{
public:
    void OnObjectCreated(const KString& name) override { mKept.push_back(&name); }
    std::vector<const KString*> mKept;
};

TEST(SdkManagerTest, ListenersGetTheObjectsOwnInitialName)
{
    KScnSdkManager m;
    KeepingListener* listeners[KScnSdkManager::eListenerKindCount];
    for (int kind = 0; kind < KScnSdkManager::eListenerKindCount; ++kind)
    {
        listeners[kind] = new KeepingListener;
        m.SetListener(static_cast<KScnSdkManager::EListenerKind>(kind), listeners[kind]);
    }
    const struct
    {
        KScnSdkManager::EListenerKind kind;
        KScnObject* object;
        const char* name;
    } rows[] = {
        {KScnSdkManager::eListenNodes, m.CreateNode("Arm"), "Model::Arm"},
        {KScnSdkManager::eListenMaterials, m.CreateMaterial("Red"), "Material::Red"},
        {KScnSdkManager::eListenTextures, m.CreateTexture("Wood"), "Texture::Wood"},
        {KScnSdkManager::eListenVideos, m.CreateVideo("Clip"), "Video::Clip"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(listeners[row.kind]->mKept.size(), 1u);
        const KString* kept = listeners[row.kind]->mKept[0];
        EXPECT_EQ(kept, &row.object->GetInitialNameString());
        EXPECT_STREQ(kept->Buffer(), row.name);
        row.object->SetNames("Renamed");
        EXPECT_STREQ(kept->Buffer(), "Renamed");
    }
}

TEST(SdkManagerTest, ManagerDeathDestroysEverything)
{
    int deaths = 0;
    {
        KScnSdkManager* m = KScnSdkManager::CreateManager();
        KScnSceneRoot* scene = m->CreateScene();
        scene->GetRootNode()->AddChild(m->CreateNode("child"));
        scene->GetContents()->AddMaterial(m->CreateMaterial("m"));
        KScnGenericNode* generic = m->CreateGenericNode("g");
        scene->AddGenericNode(generic);
        m->CreateScene();
        auto* attribute = new ManagedAttribute(&deaths);
        m->AdoptNodeAttribute(attribute);
        m->CreateNode("holder")->SetNodeAttribute(attribute);
        m->CreateDeformer("d", "Skin");
        m->CreateConstraint("c", KScnSdkManager::eConstraintScale);
        delete m;
    }
    EXPECT_EQ(deaths, 1) << "sanitizers catch leaks and double frees of the rest";
}

} // namespace

namespace
{

// A manager that makes some objects of its own: a node class of its own,
// no materials at all, and counts the aim constraints it makes.
class OwnNode : public KScnNode
{
public:
    OwnNode(KScnSdkManager* manager, const char* name) : KScnNode(manager, name) {}
};

class OwnFactories : public KScnSdkManager
{
public:
    std::vector<std::string> names;
    int aims = 0;

protected:
    KScnNode* NewNode(const char* name) override
    {
        names.push_back(name);
        return new OwnNode(this, name);
    }
    KScnMaterial* NewMaterial(const char* name) override
    {
        names.push_back(name);
        return nullptr;
    }
    KScnConstraint* NewConstraintAim(const char* name) override
    {
        ++aims;
        return KScnSdkManager::NewConstraintAim(name);
    }
};

} // namespace

TEST(SdkManagerTest, CreatorsGoThroughTheFactoryOperations)
{
    std::vector<std::string> log;
    OwnFactories m;
    m.SetListener(KScnSdkManager::eListenMaterials, new RecordingListener(&log));
    KScnNode* node = m.CreateNode("Arm");
    EXPECT_NE(dynamic_cast<OwnNode*>(node), nullptr);
    EXPECT_EQ(m.GetNodeCount(), 1);
    // Null from a factory: nothing listed, no listener told.
    EXPECT_EQ(m.CreateMaterial("Red"), nullptr);
    EXPECT_EQ(m.GetMaterialCount(), 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(m.names, (std::vector<std::string>{"Model::Arm", "Material::Red"})) << "full names";
    KScnConstraint* aim = m.CreateConstraint("Look", KScnSdkManager::eConstraintAim);
    ASSERT_NE(aim, nullptr);
    EXPECT_STREQ(aim->GetName(), "Constraint::Look");
    EXPECT_EQ(m.aims, 1);
    EXPECT_EQ(m.CreateConstraint("Other", KScnSdkManager::eConstraintParent)->GetConstraintKind(),
              KScnConstraint::eParent);
    EXPECT_EQ(m.aims, 1);
    EXPECT_EQ(m.GetHandlerObjectCount(), 2);
    EXPECT_TRUE(m.DestroyNode(node));
}
