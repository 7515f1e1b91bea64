#pragma once

// KScnConstraintSingleChainIK: an IK chain from a first joint to an end joint
// reaching for an effector, with a solver choice and a pole vector given as a
// vector or by pole objects (kind 5, "Single Chain IK"). Both joint lists are
// destinations (driven); it keeps the base's empty SetOffset.

#include "scenesdk/attributes/KScnConstraint.h"

namespace scenesdk
{

class KScnConstraintSingleChainIKProperties;

class KScnConstraintSingleChainIK : public KScnConstraint
{
public:
    enum ESolverType
    {
        eRPSolver = 0,
        eSCSolver = 1,
    };
    enum EPoleVectorType
    {
        ePoleVectorTypeVector = 0,
        ePoleVectorTypeObject = 1,
    };
    enum EEvalTS
    {
        eNever = 0,
        eAutoDetect = 1,
        eAlways = 2,
    };

    KScnConstraintSingleChainIK(KScnSdkManager* manager, const char* name);

    KString GetTypeName() const override { return KString("Single Chain IK"); }
    EConstraintKind GetConstraintKind() const override { return eSingleChainIK; }

    KScnConstraintSingleChainIKProperties* GetProperties() const { return mProperties; }

private:
    KScnConstraintSingleChainIKProperties* mProperties;

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnConstraintSingleChainIK() override = default;
    friend class KScnSdkManager;
};

class KScnConstraintSingleChainIKProperties : public KScnConstraintProperty
{
    KCLASSID_DECLARE(KScnConstraintSingleChainIKProperties)

public:
    using Owner = KScnConstraintSingleChainIK;

    explicit KScnConstraintSingleChainIKProperties(KScnConstraintSingleChainIK* owner);

    // Enumerator names; null past the last value.
    static const char* SolverTypeName(int value);
    static const char* PoleVectorTypeName(int value);
    static const char* EvaluateTSAnimName(int value);

    // Setters store and return the value; getters return it.
    virtual Owner::ESolverType SetSolverType(Owner::ESolverType value);
    virtual Owner::ESolverType GetSolverType();
    virtual Owner::EPoleVectorType SetPoleVectorType(Owner::EPoleVectorType value);
    virtual Owner::EPoleVectorType GetPoleVectorType();
    virtual Owner::EEvalTS SetEvaluateTSAnim(Owner::EEvalTS value);
    virtual Owner::EEvalTS GetEvaluateTSAnim();
    virtual bool SetActive(bool value);
    virtual bool GetActive();
    virtual bool SetLock(bool value);
    virtual bool GetLock();

    KScnConstraintObjectList FirstJoint;       // "First Joint", tag 1, destinations
    KScnConstraintObjectList EndJoint;         // "End Joint", tag 1, destinations
    KScnConstraintObjectList Effector;         // "Effector", tag 1, sources
    KScnConstraintObjectList PoleVectorObject; // "Pole Vector Object", tag -1, sources
    KPropertyTemplate<Owner::ESolverType> SolverType;
    KPropertyTemplate<Owner::EPoleVectorType> PoleVectorType;
    KPropertyTemplate<Owner::EEvalTS> EvaluateTSAnim;
    KPropertyTemplate<bool> Active;
    KPropertyTemplate<bool> Lock;

protected:
    ~KScnConstraintSingleChainIKProperties() override = default;

private:
    Owner::ESolverType mSolverType = Owner::eSCSolver;
    Owner::EPoleVectorType mPoleVectorType = Owner::ePoleVectorTypeVector;
    Owner::EEvalTS mEvaluateTSAnim = Owner::eNever;
    bool mActive = false;
    bool mLock = false;
};

} // namespace scenesdk
