// Materials, textures and videos join a scene through its nodes and follow
// the subtrees that move between scenes.

#include "scenesdk/attributes/KScnGenericNode.h"
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
#include "tests/scenesdk/kernel/KernelTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace scenesdk;

namespace
{

void Connect(KScnTakeNodeContainer* user, KScnTakeNodeContainer* used)
{
    ASSERT_TRUE(user->GetPropertyHandler()->ConnectSrc(used->GetPropertyHandler()));
}

// Member kinds: 'm' material, 't' texture, 'v' video.
int Listed(KScnSceneRoot* scene, char kind)
{
    KScnSceneContents* c = scene->GetContents();
    return kind == 'm' ? c->GetMaterialCount() : (kind == 't' ? c->GetTextureCount() : c->GetVideoCount());
}

void List(KScnSceneContents* contents, KScnTakeNodeContainer* member)
{
    if (auto* material = dynamic_cast<KScnMaterial*>(member))
    {
        contents->AddMaterial(material);
    }
    else if (auto* texture = dynamic_cast<KScnTexture*>(member))
    {
        contents->AddTexture(texture);
    }
    else
    {
        contents->AddVideo(static_cast<KScnVideo*>(member));
    }
}

// A manager with two scenes and the members the tables set up with.
struct Scenes
{
    KScnNode* NodeIn(KScnSceneRoot* scene, const char* name)
    {
        KScnNode* node = manager.CreateNode(name);
        EXPECT_TRUE(scene == nullptr || scene->GetRootNode()->AddChild(node));
        return node;
    }
    KScnTakeNodeContainer* Make(char kind, const char* name)
    {
        if (kind == 'm')
        {
            return manager.CreateMaterial(name);
        }
        return kind == 't' ? static_cast<KScnTakeNodeContainer*>(manager.CreateTexture(name))
                           : manager.CreateVideo(name);
    }
    KScnMesh* MeshOn(KScnNode* node)
    {
        KScnMesh* mesh = manager.CreateMesh();
        node->SetNodeAttribute(mesh);
        return mesh;
    }
    KScnLayerElement* MaterialLayerOn(KScnNode* node)
    {
        KScnLayerElement* element = KScnLayerElement::Create(KScnLayerElement::eMaterial);
        KScnMesh* mesh = MeshOn(node);
        mesh->GetLayer(mesh->CreateLayer())->SetMaterialElement(element);
        return element;
    }
    // Per letter: a (b) Stone connected to node a (b); A (B) Stone in a layer
    // of a mesh on a (b); l Stone listed in "from", connected to a's material
    // layer and bound; L Stone listed in "from" and connected to a; t a texture on a; v a texture with a
    // video on a; g a light on a with a video; x Stone connected to a, with a texture; y (z) as t (x),
    // another texture of the name listed in "to"; w a texture listed in "from" and connected to a; M forty
    // materials connected to a, the last with a texture whose name "to" lists.
    void Use(KScnNode* a, KScnNode* b, const std::string& letters)
    {
        for (char c : letters)
        {
            KScnNode* node = (c == 'b' || c == 'B') ? b : a;
            for (int i = 0; c == 'M' && i < 40; ++i)
                Connect(a, Make('m', ("Rock " + std::to_string(i)).c_str()));
            if (c == 'M')
                Connect(manager.GetMaterial(manager.GetMaterialCount() - 1), Make('t', "Wood"));
            if (c == 'y' || c == 'z' || c == 'M')
                List(to->GetContents(), Make('t', "Wood"));
            if (c == 'a' || c == 'b')
            {
                Connect(node, stone);
            }
            else if (c == 'x' || c == 'z')
            {
                Connect(node, stone);
                Connect(stone, Make('t', "Wood"));
            }
            else if (c == 'w')
            {
                KScnTakeNodeContainer* wood = Make('t', "Wood");
                from->GetContents()->AddTexture(static_cast<KScnTexture*>(wood));
                Connect(a, wood);
            }
            else if (c == 'A' || c == 'B')
            {
                MeshOn(node)->AddMaterial(stone, 0);
            }
            else if (c == 'l' || c == 'L')
            {
                from->GetContents()->AddMaterial(stone);
                if (c == 'l')
                    MaterialLayerOn(a);
                Connect(a, stone);
                if (c == 'l')
                    from->BindMaterialsToLayers();
            }
            else
            {
                KScnTakeNodeContainer* user = a;
                if (c == 'v' || c == 't' || c == 'y')
                {
                    user = Make('t', "Wood");
                    Connect(a, user);
                }
                if (c == 'g')
                {
                    a->SetNodeAttribute(manager.CreateLight());
                }
                if (c != 't' && c != 'y')
                {
                    Connect(user, Make('v', "Clip"));
                }
            }
        }
    }

