#include "scenesdk/attributes/KScnLink.h"

#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"

namespace scenesdk
{

namespace
{
const char* NameOf(const KScnNode* node)
{
    const char* name = node != nullptr ? node->GetName() : nullptr;
    return name != nullptr ? name : "";
}
} // namespace

KScnLink::KScnLink()
{
    KScnReadMeter::Count(KScnReadMeter::eObjects, KScnReadMeter::kLinkBytes);
    Reset();
}

KScnLink::~KScnLink()
{
    Refer(0, nullptr);
    Refer(1, nullptr);
}

void KScnLink::Refer(int slot, KScnNode* node)
{
    KScnNode*& held = slot == 0 ? mLink : mAssociateModel;
    if (held == node)
    {
        return;
    }
    // The new node's back-reference first: when it cannot be had (memory
    // exhausted) the link still holds the node it held, which knows of it.
    const int place = node != nullptr ? node->AddLinkReference(this, slot) : -1;
    if (held != nullptr)
    {
        held->RemoveLinkReference(mPlaces[slot]);
    }
    held = node;
    mPlaces[slot] = place;
}

void KScnLink::ForgetNode(int slot)
{
    (slot == 0 ? mLink : mAssociateModel) = nullptr;
    mPlaces[slot] = -1;
}

void KScnLink::Reset()
{
    Refer(0, nullptr);
    mLinkName = "";
    mLinkMode = 1;
    Refer(1, nullptr);
    mAssociateModelName = "";
    mUserDataID = "";
    mUserData = "";
    for (TRS& trs : mVectors)
    {
        trs = TRS();
    }
    mParentPresent = false;
    mIndices.Clear();
    mWeights.Clear();
}

void KScnLink::SetLink(KScnNode* node)
{
    if (node == nullptr)
    {
        return;
    }
    KString name(NameOf(node)); // first: a failure leaves the link as it was
    Refer(0, node);
    mLinkName.Swap(name);
}

void KScnLink::SetAssociateModel(KScnNode* node)
{
    KString name(NameOf(node)); // first: a failure leaves the link as it was
    Refer(1, node);
    mAssociateModelName.Swap(name);
}

KString KScnLink::GetAssociateModelName()
{
    if (mAssociateModel != nullptr)
    {
        mAssociateModelName = NameOf(mAssociateModel);
    }
    return mAssociateModelName;
}

void KScnLink::SetUserData(const char* id, const char* data)
{
    mUserDataID = id != nullptr ? id : "";
    mUserData = data != nullptr ? data : "";
}

void KScnLink::SetSlot(ETransformSlot slot, const KgeTransformMatrix& m)
{
    mVectors[slot].r = m.GetRotation();
    mVectors[slot].t = m.GetTranslation();
    mVectors[slot].s = m.GetScaling();
}

void KScnLink::SetTransform(const KgeTransformMatrix& m)
{
    SetSlot(eTransform, m);
}

void KScnLink::SetTransformLink(const KgeTransformMatrix& m)
{
    SetSlot(eTransformLink, m);
}

void KScnLink::SetTransformAssociateModel(const KgeTransformMatrix& m)
{
    SetSlot(eAssociate, m);
}

void KScnLink::SetTransformParent(const KgeTransformMatrix& m)
{
    mParentPresent = true;
    SetSlot(eParent, m);
}

void KScnLink::CopyFrom(const KScnLink& other)
{
    if (&other == this)
    {
        return;
    }
    Reset();
    SetLink(other.mLink);
    SetAssociateModel(other.mAssociateModel);
    // A link whose node was destroyed still has the node's name.
    if (other.mLink == nullptr)
    {
        mLinkName = other.mLinkName;
    }
    if (other.mAssociateModel == nullptr)
    {
        mAssociateModelName = other.mAssociateModelName;
    }
    mUserDataID = other.mUserDataID;
    mUserData = other.mUserData;
    mLinkMode = other.mLinkMode;
    for (int i = 0; i < eSlotCount; ++i)
    {
        mVectors[i] = other.mVectors[i];
    }
    mParentPresent = other.mParentPresent;
    mIndices.CopyItemsFrom(other.mIndices);
    mWeights.CopyItemsFrom(other.mWeights);
}

void KScnLink::SetFromCluster(const KScnDeformer* deformer)
{
    Reset();
    if (deformer == nullptr || deformer->GetDeformerKind() != KScnDeformer::eCluster)
    {
        return;
    }
    mLinkMode = deformer->GetLinkMode();
    mUserDataID = deformer->GetUserDataID();
    mUserData = deformer->GetUserData();
    mIndices.CopyItemsFrom(deformer->GetIndices());
    mWeights.CopyItemsFrom(deformer->GetWeights());
    SetTransform(deformer->GetTransform());
    SetTransformLink(deformer->GetTransformLink());
    SetTransformAssociateModel(deformer->GetTransformAssociateModel());
    SetTransformParent(deformer->GetTransformParent());
    mParentPresent = deformer->HasTransformParent();
}

} // namespace scenesdk
