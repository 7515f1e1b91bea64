#include "scenesdk/attributes/KScnConstraintSingleChainIK.h"

namespace scenesdk
{

KCLASSID_DEFINE(KScnConstraintSingleChainIKProperties, &KScnConstraintProperty::ClassRecord);

namespace
{
template <size_t N> const char* NameAt(const char* const (&names)[N], int value)
{
    return value >= 0 && static_cast<size_t>(value) < N ? names[value] : nullptr;
}
} // namespace

KScnConstraintSingleChainIKProperties::KScnConstraintSingleChainIKProperties(
    KScnConstraintSingleChainIK* owner)
    : KScnConstraintProperty(owner)
{
    using Self = KScnConstraintSingleChainIKProperties;
    Bind(Active, "Active", &Self::GetActive, &Self::SetActive);
    Bind(Lock, "Lock", &Self::GetLock, &Self::SetLock);
    BindObjectList(FirstJoint, "FirstJoint", "First Joint", 1, true);
    BindObjectList(EndJoint, "EndJoint", "End Joint", 1, true);
    BindObjectList(Effector, "Effector", "Effector", 1, false);
    BindObjectList(PoleVectorObject, "PoleVectorObject", "Pole Vector Object", -1, false);
    BindEnum(SolverType, "SolverType", &Self::GetSolverType, &Self::SetSolverType, &SolverTypeName);
    BindEnum(PoleVectorType, "PoleVectorType", &Self::GetPoleVectorType, &Self::SetPoleVectorType,
             &PoleVectorTypeName);
    BindEnum(EvaluateTSAnim, "EvaluateTSAnim", &Self::GetEvaluateTSAnim, &Self::SetEvaluateTSAnim,
             &EvaluateTSAnimName);
    KProperty* poleVector = CreateAnimatedVector("PoleVector", 0.0, 0.0, 0.0);
    KProperty* twist = CreateAnimatedProperty("Twist", "Number");
    KProperty* weight = CreateWeight();

    // Defaults, written through the bound setters.
    SolverType.SetValue(Owner::eSCSolver);
    PoleVectorType.SetValue(Owner::ePoleVectorTypeVector);
    EvaluateTSAnim.SetValue(Owner::eNever);
    if (poleVector != nullptr)
    {
        const double value[4] = {0.0, 0.0, 0.0, 1.0};
        poleVector->SetFromDoubles(value);
    }
    if (weight != nullptr)
    {
        weight->SetDouble(100.0);
    }
    if (twist != nullptr)
    {
        twist->SetDouble(0.0);
    }
}

const char* KScnConstraintSingleChainIKProperties::SolverTypeName(int value)
{
    static const char* const kNames[] = {"ikRPSolver", "ikSCSolver"};
    return NameAt(kNames, value);
}

const char* KScnConstraintSingleChainIKProperties::PoleVectorTypeName(int value)
{
    static const char* const kNames[] = {"Vector", "Object"};
    return NameAt(kNames, value);
}

const char* KScnConstraintSingleChainIKProperties::EvaluateTSAnimName(int value)
{
    static const char* const kNames[] = {"Never", "Auto", "Always"};
    return NameAt(kNames, value);
}

KScnConstraintSingleChainIK::ESolverType
KScnConstraintSingleChainIKProperties::SetSolverType(Owner::ESolverType value)
{
    return mSolverType = value;
}
KScnConstraintSingleChainIK::ESolverType KScnConstraintSingleChainIKProperties::GetSolverType()
{
    return mSolverType;
}
KScnConstraintSingleChainIK::EPoleVectorType
KScnConstraintSingleChainIKProperties::SetPoleVectorType(Owner::EPoleVectorType value)
{
    return mPoleVectorType = value;
}
KScnConstraintSingleChainIK::EPoleVectorType KScnConstraintSingleChainIKProperties::GetPoleVectorType()
{
    return mPoleVectorType;
}
KScnConstraintSingleChainIK::EEvalTS
KScnConstraintSingleChainIKProperties::SetEvaluateTSAnim(Owner::EEvalTS value)
{
    return mEvaluateTSAnim = value;
}
KScnConstraintSingleChainIK::EEvalTS KScnConstraintSingleChainIKProperties::GetEvaluateTSAnim()
{
    return mEvaluateTSAnim;
}
bool KScnConstraintSingleChainIKProperties::SetActive(bool value)
{
    return mActive = value;
}
bool KScnConstraintSingleChainIKProperties::GetActive()
{
    return mActive;
}
bool KScnConstraintSingleChainIKProperties::SetLock(bool value)
{
    return mLock = value;
}
bool KScnConstraintSingleChainIKProperties::GetLock()
{
    return mLock;
}

KScnConstraintSingleChainIK::KScnConstraintSingleChainIK(KScnSdkManager* manager, const char* name)
    : KScnConstraint(manager, name), mProperties(new KScnConstraintSingleChainIKProperties(this))
{
    AttachPropertySet(mProperties);
}

} // namespace scenesdk
