#pragma once

// KScnLight: the attribute of a light node (kind 9): a point, infinite
// (directional) or spot light. Colour, intensity, cone angle and fog are
// animated: attaching the light to a node gives every take of the node the
// channels "Color" (X, Y, Z), "Intensity", "Cone angle" and "Fog", and the
// curves of the default take feed the light's properties.
//
// Ownership: the attribute owns its property set and the gobo file name.
// Destroying a light that is still on a node first takes it off the node.

#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"

namespace scenesdk
{

class KFCurve;
class KPropertyObjectList;
class KScnLightProperties;
class KScnSdkManager;

class KScnLight : public KScnNodeAttribute
{
public:
    enum ELightType
    {
        ePoint = 0,
        eInfinite = 1,
        eSpot = 2
    };
    // "Point Light", "Infinite Light", "Spot Light"; null for other values.
    static const char* GetLightTypeName(int value);

    explicit KScnLight(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnLight() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eLight; }
    void AddChannels(KScnTakeNodeEntry* take) override;
    void RemoveChannels(KScnTakeNodeEntry* take) override;
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    KObject* GetHandlerPropertySet() const override;
    KString GetTypeName() const override { return KString("Light"); }
    KStringList GetTypeNameList() const override;

    void SetLightType(ELightType type);
    ELightType GetLightType();
    void SetCastLight(bool cast);
    bool GetCastLight();
    void SetDrawGroundProjection(bool draw);
    bool GetDrawGroundProjection();
    void SetDrawVolumetricLight(bool draw);
    bool GetDrawVolumetricLight();
    void SetDrawFrontFacingVolumetricLight(bool draw);
    bool GetDrawFrontFacingVolumetricLight();

    // On an attached light these also set the default value of the default
    // take's curves (single precision); the property is written in any case.
    // No clamping. The colour's alpha is not kept. Memory running out (the
    // default take's tree made its own) throws std::bad_alloc with the
    // curves and the property as they were.
    void SetColor(const KColorRGBA& color);
    KColorRGBA GetColor();
    void SetIntensity(double intensity);
    double GetIntensity();
    void SetConeAngle(double angle);
    double GetConeAngle();
    void SetFog(double fog);
    double GetFog();

    // The gobo's file name; always true. GetFileName is null while empty.
    bool SetFileName(const char* name);
    const char* GetFileName() const;

    KScnLightProperties* GetProperties() const { return mProperties; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    // The default take's curve to write (KScnTakeNodeEntry::FindCurveToWrite);
    // null when detached or when the take has none.
    KFCurve* DefaultCurve(const char* parent, const char* name);
    // Sets the default value of one curve of the default take when attached.
    void SetDefaultCurveValue(const char* parent, const char* name, double value);

    KScnSdkManager* mManager;
    KScnLightProperties* mProperties;
    KString mFileName;
};

// The light's values. Plain stores: nothing is clamped here.
class KScnLightProperties : public KObject
{
    KCLASSID_DECLARE(KScnLightProperties)

public:
    KScnLightProperties();

    virtual void SetLightType(KScnLight::ELightType value) { mLightType = value; }
    virtual KScnLight::ELightType GetLightType() { return mLightType; }
    virtual void SetCastLightOnObject(bool value) { mCastLight = value; }
    virtual bool GetCastLightOnObject() { return mCastLight; }
    virtual void SetDrawVolumetricLight(bool value) { mDrawVolumetric = value; }
    virtual bool GetDrawVolumetricLight() { return mDrawVolumetric; }
    virtual void SetDrawGroundProjection(bool value) { mDrawGround = value; }
    virtual bool GetDrawGroundProjection() { return mDrawGround; }
    virtual void SetDrawFrontFacingVolumetricLight(bool value) { mDrawFrontFacing = value; }
    virtual bool GetDrawFrontFacingVolumetricLight() { return mDrawFrontFacing; }

    // The gobo list's object at an index (null / false out of range).
    KObject* GetGoboObject(int index);
    bool SetGoboObject(int index, KObject* object);

    KPropertyTemplate<KScnLight::ELightType> LightType;
    KPropertyTemplate<bool> CastLightOnObject;
    KPropertyTemplate<bool> DrawVolumetricLight;
    KPropertyTemplate<bool> DrawGroundProjection;
    KPropertyTemplate<bool> DrawFrontFacingVolumetricLight;
    // Owned by this set's property list (dynamic properties).
    KPropertyObjectList* GoboProperty = nullptr;
    KProperty* Color = nullptr;
    KProperty* Intensity = nullptr;
    KProperty* ConeAngle = nullptr;
    KProperty* Fog = nullptr;

protected:
    ~KScnLightProperties() override = default;

private:
    // A dynamic, animatable property typed by the named data type (state flag 8).
    KProperty* CreateAnimatedChannel(const char* name, const char* dataTypeName);

    KScnLight::ELightType mLightType = KScnLight::ePoint;
    bool mCastLight = false;
    bool mDrawVolumetric = false;
    bool mDrawGround = false;
    bool mDrawFrontFacing = false;
};

} // namespace scenesdk
