#include "scenesdk/kernel/KScnNodeAttribute.h"

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
        AddChannels(node->GetTakeNode(i));
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
        RemoveChannels(mNode->GetTakeNode(i));
    }
    mNode = nullptr;
}

} // namespace scenesdk
