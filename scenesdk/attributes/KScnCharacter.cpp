#include "scenesdk/attributes/KScnCharacter.h"

#include "scenesdk/attributes/KScnCharacterParameters.h"
#include "scenesdk/attributes/KScnCharacterProperties.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnReadMeter.h"

#include <cstring>
#include <string>
#include <vector>

namespace scenesdk
{

namespace
{
const char* const kCharacterErrors[] = {"internal error"};

// Record type of a character's own node slots on the nodes.
constexpr int kCharacterSlotLink = 0;
constexpr int kReferenceId = 67;
constexpr int kVersion = 4000;
constexpr int kLaterVersion = 4500;

struct GroupRow
{
    int id;
    std::string name;
    int version;
};

struct LinkGroup
{
    const char* section;
    std::vector<GroupRow> rows;
};

void AddRun(LinkGroup& group, int firstId, const std::vector<std::string>& names, int version)
{
    int id = firstId;
    for (const std::string& name : names)
    {
        group.rows.push_back(GroupRow{id++, name, version});
    }
}

// "<prefix>1" .. "<prefix><count>" (or from 0 with zeroBased).
std::vector<std::string> Numbered(const std::string& prefix, int first, int last)
{
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i)
    {
        names.push_back(prefix + std::to_string(i));
    }
    return names;
}

// A hand's rows: three joints per finger, then (later version) the in-hand
// joint and fourth joint of each finger and the extra finger.
void AddHand(LinkGroup& group, const std::string& side, int firstId, int laterFirstId)
{
    static const char* const kFingers[] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};
    std::vector<std::string> joints;
    std::vector<std::string> later;
    for (const char* finger : kFingers)
    {
        for (int k = 1; k <= 3; ++k)
        {
            joints.push_back(side + "Hand" + finger + std::to_string(k));
        }
        later.push_back(side + "InHand" + finger);
        later.push_back(side + "Hand" + finger + "4");
    }
    later.push_back(side + "InHandExtraFinger");
    for (const std::string& name : Numbered(side + "HandExtraFinger", 1, 4))
    {
        later.push_back(name);
    }
    AddRun(group, firstId, joints, kVersion);
    AddRun(group, laterFirstId, later, kLaterVersion);
}

void AddFoot(LinkGroup& group, const std::string& side, int firstId)
{
    static const char* const kToes[] = {"Thumb", "Index", "Middle", "Ring", "Pinky", "ExtraFinger"};
    std::vector<std::string> names;
    for (const char* toe : kToes)
    {
        names.push_back(side + "InFoot" + toe);
        for (const std::string& name : Numbered(side + "Foot" + toe, 1, 4))
        {
            names.push_back(name);
        }
    }
    AddRun(group, firstId, names, kLaterVersion);
}

