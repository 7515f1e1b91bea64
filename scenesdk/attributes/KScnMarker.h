#pragma once

// KScnMarker: the attribute of a marker node (kind 2): a motion-capture
// marker, an optical marker or an IK/FK effector. An optical marker adds an
// "Occlusion" channel to each take of its node, an IK effector the "IK Reach
// Translation" and "IK Reach Rotation" channels.
//
// Ownership: the attribute owns its property set. Destroying an attribute
// that is still on a node first takes it off the node.

#include "scenesdk/kernel/KColorRGBA.h"
#include "scenesdk/kernel/KObject.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KScnNodeAttribute.h"
#include "scenesdk/kernel/KgeRGBVector.h"
#include "scenesdk/kernel/KgeTVector.h"

namespace scenesdk
{

class KScnMarkerProperties;
class KScnSdkManager;

class KScnMarker : public KScnNodeAttribute
{
public:
    enum EMarkerKind
    {
        eMarker = 0,
        eOpticalMarker = 1,
        eIKEffector = 2,
        eFKEffector = 3
    };
    enum ELook
    {
        eCube = 0,
        eHardCross = 1,
        eLightCross = 2,
        eSphere = 3
    };
    // "Cube", "Hard Cross", "Light Cross", "Sphere"; null for other values.
    static const char* GetLookName(int value);

    explicit KScnMarker(KScnSdkManager* manager = nullptr);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnMarker() override;
    friend class KScnSdkManager;

public:
    EAttributeKind GetAttributeKind() const override { return KScnNodeAttribute::eMarker; }
    int GetMarkerType() const override { return mMarkerKind; }
    void AddChannels(KScnTakeNodeEntry* take) override;
    void RemoveChannels(KScnTakeNodeEntry* take) override;
    void CollectHandlerProperties(std::vector<KProperty*>& out) override;
    KObject* GetHandlerPropertySet() const override;
    // "Marker", "OpticalMarker", "IKEffector", "FKEffector"; "Marker" for any other kind.
    KString GetTypeName() const override;
    // One entry "Marker" whatever the kind.
    KStringList GetTypeNameList() const override;

    // Kind Marker, look Cube, size 100, red, no label, IK pivot at the origin.
    void Reset();

    // On an attached marker the channels of the old kind leave every take
    // and those of the new kind arrive (the attribute leaves its node and
    // comes back). Nothing when the kind is unchanged.
    void SetMarkerKind(EMarkerKind kind);
    EMarkerKind GetMarkerKind() const { return static_cast<EMarkerKind>(mMarkerKind); }

    void SetLook(ELook look);
    ELook GetLook();
    void SetSize(double size);
    double GetSize();
    void SetShowLabel(bool show);
    bool GetShowLabel();
    // Stores red, green and blue; the alpha is dropped.
    void SetColorByValue(KColorRGBA color);
    void SetColor(const KColorRGBA& color) { SetColorByValue(color); }
    // The stored colour with alpha 1.0.
    KColorRGBA GetColor();
    // Stores x, y and z.
    void SetIKPivot(const KgeTVector& pivot);
    KgeTVector GetIKPivot();

    // Only for an attached IK effector whose default take has the channel:
    // the default value of its "IK Reach Translation" / "IK Reach Rotation"
    // curve (single precision). Otherwise nothing. Throws std::bad_alloc,
    // the take as it was, when memory runs out making its channels its own.
    void SetDefaultIKReachTranslation(double value);
    void SetDefaultIKReachRotation(double value);

    KScnMarkerProperties* GetProperties() const { return mProperties; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    KScnSdkManager* mManager;
    int mMarkerKind = eMarker;
    KScnMarkerProperties* mProperties;
};

// The marker's values. Plain stores: nothing is clamped here.
class KScnMarkerProperties : public KObject
{
    KCLASSID_DECLARE(KScnMarkerProperties)

public:
    KScnMarkerProperties();

    virtual void SetLook(KScnMarker::ELook value) { mLook = value; }
    virtual KScnMarker::ELook GetLook() { return mLook; }
    virtual void SetSize(double value) { mSize = value; }
    virtual double GetSize() { return mSize; }
    // Red, green and blue are kept; the fourth component reads as 1.0.
    virtual void SetColor(KgeRGBVector value);
    virtual KgeRGBVector GetColor();
    virtual void SetShowLabel(bool value) { mShowLabel = value; }
    virtual bool GetShowLabel() { return mShowLabel; }
    // x, y and z are kept; the fourth component reads as 1.0.
    virtual void SetIKPivot(KgeTVector value);
    virtual KgeTVector GetIKPivot();

    KPropertyTemplate<KScnMarker::ELook> Look;
    KPropertyTemplate<double> Size;
    KPropertyTemplate<KgeRGBVector> Color;
    KPropertyTemplate<bool> ShowLabel;
    KPropertyTemplate<KgeTVector> IKPivot;

protected:
    ~KScnMarkerProperties() override = default;

private:
    KScnMarker::ELook mLook = KScnMarker::eCube;
    double mSize = 0.0;
    double mColor[3] = {0.0, 0.0, 0.0};
    bool mShowLabel = false;
    double mIKPivot[3] = {0.0, 0.0, 0.0};
};

} // namespace scenesdk
