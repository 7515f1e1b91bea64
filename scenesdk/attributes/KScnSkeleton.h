#pragma once

// KScnSkeleton: the attribute of a skeleton node (kind 3): a root, a limb, a
// limb node or an effector. It has no animated channels.
//
// "Color" carries state flag 16 while the kind is neither Limb nor LimbNode
// (the colour is then not the limb's own).
//
// Ownership: the attribute owns its property set. Destroying an attribute
// that is still on a node first takes it off the node.

#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KgeRGBVector.h"

namespace scenesdk
{

class KScnSdkManager;

// The skeleton's values. Plain stores: nothing is clamped here.
class KScnSkeletonProperties : public KObject
{
    KCLASSID_DECLARE(KScnSkeletonProperties)

public:
    KScnSkeletonProperties();

    virtual void SetSize(double value) { mSize = value; }
    virtual double GetSize() { return mSize; }
    virtual void SetLimbLength(double value) { mLimbLength = value; }
    virtual double GetLimbLength() { return mLimbLength; }
    virtual void SetColor(KgeRGBVector value) { mColor = value; }
    virtual KgeRGBVector GetColor() { return mColor; }

    KPropertyTemplate<double> Size;
    KPropertyTemplate<double> LimbLength;
    KPropertyTemplate<KgeRGBVector> Color;

protected:
    ~KScnSkeletonProperties() override = default;

private:
    double mSize = 0.0;
    double mLimbLength = 0.0;
    KgeRGBVector mColor{0.0, 0.0, 0.0, 1.0};
};

class KScnSkeleton : public KScnNodeAttribute
{
public:
    enum ESkeletonKind
    {
        eRoot = 0,
        eLimb = 1,
        eLimbNode = 2,
        eEffector = 3
    };
    static constexpr uint32_t kColorNotLimbState = 16;

    explicit KScnSkeleton(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnSkeleton() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return eSkeleton; }
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    KObject* GetHandlerPropertySet() const override;
    // 0 "Root", 1 "Limb", 2 "LimbNode", 3 "Root"; empty for any other kind.
    KString GetTypeName() const override;
    // Root and Effector: "Null", "Skeleton", "Root"; Limb and LimbNode:
    // "Skeleton"; any other kind: empty.
    KStringList GetTypeNameList() const override;

    // A Root of size 100, limb length 1, grey (0.8) and nothing set.
    void Reset();

    void SetSkeletonKind(ESkeletonKind kind);
    ESkeletonKind GetSkeletonKind() const { return static_cast<ESkeletonKind>(mSkeletonKind); }
    // Only for a Limb; false and nothing changed otherwise.
    bool SetLimbLength(double length);
    double GetLimbLength() { return mProperties->LimbLength.GetValue(); }
    void SetSize(double size);
    double GetSize() { return mProperties->Size.GetValue(); }
    // Only for a Limb or LimbNode (red, green, blue stored); false otherwise.
    bool SetLimbColor(const KColorRGBA& color);
    // The stored colour with alpha 1.0.
    KColorRGBA GetLimbColor();

    bool IsLimbLengthSet() const { return mLimbLengthSet; }
    bool IsSizeSet() const { return mSizeSet; }
    bool IsColorSet() const { return mColorSet; }
    bool IsKindSet() const { return mKindSet; }

    KScnSkeletonProperties* GetProperties() const { return mProperties; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    void UpdateColorState();

    KScnSdkManager* mManager;
    KScnSkeletonProperties* mProperties;
    int mSkeletonKind = eRoot;
    bool mLimbLengthSet = false;
    bool mSizeSet = false;
    bool mColorSet = false;
    bool mKindSet = false;
};

} // namespace scenesdk
