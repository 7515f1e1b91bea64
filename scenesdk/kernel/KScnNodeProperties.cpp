#include "scenesdk/kernel/KScnNodeProperties.h"

#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KPlugFilter.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnSdkManager.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>
#include <vector>

namespace scenesdk
{

KCLASSID_DEFINE(KScnNodeProperties, &KScnPropertyHandler::ClassRecord);

const double KGE_POSITIVE_INFINITY = std::numeric_limits<double>::infinity();
const double KGE_NEGATIVE_INFINITY = -std::numeric_limits<double>::infinity();
const double KGE_POSITIVE_INFINITY_VECTOR4[4] = {KGE_POSITIVE_INFINITY, KGE_POSITIVE_INFINITY,
                                                 KGE_POSITIVE_INFINITY, KGE_POSITIVE_INFINITY};
const double KGE_NEGATIVE_INFINITY_VECTOR4[4] = {KGE_NEGATIVE_INFINITY, KGE_NEGATIVE_INFINITY,
                                                 KGE_NEGATIVE_INFINITY, KGE_NEGATIVE_INFINITY};

namespace
{
const char* const kRotationOrderNames[] = {"Euler XYZ", "Euler XZY", "Euler YZX",  "Euler YXZ",
                                           "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
const char* const kInheritTypeNames[] = {"RrSs", "RrSs", "Rrs"};

// Property state bits given at construction.
constexpr uint32_t kStateFlag1 = 1;
constexpr uint32_t kStateFlag8 = 8;
constexpr uint32_t kStateFlag16 = 16;

const char* const kTranslationLimits[] = {"TranslationMinX", "TranslationMinY", "TranslationMinZ",
                                          "TranslationMaxX", "TranslationMaxY", "TranslationMaxZ"};
const char* const kRotationLimits[] = {"RotationMinX", "RotationMinY", "RotationMinZ",
                                       "RotationMaxX", "RotationMaxY", "RotationMaxZ"};
const char* const kScalingLimits[] = {"ScalingMinX", "ScalingMinY", "ScalingMinZ",
                                      "ScalingMaxX", "ScalingMaxY", "ScalingMaxZ"};
} // namespace

const char* GetRotationOrderName(int value)
{
    return value >= 0 && value <= eSphericXYZ ? kRotationOrderNames[value] : nullptr;
}

const char* GetInheritTypeName(int value)
{
    return value >= 0 && value <= eInheritRrs ? kInheritTypeNames[value] : nullptr;
}

void KgeAffineMultiply(double* out, const double* a, const double* b)
{
    // A is copied first, so out may be A (or B).
    double ca[16];
    double cb[16];
    KgeCopyMatrix(ca, a);
    KgeCopyMatrix(cb, b);
    for (int i = 0; i < 4; ++i)
    {
        for (int j = 0; j < 3; ++j)
        {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k)
            {
                sum += cb[4 * i + k] * ca[4 * k + j];
            }
            out[4 * i + j] = i == 3 ? sum + ca[12 + j] : sum;
        }
    }
}

void KScnNodePivotSet::Reset()
{
    for (int i = 0; i < eVectorCount; ++i)
    {
        mVectors[i] =
            i == eGeometricScaling ? KgeTVector(1.0, 1.0, 1.0, 1.0) : KgeTVector(0.0, 0.0, 0.0, 1.0);
    }
    mRotationOrder = eEulerXYZ;
    mRotationSpaceForLimitOnly = false;
    mReserved = false;
    mState = 1;
}

namespace
{
using P = KScnNodeProperties;

// One declared value property and the set's accessors of it, reached from
// the property through its place in the set.
struct SBoundMember
{
    KProperty& (*member)(P&);
    void (*get)(P&, void*);
    void (*set)(P&, const void*);
};

#define KSCN_BOUND_MEMBER(Type, Name)                                                                        \
    {[](P& p) -> KProperty& { return p.Name; },                                                              \
     [](P& p, void* out) { *static_cast<Type*>(out) = p.Get##Name(); },                                      \
     [](P& p, const void* in) { p.Set##Name(*static_cast<const Type*>(in)); }},
#define KSCN_BOUND_VECTOR(Name) KSCN_BOUND_MEMBER(KgeTVector, Name)
const SBoundMember kBoundMembers[] = {KSCN_NODE_VALUE_PROPERTIES(KSCN_BOUND_MEMBER, KSCN_BOUND_VECTOR)};
#undef KSCN_BOUND_VECTOR
#undef KSCN_BOUND_MEMBER

// The member at a property's place in a set, or null for a property that
// is not a declared value property of that set.
const SBoundMember* FindBoundMember(P& set, const KProperty& property)
{
    const uintptr_t base = reinterpret_cast<uintptr_t>(&set);
    const uintptr_t at = reinterpret_cast<uintptr_t>(&property);
    if (at < base || at >= base + sizeof(P))
    {
        return nullptr;
    }
    // Every set has its members at the same places: the first set asked
    // lays the table out.
    using Place = std::pair<uintptr_t, const SBoundMember*>;
    static const std::vector<Place> places = [&set, base] {
        std::vector<Place> made;
        for (const SBoundMember& bound : kBoundMembers)
        {
            made.emplace_back(reinterpret_cast<uintptr_t>(&bound.member(set)) - base, &bound);
        }
        std::sort(made.begin(), made.end());
        return made;
    }();
    const auto found = std::lower_bound(places.begin(), places.end(), Place(at - base, nullptr));
    return found != places.end() && found->first == at - base ? found->second : nullptr;
}
} // namespace

bool KScnNodeProperties::GetBoundValue(KProperty& property, void* value)
{
    const SBoundMember* bound = FindBoundMember(*this, property);
    if (bound == nullptr)
    {
        return false;
    }
    bound->get(*this, value);
    return true;
}

bool KScnNodeProperties::SetBoundValue(KProperty& property, const void* value)
{
    const SBoundMember* bound = FindBoundMember(*this, property);
    if (bound == nullptr)
    {
        return false;
    }
    bound->set(*this, value);
    return true;
}

KgeTVector KScnNodeProperties::StoreVector(KPropertyTemplate<KgeTVector>& member, const KgeTVector& value)
{
    // The stored fourth component stays.
    KgeTVector stored = member.GetStoredValue();
    stored.Set(value[0], value[1], value[2], stored[3]);
    member.InitValue(stored);
    return stored;
}

KgeTVector KScnNodeProperties::ReadVector(const KPropertyTemplate<KgeTVector>& member)
{
    const KgeTVector& stored = member.GetStoredValue();
    return KgeTVector(stored[0], stored[1], stored[2], 1.0);
}

void KScnNodeProperties::InitMember(KProperty& property, const char* name, uint32_t flags)
{
    property.InitializeBound(name, this);
    AddProperty(&property);
    if (flags != 0)
    {
        property.SetFlagNotify(flags, true);
    }
}

KPropertyObjectList* KScnNodeProperties::InitObjectList(const char* name)
{
    // Sources of the list, filtered to node property sets, pair (1, class id).
    return KPropertyObjectList::Create(this, name, 0, ClassId, 1, KPlug::kAcceptsSrc, kStateFlag1);
}

namespace
{
// How many properties (and owned plugs) the last set built held: every set
// holds as many, so the lists are made at their size at once.
std::atomic<int> gSetSize{0};
} // namespace

KScnNodeProperties::KScnNodeProperties(KScnNode* owner) : mNode(owner)
{
    ReservePropertyList(gSetSize.load(std::memory_order_relaxed));
    InitMember(QuaternionInterpolate, "QuaternionInterpolate");
    InitMember(RotationOffset, "RotationOffset");
    InitMember(RotationPivot, "RotationPivot");
    InitMember(RotationPivotUpdateOffset, "RotationPivotUpdateOffset", kStateFlag16);
    InitMember(ScalingOffset, "ScalingOffset");
    InitMember(ScalingPivot, "ScalingPivot");
    InitMember(ScalingPivotUpdateOffset, "ScalingPivotUpdateOffset", kStateFlag16);
    InitMember(TranslationActive, "TranslationActive");
    InitMember(TranslationMin, "TranslationMin");
    InitMember(TranslationMax, "TranslationMax");
    KPropertyTemplate<bool>* translationFlags[] = {&TranslationMinX, &TranslationMinY, &TranslationMinZ,
                                                   &TranslationMaxX, &TranslationMaxY, &TranslationMaxZ};
    KPropertyTemplate<bool>* rotationFlags[] = {&RotationMinX, &RotationMinY, &RotationMinZ,
                                                &RotationMaxX, &RotationMaxY, &RotationMaxZ};
    KPropertyTemplate<bool>* scalingFlags[] = {&ScalingMinX, &ScalingMinY, &ScalingMinZ,
                                               &ScalingMaxX, &ScalingMaxY, &ScalingMaxZ};
    for (int i = 0; i < 6; ++i)
    {
        InitMember(*translationFlags[i], kTranslationLimits[i]);
    }
    InitMember(RotationOrder, "RotationOrder");
    RotationOrder.SetTypeCode(eKPropEnum);
    RotationOrder.SetEnumNameFunction(&GetRotationOrderName);
    InitMember(RotationSpaceForLimitOnly, "RotationSpaceForLimitOnly");
    InitMember(RotationStiffnessX, "RotationStiffnessX");
    InitMember(RotationStiffnessY, "RotationStiffnessY");
    InitMember(RotationStiffnessZ, "RotationStiffnessZ");
    InitMember(AxisLen, "AxisLen");
    InitMember(PreRotation, "PreRotation");
    InitMember(PostRotation, "PostRotation");
    InitMember(RotationActive, "RotationActive");
    InitMember(RotationMin, "RotationMin");
    InitMember(RotationMax, "RotationMax");
    for (int i = 0; i < 6; ++i)
    {
        InitMember(*rotationFlags[i], kRotationLimits[i]);
    }
    InitMember(InheritType, "InheritType");
    InheritType.SetTypeCode(eKPropEnum);
    InheritType.SetEnumNameFunction(&GetInheritTypeName);
    InitMember(ScalingActive, "ScalingActive");
    InitMember(ScalingMin, "ScalingMin");
    InitMember(ScalingMax, "ScalingMax");
    for (int i = 0; i < 6; ++i)
    {
        InitMember(*scalingFlags[i], kScalingLimits[i]);
    }
    InitMember(GeometricTranslation, "GeometricTranslation");
    InitMember(GeometricRotation, "GeometricRotation");
    InitMember(GeometricScaling, "GeometricScaling");
    KPropertyTemplate<double>* damping[] = {
        &MinDampRangeX,    &MinDampRangeY,    &MinDampRangeZ,    &MaxDampRangeX,    &MaxDampRangeY,
        &MaxDampRangeZ,    &MinDampStrengthX, &MinDampStrengthY, &MinDampStrengthZ, &MaxDampStrengthX,
        &MaxDampStrengthY, &MaxDampStrengthZ, &PreferedAngleX,   &PreferedAngleY,   &PreferedAngleZ};
    const char* const dampingNames[] = {
        "MinDampRangeX",    "MinDampRangeY",    "MinDampRangeZ",    "MaxDampRangeX",    "MaxDampRangeY",
        "MaxDampRangeZ",    "MinDampStrengthX", "MinDampStrengthY", "MinDampStrengthZ", "MaxDampStrengthX",
        "MaxDampStrengthY", "MaxDampStrengthZ", "PreferedAngleX",   "PreferedAngleY",   "PreferedAngleZ"};
    for (int i = 0; i < 15; ++i)
    {
        InitMember(*damping[i], dampingNames[i]);
    }
    LookAtProperty = InitObjectList("LookAtProperty");
    UpVectorProperty = InitObjectList("UpVectorProperty");
    // First values of a set nobody can hear yet: no events. Vectors start
    // at (0, 0, 0, 1), their type's own first value.
    InitMember(Show, "Show");
    Show.InitValue(true);
    InitMember(NegativePercentShapeSupport, "NegativePercentShapeSupport");
    NegativePercentShapeSupport.InitValue(true);
    CreateDynamicProperties();
    // Every node has these: the lists hold no room beyond them.
    gSetSize.store(GetPropertyCount(), std::memory_order_relaxed);
    CompactPropertyList();
}

void KScnNodeProperties::CreateDynamicProperties()
{
    const char* const names[] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility"};
    for (const char* name : names)
    {
        KDataType* type = KDataType::FindByName(name);
        const int code = type != nullptr ? KDataType::ToTypeCode(type) : eKPropVector3D;
        KProperty* property = CreateDynamicProperty(name, code, type, true);
        if (property != nullptr)
        {
            property->SetFlagNotify(kStateFlag8, true);
        }
    }
    if (KProperty* scaling = FindProperty("Lcl Scaling"))
    {
        const double one[4] = {1.0, 1.0, 1.0, 1.0};
        scaling->SetFromDoubles(one);
    }
    if (KProperty* visibility = FindProperty("Visibility"))
    {
        visibility->SetDouble(1.0);
    }
}

KScnNodePivotSet& KScnNodeProperties::GetPivotSet(int index)
{
    std::unique_ptr<KScnNodePivotSet>& set = index == 0 ? mPivotSet0 : mPivotSet1;
    if (!set)
    {
        set = std::make_unique<KScnNodePivotSet>();
    }
    return *set;
}

const KScnNodePivotSet& KScnNodeProperties::GetPivotSet(int index) const
{
    static const KScnNodePivotSet reset;
    const std::unique_ptr<KScnNodePivotSet>& set = index == 0 ? mPivotSet0 : mPivotSet1;
    return set ? *set : reset;
}

KScnNodePivotEval& KScnNodeProperties::GetPivotEval()
{
    if (!mEval)
    {
        mEval = std::make_unique<KScnNodePivotEval>();
    }
    return *mEval;
}

const KScnNodePivotEval& KScnNodeProperties::GetPivotEval() const
{
    static const KScnNodePivotEval none;
    return mEval ? *mEval : none;
}

void KScnNodeProperties::ResetPivotEval()
{
    if (mEval)
    {
        *mEval = KScnNodePivotEval();
    }
}

void KScnNodeProperties::ResetPivotSet(int index)
{
    if (std::unique_ptr<KScnNodePivotSet>& set = index == 0 ? mPivotSet0 : mPivotSet1)
    {
        set->Reset();
    }
}

void KScnNodeProperties::PushPropertyToTakes(KProperty& property)
{
    if (mNode != nullptr)
    {
        mNode->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnNodeProperties::GetOwner()
{
    return mNode;
}

KScnNode* KScnNodeProperties::NodeOfPlug(KPlug* plug)
{
    KScnNodeProperties* set = plug != nullptr ? plug->AsNodeProperties() : nullptr;
    return set != nullptr ? set->mNode : nullptr;
}

bool KScnNodeProperties::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                         KPlug* other, uint32_t type, KPlug* extra)
{
    if (emitter == this && mNode != nullptr)
    {
        mNode->OnSourcesChanged(code, other, index);
    }
    if (emitter == this && code == eRequestSrc && mNode != nullptr)
    {
        // other would become a child of this node: refuse when it is this
        // node or one of its ancestors.
        KScnNode* child = NodeOfPlug(other);
        // Only this node or a node with children can be an ancestor.
        const bool couldBeAbove = child == mNode || (child != nullptr && child->GetChildCount() > 0);
        for (KScnNode* up = mNode; couldBeAbove && up != nullptr; up = up->GetParent())
        {
            if (up == child)
            {
                mNode->GetError().SetLastErrorID(KScnNode::eErrorCyclicGraph);
                return false;
            }
        }
        // A node of this node's scene that has no parent there (its root)
        // stays where it is: only a node from elsewhere may come in.
        KScnSceneContents* contents = mNode->GetSceneContents();
        KScnNode* parent = child != nullptr ? child->GetParent() : nullptr;
        if (child != nullptr && parent == nullptr && contents != nullptr && child->GetSceneContents() == contents)
        {
            mNode->GetError().SetLastErrorID(KScnNode::eErrorSameSceneContents);
            return false;
        }
        // A scene's hidden nodes (producer cameras, camera switcher) take
        // no children and become no one's child.
        KScnSdkManager* manager = mNode->GetSdkManager();
        if (child != nullptr && manager != nullptr && (manager->IsOwned(mNode) || manager->IsOwned(child)))
        {
            mNode->GetError().SetLastErrorID(KScnNode::eErrorOwnedNode);
            return false;
        }
        // One parent per node: only AddChild moves a node that has one.
        if (parent != nullptr && child->mJoining != mNode)
        {
            mNode->GetError().SetLastErrorID(KScnNode::eErrorHasParent);
            return false;
        }
    }
    else if (emitter == this && mNode != nullptr && code == eSrcAdded)
    {
        // A child follows its parent into the parent's scene (AddChild
        // takes its child there itself).
        KScnNode* child = NodeOfPlug(other);
        if (child != nullptr && !child->IsBeingDestroyed() && child->mJoining != mNode)
        {
            child->SetSceneContents(mNode->GetSceneContents(), false);
        }
    }
    else if (emitter == this && mNode != nullptr && code == eSrcRemoved)
    {
        // Cut loose, a child leaves the scene it shared with its parent (or
        // the scene of a parent being destroyed). One that still has a
        // parent (moving within a scene) stays, and so does one that was
        // not in this node's scene (a connection taken back because memory
        // ran out as the child joined the scene, a move into another scene
        // cutting it from a parent that stays behind).
        KScnNode* child = NodeOfPlug(other);
        if (child != nullptr && !child->IsBeingDestroyed() && child->GetParent() == nullptr &&
            (child->GetSceneContents() == mNode->GetSceneContents() || mNode->IsBeingDestroyed()))
        {
            child->SetSceneContents(nullptr, false);
        }
    }
    return KObject::HandleConnectionEvent(path, code, emitter, index, other, type, extra);
}

} // namespace scenesdk
