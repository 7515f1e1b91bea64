#include "scenesdk/attributes/KScnConstraint.h"

#include "scenesdk/attributes/KScnConstraintAim.h"
#include "scenesdk/attributes/KScnConstraintParent.h"
#include "scenesdk/attributes/KScnConstraintPosition.h"
#include "scenesdk/attributes/KScnConstraintRotation.h"
#include "scenesdk/attributes/KScnConstraintScale.h"
#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnSdkManager.h"

namespace scenesdk
{

namespace
{
const char* const kConstraintErrors[] = {"Error"};
} // namespace

KScnConstraint::KScnConstraint(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mError), mError(kConstraintErrors, 1)
{
}

namespace
{
template <class Kind> KScnConstraint* MakeKind(KScnSdkManager* manager, const char* name)
{
    return new Kind(manager, name);
}
} // namespace

KScnConstraint::FreePtr KScnConstraint::Create(KScnSdkManager* manager, int kind, const char* name)
{
    using Maker = KScnConstraint* (*)(KScnSdkManager*, const char*);
    // Indexed by kind - 1.
    static const Maker kMakers[] = {&MakeKind<KScnConstraintPosition>,      &MakeKind<KScnConstraintRotation>,
                                    &MakeKind<KScnConstraintScale>,         &MakeKind<KScnConstraintParent>,
                                    &MakeKind<KScnConstraintSingleChainIK>, &MakeKind<KScnConstraintAim>};
    if (kind < ePosition || kind > eAim)
    {
        return nullptr;
    }
    const KString full = KScnSdkManager::PrefixName("Constraint::", name);
    return FreePtr(kMakers[kind - 1](manager, full.Buffer()));
}

KScnConstraint::~KScnConstraint()
{
    DestroyPropertySet();
}

void KScnConstraint::DestroyPropertySet()
{
    if (mPropertySet != nullptr)
    {
        // The set drops the take links to its properties while the takes still live.
        KScnConstraintProperty* set = mPropertySet;
        mPropertySet = nullptr;
        set->Destroy();
    }
}

void KScnConstraint::AttachPropertySet(KScnConstraintProperty* set)
{
    mPropertySet = set;
    AddDefaultTakeNode();
    if (set != nullptr)
    {
        set->SetName(GetName());
    }
    InstantiateHandlerProperties();
}

void KScnConstraint::DisconnectAll()
{
    // Only the connections: the properties stay, for the handles and take
    // links that stand for them until the constraint is destroyed.
    if (mPropertySet != nullptr)
    {
        mPropertySet->DisconnectAllProperties();
    }
}

KString KScnConstraint::GetTypeName() const
{
    return KString("Constraint");
}

KStringList KScnConstraint::GetTypeNameList() const
{
    KStringList names;
    names.Add("");
    return names;
}

void KScnConstraint::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    CreateAnimatablePropertyChannels(mPropertySet, take);
}

void KScnConstraint::SetOffset(KgeTVector /*offset*/) {}

void KScnConstraint::StoreOffset(const char* propertyName, const KgeTVector& offset)
{
    KProperty* property = mPropertySet != nullptr ? mPropertySet->FindProperty(propertyName) : nullptr;
    if (property == nullptr)
    {
        return;
    }
    const double value[4] = {offset.mData[0], offset.mData[1], offset.mData[2], 1.0};
    // Dynamic properties store their own value: the takes hear of it here,
    // what they need taken before it changes.
    const bool pushed = FindUserProperty(property) != nullptr;
    if (pushed)
    {
        mPropertySet->PreparePushToTakes(*property);
    }
    property->SetFromDoubles(value);
    if (pushed)
    {
        mPropertySet->PushPropertyToTakes(*property);
    }
}

} // namespace scenesdk
