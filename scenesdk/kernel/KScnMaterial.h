#pragma once

// KScnMaterial: a surface material: four colours (emissive, ambient,
// diffuse, specular), opacity, reflectivity and shininess, a shading-model
// name and a multi-layer flag.
//
// The seven values are properties of its property set KScnMaterialProperties
// and, at the same time, the default values of the curves of the default take
// "Default": each curve is linked back to its property, so writing either
// side updates the other. The game reads them from the default take. Curve
// values are single-precision, so a value read back from the take is the
// nearest float of what was written.
//
// Shininess is kept on two scales: the take's "Shininess" curve holds the
// specular exponent 0..128; the default-take accessors speak 0..1.
//
// Ownership: the material owns its property set. Materials are made and
// destroyed by the SDK manager; they are named "Material::" + name by it.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"
#include "scenesdk/kernel/KgeRGBVector.h"

namespace scenesdk
{

class KScnMaterial;

class KScnMaterialProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnMaterialProperties)

public:
    explicit KScnMaterialProperties(KScnMaterial* owner);

    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;
    KScnMaterial* GetMaterial() const { return mOwner; }
    // Whether the value of one of the seven properties was written after
    // the set was made (by a reader, a setter, the property or the default
    // take's curve): false while it holds the default, and for any other
    // property.
    bool IsWritten(const KProperty& property) const { return (mWritten & WrittenBit(property)) != 0; }

protected:
    // Every value written into an animatable property reaches the takes.
    bool PushesEveryWrite() const override { return true; }

public:
    // Connected to a node of a scene (this set a source of the node's), the
    // material joins that scene's contents unless a material of its name is
    // listed there. The event then goes on to KObject's handling, whose
    // result is returned.
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;

    // Accessors bound to the member properties. Colours: red, green, blue
    // (the fourth component reads 1). Each setter stores the value and hands
    // the property to the material's takes.
    virtual KgeRGBVector GetEmissive() { return mEmissive; }
    virtual void SetEmissive(KgeRGBVector value);
    virtual KgeRGBVector GetAmbient() { return mAmbient; }
    virtual void SetAmbient(KgeRGBVector value);
    virtual KgeRGBVector GetDiffuse() { return mDiffuse; }
    virtual void SetDiffuse(KgeRGBVector value);
    virtual KgeRGBVector GetSpecular() { return mSpecular; }
    virtual void SetSpecular(KgeRGBVector value);
    virtual double GetOpacity() { return mOpacity; }
    virtual void SetOpacity(double value);
    virtual double GetReflectivity() { return mReflectivity; }
    virtual void SetReflectivity(double value);
    virtual double GetShininess() { return mShininess; }
    virtual void SetShininess(double value);

    KPropertyTemplate<KgeRGBVector> Emissive;
    KPropertyTemplate<KgeRGBVector> Ambient;
    KPropertyTemplate<KgeRGBVector> Diffuse;
    KPropertyTemplate<KgeRGBVector> Specular;
    KPropertyTemplate<double> Opacity;
    KPropertyTemplate<double> Reflectivity;
    KPropertyTemplate<double> Shininess;

protected:
    ~KScnMaterialProperties() override = default;

private:
    void StoreColor(KgeRGBVector& field, const KgeRGBVector& value, KProperty& property);
    void StoreScalar(double& field, double value, KProperty& property);
    // The bit of mWritten that stands for the property; 0 for another.
    unsigned WrittenBit(const KProperty& property) const;

    KgeRGBVector mEmissive;
    KgeRGBVector mAmbient;
    KgeRGBVector mDiffuse;
    KgeRGBVector mSpecular;
    double mOpacity = 0.0;
    double mReflectivity = 0.0;
    double mShininess = 0.0;
    unsigned mWritten = 0; // one bit per value, in property order
    KScnMaterial* mOwner;
};

namespace detail
{
// Gives the material's error record a life before the take container that
// writes into it.
struct KScnMaterialErrorHolder
{
    KScnMaterialErrorHolder();
    KErrorRecord mErrorRecord;
};
} // namespace detail

