#include "scenesdk/kernel/KScnNodeAttribute.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"

namespace scenesdk
{

int KScnNodeAttribute::AttachToNode(KScnNode* node, KScnTakeNodeContainer* nodeTakes)
{
    mNode = node;
    mNodeTakes = nodeTakes;
    if (nodeTakes == nullptr)
        return 0;
    int i = 0;
    for (; i < nodeTakes->GetTakeNodeCount(); ++i)
        AddChannels(nodeTakes->GetTakeNode(i));
    return i;
}

void KScnNodeAttribute::DetachFromNode()
{
    if (mNode == nullptr)
        return;
    if (mNodeTakes != nullptr)
    {
        for (int i = 0; i < mNodeTakes->GetTakeNodeCount(); ++i)
            RemoveChannels(mNodeTakes->GetTakeNode(i));
    }
    mNode = nullptr;
    mNodeTakes = nullptr;
}

} // namespace scenesdk
