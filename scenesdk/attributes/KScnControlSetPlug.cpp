#include "scenesdk/attributes/KScnControlSetPlug.h"

#include "scenesdk/attributes/KScnCharacter.h"
#include "scenesdk/kernel/KPropertyObjectList.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnControlSetPlugProperties, &KScnPropertyHandler::ClassRecord);

namespace
{
// Plug flags of the slot and effector lists: they accept sources and
// destinations.
constexpr uint32_t kListPlugFlags = 3;
constexpr int kLinkListTag = 1;
constexpr int kEffectorListTag = 15;
const char* const kPlugErrors[] = {"Error"};
} // namespace

KScnControlSetPlugProperties::KScnControlSetPlugProperties(KScnControlSetPlug* owner)
    : mOwner(owner), mGap(new KPlug)
{
    // Stopped part-way (memory running out), the gap plug goes: no destructor runs.
    try
    {
        using Self = KScnControlSetPlugProperties;
        UseAxis.Initialize(
            "UseAxis", this, [this]() { return GetUseAxis(); }, [this](const bool& v) { SetUseAxis(v); });
        AddProperty(&UseAxis);
        UseAxis.SetValue(true);
        ControlSetType.Initialize(
            "ControlSetType", this, [this]() { return GetControlSetType(); },
            [this](const KScnControlSet::EType& v) { SetControlSetType(v); });
        AddProperty(&ControlSetType);
        ControlSetType.SetValue(KScnControlSet::eTypeNone);
        ControlSetType.SetTypeCode(eKPropEnum);
        ControlSetType.SetEnumNameFunction(&Self::ControlSetTypeName);

        for (int id = 0; id < KScnCharacter::kNodeCount; ++id)
        {
            const char* name = nullptr;
            if (!KScnCharacter::GetLinkName(id, name))
            {
                continue;
            }
            KPropertyObjectList* list =
                KPropertyObjectList::Create(this, name, 0, -1, kLinkListTag, kListPlugFlags, 0);
            if (list != nullptr)
            {
                mLinkNodeIds[mLinkProperties.GetCount()] = id;
                mLinkProperties.Add(list);
            }
        }
        for (int id = 0; id < KScnControlSet::kEffectorCount; ++id)
        {
            KPropertyObjectList* list = KPropertyObjectList::Create(this, KScnControlSet::GetEffectorName(id), 0,
                                                                    -1, kEffectorListTag, kListPlugFlags, 0);
            if (list != nullptr)
            {
                mEffectorProperties.Add(list);
            }
        }
    }
    catch (...)
    {
        mGap->Destroy();
        throw;
    }
}

KScnControlSetPlugProperties::~KScnControlSetPlugProperties()
{
    mGap->Destroy();
}

void KScnControlSetPlugProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnControlSetPlugProperties::GetOwner()
{
    return mOwner;
}

KScnControlSet::EType KScnControlSetPlugProperties::SetControlSetType(KScnControlSet::EType value)
{
    mType = value;
    return mType;
}

KScnControlSet::EType KScnControlSetPlugProperties::GetControlSetType()
{
    return mType;
}

bool KScnControlSetPlugProperties::SetUseAxis(bool value)
{
    mUseAxis = value;
    return mUseAxis;
}

bool KScnControlSetPlugProperties::GetUseAxis()
{
    return mUseAxis;
}

const char* KScnControlSetPlugProperties::ControlSetTypeName(int /*value*/)
{
    return nullptr;
}

int KScnControlSetPlugProperties::GetLinkPropertyNodeId(int i) const
{
    return i >= 0 && i < mLinkProperties.GetCount() ? mLinkNodeIds[i] : -1;
}

KScnControlSetPlug::KScnControlSetPlug(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mError), mError(kPlugErrors, 1)
{
    mProperties = new KScnControlSetPlugProperties(this);
    AddDefaultTakeNode();
}

KScnControlSetPlug::~KScnControlSetPlug()
{
    if (mProperties != nullptr)
    {
        KScnControlSetPlugProperties* set = mProperties;
        mProperties = nullptr;
        set->Destroy();
    }
}

KStringList KScnControlSetPlug::GetTypeNameList() const
{
    KStringList names;
    names.Add("ControlSetPlug");
    return names;
}

void KScnControlSetPlug::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    CreateAnimatablePropertyChannels(mProperties, take);
}

void KScnControlSetPlug::DisconnectAll()
{
    if (mProperties != nullptr)
    {
        mProperties->DisconnectAllProperties(); // the properties stay
    }
}

} // namespace scenesdk