const std::vector<LinkGroup>& LinkGroups()
{
    static const std::vector<LinkGroup> groups = []
    {
        std::vector<LinkGroup> g(KScnCharacter::kLinkGroupCount);
        const char* const kSections[] = {"BASE",           "AUXILIARY", "SPINE",     "ROLL",
                                         "SPECIAL",        "LEFTHAND",  "RIGHTHAND", "PROPS",
                                         "GAMEMODEPARENT", "NECK",      "LEFTFOOT",  "RIGHTFOOT"};
        for (int i = 0; i < KScnCharacter::kLinkGroupCount; ++i)
        {
            g[i].section = kSections[i];
        }
        const std::pair<int, const char*> base[] = {
            {0, "Hips"},      {1, "LeftUpLeg"}, {2, "LeftLeg"},       {3, "LeftFoot"},   {5, "RightUpLeg"},
            {6, "RightLeg"},  {7, "RightFoot"}, {9, "Spine"},         {12, "LeftArm"},   {13, "LeftForeArm"},
            {14, "LeftHand"}, {16, "RightArm"}, {17, "RightForeArm"}, {18, "RightHand"}, {20, "Head"}};
        for (const auto& row : base)
        {
            g[KScnCharacter::eBase].rows.push_back(GroupRow{row.first, row.second, kVersion});
        }
        const std::pair<int, const char*> auxiliary[] = {{4, "LeftToeBase"},
                                                         {8, "RightToeBase"},
                                                         {11, "LeftShoulder"},
                                                         {15, "RightShoulder"},
                                                         {19, "Neck"}};
        for (const auto& row : auxiliary)
        {
            g[KScnCharacter::eAuxiliary].rows.push_back(GroupRow{row.first, row.second, kVersion});
        }
        AddRun(g[KScnCharacter::eAuxiliary], 90, {"LeftFingerBase", "RightFingerBase"}, kLaterVersion);
        AddRun(g[KScnCharacter::eSpine], 10, {"Spine1"}, kVersion);
        AddRun(g[KScnCharacter::eSpine], 29, Numbered("Spine", 2, 9), kVersion);
        AddRun(g[KScnCharacter::eRoll], 21,
               {"LeftUpLegRoll", "LeftLegRoll", "RightUpLegRoll", "RightLegRoll", "LeftArmRoll",
                "LeftForeArmRoll", "RightArmRoll", "RightForeArmRoll"},
               kVersion);
        AddRun(g[KScnCharacter::eSpecial], 70, {"HipsTranslation"}, kVersion);
        AddHand(g[KScnCharacter::eLeftHand], "Left", 37, 101);
        AddHand(g[KScnCharacter::eRightHand], "Right", 52, 116);
        AddRun(g[KScnCharacter::eProps], 71, Numbered("Props", 0, 4), kVersion);
        std::vector<std::string> parents;
        for (const char* side : {"Left", "Right"})
        {
            for (const char* joint : {"HipRoll", "Knee", "KneeRoll"})
            {
                parents.push_back(std::string("GameModeParent") + side + joint);
            }
        }
        for (const char* side : {"Left", "Right"})
        {
            for (const char* joint : {"ShoulderRoll", "Elbow", "ElbowRoll"})
            {
                parents.push_back(std::string("GameModeParent") + side + joint);
            }
        }
        AddRun(g[KScnCharacter::eGameModeParent], 76, parents, kVersion);
        AddRun(g[KScnCharacter::eNeck], 92, Numbered("Neck", 1, 9), kLaterVersion);
        AddFoot(g[KScnCharacter::eLeftFoot], "Left", 131);
        AddFoot(g[KScnCharacter::eRightFoot], "Right", 161);
        return g;
    }();
    return groups;
}

// The first row of groups 0..lastGroup that the test accepts; writes its
// group and row.
template <class Test> bool FindRowIn(int lastGroup, Test test, int& group, int& row)
{
    const std::vector<LinkGroup>& groups = LinkGroups();
    for (int g = 0; g <= lastGroup && g < KScnCharacter::kLinkGroupCount; ++g)
    {
        const std::vector<GroupRow>& rows = groups[static_cast<size_t>(g)].rows;
        for (size_t r = 0; r < rows.size(); ++r)
        {
            if (test(rows[r]))
            {
                group = g;
                row = static_cast<int>(r);
                return true;
            }
        }
    }
    return false;
}

const GroupRow* RowAt(int group, int row)
{
    if (group < 0 || group >= KScnCharacter::kLinkGroupCount)
    {
        return nullptr;
    }
    const std::vector<GroupRow>& rows = LinkGroups()[static_cast<size_t>(group)].rows;
    return row >= 0 && static_cast<size_t>(row) < rows.size() ? &rows[static_cast<size_t>(row)] : nullptr;
}
} // namespace

// ---- Node-link record --------------------------------------------------------

void KScnCharacterNodeLink::Reset()
{
    node = nullptr;
    name = "";
    offsetT = KgeTVector(0.0, 0.0, 0.0, 1.0);
    offsetR = KgeTVector(0.0, 0.0, 0.0, 1.0);
    offsetS = KgeTVector(1.0, 1.0, 1.0, 1.0);
    parentOffsetR = KgeTVector(0.0, 0.0, 0.0, 1.0);
    hasRotationSpace = 0;
    for (int axis = 0; axis < 3; ++axis)
    {
        minEnable[axis] = 1;
        maxEnable[axis] = 1;
    }
    rotationMin = KgeTVector(0.0, 0.0, 0.0, 1.0);
    rotationMax = KgeTVector(0.0, 0.0, 0.0, 1.0);
    preRotation = KgeTVector(0.0, 0.0, 0.0, 1.0);
    postRotation = KgeTVector(0.0, 0.0, 0.0, 1.0);
    rotationOrder = 0;
    axisLength = 1.0;
    linkProperty = nullptr;
}

