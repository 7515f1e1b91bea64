#include "scenesdk/animation/KScnTakeNodeContainer.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnPropertyRef.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>
#include <utility>

namespace scenesdk
{

namespace
{
// A property's components: the fourth is named "toto" (files and callers look
// channels up by these names; the reader takes "W" for it as well).
const char* const kComponentNames[] = {"X", "Y", "Z", "toto"};

bool SameText(const char* a, const char* b)
{
    return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

// The property a linked curve is writing its default value into (on this
// thread), while it does.
thread_local const KProperty* tWrittenByCurve = nullptr;

class CurveWriteScope
{
public:
    explicit CurveWriteScope(const KProperty* property) : mPrevious(tWrittenByCurve)
    {
        tWrittenByCurve = property;
    }
    ~CurveWriteScope() { tWrittenByCurve = mPrevious; }
    CurveWriteScope(const CurveWriteScope&) = delete;
    CurveWriteScope& operator=(const CurveWriteScope&) = delete;

private:
    const KProperty* mPrevious;
};

// The transform channels are made by the node itself, never for a property.
bool IsTransformChannel(const KString& channel)
{
    return channel == "T" || channel == "R" || channel == "S";
}
} // namespace

KScnTakeNodeContainer::KScnTakeNodeContainer(KScnSdkManager* manager, const char* name, KErrorRecord* error)
    : KScnObject(manager, name), mError(error)
{
}

KScnTakeNodeContainer::~KScnTakeNodeContainer()
{
    // Deleting the curves sends their destroy events, which drop their links.
    while (!mTakes.empty())
    {
        KScnTakeNodeEntry* take = mTakes.back();
        mTakes.pop_back();
        delete take;
    }
    mCurrent = -1;
    UnlinkAllPropertyCurves();
    // Handles that still wait are never made now (the removals below would
    // make them).
    DropDeferredUserProperties();
    for (KScnFree<KScnPropertyRef>* ref : mOwnedRefs)
    {
        RemoveUserProperty(ref);
        delete ref;
    }
}

void KScnTakeNodeContainer::SetError(const char* text) const
{
    if (mError != nullptr)
    {
        mError->SetLastError(0, text);
    }
}

void KScnTakeNodeContainer::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    if (handler == nullptr)
    {
        return;
    }
    const int n = handler->GetPropertyCount();
    for (int i = 0; i < n; ++i)
    {
        out.push_back(handler->GetProperty(i));
    }
}

// ---- Takes ----------------------------------------------------------------

bool KScnTakeNodeContainer::SelectTakeNodeByName(const char* name)
{
    const int index = FindTakeNamed(name != nullptr ? name : "");
    if (index >= 0)
    {
        mCurrent = index;
        return true;
    }
    SetError("Unknown take node name");
    mCurrent = 0;
    return false;
}

bool KScnTakeNodeContainer::SelectTakeNodeByIndex(int index)
{
    if (index >= 0 && index < GetTakeNodeCount())
    {
        mCurrent = index;
        return true;
    }
    SetError("Index out of range");
    mCurrent = 0;
    return false;
}

bool KScnTakeNodeContainer::GetCurrentTakeInterval(KTime& start, KTime& stop)
{
    const KScnTakeNodeEntry* take =
        (mCurrent >= 0 && mCurrent < GetTakeNodeCount()) ? mTakes[static_cast<size_t>(mCurrent)] : nullptr;
    const KFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
    // Widens only, and leaves both untouched when the tree has no key.
    return root != nullptr && root->GetKeyInterval(start, stop);
}

KScnTakeNodeEntry* KScnTakeNodeContainer::AddDefaultTakeNode()
{
    KScnTakeNodeEntry* take = AddTakeNode("Default");
    mCurrent = 0;
    return take;
}

KScnTakeNodeEntry* KScnTakeNodeContainer::AddDeferredDefaultTakeNode()
{
    if (!mTakes.empty())
    {
        return AddDefaultTakeNode();
    }
    // Owned until listed; the name index (when there is one) follows.
    std::unique_ptr<KScnTakeNodeEntry> take(KScnTakeNodeEntry::CreateDeferredBuild("Default", this));
    mTakes.push_back(take.get());
    take.release();
    NoteTakeNamed(mTakes.back()->GetName());
    mCurrent = 0;
    return mTakes.back();
}

void KScnTakeNodeContainer::BuildDeferredTakes()
{
    if (HasDeferredTakeBuild())
    {
        static_cast<const KScnTakeNodeEntry*>(mTakes[0])->GetRootCurveNode();
    }
}

void KScnTakeNodeContainer::DropDeferredTakeBuild()
{
    if (HasDeferredTakeBuild())
    {
        mTakes[0]->DropDeferredBuild();
    }
}

bool KScnTakeNodeContainer::BuildDeferredTakePart(KScnTakeNodeEntry* take, int part)
{
    // Every write into an animatable property went to the parts built (or,
    // while this part waited, nowhere): the part starts from the values as
    // they are. The flag falls again when a build stops part-way (memory
    // running out; the entry then waits again).
    struct SBuilding
    {
        bool& flag;
        explicit SBuilding(bool& f) : flag(f) { flag = true; }
        ~SBuilding() { flag = false; }
    };
    const SBuilding building(mBuildingDeferred);
    return BuildTakeChannelPart(take, part);
}

bool KScnTakeNodeContainer::BuildTakeChannelPart(KScnTakeNodeEntry* take, int part)
{
    if (part == 0)
    {
        BuildTakeChannels(take);
    }
    return part == 0;
}

KScnTakeNodeContainer::TakeNameIndex& KScnTakeNodeContainer::TakeNames()
{
    const uint64_t renames = KScnTakeNodeEntry::GetRenameCount();
    if (!mTakeNames || renames != mTakeNamesAt)
    {
        if (!mTakeNames)
        {
            mTakeNames = std::make_unique<TakeNameIndex>();
        }
        // Stale until whole: memory running out part-way leaves it to be made again.
        mTakeNamesAt = ~uint64_t(0);
        mTakeNames->clear();
        for (size_t i = 0; i < mTakes.size(); ++i)
        {
            IndexTakeName(*mTakeNames, mTakes[i]->GetName(), i);
        }
        mTakeNamesAt = renames;
    }
    return *mTakeNames;
}

void KScnTakeNodeContainer::IndexTakeName(TakeNameIndex& names, const char* name, size_t index)
{
    KScnReadMeter::Count(KScnReadMeter::eTakes, KScnReadMeter::kTakeNameBytes);
    names.emplace(name, index);
}

void KScnTakeNodeContainer::NoteTakeNamed(const char* name)
{
    // An index that cannot note the name is dropped (made again when next needed).
    if (mTakeNames)
    {
        try
        {
            IndexTakeName(*mTakeNames, name, mTakes.size() - 1);
        }
        catch (const std::bad_alloc&)
        {
            mTakeNames.reset();
        }
    }
}

int KScnTakeNodeContainer::FindTakeNamed(std::string_view name)
{
    if (!mTakeNames && mTakes.size() < kIndexedTakes)
    {
        for (size_t i = 0; i < mTakes.size(); ++i)
        {
            if (name == mTakes[i]->GetName())
            {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    // Names made equal by a rename stand more than once: the first take
    // wins. Without memory for the index the takes are compared one by one.
    const TakeNameIndex* names = nullptr;
    try
    {
        names = &TakeNames();
    }
    catch (const std::bad_alloc&)
    {
        for (size_t i = 0; i < mTakes.size(); ++i)
        {
            if (name == mTakes[i]->GetName())
            {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    const auto range = names->equal_range(name);
    size_t first = mTakes.size();
    for (auto it = range.first; it != range.second; ++it)
    {
        first = std::min(first, it->second);
    }
    return first < mTakes.size() ? static_cast<int>(first) : -1;
}

KScnTakeNodeEntry* KScnTakeNodeContainer::AddTakeNode(const char* name)
{
    const std::string text = name != nullptr ? name : "";
    if (FindTakeNamed(text) >= 0)
    {
        SetError("Take node already exists");
        return nullptr;
    }
    // The record keeps its own copy of the take's name.
    KScnReadMeter::Charge(KScnReadMeter::eTakes, KScnReadMeter::kTakeRecordBytes + KScnReadMeter::NameBytes(name));
    if (KScnTakeNodeEntry* def = GetDefaultTakeNode())
    {
        // Copies are made of a built tree.
        BuildDeferredTakes();
        // The default take as it is now, shared read-only with the takes
        // added while it stays so; the take's first write copies it.
        // A take without its tree would be a take that has lost its channels:
        // memory running out throws instead.
        std::unique_ptr<KScnTakeNodeEntry> copy(KMade(KScnTakeNodeEntry::CreateSnapshotCopy(*def, name)));
        mTakes.push_back(copy.get());
        copy.release();
        NoteTakeNamed(mTakes.back()->GetName());
        return mTakes.back();
    }
    // The first take: listed before it is filled, so that its index is known
    // to the derived class building its channels (owned until listed).
    std::unique_ptr<KScnTakeNodeEntry> made(new KScnTakeNodeEntry(name));
    KMade(static_cast<const KScnTakeNodeEntry&>(*made).GetRootCurveNode());
    mTakes.push_back(made.get());
    KScnTakeNodeEntry* take = made.release();
    NoteTakeNamed(take->GetName());
    try
    {
        const KScnTakeNodeEntry::EditScope scope(*take);
        BuildTakeChannels(take);
    }
    catch (...)
    {
        // Half built, the take goes again: the object is as it was (the
        // name index is made again when next needed).
        mTakeNames.reset();
        mTakes.pop_back();
        delete take;
        throw;
    }
    return take;
}

bool KScnTakeNodeContainer::RemoveTakeNode(int index)
{
    if (index == 0)
    {
        SetError("Cannot remove default take node");
        return false;
    }
    if (index < 0 || index >= GetTakeNodeCount())
    {
        SetError("Index out of range");
        return false;
    }
    if (mCurrent >= index)
    {
        --mCurrent;
    }
    KScnTakeNodeEntry* take = mTakes[index];
    // A current index forgets the last take's name; one that would have to
    // move the indices after the take is left stale, made again when next
    // needed (removing allocates nothing: a read undone removes takes, from
    // the last).
    if (mTakeNames && mTakeNamesAt == KScnTakeNodeEntry::GetRenameCount() &&
        static_cast<size_t>(index) + 1 == mTakes.size())
    {
        const auto range = mTakeNames->equal_range(take->GetName());
        for (auto it = range.first; it != range.second; ++it)
        {
            if (it->second == static_cast<size_t>(index))
            {
                mTakeNames->erase(it);
                break;
            }
        }
    }
    else
    {
        mTakeNamesAt = ~uint64_t(0);
    }
    mTakes.erase(mTakes.begin() + index);
    delete take;
    return true;
}

const KScnTakeNodeEntry* KScnTakeNodeContainer::GetTakeNode(int index) const
{
    if (index < 0 || index >= GetTakeNodeCount())
    {
        SetError("Take node does not exist");
        return nullptr;
    }
    return mTakes[index];
}

KScnTakeNodeEntry* KScnTakeNodeContainer::GetTakeNode(int index)
{
    return const_cast<KScnTakeNodeEntry*>(std::as_const(*this).GetTakeNode(index));
}

const char* KScnTakeNodeContainer::GetTakeNodeName(int index) const
{
    const KScnTakeNodeEntry* take = GetTakeNode(index);
    return take != nullptr ? take->GetName() : nullptr;
}

namespace
{
const char* const kAxisCurveNames[] = {"X", "Y", "Z"};
}

void KScnTakeNodeContainer::GetAxisCurveDefaults(const char* channel, double& x, double& y, double& z) const
{
    const KScnTakeNodeEntry* take = GetDefaultTakeNode();
    double* const out[3] = {&x, &y, &z};
    for (int k = 0; k < 3; ++k)
    {
        const KFCurve* curve =
            take != nullptr ? take->FindCurve(nullptr, channel, kAxisCurveNames[k]) : nullptr;
        *out[k] = curve != nullptr ? curve->GetDefaultValue() : 0.0;
    }
}

void KScnTakeNodeContainer::FindAxisCurvesToWrite(const char* channel, KFCurve* curves[3])
{
    KScnTakeNodeEntry* take = GetDefaultTakeNode();
    for (int k = 0; k < 3; ++k)
    {
        curves[k] = nullptr;
    }
    if (take == nullptr)
    {
        return;
    }
    const KScnTakeNodeEntry::EditScope scope(*take);
    for (int k = 0; k < 3; ++k)
    {
        // The take's curve getter empties the caches of the channel it hands out.
        curves[k] = take->FindCurveToWrite(nullptr, channel, kAxisCurveNames[k]);
    }
}

void KScnTakeNodeContainer::SetAxisCurveDefaults(const char* channel, double x, double y, double z)
{
    // Every curve is had before any is written.
    KFCurve* curves[3];
    FindAxisCurvesToWrite(channel, curves);
    const double values[3] = {x, y, z};
    for (int k = 0; k < 3; ++k)
    {
        if (curves[k] != nullptr)
        {
            curves[k]->SetDefaultValue(static_cast<float>(values[k]));
        }
    }
}

// ---- Property channels ----------------------------------------------------

namespace
{
// ChannelNameOfProperty without a copy: a push looks its channels up
// while it may take no memory.
const char* ChannelNameOf(const char* name)
{
    static const char* const kMap[][2] = {
        {"Lcl Translation", "T"}, {"Lcl Rotation", "R"}, {"Lcl Scaling", "S"}};
    for (const auto& entry : kMap)
    {
        if (SameText(name, entry[0]))
        {
            return entry[1];
        }
    }
    return name != nullptr ? name : "";
}
} // namespace

KString KScnTakeNodeContainer::ChannelNameOfProperty(const char* name)
{
    return KString(ChannelNameOf(name));
}

int KScnTakeNodeContainer::ComponentCountOf(KProperty* property)
{
    if (property == nullptr)
    {
        return 0;
    }
    if (KDataType* type = property->GetDataType())
    {
        return static_cast<int>(type->GetComponentCount());
    }
    switch (property->GetTypeCode())
    {
    case eKPropVector3D:
    case eKPropColorRGB:
        return 3;
    case eKPropVector4D:
    case eKPropColorRGBA:
        return 4;
    default:
        return 1;
    }
}

void KScnTakeNodeContainer::WriteCurveDefaultSilently(KFCurve* curve, double value)
{
    if (curve == nullptr)
    {
        return;
    }
    const bool wasEnabled = curve->GetListenersEnabled();
    curve->SetListenersEnabled(false);
    curve->SetDefaultValue(static_cast<float>(value));
    curve->ResetPendingEvent();
    curve->SetListenersEnabled(wasEnabled);
}

void KScnTakeNodeContainer::CopyPropertyValueToChannel(KFCurveNode* node, KProperty* property)
{
    if (node == nullptr || property == nullptr)
    {
        return;
    }
    double values[4] = {0.0, 0.0, 0.0, 0.0};
    if (ComponentCountOf(property) >= 3)
    {
        property->GetAsDoubles(values);
        for (int k = 0; k < 3; ++k)
        {
            KFCurveNode* child = node->GetChildCount() > k ? node->GetChildAt(k) : nullptr;
            if (child == nullptr)
            {
                child = node->AdoptChild(KMade(KFCurveNode::Create(kComponentNames[k], nullptr, 0, 0)));
                if (child == nullptr)
                {
                    continue;
                }
            }
            if (child->GetFCurve() == nullptr)
            {
                child->SetFCurve(KMade(KFCurve::Create()));
            }
            WriteCurveDefaultSilently(child->GetFCurve(), values[k]);
        }
        node->InvalidateChannelCache();
        return;
    }
    if (!property->GetAsDoubles(values))
    {
        return; // texts and objects have no channel value
    }
    if (node->GetFCurve() == nullptr)
    {
        node->SetFCurve(KMade(KFCurve::Create()));
    }
    WriteCurveDefaultSilently(node->GetFCurve(), values[0]);
    node->InvalidateChannelCache();
}

void KScnTakeNodeContainer::CopyKPropertyValueToChannel(KFCurveNode* node, KProperty* property)
{
    if (node == nullptr || property == nullptr)
    {
        return;
    }
    double values[4] = {0.0, 0.0, 0.0, 0.0};
    const int n = ComponentCountOf(property);
    if (n == 3 || n == 4)
    {
        if (!property->GetAsDoubles(values))
        {
            return;
        }
        for (int i = 0; i < n && i < node->GetChildCount(); ++i)
        {
            if (KFCurveNode* child = node->GetChildAt(i))
            {
                WriteCurveDefaultSilently(child->GetFCurve(), values[i]);
            }
        }
        node->InvalidateChannelCache();
        return;
    }
    if (node->GetFCurve() != nullptr && property->GetAsDoubles(values))
    {
        WriteCurveDefaultSilently(node->GetFCurve(), values[0]);
        node->InvalidateChannelCache();
    }
}

void KScnTakeNodeContainer::CreateAnimatablePropertyChannels(KScnPropertyHandler* set,
                                                             KScnTakeNodeEntry* take)
{
    if (set == nullptr || take == nullptr)
    {
        return;
    }
    const int count = set->GetPropertyCount();
    for (int i = 0; i < count; ++i)
    {
        KProperty* property = set->GetProperty(i);
        if (property != nullptr && property->IsAnimatable())
        {
            CreatePropertyChannels(property, take);
        }
    }
}

void KScnTakeNodeContainer::CreatePropertyChannels(KProperty* property, KScnTakeNodeEntry* take)
{
    if (property == nullptr || take == nullptr)
    {
        return;
    }
    const KScnTakeNodeEntry::EditScope scope(*take);
    KFCurveNode* root = KMade(take->GetRootCurveNode());
    const char* name = property->GetName();
    if (root == nullptr)
    {
        return;
    }
    if (root->FindDescendant(name) != nullptr)
    {
        return;
    }
    const bool link = SameText(take->GetName(), "Default");
    const int n = std::min(ComponentCountOf(property), 4);
    KFCurveNode* channel = nullptr;
    if (n <= 1)
    {
        channel = KMade(root->FindOrCreateChild(name, true));
        if (channel != nullptr && link)
        {
            LinkPropertyToCurve(property, 0, channel->GetFCurve());
        }
    }
    else
    {
        channel = KMade(root->FindOrCreateChild(name, false));
        for (int i = 0; channel != nullptr && i < n; ++i)
        {
            KFCurveNode* child = channel->GetChildAt(i);
            if (child == nullptr)
            {
                KMade(channel->FindOrCreateChild(kComponentNames[i], true));
                child = channel->GetChildAt(i);
            }
            if (child != nullptr && link)
            {
                LinkPropertyToCurve(property, i, child->GetFCurve());
            }
        }
    }
    CopyKPropertyValueToChannel(channel, property);
}

KFCurveNode* KScnTakeNodeContainer::FindPropertyChannel(KScnTakeNodeEntry* take, const char* channel) const
{
    // Looked up in the tree as it is read: a take that shares its tree and
    // lacks the channel is not written, so it is not copied.
    const KFCurveNode* shared = take != nullptr ? static_cast<const KScnTakeNodeEntry*>(take)->GetRootCurveNode()
                                                : nullptr;
    if (shared == nullptr || shared->FindDescendant(channel) == nullptr)
    {
        return nullptr;
    }
    const KScnTakeNodeEntry::EditScope scope(*take);
    KFCurveNode* root = KMade(take->GetRootCurveNode());
    return root != nullptr ? root->FindDescendant(channel) : nullptr;
}

KFCurveNode* KScnTakeNodeContainer::AddPropertyToTake(KProperty* property, int takeIndex)
{
    KScnTakeNodeEntry* take = mTakes[static_cast<size_t>(takeIndex)];
    const KScnTakeNodeEntry::EditScope scope(*take);
    KFCurveNode* root = KMade(take->GetRootCurveNode());
    if (root == nullptr)
    {
        return nullptr;
    }
    const KString channelName = ChannelNameOfProperty(property->GetName());
    const bool vector = ComponentCountOf(property) >= 3;
    KFCurveNode* channel = root->FindDescendant(channelName.Buffer());
    KFCurveNode* made = nullptr;
    try
    {
        if (channel == nullptr && !IsTransformChannel(channelName))
        {
            made = channel = KMade(root->FindOrCreateChild(channelName.Buffer(), !vector));
            if (channel != nullptr && takeIndex == 0)
            {
                if (vector)
                {
                    for (int k = 0; k < 3; ++k)
                    {
                        if (channel->GetChildAt(k) == nullptr)
                        {
                            KMade(channel->FindOrCreateChild(kComponentNames[k], true));
                        }
                        KFCurveNode* child = channel->GetChildAt(k);
                        LinkPropertyToCurve(property, k, child != nullptr ? child->GetFCurve() : nullptr);
                    }
                }
                else
                {
                    LinkPropertyToCurve(property, 0, channel->GetFCurve());
                }
            }
        }
        if (channel != nullptr)
        {
            CopyPropertyValueToChannel(channel, property);
        }
    }
    catch (...)
    {
        DropMadeChannel(made);
        throw;
    }
    return made;
}

void KScnTakeNodeContainer::DropMadeChannel(KFCurveNode* channel)
{
    // Links to its curves go with the curves.
    KFCurveNode* parent = channel != nullptr ? channel->GetParent() : nullptr;
    const int index = parent != nullptr ? parent->IndexOfChild(channel) : -1;
    if (index >= 0)
    {
        parent->RemoveChildAt(index);
        KFCurveNode::Destroy(channel);
    }
}

void KScnTakeNodeContainer::AddPropertyToTakes(KProperty* property)
{
    if (property == nullptr || !property->IsAnimatable())
    {
        return;
    }
    // Whole or not at all: when memory runs out the channels made here go
    // again (channels the takes had stay).
    std::vector<KFCurveNode*> made;
    made.reserve(mTakes.size());
    const bool wasMarked = property->TestStateFlags(KProperty::kStateAnimatableUser);
    property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
    try
    {
        for (int i = 0; i < GetTakeNodeCount(); ++i)
        {
            made.push_back(AddPropertyToTake(property, i));
        }
    }
    catch (...)
    {
        for (int i = static_cast<int>(made.size()) - 1; i >= 0; --i)
        {
            DropMadeChannel(made[static_cast<size_t>(i)]);
        }
        property->SetFlagNotify(KProperty::kStateAnimatableUser, wasMarked);
        throw;
    }
}

void KScnTakeNodeContainer::RemovePropertyFromTakes(KProperty* property)
{
    if (property == nullptr)
    {
        return;
    }
    BuildDeferredTakes(); // built now, a tree that waits would hold the channel again
    UnlinkPropertyCurves(property);
    const char* name = property->GetName() != nullptr ? property->GetName() : "";
    for (KScnTakeNodeEntry* take : mTakes)
    {
        // Deleted from the tree each take reads, no tree copied: a snapshot
        // the takes share loses it once for all of them.
        const KScnTakeNodeEntry::EditScope scope(*take);
        KFCurveNode* root = take->GetRootCurveNodeToPrune();
        KFCurveNode* channel = root != nullptr ? root->FindDescendant(name) : nullptr;
        KFCurveNode* parent = channel != nullptr ? channel->GetParent() : nullptr;
        const int index = parent != nullptr ? parent->IndexOfChild(channel) : -1;
        if (index >= 0)
        {
            // Detached and deleted: nothing else holds the channel.
            parent->RemoveChildAt(index);
            KFCurveNode::Destroy(channel);
        }
    }
}

bool KScnTakeNodeContainer::IsWrittenByCurve(const KProperty* property)
{
    return property != nullptr && property == tWrittenByCurve;
}

void KScnTakeNodeContainer::PushPropertyToTakeDefaults(KProperty* property)
{
    if (property != nullptr)
    {
        PushPropertyToTakeDefaults(property, ChannelNameOf(property->GetName()));
    }
}

void KScnTakeNodeContainer::PushPropertyToTakeDefaults(KProperty* property, const char* channelName)
{
    KFCurveNode* currentNode = nullptr;
    KFCurveNode* defNode = nullptr;
    // Both channels are made ready (a shared tree made the take's own, the
    // component curves made) before either is written: memory running out
    // leaves both takes as they were.
    if (PrepareChannels(property, channelName, currentNode, defNode))
    {
        CopyPropertyValueToChannel(currentNode, property);
        CopyPropertyValueToChannel(defNode, property);
    }
}

void KScnTakeNodeContainer::PreparePropertyPush(KProperty* property)
{
    if (property != nullptr)
    {
        PreparePropertyPush(property, ChannelNameOf(property->GetName()));
    }
}

void KScnTakeNodeContainer::PreparePropertyPush(KProperty* property, const char* channelName)
{
    KFCurveNode* currentNode = nullptr;
    KFCurveNode* defNode = nullptr;
    PrepareChannels(property, channelName, currentNode, defNode);
}

namespace
{
// What making a push's channels ready made, taken back (allocating nothing)
// when it cannot finish: at most three components in each of two channels.
class SMadeParts
{
public:
    void Child(KFCurveNode* child) { mChildren[mChildCount++] = child; }
    void Curve(KFCurveNode* node) { mCurved[mCurvedCount++] = node; }
    void TakeBack()
    {
        while (mCurvedCount > 0)
        {
            KFCurve::Destroy(mCurved[--mCurvedCount]->SetFCurve(nullptr));
        }
        while (mChildCount > 0)
        {
            KFCurveNode* child = mChildren[--mChildCount];
            KFCurveNode* parent = child->GetParent();
            parent->RemoveChildAt(parent->IndexOfChild(child));
            KFCurveNode::Destroy(child);
        }
    }

private:
    KFCurveNode* mChildren[6] = {};
    KFCurveNode* mCurved[6] = {};
    int mChildCount = 0;
    int mCurvedCount = 0;
};

// Makes what CopyPropertyValueToChannel would make in the channel (its
// component children and curves), noting it in made.
void MakeChannelParts(KFCurveNode* node, KProperty* property, SMadeParts& made)
{
    if (node == nullptr)
    {
        return;
    }
    if (KScnTakeNodeContainer::ComponentCountOf(property) >= 3)
    {
        for (int k = 0; k < 3; ++k)
        {
            KFCurveNode* child = node->GetChildCount() > k ? node->GetChildAt(k) : nullptr;
            const bool childMade = child == nullptr;
            if (childMade)
            {
                child = node->AdoptChild(KMade(KFCurveNode::Create(kComponentNames[k], nullptr, 0, 0)));
                if (child == nullptr)
                {
                    continue;
                }
                made.Child(child);
            }
            if (child->GetFCurve() == nullptr)
            {
                child->SetFCurve(KMade(KFCurve::Create()));
                if (!childMade)
                {
                    made.Curve(child);
                }
            }
        }
        return;
    }
    double values[4] = {0.0, 0.0, 0.0, 0.0};
    if (node->GetFCurve() == nullptr && property->GetAsDoubles(values))
    {
        node->SetFCurve(KMade(KFCurve::Create()));
        made.Curve(node);
    }
}
} // namespace

bool KScnTakeNodeContainer::PrepareChannels(KProperty* property, const char* channel,
                                            KFCurveNode*& currentNode, KFCurveNode*& defNode)
{
    if (property == nullptr || channel == nullptr || !property->IsAnimatable() || IsWrittenByCurve(property))
    {
        return false;
    }
    KScnTakeNodeEntry* current =
        (mCurrent >= 0 && mCurrent < GetTakeNodeCount()) ? mTakes[mCurrent] : nullptr;
    KScnTakeNodeEntry* def = GetDefaultTakeNode();
    if (def != nullptr && def->IsBuildDeferred())
    {
        // A part of the tree not built yet will start from the value the
        // property has then; a part built is written.
        KFCurveNode* built = def->GetBuiltPartsOfWaitingTree();
        defNode = built != nullptr ? built->FindDescendant(channel) : nullptr;
        current = current == def ? nullptr : current;
        def = nullptr;
    }
    // A tree made a take's own reads as before: only what the parts add is
    // taken back.
    currentNode = FindPropertyChannel(current, channel);
    defNode = def != nullptr && def != current ? FindPropertyChannel(def, channel) : defNode;
    SMadeParts made;
    try
    {
        MakeChannelParts(currentNode, property, made);
        MakeChannelParts(defNode, property, made);
    }
    catch (...)
    {
        made.TakeBack();
        throw;
    }
    return true;
}

void KScnTakeNodeContainer::PushAllPropertiesToDefaultTake()
{
    KScnTakeNodeEntry* def = GetDefaultTakeNode();
    // A tree that waits: the parts not built will start from their
    // properties' values, those built are written.
    KFCurveNode* built = def != nullptr ? def->GetBuiltPartsOfWaitingTree() : nullptr;
    if (def == nullptr ||
        (def->IsBuildDeferred() ? built == nullptr
                                : static_cast<const KScnTakeNodeEntry*>(def)->GetRootCurveNode() == nullptr))
    {
        return;
    }
    std::vector<KProperty*> properties;
    CollectHandlerProperties(properties);
    for (KProperty* property : properties)
    {
        if (property == nullptr)
        {
            continue;
        }
        const char* channel = ChannelNameOf(property->GetName());
        KFCurveNode* node =
            built != nullptr ? built->FindDescendant(channel) : FindPropertyChannel(def, channel);
        CopyKPropertyValueToChannel(node, property);
    }
}

// ---- Links ----------------------------------------------------------------

void KScnTakeNodeContainer::LinkPropertyToCurve(KProperty* property, int component, KFCurve* curve)
{
    if (property == nullptr || curve == nullptr || (mBuildingDeferred && mWaitingTreeUnlinked))
    {
        return;
    }
    // Made whole or not at all: the room in the list is taken first, then
    // the curve listens (which may throw, leaving nothing listed), then the
    // link is listed, which can no longer fail.
    auto link =
        std::make_unique<KScnPropertyCurveLink>(KScnPropertyCurveLink{property, component, curve, this});
    mLinks.reserve(mLinks.size() + 1);
    curve->AddListener(&KScnTakeNodeContainer::OnLinkedCurveChanged, link.get());
    mLinks.push_back(link.release());
}

void KScnTakeNodeContainer::DeleteLinkAt(size_t index)
{
    KScnPropertyCurveLink* link = mLinks[index];
    mLinks.erase(mLinks.begin() + static_cast<std::ptrdiff_t>(index));
    if (link != nullptr && link->mCurve != nullptr)
    {
        link->mCurve->RemoveListener(&KScnTakeNodeContainer::OnLinkedCurveChanged, link);
    }
    delete link;
}

void KScnTakeNodeContainer::UnlinkPropertyCurve(KScnPropertyCurveLink*& link)
{
    auto it = std::find(mLinks.begin(), mLinks.end(), link);
    if (link == nullptr || it == mLinks.end())
    {
        return;
    }
    DeleteLinkAt(static_cast<size_t>(it - mLinks.begin()));
    link = nullptr;
}

void KScnTakeNodeContainer::UnlinkAllPropertyCurves()
{
    mWaitingTreeUnlinked = mWaitingTreeUnlinked || HasDeferredTakeBuild();
    while (!mLinks.empty())
    {
        DeleteLinkAt(0);
    }
}

void KScnTakeNodeContainer::UnlinkPropertyCurves(KProperty* property)
{
    for (size_t i = mLinks.size(); i-- > 0;)
    {
        if (i < mLinks.size() && mLinks[i] != nullptr && mLinks[i]->mProperty == property)
        {
            DeleteLinkAt(i);
        }
    }
}

void KScnTakeNodeContainer::UnlinkPropertyCurvesOf(KObject* set)
{
    // Compared, never read: a link may name a property that died before.
    for (int p = 0; set != nullptr && p < set->GetPropertyCount() && !mLinks.empty(); ++p)
    {
        UnlinkPropertyCurves(set->GetProperty(p));
    }
}

int KScnTakeNodeContainer::GetLinkCount() const
{
    const_cast<KScnTakeNodeContainer*>(this)->BuildDeferredTakes();
    return static_cast<int>(mLinks.size());
}

KScnPropertyCurveLink* KScnTakeNodeContainer::GetLink(int index) const
{
    const_cast<KScnTakeNodeContainer*>(this)->BuildDeferredTakes();
    // A link hands out its curve to write: the default take's tree (which
    // the links point into) counts as handed out, never lent to its takes
    // (and no longer lent when it was). Null when memory ran out giving it
    // a tree of its own: the curve is the takes' snapshot then.
    if (!mTakes.empty() && mTakes[0]->GetRootCurveNode() == nullptr)
    {
        return nullptr;
    }
    return (index >= 0 && index < GetLinkCount()) ? mLinks[static_cast<size_t>(index)] : nullptr;
}

void KScnTakeNodeContainer::OnLinkedCurveChanged(KFCurve* curve, KFCurveEvent* event, void* object)
{
    auto* link = static_cast<KScnPropertyCurveLink*>(object);
    if (curve == nullptr || event == nullptr || link == nullptr)
    {
        return;
    }
    if ((event->mEventType & KFCURVEEVENT_DESTROY) != 0)
    {
        // A dying curve's default is of no interest any more.
        link->mContainer->UnlinkPropertyCurve(link);
        return;
    }
    if ((event->mEventType & KFCURVEEVENT_DEFAULT_VALUE) == 0)
    {
        return;
    }
    // The property's setter may unlink or free this link: nothing of it is
    // read after the write.
    KProperty* property = link->mProperty;
    const int component = link->mComponent;
    const double value = curve->GetDefaultValue();
    KDataType* type = property->GetDataType();
    const int code = property->GetTypeCode();
    const bool multi =
        type != nullptr ? type->GetComponentCount() > 1 : (code >= eKPropVector4D && code <= eKPropColorRGBA);
    if (type != nullptr && (type->GetSize() > 32 || component >= static_cast<int>(type->GetComponentCount())))
    {
        return;
    }
    // The value comes from the default take: it is not pushed back there,
    // nor into another take that is current.
    const CurveWriteScope fromCurve(property);
    if (multi)
    {
        double values[4] = {0.0, 0.0, 0.0, 0.0};
        if (component < 0 || component > 3 || !property->GetAsDoubles(values))
        {
            return;
        }
        values[component] = value;
        property->SetFromDoubles(values);
        return;
    }
    switch (code)
    {
    case eKPropInt:
    case eKPropBool:
    case eKPropEnum:
        property->SetDouble(std::trunc(value));
        break;
    case eKPropFloat:
    case eKPropDouble:
        property->SetDouble(value);
        break;
    default:
        if (type != nullptr && component == 0)
        {
            property->SetDouble(value);
        }
        break;
    }
}

// ---- User properties ------------------------------------------------------

void KScnTakeNodeContainer::OnUserPropertyAdded(KScnPropertyRef* property)
{
    if (property == nullptr)
    {
        return;
    }
    if (property->GetProperty() == nullptr)
    {
        // The handler makes the property of a record that has none; being
        // listed already, an animatable one gets its channels there.
        CreatePropertyForRef(property);
        return;
    }
    AddPropertyToTakes(property->GetProperty());
}

void KScnTakeNodeContainer::OnUserPropertyRemoved(KScnPropertyRef* property)
{
    if (property == nullptr || property->GetProperty() == nullptr)
    {
        return;
    }
    RemovePropertyFromTakes(property->GetProperty());
    // The handler removes the property it made for a user property defined
    // by name and type (CreatePropertyForRef). A handle of a property the
    // set has of its own (declared, or made by the set itself, as a node's
    // "Lcl Translation" and "Visibility") leaves it to the set: the object
    // relies on it.
    if (property->GetRecord() != nullptr)
    {
        RemovePropertyForRef(property);
    }
}

int KScnTakeNodeContainer::InstantiateHandlerProperties()
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    if (handler == nullptr)
    {
        return 0;
    }
    int added = 0;
    // The properties that already have a handle, gathered once: a search of
    // the handle list per property would cost the square of their number.
    std::unordered_set<const KProperty*> handled;
    for (int i = 0; i < GetUserPropertyCount(); ++i)
    {
        if (KScnPropertyRef* ref = GetUserProperty(i))
        {
            handled.insert(ref->GetProperty());
        }
    }
    const int n = handler->GetPropertyCount();
    for (int i = 0; i < n; ++i)
    {
        if (KScnPropertyRef* ref = MakeHandlerHandle(handler, handler->GetProperty(i), handled))
        {
            AdoptUserProperty(ref);
            ++added;
        }
    }
    return added;
}

KScnPropertyRef* KScnTakeNodeContainer::MakeHandlerHandle(KScnPropertyHandler* handler, KProperty* property,
                                                          std::unordered_set<const KProperty*>& handled)
{
    if (property == nullptr || !handled.insert(property).second)
    {
        return nullptr;
    }
    KScnPropertyRef* ref = CreateUserPropertyFromProperty(property);
    if (ref != nullptr)
    {
        ref->SetHandler(handler);
    }
    return ref;
}

void KScnTakeNodeContainer::DeferHandlerProperties()
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    MakeDeferred();
    if (handler == nullptr || GetUserPropertyCount() != 0)
    {
        InstantiateHandlerProperties();
        return;
    }
    const int n = handler->GetPropertyCount();
    for (int i = 0; i < n; ++i)
    {
        // What adding each handle would do (OnUserPropertyAdded). A tree
        // that waits gets nothing: its build gives each of the handler's
        // animatable properties its channel with its value.
        KProperty* property = handler->GetProperty(i);
        if (property == nullptr || !property->IsAnimatable())
        {
            continue;
        }
        property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
        for (int t = 0; t < GetTakeNodeCount(); ++t)
        {
            if (!mTakes[t]->IsBuildDeferred())
            {
                AddPropertyToTake(property, t);
            }
        }
    }
    DeferUserProperties(n);
}

KProperty* KScnTakeNodeContainer::PlaceProperty(int place) const
{
    KScnPropertyHandler* handler = const_cast<KScnTakeNodeContainer*>(this)->GetPropertyHandler();
    return handler != nullptr ? handler->GetProperty(place) : nullptr;
}

KScnPropertyRef* KScnTakeNodeContainer::MakeWaitingHandle(int place)
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    KScnPropertyRef* ref =
        handler != nullptr ? CreateUserPropertyFromProperty(handler->GetProperty(place)) : nullptr;
    if (ref != nullptr)
    {
        ref->SetHandler(handler);
    }
    return ref;
}

KScnPropertyRef* KScnTakeNodeContainer::CreateUserPropertyFromProperty(KProperty* property)
{
    if (property == nullptr)
    {
        return nullptr;
    }
    if (GetSdkManager() != nullptr)
    {
        return GetSdkManager()->CreateUserPropertyFromProperty(property);
    }
    mOwnedRefs.reserve(mOwnedRefs.size() + 1); // first: a handle made is never lost
    auto* ref = new KScnFree<KScnPropertyRef>(nullptr, property);
    mOwnedRefs.push_back(ref);
    return ref;
}

KProperty* KScnTakeNodeContainer::CreatePropertyForRef(KScnPropertyRef* property)
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    return handler != nullptr && handler->CreatePropertyForRef(property) ? property->GetProperty() : nullptr;
}

bool KScnTakeNodeContainer::RemovePropertyForRef(KScnPropertyRef* property)
{
    KScnPropertyHandler* handler = GetPropertyHandler();
    return handler != nullptr && handler->RemovePropertyForRef(property);
}

} // namespace scenesdk