    KScnSdkManager manager;
    KScnSceneRoot* from = manager.CreateScene();
    KScnSceneRoot* to = manager.CreateScene();
    KScnMaterial* stone = manager.CreateMaterial("Stone");
};

struct JoinRow
{
    char kind;
    bool nodeInScene;
    bool twinListed; // another member of the same name is listed first
    int listed;
    int uses; // of the member, at the end
    // The twin, worn by node "t", then: d destroyed, c disconnected, n its node destroyed,
    // o its node moved away, r renamed; R the member renamed; u another member on "t"
    // renamed; T a third of the name listed, the twin destroyed; N the twin worn by the
    // member's node, destroyed; L the member listed too, l and removed; F (S) a third of the name
    // worn by node "u" after (before) the member, the twin destroyed, f (s) renamed: the first
    // passed over takes the name's place; J the member's node joins the scene (the member listed
    // all the same), leaves again, and the member, destroyed, visits no scene; ' ' no twin worn.
    char twinLeaves = ' ';
};

TEST(SceneMembers, AMaterialOrTextureConnectedToASceneNodeJoinsTheScene)
{
    const JoinRow rows[] = {
        {'m', 1, 0, 1, 1},      {'m', 0, 0, 0, 0},      {'m', 1, 1, 1, 0},      {'t', 1, 0, 1, 1},
        {'t', 0, 0, 0, 0},      {'t', 1, 1, 1, 0},      {'m', 1, 0, 1, 1, 'd'}, {'m', 1, 0, 1, 1, 'c'},
        {'m', 1, 0, 1, 1, 'n'}, {'m', 1, 0, 1, 1, 'o'}, {'m', 1, 0, 2, 1, 'r'}, {'m', 1, 0, 2, 1, 'R'},
        {'t', 1, 0, 1, 1, 'd'}, {'t', 1, 0, 1, 1, 'c'}, {'t', 1, 0, 2, 1, 'r'}, {'m', 1, 0, 2, 0, 'u'},
        {'m', 1, 0, 1, 0, 'T'}, {'m', 1, 0, 0, 0, 'N'}, {'m', 1, 1, 2, 2, 'L'}, {'m', 1, 0, 1, 1, 'l'},
        {'m', 1, 0, 1, 1, 'F'}, {'m', 1, 0, 1, 0, 'S'}, {'t', 1, 0, 2, 1, 'f'}, {'t', 1, 0, 2, 0, 's'},
        {'m', 0, 1, 1, 0, 'J'}};
    for (const JoinRow& row : rows)
    {
        const char leave = row.twinLeaves;
        SCOPED_TRACE(testing::Message() << row.kind << " in scene " << row.nodeInScene << " twin "
                                        << row.twinListed << " leaving " << leave);
        Scenes s;
        KScnSceneContents* c = s.from->GetContents();
        KScnNode* node = s.NodeIn(row.nodeInScene ? s.from : nullptr, "n");
        KScnTakeNodeContainer* member = s.Make(row.kind, "Stone");
        KScnTakeNodeContainer* twin = s.Make(row.kind, "Stone");
        KScnTakeNodeContainer* sand = s.Make(row.kind, "Sand");
        KScnNode* wearer = s.NodeIn(s.from, "t");
        if (row.twinListed)
            List(c, twin);
        if (leave == 'L' || leave == 'l')
            List(c, member);
        if (leave == 'u')
            Connect(wearer, sand);
        if (leave != ' ' && leave != 'L' && leave != 'l' && leave != 'J')
            Connect(leave == 'N' ? node : wearer, twin);
        if (leave == 'T')
            List(c, s.Make(row.kind, "Stone"));
        const bool third = std::string("FSfs").find(leave) != std::string::npos;
        KScnTakeNodeContainer* thirdStone = third ? s.Make(row.kind, "Stone") : nullptr;
        if (leave == 'S' || leave == 's')
            Connect(s.NodeIn(s.from, "u"), thirdStone);
        Connect(node, member);
        if (leave == 'F' || leave == 'f')
            Connect(s.NodeIn(s.from, "u"), thirdStone);
        const auto uses = [&]
        {
            return row.kind == 'm' ? c->GetMaterialUseCount(static_cast<KScnMaterial*>(member))
                                   : c->GetTextureUseCount(static_cast<KScnTexture*>(member));
        };
        EXPECT_EQ(uses() > 0, row.nodeInScene && (leave == ' ' ? !row.twinListed : leave == 'L' || leave == 'l'));
        bool done = true;
        if (leave == 'd' || leave == 'T' || leave == 'F' || leave == 'S')
            row.kind == 'm' ? s.manager.DestroyMaterial(static_cast<KScnMaterial*>(twin))
                            : s.manager.DestroyTexture(static_cast<KScnTexture*>(twin));
        else if (leave == 'c')
            done = wearer->GetPropertyHandler()->DisconnectSrc(twin->GetPropertyHandler());
        else if (leave == 'n' || leave == 'N')
            s.manager.DestroyNode(leave == 'n' ? wearer : node, true);
        else if (leave == 'o')
            done = s.to->GetRootNode()->AddChild(wearer);
        else if (leave == 'r' || leave == 'R' || leave == 'u' || leave == 'f' || leave == 's')
            (leave == 'R' ? member : (leave == 'u' ? sand : twin))->SetName("Moss");
        else if (leave == 'J')
            done = s.from->GetRootNode()->AddChild(node) && Listed(s.from, row.kind) == 2 && uses() == 2 &&
                   s.from->GetRootNode()->RemoveChild(node) == node &&
                   kerneltest::WorkOf(
                       [&] { s.manager.DestroyMaterial(static_cast<KScnMaterial*>(member)); }) == 0;
        else if (leave == 'l') // the listing's use goes; the connection's stays
            done = !c->RemoveMaterial(static_cast<KScnMaterial*>(member));
        ASSERT_TRUE(done);
        ASSERT_EQ(Listed(s.from, row.kind), row.listed);
        if (leave == 'J')
            continue; // the member is gone
        EXPECT_EQ(uses(), row.uses);
        if (row.uses != 1)
            continue;
        // Listed now, the member stays while its connection does.
        EXPECT_FALSE(row.kind == 'm' ? c->RemoveMaterial(static_cast<KScnMaterial*>(member))
                                     : c->RemoveTexture(static_cast<KScnTexture*>(member)));
        EXPECT_EQ(uses(), 1) << "a connection's use is not removed";
        KPointerArray<KScnMaterial> materials(16);
        s.from->FillMaterialArray(materials);
        bool found = row.kind != 'm';
        for (int i = 0; i < materials.GetCount(); ++i)
            found = found || materials[i] == member;
        EXPECT_TRUE(found);
    }
}

TEST(SceneMembers, AConnectedMaterialIsAMaterialOfTheSceneAlsoAfterBinding)
{
    Scenes s;
    KScnNode* node = s.NodeIn(s.from, "mesh");
    KScnLayerElement* element = s.MaterialLayerOn(node);
    Connect(node, s.stone);
    KPointerArray<KScnMaterial> materials(16);
    for (const char* pass : {"connected", "bound"})
    {
        SCOPED_TRACE(pass);
        EXPECT_EQ(s.from->FillMaterialArray(materials), 1);
        ASSERT_EQ(materials.GetCount(), 1);
        EXPECT_EQ(materials[0], s.stone);
        s.from->BindMaterialsToLayers();
    }
    EXPECT_EQ(element->GetDirectCount(), 1);
}

TEST(SceneMembers, TakesOfConnectedMaterialsAndTexturesBelongToTheScene)
{
    Scenes s;
    KScnNode* node = s.NodeIn(s.from, "n");
    KScnTakeNodeContainer* members[] = {s.stone, s.Make('t', "Wood")};
    const char* takes[] = {"Wet", "Worn"};
    for (int i = 0; i < 2; ++i)
    {
        Connect(node, members[i]);
        ASSERT_NE(members[i]->AddTakeNode(takes[i]), nullptr);
    }
    const std::vector<std::string> names = s.from->GetTakeNames();
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(takes[i]);
        EXPECT_NE(std::find(names.begin(), names.end(), takes[i]), names.end());
        // No node has the take: the call fails, yet the members that have it switch.
        EXPECT_FALSE(s.from->SetCurrentTake(takes[i]));
        EXPECT_EQ(members[i]->GetCurrentTakeIndex(), 1);
    }
}

