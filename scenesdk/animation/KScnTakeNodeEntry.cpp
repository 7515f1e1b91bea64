#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KDataType.h"

#include <atomic>

namespace scenesdk
{

namespace
{
const char* const kTakeNodeErrors[] = {"Curve not found"};

// Deletes the children of a node that does not own them, emptying those that
// hold references themselves first.
void EmptyReferenceNode(KFCurveNode* node)
{
    for (int i = node->GetChildCount() - 1; i >= 0; --i)
    {
        KFCurveNode* child = node->GetChildAt(i);
        if (child != nullptr && child->IsReferenceNode())
        {
            EmptyReferenceNode(child);
        }
        node->DeleteChildAt(i);
    }
}
} // namespace

KScnTakeNodeEntry::KScnTakeNodeEntry(const char* name)
    : mRoot(KFCurveNode::Create("Defaults", nullptr, 0, 0))
{
    mName.Set(name);
}

// A deferred source's tree is the tree of the entry it waits for, unchanged
// since (that entry makes its waiting copies before anything can change it).
KScnTakeNodeEntry::KScnTakeNodeEntry(const KScnTakeNodeEntry& source)
{
    mName.Set(source.mName.Get());
    if (source.mBuilder != nullptr)
    {
        source.MakeOwedTrees();
    }
    const KFCurveNode* tree = source.mSource != nullptr ? source.mSource->mRoot : source.mRoot;
    mRoot = tree != nullptr ? tree->Clone(false) : KFCurveNode::Create("Defaults", nullptr, 0, 0);
}

KScnTakeNodeEntry::KScnTakeNodeEntry(const char* name, KScnTakeNodeEntry* source)
    : mSource(source)
{
    mName.Set(name);
    if (source != nullptr)
    {
        if (!source->mWaiting)
        {
            source->mWaiting = std::make_unique<std::vector<KScnTakeNodeEntry*>>();
        }
        source->mWaiting->push_back(this);
    }
}

KScnTakeNodeEntry* KScnTakeNodeEntry::CreateDeferredBuild(const char* name, KScnTakeNodeContainer* container)
{
    auto* entry = new KScnTakeNodeEntry(name, nullptr);
    entry->mBuilder = container;
    return entry;
}

KScnTakeNodeEntry* KScnTakeNodeEntry::CreateDeferredCopy(KScnTakeNodeEntry& source, const char* name)
{
    // A copy of a deferred copy waits for the same tree.
    KScnTakeNodeEntry* owner = source.mSource != nullptr ? source.mSource : &source;
    return new KScnTakeNodeEntry(name, owner);
}

// Leaves the waiting list of its source (from the end: the newest copies
// are mostly the first to go); returns the source.
KScnTakeNodeEntry* KScnTakeNodeEntry::StopWaiting() const
{
    KScnTakeNodeEntry* source = mSource;
    mSource = nullptr;
    auto& waiting = *source->mWaiting;
    for (size_t i = waiting.size(); i-- > 0;)
    {
        if (waiting[i] == this)
        {
            waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    return source;
}

void KScnTakeNodeEntry::MakeOwnCopy() const
{
    KScnTakeNodeEntry* source = StopWaiting();
    mRoot = source->mRoot != nullptr ? source->mRoot->Clone(false)
                                     : KFCurveNode::Create("Defaults", nullptr, 0, 0);
}

void KScnTakeNodeEntry::MakeOwedTrees() const
{
    if (mBuilder != nullptr)
    {
        // Listed as built first: the builder reaches the tree through this entry.
        KScnTakeNodeContainer* builder = mBuilder;
        mBuilder = nullptr;
        mRoot = KFCurveNode::Create("Defaults", nullptr, 0, 0);
        builder->BuildDeferredTake(const_cast<KScnTakeNodeEntry*>(this));
    }
    if (mSource != nullptr)
    {
        MakeOwnCopy();
    }
    while (HasWaiting())
    {
        mWaiting->back()->MakeOwnCopy();
    }
}

KScnTakeNodeEntry::~KScnTakeNodeEntry()
{
    if (mSource != nullptr)
    {
        StopWaiting(); // it never had a tree
    }
    // Copies still owed are made before the tree goes.
    while (HasWaiting())
    {
        mWaiting->back()->MakeOwnCopy();
    }
    if (mRoot != nullptr && mRoot->IsReferenceNode())
    {
        EmptyReferenceNode(mRoot);
    }
    KFCurveNode::Destroy(mRoot);
    mRoot = nullptr;
}

namespace
{
std::atomic<uint64_t> gRenames{0};
} // namespace

KErrorRecord& KScnTakeNodeEntry::GetError()
{
    if (!mError)
    {
        mError = std::make_unique<KErrorRecord>(kTakeNodeErrors, 1);
    }
    return *mError;
}

void KScnTakeNodeEntry::SetName(const char* name)
{
    // The tree is built under the name it was made for (the default take's
    // curves are linked to their properties).
    if (mBuilder != nullptr)
    {
        MakeOwedTrees();
    }
    mName.Set(name);
    ++gRenames;
}

uint64_t KScnTakeNodeEntry::GetRenameCount()
{
    return gRenames.load();
}

KFCurveNode* KScnTakeNodeEntry::Walk(const char* first, const char* second) const
{
    KFCurveNode* node = GetRootCurveNode();
    for (const char* name : {first, second})
    {
        if (node != nullptr && name != nullptr)
        {
            node = node->FindDescendant(name);
        }
    }
    return node;
}

KFCurve* KScnTakeNodeEntry::CurveOf(KFCurveNode* node)
{
    if (node != nullptr && node->GetFCurve() != nullptr)
    {
        return node->GetFCurve();
    }
    GetError().SetLastErrorID(0);
    return nullptr;
}

KFCurve* KScnTakeNodeEntry::FindCurve(const char* first, const char* second, const char* third)
{
    KFCurveNode* node = Walk(first, second);
    if (node != nullptr && third != nullptr)
    {
        node = node->FindDescendant(third);
    }
    return CurveOf(node);
}

KFCurve* KScnTakeNodeEntry::FindCurveByDataType(const char* first, const char* second,
                                                const KDataType* dataType)
{
    KFCurveNode* node = Walk(first, second);
    if (node != nullptr)
    {
        node = node->FindDescendantByDataType(dataType);
    }
    return CurveOf(node);
}

KFCurve* KScnTakeNodeEntry::GetOcclusionCurve()
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeOcclusion::Get());
}

KFCurve* KScnTakeNodeEntry::GetIKReachTranslationCurve()
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeIKReachTranslation::Get());
}

KFCurve* KScnTakeNodeEntry::GetIKReachRotationCurve()
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeIKReachRotation::Get());
}

} // namespace scenesdk
