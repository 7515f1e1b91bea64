#pragma once

// KScnControlSetPlug: the scene object through which a control set is stored
// and connected (object kind 12, type "ControlSetPlug"). Its property set
// mirrors a control set as object lists: one per named character node slot
// (named by the bare link name, "Hips", "Reference", ...) and one per
// effector (named by the effector name), holding the property sets of the
// nodes placed there. Connecting a plug's property set to a character's
// "ControlSet" list copies the plug into the character's control set.
//
// Ownership: the plug owns its property set; the scene's factory makes it
// through the SDK manager and names it "ControlSetPlug::" + name.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnControlSet.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KBlockArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KPropertyTemplate.h"

namespace scenesdk
{

class KPropertyObjectList;
class KScnControlSetPlug;

class KScnControlSetPlugProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnControlSetPlugProperties)

public:
    explicit KScnControlSetPlugProperties(KScnControlSetPlug* owner);

    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;

    virtual KScnControlSet::EType SetControlSetType(KScnControlSet::EType value);
    virtual KScnControlSet::EType GetControlSetType();
    virtual bool SetUseAxis(bool value);
    virtual bool GetUseAxis();
    // The control-set type has no names: null for every value.
    static const char* ControlSetTypeName(int value);

    // The slot lists in node-id order (ids without a link name have none),
    // then the effector lists in effector-id order.
    int GetLinkPropertyCount() const { return mLinkProperties.GetCount(); }
    KPropertyObjectList* GetLinkProperty(int i) const { return mLinkProperties.GetAt(i); }
    // Node id of slot list i; -1 out of range.
    int GetLinkPropertyNodeId(int i) const;
    int GetEffectorPropertyCount() const { return mEffectorProperties.GetCount(); }
    KPropertyObjectList* GetEffectorProperty(int i) const { return mEffectorProperties.GetAt(i); }
    // A plain plug (no object, so it reads as null) that stands in an
    // effector list for a position without a node: the main node when only
    // auxiliary ones are set, or an auxiliary node below the last one set.
    KPlug* GetGapPlug() const { return mGap; }

    KPropertyTemplate<bool> UseAxis;
    KPropertyTemplate<KScnControlSet::EType> ControlSetType;

protected:
    ~KScnControlSetPlugProperties() override;

private:
    KScnControlSetPlug* mOwner;
    KPlug* mGap;
    bool mUseAxis = true;
    KScnControlSet::EType mType = KScnControlSet::eTypeNone;
    KPointerArray<KPropertyObjectList> mLinkProperties{16};
    KPointerArray<KPropertyObjectList> mEffectorProperties{16};
    int mLinkNodeIds[KScnControlSet::kLinkCount] = {};
};

class KScnControlSetPlug : public KScnTakeNodeContainer
{
public:
    // name: the full name ("ControlSetPlug::" is put before it by the scene).
    KScnControlSetPlug(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the scene that owns it (KScnFree.h: one made outside a scene).
    ~KScnControlSetPlug() override;
    friend class KScnSceneRoot;

public:
    int GetObjectKind() const override { return eKindControlSetPlug; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProperties; }
    KScnControlSetPlugProperties* GetPlugProperties() const { return mProperties; }
    KString GetTypeName() const override { return KString("ControlSetPlug"); }
    // One entry, "ControlSetPlug".
    KStringList GetTypeNameList() const override;
    // Channels for every animatable property of the set, in list order.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;
    // Detaches everything connected to the property set and its properties;
    // the properties stay.
    void DisconnectAll();

    KErrorRecord& GetError() { return mError; }

private:
    KErrorRecord mError;
    KScnControlSetPlugProperties* mProperties = nullptr;
};

} // namespace scenesdk
