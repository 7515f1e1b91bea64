#pragma once

// KScnImportBuilder: what one read of a foreign file adds to a scene, kept
// apart until the read succeeds. A reader makes every object through it (all
// made by the SDK manager, as the scene reader makes them); nothing reaches
// the scene before Commit, which adds the materials and textures to the
// scene's contents, hangs the top nodes under the scene's root in the order
// they were made, gives every node made (and the scene's root and camera
// switcher nodes) the takes asked for and records those takes in the scene,
// gives the objects made every take the scene had before, and runs the
// scene's skeleton inherit-type fix-up over the nodes made (every node made
// is marked imported, KScnNode::SetFlag). Rollback (also
// done by the destructor of a builder never committed) destroys everything
// made, through the manager, so a refused file leaves the scene exactly as
// it was.
//
// Nodes below another node made here are attached at once (the whole
// subtree joins the scene at Commit). Names are the bare names; the manager
// adds its prefixes ("Model::", "Material::", "Texture::").
//
// Every node, material and texture made here passes through the builder's
// renaming strategy (KNumberRenamingStrategy) as it is made: a current name
// that an object of this read already has gets a running number ("Chair",
// "Chair1", "Chair2"). Names compare with their prefixes, so a node and a
// material may share a bare name. Readers that make their own names distinct
// (the motion readers' "Hip_2", the 3DS reader's texture names) are left as
// they are, since the strategy changes only a repeat.

#include "scenesdk/kernel/KRenamingStrategy.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace scenesdk
{

class KScnMaterial;
class KScnMesh;
class KScnNode;
class KScnSceneRoot;
class KScnSdkManager;
class KScnTexture;

class KScnImportBuilder
{
public:
    KScnImportBuilder(KScnSdkManager* manager, KScnSceneRoot* scene);
    ~KScnImportBuilder();
    KScnImportBuilder(const KScnImportBuilder&) = delete;
    KScnImportBuilder& operator=(const KScnImportBuilder&) = delete;

    KScnSdkManager* GetManager() const { return mManager; }
    KScnSceneRoot* GetScene() const { return mScene; }

    // A node under parent (made by this builder), or a top node for null.
    // Null when the manager fails or parent is not one of this builder's.
    KScnNode* CreateNode(const char* name, KScnNode* parent = nullptr);
    // Hangs node, a top node made here, under parent (made here) with its
    // subtree; false when either is not this builder's, node already has a
    // parent or the link would close a cycle. Attaching walks the parent's
    // ancestors: a reader of a deep hierarchy makes its nodes as top nodes
    // and attaches the deepest first, which keeps the time linear.
    bool AttachNode(KScnNode* node, KScnNode* parent);
    // A mesh attribute set on node; null on failure.
    KScnMesh* CreateMesh(KScnNode* node);
    KScnMaterial* CreateMaterial(const char* name);
    KScnTexture* CreateTexture(const char* name);
    // Every node made gets a take of this name at Commit (curves keyed on
    // some of them meanwhile, see KScnTakeKeys), and the scene a take
    // description. Asking twice for one name adds it once.
    void AddTake(const char* name);

    // Whether the takes asked for reach the scene (a read whose options
    // leave takes out: KStreamOptionsScn::eTakes). When not, Commit takes
    // them off the nodes made, and the scene gets neither them nor their
    // descriptions. On at construction.
    void SetKeepTakes(bool keep) { mKeepTakes = keep; }

    int GetNodeCount() const { return static_cast<int>(mNodes.size()); }
    int GetMaterialCount() const { return static_cast<int>(mMaterials.size()); }
    int GetTextureCount() const { return static_cast<int>(mTextures.size()); }

    // Moves everything into the scene; false (after a rollback) when the
    // scene refuses a node. The builder is empty afterwards.
    bool Commit();
    // Destroys everything made so far. Safe to call twice.
    void Rollback();

private:
    void Forget();

    KScnSdkManager* mManager;
    KScnSceneRoot* mScene;
    std::vector<KScnNode*> mNodes; // in creation order
    std::unordered_set<KScnNode*> mMade;
    std::vector<KScnNode*> mTopNodes;
    std::vector<KScnMaterial*> mMaterials;
    std::vector<KScnTexture*> mTextures;
    std::vector<std::string> mTakes;
    bool mKeepTakes = true;
    // Sees every object made since the last Commit or Rollback.
    KNumberRenamingStrategy mRenaming;
};

} // namespace scenesdk