KScnCharacterNodeLink& KScnCharacterNodeLink::operator=(const KScnCharacterNodeLink& other)
{
    if (&other == this)
    {
        return *this;
    }
    KPropertyObjectList* keep = linkProperty;
    node = other.node;
    name = other.name;
    offsetT = other.offsetT;
    offsetR = other.offsetR;
    offsetS = other.offsetS;
    parentOffsetR = other.parentOffsetR;
    hasRotationSpace = other.hasRotationSpace;
    std::memcpy(minEnable, other.minEnable, sizeof(minEnable));
    std::memcpy(maxEnable, other.maxEnable, sizeof(maxEnable));
    rotationMin = other.rotationMin;
    rotationMax = other.rotationMax;
    preRotation = other.preRotation;
    postRotation = other.postRotation;
    rotationOrder = other.rotationOrder;
    axisLength = other.axisLength;
    linkProperty = keep;
    return *this;
}

// ---- Character ---------------------------------------------------------------

KScnCharacter::KScnCharacter(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mCharacterError(kCharacterErrors, 1)
{
    KScnReadMeter::Count(KScnReadMeter::eObjects, KScnReadMeter::kCharacterSetsBytes);
    // Stopped part-way (memory running out), it frees what it made.
    try
    {
        mControlSet = new KScnControlSet();
        mControlSet->SetOwner(this);
        mParameters = new KScnCharacterParameters();
        mProperties = new KScnCharacterProperties(this);
        SetPropertySet(mProperties);
        AddDefaultTakeNode();
        mProperties->SetName(GetName());
    }
    catch (...)
    {
        DestroyPropertySet();
        mProperties = nullptr;
        delete mControlSet;
        mControlSet = nullptr;
        delete mParameters;
        mParameters = nullptr;
        throw;
    }
}

KScnCharacter::~KScnCharacter()
{
    // The set's disconnection calls back into SetLink: every member is still whole.
    DestroyPropertySet();
    mProperties = nullptr;
    Reset();
    delete mControlSet;
    mControlSet = nullptr;
    delete mParameters;
    mParameters = nullptr;
}

KStringList KScnCharacter::GetTypeNameList() const
{
    KStringList names;
    names.Add("Character");
    return names;
}

void KScnCharacter::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    CreateAnimatablePropertyChannels(mProperties, take);
}

bool KScnCharacter::SetLink(int id, const KScnCharacterNodeLink& record, bool update)
{
    if (id < 0 || id >= kNodeCount)
    {
        return false;
    }
    KScnCharacterNodeLink& slot = mLinks[id];
    if (slot.node != nullptr)
    {
        slot.node->RemoveCharacterLink(this, kCharacterSlotLink, id, 0);
    }
    slot = record;
    if (slot.node != nullptr)
    {
        slot.node->AddCharacterLink(this, kCharacterSlotLink, id, 0);
    }
    KPropertyObjectList* list = slot.linkProperty;
    if (!update || list == nullptr)
    {
        return true;
    }
    // The list holds exactly the new node's property set: older entries
    // would keep naming nodes the slot no longer maps. The record is copied
    // first: a removal's event may rewrite the slot.
    KScnNode* node = slot.node;
    KScnPropertyHandler* set = node != nullptr ? node->GetPropertyHandler() : nullptr;
    for (int i = list->GetCount() - 1; i >= 0; --i)
    {
        if (list->GetAt(i) != set)
        {
            list->RemoveAt(i);
        }
    }
    if (set != nullptr && list->IndexOf(set) < 0)
    {
        list->InsertAt(0, set);
    }
    return true;
}

bool KScnCharacter::GetLink(int id, KScnCharacterNodeLink& out) const
{
    if (id < 0 || id >= kNodeCount)
    {
        return false;
    }
    out = mLinks[id];
    return true;
}

