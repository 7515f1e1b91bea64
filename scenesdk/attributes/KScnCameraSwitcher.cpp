#include "scenesdk/attributes/KScnCameraSwitcher.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

namespace
{
const char* const kCameraIndexChannel = "Camera Index";
}

KScnCameraSwitcher::KScnCameraSwitcher(KScnSdkManager* manager) : mManager(manager)
{
    mCameraNames.reserve(16);
}

KScnCameraSwitcher::~KScnCameraSwitcher()
{
    KScnReleaseAttributeFromNode(this);
    while (!mCameraNames.empty())
    {
        delete mCameraNames.back();
        mCameraNames.pop_back();
    }
}

void KScnCameraSwitcher::AddChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    KFCurveNode* channel = KMade(root->FindOrCreateChild(kCameraIndexChannel, true));
    if (channel != nullptr && channel->GetFCurve() != nullptr)
    {
        channel->GetFCurve()->SetDefaultValue(1.0f);
    }
}

void KScnCameraSwitcher::RemoveChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNodeToPrune() : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const int index = root->IndexOfChildByName(kCameraIndexChannel);
    if (index >= 0)
    {
        root->DeleteChildAt(index);
    }
}

void KScnCameraSwitcher::AddCameraName(const char* name)
{
    mCameraNames.reserve(mCameraNames.size() + 1); // first: the name is never lost
    mCameraNames.push_back(new KString(name));
}

const char* KScnCameraSwitcher::GetCameraName(int index) const
{
    if (index < 0 || index >= GetCameraNameCount())
    {
        return nullptr;
    }
    return mCameraNames[static_cast<size_t>(index)]->Buffer();
}

void KScnCameraSwitcher::SetDefaultCameraIndex(int index)
{
    KScnNode* node = GetNode();
    KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    KFCurve* curve = take != nullptr ? take->GetCameraIndexCurve() : nullptr;
    if (curve != nullptr)
    {
        curve->SetDefaultValue(static_cast<float>(index));
    }
}

} // namespace scenesdk
