#include "scenesdk/attributes/KScnMarker.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/attributes/KScnNull.h"
#include "scenesdk/kernel/KDataType.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnNode.h"

#include <new>

namespace scenesdk
{

namespace
{

const char* const kLookNames[] = {"Cube", "Hard Cross", "Light Cross", "Sphere"};
const char* const kKindNames[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector"};

// The data types of the channels a marker kind adds, and their layer type.
struct MarkerChannels
{
    KDataType* types[2];
    int count;
    int layerType;
};

MarkerChannels ChannelsOfKind(int kind)
{
    if (kind == KScnMarker::eOpticalMarker)
    {
        return {{KDataTypeOcclusion::Get(), nullptr}, 1, 0};
    }
    if (kind == KScnMarker::eIKEffector)
    {
        return {{KDataTypeIKReachTranslation::Get(), KDataTypeIKReachRotation::Get()}, 2, 1};
    }
    return {{nullptr, nullptr}, 0, 0};
}

} // namespace

// ---------------------------------------------------------------------------
// KScnMarkerProperties

KCLASSID_DEFINE(KScnMarkerProperties, &KObject::ClassRecord);

KScnMarkerProperties::KScnMarkerProperties()
{
    using P = KScnMarkerProperties;
    Look.Initialize("Look", this, &P::GetLook, &P::SetLook);
    AddProperty(&Look);
    Size.Initialize("Size", this, &P::GetSize, &P::SetSize);
    AddProperty(&Size);
    Color.Initialize("Color", this, &P::GetColor, &P::SetColor);
    AddProperty(&Color);
    ShowLabel.Initialize("ShowLabel", this, &P::GetShowLabel, &P::SetShowLabel);
    AddProperty(&ShowLabel);
    IKPivot.Initialize("IKPivot", this, &P::GetIKPivot, &P::SetIKPivot);
    AddProperty(&IKPivot);
    Look.SetEnumNameFunction(&KScnMarker::GetLookName);
    Look.SetTypeCode(eKPropEnum);
}

void KScnMarkerProperties::SetColor(KgeRGBVector value)
{
    for (int i = 0; i < 3; ++i)
    {
        mColor[i] = value.mData[i];
    }
}

KgeRGBVector KScnMarkerProperties::GetColor()
{
    return KgeRGBVector(mColor[0], mColor[1], mColor[2], 1.0);
}

void KScnMarkerProperties::SetIKPivot(KgeTVector value)
{
    for (int i = 0; i < 3; ++i)
    {
        mIKPivot[i] = value.mData[i];
    }
}

KgeTVector KScnMarkerProperties::GetIKPivot()
{
    return KgeTVector(mIKPivot[0], mIKPivot[1], mIKPivot[2], 1.0);
}

// ---------------------------------------------------------------------------
// KScnMarker

const char* KScnMarker::GetLookName(int value)
{
    return value >= 0 && value < 4 ? kLookNames[value] : nullptr;
}

KScnMarker::KScnMarker(KScnSdkManager* manager) : mManager(manager), mProperties(new KScnMarkerProperties)
{
    Reset();
}

KScnMarker::~KScnMarker()
{
    KScnReleaseAttributeFromNode(this);
    mProperties->Destroy();
}

void KScnMarker::Reset()
{
    mMarkerKind = eMarker;
    mProperties->Look.SetValue(eCube);
    mProperties->Size.SetValue(100.0);
    mProperties->Color.SetValue(KgeRGBVector(1.0, 0.0, 0.0));
    mProperties->ShowLabel.SetValue(false);
    mProperties->IKPivot.SetValue(KgeTVector(0.0, 0.0, 0.0, 1.0));
}

void KScnMarker::AddChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const MarkerChannels channels = ChannelsOfKind(mMarkerKind);
    for (int i = 0; i < channels.count; ++i)
    {
        KDataType* type = channels.types[i];
        // Owned until the tree takes it.
        std::unique_ptr<KFCurveNode, void (*)(KFCurveNode*)> node(
            KMade(KFCurveNode::Create(type->GetName(), type, channels.layerType, 0)), &KFCurveNode::Destroy);
        KFCurve* curve = KMade(KFCurve::Create());
        node->SetFCurve(curve);
        curve->SetDefaultValue(0.0f);
        curve->SetColor(0.75f, 0.0f, 0.0f);
        if (root->AddChild(node.get()) >= 0)
        {
            node.release();
        }
    }
}

void KScnMarker::RemoveChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNodeToPrune() : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const MarkerChannels channels = ChannelsOfKind(mMarkerKind);
    for (int i = 0; i < channels.count; ++i)
    {
        if (KFCurveNode* node = root->FindChildByDataType(channels.types[i]))
        {
            root->DeleteChild(node);
        }
    }
}

