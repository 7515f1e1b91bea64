#include "scenesdk/attributes/KScnControlSet.h"

#include "scenesdk/attributes/KScnControlSetPlug.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"

#include <cstring>
#include <string>

namespace scenesdk
{

namespace
{
// Link-record types of the control set's nodes.
constexpr int kSlotLink = 1;
constexpr int kEffectorLink = 2;
constexpr int kAuxLink = 3;

// The effector names: twenty single ones, then the fingers and toes of the
// two hands and feet, six per limb.
const std::string* EffectorNames()
{
    static const std::string* names = []
    {
        static std::string table[KScnControlSet::kEffectorCount];
        static const char* const kSingle[] = {"Hips",       "LeftAnkle",    "RightAnkle",    "LeftWrist",
                                              "RightWrist", "LeftKnee",     "RightKnee",     "LeftElbow",
                                              "RightElbow", "ChestOrigin",  "ChestEnd",      "LeftFoot",
                                              "RightFoot",  "LeftShoulder", "RightShoulder", "Head",
                                              "LeftHip",    "RightHip",     "LeftHand",      "RightHand"};
        static const char* const kLimbs[] = {"LeftHand", "RightHand", "LeftFoot", "RightFoot"};
        static const char* const kFingers[] = {"Thumb", "Index", "Middle", "Ring", "Pinky", "ExtraFinger"};
        int id = 0;
        for (const char* single : kSingle)
        {
            table[id++] = std::string(single) + "Effector";
        }
        for (const char* limb : kLimbs)
        {
            for (const char* finger : kFingers)
            {
                table[id++] = std::string(limb) + finger + "Effector";
            }
        }
        return table;
    }();
    return names;
}

void AppendNode(KPropertyObjectList* list, KScnNode* node)
{
    if (node != nullptr && node->GetPropertyHandler() != nullptr)
    {
        list->Add(node->GetPropertyHandler());
    }
}

// An effector list holds the main node, then auxiliary nodes 1, 2, ... up to
// the last one set. A position without a node holds the plug's gap, so that
// the nodes after it keep their positions.
void AppendNodeOrGap(KPropertyObjectList* list, KScnNode* node, KPlug* gap)
{
    if (node != nullptr && node->GetPropertyHandler() != nullptr)
    {
        list->Add(node->GetPropertyHandler());
    }
    else
    {
        list->ConnectSrc(gap);
    }
}
} // namespace

KScnControlSet::KScnControlSet()
{
    SetDefaultSwitches();
}

KScnControlSet::~KScnControlSet()
{
    Clear();
}

void KScnControlSet::Relink(KScnNode* from, KScnNode* to, int type, int index, int subIndex)
{
    if (from != nullptr)
    {
        from->RemoveCharacterLink(mOwner, type, index, subIndex);
    }
    if (to != nullptr)
    {
        to->AddCharacterLink(mOwner, type, index, subIndex);
    }
}

void KScnControlSet::SetDefaultSwitches()
{
    for (KScnControlSetEffector& effector : mEffectors)
    {
        effector.show = 1;
        effector.tActive = effector.rActive = effector.candidateTActive = effector.candidateRActive = 0;
    }
    mEffectors[0].tActive = mEffectors[0].rActive = 1;
    for (int id : {1, 2})
    {
        KScnControlSetEffector& e = mEffectors[id];
        e.tActive = e.rActive = e.candidateTActive = e.candidateRActive = 1;
    }
    for (int id : {3, 4})
    {
        mEffectors[id].tActive = mEffectors[id].candidateTActive = 1;
    }
}

void KScnControlSet::Clear()
{
    mType = eTypeNone;
    mLockTransform = mLockPick = false;
    for (int id = 0; id < kLinkCount; ++id)
    {
        Relink(mLinks[id].node, nullptr, kSlotLink, id, 0);
        mLinks[id] = KScnControlSetLink();
    }
    for (int id = 0; id < kEffectorCount; ++id)
    {
        Relink(mEffectors[id].node, nullptr, kEffectorLink, id, 0);
        mEffectors[id] = KScnControlSetEffector();
        for (int aux = 0; aux < kAuxCount; ++aux)
        {
            Relink(mAux[id][aux], nullptr, kAuxLink, id, aux);
            mAux[id][aux] = nullptr;
        }
    }
    SetDefaultSwitches();
}

bool KScnControlSet::SetControlSetLink(int id, const KScnControlSetLink& record)
{
    if (id < 0 || id >= kLinkCount)
    {
        return false;
    }
    Relink(mLinks[id].node, nullptr, kSlotLink, id, 0);
    if (record.node == nullptr && record.name.IsEmpty())
    {
        mLinks[id] = KScnControlSetLink();
        return true;
    }
    mLinks[id] = record;
    Relink(nullptr, record.node, kSlotLink, id, 0);
    return true;
}

bool KScnControlSet::GetControlSetLink(int id, KScnControlSetLink* out) const
{
    if (id < 0 || id >= kLinkCount || (mLinks[id].node == nullptr && mLinks[id].name.IsEmpty()))
    {
        return false;
    }
    if (out != nullptr)
    {
        *out = mLinks[id];
    }
    return true;
}

bool KScnControlSet::SetEffector(int id, KScnControlSetEffector record)
{
    if (id < 0 || id >= kEffectorCount)
    {
        return false;
    }
    Relink(mEffectors[id].node, nullptr, kEffectorLink, id, 0);
    if (record.node == nullptr)
    {
        mEffectors[id] = KScnControlSetEffector();
        return true;
    }
    mEffectors[id] = record;
    Relink(nullptr, record.node, kEffectorLink, id, 0);
    return true;
}

bool KScnControlSet::GetEffector(int id, KScnControlSetEffector* out) const
{
    if (id < 0 || id >= kEffectorCount || mEffectors[id].node == nullptr)
    {
        return false;
    }
    if (out != nullptr)
    {
        *out = mEffectors[id];
    }
    return true;
}

bool KScnControlSet::SetEffectorAux(int id, KScnNode* node, int aux)
{
    if (id < 0 || id >= kEffectorCount || aux < 1 || aux > kAuxCount)
    {
        return false;
    }
    KScnNode*& slot = mAux[id][aux - 1];
    Relink(slot, nullptr, kAuxLink, id, aux - 1);
    slot = node;
    Relink(nullptr, node, kAuxLink, id, aux - 1);
    return true;
}

bool KScnControlSet::GetEffectorAux(int id, KScnNode** out, int aux) const
{
    if (id < 0 || id >= kEffectorCount || aux < 1 || aux > kAuxCount || mAux[id][aux - 1] == nullptr)
    {
        return false;
    }
    if (out != nullptr)
    {
        *out = mAux[id][aux - 1];
    }
    return true;
}

void KScnControlSet::ForgetNode(KScnNode* node, int type, int index, int subIndex)
{
    if (type == kSlotLink && index >= 0 && index < kLinkCount && mLinks[index].node == node)
    {
        mLinks[index].node = nullptr;
    }
    else if (type == kEffectorLink && index >= 0 && index < kEffectorCount && mEffectors[index].node == node)
    {
        mEffectors[index].node = nullptr;
    }
    else if (type == kAuxLink && index >= 0 && index < kEffectorCount && subIndex >= 0 &&
             subIndex < kAuxCount && mAux[index][subIndex] == node)
    {
        mAux[index][subIndex] = nullptr;
    }
}

const char* KScnControlSet::GetEffectorName(int id)
{
    return id >= 0 && id < kEffectorCount ? EffectorNames()[id].c_str() : nullptr;
}

int KScnControlSet::FindEffectorId(const char* name)
{
    for (int id = 0; name != nullptr && id < kEffectorCount; ++id)
    {
        if (EffectorNames()[id] == name)
        {
            return id;
        }
    }
    return -1;
}

void KScnControlSet::CopyFromPlug(KScnControlSetPlug* plug)
{
    KScnControlSetPlugProperties* set = plug != nullptr ? plug->GetPlugProperties() : nullptr;
    if (set == nullptr)
    {
        return;
    }
    const EType type = set->GetControlSetType();
    const bool useAxis = set->GetUseAxis();
    Clear();
    mType = type;
    mUseAxis = useAxis;
    for (int i = 0; i < set->GetLinkPropertyCount(); ++i)
    {
        KPropertyObjectList* list = set->GetLinkProperty(i);
        KScnControlSetLink record;
        record.node = list->GetCount() > 0 ? KScnNodeProperties::NodeOfPlug(list->GetAt(0)) : nullptr;
        SetControlSetLink(set->GetLinkPropertyNodeId(i), record);
    }
    for (int id = 0; id < set->GetEffectorPropertyCount() && id < kEffectorCount; ++id)
    {
        KPropertyObjectList* list = set->GetEffectorProperty(id);
        KScnControlSetEffector record;
        record.node = list->GetCount() > 0 ? KScnNodeProperties::NodeOfPlug(list->GetAt(0)) : nullptr;
        SetEffector(id, record);
        for (int k = 1; k < list->GetCount() && k <= kAuxCount; ++k)
        {
            SetEffectorAux(id, KScnNodeProperties::NodeOfPlug(list->GetAt(k)), k);
        }
    }
}

void KScnControlSet::CopyToPlug(KScnControlSetPlug* plug) const
{
    KScnControlSetPlugProperties* set = plug != nullptr ? plug->GetPlugProperties() : nullptr;
    if (set == nullptr)
    {
        return;
    }
    set->SetControlSetType(mType);
    set->SetUseAxis(mUseAxis);
    for (int i = 0; i < set->GetLinkPropertyCount(); ++i)
    {
        KPropertyObjectList* list = set->GetLinkProperty(i);
        list->Clear();
        const int id = set->GetLinkPropertyNodeId(i);
        if (id >= 0 && id < kLinkCount)
        {
            AppendNode(list, mLinks[id].node);
        }
    }
    for (int id = 0; id < set->GetEffectorPropertyCount() && id < kEffectorCount; ++id)
    {
        KPropertyObjectList* list = set->GetEffectorProperty(id);
        list->Clear();
        int last = kAuxCount;
        while (last > 0 && mAux[id][last - 1] == nullptr)
        {
            --last;
        }
        if (last == 0)
        {
            AppendNode(list, mEffectors[id].node);
            continue;
        }
        AppendNodeOrGap(list, mEffectors[id].node, set->GetGapPlug());
        for (int aux = 1; aux <= last; ++aux)
        {
            AppendNodeOrGap(list, mAux[id][aux - 1], set->GetGapPlug());
        }
    }
}

} // namespace scenesdk