struct MoveRow
{
    const char* uses; // see Scenes::Use; "a" is moved, "b" stays
    char kind;        // the kind counted
    int leftInOld;
    // How a moves: c under the other scene's root; o into it without a parent, n out of any scene, N
    // out with names checked (its parent stays behind: it is cut from it); l as o, the other scene
    // listing a already while a's link names the old one (each listed it by AddNode, the old one last).
    char how = 'c';
};

TEST(SceneMembers, MembersFollowTheSubtreeUnlessANodeThatStaysUsesThem)
{
    const MoveRow rows[] = {{"a", 'm', 0},       {"ab", 'm', 1},      {"Ab", 'm', 1},      {"aB", 'm', 1},
                            {"A", 'm', 0},       {"AB", 'm', 1},      {"l", 'm', 0},       {"L", 'm', 0},
                            {"t", 't', 0},       {"v", 'v', 0},       {"g", 'v', 0},       {"x", 't', 0},
                            {"ab", 'm', 1, 'o'}, {"ab", 'm', 1, 'n'}, {"ab", 'm', 1, 'N'}, {"y", 't', 0},
                            {"z", 't', 0},       {"w", 't', 0},       {"M", 't', 0},
                            {"ab", 'm', 1, 'l'}, {"Ab", 'm', 1, 'l'}};
    for (const MoveRow& row : rows)
    {
        SCOPED_TRACE(std::string(row.uses) + " " + row.how);
        Scenes s;
        KScnNode* a = s.NodeIn(s.from, "A");
        s.Use(a, s.NodeIn(s.from, "B"), row.uses);
        // A member whose name the new scene lists already comes in all the same.
        const int before = Listed(s.to, row.kind);
        const bool toScene = row.how == 'c' || row.how == 'o' || row.how == 'l';
        if (row.how == 'l')
        {
            ASSERT_TRUE(s.from->GetContents()->RemoveNode(a));
            ASSERT_TRUE(s.to->GetContents()->AddNode(a));
            ASSERT_TRUE(s.from->GetContents()->AddNode(a));
        }
        ASSERT_TRUE(row.how == 'c' ? s.to->GetRootNode()->AddChild(a)
                                   : a->SetSceneContents(toScene ? s.to->GetContents() : nullptr, row.how == 'N'));
        EXPECT_EQ(Listed(s.from, row.kind), row.leftInOld);
        EXPECT_EQ(Listed(s.to, row.kind), before + (toScene ? 1 : 0));
        EXPECT_EQ(a->GetParent(), row.how == 'c' ? s.to->GetRootNode() : nullptr);
        EXPECT_EQ(s.from->GetContents()->GetNodeCount(), 2) << "the old scene lists its root and B";
        EXPECT_EQ(s.to->GetContents()->GetNodeCount(), toScene ? 2 : 1) << "the new one its root and a, once";
        KScnNode* kid = s.NodeIn(nullptr, "Kid");
        ASSERT_TRUE(a->AddChild(kid));
        EXPECT_EQ(kid->GetSceneContents(), toScene ? s.to->GetContents() : nullptr) << "a child joins its scene";
        if (!toScene)
            continue;
        ASSERT_TRUE(row.how == 'c' ? s.to->GetRootNode()->RemoveChild(a) == a
                                   : a->SetSceneContents(nullptr, false));
        EXPECT_EQ(Listed(s.to, row.kind), before) << "cut loose, the subtree leaves nothing behind";
    }
}

