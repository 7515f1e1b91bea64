// The scene's member lists as objects are connected to its nodes and as
// subtrees move between scenes: materials, textures and videos follow the
// nodes that use them.

#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/attributes/KScnVideo.h"
#include "scenesdk/kernel/KScnLayer.h"
#include "scenesdk/kernel/KScnLayerElement.h"
#include "scenesdk/kernel/KScnMaterial.h"
#include "scenesdk/kernel/KScnMesh.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

void Connect(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used)
{
    ASSERT_TRUE(user->GetPropertyHandler()->ConnectSrc(used->GetPropertyHandler()));
}

// A manager with two scenes, and the helpers the tables set up with.
struct Scenes
{
    KScnNode* NodeIn(KScnSceneRoot* scene, const char* name)
    {
        KScnNode* node = manager.CreateNode(name);
        if (scene != nullptr)
        {
            EXPECT_TRUE(scene->GetRootNode()->AddChild(node));
        }
        return node;
    }
    KScnMaterial* Stone()
    {
        if (stone == nullptr)
        {
            stone = manager.CreateMaterial("Stone");
        }
        return stone;
    }
    KScnMesh* MeshOn(KScnNode* node)
    {
        KScnMesh* mesh = manager.CreateMesh();
        node->SetNodeAttribute(mesh);
        return mesh;
    }

    KScnSdkManager manager;
    KScnSceneRoot* from = manager.CreateScene();
    KScnSceneRoot* to = manager.CreateScene();
    KScnMaterial* stone = nullptr;
};

int Listed(KScnSceneRoot* scene, char kind)
{
    KScnSceneContents* contents = scene->GetContents();
    return kind == 'm' ? contents->GetMaterialCount()
                       : (kind == 't' ? contents->GetTextureCount() : contents->GetVideoCount());
}

// ---- Materials and textures: connected to a node of a scene, they join it ----

struct JoinRow
{
    const char* what;
    char kind;       // 'm' material, 't' texture
    bool nodeInScene;
    bool twinListed; // another object of the same name is listed first
    int listed;      // objects listed after the connection
};

TEST(SceneMembers, AMaterialOrTextureConnectedToASceneNodeJoinsTheScene)
{
    const JoinRow rows[] = {
        {"material on a scene node", 'm', true, false, 1},   {"material on a free node", 'm', false, false, 0},
        {"material of a listed name", 'm', true, true, 1},   {"texture on a scene node", 't', true, false, 1},
        {"texture on a free node", 't', false, false, 0},    {"texture of a listed name", 't', true, true, 1},
    };
    for (const JoinRow& row : rows)
    {
        SCOPED_TRACE(row.what);
        KScnSdkManager manager;
        KScnSceneRoot* scene = manager.CreateScene();
        KScnSceneContents* contents = scene->GetContents();
        KScnNode* node = manager.CreateNode("n");
        if (row.nodeInScene)
        {
            ASSERT_TRUE(scene->GetRootNode()->AddChild(node));
        }
        const bool material = row.kind == 'm';
        KScnTakeNodeContainer* object =
            material ? static_cast<KScnTakeNodeContainer*>(manager.CreateMaterial("Stone")) : manager.CreateTexture("Stone");
        if (row.twinListed && material)
        {
            contents->AddMaterial(manager.CreateMaterial("Stone"));
        }
        else if (row.twinListed)
        {
            contents->AddTexture(manager.CreateTexture("Stone"));
        }
        Connect(node, object);
        ASSERT_EQ(Listed(scene, row.kind), row.listed);
        const bool objectListed = material ? contents->GetMaterialUseCount(static_cast<KScnMaterial*>(object)) > 0
                                           : contents->GetTextureUseCount(static_cast<KScnTexture*>(object)) > 0;
        EXPECT_EQ(objectListed, row.nodeInScene && !row.twinListed);
    }
}

// ---- Scene object: what the scene does with the members that joined ----

TEST(SceneMembers, AConnectedMaterialIsAMaterialOfTheSceneAlsoAfterBinding)
{
    Scenes s;
    KScnSceneRoot* scene = s.from;
    KScnNode* node = s.NodeIn(scene, "mesh");
    KScnMesh* mesh = s.MeshOn(node);
    KScnLayerElement* element = KScnLayerElement::Create(KScnLayerElement::eMaterial);
    element->SetReferenceMode(KScnLayerElement::eDirect);
    mesh->GetLayer(mesh->CreateLayer())->SetMaterialElement(element);
    KScnMaterial* stone = s.Stone();
    Connect(node, stone);
    KPointerArray<KScnMaterial> materials(16);
    for (int pass = 0; pass < 2; ++pass)
    {
        SCOPED_TRACE(pass == 0 ? "connected" : "bound");
        EXPECT_EQ(scene->FillMaterialArray(materials), 1);
        ASSERT_EQ(materials.GetCount(), 1);
        EXPECT_EQ(materials[0], stone);
        scene->BindMaterialsToLayers();
    }
    EXPECT_EQ(element->GetDirectCount(), 1);
}

