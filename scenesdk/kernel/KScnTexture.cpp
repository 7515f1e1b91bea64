#include "scenesdk/kernel/KScnTexture.h"

#include "scenesdk/attributes/KScnVideo.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnNodeProperties.h"
#include "scenesdk/kernel/KScnSceneContents.h"

#include <cctype>
#include <cstring>

namespace scenesdk
{

namespace
{

const char* const kTextureUseNames[] = {"Color",     "Spherical Reflection Map", "Sphere Map", "Shadow Map",
                                        "Light Map", "Bump Map (NormalMap)"};
const char* const kBlendModeNames[] = {"Translucent", "Additive", "Modulate", "Modulate2"};
const char* const kUnifiedMappingNames[] = {
    "UV", "Z", "X", "Y", "Spherical", "Cylindrical", "Environment", "Projection", "Box", "Face", "None"};
const char* const kWrapModeNames[] = {"Repeat", "Clamp"};

template <size_t N> const char* NameIn(const char* const (&table)[N], int value)
{
    return (value >= 0 && static_cast<size_t>(value) < N) ? table[value] : nullptr;
}

const char* const kTakeNodeMessages[] = {"Take node error"};

// The three component channels of a placement channel.
const char* const kAxisNames[] = {"X", "Y", "Z"};
const float kAxisColors[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

// "TextureTypeUse" for the use codes 0..5 of SetTextureUse.
const ETextureUse6 kTextureUseByCode[] = {eTextureUseColor,     eTextureUseShadowMap,
                                          eTextureUseLightMap,  eTextureUseSphericalReflectionMap,
                                          eTextureUseSphereMap, eTextureUseBumpNormalMap};

// "CurrentMappingType" for the mapping types 0..7; planar (1) is decided by the normal.
const EUnifiedMappingType kUnifiedByMapping[] = {eUMT_None, eUMT_None, eUMT_Spherical, eUMT_Cylindrical,
                                                 eUMT_Box,  eUMT_Face, eUMT_UV,        eUMT_Environment};
// "CurrentMappingType" of a planar mapping for the normals X, Y, Z.
const EUnifiedMappingType kUnifiedByPlanarNormal[] = {eUMT_X, eUMT_Y, eUMT_Z};

KFCurve* MakeAxisCurve(KFCurveNode* parent, const char* name, const float* color, double value)
{
    KFCurveNode* node = parent->AdoptChild(KMade(KFCurveNode::Create(name, nullptr, 0, 0)));
    if (node == nullptr)
    {
        return nullptr;
    }
    KFCurve* curve = KMade(KFCurve::Create());
    node->SetFCurve(curve);
    if (color != nullptr)
    {
        curve->SetColor(color[0], color[1], color[2]);
    }
    curve->SetDefaultValue(static_cast<float>(value));
    return curve;
}

} // namespace

const char* TextureUseName(int value)
{
    return NameIn(kTextureUseNames, value);
}
const char* BlendModeName(int value)
{
    return NameIn(kBlendModeNames, value);
}
const char* UnifiedMappingTypeName(int value)
{
    return NameIn(kUnifiedMappingNames, value);
}
const char* WrapModeName(int value)
{
    return NameIn(kWrapModeNames, value);
}

// ---------------------------------------------------------------------------
// KScnTextureProperties

KCLASSID_DEFINE(KScnTextureProperties, &KScnPropertyHandler::ClassRecord);

KScnTextureProperties::KScnTextureProperties(KScnTexture* owner) : mOwner(owner)
{
    using P = KScnTextureProperties;
    TextureTypeUse.Initialize("TextureTypeUse", this, &P::GetTextureTypeUse, &P::SetTextureTypeUse);
    AddProperty(&TextureTypeUse);
    CurrentTextureBlendMode.Initialize("CurrentTextureBlendMode", this, &P::GetCurrentTextureBlendMode,
                                       &P::SetCurrentTextureBlendMode);
    AddProperty(&CurrentTextureBlendMode);
    UseMaterial.Initialize("UseMaterial", this, &P::GetUseMaterial, &P::SetUseMaterial);
    AddProperty(&UseMaterial);
    UseMipMap.Initialize("UseMipMap", this, &P::GetUseMipMap, &P::SetUseMipMap);
    AddProperty(&UseMipMap);
    CurrentMappingType.Initialize("CurrentMappingType", this, &P::GetCurrentMappingType,
                                  &P::SetCurrentMappingType);
    AddProperty(&CurrentMappingType);
    UVSwap.Initialize("UVSwap", this, &P::GetUVSwap, &P::SetUVSwap);
    AddProperty(&UVSwap);
    WrapModeU.Initialize("WrapModeU", this, &P::GetWrapModeU, &P::SetWrapModeU);
    AddProperty(&WrapModeU);
    WrapModeV.Initialize("WrapModeV", this, &P::GetWrapModeV, &P::SetWrapModeV);
    AddProperty(&WrapModeV);
    TextureRotationPivot.Initialize("TextureRotationPivot", this, &P::GetTextureRotationPivot,
                                    &P::SetTextureRotationPivot);
    AddProperty(&TextureRotationPivot);
    TextureScalingPivot.Initialize("TextureScalingPivot", this, &P::GetTextureScalingPivot,
                                   &P::SetTextureScalingPivot);
    AddProperty(&TextureScalingPivot);

    TextureTypeUse.SetEnumNameFunction(&TextureUseName);
    CurrentTextureBlendMode.SetEnumNameFunction(&BlendModeName);
    CurrentMappingType.SetEnumNameFunction(&UnifiedMappingTypeName);
    WrapModeU.SetEnumNameFunction(&WrapModeName);
    WrapModeV.SetEnumNameFunction(&WrapModeName);

    // The video clip list: sources of this set's class only (plug flag 1 on,
    // 2 and 4 off).
    VideoProperty =
        KPropertyObjectList::Create(this, "VideoProperty", 0, KScnTextureProperties::ClassId, 1, 1u, 0u);

    Translation = MakeDynamic("Translation", "Vector");
    Rotation = MakeDynamic("Rotation", "Vector");
    Scaling = MakeDynamic("Scaling", "Vector");
    TextureAlpha = MakeDynamic("Texture alpha", "Number");
}

KProperty* KScnTextureProperties::MakeDynamic(const char* name, const char* dataTypeName)
{
    KDataType* type = KDataType::FindByName(dataTypeName);
    KProperty* property = CreateDynamicProperty(name, KDataType::ToTypeCode(type), type, true);
    if (property != nullptr)
    {
        property->SetFlagNotify(KProperty::kStateAnimatableUser, true);
    }
    return property;
}

void KScnTextureProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner == nullptr)
    {
        return;
    }
    mOwner->PushPropertyToTakeDefaults(&property);
    // "Texture alpha" is the default of the take's "Alpha" channel (which
    // SetDefaultAlpha sets with it).
    if (&property == TextureAlpha)
    {
        mOwner->PushPropertyToTakeDefaults(&property, "Alpha");
    }
}

