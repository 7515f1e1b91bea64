#include "scenesdk/kernel/KScnMaterial.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSceneContents.h"

namespace scenesdk
{

namespace
{

const char* const kMaterialMessages[] = {"Take node error"};
const char* const kAxisNames[] = {"X", "Y", "Z"};

// Curve colours of the component channels.
const float kAxisColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
const float kScalarColor[3] = {0.75f, 0.75f, 1.0f};

// The channels of the default take, in creation order, with the value a
// curve starts from when its property is missing.
struct MaterialChannel
{
    const char* name;
    bool color;
    double fallback;
};
const MaterialChannel kChannels[] = {
    {"Emissive", true, 0.0}, {"Ambient", true, 0.0},       {"Diffuse", true, 0.0},    {"Specular", true, 0.0},
    {"Opacity", false, 1.0}, {"Reflectivity", false, 0.3}, {"Shininess", false, 6.4},
};

constexpr double kShininessScale = 128.0;
constexpr double kShininessInverse = 0.0078125; // 1 / 128

double Clamp01(double v)
{
    return v >= 0.0 ? (v > 1.0 ? 1.0 : v) : 0.0; // NaN fails the first test: 0
}

KFCurve* NewCurve(const float* color, double value)
{
    KFCurve* curve = KMade(KFCurve::Create());
    curve->SetColor(color[0], color[1], color[2]);
    curve->SetDefaultValue(static_cast<float>(value));
    return curve;
}

} // namespace

// ---------------------------------------------------------------------------
// KScnMaterialProperties

KCLASSID_DEFINE(KScnMaterialProperties, &KScnPropertyHandler::ClassRecord);

KScnMaterialProperties::KScnMaterialProperties(KScnMaterial* owner) : mOwner(owner)
{
    using P = KScnMaterialProperties;
    Emissive.Initialize("Emissive", this, &P::GetEmissive, &P::SetEmissive);
    AddProperty(&Emissive);
    Ambient.Initialize("Ambient", this, &P::GetAmbient, &P::SetAmbient);
    AddProperty(&Ambient);
    Diffuse.Initialize("Diffuse", this, &P::GetDiffuse, &P::SetDiffuse);
    AddProperty(&Diffuse);
    Specular.Initialize("Specular", this, &P::GetSpecular, &P::SetSpecular);
    AddProperty(&Specular);
    Opacity.Initialize("Opacity", this, &P::GetOpacity, &P::SetOpacity);
    AddProperty(&Opacity);
    Reflectivity.Initialize("Reflectivity", this, &P::GetReflectivity, &P::SetReflectivity);
    AddProperty(&Reflectivity);
    Shininess.Initialize("Shininess", this, &P::GetShininess, &P::SetShininess);
    AddProperty(&Shininess);

    Emissive.SetValue(KgeRGBVector(0.0, 0.0, 0.0));
    Ambient.SetValue(KgeRGBVector(0.2, 0.2, 0.2));
    Specular.SetValue(KgeRGBVector(0.2, 0.2, 0.2));
    Diffuse.SetValue(KgeRGBVector(0.8, 0.8, 0.8));
    Opacity.SetValue(1.0);
    Reflectivity.SetValue(0.3);
    Shininess.SetValue(6.4);
    // The defaults were not written by anyone.
    mWritten = 0;
}

unsigned KScnMaterialProperties::WrittenBit(const KProperty& property) const
{
    const KProperty* const values[] = {&Emissive, &Ambient, &Diffuse, &Specular, &Opacity, &Reflectivity, &Shininess};
    for (unsigned i = 0; i < sizeof values / sizeof values[0]; ++i)
    {
        if (values[i] == &property)
        {
            return 1u << i;
        }
    }
    return 0;
}

void KScnMaterialProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnMaterialProperties::GetOwner()
{
    return mOwner;
}

bool KScnMaterialProperties::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                             KPlug* other, uint32_t type, KPlug* extra)
{
    // Attached to an object (a node, a generic node), the material joins the
    // scene contents that list that object, one use each; detached, it
    // leaves them with that use.
    if (emitter == this && (code == eDstAdded || code == eDstRemoved))
    {
        KScnSceneContents::OnUseConnection(other, this, code == eDstAdded);
    }
    return HandleConnectionEvent(path, code, emitter, index, other, type, extra);
}

