#include "scenesdk/attributes/KScnLight.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"

#include <cstring>

namespace scenesdk
{

namespace
{

const char* const kLightTypeNames[] = {"Point Light", "Infinite Light", "Spot Light"};

// One curve a light puts into a take: where it hangs, its fixed default and
// display colour, and the light property (and component) it feeds.
struct LightCurve
{
    const char* parent; // null: directly under the root
    const char* name;
    float defaultValue;
    float color[3];
    const char* propertyName;
    int component;
};

const LightCurve kLightCurves[] = {
    {"Color", "X", 1.0f, {1.0f, 0.0f, 0.0f}, "Color", 0},
    {"Color", "Y", 1.0f, {0.0f, 1.0f, 0.0f}, "Color", 1},
    {"Color", "Z", 1.0f, {0.0f, 0.0f, 1.0f}, "Color", 2},
    {nullptr, "Intensity", 100.0f, {0.97f, 0.91f, 0.11f}, "Intensity", 0},
    {nullptr, "Cone angle", 45.0f, {0.82f, 0.1f, 0.71f}, "Cone angle", 0},
    {nullptr, "Fog", 50.0f, {0.82f, 0.38f, 0.1f}, "Fog", 0},
};

const char* const kLightChannels[] = {"Color", "Intensity", "Cone angle", "Fog"};

} // namespace

// ---------------------------------------------------------------------------
// KScnLightProperties

KCLASSID_DEFINE(KScnLightProperties, &KObject::ClassRecord);

KScnLightProperties::KScnLightProperties()
{
    using P = KScnLightProperties;
    LightType.Initialize("LightType", this, &P::GetLightType, &P::SetLightType);
    AddProperty(&LightType);
    CastLightOnObject.Initialize("CastLightOnObject", this, &P::GetCastLightOnObject,
                                 &P::SetCastLightOnObject);
    AddProperty(&CastLightOnObject);
    DrawVolumetricLight.Initialize("DrawVolumetricLight", this, &P::GetDrawVolumetricLight,
                                   &P::SetDrawVolumetricLight);
    AddProperty(&DrawVolumetricLight);
    DrawGroundProjection.Initialize("DrawGroundProjection", this, &P::GetDrawGroundProjection,
                                    &P::SetDrawGroundProjection);
    AddProperty(&DrawGroundProjection);
    DrawFrontFacingVolumetricLight.Initialize("DrawFrontFacingVolumetricLight", this,
                                              &P::GetDrawFrontFacingVolumetricLight,
                                              &P::SetDrawFrontFacingVolumetricLight);
    AddProperty(&DrawFrontFacingVolumetricLight);
    LightType.SetEnumNameFunction(&KScnLight::GetLightTypeName);
    LightType.SetTypeCode(eKPropEnum);

    // The gobo list: sources restricted to this set's class for now (plug
    // flag 1 on, 2 and 4 off); which objects a gobo should be is open.
    GoboProperty =
        KPropertyObjectList::Create(this, "GoboProperty", 0, KScnLightProperties::ClassId, 1, 1u, 0u);

    Color = CreateAnimatedChannel("Color", "Color");
    Intensity = CreateAnimatedChannel("Intensity", "Intensity");
    ConeAngle = CreateAnimatedChannel("Cone angle", "Cone angle");
    Fog = CreateAnimatedChannel("Fog", "Fog");
}

KProperty* KScnLightProperties::CreateAnimatedChannel(const char* name, const char* dataTypeName)
{
    KDataType* type = KDataType::FindByName(dataTypeName);
    KProperty* property = CreateProperty(name, KDataType::ToTypeCode(type), type, true);
    if (property != nullptr)
    {
        property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
    }
    return property;
}

KObject* KScnLightProperties::GetGoboObject(int index)
{
    return GoboProperty != nullptr ? GoboProperty->GetAt(index) : nullptr;
}

bool KScnLightProperties::SetGoboObject(int index, KObject* object)
{
    return GoboProperty != nullptr && GoboProperty->SetAt(index, object);
}

// ---------------------------------------------------------------------------
// KScnLight

const char* KScnLight::GetLightTypeName(int value)
{
    return value >= 0 && value < 3 ? kLightTypeNames[value] : nullptr;
}

KScnLight::KScnLight(KScnSdkManager* manager) : mManager(manager), mProperties(new KScnLightProperties)
{
    SetCastLight(true);
    SetLightType(ePoint);
    SetColor(KColorRGBA(1.0, 1.0, 1.0, 1.0));
    SetIntensity(100.0);
    SetConeAngle(45.0);
    SetFog(50.0);
    SetDrawGroundProjection(true);
    SetDrawVolumetricLight(true);
    SetDrawFrontFacingVolumetricLight(false);
}

KScnLight::~KScnLight()
{
    KScnReleaseAttributeFromNode(this);
    mProperties->Destroy();
}

KStringList KScnLight::GetTypeNameList() const
{
    KStringList names;
    names.Add("Light");
    return names;
}

void KScnLight::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnAppendObjectProperties(mProperties, out);
}

KObject* KScnLight::GetHandlerPropertySet() const
{
    return mProperties;
}