KScnTakeNodeContainer* KScnTextureProperties::GetOwner()
{
    return mOwner;
}

bool KScnTextureProperties::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                            KPlug* other, uint32_t type, KPlug* extra)
{
    // Attached to an object (a node, a material, a generic node), the texture
    // joins the scene contents that list that object, one use each;
    // detached, it leaves them with that use.
    if (emitter == this && (code == eDstAdded || code == eDstRemoved))
    {
        KScnSceneContents::OnUseConnection(other, this, code == eDstAdded);
    }
    return HandleConnectionEvent(path, code, emitter, index, other, type, extra);
}

KgeTVector KScnTextureProperties::GetTextureRotationPivot()
{
    return KgeTVector(mRotationPivot.mData[0], mRotationPivot.mData[1], mRotationPivot.mData[2], 1.0);
}

void KScnTextureProperties::SetTextureRotationPivot(KgeTVector value)
{
    for (int i = 0; i < 3; ++i)
    {
        mRotationPivot.mData[i] = value.mData[i];
    }
}

KgeTVector KScnTextureProperties::GetTextureScalingPivot()
{
    return KgeTVector(mScalingPivot.mData[0], mScalingPivot.mData[1], mScalingPivot.mData[2], 1.0);
}

void KScnTextureProperties::SetTextureScalingPivot(KgeTVector value)
{
    for (int i = 0; i < 3; ++i)
    {
        mScalingPivot.mData[i] = value.mData[i];
    }
}

