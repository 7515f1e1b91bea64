#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KDataType.h"

#include <atomic>
#include <new>
#include <utility>
#include <vector>

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

void DestroyTreeOf(KFCurveNode* root)
{
    if (root != nullptr && root->IsReferenceNode())
    {
        EmptyReferenceNode(root);
    }
    KFCurveNode::Destroy(root);
}

// Deletes a snapshot's tree when its last reader lets go, unless the entry
// that lent its own tree took it back.
struct STreeDeleter
{
    bool mTakenBack = false;
    void operator()(KFCurveNode* root) const
    {
        if (!mTakenBack)
        {
            DestroyTreeOf(root);
        }
    }
};

void PairCurves(KFCurveNode& from, KFCurveNode& to, std::vector<std::pair<KFCurve*, KFCurve*>>& pairs)
{
    if (from.GetFCurve() != nullptr && to.GetFCurve() != nullptr)
    {
        pairs.emplace_back(from.GetFCurve(), to.GetFCurve());
    }
    for (int i = 0; i < from.GetChildCount() && i < to.GetChildCount(); ++i)
    {
        PairCurves(*from.GetChildAt(i), *to.GetChildAt(i), pairs);
    }
}

bool IsLink(KFCurveCallback callback)
{
    return callback == &KScnTakeNodeContainer::OnLinkedCurveChanged;
}

