#pragma once

// KScnDeformer: the scene object that binds a geometry to skeleton nodes. One
// class serves two kinds, chosen by the kind text at construction: a skin
// (the geometry's deformer) and a cluster (one link: the control points the
// link node moves, their weights, and the transforms recorded at binding
// time). A cluster's link node is reached through its property set's
// "SrcModel" list; KScnLink::SetFromCluster copies the rest into a link.
//
// The link data are plain members that the file reader and writer fill and
// read; the property set (KScnSkinDeformerProperties or
// KScnClusterDeformerProperties) is owned by the deformer.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnValueArray.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"
#include "scenesdk/kernel/KgeTransformMatrix.h"

namespace scenesdk
{

class KScnDeformerProperties;
class KScnSdkManager;

namespace detail
{
// Built ahead of the take-node container, which keeps a pointer to it.
struct KScnDeformerErrorHolder
{
    KErrorRecord mErrorRecord;
    KScnDeformerErrorHolder();
};
} // namespace detail

class KScnDeformer : private detail::KScnDeformerErrorHolder, public KScnTakeNodeContainer
{
public:
    enum EDeformerKind
    {
        eSkin = 1,
        eCluster = 2,
    };

    // Link modes of a cluster as the file names them ("Mode").
    enum ELinkMode
    {
        eLinkNormalize = 0,
        eLinkAdditive = 1,
        eLinkTotal1 = 2,
    };

    // kindText equal to "cluster" ignoring case makes a cluster; anything
    // else (null, empty, "skin") a skin. The property set takes the name;
    // the take "Default" is added. manager may be null.
    KScnDeformer(KScnSdkManager* manager, const char* name, const char* kindText);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnDeformer() override;
    friend class KScnSdkManager;

public:
    // The name the manager's factory gives: "SubDeformer::" + name for the
    // kind text "Cluster" (ignoring case), else "Deformer::" + name.
    static KString MakeObjectName(const char* name, const char* kindText);

    // ---- Scene-object operations ----
    // Disconnects the property set (detach step).
    void Detach();
    int GetObjectKind() const override { return eKindDeformer; }
    KScnPropertyHandler* GetPropertyHandler() override;
    // "Skin" or "Cluster".
    KString GetTypeName() const override;
    // The single name "Deformer".
    KStringList GetTypeNameList() const override;
    // Gives every animatable property of the set its channels (the deformer
    // sets have none, so nothing is made).
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    KScnDeformerProperties* GetProperties() const { return mProperties; }
    KErrorRecord& GetError() { return mErrorRecord; }
    int GetDeformerKind() const { return mKind; }
    bool IsCluster() const { return mKind == eCluster; }

    // ---- Link data (file fields in brackets) ----
    void SetMultiLayer(bool on) { mMultiLayer = on; } // "MultiLayer"
    bool GetMultiLayer() const { return mMultiLayer; }
    // "UserData": first and second value.
    void SetUserData(const char* id, const char* data);
    const KString& GetUserDataID() const { return mUserDataID; }
    const KString& GetUserData() const { return mUserData; }
    void SetLinkDeformAccuracy(double value) { mAccuracy = value; } // "Link_DeformAcuracy"
    double GetLinkDeformAccuracy() const { return mAccuracy; }
    void SetLinkMode(int mode) { mLinkMode = mode; }
    int GetLinkMode() const { return mLinkMode; }
    // The file's "Mode" text: "Additive" 1, "Total1" 2, anything else 0.
    static int LinkModeFromText(const char* text);

    KScnValueArray<int>& GetIndices() { return mIndices; }
    const KScnValueArray<int>& GetIndices() const { return mIndices; }
    KScnValueArray<double>& GetWeights() { return mWeights; }
    const KScnValueArray<double>& GetWeights() const { return mWeights; }
    // Appends one control point with its weight (both arrays grow together).
    void AddControlPoint(int index, double weight);
    int GetControlPointCount() const { return mIndices.GetCount(); }

    void SetTransform(const KgeTransformMatrix& m) { mTransform = m; }                    // "Transform"
    void SetTransformLink(const KgeTransformMatrix& m) { mTransformLink = m; }            // "TransformLink"
    void SetTransformAssociateModel(const KgeTransformMatrix& m) { mAssociateModel = m; } // "AssociateModel"
    // "TransformParent": also marks the parent transform as present.
    void SetTransformParent(const KgeTransformMatrix& m);
    const KgeTransformMatrix& GetTransform() const { return mTransform; }
    const KgeTransformMatrix& GetTransformLink() const { return mTransformLink; }
    const KgeTransformMatrix& GetTransformAssociateModel() const { return mAssociateModel; }
    const KgeTransformMatrix& GetTransformParent() const { return mParent; }
    bool HasTransformParent() const { return mParentPresent; }

    // A cluster whose links the scene has made (KScnSceneRoot::
    // BindDeformerLinks): a later binding leaves it alone.
    void SetLinked(bool linked) { mLinked = linked; }
    bool IsLinked() const { return mLinked; }

private:
    KScnDeformerProperties* mProperties = nullptr;
    KString mUserDataID;
    KString mUserData;
    KScnValueArray<int> mIndices{256};
    KScnValueArray<double> mWeights{256};
    KgeTransformMatrix mTransform;
    KgeTransformMatrix mTransformLink;
    KgeTransformMatrix mAssociateModel;
    KgeTransformMatrix mParent;
    bool mMultiLayer = false;
    int mKind = eSkin;
    double mAccuracy = 50.0;
    int mLinkMode = eLinkNormalize;
    bool mParentPresent = false;
    bool mLinked = false;
};

} // namespace scenesdk