// ---------------------------------------------------------------------------
// KScnTexture

detail::KScnTextureErrorHolder::KScnTextureErrorHolder() : mErrorRecord(kTakeNodeMessages, 1) {}

KScnPropertyHandler* KScnTexture::GetPropertyHandler()
{
    return mProps;
}

KScnTexture::KScnTexture(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord), mTypeName("TextureVideoClip")
{
    mProps = new KScnTextureProperties(this);
    AddDefaultTakeNode();
    Reset();
}

KScnTexture::~KScnTexture()
{
    if (mProps != nullptr)
    {
        mProps->Destroy();
        mProps = nullptr;
    }
}

void KScnTexture::Reset()
{
    for (int& c : mCropping)
    {
        c = 0;
    }
    mRepeat[0] = mRepeat[1] = 1;
    mAlphaSource = 0;
    SetDefaultTranslation(0.0, 0.0, 0.0);
    SetDefaultRotation(0.0, 0.0, 0.0);
    SetDefaultScale(1.0, 1.0, 1.0);
    SetDefaultAlpha(1.0);
    // Stored directly: "CurrentMappingType" keeps "UV".
    mMappingType = eMappingUV;
    mPlanarNormal = ePlanarNormalX;
    mProps->UseMaterial.SetValue(false);
    mProps->UVSwap.SetValue(false);
    mTypeName = "TextureVideoClip";
    mUVScaling = KgeUVVector(1.0, 1.0);
    mUVTranslation = KgeUVVector(0.0, 0.0);
    mProps->TextureTypeUse.SetValue(eTextureUseColor);
    mProps->CurrentTextureBlendMode.SetValue(eBlendAdditive);
    mProps->WrapModeU.SetValue(eWrapRepeat);
    mProps->WrapModeV.SetValue(eWrapRepeat);
}

void KScnTexture::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    struct Channel
    {
        const char* name;
        double value;
    };
    const Channel vectors[] = {{"Translation", 0.0}, {"Rotation", 0.0}, {"Scaling", 1.0}};
    for (const Channel& c : vectors)
    {
        KFCurveNode* node = root->AdoptChild(KMade(KFCurveNode::Create(c.name, nullptr, 0, 0)));
        if (node == nullptr)
        {
            continue;
        }
        for (int k = 0; k < 3; ++k)
        {
            MakeAxisCurve(node, kAxisNames[k], kAxisColors[k], c.value);
        }
    }
    MakeAxisCurve(root, "Alpha", nullptr, 1.0);
}

bool KScnTexture::SetFileName(const char* name)
{
    if (name == nullptr || name[0] == '\0')
    {
        return false;
    }
    mFileName = name;
    KScnVideo* video = FindVideo();
    if (video != nullptr && (video->GetFileName() == nullptr || mFileName != video->GetFileName()))
    {
        video->SetFileName(mFileName.Buffer());
    }
    return true;
}

bool KScnTexture::SetRelativeFileName(const char* name)
{
    if (name == nullptr || name[0] == '\0')
    {
        return false;
    }
    mRelativeFileName = name;
    KScnVideo* video = FindVideo();
    if (video != nullptr && mRelativeFileName != video->GetRelativeFileName())
    {
        video->SetRelativeFileName(mRelativeFileName.Buffer());
    }
    return true;
}

KScnVideo* KScnTexture::FindVideo() const
{
    // The first source of the set, or else of its video list.
    KPlug* source = mProps->GetSrcCount() > 0 ? mProps->GetSrc(0) : nullptr;
    if (source == nullptr && mProps->VideoProperty != nullptr && mProps->VideoProperty->GetSrcCount() > 0)
    {
        source = mProps->VideoProperty->GetSrc(0);
    }
    return KScnVideo::FromPlug(source);
}

