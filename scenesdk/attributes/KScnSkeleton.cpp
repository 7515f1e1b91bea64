#include "scenesdk/attributes/KScnSkeleton.h"

#include "scenesdk/attributes/KScnNull.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnSkeletonProperties, &KObject::ClassRecord);

KScnSkeletonProperties::KScnSkeletonProperties()
{
    using P = KScnSkeletonProperties;
    Size.Initialize("Size", this, &P::GetSize, &P::SetSize);
    AddProperty(&Size);
    LimbLength.Initialize("LimbLength", this, &P::GetLimbLength, &P::SetLimbLength);
    AddProperty(&LimbLength);
    Color.Initialize("Color", this, &P::GetColor, &P::SetColor);
    AddProperty(&Color);
    LimbLength.SetFlagNotify(1, true);
}

KScnSkeleton::KScnSkeleton(KScnSdkManager* manager)
    : mManager(manager), mProperties(new KScnSkeletonProperties)
{
    Reset();
}

KScnSkeleton::~KScnSkeleton()
{
    KScnReleaseAttributeFromNode(this);
    mProperties->Destroy();
}

void KScnSkeleton::Reset()
{
    mSkeletonKind = eRoot;
    mProperties->Color.SetValue(KgeRGBVector(0.8, 0.8, 0.8, 1.0));
    UpdateColorState();
    mProperties->Size.SetValue(100.0);
    mProperties->LimbLength.SetValue(1.0);
    mLimbLengthSet = false;
    mSizeSet = false;
    mColorSet = false;
    mKindSet = false;
}

void KScnSkeleton::UpdateColorState()
{
    const bool limb = mSkeletonKind == eLimb || mSkeletonKind == eLimbNode;
    mProperties->Color.SetFlagNotify(kColorNotLimbState, !limb);
}

void KScnSkeleton::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnAppendObjectProperties(mProperties, out);
}

KObject* KScnSkeleton::GetHandlerPropertySet() const
{
    return mProperties;
}

KString KScnSkeleton::GetTypeName() const
{
    static const char* const kNames[] = {"Root", "Limb", "LimbNode", "Root"};
    return KString(mSkeletonKind >= 0 && mSkeletonKind < 4 ? kNames[mSkeletonKind] : "");
}

KStringList KScnSkeleton::GetTypeNameList() const
{
    KStringList names;
    if (mSkeletonKind == eRoot || mSkeletonKind == eEffector)
    {
        names.Add("Null");
        names.Add("Skeleton");
        names.Add("Root");
    }
    else if (mSkeletonKind == eLimb || mSkeletonKind == eLimbNode)
    {
        names.Add("Skeleton");
    }
    return names;
}

void KScnSkeleton::SetSkeletonKind(ESkeletonKind kind)
{
    mKindSet = true;
    mSkeletonKind = kind;
    UpdateColorState();
}

bool KScnSkeleton::SetLimbLength(double length)
{
    if (mSkeletonKind != eLimb)
    {
        return false;
    }
    mProperties->LimbLength.SetValue(length);
    mLimbLengthSet = true;
    return true;
}

void KScnSkeleton::SetSize(double size)
{
    mProperties->Size.SetValue(size);
    mSizeSet = true;
}

bool KScnSkeleton::SetLimbColor(const KColorRGBA& color)
{
    if (mSkeletonKind != eLimb && mSkeletonKind != eLimbNode)
    {
        return false;
    }
    mProperties->Color.SetValue(KgeRGBVector(color.mRed, color.mGreen, color.mBlue, 1.0));
    mColorSet = true;
    return true;
}

KColorRGBA KScnSkeleton::GetLimbColor()
{
    const KgeRGBVector stored = mProperties->Color.GetValue();
    return KColorRGBA(stored.mData[0], stored.mData[1], stored.mData[2], 1.0);
}

} // namespace scenesdk
