#include "scenesdk/animation/KScnTakeNodeEntry.h"

#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KDataType.h"

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
    : mName(name != nullptr ? name : ""), mError(kTakeNodeErrors, 1),
      mRoot(KFCurveNode::Create("Defaults", nullptr, 0, 0))
{
}

KScnTakeNodeEntry::KScnTakeNodeEntry(const KScnTakeNodeEntry& source)
    : mName(source.mName), mError(kTakeNodeErrors, 1),
      mRoot(source.mRoot != nullptr ? source.mRoot->Clone(false)
                                    : KFCurveNode::Create("Defaults", nullptr, 0, 0))
{
}

KScnTakeNodeEntry::~KScnTakeNodeEntry()
{
    if (mRoot != nullptr && mRoot->IsReferenceNode())
    {
        EmptyReferenceNode(mRoot);
    }
    KFCurveNode::Destroy(mRoot);
    mRoot = nullptr;
}

void KScnTakeNodeEntry::SetName(const char* name)
{
    mName = name != nullptr ? name : "";
}

KFCurveNode* KScnTakeNodeEntry::Walk(const char* first, const char* second) const
{
    KFCurveNode* node = mRoot;
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
    mError.SetLastErrorID(0);
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
