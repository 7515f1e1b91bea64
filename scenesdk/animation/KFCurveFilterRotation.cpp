#include "scenesdk/animation/KFCurveFilterRotation.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveFilterKeySync.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/kernel/KDataType.h"

#include <memory>
#include <new>

namespace scenesdk
{

KFCurveFilterRotationNode::KFCurveFilterRotationNode(KFCurve** curves, int rotationOrder)
    : mNode(KFCurveNode::Create("R", nullptr, eKFCurveNodeLayerEulerRotation, 0))
{
    if (mNode == nullptr)
    {
        return;
    }
    // Made whole or not at all (memory running out): the curves are the
    // caller's, let go of before the node goes.
    try
    {
        mNode->SetRotationOrder(rotationOrder);
        static const char* const kNames[3] = {"X", "Y", "Z"};
        for (int i = 0; i < 3; ++i)
        {
            std::unique_ptr<KFCurveNode> child(KFCurveNode::Create(kNames[i], KDataTypeNumber::Get(), 0, 0));
            if (child == nullptr || mNode->AddChild(child.get()) < 0)
            {
                Release();
                return;
            }
            child.release()->SetFCurve(curves[i], false);
        }
    }
    catch (...)
    {
        Release();
        throw;
    }
}

void KFCurveFilterRotationNode::Release()
{
    for (int i = 0; i < mNode->GetChildCount(); ++i)
    {
        mNode->GetChildAt(i)->SetFCurve(nullptr, false);
    }
    delete mNode;
    mNode = nullptr;
}

KFCurveFilterRotationNode::~KFCurveFilterRotationNode()
{
    if (mNode != nullptr)
    {
        Release();
    }
}

bool KFCurveFilterRotationCurves(KFCurveNode& node, KFCurve** curves)
{
    if (node.GetChildCount() != 3)
    {
        return false;
    }
    for (int i = 0; i < 3; ++i)
    {
        curves[i] = node.GetChildAt(i)->GetFCurve();
        if (curves[i] == nullptr)
        {
            return false;
        }
    }
    return true;
}

void KFCurveFilterSyncRotation(KFCurve** curves, KTime start, KTime stop)
{
    KFCurveFilterKeySync sync;
    sync.SetStartTime(start);
    sync.SetStopTime(stop);
    if (sync.NeedApplyToCurves(curves, 3))
    {
        sync.ApplyToCurves(curves, 3);
    }
}

} // namespace scenesdk