TEST(SceneMembers, TakesOfConnectedMaterialsAndTexturesBelongToTheScene)
{
    Scenes s;
    KScnSceneRoot* scene = s.from;
    KScnNode* node = s.NodeIn(scene, "n");
    KScnTakeNodeContainer* objects[] = {s.Stone(), s.manager.CreateTexture("Wood")};
    const char* takes[] = {"Wet", "Worn"};
    for (int i = 0; i < 2; ++i)
    {
        Connect(node, objects[i]);
        ASSERT_NE(objects[i]->AddTakeNode(takes[i]), nullptr);
    }
    const std::vector<std::string> names = scene->GetTakeNames();
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(takes[i]);
        EXPECT_NE(std::find(names.begin(), names.end(), takes[i]), names.end());
        // The nodes have no such take: the call fails, yet every object that
        // has it switches.
        EXPECT_FALSE(scene->SetCurrentTake(takes[i]));
        EXPECT_EQ(objects[i]->GetCurrentTakeIndex(), 1);
    }
}

// ---- Nodes: a subtree moving to another scene takes its members along ----

struct MoveRow
{
    const char* what;
    char kind; // the kind of member counted: 'm', 't', 'v'
    std::function<void(Scenes&, KScnNode* moved, KScnNode* stays)> setUp;
    int leftInOld;
    int inNew;
};

TEST(SceneMembers, MembersFollowTheSubtreeUnlessANodeThatStaysUsesThem)
{
    const MoveRow rows[] = {
        {"material connected to the moved node", 'm', [](Scenes& s, KScnNode* a, KScnNode*) { Connect(a, s.Stone()); },
         0, 1},
        {"material connected to a node that stays too", 'm',
         [](Scenes& s, KScnNode* a, KScnNode* b)
         {
             Connect(a, s.Stone());
             Connect(b, s.Stone());
         },
         1, 1},
        {"material in the moved mesh's layer", 'm',
         [](Scenes& s, KScnNode* a, KScnNode*) { s.MeshOn(a)->AddMaterial(s.Stone(), 0); }, 0, 1},
        {"material in a layer of a mesh that stays too", 'm',
         [](Scenes& s, KScnNode* a, KScnNode* b)
         {
             s.MeshOn(a)->AddMaterial(s.Stone(), 0);
             s.MeshOn(b)->AddMaterial(s.Stone(), 0);
         },
         1, 1},
        {"listed material bound to the moved mesh", 'm',
         [](Scenes& s, KScnNode* a, KScnNode*)
         {
             s.from->GetContents()->AddMaterial(s.Stone());
             KScnLayerElement* element = KScnLayerElement::Create(KScnLayerElement::eMaterial);
             KScnMesh* mesh = s.MeshOn(a);
             mesh->GetLayer(mesh->CreateLayer())->SetMaterialElement(element);
             Connect(a, s.Stone());
             s.from->BindMaterialsToLayers();
         },
         0, 1},
        {"texture connected to the moved node", 't',
         [](Scenes& s, KScnNode* a, KScnNode*) { Connect(a, s.manager.CreateTexture("Wood")); }, 0, 1},
        {"video of the moved node's texture", 'v',
         [](Scenes& s, KScnNode* a, KScnNode*)
         {
             KScnTexture* wood = s.manager.CreateTexture("Wood");
             Connect(a, wood);
             Connect(wood, s.manager.CreateVideo("Clip"));
         },
         0, 1},
        {"gobo of the moved light", 'v',
         [](Scenes& s, KScnNode* a, KScnNode*)
         {
             a->SetNodeAttribute(s.manager.CreateLight());
             Connect(a, s.manager.CreateVideo("Clip"));
         },
         0, 1},
    };
    for (const MoveRow& row : rows)
    {
        SCOPED_TRACE(row.what);
        Scenes s;
        KScnNode* a = s.NodeIn(s.from, "A");
        KScnNode* b = s.NodeIn(s.from, "B");
        row.setUp(s, a, b);
        ASSERT_TRUE(s.to->GetRootNode()->AddChild(a));
        EXPECT_EQ(Listed(s.from, row.kind), row.leftInOld);
        EXPECT_EQ(Listed(s.to, row.kind), row.inNew);
        // Cut loose, the subtree leaves nothing behind.
        ASSERT_EQ(s.to->GetRootNode()->RemoveChild(a), a);
        EXPECT_EQ(Listed(s.to, row.kind), 0);
    }
}

