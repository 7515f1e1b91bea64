// KFCurveNode: construction, naming, children, searches, curves, copies and
// change notifications.

#include "scenesdk/animation/KFCurveNode.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KScnReadMeter.h"
#include "scenesdk/kernel/KSearchWork.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

namespace scenesdk
{

namespace
{

// Bumped whenever a node made earlier changes its name: every name index
// made before is then stale.
std::atomic<uint64_t> gRenames{0};

// The key of a name: its ASCII letters upper-cased, as KString's case-blind
// comparison sees it.
std::string NameKey(const char* name)
{
    std::string key(name != nullptr ? name : "");
    for (char& c : key)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return key;
}

// Segments that also match by data type ("T" the node of Lcl Translation,
// ...): searched node by node.
bool MatchesByType(const KString& segment)
{
    return segment == "T" || segment == "R" || segment == "S";
}

} // namespace

struct KFCurveNode::SNameIndex
{
    uint64_t renames = 0; // gRenames when made
    std::unordered_map<std::string, const KFCurveNode*> below;
    std::unordered_map<std::string, int> children;
};

namespace
{

const char* TextOrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

} // namespace

KFCurveNode* KFCurveNode::Create(const char* name, KDataType* dataType, int layerType, int layerId)
{
    const bool timeWarp = dataType != nullptr && dataType == KDataTypeTimeWarp::Get();
    return MakeWhole(name, timeWarp ? "" : name, dataType, layerType, layerId);
}

KFCurveNode* KFCurveNode::MakeWhole(const char* name, const char* typeName, KDataType* dataType,
                                    int layerType, int layerId)
{
    KFCurveNode* node = nullptr;
    try
    {
        node = new (std::nothrow) KFCurveNode(name, typeName, dataType, layerType, layerId);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr; // a name's copy failed (the node's memory went with it)
    }
    if (node != nullptr && node->mInfo == nullptr)
    {
        delete node;
        return nullptr;
    }
    return node;
}

void KFCurveNode::InitFields()
{
    mFlags = KFCURVENODE_FLAG_DEFAULT | KFCURVENODE_FLAG_LAYERED;
    mLayerOwner = this;
}

KFCurveNode::KFCurveNode(const char* name, const char* typeName, KDataType* dataType, int layerType,
                         int layerId)
    : mChildren(16)
{
    // The record keeps its own copy of the names (copies of the node share it).
    KScnReadMeter::Count(KScnReadMeter::eChannels, KScnReadMeter::kChannelBytes + KScnReadMeter::NameBytes(name) +
                                                       KScnReadMeter::NameBytes(typeName));
    // Without memory for the record the node works nameless.
    std::unique_ptr<KFCurveNodeInfo> info(new (std::nothrow) KFCurveNodeInfo);
    if (info != nullptr)
    {
        info->mName.Set(name);
        info->mTypeName.Set(typeName);
        info->mDataType = dataType;
        SetNodeInfo(info.release());
    }
    InitFields();
    SetLayerType(layerType, nullptr);
    mLayerId = layerId;
}

KFCurveNode::KFCurveNode(const KFCurveNode& source) : mChildren(16)
{
    KScnReadMeter::Count(KScnReadMeter::eChannels, KScnReadMeter::kChannelBytes);
    SetNodeInfo(source.mInfo);
    InitFields();
    SetLayerType(source.mLayerType, nullptr);
    mRotationOrder = source.mRotationOrder;
    mQuaternionInterpolation = source.mQuaternionInterpolation;
    mCacheState = source.mCacheState;
    std::memcpy(mCachedValues, source.mCachedValues, sizeof(mCachedValues));
    mCachedCount = source.mCachedCount;
    mCachedTime = source.mCachedTime;
}

KFCurveNode* KFCurveNode::CreateCopy(const KFCurveNode* source)
{
    if (source == nullptr)
    {
        return nullptr;
    }
    return new (std::nothrow) KFCurveNode(*source);
}

KFCurveNode::~KFCurveNode()
{
    NotifyChange(KFCURVENODE_CHANGE_DESTROY);
    delete mListener;
    mListener = nullptr;
    RemoveAllChildren();
    delete mNameIndex;
    mNameIndex = nullptr;
    if (mParent != nullptr)
    {
        mParent->DropNameIndexes();
        // Directly on the array: the parent's slots are not called.
        const int index = mParent->mChildren.Find(this);
        if (index >= 0)
        {
            mParent->mChildren.RemoveAt(index);
        }
    }
    SetNodeInfo(nullptr);
    mChildren.Clear();
}

bool KFCurveNode::ReleaseReference()
{
    if (--mRefCount < 1)
    {
        delete this;
        return true;
    }
    return false;
}

// ---- Naming ----

const char* KFCurveNode::GetName() const
{
    if (mInfo == nullptr)
    {
        return "";
    }
    if (mInfo->mNamingDataType != nullptr)
    {
        return mInfo->mNamingDataType->GetName();
    }
    return mInfo->mName.Get();
}

const char* KFCurveNode::GetTypeName() const
{
    return mInfo != nullptr ? mInfo->mTypeName.Get() : "";
}

KDataType* KFCurveNode::GetDataType() const
{
    return mInfo != nullptr ? mInfo->mDataType : nullptr;
}

void KFCurveNode::SetNodeInfo(KFCurveNodeInfo* info)
{
    if (info == mInfo)
    {
        return;
    }
    if (mInfo != nullptr)
    {
        ++gRenames; // a new name for a node that had one
    }
    if (mInfo != nullptr && --mInfo->mRefCount <= 0)
    {
        delete mInfo;
    }
    mInfo = info;
    if (mInfo != nullptr)
    {
        ++mInfo->mRefCount;
    }
}

void KFCurveNode::SetTypeName(const char* typeName)
{
    if (mInfo != nullptr)
    {
        mInfo->mTypeName.Set(typeName);
    }
}

void KFCurveNode::SetNamingDataType(KDataType* dataType)
{
    if (mInfo != nullptr)
    {
        ++gRenames;
        mInfo->mNamingDataType = dataType;
    }
}

void KFCurveNode::SetFlags(uint32_t mask, bool on)
{
    mFlags = on ? (mFlags | mask) : (mFlags & ~mask);
}

// ---- Children ----

bool KFCurveNode::IsAncestorOrSelf(const KFCurveNode* node) const
{
    for (const KFCurveNode* n = this; n != nullptr; n = n->mParent)
    {
        if (n == node)
        {
            return true;
        }
    }
    return false;
}

int KFCurveNode::AddChild(KFCurveNode* node)
{
    if (node == nullptr || IsAncestorOrSelf(node))
    {
        return -1;
    }
    // The list's room first: exhausted memory throws with nothing changed
    // (the node stays the caller's).
    mChildren.Reserve(mChildren.GetCount() + 1);
    KFCurveNode* former = node->mParent;
    if (!IsReferenceNode())
    {
        node->SetParent(this);
    }
    if (mChildren.Add(node) < 0)
    {
        DropNameIndexes();
        return -1;
    }
    NoteChildAdded(node, former);
    return mChildren.GetCount() - 1;
}

KFCurveNode* KFCurveNode::AdoptChild(KFCurveNode* made)
{
    std::unique_ptr<KFCurveNode> owned(made);
    return owned != nullptr && AddChild(owned.get()) >= 0 ? owned.release() : nullptr;
}

void KFCurveNode::RemoveChildAt(int index)
{
    KFCurveNode* child = mChildren.GetAt(index);
    if (child == nullptr)
    {
        return;
    }
    DropNameIndexes();
    if (!IsReferenceNode())
    {
        child->SetParent(nullptr);
    }
    mChildren.RemoveAt(index);
}

void KFCurveNode::DeleteChildAt(int index)
{
    KFCurveNode* child = mChildren.GetAt(index);
    if (child == nullptr)
    {
        return;
    }
    DropNameIndexes();
    if (!IsReferenceNode())
    {
        child->SetParent(nullptr);
    }
    mChildren.RemoveAt(index);
    delete child;
}

void KFCurveNode::DeleteChild(KFCurveNode* node)
{
    if (node == nullptr)
    {
        return;
    }
    DropNameIndexes();
    if (!IsReferenceNode())
    {
        node->SetParent(nullptr);
    }
    const int index = mChildren.Find(node);
    if (index >= 0)
    {
        mChildren.RemoveAt(index);
    }
    delete node;
}

int KFCurveNode::GetChildCount() const
{
    return mChildren.GetCount();
}

const KFCurveNode* KFCurveNode::GetChildAt(int index) const
{
    return mChildren.GetAt(index);
}

bool KFCurveNode::IsChild(const KFCurveNode* node, bool recursive) const
{
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == node || (recursive && child != nullptr && child->IsChild(node, true)))
        {
            return true;
        }
    }
    return false;
}

