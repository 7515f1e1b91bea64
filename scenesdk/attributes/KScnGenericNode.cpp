#include "scenesdk/attributes/KScnGenericNode.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnGenericNodeProperties, &KScnPropertyHandler::ClassRecord);

void KScnGenericNodeProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnGenericNodeProperties::GetOwner()
{
    return mOwner;
}

namespace
{
const char* const kGenericNodeErrors[] = {"Error"};
} // namespace

detail::KScnGenericNodeErrorHolder::KScnGenericNodeErrorHolder() : mErrorRecord(kGenericNodeErrors, 1) {}

KScnGenericNode::KScnGenericNode(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord), mProperties(new KScnGenericNodeProperties(this))
{
    AddDefaultTakeNode();
}

KScnGenericNode::~KScnGenericNode()
{
    if (mProperties != nullptr)
    {
        mProperties->Destroy();
        mProperties = nullptr;
    }
}

void KScnGenericNode::Detach()
{
    if (mProperties != nullptr)
    {
        mProperties->DisconnectAll();
    }
}

KStringList KScnGenericNode::GetTypeNameList() const
{
    KStringList out;
    out.Add("GenericNode");
    return out;
}

void KScnGenericNode::BuildTakeChannels(KScnTakeNodeEntry* /*take*/)
{
    // The generic node's property set declares no property.
}

bool KScnGenericNode::SetSceneContents(KScnGenericNodeRegistry* contents)
{
    if (contents == mContents)
    {
        return true;
    }
    if (mContents != nullptr)
    {
        mContents->UnregisterGenericNode(this);
    }
    mContents = contents;
    if (mContents != nullptr)
    {
        mContents->RegisterGenericNode(this);
    }
    return true;
}

} // namespace scenesdk