class KScnMaterial : private detail::KScnMaterialErrorHolder, public KScnTakeNodeContainer
{
public:
    // name is the full object name ("Material::" + name, given by the
    // manager); manager may be null for a free material.
    KScnMaterial(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnMaterial() override;
    friend class KScnSdkManager;

public:
    int GetObjectKind() const override { return eKindMaterial; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProps; }
    KScnMaterialProperties* GetMaterialProperties() const { return mProps; }
    // "Emissive", "Ambient", "Diffuse", "Specular" (each with "X", "Y", "Z"),
    // then "Opacity", "Reflectivity" and "Shininess", linked to the properties.
    // Built when the default take is first needed (see
    // AddDeferredDefaultTakeNode).
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;
    // Materials have no type names: always empty.
    KStringList GetTypeNameList() const override { return KStringList(); }
    KErrorRecord& GetError() { return mErrorRecord; }

private:
    // Makes the channels' properties animatable (what building the channels does to them).
    void MarkChannelProperties();
    // What the destructor does, also for a constructor stopped part-way.
    void TearDown();

public:
    const char* GetShadingModel() const { return mShadingModel.Buffer(); }
    void SetShadingModel(const char* model) { mShadingModel = model != nullptr ? model : ""; }
    bool GetMultiLayer() const { return mMultiLayer; }
    void SetMultiLayer(bool on) { mMultiLayer = on; }

    // ---- Default-take values ----
    void SetDefaultEmissive(double r, double g, double b);
    void SetDefaultAmbient(double r, double g, double b);
    void SetDefaultDiffuse(double r, double g, double b);
    void SetDefaultSpecular(double r, double g, double b);
    // Each component 0 when its curve is missing.
    void GetDefaultEmissive(double& r, double& g, double& b) const;
    void GetDefaultAmbient(double& r, double& g, double& b) const;
    void GetDefaultDiffuse(double& r, double& g, double& b) const;
    void GetDefaultSpecular(double& r, double& g, double& b) const;
    // Clamped to 0..1 (NaN gives 0).
    void SetDefaultOpacity(double value);
    void SetDefaultReflectivity(double value);
    double GetDefaultOpacity() const;
    double GetDefaultReflectivity() const;
    // value 0..1 (clamped) is stored as the exponent value * 128.
    void SetDefaultShininess(double value);
    // The exponent / 128, clamped to 0..1.
    double GetDefaultShininess() const;

    // ---- Colour accessors (red, green, blue of the default take; alpha 1) ----
    void SetEmissive(const KColorRGBA& c) { SetDefaultEmissive(c.mRed, c.mGreen, c.mBlue); }
    void SetAmbient(const KColorRGBA& c) { SetDefaultAmbient(c.mRed, c.mGreen, c.mBlue); }
    void SetDiffuse(const KColorRGBA& c) { SetDefaultDiffuse(c.mRed, c.mGreen, c.mBlue); }
    void SetSpecular(const KColorRGBA& c) { SetDefaultSpecular(c.mRed, c.mGreen, c.mBlue); }
    KColorRGBA GetEmissive() const;
    KColorRGBA GetAmbient() const;
    KColorRGBA GetDiffuse() const;
    KColorRGBA GetSpecular() const;
    void SetOpacity(double value) { SetDefaultOpacity(value); }
    void SetShininess(double value) { SetDefaultShininess(value); }

    // True when the names are equal (case-sensitive), the default-take values
    // are equal component by component and the shading models are equal
    // ignoring case. A material is a duplicate of itself.
    bool IsDuplicateOf(KScnMaterial* other);

private:
    void SetScalarCurve(const char* channel, double value);
    double GetScalarCurve(const char* channel) const;
    KColorRGBA ColorOf(const char* channel) const;

    KScnMaterialProperties* mProps = nullptr;
    KString mShadingModel;
    bool mMultiLayer = false;
};

} // namespace scenesdk
