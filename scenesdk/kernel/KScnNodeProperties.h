#pragma once

// KScnNodeProperties: the property set of a scene node (KScnNode). It holds
// the node's transform and IK settings as named kernel properties, so that
// the file reader and writer, the take channels and the node's transform code
// reach them by name, and the node's two pivot sets with the evaluation copy
// of pivot set 0.
//
// The scene hierarchy is made of connections between these sets: a child
// node's set is a source of its parent's set. A connection that would close a
// cycle (a node becoming its own ancestor) is refused.
//
// Ownership: made and destroyed only by its node; the member properties live
// in the set, the dynamic ones ("Lcl Translation", "Lcl Rotation", "Lcl
// Scaling", "Visibility") in its property list.

#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KPropertyObjectList.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KgeMath.h"
#include "scenesdk/kernel/KgeTVector.h"

#include <limits>
#include <memory>

namespace scenesdk
{

class KScnNode;

// Rotation order of a pivot set; names from GetRotationOrderName.
enum ERotationOrder
{
    eEulerXYZ = 0,
    eEulerXZY,
    eEulerYZX,
    eEulerYXZ,
    eEulerZXY,
    eEulerZYX,
    eSphericXYZ
};

// How a node inherits its parent's scaling (see KScnNode::ComputeGlobalTransform).
enum ETransformInheritType
{
    eInheritRrSs = 0,
    eInheritRSrs = 1,
    eInheritRrs = 2
};

// "Euler XYZ" .. "Spheric XYZ"; null for other values.
const char* GetRotationOrderName(int value);
// 0 and 1 "RrSs", 2 "Rrs"; null for other values.
const char* GetInheritTypeName(int value);

// Shared bounds of the SDK: limits without a bound default to these.
extern const double KGE_POSITIVE_INFINITY;
extern const double KGE_NEGATIVE_INFINITY;
extern const double KGE_POSITIVE_INFINITY_VECTOR4[4];
extern const double KGE_NEGATIVE_INFINITY_VECTOR4[4];

// out = B taken as an affine transform, then A (row vectors: out = B A on the
// 3x3 part, translation row B[3] A + A[3]). The fourth column is not written.
// out may be A.
void KgeAffineMultiply(double* out, const double* a, const double* b);

// One of the node's two pivot sets. Angles in degrees.
struct KScnNodePivotSet
{
    enum EVector
    {
        eTranslationOffset = 0,
        eRotationPivot,
        eRotationPivotUpdateOffset,
        ePreRotation,
        ePostRotation,
        eScalingOffset,
        eScalingPivot,
        eScalingPivotUpdateOffset,
        eGeometricTranslation,
        eGeometricRotation,
        eGeometricScaling,
        eVectorCount
    };

    KScnNodePivotSet() { Reset(); }
    // Every vector (0, 0, 0, 1) but GeometricScaling (1, 1, 1, 1); order 0;
    // both bytes cleared; state 1.
    void Reset();

    KgeTVector mVectors[eVectorCount];
    int mRotationOrder = eEulerXYZ;
    bool mRotationSpaceForLimitOnly = false;
    bool mReserved = false;
    int mState = 1;
};

// Evaluation copy of pivot set 0, kept in step by the node's set-0 setters.
struct KScnNodePivotEval
{
    static constexpr uint32_t kTranslationOffset = 1;
    static constexpr uint32_t kRotationPivot = 2;
    static constexpr uint32_t kScalingOffset = 4;
    static constexpr uint32_t kScalingPivot = 8;

