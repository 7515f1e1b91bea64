#pragma once

// A small animatable object for the take tests: a material-like container
// whose property set declares "Diffuse" (colour), "Opacity" (double), "Mode"
// (int), all animatable, and "Comment" (text, not animatable).

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KgeRGBVector.h"

#include <functional>

namespace taketest
{

using namespace scenesdk;

class TestMaterial;

class TestMaterialProperties : public KScnPropertyHandler
{
public:
    explicit TestMaterialProperties(TestMaterial* owner);

    virtual void SetDiffuse(KgeRGBVector value);
    virtual KgeRGBVector GetDiffuse() { return mDiffuse; }
    virtual void SetOpacity(double value);
    virtual double GetOpacity() { return mOpacity; }
    virtual void SetMode(int value);
    virtual int GetMode() { return mMode; }

    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;

    KPropertyTemplate<KgeRGBVector> Diffuse;
    KPropertyTemplate<double> Opacity;
    KPropertyTemplate<int> Mode;
    KPropertyTemplate<KString> Comment;

    TestMaterial* mOwner;
    KgeRGBVector mDiffuse;
    double mOpacity = 0.0;
    int mMode = 0;
    int mDiffuseSets = 0;
    int mOpacitySets = 0;
    // Runs inside every setter, after the value is stored and pushed.
    std::function<void()> mOnSet;

protected:
    ~TestMaterialProperties() override = default;
};

struct ErrorHolder
{
    KErrorRecord mErrorRecord{nullptr, 0};
};

class TestMaterial : private ErrorHolder, public KScnTakeNodeContainer
{
public:
    explicit TestMaterial(bool withDefaultTake = true)
        : KScnTakeNodeContainer("Material::test", &mErrorRecord), mProps(new TestMaterialProperties(this))
    {
        if (withDefaultTake)
        {
            AddDefaultTakeNode();
        }
    }
    ~TestMaterial() override
    {
        if (mProps != nullptr)
        {
            mProps->Destroy();
        }
    }
    // Destroys the property set ahead of the object.
    void DropProps()
    {
        mProps->Destroy();
        mProps = nullptr;
    }

    int GetObjectKind() const override { return eKindMaterial; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProps; }
    void BuildTakeChannels(KScnTakeNodeEntry* take) override
    {
        for (int i = 0; mProps != nullptr && i < mProps->GetPropertyCount(); ++i)
        {
            KProperty* p = mProps->GetProperty(i);
            if (p->IsAnimatable())
            {
                CreatePropertyChannels(p, take);
            }
        }
    }

    KErrorRecord& Error() { return mErrorRecord; }
    TestMaterialProperties* Props() { return mProps; }

    // The curve of a channel path ("Diffuse/Y") in a take; null when absent.
    KFCurve* Curve(int take, const char* path)
    {
        KScnTakeNodeEntry* t = GetTakeNode(take);
        KFCurveNode* node = t != nullptr ? t->GetRootCurveNode()->FindDescendant(path) : nullptr;
        return node != nullptr ? node->GetFCurve() : nullptr;
    }

private:
    TestMaterialProperties* mProps;
};

inline TestMaterialProperties::TestMaterialProperties(TestMaterial* owner) : mOwner(owner)
{
    Diffuse.Initialize("Diffuse", this, &TestMaterialProperties::GetDiffuse,
                       &TestMaterialProperties::SetDiffuse);
    AddProperty(&Diffuse);
    Opacity.Initialize("Opacity", this, &TestMaterialProperties::GetOpacity,
                       &TestMaterialProperties::SetOpacity);
    AddProperty(&Opacity);
    Mode.Initialize("Mode", this, &TestMaterialProperties::GetMode, &TestMaterialProperties::SetMode);
    AddProperty(&Mode);
    Comment.Initialize("Comment", this);
    AddProperty(&Comment);
    for (KProperty* p : {static_cast<KProperty*>(&Diffuse), static_cast<KProperty*>(&Opacity),
                         static_cast<KProperty*>(&Mode)})
    {
        p->GetAttributes().SetFlag(KPropertyAttributes::kAnimatable, true);
    }
    Diffuse.SetValue(KgeRGBVector(0.8, 0.8, 0.8));
    Opacity.SetValue(1.0);
    Mode.SetValue(0);
    mDiffuseSets = 0;
    mOpacitySets = 0;
}

inline void TestMaterialProperties::SetDiffuse(KgeRGBVector value)
{
    mDiffuse = value;
    ++mDiffuseSets;
    PushPropertyToTakes(Diffuse);
    if (mOnSet)
    {
        mOnSet();
    }
}

inline void TestMaterialProperties::SetOpacity(double value)
{
    mOpacity = value;
    ++mOpacitySets;
    PushPropertyToTakes(Opacity);
    if (mOnSet)
    {
        mOnSet();
    }
}

inline void TestMaterialProperties::SetMode(int value)
{
    mMode = value;
    PushPropertyToTakes(Mode);
}

inline void TestMaterialProperties::PushPropertyToTakes(KProperty& property)
{
    mOwner->PushPropertyToTakeDefaults(&property);
}

inline KScnTakeNodeContainer* TestMaterialProperties::GetOwner()
{
    return mOwner;
}

// Counts the events a curve hands to its listeners.
struct CurveSpy
{
    int calls = 0;
    uint32_t bits = 0;
    static void Callback(KFCurve*, KFCurveEvent* event, void* self)
    {
        auto* spy = static_cast<CurveSpy*>(self);
        ++spy->calls;
        spy->bits |= event->mEventType;
    }
};

} // namespace taketest
