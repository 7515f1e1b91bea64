#include "scenesdk/attributes/KScnVideo.h"

#include "scenesdk/attributes/KScnLight.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneContents.h"
#include "scenesdk/kernel/KScnTexture.h"

#include <cstring>

namespace scenesdk
{

namespace
{
const char* const kAccessModeNames[] = {"Disk", "Memory", "Disk Async"};
const char* const kInterlaceModeNames[] = {"None",
                                           "Fields",
                                           "Half Frame Even",
                                           "Half Frame Odd",
                                           "Full Frame Even",
                                           "Full Frame Odd",
                                           "Full Frame Even/Odd",
                                           "Full Frame Odd/Even"};

template <size_t N> const char* NameAt(const char* const (&names)[N], int value)
{
    return (value >= 0 && static_cast<size_t>(value) < N) ? names[value] : nullptr;
}

const char* const kVideoErrors[] = {"Error"};

// The scene object behind a plug: the owner of the property set the plug is,
// or of the set that owns it (a property of the set).
KScnTakeNodeContainer* SceneObjectOf(KPlug* plug)
{
    if (plug == nullptr)
    {
        return nullptr;
    }
    KScnPropertyHandler* set = plug->AsPropertyHandler();
    if (set == nullptr && plug->GetOwner() != nullptr)
    {
        set = plug->GetOwner()->AsPropertyHandler();
    }
    return set != nullptr ? set->GetOwner() : nullptr;
}

KScnTexture* TextureOf(KPlug* plug)
{
    KScnTakeNodeContainer* object = SceneObjectOf(plug);
    return (object != nullptr && object->GetObjectKind() == KScnObject::eKindTexture)
               ? static_cast<KScnTexture*>(object)
               : nullptr;
}
} // namespace

const char* VideoAccessModeName(int value)
{
    return NameAt(kAccessModeNames, value);
}

const char* VideoInterlaceModeName(int value)
{
    return NameAt(kInterlaceModeNames, value);
}

// ---------------------------------------------------------------------------
// KScnVideoProperties

KCLASSID_DEFINE(KScnVideoProperties, &KScnPropertyHandler::ClassRecord);

KScnVideoProperties::KScnVideoProperties(KScnVideo* owner) : mOwner(owner)
{
    using P = KScnVideoProperties;
    FrameRate.Initialize("FrameRate", this, &P::GetFrameRate, &P::SetFrameRate);
    AddProperty(&FrameRate);
    LastFrame.Initialize("LastFrame", this, &P::GetLastFrame, &P::SetLastFrame);
    AddProperty(&LastFrame);
    Width.Initialize("Width", this, &P::GetWidth, &P::SetWidth);
    AddProperty(&Width);
    Height.Initialize("Height", this, &P::GetHeight, &P::SetHeight);
    AddProperty(&Height);
    Path.Initialize("Path", this, &P::GetPath, &P::SetPath);
    AddProperty(&Path);
    StartFrame.Initialize("StartFrame", this, &P::GetStartFrame, &P::SetStartFrame);
    AddProperty(&StartFrame);
    StopFrame.Initialize("StopFrame", this, &P::GetStopFrame, &P::SetStopFrame);
    AddProperty(&StopFrame);
    PlaySpeed.Initialize("PlaySpeed", this, &P::GetPlaySpeed, &P::SetPlaySpeed);
    AddProperty(&PlaySpeed);
    Offset.Initialize("Offset", this, &P::GetOffset, &P::SetOffset);
    AddProperty(&Offset);
    InterlaceMode.Initialize("InterlaceMode", this, &P::GetInterlaceMode, &P::SetInterlaceMode);
    AddProperty(&InterlaceMode);
    FreeRunning.Initialize("FreeRunning", this, &P::GetFreeRunning, &P::SetFreeRunning);
    AddProperty(&FreeRunning);
    Loop.Initialize("Loop", this, &P::GetLoop, &P::SetLoop);
    AddProperty(&Loop);
    AccessMode.Initialize("AccessMode", this, &P::GetAccessMode, &P::SetAccessMode);
    AddProperty(&AccessMode);

    InterlaceMode.SetTypeCode(eKPropEnum);
    InterlaceMode.SetEnumNameFunction(&VideoInterlaceModeName);
    AccessMode.SetTypeCode(eKPropEnum);
    AccessMode.SetEnumNameFunction(&VideoAccessModeName);
}

void KScnVideoProperties::PushPropertyToTakes(KProperty& property)
{
    if (mOwner != nullptr)
    {
        mOwner->PushPropertyToTakeDefaults(&property);
    }
}

KScnTakeNodeContainer* KScnVideoProperties::GetOwner()
{
    return mOwner;
}

void KScnVideoProperties::SetPath(const char* value)
{
    if (value == nullptr)
    {
        return;
    }
    mPath = value;
    mHasPath = true;
}

bool KScnVideoProperties::ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index,
                                          KPlug* other, uint32_t type, KPlug* extra)
{
    if (emitter == this && code == eDstAdded && other != nullptr && mOwner != nullptr)
    {
        OnDestinationAdded(other);
    }
    // The scene contents that list the object the video is attached to (a
    // texture, a node, a material, a generic node) list the video, one use
    // each; detached, it leaves them with that use.
    if (emitter == this && (code == eDstAdded || code == eDstRemoved))
    {
        KScnSceneContents::OnUseConnection(other, this, code == eDstAdded);
    }
    return HandleConnectionEvent(path, code, emitter, index, other, type, extra);
}