    uint32_t flags = 0;
    int inheritType = eInheritRrSs;
    double translationOffset[3] = {0, 0, 0};
    double rotationPivot[3] = {0, 0, 0};
    double scalingOffset[3] = {0, 0, 0};
    double scalingPivot[3] = {0, 0, 0};
    KgePivotRotationRecord rotation;
};

// The declared value properties of a node's set in declaration order:
// S(type, name) for a scalar, V(name) for a four-double vector.
#define KSCN_NODE_VALUE_PROPERTIES(S, V)                                                                     \
    S(bool, QuaternionInterpolate)                                                                           \
    V(RotationOffset) V(RotationPivot) V(RotationPivotUpdateOffset) V(ScalingOffset) V(ScalingPivot)          \
    V(ScalingPivotUpdateOffset) S(bool, TranslationActive) V(TranslationMin) V(TranslationMax)               \
    S(bool, TranslationMinX) S(bool, TranslationMinY) S(bool, TranslationMinZ) S(bool, TranslationMaxX)      \
    S(bool, TranslationMaxY) S(bool, TranslationMaxZ) S(ERotationOrder, RotationOrder)                       \
    S(bool, RotationSpaceForLimitOnly) S(double, RotationStiffnessX) S(double, RotationStiffnessY)           \
    S(double, RotationStiffnessZ) S(double, AxisLen) V(PreRotation) V(PostRotation)                          \
    S(bool, RotationActive) V(RotationMin) V(RotationMax) S(bool, RotationMinX) S(bool, RotationMinY)        \
    S(bool, RotationMinZ) S(bool, RotationMaxX) S(bool, RotationMaxY) S(bool, RotationMaxZ)                  \
    S(ETransformInheritType, InheritType) S(bool, ScalingActive) V(ScalingMin) V(ScalingMax)                 \
    S(bool, ScalingMinX) S(bool, ScalingMinY) S(bool, ScalingMinZ) S(bool, ScalingMaxX)                      \
    S(bool, ScalingMaxY) S(bool, ScalingMaxZ) V(GeometricTranslation) V(GeometricRotation)                   \
    V(GeometricScaling) S(double, MinDampRangeX) S(double, MinDampRangeY) S(double, MinDampRangeZ)           \
    S(double, MaxDampRangeX) S(double, MaxDampRangeY) S(double, MaxDampRangeZ)                               \
    S(double, MinDampStrengthX) S(double, MinDampStrengthY) S(double, MinDampStrengthZ)                      \
    S(double, MaxDampStrengthX) S(double, MaxDampStrengthY) S(double, MaxDampStrengthZ)                      \
    S(double, PreferedAngleX) S(double, PreferedAngleY) S(double, PreferedAngleZ) S(bool, Show)              \
    S(bool, NegativePercentShapeSupport)

// A scalar's setter stores the value and returns it; its getter returns it.
#define KSCN_NODE_SCALAR_ACCESSORS(Type, Name)                                                               \
    virtual Type Set##Name(Type value)                                                                       \
    {                                                                                                        \
        Name.InitValue(value);                                                                               \
        return value;                                                                                        \
    }                                                                                                        \
    virtual Type Get##Name() { return Name.GetStoredValue(); }
// A vector's setter stores x, y and z only; its getter returns (x, y, z, 1).
#define KSCN_NODE_VECTOR_ACCESSORS(Name)                                                                     \
    virtual KgeTVector Set##Name(const KgeTVector& value) { return StoreVector(Name, value); }               \
    virtual KgeTVector Get##Name() { return ReadVector(Name); }

class KScnNodeProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnNodeProperties)

public:
    // Builds every property in its fixed order (the order of the list).
    explicit KScnNodeProperties(KScnNode* owner);

    // Hands the change to the node's takes.
    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;
    KScnNode* GetNode() const { return mNode; }
    KScnNodeProperties* AsNodeProperties() override { return this; }

protected:
    // Every value written into an animatable property reaches the takes.
    bool PushesEveryWrite() const override { return true; }