void KScnTexture::SetSwapUV(bool swap)
{
    mProps->UVSwap.SetValue(swap);
}

bool KScnTexture::GetSwapUV()
{
    return mProps->UVSwap.GetValue();
}

void KScnTexture::SetCropping(int a, int b, int c, int d)
{
    mCropping[0] = a;
    mCropping[1] = c;
    mCropping[2] = b;
    mCropping[3] = d;
}

void KScnTexture::SetRepeat(int u, int v)
{
    mRepeat[0] = u;
    mRepeat[1] = v;
}

void KScnTexture::SetMappingType(int type)
{
    mMappingType = type;
    if (type == eMappingPlanar)
    {
        ApplyPlanarRule();
        return;
    }
    const bool known =
        type >= 0 && type < static_cast<int>(sizeof(kUnifiedByMapping) / sizeof(kUnifiedByMapping[0]));
    mProps->CurrentMappingType.SetValue(known ? kUnifiedByMapping[type] : eUMT_None);
}

void KScnTexture::SetPlanarMappingNormal(int axis)
{
    mPlanarNormal = axis;
    if (mMappingType == eMappingPlanar)
    {
        ApplyPlanarRule();
    }
}

void KScnTexture::ApplyPlanarRule()
{
    // An unknown axis leaves the shown mapping as it was.
    if (mPlanarNormal >= ePlanarNormalX && mPlanarNormal <= ePlanarNormalZ)
    {
        mProps->CurrentMappingType.SetValue(kUnifiedByPlanarNormal[mPlanarNormal]);
    }
}

void KScnTexture::SetMaterialMode(int mode)
{
    mProps->UseMaterial.SetValue(mode == 0);
}

void KScnTexture::SetTextureUse(int use)
{
    const bool known =
        use >= 0 && use < static_cast<int>(sizeof(kTextureUseByCode) / sizeof(kTextureUseByCode[0]));
    mProps->TextureTypeUse.SetValue(known ? kTextureUseByCode[use] : eTextureUseColor);
}

ETextureUse6 KScnTexture::GetTextureUse()
{
    return mProps->TextureTypeUse.GetValue();
}

void KScnTexture::SetWrapMode(EWrapMode u, EWrapMode v)
{
    mProps->WrapModeU.SetValue(u);
    mProps->WrapModeV.SetValue(v);
}

EWrapMode KScnTexture::GetWrapModeU()
{
    return mProps->WrapModeU.GetValue();
}

EWrapMode KScnTexture::GetWrapModeV()
{
    return mProps->WrapModeV.GetValue();
}

void KScnTexture::SetBlendMode(EBlendMode mode)
{
    mProps->CurrentTextureBlendMode.SetValue(mode);
}

EBlendMode KScnTexture::GetBlendMode()
{
    return mProps->CurrentTextureBlendMode.GetValue();
}

void KScnTexture::SetChannelDefaults(const char* channel, const double* xyz, KProperty* mirror)
{
    SetAxisCurveDefaults(channel, xyz[0], xyz[1], xyz[2]);
    if (mirror != nullptr)
    {
        const double value[4] = {xyz[0], xyz[1], xyz[2], 1.0};
        mirror->SetFromDoubles(value);
    }
}

void KScnTexture::SetDefaultTranslation(double x, double y, double z)
{
    const double v[3] = {x, y, z};
    SetChannelDefaults("Translation", v, mProps->Translation);
}

void KScnTexture::SetDefaultRotation(double x, double y, double z)
{
    const double v[3] = {x, y, z};
    SetChannelDefaults("Rotation", v, mProps->Rotation);
}

void KScnTexture::SetDefaultScale(double x, double y, double z)
{
    const double v[3] = {x, y, z};
    SetChannelDefaults("Scaling", v, mProps->Scaling);
}