const KFCurveNode* KFCurveNode::FindChildByDataType(const KDataType* dataType) const
{
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child != nullptr && child->GetDataType() == dataType)
        {
            return child;
        }
    }
    return nullptr;
}

int KFCurveNode::IndexOfChild(const KFCurveNode* node) const
{
    return mChildren.Find(node);
}

int KFCurveNode::IndexOfChildByName(const char* name) const
{
    if (const SNameIndex* index = ValidNameIndex())
    {
        const auto found = index->children.find(NameKey(TextOrEmpty(name)));
        return found != index->children.end() ? found->second : -1;
    }
    const KString wanted(TextOrEmpty(name));
    const int n = GetChildCount();
    KSearchWork::Add(static_cast<uint64_t>(n));
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child != nullptr && wanted.CompareNoCase(child->GetName()) == 0)
        {
            return i;
        }
    }
    return -1;
}

void KFCurveNode::SetParent(KFCurveNode* parent)
{
    mParent = parent;
}

const KFCurveNode* KFCurveNode::GetParent() const
{
    return mParent;
}

int KFCurveNode::InsertChildSorted(KFCurveNode* node)
{
    if (node == nullptr || IsAncestorOrSelf(node))
    {
        return -1;
    }
    DropNameIndexes();
    const KString name(node->GetName());
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        KFCurveNode* child = GetChildAt(i);
        if (child != nullptr && name.CompareNoCase(child->GetName()) <= 0)
        {
            return mChildren.InsertAt(i, node);
        }
    }
    return mChildren.Add(node);
}

