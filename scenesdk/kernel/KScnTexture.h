#pragma once

// KScnTexture: one texture used by materials and meshes: its image file
// (file name and relative file name), how it is mapped and blended, its
// placement on the surface (translation, rotation, scaling and alpha, kept
// in the curves of the default take "Default") and an optional video clip.
//
// KScnTextureProperties: the texture's property set. Its member properties
// ("TextureTypeUse" ... "WrapModeV", the two pivots) are bound to getters and
// setters of the set, which keep the values in the set's fields; the file
// reader and writer address them by name. "VideoProperty" is an object list
// of the video clip; "Translation", "Rotation", "Scaling" and "Texture
// alpha" are animatable dynamic properties that mirror the default take.
//
// Ownership: the texture owns its property set (created and destroyed with
// it) and its error record. Textures are made and destroyed by the SDK
// manager; they are named "Texture::" + name by it.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KPropertyObjectList;
class KScnTexture;
class KScnTextureProperties;
class KScnVideo;

namespace detail
{
// Gives the texture's error record a life before the take container that
// writes into it.
struct KScnTextureErrorHolder
{
    KScnTextureErrorHolder();
    KErrorRecord mErrorRecord;
};
} // namespace detail

class KScnTexture : private detail::KScnTextureErrorHolder, public KScnTakeNodeContainer
{
public:
    // What a texture is used for ("TextureTypeUse").
    enum ETextureUse6
    {
        eTextureUseColor = 0,
        eTextureUseSphericalReflectionMap = 1,
        eTextureUseSphereMap = 2,
        eTextureUseShadowMap = 3,
        eTextureUseLightMap = 4,
        eTextureUseBumpNormalMap = 5
    };

    // How the texture combines with what lies below ("CurrentTextureBlendMode").
    enum EBlendMode
    {
        eBlendTranslucent = 0,
        eBlendAdditive = 1,
        eBlendModulate = 2,
        eBlendModulate2 = 3
    };

    // The mapping as the property set shows it ("CurrentMappingType").
    enum EUnifiedMappingType
    {
        eUMT_UV = 0,
        eUMT_Z = 1,
        eUMT_X = 2,
        eUMT_Y = 3,
        eUMT_Spherical = 4,
        eUMT_Cylindrical = 5,
        eUMT_Environment = 6,
        eUMT_Projection = 7,
        eUMT_Box = 8,
        eUMT_Face = 9,
        eUMT_None = 10
    };

    // Texture coordinates outside 0..1 ("WrapModeU", "WrapModeV").
    enum EWrapMode
    {
        eWrapRepeat = 0,
        eWrapClamp = 1
    };

    // The mapping stored in the texture itself.
    enum EMappingType
    {
        eMappingNull = 0,
        eMappingPlanar = 1,
        eMappingSpherical = 2,
        eMappingCylindrical = 3,
        eMappingBox = 4,
        eMappingFace = 5,
        eMappingUV = 6,
        eMappingEnvironment = 7
    };
    // Axis of the planar mapping's normal.
    enum EPlanarMappingNormal
    {
        ePlanarNormalX = 0,
        ePlanarNormalY = 1,
        ePlanarNormalZ = 2
    };