void KScnTexture::SetDefaultAlpha(double alpha)
{
    if (KScnTakeNodeEntry* take = GetDefaultTakeNode())
    {
        const KScnTakeNodeEntry::EditScope scope(*take);
        if (KFCurve* curve = take->GetAlphaCurve())
        {
            curve->SetDefaultValue(static_cast<float>(alpha));
        }
    }
    if (mProps->TextureAlpha != nullptr)
    {
        mProps->TextureAlpha->SetDouble(alpha);
    }
}

void KScnTexture::GetDefaultTranslation(double& x, double& y, double& z) const
{
    GetAxisCurveDefaults("Translation", x, y, z);
}

void KScnTexture::GetDefaultRotation(double& x, double& y, double& z) const
{
    GetAxisCurveDefaults("Rotation", x, y, z);
}

void KScnTexture::GetDefaultScale(double& x, double& y, double& z) const
{
    GetAxisCurveDefaults("Scaling", x, y, z);
}

double KScnTexture::GetDefaultAlpha() const
{
    return mProps->TextureAlpha != nullptr ? mProps->TextureAlpha->GetDouble() : 1.0;
}

KString KScnTexture::StripTrailingDigits(const char* name)
{
    KString text(name != nullptr ? name : "");
    size_t n = std::strlen(text.Buffer());
    while (n > 0)
    {
        const unsigned char c = static_cast<unsigned char>(text.Buffer()[n - 1]);
        if (!std::isdigit(c) && !std::isspace(c))
        {
            break;
        }
        --n;
    }
    return KString(std::string(text.Buffer(), n).c_str());
}

bool KScnTexture::IsDuplicateOf(KScnTexture* other)
{
    if (other == nullptr)
    {
        return false;
    }
    if (other == this)
    {
        return true;
    }
    if (StripTrailingDigits(GetName()).Compare(StripTrailingDigits(other->GetName())) != 0)
    {
        return false;
    }
    double a[3], b[3];
    GetDefaultTranslation(a[0], a[1], a[2]);
    other->GetDefaultTranslation(b[0], b[1], b[2]);
    if (a[0] != b[0] || a[1] != b[1])
    {
        return false;
    }
    GetDefaultRotation(a[0], a[1], a[2]);
    other->GetDefaultRotation(b[0], b[1], b[2]);
    if (a[0] != b[0] || a[1] != b[1] || a[2] != b[2])
    {
        return false;
    }
    GetDefaultScale(a[0], a[1], a[2]);
    other->GetDefaultScale(b[0], b[1], b[2]);
    if (a[0] != b[0] || a[1] != b[1] || GetDefaultAlpha() != other->GetDefaultAlpha())
    {
        return false;
    }
    if (std::memcmp(mRepeat, other->mRepeat, sizeof(mRepeat)) != 0 ||
        std::memcmp(mCropping, other->mCropping, sizeof(mCropping)) != 0 ||
        mAlphaSource != other->mAlphaSource || mMappingType != other->mMappingType ||
        mPlanarNormal != other->mPlanarNormal)
    {
        return false;
    }
    KScnTextureProperties& p = *mProps;
    KScnTextureProperties& q = *other->mProps;
    if (p.UseMaterial.GetValue() != q.UseMaterial.GetValue() ||
        p.TextureTypeUse.GetValue() != q.TextureTypeUse.GetValue() ||
        p.UVSwap.GetValue() != q.UVSwap.GetValue())
    {
        return false;
    }
    // Textures that blend or wrap differently draw differently: never merged.
    if (p.CurrentTextureBlendMode.GetValue() != q.CurrentTextureBlendMode.GetValue() ||
        p.WrapModeU.GetValue() != q.WrapModeU.GetValue() || p.WrapModeV.GetValue() != q.WrapModeV.GetValue())
    {
        return false;
    }
    return mFileName == other->mFileName && mMediaName == other->mMediaName &&
           mTypeName == other->mTypeName && mUVScaling == other->mUVScaling &&
           mUVTranslation == other->mUVTranslation;
}

} // namespace scenesdk