void KFCurveNode::RemoveAllChildren()
{
    DropNameIndexes();
    for (int i = GetChildCount() - 1; i >= 0; --i)
    {
        if (IsReferenceNode())
        {
            RemoveChildAt(i);
        }
        else
        {
            DeleteChildAt(i);
        }
    }
    mChildren.Clear();
    delete mCurve;
    mCurve = nullptr;
    if (mNextLayer != nullptr)
    {
        KFCurveNode* next = mNextLayer;
        mNextLayer = nullptr;
        next->ReleaseReference();
    }
    mLayerOwner = this;
    if (mTimeWarp != nullptr)
    {
        KFCurveNode* warp = mTimeWarp;
        mTimeWarp = nullptr;
        warp->ReleaseReference();
    }
}

// ---- Searches ----

namespace
{

bool MatchesSegment(const KFCurveNode* child, const KString& segment)
{
    if (segment.CompareNoCase(child->GetName()) == 0)
    {
        return true;
    }
    const KDataType* type = child->GetDataType();
    if (type == nullptr)
    {
        return false;
    }
    return (segment == "T" && type == KDataTypeLclTranslation::Get()) ||
           (segment == "R" && type == KDataTypeLclRotation::Get()) ||
           (segment == "S" && type == KDataTypeLclScaling::Get());
}

} // namespace

const KFCurveNode* KFCurveNode::FindSegment(const KString& segment) const
{
    const bool byName = !MatchesByType(segment);
    if (byName)
    {
        if (const SNameIndex* index = ValidNameIndex())
        {
            const auto found = index->below.find(NameKey(segment.Buffer()));
            return found != index->below.end() ? found->second : nullptr;
        }
    }
    int visited = 0;
    const KFCurveNode* found = SearchSegment(segment, visited);
    KSearchWork::Add(static_cast<uint64_t>(visited));
    if (byName && visited >= kNameIndexFrom)
    {
        BuildNameIndex();
    }
    return found;
}

const KFCurveNode* KFCurveNode::SearchSegment(const KString& segment, int& visited) const
{
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == nullptr)
        {
            continue;
        }
        ++visited;
        if (MatchesSegment(child, segment))
        {
            return child;
        }
        const KFCurveNode* below = child->SearchSegment(segment, visited);
        if (below != nullptr)
        {
            return below;
        }
    }
    return nullptr;
}