    // name is the full object name ("Texture::" + name, given by the
    // manager); manager may be null for a free texture.
    KScnTexture(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnTexture() override;
    friend class KScnSdkManager;

public:
    int GetObjectKind() const override { return eKindTexture; }
    KScnPropertyHandler* GetPropertyHandler() override;
    KScnTextureProperties* GetTextureProperties() const { return mProps; }
    // Builds "Translation", "Rotation", "Scaling" (each with "X", "Y", "Z")
    // and "Alpha" in the first take.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    KString GetTypeName() const override { return mTypeName; }
    // Textures have no further type names: always empty.
    KStringList GetTypeNameList() const override { return KStringList(); }

    // ---- File names ----
    // Never null. The setters refuse a null or empty text (false, nothing
    // changed); otherwise the name is stored.
    const char* GetFileName() const { return mFileName.Buffer(); }
    const char* GetRelativeFileName() const { return mRelativeFileName.Buffer(); }
    bool SetFileName(const char* name);
    bool SetRelativeFileName(const char* name);
    // The video feeding this texture: the owner of the first source of its
    // property set (or of "VideoProperty"); null without one. The two setters
    // above pass a changed name on to it.
    KScnVideo* FindVideo() const;
    const char* GetMediaName() const { return mMediaName.Buffer(); }
    void SetMediaName(const char* name) { mMediaName = name != nullptr ? name : ""; }

    // ---- Mapping and blending ----
    void SetSwapUV(bool swap);
    bool GetSwapUV();
    void SetAlphaSource(int source) { mAlphaSource = source; }
    int GetAlphaSource() const { return mAlphaSource; }
    // Stored in field order a, c, b, d.
    void SetCropping(int a, int b, int c, int d);
    // Cropping field i (0..3); 0 outside.
    int GetCroppingField(int i) const { return (i >= 0 && i < 4) ? mCropping[i] : 0; }
    // Stores the type (EMappingType) and shows it in "CurrentMappingType".
    void SetMappingType(int type);
    int GetMappingType() const { return mMappingType; }
    // Stores the axis; re-applies the planar rule while the mapping is planar.
    void SetPlanarMappingNormal(int axis);
    int GetPlanarMappingNormal() const { return mPlanarNormal; }
    // "UseMaterial" is set when mode is 0.
    void SetMaterialMode(int mode);
    // use 1..5: shadow, light, spherical reflection, sphere, bump map; anything else: colour.
    void SetTextureUse(int use);
    ETextureUse6 GetTextureUse();
    void SetWrapMode(EWrapMode u, EWrapMode v);
    EWrapMode GetWrapModeU();
    EWrapMode GetWrapModeV();
    void SetBlendMode(EBlendMode mode);
    EBlendMode GetBlendMode();

    // ---- Placement in the default take ----
    // Each sets the channel's "X", "Y", "Z" curve defaults (single precision)
    // and the dynamic property of the same name to (x, y, z, 1).
    void SetDefaultTranslation(double x, double y, double z);
    void SetDefaultRotation(double x, double y, double z);
    void SetDefaultScale(double x, double y, double z);
    // The "Alpha" curve default and the "Texture alpha" property.
    void SetDefaultAlpha(double alpha);
    // Read the curve defaults (0 for a missing curve).
    void GetDefaultTranslation(double& x, double& y, double& z) const;
    void GetDefaultRotation(double& x, double& y, double& z) const;
    void GetDefaultScale(double& x, double& y, double& z) const;
    // The "Texture alpha" property.
    double GetDefaultAlpha() const;
    void SetTranslation(double u, double v) { SetDefaultTranslation(u, v, 0.0); }
    void SetRotation(double u, double v, double w) { SetDefaultRotation(u, v, w); }
    void SetScale(double u, double v) { SetDefaultScale(u, v, 1.0); }

    void SetUVTranslation(const KgeUVVector& t) { mUVTranslation = t; }
    const KgeUVVector& GetUVTranslation() const { return mUVTranslation; }
    void SetUVScaling(const KgeUVVector& s) { mUVScaling = s; }
    const KgeUVVector& GetUVScaling() const { return mUVScaling; }

    // The two words ahead of the cropping: texture repeat counts in U and V
    // (1 after reset). Only compared by IsDuplicateOf.
    void SetRepeat(int u, int v);
    int GetRepeatU() const { return mRepeat[0]; }
    int GetRepeatV() const { return mRepeat[1]; }

    // True when other is the same texture read twice: names equal once
    // trailing digits and white space are stripped, and every setting equal
    // (see the source for the list).
    bool IsDuplicateOf(KScnTexture* other);

    // The name with its trailing digits and white space removed.
    static KString StripTrailingDigits(const char* name);
    // The texture's own error record (take-node messages: a failed take
    // selection), so that textures of managers on different threads never
    // write one record.
    KErrorRecord& GetError() { return mErrorRecord; }
    const KErrorRecord& GetError() const { return mErrorRecord; }

private:
    void Reset();
    void ApplyPlanarRule();
    void SetChannelDefaults(const char* channel, const double* xyz, KProperty* mirror);

    int mRepeat[2] = {1, 1};
    int mCropping[4] = {0, 0, 0, 0};
    int mAlphaSource = 0;
    int mMappingType = eMappingUV;
    int mPlanarNormal = ePlanarNormalX;
    KString mFileName;
    KString mRelativeFileName;
    KString mMediaName;
    KString mTypeName;
    KgeUVVector mUVScaling{1.0, 1.0};
    KgeUVVector mUVTranslation{0.0, 0.0};
    KScnTextureProperties* mProps = nullptr;
};

// The texture's enumerations under their namespace-level names, as callers
// outside the class have long used them.
using ETextureUse6 = KScnTexture::ETextureUse6;
constexpr ETextureUse6 eTextureUseColor = KScnTexture::eTextureUseColor;
constexpr ETextureUse6 eTextureUseSphericalReflectionMap = KScnTexture::eTextureUseSphericalReflectionMap;
constexpr ETextureUse6 eTextureUseSphereMap = KScnTexture::eTextureUseSphereMap;
constexpr ETextureUse6 eTextureUseShadowMap = KScnTexture::eTextureUseShadowMap;
constexpr ETextureUse6 eTextureUseLightMap = KScnTexture::eTextureUseLightMap;
constexpr ETextureUse6 eTextureUseBumpNormalMap = KScnTexture::eTextureUseBumpNormalMap;
using EBlendMode = KScnTexture::EBlendMode;
constexpr EBlendMode eBlendTranslucent = KScnTexture::eBlendTranslucent;
constexpr EBlendMode eBlendAdditive = KScnTexture::eBlendAdditive;
constexpr EBlendMode eBlendModulate = KScnTexture::eBlendModulate;
constexpr EBlendMode eBlendModulate2 = KScnTexture::eBlendModulate2;
using EUnifiedMappingType = KScnTexture::EUnifiedMappingType;
constexpr EUnifiedMappingType eUMT_UV = KScnTexture::eUMT_UV;
constexpr EUnifiedMappingType eUMT_Z = KScnTexture::eUMT_Z;
constexpr EUnifiedMappingType eUMT_X = KScnTexture::eUMT_X;
constexpr EUnifiedMappingType eUMT_Y = KScnTexture::eUMT_Y;
constexpr EUnifiedMappingType eUMT_Spherical = KScnTexture::eUMT_Spherical;
constexpr EUnifiedMappingType eUMT_Cylindrical = KScnTexture::eUMT_Cylindrical;
constexpr EUnifiedMappingType eUMT_Environment = KScnTexture::eUMT_Environment;
constexpr EUnifiedMappingType eUMT_Projection = KScnTexture::eUMT_Projection;
constexpr EUnifiedMappingType eUMT_Box = KScnTexture::eUMT_Box;
constexpr EUnifiedMappingType eUMT_Face = KScnTexture::eUMT_Face;
constexpr EUnifiedMappingType eUMT_None = KScnTexture::eUMT_None;
using EWrapMode = KScnTexture::EWrapMode;
constexpr EWrapMode eWrapRepeat = KScnTexture::eWrapRepeat;
constexpr EWrapMode eWrapClamp = KScnTexture::eWrapClamp;

// Names of the texture's enumerators; null for a value without a name.
const char* TextureUseName(int value);
const char* BlendModeName(int value);
const char* UnifiedMappingTypeName(int value);
const char* WrapModeName(int value);

class KScnTextureProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnTextureProperties)