void KScnVideoProperties::OnDestinationAdded(KPlug* destination)
{
    KScnTakeNodeContainer* object = SceneObjectOf(destination);
    if (object != nullptr && object->GetObjectKind() == KScnObject::eKindTexture)
    {
        auto* texture = static_cast<KScnTexture*>(object);
        texture->SetFileName(GetPath());
        texture->SetRelativeFileName(mRelativeFileName.Buffer());
        texture->SetMediaName(mOwner->GetName());
    }
    else if (object != nullptr && object->GetObjectKind() == KScnObject::eKindNode)
    {
        if (auto* light = dynamic_cast<KScnLight*>(static_cast<KScnNode*>(object)->GetLight()))
        {
            light->SetFileName(GetPath());
        }
    }
}

// ---------------------------------------------------------------------------
// KScnVideo

detail::KScnVideoErrorHolder::KScnVideoErrorHolder() : mErrorRecord(kVideoErrors, 1) {}

KScnVideo::KScnVideo(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord), mProperties(new KScnVideoProperties(this))
{
    AddDefaultTakeNode();
}

KScnVideo::~KScnVideo()
{
    if (mProperties != nullptr)
    {
        mProperties->Destroy();
        mProperties = nullptr;
    }
}

KStringList KScnVideo::GetTypeNameList() const
{
    KStringList out;
    out.Add("Clip");
    return out;
}

void KScnVideo::BuildTakeChannels(KScnTakeNodeEntry* take)
{
    for (int i = 0; i < mProperties->GetPropertyCount(); ++i)
    {
        KProperty* property = mProperties->GetProperty(i);
        if (property != nullptr && property->IsAnimatable())
        {
            CreatePropertyChannels(property, take);
        }
    }
}

bool KScnVideo::SetFileName(const char* name)
{
    if (name == nullptr || name[0] == '\0')
    {
        return false;
    }
    const char* current = mProperties->GetPath();
    if (current != nullptr && std::strcmp(current, name) == 0)
    {
        return true;
    }
    mProperties->Path.SetValue(name);
    const char* path = mProperties->GetPath();
    // The texture hands the name back to us; it is equal by then, so the
    // exchange stops there.
    for (int i = 0; i < mProperties->GetDstCount(); ++i)
    {
        if (KScnTexture* texture = TextureOf(mProperties->GetDst(i)))
        {
            texture->SetFileName(path);
        }
    }
    return true;
}

const char* KScnVideo::GetFileName() const
{
    return mProperties->GetPath();
}

bool KScnVideo::SetRelativeFileName(const char* name)
{
    if (name == nullptr || name[0] == '\0')
    {
        return false;
    }
    if (std::strcmp(mProperties->mRelativeFileName.Buffer(), name) == 0)
    {
        return true;
    }
    mProperties->mRelativeFileName = name;
    for (int i = 0; i < mProperties->GetDstCount(); ++i)
    {
        if (KScnTexture* texture = TextureOf(mProperties->GetDst(i)))
        {
            texture->SetRelativeFileName(mProperties->mRelativeFileName.Buffer());
        }
    }
    return true;
}

const char* KScnVideo::GetRelativeFileName() const
{
    return mProperties->mRelativeFileName.Buffer();
}

void KScnVideo::SetUseMipMap(bool on)
{
    mProperties->mUseMipMap = on;
}

bool KScnVideo::GetUseMipMap() const
{
    return mProperties->mUseMipMap;
}

void KScnVideo::SetOriginalFormat(bool on)
{
    mProperties->mOriginalFormat = on;
}

bool KScnVideo::GetOriginalFormat() const
{
    return mProperties->mOriginalFormat;
}

void KScnVideo::SetOriginalFileName(const char* name)
{
    mProperties->mOriginalFileName = name != nullptr ? name : "";
}

const char* KScnVideo::GetOriginalFileName() const
{
    return mProperties->mOriginalFileName.Buffer();
}

KScnVideo* KScnVideo::FromPlug(KPlug* plug)
{
    KScnTakeNodeContainer* object = SceneObjectOf(plug);
    return (object != nullptr && object->GetObjectKind() == KScnObject::eKindVideo)
               ? static_cast<KScnVideo*>(object)
               : nullptr;
}

} // namespace scenesdk