const KFCurveNode::SNameIndex* KFCurveNode::ValidNameIndex() const
{
    if (mNameIndex != nullptr && mNameIndex->renames != gRenames.load())
    {
        delete mNameIndex;
        mNameIndex = nullptr;
    }
    return mNameIndex;
}

// Depth first, as SearchSegment walks. Not made for a subtree whose
// children do not all name their parent (the children of reference nodes,
// a node listed by two parents): a change below them would not reach it.
void KFCurveNode::BuildNameIndex() const
{
    // Made whole or not at all: refused memory, the tree is searched
    // without one.
    std::unique_ptr<SNameIndex> index(new (std::nothrow) SNameIndex);
    if (index == nullptr)
    {
        return;
    }
    index->renames = gRenames.load();
    try
    {
        std::vector<const KFCurveNode*> stack(1, this);
        while (!stack.empty())
        {
            const KFCurveNode* node = stack.back();
            stack.pop_back();
            for (int i = node->GetChildCount(); i-- > 0;)
            {
                const KFCurveNode* child = node->GetChildAt(i);
                if (child == nullptr)
                {
                    continue;
                }
                if (child->mParent != node)
                {
                    return;
                }
                stack.push_back(child);
            }
            if (node != this)
            {
                index->below.emplace(NameKey(node->GetName()), node);
            }
        }
        for (int i = 0; i < GetChildCount(); ++i)
        {
            if (const KFCurveNode* child = GetChildAt(i))
            {
                index->children.emplace(NameKey(child->GetName()), i);
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        return;
    }
    delete mNameIndex;
    mNameIndex = index.release();
}

void KFCurveNode::DropNameIndexes()
{
    for (KFCurveNode* node = this; node != nullptr; node = node->mParent)
    {
        delete node->mNameIndex;
        node->mNameIndex = nullptr;
    }
}

// The new child's subtree (at most a few nodes) joins the index of each node
// above it when all its names are new there; else that index is dropped.
void KFCurveNode::NoteChildAdded(KFCurveNode* child, KFCurveNode* formerParent)
{
    if (formerParent != nullptr && formerParent != this)
    {
        formerParent->DropNameIndexes(); // still lists the child
    }
    constexpr size_t kMostAdded = 64;
    std::vector<const KFCurveNode*> added;
    bool small = child->mParent == this;
    std::vector<const KFCurveNode*> stack(1, child);
    while (small && !stack.empty())
    {
        const KFCurveNode* node = stack.back();
        stack.pop_back();
        added.push_back(node);
        for (int i = node->GetChildCount(); small && i-- > 0;)
        {
            const KFCurveNode* below = node->GetChildAt(i);
            small = below == nullptr || below->mParent == node;
            if (below != nullptr)
            {
                stack.push_back(below);
            }
        }
        small = small && added.size() + stack.size() <= kMostAdded;
    }
    for (KFCurveNode* node = this; node != nullptr; node = node->mParent)
    {
        if (node->ValidNameIndex() == nullptr)
        {
            continue;
        }
        SNameIndex& index = *node->mNameIndex;
        bool fresh = small;
        for (size_t i = 0; fresh && i < added.size(); ++i)
        {
            fresh = index.below.count(NameKey(added[i]->GetName())) == 0;
        }
        if (!fresh)
        {
            delete node->mNameIndex;
            node->mNameIndex = nullptr;
            continue;
        }
        for (const KFCurveNode* n : added)
        {
            index.below.emplace(NameKey(n->GetName()), n);
        }
        if (node == this)
        {
            index.children.emplace(NameKey(child->GetName()), GetChildCount() - 1);
        }
    }
}

// Each segment is searched depth first below the node found for the
// previous one; a child matches by name (no case) or, for exactly "T", "R"
// and "S", by the local transform data types. The caller's text is only
// read.
const KFCurveNode* KFCurveNode::FindDescendant(const char* path) const
{
    if (path == nullptr)
    {
        return nullptr;
    }
    const KFCurveNode* start = this;
    const char* segment = path;
    for (;;)
    {
        const char* slash = std::strchr(segment, '/');
        const KString name =
            slash != nullptr ? KString(segment, static_cast<int>(slash - segment)) : KString(segment);
        const KFCurveNode* found = start->FindSegment(name);
        if (found == nullptr || slash == nullptr)
        {
            return found;
        }
        start = found;
        segment = slash + 1;
    }
}

const KFCurveNode* KFCurveNode::FindDescendantByDataType(const KDataType* dataType) const
{
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == nullptr)
        {
            continue;
        }
        if (child->GetDataType() == dataType)
        {
            return child;
        }
        const KFCurveNode* below = child->FindDescendantByDataType(dataType);
        if (below != nullptr)
        {
            return below;
        }
    }
    return nullptr;
}

