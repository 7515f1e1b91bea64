// KFCurveNode: reading channel trees from scene file "Channel" nests.

#include "scenesdk/animation/KFCurve.h"
#include "scenesdk/animation/KFCurveNode.h"
#include "scenesdk/fileio/KScn.h"
#include "scenesdk/kernel/KDataType.h"

#include <cstring>
#include <memory>
#include <new>

namespace scenesdk
{

namespace
{

bool Contains(const char* text, const char* part)
{
    return std::strstr(text, part) != nullptr;
}

// The name cut at its first "(" with up to two blanks before it removed;
// the name itself when it has no "(".
KString CutRemark(const KString& name)
{
    int end = name.Find('(');
    if (end < 0)
    {
        return name;
    }
    for (int i = 0; i < 2 && end > 0 && name[end - 1] == ' '; ++i)
    {
        --end;
    }
    return name.Left(end);
}

} // namespace

// The child a "Channel" field of that name fills: "R", "S", "T" first by the
// local transform data types, then by name (no case), then by the name cut
// at its remark.
KFCurveNode* KFCurveNode::FindChannelChild(const KString& name)
{
    KFCurveNode* child = nullptr;
    if (name == "R")
    {
        child = FindChildByDataType(KDataTypeLclRotation::Get());
    }
    else if (name == "S")
    {
        child = FindChildByDataType(KDataTypeLclScaling::Get());
    }
    else if (name == "T")
    {
        child = FindChildByDataType(KDataTypeLclTranslation::Get());
    }
    if (child == nullptr)
    {
        child = GetChildAt(IndexOfChildByName(name.Buffer()));
    }
    if (child == nullptr)
    {
        const KString cut = CutRemark(name);
        if (cut.GetLen() != name.GetLen())
        {
            child = GetChildAt(IndexOfChildByName(cut.Buffer()));
        }
    }
    // The fourth component of a property's channel is "toto"; files that
    // name it "W" fill it too (and the other way round).
    if (child == nullptr && (name == "W" || name == "toto"))
    {
        child = GetChildAt(IndexOfChildByName(name == "W" ? "toto" : "W"));
    }
    return child;
}

void KFCurveNode::ApplyLayerTypeFixups(int fileVersion)
{
    const KDataType* type = GetDataType();
    const char* name = GetName();
    if (type == KDataTypeLclRotation::Get() || std::strcmp(name, "R") == 0)
    {
        if (GetChildCount() == 3)
        {
            SetLayerType(eKFCurveNodeLayerEulerRotation, nullptr);
        }
        else if (mLayerType == eKFCurveNodeLayerEulerRotation)
        {
            SetLayerType(eKFCurveNodeLayerNormal, nullptr);
        }
    }
    if (type == KDataTypeLclTranslation::Get() || std::strcmp(name, "T") == 0 ||
        Contains(name, "Translation"))
    {
        SetLayerType(eKFCurveNodeLayerAdditive, nullptr);
    }
    if (type == KDataTypeLclScaling::Get() || std::strcmp(name, "S") == 0 || Contains(name, "Scaling"))
    {
        SetLayerType(eKFCurveNodeLayerMultiply, nullptr);
    }
    if (fileVersion == 4000 && mLayerType != eKFCurveNodeLayerNormal)
    {
        const bool r =
            Contains(name, "R") && std::strcmp(name, "R") != 0 && type == KDataTypeLclRotation::Get();
        const bool t =
            Contains(name, "T") && std::strcmp(name, "T") != 0 && type == KDataTypeLclTranslation::Get();
        const bool s =
            Contains(name, "S") && std::strcmp(name, "S") != 0 && type == KDataTypeLclScaling::Get();
        if (r || t || s)
        {
            SetLayerType(eKFCurveNodeLayerNormal, nullptr);
        }
    }
}

bool KFCurveNode::ReadScn(KScn& scn, bool defaultOnly, bool create, bool withColor)
{
    // A "Channel" field without a block names the channel and nothing more.
    if (scn.HasFieldBlock() && scn.EnterFieldBlock())
    {
        const char* userName = scn.ReadStringField("UserName", "");
        if (userName != nullptr && userName[0] != '\0')
        {
            SetTypeName(userName);
        }
        if (mCurve != nullptr)
        {
            KFCurve::ReadScnDefault(scn, mCurve, defaultOnly, withColor);
        }
        else if (KFCurve* curve = KFCurve::ReadScnDefault(scn, defaultOnly, withColor))
        {
            if (GetChildCount() == 0)
            {
                SetFCurve(curve, false);
            }
            else
            {
                delete curve;
            }
        }
        mLayerId = scn.ReadIntField("LayerID", 0);
        SetLayerType(scn.ReadIntField("LayerType", 0), nullptr);
        while (ReadScnChannels(scn, this, defaultOnly, create, withColor) != nullptr)
        {
        }
        ReadScnLayerChannel(scn, this, defaultOnly);
        const int warpId = scn.ReadIntField("TimeWarpID", 0);
        if (warpId != 0)
        {
            if (KFCurveNode* warp = FindTimeWarpById(warpId))
            {
                const char* name = GetName();
                const bool component =
                    std::strcmp(name, "X") == 0 || std::strcmp(name, "Y") == 0 || std::strcmp(name, "Z") == 0;
                KFCurveNode* target = (mParent != nullptr && mLayerId == 0 && component) ? mParent : this;
                target->SetTimeWarp(warp);
            }
        }
        scn.LeaveFieldBlock();
    }
    ApplyLayerTypeFixups(scn.GetFileVersion());
    return true;
}

// Skipped channels (unknown to the tree when it may not grow, or under a
// parent with a curve of its own) are passed over in a loop, so a file with
// any number of them costs no stack.
KFCurveNode* KFCurveNode::ReadScnChannels(KScn& scn, KFCurveNode* parent, bool defaultOnly, bool create,
                                          bool withColor)
{
    for (;;)
    {
        if (!scn.OpenField("Channel"))
        {
            return nullptr;
        }
        const KString name(scn.NextValueAsString());
        KFCurveNode* child = parent != nullptr ? parent->FindChannelChild(name) : nullptr;
        if (child == nullptr)
        {
            if ((parent != nullptr && parent->mCurve != nullptr) || !create)
            {
                scn.CloseField();
                withColor = false;
                continue;
            }
            child = MakeWhole(name.Buffer(), name.Buffer(), nullptr, 0, 0);
            if (child == nullptr)
            {
                scn.CloseField();
                return nullptr;
            }
            if (parent != nullptr && parent->AdoptChild(child) == nullptr)
            {
                scn.CloseField();
                return nullptr;
            }
        }
        if (parent != nullptr)
        {
            child->ReadScn(scn, defaultOnly, create, withColor);
        }
        else
        {
            // No parent holds it yet: memory running out while it is read
            // frees it.
            std::unique_ptr<KFCurveNode> held(child);
            child->ReadScn(scn, defaultOnly, create, withColor);
            held.release();
        }
        scn.CloseField();
        // A layer's channel shares the naming record of its base channel.
        // Only below a real layer node: under a base node the "base" would be
        // the channel itself or a sibling.
        if (child->mLayerId >= 1 && parent != nullptr && parent->mLayerOwner != parent)
        {
            KFCurveNode* base =
                parent->mLayerOwner->GetChildAt(parent->mLayerOwner->IndexOfChildByName(child->GetName()));
            if (base != nullptr && base != child)
            {
                child->mLayerOwner = base;
                child->SetNodeInfo(base->mInfo);
            }
        }
        return child;
    }
}

KFCurveNode* KFCurveNode::ReadScnChannel(KScn& scn, bool defaultOnly, bool withColor)
{
    return ReadScnChannels(scn, nullptr, defaultOnly, true, withColor);
}

// A layer is a shape copy of its base: the base's children, each with an
// empty curve at the layer type's neutral value. The file's channels then
// fill the children of their names, so a layer that names only some of
// them leaves the others neutral; a name the base does not have is
// skipped. Only a base without children or curve takes the layer's
// channels as the file gives them.
KFCurveNode* KFCurveNode::ReadScnLayerChannel(KScn& scn, KFCurveNode* node, bool defaultOnly)
{
    if (node == nullptr || !scn.OpenField("LayerChannel"))
    {
        return nullptr;
    }
    KFCurveNode* layer = CreateCopy(node);
    if (layer == nullptr)
    {
        scn.CloseField();
        return nullptr;
    }
    // A layer read again replaces (and frees) the one before.
    node->SetNextLayer(layer, true);
    layer->mLayerOwner = node->mLayerOwner;
    int layerId = 0;
    if (scn.HasFieldBlock() && scn.EnterFieldBlock())
    {
        layerId = scn.ReadIntField("LayerID", 0);
        scn.LeaveFieldBlock();
    }
    layer->AddLayerShape(*node, layerId);
    const bool create = node->GetChildCount() == 0 && node->mCurve == nullptr;
    layer->ReadScn(scn, defaultOnly, create, false);
    scn.CloseField();
    return layer;
}

} // namespace scenesdk
