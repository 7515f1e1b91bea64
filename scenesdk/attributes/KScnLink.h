#pragma once

// KScnLink: the plain record of one skin link as a geometry uses it: the link
// node, the control points it moves with their weights, a link mode, and four
// recorded transforms (transform, transform link, associate model, parent),
// each kept as translation, rotation (Euler angles, degrees) and scaling
// vectors. Not a scene object: no property set, takes or connections.
//
// Ownership: the nodes are only referred to (never owned); the names are
// copies taken when a node is set.

#include "scenesdk/attributes/KScnValueArray.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KgeTVector.h"
#include "scenesdk/kernel/KgeTransformMatrix.h"

namespace scenesdk
{

class KScnDeformer;
class KScnNode;

class KScnLink
{
public:
    KScnLink();

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    // Its nodes forget it.
    virtual ~KScnLink();
    friend class KScnSdkManager;

public:
    KScnLink(const KScnLink&) = delete;
    KScnLink& operator=(const KScnLink&) = delete;

    // Nodes null, names and user data empty, mode 1, translations and
    // rotations (0, 0, 0, 1), scalings (1, 1, 1, 1), no parent, no points.
    void Reset();

    // A null node is ignored (the previous node and name stay); otherwise the
    // node is kept and its current name copied. A node that is destroyed
    // leaves the link (the link node, or the associate model, becomes null;
    // the name stays).
    void SetLink(KScnNode* node);
    KScnNode* GetLink() const { return mLink; }
    KString GetLinkName() const { return mLinkName; }

    // Null clears the associate model and its name.
    void SetAssociateModel(KScnNode* node);
    KScnNode* GetAssociateModel() const { return mAssociateModel; }
    // Refreshes the stored name from the associate model first, so a rename
    // made after SetAssociateModel shows.
    KString GetAssociateModelName();

    void SetUserData(const char* id, const char* data);
    KString GetUserDataID() const { return mUserDataID; }
    KString GetUserData() const { return mUserData; }

    void SetLinkMode(int mode) { mLinkMode = mode; }
    int GetLinkMode() const { return mLinkMode; }

    // ---- Recorded transforms ----
    // Each takes the matrix's translation, rotation and scaling parts.
    void SetTransform(const KgeTransformMatrix& m);
    void SetTransformLink(const KgeTransformMatrix& m);
    void SetTransformAssociateModel(const KgeTransformMatrix& m);
    // Also marks the parent transform as present.
    void SetTransformParent(const KgeTransformMatrix& m);
    void SetTransformLinkTranslation(const KgeTVector& v) { mVectors[eTransformLink].t = v; }
    void SetTransformLinkRotation(const KgeTVector& v) { mVectors[eTransformLink].r = v; }
    void SetTransformLinkScaling(const KgeTVector& v) { mVectors[eTransformLink].s = v; }

    KgeTVector GetTransformTranslation() const { return mVectors[eTransform].t; }
    KgeTVector GetTransformRotation() const { return mVectors[eTransform].r; }
    KgeTVector GetTransformScaling() const { return mVectors[eTransform].s; }
    KgeTVector GetTransformLinkTranslation() const { return mVectors[eTransformLink].t; }
    KgeTVector GetTransformLinkRotation() const { return mVectors[eTransformLink].r; }
    KgeTVector GetTransformLinkScaling() const { return mVectors[eTransformLink].s; }
    KgeTVector GetTransformAssociateModelTranslation() const { return mVectors[eAssociate].t; }
    KgeTVector GetTransformAssociateModelRotation() const { return mVectors[eAssociate].r; }
    KgeTVector GetTransformAssociateModelScaling() const { return mVectors[eAssociate].s; }
    KgeTVector GetTransformParentTranslation() const { return mVectors[eParent].t; }
    KgeTVector GetTransformParentRotation() const { return mVectors[eParent].r; }
    KgeTVector GetTransformParentScaling() const { return mVectors[eParent].s; }
    bool HasTransformParent() const { return mParentPresent; }

    // ---- Control points ----
    KScnValueArray<int>& GetIndices() { return mIndices; }
    const KScnValueArray<int>& GetIndices() const { return mIndices; }
    KScnValueArray<double>& GetWeights() { return mWeights; }
    const KScnValueArray<double>& GetWeights() const { return mWeights; }

    // Resets, then takes everything of other (its nodes through the setters;
    // the names of nodes it no longer has).
    void CopyFrom(const KScnLink& other);
    // Resets, then, for a cluster only, takes its mode, user data, control
    // points and the four transforms; the parent flag follows the cluster's.
    // The link node and associate model are left to the caller. A null or
    // skin deformer leaves the link reset.
    void SetFromCluster(const KScnDeformer* deformer);

private:
    enum ETransformSlot
    {
        eTransform = 0,
        eTransformLink,
        eAssociate,
        eParent,
        eSlotCount
    };
    struct TRS
    {
        KgeTVector t;
        KgeTVector r;
        KgeTVector s{1.0, 1.0, 1.0, 1.0};
    };
    void SetSlot(ETransformSlot slot, const KgeTransformMatrix& m);
    // Points slot 0 (the link node) or 1 (the associate model) at node,
    // telling the node it left and the one it joins.
    void Refer(int slot, KScnNode* node);
    // The slot's node is being destroyed: the slot becomes null.
    friend class KScnNode;
    void ForgetNode(int slot);

    KScnNode* mLink = nullptr;
    // The places of this link's entries in the reference lists of its link
    // node and associate model (KScnNode::AddLinkReference).
    int mPlaces[2] = {-1, -1};
    KString mLinkName;
    int mLinkMode = 1;
    KScnNode* mAssociateModel = nullptr;
    KString mAssociateModelName;
    KString mUserDataID;
    KString mUserData;
    TRS mVectors[eSlotCount];
    bool mParentPresent = false;
    KScnValueArray<int> mIndices{256};
    KScnValueArray<double> mWeights{256};
};

} // namespace scenesdk