KFCurveNode* KFCurveNode::FindOrCreateChild(const char* name, bool withCurve)
{
    const int index = IndexOfChildByName(name);
    KFCurveNode* child = nullptr;
    if (index >= 0)
    {
        child = GetChildAt(index);
    }
    else
    {
        child = AdoptChild(MakeWhole(name, name, nullptr, 0, 0));
        if (child == nullptr)
        {
            return nullptr;
        }
    }
    // A channel asked for with its curve comes with it or not at all.
    if (withCurve && child->mCurve == nullptr)
    {
        KFCurve* curve = KFCurve::Create();
        if (curve == nullptr)
        {
            return nullptr;
        }
        child->SetFCurve(curve, false);
    }
    return child;
}

// ---- Curves ----

KFCurve* KFCurveNode::SetFCurve(KFCurve* curve, bool deleteOld)
{
    if (curve == mCurve)
    {
        return nullptr;
    }
    KFCurve* previous = mCurve;
    if (deleteOld && previous != nullptr)
    {
        delete previous;
        previous = nullptr;
    }
    mCurve = curve;
    NotifyChange(KFCURVENODE_CHANGE_CURVE);
    return previous;
}

void KFCurveNode::CreateFCurves()
{
    const int n = GetChildCount();
    if (n == 0)
    {
        if (mCurve == nullptr)
        {
            SetFCurve(KFCurve::Create(), false);
        }
        return;
    }
    for (int i = 0; i < n; ++i)
    {
        if (KFCurveNode* child = GetChildAt(i))
        {
            child->CreateFCurves();
        }
    }
}

// ---- Copying ----

KFCurveNode* KFCurveNode::CloneTree(bool shareInfo, bool copyCurves, bool createEmptyCurves,
                                    int layerId) const
{
    if (layerId == -1)
    {
        layerId = mLayerId;
    }
    KFCurveNode* copy = nullptr;
    if (shareInfo)
    {
        copy = CreateCopy(this);
    }
    else
    {
        copy = MakeWhole(mInfo != nullptr ? mInfo->mName.Get() : "", GetTypeName(), GetDataType(), mLayerType,
                         layerId);
        if (copy != nullptr)
        {
            copy->mUserWord = mUserWord;
            copy->SetQuaternionInterpolation(GetQuaternionInterpolation());
            copy->SetRotationOrder(mRotationOrder);
            copy->SetFlags(KFCURVENODE_FLAG_CLONED, (mFlags & KFCURVENODE_FLAG_CLONED) != 0);
            if (layerId != 0)
            {
                copy->mLayerOwner = mLayerOwner;
            }
        }
    }
    if (copy == nullptr)
    {
        return nullptr;
    }
    // Held until whole: memory running out part-way loses nothing.
    std::unique_ptr<KFCurveNode> held(copy);
    if (mCurve != nullptr && (copyCurves || createEmptyCurves))
    {
        KFCurve* curve = KFCurve::Create();
        if (curve == nullptr)
        {
            return nullptr; // a copy without its curve is no copy
        }
        copy->ReplaceFCurve(curve);
        if (copyCurves)
        {
            curve->CopyFrom(*mCurve, true);
        }
    }
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == nullptr)
        {
            continue;
        }
        std::unique_ptr<KFCurveNode> childCopy(
            child->CloneTree(shareInfo, copyCurves, createEmptyCurves, layerId));
        if (childCopy == nullptr || copy->AddChild(childCopy.get()) < 0)
        {
            return nullptr;
        }
        childCopy.release();
    }
    return held.release();
}