// Moves the property links of the curves of from onto the curves at the
// same places in to, a copy of it (Clone of a tree with only cloned parts);
// whole or not at all: false, nothing moved, when memory runs out.
bool MoveCurveLinks(KFCurveNode& from, KFCurveNode& to)
{
    std::vector<std::pair<KFCurve*, KFCurve*>> pairs;
    size_t added = 0;
    KFCurveCallback callback = nullptr;
    void* object = nullptr;
    try
    {
        PairCurves(from, to, pairs);
        for (; added < pairs.size(); ++added)
        {
            for (int i = 0; pairs[added].first->GetListener(i, callback, object); ++i)
            {
                if (IsLink(callback))
                {
                    pairs[added].second->AddListener(callback, object);
                }
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        // The copy's curves are new: every link on them was added here.
        for (size_t p = 0; p <= added && p < pairs.size(); ++p)
        {
            KFCurve* copy = pairs[p].second;
            for (int i = 0; copy->GetListener(i, callback, object);)
            {
                if (IsLink(callback))
                {
                    copy->RemoveListener(callback, object);
                }
                else
                {
                    ++i;
                }
            }
        }
        return false;
    }
    for (const auto& pair : pairs)
    {
        for (int i = 0; pair.first->GetListener(i, callback, object);)
        {
            if (IsLink(callback))
            {
                static_cast<KScnPropertyCurveLink*>(object)->mCurve = pair.second;
                pair.first->RemoveListener(callback, object);
            }
            else
            {
                ++i;
            }
        }
    }
    return true;
}
} // namespace

KScnTakeNodeEntry::KScnTakeNodeEntry(const char* name)
{
    mName.Set(name); // first: a failure has no tree to give back
    mRoot = KFCurveNode::Create("Defaults", nullptr, 0, 0);
}

KScnTakeNodeEntry::KScnTakeNodeEntry(const KScnTakeNodeEntry& source) : mShared(source.mShared)
{
    mName.Set(source.mName.Get());
    if (mShared == nullptr)
    {
        const KFCurveNode* tree = source.ReadRoot();
        mRoot = tree != nullptr ? tree->Clone(false) : KFCurveNode::Create("Defaults", nullptr, 0, 0);
    }
}

KScnTakeNodeEntry::KScnTakeNodeEntry(const char* name, Snapshot shared) : mShared(std::move(shared))
{
    mName.Set(name);
}

KScnTakeNodeEntry* KScnTakeNodeEntry::CreateDeferredBuild(const char* name, KScnTakeNodeContainer* container)
{
    auto* entry = new KScnTakeNodeEntry(name, nullptr);
    entry->mBuilder = container;
    return entry;
}

KScnTakeNodeEntry* KScnTakeNodeEntry::CreateSnapshotCopy(KScnTakeNodeEntry& source, const char* name)
{
    Snapshot snapshot = source.mShared != nullptr ? source.mShared : source.TakeSnapshot();
    return snapshot != nullptr ? new KScnTakeNodeEntry(name, std::move(snapshot)) : nullptr;
}

KScnTakeNodeEntry::Snapshot KScnTakeNodeEntry::TakeSnapshot()
{
    const KFCurveNode* tree = ReadRoot();
    if (tree == nullptr)
    {
        return nullptr;
    }
    if (mLent)
    {
        return mLastSnapshot; // nothing wrote the tree since it was lent
    }
    // A caller may have written through a pointer it kept since the last
    // snapshot: compared, which allocates nothing, before it is reused.
    if (mLastSnapshot == nullptr || (!mSnapshotCurrent && !mLastSnapshot->IsCloneOf(*tree)))
    {
        if (mRoot != nullptr && !mHandedOut && mRoot->HasOnlyClonedParts())
        {
            // Lent: every write to it goes through PrepareWrite first. Made
            // taken back, so that a failure to make the record (which
            // deletes what it was given) leaves the tree whole.
            Snapshot lent(mRoot, STreeDeleter{true});
            std::get_deleter<STreeDeleter>(lent)->mTakenBack = false;
            mLastSnapshot = std::move(lent);
            mLent = true;
            return mLastSnapshot;
        }
        KFCurveNode* copy = tree->Clone(false);
        if (copy == nullptr)
        {
            return nullptr;
        }
        mLastSnapshot = Snapshot(copy, STreeDeleter{});
    }
    mSnapshotCurrent = !mHandedOut;
    return mLastSnapshot;
}

bool KScnTakeNodeEntry::TakeBackLentTree() noexcept
{
    if (mLastSnapshot.use_count() > 1)
    {
        return false; // takes still read it
    }
    // The tree is the entry's alone again (nothing allocated, nothing copied).
    if (auto* deleter = std::get_deleter<STreeDeleter>(mLastSnapshot))
    {
        deleter->mTakenBack = true;
    }
    mLastSnapshot.reset();
    mLent = false;
    mReadOut = false; // pointers into the own tree stay valid
    return true;
}

bool KScnTakeNodeEntry::ReserveRetirement()
{
    if (!mReadOut || mRetired.size() < mRetired.capacity())
    {
        return true;
    }
    try
    {
        mRetired.reserve(2 * mRetired.size() + 1);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return true;
}

void KScnTakeNodeEntry::Retire(const Snapshot& tree) noexcept
{
    if (mReadOut && tree != nullptr)
    {
        mRetired.push_back(tree); // room reserved
    }
    mReadOut = false;
}

bool KScnTakeNodeEntry::StopLending()
{
    if (TakeBackLentTree())
    {
        return true;
    }
    if (!ReserveRetirement())
    {
        return false;
    }
    KFCurveNode* own = mRoot->Clone(false);
    if (own == nullptr || !MoveCurveLinks(*mRoot, *own))
    {
        DestroyTree(own);
        return false;
    }
    // The lent tree stays the takes' snapshot, as it was, and the entry's
    // while pointers it handed out may read it.
    mRoot = own;
    mLent = false;
    Retire(mLastSnapshot);
    return true;
}

void KScnTakeNodeEntry::DestroyTree(KFCurveNode* root)
{
    DestroyTreeOf(root);
}

const KFCurveNode* KScnTakeNodeEntry::ReadRoot() const
{
    while (mBuilder != nullptr)
    {
        BuildNextPart();
    }
    return mRoot != nullptr ? mRoot : mShared.get();
}

namespace
{
// Deletes the children of node from the end down to count of them.
void TrimChildren(KFCurveNode* node, int count)
{
    while (node != nullptr && node->GetChildCount() > count)
    {
        node->DeleteChildAt(node->GetChildCount() - 1);
    }
}
} // namespace

bool KScnTakeNodeEntry::BuildNextPart() const
{
    KScnTakeNodeContainer* builder = mBuilder;
    const bool rootMade = mRoot == nullptr;
    if (rootMade)
    {
        mRoot = KFCurveNode::Create("Defaults", nullptr, 0, 0);
        if (mRoot == nullptr)
        {
            throw std::bad_alloc();
        }
    }
    // A part appends to the root's children or to its first child's: what
    // it made is known by their counts.
    const int rootChildren = mRoot->GetChildCount();
    KFCurveNode* first = rootChildren > 0 ? mRoot->GetChildAt(0) : nullptr;
    const int firstChildren = first != nullptr ? first->GetChildCount() : 0;
    const int part = mBuiltParts;
    // Not waiting while the part is built: the builder reaches the tree
    // through this entry.
    mBuilder = nullptr;
    bool made = false;
    try
    {
        const EditScope scope(*this);
        made = builder->BuildDeferredTakePart(const_cast<KScnTakeNodeEntry*>(this), part);
    }
    catch (...)
    {
        if (rootMade)
        {
            DestroyTree(mRoot);
            mRoot = nullptr;
        }
        else
        {
            TrimChildren(first, firstChildren);
            TrimChildren(mRoot, rootChildren);
        }
        mBuilder = builder;
        throw;
    }
    if (part + 1 < builder->GetTakeChannelPartCount())
    {
        mBuilder = builder;
        mBuiltParts = part + 1;
    }
    else
    {
        mBuiltParts = 0;
    }
    return made;
}

const KFCurveNode* KScnTakeNodeEntry::ReadRootHandedOut() const
{
    const KFCurveNode* root = ReadRoot();
    if (mEditDepth == 0 && (mShared != nullptr || mLent))
    {
        mReadOut = true;
    }
    return root;
}

bool KScnTakeNodeEntry::PrepareWrite()
{
    ReadRoot();
    if (mShared != nullptr && mShared.use_count() == 1)
    {
        // The snapshot's last reader: it becomes the entry's own tree, not
        // copied (a pointer read from it stays valid).
        std::get_deleter<STreeDeleter>(mShared)->mTakenBack = true;
        mRoot = mShared.get();
        mShared.reset();
        mReadOut = false;
    }
    else if (mShared != nullptr)
    {
        KFCurveNode* own = ReserveRetirement() ? mShared->Clone(false) : nullptr;
        if (own == nullptr)
        {
            return false; // still reading the snapshot: nothing to write through
        }
        mRoot = own;
        Retire(mShared);
        mShared.reset();
    }
    if (mLent && !StopLending())
    {
        return false; // the takes' snapshot: not to be written
    }
    mSnapshotCurrent = false;
    if (mEditDepth == 0)
    {
        mHandedOut = true;
    }
    return mRoot != nullptr;
}

KFCurveNode* KScnTakeNodeEntry::GetRootCurveNode()
{
    return PrepareWrite() ? mRoot : nullptr;
}

const KFCurveNode* KScnTakeNodeEntry::GetRootCurveNode() const
{
    return ReadRootHandedOut();
}

KFCurveNode* KScnTakeNodeEntry::GetRootCurveNodeToPrune()
{
    if (mBuilder != nullptr)
    {
        return mRoot;
    }
    if (mShared != nullptr)
    {
        return mShared.get();
    }
    if (mRoot == nullptr)
    {
        return nullptr;
    }
    // A lent tree is pruned for the default take and its takes at once. A
    // copy of the tree that no take reads any more would keep what leaves
    // the object: it goes (the next take added compares or copies).
    if (!mLent && mLastSnapshot != nullptr && mLastSnapshot.use_count() == 1)
    {
        mLastSnapshot.reset();
    }
    mSnapshotCurrent = false;
    if (mEditDepth == 0)
    {
        mHandedOut = true;
    }
    return mRoot;
}

KScnTakeNodeEntry::~KScnTakeNodeEntry()
{
    // A lent tree goes with the last snapshot that holds it.
    if (!mLent)
    {
        DestroyTree(mRoot);
    }
    mRoot = nullptr;
}

namespace
{
std::atomic<uint64_t> gRenames{0};
} // namespace

KErrorRecord& KScnTakeNodeEntry::GetError() const
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
    ReadRoot();
    mName.Set(name);
    ++gRenames;
}

uint64_t KScnTakeNodeEntry::GetRenameCount()
{
    return gRenames.load();
}

const KFCurveNode* KScnTakeNodeEntry::Walk(const KFCurveNode* node, const char* first, const char* second)
{
    for (const char* name : {first, second})
    {
        if (node != nullptr && name != nullptr)
        {
            node = node->FindDescendant(name);
        }
    }
    return node;
}

const KFCurve* KScnTakeNodeEntry::CurveOf(const KFCurveNode* node) const
{
    if (node != nullptr && node->GetFCurve() != nullptr)
    {
        return node->GetFCurve();
    }
    GetError().SetLastErrorID(0);
    return nullptr;
}

const KFCurveNode* KScnTakeNodeEntry::WalkPath(const KFCurveNode* root, const char* first, const char* second,
                                               const char* third)
{
    const KFCurveNode* node = Walk(root, first, second);
    if (node != nullptr && third != nullptr)
    {
        node = node->FindDescendant(third);
    }
    return node;
}

const KFCurveNode* KScnTakeNodeEntry::FindChannel(const char* first, const char* second,
                                                  const char* third) const
{
    // A tree that waits: the parts built in order, each found after those
    // before it by a walk, so the first node found in the parts is the
    // first the whole tree holds.
    bool grown = true;
    while (mBuilder != nullptr)
    {
        const KFCurveNode* node = grown ? WalkPath(mRoot, first, second, third) : nullptr;
        if (node != nullptr)
        {
            return node;
        }
        grown = BuildNextPart();
    }
    return WalkPath(ReadRootHandedOut(), first, second, third);
}

const KFCurveNode* KScnTakeNodeEntry::FindChannelByDataType(const char* first, const char* second,
                                                            const KDataType* dataType) const
{
    const KFCurveNode* node = Walk(ReadRootHandedOut(), first, second);
    return node != nullptr ? node->FindDescendantByDataType(dataType) : nullptr;
}

const KFCurve* KScnTakeNodeEntry::FindBuiltCurve(const char* first, const char* second,
                                                 const char* third) const
{
    if (mBuilder == nullptr)
    {
        return FindCurve(first, second, third);
    }
    const KFCurveNode* node = WalkPath(mRoot, first, second, third);
    return node != nullptr ? node->GetFCurve() : nullptr;
}

const KFCurve* KScnTakeNodeEntry::FindCurve(const char* first, const char* second, const char* third) const
{
    return CurveOf(FindChannel(first, second, third));
}

// The writable forms find in the entry's own tree, made first when it
// shared a snapshot: the curve found is the entry's alone. The caller may
// write through it, so the caches of its channel are emptied (a caller that
// keeps the pointer and writes later empties them itself,
// KFCurveNode::InvalidateChannelCache).
KFCurve* KScnTakeNodeEntry::WritableCurveOf(const KFCurveNode* node)
{
    const KFCurve* curve = CurveOf(node);
    if (curve != nullptr)
    {
        const_cast<KFCurveNode*>(node)->InvalidateChannelCache();
    }
    return const_cast<KFCurve*>(curve);
}

KFCurve* KScnTakeNodeEntry::FindCurve(const char* first, const char* second, const char* third)
{
    // A tree that waits is the entry's own (neither shared nor lent): its
    // parts are built as far as the curve, no further.
    if (mBuilder != nullptr)
    {
        const KFCurveNode* node = FindChannel(first, second, third);
        mSnapshotCurrent = false;
        if (mEditDepth == 0)
        {
            mHandedOut = true;
        }
        return WritableCurveOf(node);
    }
    // Never a curve of a snapshot other takes read (memory ran out making the copy).
    if (!PrepareWrite())
    {
        return nullptr;
    }
    return WritableCurveOf(FindChannel(first, second, third));
}

const KFCurve* KScnTakeNodeEntry::FindCurveByDataType(const char* first, const char* second,
                                                      const KDataType* dataType) const
{
    return CurveOf(FindChannelByDataType(first, second, dataType));
}

KFCurve* KScnTakeNodeEntry::FindCurveByDataType(const char* first, const char* second,
                                                const KDataType* dataType)
{
    if (!PrepareWrite())
    {
        return nullptr;
    }
    return WritableCurveOf(FindChannelByDataType(first, second, dataType));
}

const KFCurve* KScnTakeNodeEntry::GetOcclusionCurve() const
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeOcclusion::Get());
}

const KFCurve* KScnTakeNodeEntry::GetIKReachTranslationCurve() const
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeIKReachTranslation::Get());
}

const KFCurve* KScnTakeNodeEntry::GetIKReachRotationCurve() const
{
    return FindCurveByDataType(nullptr, nullptr, KDataTypeIKReachRotation::Get());
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