void KScnMaterialProperties::StoreColor(KgeRGBVector& field, const KgeRGBVector& value, KProperty& property)
{
    field = KgeRGBVector(value.mData[0], value.mData[1], value.mData[2]);
    mWritten |= WrittenBit(property);
    PushPropertyToTakes(property);
}

void KScnMaterialProperties::StoreScalar(double& field, double value, KProperty& property)
{
    field = value;
    mWritten |= WrittenBit(property);
    PushPropertyToTakes(property);
}

void KScnMaterialProperties::SetEmissive(KgeRGBVector value)
{
    StoreColor(mEmissive, value, Emissive);
}
void KScnMaterialProperties::SetAmbient(KgeRGBVector value)
{
    StoreColor(mAmbient, value, Ambient);
}
void KScnMaterialProperties::SetDiffuse(KgeRGBVector value)
{
    StoreColor(mDiffuse, value, Diffuse);
}
void KScnMaterialProperties::SetSpecular(KgeRGBVector value)
{
    StoreColor(mSpecular, value, Specular);
}
void KScnMaterialProperties::SetOpacity(double value)
{
    StoreScalar(mOpacity, value, Opacity);
}
void KScnMaterialProperties::SetReflectivity(double value)
{
    StoreScalar(mReflectivity, value, Reflectivity);
}
void KScnMaterialProperties::SetShininess(double value)
{
    StoreScalar(mShininess, value, Shininess);
}

// ---------------------------------------------------------------------------
// KScnMaterial

detail::KScnMaterialErrorHolder::KScnMaterialErrorHolder() : mErrorRecord(kMaterialMessages, 1) {}

KScnMaterial::KScnMaterial(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord)
{
    // Stopped part-way (memory running out), it takes apart what it made.
    try
    {
        mProps = new KScnMaterialProperties(this);
        // The channels' properties are animatable from the start; the channels
        // themselves are made when the default take is first needed.
        MarkChannelProperties();
        AddDeferredDefaultTakeNode();
        mShadingModel = "phong";
        mMultiLayer = false;
    }
    catch (...)
    {
        TearDown();
        throw;
    }
}

KScnMaterial::~KScnMaterial()
{
    TearDown();
}

void KScnMaterial::TearDown()
{
    DropDeferredTakeBuild();
    if (mProps != nullptr)
    {
        mProps->Destroy();
        mProps = nullptr;
    }
}

void KScnMaterial::MarkChannelProperties()
{
    for (const MaterialChannel& c : kChannels)
    {
        if (KProperty* property = mProps->FindProperty(c.name))
        {
            property->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
            property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
        }
    }
}

void KScnMaterial::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr || mProps == nullptr)
    {
        return;
    }
    for (const MaterialChannel& c : kChannels)
    {
        double values[4] = {c.fallback, c.fallback, c.fallback, 1.0};
        KProperty* property = mProps->FindProperty(c.name);
        if (property != nullptr)
        {
            property->GetAsDoubles(values);
            if (!IsBuildingDeferredTake())
            {
                property->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
                property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
            }
        }
        KFCurveNode* node = root->AdoptChild(KMade(KFCurveNode::Create(c.name, nullptr, 0, 0)));
        if (node == nullptr)
        {
            continue;
        }
        if (!c.color)
        {
            KFCurve* curve = NewCurve(kScalarColor, values[0]);
            node->SetFCurve(curve);
            LinkPropertyToCurve(property, 0, curve);
            continue;
        }
        for (int k = 0; k < 3; ++k)
        {
            KFCurveNode* child = node->AdoptChild(KMade(KFCurveNode::Create(kAxisNames[k], nullptr, 0, 0)));
            if (child == nullptr)
            {
                continue;
            }
            KFCurve* curve = NewCurve(kAxisColors[k], values[k]);
            child->SetFCurve(curve);
            LinkPropertyToCurve(property, k, curve);
        }
    }
}

void KScnMaterial::SetScalarCurve(const char* channel, double value)
{
    KScnTakeNodeEntry* take = GetDefaultTakeNode();
    if (take == nullptr)
    {
        return;
    }
    const KScnTakeNodeEntry::EditScope scope(*take);
    if (KFCurve* curve = take->FindCurve(nullptr, nullptr, channel))
    {
        curve->SetDefaultValue(static_cast<float>(value));
    }
}

