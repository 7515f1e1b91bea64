#include "scenesdk/kernel/KScnPropertyRef.h"

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KProperty.h"
#include "scenesdk/kernel/KScnObject.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace scenesdk
{

namespace
{

const char* const kDataTypeNames[] = {"Unidentified", "Bool", "Real", "Color", "Integer", "Vector", "Enum"};
constexpr int kDataTypeCount = static_cast<int>(sizeof(kDataTypeNames) / sizeof(kDataTypeNames[0]));

bool IsColorCode(int code)
{
    return code == eKPropColorRGB || code == eKPropColorRGBA;
}

// Reads the four doubles of a vector or colour property; false otherwise.
bool ReadFour(KProperty* property, double* out)
{
    return property != nullptr && property->IsVector() && property->GetAsDoubles(out);
}

} // namespace

KScnPropertyRef::KScnPropertyRef(KScnSdkManager* manager, KProperty* property) : mManager(manager)
{
    SetProperty(property);
}

KScnPropertyRef::KScnPropertyRef(KScnSdkManager* manager, const char* name, const char* typeName,
                                 const char* label)
    : mRecord(new KScnUserPropertyRecord), mManager(manager)
{
    mRecord->mName = name != nullptr ? name : "";
    mRecord->mDataType = ParseDataType(typeName);
    mRecord->mLabel = label != nullptr ? label : "";
    mRecord->mMinimum = -std::numeric_limits<double>::infinity();
    mRecord->mMaximum = std::numeric_limits<double>::infinity();
}

KScnPropertyRef::~KScnPropertyRef()
{
    SetProperty(nullptr);
    // Taken out of every list that holds it.
    if (mLister != nullptr)
    {
        mLister->ForgetUserProperty(this);
    }
    if (mMoreListers != nullptr)
    {
        for (KScnObject* object : *mMoreListers)
        {
            object->ForgetUserProperty(this);
        }
        delete mMoreListers;
    }
    delete mRecord;
}

void KScnPropertyRef::SetProperty(KProperty* property)
{
    if (mManager != nullptr)
    {
        mManager->UnlinkStandIn(this);
    }
    mProperty = property;
    if (mManager != nullptr && property != nullptr)
    {
        mManager->LinkStandIn(this);
    }
}

void KScnPropertyRef::NoteLister(KScnObject* object, bool listed)
{
    if (listed)
    {
        if (mLister == nullptr)
        {
            mLister = object;
            return;
        }
        if (mMoreListers == nullptr)
        {
            mMoreListers = new std::vector<KScnObject*>();
        }
        mMoreListers->push_back(object);
        return;
    }
    if (mLister == object)
    {
        mLister = nullptr;
        if (mMoreListers != nullptr && !mMoreListers->empty())
        {
            mLister = mMoreListers->back();
            mMoreListers->pop_back();
        }
        return;
    }
    if (mMoreListers != nullptr)
    {
        auto it = std::find(mMoreListers->begin(), mMoreListers->end(), object);
        if (it != mMoreListers->end())
        {
            mMoreListers->erase(it);
        }
    }
}

int KScnPropertyRef::ParseDataType(const char* typeName)
{
    if (typeName == nullptr)
    {
        return eUserPropUnidentified;
    }
    for (int code = 1; code < kDataTypeCount; ++code)
    {
        if (std::strcmp(typeName, kDataTypeNames[code]) == 0)
        {
            return code;
        }
    }
    return eUserPropUnidentified;
}

const char* KScnPropertyRef::GetDataTypeName(int code)
{
    return code >= 0 && code < kDataTypeCount ? kDataTypeNames[code] : nullptr;
}

int KScnPropertyRef::DataTypeOfTypeCode(int typeCode)
{
    switch (typeCode)
    {
    case eKPropInt:
        return eUserPropInteger;
    case eKPropBool:
        return eUserPropBool;
    case eKPropFloat:
    case eKPropDouble:
        return eUserPropReal;
    case eKPropEnum:
        return eUserPropEnum;
    case eKPropVector3D:
        return eUserPropVector;
    case eKPropColorRGB:
    case eKPropColorRGBA:
        return eUserPropColor;
    default:
        return eUserPropUnidentified;
    }
}

int KScnPropertyRef::GetPropertyDataType() const
{
    if (mProperty != nullptr)
    {
        return DataTypeOfTypeCode(mProperty->GetTypeCode());
    }
    return mRecord != nullptr ? mRecord->mDataType : eUserPropUnidentified;
}

const char* KScnPropertyRef::GetName() const
{
    if (mProperty != nullptr)
    {
        return mProperty->GetName() != nullptr ? mProperty->GetName() : "";
    }
    return mRecord != nullptr && mRecord->mName.Buffer() != nullptr ? mRecord->mName.Buffer() : "";
}

const char* KScnPropertyRef::GetLabel(bool fallBackToName) const
{
    const char* label = "";
    if (mProperty != nullptr)
    {
        label = mProperty->GetLabel();
    }
    else if (mRecord != nullptr)
    {
        label = mRecord->mLabel.Buffer();
    }
    if (label == nullptr)
    {
        label = "";
    }
    return fallBackToName && *label == '\0' ? GetName() : label;
}

bool KScnPropertyRef::IsSameProperty(const KProperty* property) const
{
    return property != nullptr && mProperty != nullptr && property == mProperty;
}

void KScnPropertyRef::GetBool(bool& out) const
{
    if (mProperty != nullptr)
    {
        out = mProperty->GetInt() != 0;
    }
}

void KScnPropertyRef::GetDouble(double& out) const
{
    if (mProperty != nullptr)
    {
        out = mProperty->GetDouble();
    }
}

void KScnPropertyRef::GetColor(double& r, double& g, double& b) const
{
    double v[4];
    if (mProperty != nullptr && IsColorCode(mProperty->GetTypeCode()) && ReadFour(mProperty, v))
    {
        r = v[0];
        g = v[1];
        b = v[2];
    }
}

void KScnPropertyRef::GetVector(double& x, double& y, double& z) const
{
    double v[4];
    if (mProperty == nullptr)
    {
        return;
    }
    const int code = mProperty->GetTypeCode();
    if ((code == eKPropVector3D || IsColorCode(code)) && ReadFour(mProperty, v))
    {
        x = v[0];
        y = v[1];
        z = v[2];
    }
}

bool KScnPropertyRef::SetBool(bool value)
{
    return SetInteger(value ? 1 : 0);
}

bool KScnPropertyRef::SetInteger(int value)
{
    if (mProperty == nullptr || !mProperty->SetInt(value))
    {
        return false;
    }
    Notify();
    return true;
}

bool KScnPropertyRef::SetDouble(double value)
{
    if (mProperty == nullptr || !mProperty->SetDouble(value))
    {
        return false;
    }
    Notify();
    return true;
}

void KScnPropertyRef::SetColor(double r, double g, double b)
{
    if (mProperty == nullptr || !IsColorCode(mProperty->GetTypeCode()))
    {
        return;
    }
    const double v[4] = {r, g, b, 1.0};
    if (mProperty->GetTypeCode() == eKPropColorRGB)
    {
        // An RGB colour keeps its own fourth component.
        double old[4] = {0.0, 0.0, 0.0, 1.0};
        mProperty->GetAsDoubles(old);
        const double rgb[4] = {r, g, b, old[3]};
        mProperty->SetFromDoubles(rgb);
    }
    else
    {
        mProperty->SetFromDoubles(v);
    }
    Notify();
}

void KScnPropertyRef::SetVector(double x, double y, double z)
{
    if (mProperty == nullptr)
    {
        return;
    }
    const int code = mProperty->GetTypeCode();
    if (code == eKPropVector3D)
    {
        const double v[4] = {x, y, z, 1.0};
        mProperty->SetFromDoubles(v);
        Notify();
    }
    else if (IsColorCode(code))
    {
        const KColorRGBA c(x, y, z, 1.0);
        SetColor(c.mRed, c.mGreen, c.mBlue);
    }
}

void KScnPropertyRef::SetMinLimit(double value)
{
    if (mRecord != nullptr)
    {
        mRecord->mMinimum = value;
    }
    if (mProperty != nullptr)
    {
        mProperty->SetMin(value);
    }
}

void KScnPropertyRef::SetMaxLimit(double value)
{
    if (mRecord != nullptr)
    {
        mRecord->mMaximum = value;
    }
    if (mProperty != nullptr)
    {
        mProperty->SetMax(value);
    }
}

double KScnPropertyRef::GetMinLimit() const
{
    if (mProperty != nullptr)
    {
        return mProperty->GetMin();
    }
    return mRecord != nullptr ? mRecord->mMinimum : -std::numeric_limits<double>::infinity();
}

double KScnPropertyRef::GetMaxLimit() const
{
    if (mProperty != nullptr)
    {
        return mProperty->GetMax();
    }
    return mRecord != nullptr ? mRecord->mMaximum : std::numeric_limits<double>::infinity();
}

uint32_t KScnPropertyRef::AttributeBitsOf(uint32_t flags)
{
    uint32_t bits = 0;
    if ((flags & kFlagAnimatable) != 0)
    {
        bits |= KPropertyAttributes::kAnimatable;
    }
    if ((flags & kFlag2) != 0)
    {
        bits |= 64u;
    }
    if ((flags & kFlag4) != 0)
    {
        bits |= KPropertyAttributes::kUserFlag;
    }
    return bits;
}

void KScnPropertyRef::SetFlag(uint32_t flags, bool on)
{
    if (mRecord != nullptr)
    {
        mRecord->mFlags = on ? (mRecord->mFlags | flags) : (mRecord->mFlags & ~flags);
    }
    const uint32_t bits = AttributeBitsOf(flags);
    if (mProperty != nullptr && bits != 0)
    {
        // A default take that waits is built with the channels of the
        // properties animatable until now.
        KScnTakeNodeContainer* owner = mHandler != nullptr ? mHandler->GetOwner() : nullptr;
        if (owner != nullptr && (bits & KPropertyAttributes::kAnimatable) != 0)
        {
            owner->BuildDeferredTakes();
        }
        mProperty->GetAttributes().SetFlag(bits, on);
    }
}

bool KScnPropertyRef::GetFlag(uint32_t flag) const
{
    if (mProperty != nullptr)
    {
        const bool known = flag == kFlagAnimatable || flag == kFlag2 || flag == kFlag4;
        return known && mProperty->GetAttributes().HasFlag(AttributeBitsOf(flag));
    }
    return mRecord != nullptr && (mRecord->mFlags & flag) != 0;
}

void KScnPropertyRef::Notify()
{
    if (mHandler != nullptr && mProperty != nullptr)
    {
        mHandler->PushPropertyToTakes(*mProperty);
    }
}

} // namespace scenesdk