public:
    explicit KScnTextureProperties(KScnTexture* owner);

    // To the channel of the property's name; "Texture alpha" to "Alpha" too.
    void PushPropertyToTakes(KProperty& property) override;
    void PreparePushToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;
    KScnTexture* GetTexture() const { return mOwner; }

protected:
    // Every value written into an animatable property reaches the takes.
    bool PushesEveryWrite() const override { return true; }

public:
    // Connected to a node of a scene (this set a source of the node's), the
    // texture joins that scene's contents unless a texture of its name is
    // listed there. The event then goes on to KObject's handling, whose
    // result is returned.
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;

    // Accessors bound to the member properties. Vector setters keep the
    // stored fourth component; vector getters answer (x, y, z, 1).
    virtual ETextureUse6 GetTextureTypeUse() { return mTextureTypeUse; }
    virtual void SetTextureTypeUse(ETextureUse6 value) { mTextureTypeUse = value; }
    virtual EBlendMode GetCurrentTextureBlendMode() { return mBlendMode; }
    virtual void SetCurrentTextureBlendMode(EBlendMode value) { mBlendMode = value; }
    virtual bool GetUseMaterial() { return mUseMaterial; }
    virtual void SetUseMaterial(bool value) { mUseMaterial = value; }
    virtual bool GetUseMipMap() { return mUseMipMap; }
    virtual void SetUseMipMap(bool value) { mUseMipMap = value; }
    virtual EUnifiedMappingType GetCurrentMappingType() { return mMappingType; }
    virtual void SetCurrentMappingType(EUnifiedMappingType value) { mMappingType = value; }
    virtual bool GetUVSwap() { return mUVSwap; }
    virtual void SetUVSwap(bool value) { mUVSwap = value; }
    virtual EWrapMode GetWrapModeU() { return mWrapU; }
    virtual void SetWrapModeU(EWrapMode value) { mWrapU = value; }
    virtual EWrapMode GetWrapModeV() { return mWrapV; }
    virtual void SetWrapModeV(EWrapMode value) { mWrapV = value; }
    virtual KgeTVector GetTextureRotationPivot();
    virtual void SetTextureRotationPivot(KgeTVector value);
    virtual KgeTVector GetTextureScalingPivot();
    virtual void SetTextureScalingPivot(KgeTVector value);

    KPropertyTemplate<ETextureUse6> TextureTypeUse;
    KPropertyTemplate<EBlendMode> CurrentTextureBlendMode;
    KPropertyTemplate<bool> UseMaterial;
    KPropertyTemplate<bool> UseMipMap;
    KPropertyTemplate<EUnifiedMappingType> CurrentMappingType;
    KPropertyTemplate<bool> UVSwap;
    KPropertyTemplate<EWrapMode> WrapModeU;
    KPropertyTemplate<EWrapMode> WrapModeV;
    KPropertyTemplate<KgeTVector> TextureRotationPivot;
    KPropertyTemplate<KgeTVector> TextureScalingPivot;
    // Owned by the set's property list; null only if the list refused it.
    KPropertyObjectList* VideoProperty = nullptr;

    // The animatable dynamic properties (owned by the set's property list).
    KProperty* Translation = nullptr;
    KProperty* Rotation = nullptr;
    KProperty* Scaling = nullptr;
    KProperty* TextureAlpha = nullptr;

protected:
    ~KScnTextureProperties() override = default;

private:
    KProperty* MakeDynamic(const char* name, const char* dataTypeName);

    KScnTexture* mOwner;
    ETextureUse6 mTextureTypeUse = eTextureUseColor;
    EBlendMode mBlendMode = eBlendTranslucent;
    bool mUseMaterial = false;
    bool mUseMipMap = false;
    EUnifiedMappingType mMappingType = eUMT_UV;
    bool mUVSwap = false;
    EWrapMode mWrapU = eWrapRepeat;
    EWrapMode mWrapV = eWrapRepeat;
    KgeTVector mRotationPivot{0.0, 0.0, 0.0, 1.0};
    KgeTVector mScalingPivot{0.0, 0.0, 0.0, 1.0};
};

} // namespace scenesdk
