#include "scenesdk/attributes/KScnNull.h"

#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnNullProperties, &KObject::ClassRecord);

KScnNullProperties::KScnNullProperties()
{
    using P = KScnNullProperties;
    Size.Initialize("Size", this, &P::GetSize, &P::SetSize);
    AddProperty(&Size);
    // Every null has one: its lists hold no room beyond it.
    CompactPropertyList();
}

void KScnAppendObjectProperties(KObject* set, std::vector<KProperty*>& out)
{
    if (set == nullptr)
    {
        return;
    }
    for (int i = 0; i < set->GetPropertyCount(); ++i)
    {
        out.push_back(set->GetProperty(i));
    }
}

void KScnReleaseAttributeFromNode(KScnNodeAttribute* attribute)
{
    KScnNode* node = attribute->GetNode();
    if (node == nullptr)
    {
        return;
    }
    if (node->GetNodeAttribute() == attribute)
    {
        node->SetNodeAttribute(nullptr);
    }
    else
    {
        attribute->DetachFromNode();
    }
}

KScnNull::KScnNull(KScnSdkManager* manager) : mManager(manager), mProperties(new KScnNullProperties)
{
    Reset();
}

KScnNull::~KScnNull()
{
    KScnReleaseAttributeFromNode(this);
    mProperties->Destroy();
}

void KScnNull::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnAppendObjectProperties(mProperties, out);
}

KObject* KScnNull::GetHandlerPropertySet() const
{
    return mProperties;
}

KStringList KScnNull::GetTypeNameList() const
{
    KStringList names;
    names.Add("Null");
    return names;
}

void KScnNull::Reset()
{
    mProperties->Size.SetValue(100.0);
    mSizeSet = false;
}

void KScnNull::SetSize(double size)
{
    mProperties->Size.SetValue(size);
    mSizeSet = true;
}

} // namespace scenesdk