// Every use is counted: a member that a staying node holds only through a
// connection stays after the node holding it in its layer left, and leaves
// with the last use (a connection cut, a node gone).
TEST(SceneMembers, AMemberLeavesWithItsLastUse)
{
    struct Row
    {
        const char* step;
        int uses;
    };
    Scenes s;
    KScnNode* a = s.NodeIn(s.from, "A");
    KScnNode* b = s.NodeIn(s.from, "B");
    s.Use(a, b, "Ab");
    KScnSceneContents* c = s.from->GetContents();
    const Row rows[] = {
        {"held in a's layer, connected to b", 2}, {"a moved away", 1}, {"b's connection cut", 0}};
    for (const Row& row : rows)
    {
        if (row.uses == 1)
        {
            ASSERT_TRUE(s.to->GetRootNode()->AddChild(a));
        }
        if (row.uses == 0)
        {
            ASSERT_TRUE(b->GetPropertyHandler()->DisconnectSrc(s.stone->GetPropertyHandler()));
        }
        EXPECT_EQ(c->GetMaterialUseCount(s.stone), row.uses) << row.step;
        KPointerArray<KScnMaterial> materials(16);
        s.from->FillMaterialArray(materials);
        EXPECT_EQ(materials.GetCount(), row.uses > 0 ? 1 : 0) << row.step;
    }
    // A cut connection holds nothing back: the use left is the layer's.
    Scenes t;
    KScnNode* b2 = t.NodeIn(t.from, "B");
    t.Use(t.NodeIn(t.from, "A"), b2, "Ab");
    ASSERT_TRUE(b2->GetPropertyHandler()->DisconnectSrc(t.stone->GetPropertyHandler()));
    EXPECT_TRUE(t.from->GetContents()->RemoveMaterial(t.stone));
}