bool KFCurveNode::IsCloneOf(const KFCurveNode& source, int layerId) const
{
    if (layerId == -1)
    {
        layerId = source.mLayerId;
    }
    const char* name = source.mInfo != nullptr ? source.mInfo->mName.Get() : "";
    const char* own = mInfo != nullptr ? mInfo->mName.Get() : "";
    if (std::strcmp(name, own) != 0 || std::strcmp(GetTypeName(), source.GetTypeName()) != 0 ||
        GetDataType() != source.GetDataType() || mLayerType != source.mLayerType || mLayerId != layerId ||
        mUserWord != source.mUserWord || mQuaternionInterpolation != source.mQuaternionInterpolation ||
        mRotationOrder != source.mRotationOrder || ((mFlags ^ source.mFlags) & KFCURVENODE_FLAG_CLONED) != 0)
    {
        return false;
    }
    if ((mCurve == nullptr) != (source.mCurve == nullptr) ||
        (mCurve != nullptr && !mCurve->HasSameContent(*source.mCurve)))
    {
        return false;
    }
    // The clone skips null children.
    int next = 0;
    const int n = source.GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = source.GetChildAt(i);
        if (child == nullptr)
        {
            continue;
        }
        const KFCurveNode* copy = next < GetChildCount() ? GetChildAt(next) : nullptr;
        ++next;
        if (copy == nullptr || !copy->IsCloneOf(*child, layerId))
        {
            return false;
        }
    }
    return next == GetChildCount();
}

bool KFCurveNode::HasOnlyClonedParts() const
{
    const uint32_t madeFlags = KFCURVENODE_FLAG_DEFAULT | KFCURVENODE_FLAG_LAYERED;
    if (mNextLayer != nullptr || mTimeWarp != nullptr || mListener != nullptr || mLayerId != 0 ||
        mRefCount != 0 || mLayerOwner != this || mInfo == nullptr || mInfo->mNamingDataType != nullptr || mInfo->mRefCount != 1 ||
        (mFlags & ~KFCURVENODE_FLAG_CLONED) != madeFlags)
    {
        return false;
    }
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        const KFCurveNode* child = GetChildAt(i);
        if (child == nullptr || !child->HasOnlyClonedParts())
        {
            return false;
        }
    }
    return true;
}

// ---- Plain evaluation ----

double* KFCurveNode::EvaluateTree(double* out, KTime time, int* hint)
{
    if (mCurve != nullptr)
    {
        *out++ = mCurve->Evaluate(time, hint);
    }
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        if (KFCurveNode* child = GetChildAt(i))
        {
            out = child->EvaluateTree(out, time, hint);
        }
    }
    return out;
}

int KFCurveNode::GetTreeValueCount() const
{
    int count = mCurve != nullptr ? 1 : 0;
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        if (const KFCurveNode* child = GetChildAt(i))
        {
            count += child->GetTreeValueCount();
        }
    }
    return count;
}

int KFCurveNode::GetEvaluatedValueCount() const
{
    int count = mCurve != nullptr ? 1 : 0;
    if (mLayerId == 0 && mLayerType == eKFCurveNodeLayerQuaternion)
    {
        return count + 3;
    }
    const int n = GetChildCount();
    for (int i = 0; i < n; ++i)
    {
        if (const KFCurveNode* child = GetChildAt(i))
        {
            count += child->GetEvaluatedValueCount();
        }
    }
    return count;
}

// ---- Change notifications ----

void KFCurveNode::NotifyChange(uint32_t code)
{
    if (mListener == nullptr)
    {
        return;
    }
    mListener->mChangeBits |= code;
    ++mListener->mChangeCount;
    ++mChangeCounter;
    if (mListener->mSendImmediately)
    {
        // Copies: a callback may add to the record while it runs.
        const std::vector<KFCurveNodeCallback> callbacks = mListener->mCallbacks;
        const std::vector<void*> data = mListener->mCallbackData;
        for (size_t i = callbacks.size(); i-- > 0;)
        {
            if (callbacks[i] != nullptr)
            {
                callbacks[i](this, mListener, i < data.size() ? data[i] : nullptr);
            }
        }
        ResetChanges();
    }
}

void KFCurveNode::ResetChanges()
{
    if (mListener != nullptr)
    {
        mListener->mChangeBits = 0;
        mListener->mChangeCount = 0;
        mListener->mReserved = 0;
    }
}

void KFCurveNode::SetListenerRecord(KFCurveNodeListenerRecord* record)
{
    if (record != mListener)
    {
        delete mListener;
        mListener = record;
    }
}

} // namespace scenesdk