public:
    // Refuses a connection that would make a node its own ancestor (node
    // error 4); everything else goes to the kernel.
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;
    // The node of a plug that is a node property set; null otherwise.
    static KScnNode* NodeOfPlug(KPlug* plug);

    // Every declared value property reads and writes through the setter and
    // getter of its own below, so a derived set's override is what it reaches.
    bool GetBoundValue(KProperty& property, void* value) override;
    bool SetBoundValue(KProperty& property, const void* value) override;
    KSCN_NODE_VALUE_PROPERTIES(KSCN_NODE_SCALAR_ACCESSORS, KSCN_NODE_VECTOR_ACCESSORS)

    // Set 0, or set 1 (any other index), each made when first asked for
    // here; the const form reads a set never made as a reset one.
    KScnNodePivotSet& GetPivotSet(int index);
    const KScnNodePivotSet& GetPivotSet(int index) const;
    bool HasPivotSet(int index) const { return (index == 0 ? mPivotSet0 : mPivotSet1) != nullptr; }
    // Resets set 0 or set 1 when it was made (a set never made reads as reset).
    void ResetPivotSet(int index);
    // Made when first changed; the const form reads one never made as a new one.
    KScnNodePivotEval& GetPivotEval();
    const KScnNodePivotEval& GetPivotEval() const;
    bool HasPivotEval() const { return mEval != nullptr; }
    // Back to a new one's values (nothing to do when never made).
    void ResetPivotEval();

    KPropertyTemplate<bool> QuaternionInterpolate;
    KPropertyTemplate<KgeTVector> RotationOffset;
    KPropertyTemplate<KgeTVector> RotationPivot;
    KPropertyTemplate<KgeTVector> RotationPivotUpdateOffset;
    KPropertyTemplate<KgeTVector> ScalingOffset;
    KPropertyTemplate<KgeTVector> ScalingPivot;
    KPropertyTemplate<KgeTVector> ScalingPivotUpdateOffset;
    KPropertyTemplate<bool> TranslationActive;
    KPropertyTemplate<KgeTVector> TranslationMin;
    KPropertyTemplate<KgeTVector> TranslationMax;
    KPropertyTemplate<bool> TranslationMinX, TranslationMinY, TranslationMinZ;
    KPropertyTemplate<bool> TranslationMaxX, TranslationMaxY, TranslationMaxZ;
    KPropertyTemplate<ERotationOrder> RotationOrder;
    KPropertyTemplate<bool> RotationSpaceForLimitOnly;
    KPropertyTemplate<double> RotationStiffnessX, RotationStiffnessY, RotationStiffnessZ;
    KPropertyTemplate<double> AxisLen;
    KPropertyTemplate<KgeTVector> PreRotation;
    KPropertyTemplate<KgeTVector> PostRotation;
    KPropertyTemplate<bool> RotationActive;
    KPropertyTemplate<KgeTVector> RotationMin;
    KPropertyTemplate<KgeTVector> RotationMax;
    KPropertyTemplate<bool> RotationMinX, RotationMinY, RotationMinZ;
    KPropertyTemplate<bool> RotationMaxX, RotationMaxY, RotationMaxZ;
    KPropertyTemplate<ETransformInheritType> InheritType;
    KPropertyTemplate<bool> ScalingActive;
    KPropertyTemplate<KgeTVector> ScalingMin;
    KPropertyTemplate<KgeTVector> ScalingMax;
    KPropertyTemplate<bool> ScalingMinX, ScalingMinY, ScalingMinZ;
    KPropertyTemplate<bool> ScalingMaxX, ScalingMaxY, ScalingMaxZ;
    KPropertyTemplate<KgeTVector> GeometricTranslation;
    KPropertyTemplate<KgeTVector> GeometricRotation;
    KPropertyTemplate<KgeTVector> GeometricScaling;
    KPropertyTemplate<double> MinDampRangeX, MinDampRangeY, MinDampRangeZ;
    KPropertyTemplate<double> MaxDampRangeX, MaxDampRangeY, MaxDampRangeZ;
    KPropertyTemplate<double> MinDampStrengthX, MinDampStrengthY, MinDampStrengthZ;
    KPropertyTemplate<double> MaxDampStrengthX, MaxDampStrengthY, MaxDampStrengthZ;
    KPropertyTemplate<double> PreferedAngleX, PreferedAngleY, PreferedAngleZ;
    // Made through KPropertyObjectList::Create; owned by the property list.
    KPropertyObjectList* LookAtProperty = nullptr;
    KPropertyObjectList* UpVectorProperty = nullptr;
    KPropertyTemplate<bool> Show;
    KPropertyTemplate<bool> NegativePercentShapeSupport;

protected:
    ~KScnNodeProperties() override = default;

private:
    static KgeTVector StoreVector(KPropertyTemplate<KgeTVector>& member, const KgeTVector& value);
    static KgeTVector ReadVector(const KPropertyTemplate<KgeTVector>& member);
    void InitMember(KProperty& property, const char* name, uint32_t flags = 0);
    KPropertyObjectList* InitObjectList(const char* name);
    void CreateDynamicProperties();

    // Most nodes keep both sets at their reset values: made on first change.
    std::unique_ptr<KScnNodePivotSet> mPivotSet0;
    std::unique_ptr<KScnNodePivotSet> mPivotSet1;
    KScnNode* mNode;
    std::unique_ptr<KScnNodePivotEval> mEval;
};

} // namespace scenesdk
