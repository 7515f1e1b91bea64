#include "scenesdk/attributes/KScnDeformerProperties.h"

#include "scenesdk/attributes/KScnDeformer.h"
#include "scenesdk/kernel/KClassIdRecord.h"
#include "scenesdk/kernel/KPropertyObjectList.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnDeformerProperties, &KScnPropertyHandler::ClassRecord);

void KScnDeformerProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnDeformerProperties::GetOwner()
{
    return mOwner;
}

namespace
{
// Plug flags of a list made of source connections.
constexpr uint32_t kSourceListFlags = 3;
} // namespace

KScnClusterDeformerProperties::KScnClusterDeformerProperties(KScnDeformer* owner)
    : KScnDeformerProperties(owner)
{
    const int cls = GetSourceModelClassId();
    KPropertyObjectList::Create(this, "SrcModel", 0, cls, 1, kSourceListFlags, 0);
    KPropertyObjectList::Create(this, "SrcModelReference", 0, cls, 1, kSourceListFlags, 0);
}

KPropertyObjectList* KScnClusterDeformerProperties::GetSrcModel() const
{
    return dynamic_cast<KPropertyObjectList*>(FindProperty("SrcModel"));
}

KPropertyObjectList* KScnClusterDeformerProperties::GetSrcModelReference() const
{
    return dynamic_cast<KPropertyObjectList*>(FindProperty("SrcModelReference"));
}

int KScnClusterDeformerProperties::GetSourceModelClassId()
{
    // The node's property set is registered by its own class; its number is
    // fixed by the kernel's table, so the record is found by name.
    KClassIdRecord* record = KClassIdRecord::FindByName("KScnNodeProperties");
    return record != nullptr ? record->GetNumber() : KClassIdRecord::kNone;
}

} // namespace scenesdk
