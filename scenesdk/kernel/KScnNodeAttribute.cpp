#include "scenesdk/kernel/KScnNodeAttribute.h"

#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

int KScnNodeAttribute::AttachToNode(KScnNode* node)
{
    mNode = node;
    if (node == nullptr)
    {
        return 0;
    }
    for (int i = 0; i < node->GetTakeNodeCount(); ++i)
    {
        KScnTakeNodeEntry* take = node->GetTakeNode(i);
        const KScnTakeNodeEntry::EditScope scope(*take);
        AddChannels(take);
    }
    return node->GetTakeNodeCount();
}

void KScnNodeAttribute::DetachFromNode()
{
    if (mNode == nullptr)
    {
        return;
    }
    for (int i = 0; i < mNode->GetTakeNodeCount(); ++i)
    {
        KScnTakeNodeEntry* take = mNode->GetTakeNode(i);
        const KScnTakeNodeEntry::EditScope scope(*take);
        RemoveChannels(take);
    }
    // Whatever channel the attribute keeps on the node (a camera's
    // background colour) no longer writes into its properties.
    mNode->UnlinkPropertyCurvesOf(GetHandlerPropertySet());
    mNode = nullptr;
}

} // namespace scenesdk