void KScnLight::AddChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const bool isDefault = take->GetName() != nullptr && std::strcmp(take->GetName(), "Default") == 0;
    KScnNode* node = GetNode();
    for (const LightCurve& entry : kLightCurves)
    {
        KFCurveNode* parent =
            entry.parent != nullptr ? KMade(root->FindOrCreateChild(entry.parent, false)) : root;
        KFCurveNode* channel =
            parent != nullptr ? KMade(parent->FindOrCreateChild(entry.name, true)) : nullptr;
        KFCurve* curve = channel != nullptr ? channel->GetFCurve() : nullptr;
        if (curve == nullptr)
        {
            continue;
        }
        // The fixed default goes in before the link, so that attaching does
        // not overwrite a value the light was given while detached.
        curve->SetDefaultValue(entry.defaultValue);
        curve->SetColor(entry.color);
        if (isDefault && node != nullptr)
        {
            node->LinkPropertyToCurve(mProperties->FindProperty(entry.propertyName), entry.component, curve);
        }
    }
}

void KScnLight::RemoveChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNodeToPrune() : nullptr;
    if (root == nullptr)
    {
        return;
    }
    for (const char* name : kLightChannels)
    {
        const int index = root->IndexOfChildByName(name);
        if (index >= 0)
        {
            root->DeleteChildAt(index);
        }
    }
}

KFCurve* KScnLight::DefaultCurve(const char* parent, const char* name)
{
    KScnNode* node = GetNode();
    KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    return take != nullptr ? take->FindCurveToWrite(nullptr, parent, name) : nullptr;
}

void KScnLight::SetDefaultCurveValue(const char* parent, const char* name, double value)
{
    if (KFCurve* curve = DefaultCurve(parent, name))
    {
        curve->SetDefaultValue(static_cast<float>(value));
    }
}

void KScnLight::SetLightType(ELightType type)
{
    mProperties->LightType.SetValue(type);
}

KScnLight::ELightType KScnLight::GetLightType()
{
    return mProperties->LightType.GetValue();
}

void KScnLight::SetCastLight(bool cast)
{
    mProperties->CastLightOnObject.SetValue(cast);
}

bool KScnLight::GetCastLight()
{
    return mProperties->CastLightOnObject.GetValue();
}

void KScnLight::SetDrawGroundProjection(bool draw)
{
    mProperties->DrawGroundProjection.SetValue(draw);
}

bool KScnLight::GetDrawGroundProjection()
{
    return mProperties->DrawGroundProjection.GetValue();
}

void KScnLight::SetDrawVolumetricLight(bool draw)
{
    mProperties->DrawVolumetricLight.SetValue(draw);
}

bool KScnLight::GetDrawVolumetricLight()
{
    return mProperties->DrawVolumetricLight.GetValue();
}

void KScnLight::SetDrawFrontFacingVolumetricLight(bool draw)
{
    mProperties->DrawFrontFacingVolumetricLight.SetValue(draw);
}

bool KScnLight::GetDrawFrontFacingVolumetricLight()
{
    return mProperties->DrawFrontFacingVolumetricLight.GetValue();
}

void KScnLight::SetColor(const KColorRGBA& color)
{
    // Every curve is had before any is written: nothing after takes memory.
    KFCurve* const curves[3] = {DefaultCurve("Color", "X"), DefaultCurve("Color", "Y"),
                                DefaultCurve("Color", "Z")};
    // Written as components: the property holds an RGB vector, not a KColorRGBA.
    const double rgb[4] = {color.mRed, color.mGreen, color.mBlue, 1.0};
    for (int c = 0; c < 3; ++c)
    {
        if (curves[c] != nullptr)
        {
            curves[c]->SetDefaultValue(static_cast<float>(rgb[c]));
        }
    }
    if (mProperties->Color != nullptr)
    {
        mProperties->Color->SetFromDoubles(rgb);
    }
}

KColorRGBA KScnLight::GetColor()
{
    double rgb[4] = {0.0, 0.0, 0.0, 1.0};
    if (mProperties->Color != nullptr)
    {
        mProperties->Color->GetAsDoubles(rgb);
    }
    return KColorRGBA(rgb[0], rgb[1], rgb[2], 1.0);
}

void KScnLight::SetIntensity(double intensity)
{
    SetDefaultCurveValue(nullptr, "Intensity", intensity);
    if (mProperties->Intensity != nullptr)
    {
        mProperties->Intensity->SetDouble(intensity);
    }
}

double KScnLight::GetIntensity()
{
    return mProperties->Intensity != nullptr ? mProperties->Intensity->GetDouble() : 0.0;
}

void KScnLight::SetConeAngle(double angle)
{
    SetDefaultCurveValue(nullptr, "Cone angle", angle);
    if (mProperties->ConeAngle != nullptr)
    {
        mProperties->ConeAngle->SetDouble(angle);
    }
}

double KScnLight::GetConeAngle()
{
    return mProperties->ConeAngle != nullptr ? mProperties->ConeAngle->GetDouble() : 0.0;
}

void KScnLight::SetFog(double fog)
{
    SetDefaultCurveValue(nullptr, "Fog", fog);
    if (mProperties->Fog != nullptr)
    {
        mProperties->Fog->SetDouble(fog);
    }
}

double KScnLight::GetFog()
{
    return mProperties->Fog != nullptr ? mProperties->Fog->GetDouble() : 0.0;
}

bool KScnLight::SetFileName(const char* name)
{
    mFileName = KString(name != nullptr ? name : "");
    return true;
}

const char* KScnLight::GetFileName() const
{
    return mFileName.IsEmpty() ? nullptr : mFileName.Buffer();
}

} // namespace scenesdk
