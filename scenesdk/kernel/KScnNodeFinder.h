#pragma once

// KScnNodeFinder walks a node tree (a node before its children, children in
// order) and collects the nodes its Check accepts.
// KScnNodeFinderDuplicateName finds the nodes, materials and textures whose
// names clash with a scene's contents or with names seen earlier in the same
// walk, so that a merge can rename them first.
//
// The finders only point at objects; they own nothing.

#include "scenesdk/kernel/KBlockArray.h"

#include <unordered_set>

namespace scenesdk
{

class KScnMaterial;
class KScnNode;
class KScnSceneContents;
class KScnTexture;
class KScnVideo;

class KScnNodeFinder
{
public:
    KScnNodeFinder() = default;
    KScnNodeFinder(const KScnNodeFinder&) = delete;
    KScnNodeFinder& operator=(const KScnNodeFinder&) = delete;
    virtual ~KScnNodeFinder() = default;

    virtual void Reset() = 0;
    // Appends the node when Check accepts it, then visits its children.
    virtual void Visit(KScnNode* node);
    virtual bool Check(KScnNode* node) = 0;

    // Keeps the mode for the derived class, walks from node, returns the
    // nodes found so far. A null node finds nothing.
    KPointerArray<KScnNode>& Apply(KScnNode* node, int mode);
    KPointerArray<KScnNode>& GetFound() { return mFound; }
    int GetMode() const { return mMode; }

protected:
    int mMode = 0;
    KPointerArray<KScnNode> mFound{16};
};

class KScnNodeFinderDuplicateName : public KScnNodeFinder
{
public:
    enum ECheck
    {
        eCheckNodes = 0,
        eCheckMaterials = 1,
        eCheckTextures = 2,
        eCheckVideos = 3
    };

    // contents may be null: only names within the walk then clash.
    explicit KScnNodeFinderDuplicateName(KScnSceneContents* contents);

    // Node checks are on, the others off, at construction.
    void SetCheck(int kind, bool on);
    bool GetCheck(int kind) const;

    void Reset() override;
    // The node's name check, then, for a node with a geometry, the checks of
    // the materials and textures in its layers' direct arrays (all run).
    bool Check(KScnNode* node) override;

    // A node is a duplicate when the contents' tree holds a node of its name
    // (the node itself counts when it is in that tree) or a node seen before
    // in this walk has that name. Every node ends in the seen list once.
    bool CheckNodeName(KScnNode* node);
    // A material is a duplicate when the contents hold a material of its
    // name, or (until one duplicate was found for this geometry, see
    // BeginGeometry) a seen material has it. Every material ends in the seen
    // list once. The same for textures.
    bool CheckMaterial(KScnMaterial* material);
    bool CheckTexture(KScnTexture* texture);
    bool CheckVideo(KScnVideo* video);
    // Starts the material and texture checks of one geometry.
    void BeginGeometry();

    KPointerArray<KScnNode>& GetSeenNodes() { return mSeenNodes; }
    KPointerArray<KScnNode>& GetDuplicateNodes() { return mDuplicateNodes; }
    KPointerArray<KScnMaterial>& GetSeenMaterials() { return mSeenMaterials; }
    KPointerArray<KScnMaterial>& GetDuplicateMaterials() { return mDuplicateMaterials; }
    KPointerArray<KScnTexture>& GetSeenTextures() { return mSeenTextures; }
    KPointerArray<KScnTexture>& GetDuplicateTextures() { return mDuplicateTextures; }
    KPointerArray<KScnVideo>& GetSeenVideos() { return mSeenVideos; }
    KPointerArray<KScnVideo>& GetDuplicateVideos() { return mDuplicateVideos; }

private:
    // Adds object to its seen list unless it was seen before in this walk
    // (a subtree of many shares of one material stays linear).
    template <typename T> void AddSeen(KPointerArray<T>& list, T* object)
    {
        list.Reserve(list.GetCount() + 1); // first: an object marked seen is listed
        if (mSeenObjects.insert(object).second)
        {
            list.Add(object);
        }
    }

    bool mChecks[4] = {true, false, false, false};
    bool mMaterialDuplicateInGeometry = false;
    bool mTextureDuplicateInGeometry = false;
    bool mVideoDuplicateInGeometry = false;
    KPointerArray<KScnNode> mSeenNodes{16};
    KPointerArray<KScnNode> mDuplicateNodes{16};
    KPointerArray<KScnMaterial> mSeenMaterials{16};
    KPointerArray<KScnMaterial> mDuplicateMaterials{16};
    KPointerArray<KScnTexture> mSeenTextures{16};
    KPointerArray<KScnTexture> mDuplicateTextures{16};
    KPointerArray<KScnVideo> mSeenVideos{16};
    KPointerArray<KScnVideo> mDuplicateVideos{16};
    std::unordered_set<const void*> mSeenObjects; // what the seen lists hold
    KScnSceneContents* mContents;
};

} // namespace scenesdk