double KScnMaterial::GetScalarCurve(const char* channel) const
{
    const KScnTakeNodeEntry* take = GetDefaultTakeNode();
    const KFCurve* curve = take != nullptr ? take->FindCurve(nullptr, nullptr, channel) : nullptr;
    return curve != nullptr ? curve->GetDefaultValue() : 0.0;
}

void KScnMaterial::SetDefaultEmissive(double r, double g, double b)
{
    SetAxisCurveDefaults("Emissive", r, g, b);
}
void KScnMaterial::SetDefaultAmbient(double r, double g, double b)
{
    SetAxisCurveDefaults("Ambient", r, g, b);
}
void KScnMaterial::SetDefaultDiffuse(double r, double g, double b)
{
    SetAxisCurveDefaults("Diffuse", r, g, b);
}
void KScnMaterial::SetDefaultSpecular(double r, double g, double b)
{
    SetAxisCurveDefaults("Specular", r, g, b);
}

void KScnMaterial::GetDefaultEmissive(double& r, double& g, double& b) const
{
    GetAxisCurveDefaults("Emissive", r, g, b);
}
void KScnMaterial::GetDefaultAmbient(double& r, double& g, double& b) const
{
    GetAxisCurveDefaults("Ambient", r, g, b);
}
void KScnMaterial::GetDefaultDiffuse(double& r, double& g, double& b) const
{
    GetAxisCurveDefaults("Diffuse", r, g, b);
}
void KScnMaterial::GetDefaultSpecular(double& r, double& g, double& b) const
{
    GetAxisCurveDefaults("Specular", r, g, b);
}

void KScnMaterial::SetDefaultOpacity(double value)
{
    SetScalarCurve("Opacity", Clamp01(value));
}
void KScnMaterial::SetDefaultReflectivity(double value)
{
    SetScalarCurve("Reflectivity", Clamp01(value));
}
double KScnMaterial::GetDefaultOpacity() const
{
    return GetScalarCurve("Opacity");
}
double KScnMaterial::GetDefaultReflectivity() const
{
    return GetScalarCurve("Reflectivity");
}
void KScnMaterial::SetDefaultShininess(double value)
{
    SetScalarCurve("Shininess", Clamp01(value) * kShininessScale);
}
double KScnMaterial::GetDefaultShininess() const
{
    return Clamp01(GetScalarCurve("Shininess") * kShininessInverse);
}

KColorRGBA KScnMaterial::ColorOf(const char* channel) const
{
    double r = 0.0, g = 0.0, b = 0.0;
    GetAxisCurveDefaults(channel, r, g, b);
    return KColorRGBA(r, g, b, 1.0);
}
KColorRGBA KScnMaterial::GetEmissive() const
{
    return ColorOf("Emissive");
}
KColorRGBA KScnMaterial::GetAmbient() const
{
    return ColorOf("Ambient");
}
KColorRGBA KScnMaterial::GetDiffuse() const
{
    return ColorOf("Diffuse");
}
KColorRGBA KScnMaterial::GetSpecular() const
{
    return ColorOf("Specular");
}

bool KScnMaterial::IsDuplicateOf(KScnMaterial* other)
{
    if (other == nullptr)
    {
        return false;
    }
    if (KString(GetName()).Compare(other->GetName()) != 0)
    {
        return false;
    }
    static const char* const kColors[] = {"Emissive", "Ambient", "Diffuse", "Specular"};
    for (const char* channel : kColors)
    {
        double a[3], b[3];
        GetAxisCurveDefaults(channel, a[0], a[1], a[2]);
        other->GetAxisCurveDefaults(channel, b[0], b[1], b[2]);
        if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2])
        {
            return false;
        }
    }
    return GetScalarCurve("Opacity") == other->GetScalarCurve("Opacity") &&
           GetScalarCurve("Shininess") == other->GetScalarCurve("Shininess") &&
           GetScalarCurve("Reflectivity") == other->GetScalarCurve("Reflectivity") &&
           mShadingModel.CompareNoCase(other->mShadingModel) == 0;
}

} // namespace scenesdk
