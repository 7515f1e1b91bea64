#include "scenesdk/attributes/KScnPose.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace scenesdk
{

KCLASSID_DEFINE(KScnPoseProperties, &KScnPropertyHandler::ClassRecord);

void KScnPoseProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnPoseProperties::GetOwner()
{
    return mOwner;
}

namespace
{
const char* const kPoseErrors[] = {"Error"};
} // namespace

detail::KScnPoseErrorHolder::KScnPoseErrorHolder() : mErrorRecord(kPoseErrors, 1) {}

KScnPose::KScnPose(KScnSdkManager* manager, const char* name, bool bindPose)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord), mProperties(new KScnPoseProperties(this)),
      mType(bindPose ? 'b' : 'r')
{
}

KScnPose::~KScnPose()
{
    if (mProperties != nullptr)
    {
        mProperties->Destroy();
        mProperties = nullptr;
    }
    Clear();
}

KString KScnPose::MakeObjectName(const char* name)
{
    KString out("Pose::");
    out += name != nullptr ? name : "";
    return out;
}

void KScnPose::Detach()
{
    if (mProperties != nullptr)
    {
        mProperties->DisconnectAll();
    }
}

KString KScnPose::GetTypeName() const
{
    return KString(mType == 'r' ? "RestPose" : "BindPose");
}

void KScnPose::BuildTakeChannels(KScnTakeNodeEntry* /*take*/)
{
    // The pose's property set declares no property.
}

bool KScnPose::MatricesMatch(const KgeTransformMatrix& a, const KgeTransformMatrix& b)
{
    for (int i = 0; i < 16; ++i)
    {
        if (!(std::fabs(a[i] - b[i]) <= kMatrixTolerance))
        {
            return false;
        }
    }
    return true;
}

bool KScnPose::FindEntryMatch(const KScnPose& pose, const char* nodeName, const KgeTransformMatrix& matrix,
                              int& index)
{
    index = -1;
    const int n = pose.mEntries.GetCount();
    for (int i = 0; i < n; ++i)
    {
        const KScnPoseEntry* entry = pose.mEntries[i];
        if (entry->mNodeName == nodeName)
        {
            index = i;
            return MatricesMatch(entry->mMatrix, matrix);
        }
    }
    return true;
}

bool KScnPose::IsValidEntry(const char* nodeName, const KgeTransformMatrix& matrix, int& index) const
{
    index = -1;
    if (nodeName == nullptr)
    {
        return false;
    }
    if (IsBindPose() && mScope != nullptr)
    {
        const int n = mScope->GetPoseCount();
        for (int i = 0; i < n; ++i)
        {
            const KScnPose* other = mScope->GetPose(i);
            int otherIndex = -1;
            if (other != nullptr && other != this && other->IsBindPose() &&
                !FindEntryMatch(*other, nodeName, matrix, otherIndex))
            {
                // The index always speaks of this pose, never of the other one.
                index = Find(nodeName);
                return false;
            }
        }
    }
    return FindEntryMatch(*this, nodeName, matrix, index);
}

int KScnPose::Add(const char* nodeName, const KgeTransformMatrix& matrix, bool local)
{
    if (nodeName == nullptr || *nodeName == '\0')
    {
        return -1;
    }
    int index = -1;
    if (!IsValidEntry(nodeName, matrix, index))
    {
        return -1;
    }
    if (index >= 0)
    {
        return index;
    }
    // The entry's until it is listed: memory running out loses nothing.
    auto entry = std::make_unique<KScnPoseEntry>();
    entry->mNodeName = nodeName;
    entry->mMatrix = matrix;
    entry->mLocal = local;
    const int at = mEntries.Add(entry.get());
    if (at >= 0)
    {
        entry.release();
    }
    return at;
}

KString KScnPose::GetNodeName(int index) const
{
    const KScnPoseEntry* entry = mEntries.GetAt(index);
    return entry != nullptr ? entry->mNodeName : KString("");
}

KgeTransformMatrix KScnPose::GetMatrix(int index) const
{
    const KScnPoseEntry* entry = mEntries.GetAt(index);
    return entry != nullptr ? entry->mMatrix : KgeTransformMatrix();
}

bool KScnPose::IsLocalMatrix(int index) const
{
    const KScnPoseEntry* entry = mEntries.GetAt(index);
    return entry != nullptr && entry->mLocal;
}

int KScnPose::Find(const char* nodeName) const
{
    if (nodeName == nullptr)
    {
        return -1;
    }
    for (int i = 0; i < mEntries.GetCount(); ++i)
    {
        if (mEntries[i]->mNodeName == nodeName)
        {
            return i;
        }
    }
    return -1;
}

bool KScnPose::Remove(int index)
{
    KScnPoseEntry* entry = mEntries.GetAt(index);
    if (entry == nullptr)
    {
        return false;
    }
    mEntries.RemoveAt(index);
    delete entry;
    return true;
}

void KScnPose::Clear()
{
    for (int i = 0; i < mEntries.GetCount(); ++i)
    {
        delete mEntries[i];
    }
    mEntries.Clear();
}

} // namespace scenesdk