// With names checked, a member of the target that does not move and has
// the name of a moving one refuses the move: nodes, textures, videos,
// materials, tested in this order.
struct ClashRow
{
    const char* listedInTarget; // letters: n node, t texture, v video, m material, s the same material
    bool moved;
    int error;
    const char* text;
};

TEST(SceneMembers, ANameClashWithTheTargetRefusesTheMove)
{
    const ClashRow rows[] = {
        {"n", false, KScnNode::eErrorNodeNameClash, "Node name clash"},
        {"t", false, KScnNode::eErrorTextureNameClash, "Texture name clash"},
        {"v", false, KScnNode::eErrorVideoNameClash, "Video name clash"},
        {"m", false, KScnNode::eErrorMaterialNameClash, "Material name clash"},
        {"mt", false, KScnNode::eErrorTextureNameClash, "Texture name clash"},
        {"mv", false, KScnNode::eErrorVideoNameClash, "Video name clash"},
        {"s", true, -1, nullptr},
    };
    for (const ClashRow& row : rows)
    {
        SCOPED_TRACE(row.listedInTarget);
        KScnSdkManager manager;
        KScnSceneRoot* from = manager.CreateScene();
        KScnSceneRoot* target = manager.CreateScene();
        KScnNode* a = manager.CreateNode("A");
        KScnNode* arm = manager.CreateNode("Arm");
        ASSERT_TRUE(a->AddChild(arm));
        ASSERT_TRUE(from->GetRootNode()->AddChild(a));
        KScnMaterial* stone = manager.CreateMaterial("Stone");
        KScnTexture* wood = manager.CreateTexture("Wood");
        Connect(arm, stone);
        Connect(arm, wood);
        Connect(wood, manager.CreateVideo("Clip"));
        KScnSceneContents* contents = target->GetContents();
        const std::string listed = row.listedInTarget;
        for (char c : listed)
        {
            if (c == 'n')
            {
                ASSERT_TRUE(target->GetRootNode()->AddChild(manager.CreateNode("Arm")));
            }
            else if (c == 't')
            {
                contents->AddTexture(manager.CreateTexture("Wood"));
            }
            else if (c == 'v')
            {
                contents->AddVideo(manager.CreateVideo("Clip"));
            }
            else
            {
                contents->AddMaterial(c == 's' ? stone : manager.CreateMaterial("Stone"));
            }
        }
        EXPECT_EQ(a->SetSceneContents(contents, true), row.moved);
        if (!row.moved)
        {
            EXPECT_EQ(a->GetError().GetLastErrorID(), row.error);
            EXPECT_STREQ(a->GetError().GetLastErrorString(), row.text);
            EXPECT_EQ(arm->GetSceneContents(), from->GetContents()) << "nothing moved";
            EXPECT_EQ(from->GetContents()->GetMaterialCount(), 1);
        }
    }
}

TEST(SceneMembers, WithNamesCheckedTheSubtreeBecomesTheWholeOfTheTarget)
{
    Scenes s;
    KScnNode* oldRoot = s.to->GetRootNode();
    KScnNode* old = s.NodeIn(s.to, "Old");
    Connect(old, s.manager.CreateMaterial("Moss"));
    KScnNode* a = s.manager.CreateNode("A");
    KScnNode* arm = s.manager.CreateNode("Arm");
    ASSERT_TRUE(a->AddChild(arm));
    KScnMaterial* stone = s.Stone();
    Connect(arm, stone);
    KScnSceneContents* contents = s.to->GetContents();
    ASSERT_EQ(contents->GetMaterialCount(), 1);

    ASSERT_TRUE(a->SetSceneContents(contents, true));
    EXPECT_EQ(contents->GetRootNode(), a);
    EXPECT_EQ(contents->GetNodeCount(), 2);
    EXPECT_EQ(arm->GetSceneContents(), contents);
    EXPECT_EQ(oldRoot->GetSceneContents(), nullptr);
    EXPECT_EQ(old->GetSceneContents(), nullptr);
    ASSERT_EQ(contents->GetMaterialCount(), 1);
    EXPECT_EQ(contents->GetMaterial(0), stone);
}

} // namespace