// A texture or video connected to something other than a node joins the
// scenes that list that object: a material, a generic node, a texture; cut
// loose, it leaves them.
TEST(SceneMembers, ATextureOrVideoJoinsTheScenesThatListItsUser)
{
    struct Row
    {
        const char* user; // m material on a node, M material listed alone, f free material, g generic node,
                          // p "Diffuse" of a material on a node
        bool video;       // a video on the texture too
        int textures, videos;
        bool first = false; // texture and video hung on the user before the user joins the scene
    };
    const Row rows[] = {{"m", false, 1, 0},      {"m", true, 1, 1},       {"M", true, 1, 1},
                        {"g", false, 1, 0},      {"g", true, 1, 1},       {"f", true, 0, 0},
                        {"m", true, 1, 1, true}, {"M", true, 1, 1, true}, {"g", true, 1, 1, true},
                        {"p", false, 1, 0},      {"p", true, 1, 1},       {"p", true, 1, 1, true}};
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.user) + (row.video ? " with a video" : "") +
                     (row.first ? ", hung first" : ""));
        Scenes s;
        KScnTakeNodeContainer* user = s.stone;
        KScnGenericNode* generic = *row.user == 'g' ? s.manager.CreateGenericNode("G") : nullptr;
        if (generic != nullptr)
            user = generic;
        KScnTakeNodeContainer* wood = s.Make('t', "Wood");
        KPlug* userPlug = *row.user == 'p' ? static_cast<KPlug*>(s.stone->GetPropertyHandler()->FindProperty("Diffuse"))
                                           : user->GetPropertyHandler();
        const auto hang = [&]
        {
            ASSERT_TRUE(userPlug->ConnectSrc(wood->GetPropertyHandler()));
            if (row.video)
                Connect(wood, s.Make('v', "Clip"));
        };
        if (row.first)
            hang();
        if (*row.user == 'm' || *row.user == 'p')
            Connect(s.NodeIn(s.from, "n"), s.stone);
        else if (*row.user == 'M')
            s.from->GetContents()->AddMaterial(s.stone);
        else if (generic != nullptr)
        {
            ASSERT_TRUE(s.from->AddGenericNode(generic));
        }
        if (!row.first)
            hang();
        EXPECT_EQ(Listed(s.from, 't'), row.textures);
        EXPECT_EQ(Listed(s.from, 'v'), row.videos);
        ASSERT_TRUE(userPlug->DisconnectSrc(wood->GetPropertyHandler()));
        EXPECT_EQ(Listed(s.from, 't'), 0) << "cut loose";
        EXPECT_EQ(Listed(s.from, 'v'), 0) << "with its texture";
    }
}

