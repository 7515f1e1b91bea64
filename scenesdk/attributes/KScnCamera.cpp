#include "scenesdk/attributes/KScnCamera.h"

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/animation/KScnTakeNodeEntry.h"
#include "scenesdk/kernel/KMade.h"
#include "scenesdk/kernel/KScnNode.h"

namespace scenesdk
{

namespace
{

struct ChannelDefault
{
    const char* name;
    float value;
    float color[3];
};

// Curve defaults written into every take, with the curves' display colours.
const ChannelDefault kScalarChannels[] = {
    {"FieldOfView", 25.115f, {0.55f, 0.55f, 0.81f}}, {"FieldOfViewX", 40.0f, {0.06f, 0.06f, 0.94f}},
    {"FieldOfViewY", 40.0f, {0.04f, 0.04f, 0.4f}},   {"OpticalCenterX", 0.0f, {0.5f, 0.88f, 0.73f}},
    {"OpticalCenterY", 0.0f, {0.13f, 0.56f, 0.34f}}, {"Roll", 0.0f, {0.13f, 0.18f, 0.4f}},
    {"TurnTable", 0.0f, {0.4f, 0.13f, 0.18f}}};

const char* const kColorComponents[] = {"X", "Y", "Z"};

KFCurve* BackgroundCurve(KScnTakeNodeEntry* take, int component)
{
    return take != nullptr ? take->FindCurveToWrite(nullptr, "BackgroundColor", kColorComponents[component])
                           : nullptr;
}

const KFCurve* BackgroundCurve(const KScnTakeNodeEntry* take, int component)
{
    return take != nullptr ? take->FindCurve(nullptr, "BackgroundColor", kColorComponents[component])
                           : nullptr;
}

} // namespace

KScnCamera::KScnCamera(KScnSdkManager* manager) : mManager(manager), mProperties(new KScnCameraProperties)
{
    Reset();
}

KScnCamera::~KScnCamera()
{
    if (KScnNode* node = GetNode())
    {
        if (node->GetNodeAttribute() == this)
        {
            node->SetNodeAttribute(nullptr);
        }
        else
        {
            DetachFromNode();
        }
    }
    mProperties->Destroy();
    mProperties = nullptr;
}

KStringList KScnCamera::GetTypeNameList() const
{
    KStringList list;
    list.Add("Camera");
    return list;
}

void KScnCamera::CollectHandlerProperties(std::vector<KProperty*>& out)
{
    for (int i = 0; i < mProperties->GetPropertyCount(); ++i)
    {
        out.push_back(mProperties->GetProperty(i));
    }
}

KObject* KScnCamera::GetHandlerPropertySet() const
{
    return mProperties;
}

// ---- Attachment and channels -------------------------------------------------

void KScnCamera::AddChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? KMade(take->GetRootCurveNode()) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    KScnNode* node = GetNode();
    const bool linkTake = node != nullptr && KString(take->GetName()) == KString("Default");
    KScnCameraProperties& p = *mProperties;
    KProperty* const scalarProperties[] = {p.FieldOfView,    p.FieldOfViewX, p.FieldOfViewY, p.OpticalCenterX,
                                           p.OpticalCenterY, p.Roll,         p.TurnTable};
    for (size_t i = 0; i < sizeof(kScalarChannels) / sizeof(kScalarChannels[0]); ++i)
    {
        KFCurveNode* channel = KMade(root->FindOrCreateChild(kScalarChannels[i].name, true));
        KFCurve* curve = channel != nullptr ? channel->GetFCurve() : nullptr;
        if (curve == nullptr)
        {
            continue;
        }
        if (linkTake)
        {
            node->LinkPropertyToCurve(scalarProperties[i], 0, curve);
        }
        curve->SetDefaultValue(kScalarChannels[i].value);
        curve->SetColor(kScalarChannels[i].color);
    }
    KFCurveNode* background = KMade(root->FindOrCreateChild("BackgroundColor", false));
    if (background == nullptr)
    {
        return;
    }
    // The property and the default take's curves are kept equal while
    // attached; the property is also right on a re-attach, when a kept
    // "BackgroundColor" channel may hold values from before the detach.
    const KColorRGBA color = GetDefaultBackgroundColor();
    const double rgb[3] = {color.mRed, color.mGreen, color.mBlue};
    for (int c = 0; c < 3; ++c)
    {
        KFCurveNode* component = KMade(background->FindOrCreateChild(kColorComponents[c], true));
        KFCurve* curve = component != nullptr ? component->GetFCurve() : nullptr;
        if (curve == nullptr)
        {
            continue;
        }
        if (linkTake)
        {
            node->LinkPropertyToCurve(p.BackgroundColor, c, curve);
        }
        curve->SetDefaultValue(static_cast<float>(rgb[c]));
        curve->SetColor(c == 0 ? 1.0f : 0.0f, c == 1 ? 1.0f : 0.0f, c == 2 ? 1.0f : 0.0f);
    }
}

void KScnCamera::RemoveChannels(KScnTakeNodeEntry* take)
{
    KFCurveNode* root = take != nullptr ? take->GetRootCurveNodeToPrune() : nullptr;
    if (root == nullptr)
    {
        return;
    }
    for (const ChannelDefault& channel : kScalarChannels)
    {
        const int index = root->IndexOfChildByName(channel.name);
        if (index >= 0)
        {
            root->DeleteChildAt(index);
        }
    }
}

// ---- Position, names, target ----------------------------------------------------

void KScnCamera::SetPosition(const KgeTVector& position)
{
    if (KScnNode* node = GetNode())
    {
        node->SetLocalTranslation(position[0], position[1], position[2]);
    }
}