void KScnMarker::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    KScnAppendObjectProperties(mProperties, out);
}

KObject* KScnMarker::GetHandlerPropertySet() const
{
    return mProperties;
}

KString KScnMarker::GetTypeName() const
{
    return KString(mMarkerKind >= 0 && mMarkerKind < 4 ? kKindNames[mMarkerKind] : "Marker");
}

KStringList KScnMarker::GetTypeNameList() const
{
    KStringList names;
    names.Add("Marker");
    return names;
}

void KScnMarker::SetMarkerKind(EMarkerKind kind)
{
    if (kind == mMarkerKind)
    {
        return;
    }
    KScnNode* node = GetNode();
    if (node == nullptr)
    {
        mMarkerKind = kind;
        return;
    }
    // The old kind's channels are found by the old kind, so the marker leaves
    // the node before the kind changes. Going through the node keeps the
    // node's own settings (which follow the marker kind) in step.
    node->SetNodeAttribute(nullptr);
    mMarkerKind = kind;
    node->SetNodeAttribute(this);
}

void KScnMarker::SetLook(ELook look)
{
    mProperties->Look.SetValue(look);
}

KScnMarker::ELook KScnMarker::GetLook()
{
    return mProperties->Look.GetValue();
}

void KScnMarker::SetSize(double size)
{
    mProperties->Size.SetValue(size);
}

double KScnMarker::GetSize()
{
    return mProperties->Size.GetValue();
}

void KScnMarker::SetShowLabel(bool show)
{
    mProperties->ShowLabel.SetValue(show);
}

bool KScnMarker::GetShowLabel()
{
    return mProperties->ShowLabel.GetValue();
}

void KScnMarker::SetColorByValue(KColorRGBA color)
{
    mProperties->Color.SetValue(KgeRGBVector(color.mRed, color.mGreen, color.mBlue));
}

KColorRGBA KScnMarker::GetColor()
{
    const KgeRGBVector stored = mProperties->Color.GetValue();
    return KColorRGBA(stored.mData[0], stored.mData[1], stored.mData[2], 1.0);
}

void KScnMarker::SetIKPivot(const KgeTVector& pivot)
{
    mProperties->IKPivot.SetValue(KgeTVector(pivot.mData[0], pivot.mData[1], pivot.mData[2], 1.0));
}

KgeTVector KScnMarker::GetIKPivot()
{
    return mProperties->IKPivot.GetValue();
}

namespace
{

// The default take's curve of that data type, to write: null when the
// marker is no attached IK effector or the take has no such channel; throws
// std::bad_alloc where memory ran out making the take's channels its own
// (the take reading as before).
KFCurve* IKReachCurveToWrite(KScnNode* node, int kind, const KDataType* type)
{
    KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    if (kind != KScnMarker::eIKEffector || take == nullptr)
    {
        return nullptr;
    }
    KFCurve* curve = take->FindCurveByDataType(nullptr, nullptr, type);
    if (curve == nullptr &&
        static_cast<const KScnTakeNodeEntry*>(take)->FindCurveByDataType(nullptr, nullptr, type))
    {
        throw std::bad_alloc();
    }
    return curve;
}

} // namespace

void KScnMarker::SetDefaultIKReachTranslation(double value)
{
    if (KFCurve* curve = IKReachCurveToWrite(GetNode(), mMarkerKind, KDataTypeIKReachTranslation::Get()))
    {
        curve->SetDefaultValue(static_cast<float>(value));
    }
}

void KScnMarker::SetDefaultIKReachRotation(double value)
{
    if (KFCurve* curve = IKReachCurveToWrite(GetNode(), mMarkerKind, KDataTypeIKReachRotation::Get()))
    {
        curve->SetDefaultValue(static_cast<float>(value));
    }
}

} // namespace scenesdk