void KScnCharacter::ConnectSource(int kind, KScnTakeNodeContainer* object)
{
    static const int kObjectKinds[] = {eKindGenericConstraint, eKindCharacter, eKindControlSetPlug};
    if (object == nullptr || kind < 0 || kind > 2 || object->GetObjectKind() != kObjectKinds[kind] ||
        mProperties == nullptr)
    {
        return;
    }
    KScnPropertyHandler* set = object->GetPropertyHandler();
    if (set == nullptr)
    {
        return;
    }
    mProperties->SourceObject.Clear();
    mProperties->SourceObject.Add(set);
    if (kind == eSourceCharacter)
    {
        mProperties->Character.Clear();
        mProperties->Character.Add(set);
    }
    else if (kind == eSourceControlSetPlug)
    {
        mProperties->ControlSet.Clear();
        mProperties->ControlSet.Add(set);
    }
}

KScnCharacter::ESourceKind KScnCharacter::GetSourceKind()
{
    if (mProperties == nullptr || mProperties->SourceObject.GetCount() == 0)
    {
        return eSourceNone;
    }
    KPlug* source = mProperties->SourceObject.GetAt(0);
    KScnPropertyHandler* handler = source != nullptr ? source->AsPropertyHandler() : nullptr;
    KScnTakeNodeContainer* owner = handler != nullptr ? handler->GetOwner() : nullptr;
    switch (owner != nullptr ? owner->GetObjectKind() : 0)
    {
    case eKindGenericConstraint:
        return eSourceGenericConstraint;
    case eKindCharacter:
        return eSourceCharacter;
    case eKindControlSetPlug:
        return eSourceControlSetPlug;
    default:
        return eSourceNone;
    }
}

void KScnCharacter::Reset()
{
    SetInitialName(""); // both names
    for (int id = 0; id < kNodeCount; ++id)
    {
        if (mLinks[id].node != nullptr)
        {
            mLinks[id].node->RemoveCharacterLink(this, kCharacterSlotLink, id, 0);
        }
        mLinks[id].Reset();
    }
    if (mControlSet != nullptr)
    {
        mControlSet->Clear();
    }
}

void KScnCharacter::ForgetNode(KScnNode* node, int type, int index, int subIndex)
{
    if (type == kCharacterSlotLink)
    {
        if (index >= 0 && index < kNodeCount && mLinks[index].node == node)
        {
            mLinks[index].node = nullptr;
        }
        return;
    }
    if (mControlSet != nullptr)
    {
        mControlSet->ForgetNode(node, type, index, subIndex);
    }
}

// ---- Link groups -------------------------------------------------------------

int KScnCharacter::GetLinkGroupSize(int group)
{
    if (group < 0 || group >= kLinkGroupCount)
    {
        return 0;
    }
    return static_cast<int>(LinkGroups()[static_cast<size_t>(group)].rows.size());
}

int KScnCharacter::GetLinkGroupNodeId(int group, int row)
{
    const GroupRow* entry = RowAt(group, row);
    return entry != nullptr ? entry->id : -1;
}

const char* KScnCharacter::GetLinkGroupName(int group, int row)
{
    const GroupRow* entry = RowAt(group, row);
    return entry != nullptr ? entry->name.c_str() : nullptr;
}

const char* KScnCharacter::GetLinkGroupSection(int group)
{
    return group >= 0 && group < kLinkGroupCount ? LinkGroups()[static_cast<size_t>(group)].section : nullptr;
}

int KScnCharacter::GetLinkGroupVersion(int group, int row)
{
    const GroupRow* entry = RowAt(group, row);
    return entry != nullptr ? entry->version : 0;
}

bool KScnCharacter::FindLinkGroupEntry(const char* name, bool limited, int& group, int& row)
{
    if (name == nullptr)
    {
        return false;
    }
    return FindRowIn(
        limited ? group : kLinkGroupCount - 1, [&](const GroupRow& r) { return r.name == name; }, group, row);
}

bool KScnCharacter::FindLinkGroupOfNodeId(int id, int& group, int& row)
{
    return FindRowIn(
        kLinkGroupCount - 1, [&](const GroupRow& r) { return r.id == id; }, group, row);
}

bool KScnCharacter::GetLinkName(int id, const char*& name)
{
    int group = 0;
    int row = 0;
    if (FindLinkGroupOfNodeId(id, group, row))
    {
        name = GetLinkGroupName(group, row);
        return true;
    }
    if (id == kReferenceId)
    {
        name = "Reference";
        return true;
    }
    return false;
}

} // namespace scenesdk