KgeTVector KScnCamera::GetPosition() const
{
    KgeTVector position(0.0, 0.0, 0.0, 0.0);
    if (KScnNode* node = GetNode())
    {
        node->GetLocalTranslation(position);
    }
    return position;
}

const char* KScnCamera::GetBackgroundTextureName() const
{
    return mBackgroundTextureName.IsEmpty() ? nullptr : mBackgroundTextureName.Buffer();
}

const char* KScnCamera::GetBackgroundMediaName() const
{
    return mBackgroundMediaName.IsEmpty() ? nullptr : mBackgroundMediaName.Buffer();
}

void KScnCamera::ConnectTarget(KScnObject* object)
{
    KScnNode* node = GetNode();
    KPlug* target = object != nullptr ? object->GetPropertyHandler() : nullptr;
    KPlug* own = node != nullptr ? node->GetPropertyHandler() : nullptr;
    if (target == nullptr || own == nullptr || own->IsSrcConnected(target))
    {
        return;
    }
    own->ConnectSrc(target, 0);
}

void KScnCamera::SetFrameColor(const KColorRGBA& color)
{
    mProperties->FrameColor.SetValue(KgeRGBVector(color.mRed, color.mGreen, color.mBlue, color.mAlpha));
}

void KScnCamera::SetBackgroundPlacement(int flags)
{
    mProperties->FitImage.SetValue((flags & 1) != 0);
    mProperties->Center.SetValue((flags & 2) != 0);
    mProperties->KeepRatio.SetValue((flags & 4) != 0);
    mProperties->Crop.SetValue((flags & 8) != 0);
}

void KScnCamera::SetUseOverSamplingTime(int value)
{
    if (value == 0 || value == 1)
    {
        mProperties->UseRealTimeDOFAndAA.SetValue(value == 0);
    }
}

// ---- Channels -------------------------------------------------------------------

void KScnCamera::SetChannel(KProperty* property, const char* curveName, double value)
{
    // The curve is had first (the default take's tree made its own): what
    // changes after takes no memory.
    KScnNode* node = GetNode();
    KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    KFCurve* curve = take != nullptr ? take->FindCurveToWrite(nullptr, nullptr, curveName) : nullptr;
    if (property != nullptr)
    {
        property->SetDouble(value);
    }
    if (curve != nullptr)
    {
        curve->SetDefaultValue(static_cast<float>(value));
    }
}

void KScnCamera::SetFieldOfView(double degrees)
{
    SetChannel(mProperties->FieldOfView, "FieldOfView", degrees);
}

void KScnCamera::SetFieldOfViewX(double value)
{
    SetChannel(mProperties->FieldOfViewX, "FieldOfViewX", value);
}

void KScnCamera::SetFieldOfViewY(double value)
{
    SetChannel(mProperties->FieldOfViewY, "FieldOfViewY", value);
}

void KScnCamera::SetOpticalCenterX(double value)
{
    SetChannel(mProperties->OpticalCenterX, "OpticalCenterX", value);
}

void KScnCamera::SetOpticalCenterY(double value)
{
    SetChannel(mProperties->OpticalCenterY, "OpticalCenterY", value);
}

void KScnCamera::SetRoll(double degrees)
{
    SetChannel(mProperties->Roll, "Roll", degrees);
}

void KScnCamera::SetTurnTable(double value)
{
    SetChannel(mProperties->TurnTable, "TurnTable", value);
}

double KScnCamera::GetDefaultRoll() const
{
    return mProperties->Roll != nullptr ? mProperties->Roll->GetDouble() : 0.0;
}

double KScnCamera::GetDefaultTurnTable() const
{
    return mProperties->TurnTable != nullptr ? mProperties->TurnTable->GetDouble() : 0.0;
}

void KScnCamera::SetBackgroundColor(const KColorRGBA& color)
{
    const double value[4] = {color.mRed, color.mGreen, color.mBlue, 1.0};
    KScnNode* node = GetNode();
    KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    // Every curve is had before anything is written.
    KFCurve* const curves[3] = {BackgroundCurve(take, 0), BackgroundCurve(take, 1), BackgroundCurve(take, 2)};
    if (mProperties->BackgroundColor != nullptr)
    {
        mProperties->BackgroundColor->SetFromDoubles(value);
    }
    for (int c = 0; c < 3; ++c)
    {
        if (curves[c] != nullptr)
        {
            curves[c]->SetDefaultValue(static_cast<float>(value[c]));
        }
    }
}

KColorRGBA KScnCamera::GetDefaultBackgroundColor() const
{
    double value[4] = {0.0, 0.0, 0.0, 1.0};
    if (mProperties->BackgroundColor != nullptr)
    {
        mProperties->BackgroundColor->GetAsDoubles(value);
    }
    return KColorRGBA(value[0], value[1], value[2], value[3]);
}

KColorRGBA KScnCamera::GetBackgroundColor() const
{
    const KScnNode* node = GetNode();
    const KScnTakeNodeEntry* take = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    const KFCurve* curves[3] = {BackgroundCurve(take, 0), BackgroundCurve(take, 1), BackgroundCurve(take, 2)};
    if (curves[0] == nullptr || curves[1] == nullptr || curves[2] == nullptr)
    {
        // Detached, or the channel is not there yet (attachment in progress).
        return GetDefaultBackgroundColor();
    }
    return KColorRGBA(curves[0]->GetDefaultValue(), curves[1]->GetDefaultValue(),
                      curves[2]->GetDefaultValue(), 1.0);
}

} // namespace scenesdk
