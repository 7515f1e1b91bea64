#include "scenesdk/attributes/KScnDeformer.h"

#include "scenesdk/attributes/KScnDeformerProperties.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnReadMeter.h"

#include <cstring>

namespace scenesdk
{

namespace
{
const char* const kDeformerErrors[] = {"Error"};

bool IsClusterText(const char* kindText)
{
    return kindText != nullptr && KString(kindText).CompareNoCase("cluster") == 0;
}
} // namespace

detail::KScnDeformerErrorHolder::KScnDeformerErrorHolder() : mErrorRecord(kDeformerErrors, 1) {}

KScnDeformer::KScnDeformer(KScnSdkManager* manager, const char* name, const char* kindText)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord)
{
    KScnReadMeter::Count(KScnReadMeter::eObjects, KScnReadMeter::kDeformerBytes);
    if (IsClusterText(kindText))
    {
        mKind = eCluster;
        mProperties = new KScnClusterDeformerProperties(this);
    }
    else
    {
        mKind = eSkin;
        mProperties = new KScnSkinDeformerProperties(this);
    }
    // Stopped part-way (memory running out), it frees its set.
    try
    {
        mProperties->SetName(name != nullptr ? name : "");
        AddDefaultTakeNode();
    }
    catch (...)
    {
        mProperties->Destroy();
        mProperties = nullptr;
        throw;
    }
}

KScnDeformer::~KScnDeformer()
{
    if (mProperties != nullptr)
    {
        mProperties->Destroy();
        mProperties = nullptr;
    }
}

KString KScnDeformer::MakeObjectName(const char* name, const char* kindText)
{
    KString out(IsClusterText(kindText) ? "SubDeformer::" : "Deformer::");
    out += name != nullptr ? name : "";
    return out;
}

void KScnDeformer::Detach()
{
    if (mProperties != nullptr)
    {
        mProperties->DisconnectAll();
    }
}

KScnPropertyHandler* KScnDeformer::GetPropertyHandler()
{
    return mProperties;
}

KString KScnDeformer::GetTypeName() const
{
    return KString(mProperties != nullptr ? mProperties->GetTypeText() : "");
}

KStringList KScnDeformer::GetTypeNameList() const
{
    KStringList out;
    out.Add("Deformer");
    return out;
}

void KScnDeformer::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    for (int i = 0; mProperties != nullptr && i < mProperties->GetPropertyCount(); ++i)
    {
        KProperty* property = mProperties->GetProperty(i);
        if (property != nullptr && property->IsAnimatable())
        {
            CreatePropertyChannels(property, take);
        }
    }
}

void KScnDeformer::SetUserData(const char* id, const char* data)
{
    mUserDataID = id != nullptr ? id : "";
    mUserData = data != nullptr ? data : "";
}

int KScnDeformer::LinkModeFromText(const char* text)
{
    if (text == nullptr)
    {
        return eLinkNormalize;
    }
    if (std::strcmp(text, "Additive") == 0)
    {
        return eLinkAdditive;
    }
    if (std::strcmp(text, "Total1") == 0)
    {
        return eLinkTotal1;
    }
    return eLinkNormalize;
}

void KScnDeformer::AddControlPoint(int index, double weight)
{
    mIndices.Add(index);
    mWeights.Add(weight);
}

void KScnDeformer::SetTransformParent(const KgeTransformMatrix& m)
{
    mParent = m;
    mParentPresent = true;
}

} // namespace scenesdk