// With names checked, the target's lists are emptied first: what it listed
// by itself (a material without a node) does not stay beside the subtree.
TEST(SceneMembers, WithNamesCheckedTheTargetsListsAreEmptiedFirst)
{
    Scenes s;
    KScnNode* a = s.NodeIn(nullptr, "A");
    s.Use(a, nullptr, "a");
    List(s.to->GetContents(), s.Make('m', "Loose"));
    KScnGenericNode* generic = s.manager.CreateGenericNode("G");
    ASSERT_TRUE(s.to->AddGenericNode(generic));
    ASSERT_TRUE(a->SetSceneContents(s.to->GetContents(), true));
    ASSERT_EQ(Listed(s.to, 'm'), 1);
    EXPECT_EQ(s.to->GetContents()->GetMaterial(0), s.stone);
    EXPECT_EQ(s.to->GetGenericNodeCount(), 0);
}

// With names checked, a member of the target with the name of a moving one
// refuses the move (nodes, textures, videos, materials in this order);
// otherwise the subtree becomes the whole of the target.
struct ClashRow
{
    const char* listedInTarget; // n node, t texture, v video, m material, s the moving material itself
    int error;                  // -1: moved
    const char* text;
};

TEST(SceneMembers, WithNamesCheckedTheSubtreeReplacesTheTargetUnlessANameClashes)
{
    const ClashRow rows[] = {
        {"ntvm", KScnNode::eErrorNodeNameClash, "Node name clash"},
        {"tvm", KScnNode::eErrorTextureNameClash, "Texture name clash"},
        {"vm", KScnNode::eErrorVideoNameClash, "Video name clash"},
        {"m", KScnNode::eErrorMaterialNameClash, "Material name clash"},
        {"s", -1, nullptr},
        {"", -1, nullptr},
    };
    for (const ClashRow& row : rows)
    {
        SCOPED_TRACE(row.listedInTarget);
        Scenes s;
        KScnNode* a = s.NodeIn(*row.listedInTarget != '\0' ? s.from : nullptr, "A"); // "": a free subtree
        KScnNode* arm = s.NodeIn(nullptr, "Arm");
        ASSERT_TRUE(a->AddChild(arm));
        s.Use(arm, nullptr, "av");
        KScnNode* oldRoot = s.to->GetRootNode();
        KScnNode* old = s.NodeIn(s.to, "Old");
        Connect(old, s.Make('m', "Moss"));
        KScnSceneContents* target = s.to->GetContents();
        for (char c : std::string(row.listedInTarget))
        {
            if (c == 'n')
            {
                s.NodeIn(s.to, "Arm");
            }
            else
            {
                List(target,
                     c == 's' ? s.stone : s.Make(c, c == 'm' ? "Stone" : (c == 't' ? "Wood" : "Clip")));
            }
        }
        const bool moved = row.error < 0;
        ASSERT_EQ(a->SetSceneContents(target, true), moved);
        if (!moved)
        {
            EXPECT_EQ(a->GetError().GetLastErrorID(), row.error);
            EXPECT_STREQ(a->GetError().GetLastErrorString(), row.text);
            EXPECT_EQ(arm->GetSceneContents(), s.from->GetContents()) << "nothing moved";
            EXPECT_EQ(s.from->GetContents()->GetMaterialCount(), 1);
            continue;
        }
        EXPECT_EQ(target->GetRootNode(), a);
        EXPECT_EQ(target->GetNodeCount(), 2);
        EXPECT_EQ(arm->GetSceneContents(), target);
        EXPECT_EQ(oldRoot->GetSceneContents(), nullptr);
        EXPECT_EQ(old->GetSceneContents(), nullptr);
        ASSERT_EQ(target->GetMaterialCount(), 1);
        EXPECT_EQ(target->GetMaterial(0), s.stone);
    }
}

} // namespace
