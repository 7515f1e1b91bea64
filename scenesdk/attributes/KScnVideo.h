#pragma once

// KScnVideo: an image or movie file used as a texture source, a light gobo or
// a camera background (type name "Clip"). It is an animatable scene object
// (object kind 5) whose values live in its property set KScnVideoProperties.
//
// Connections: a video is connected by plugging its property set in as a
// source of another property set (a texture's, or a node's that carries a
// KScnLight). On that connection the set pushes the video's file names into
// the texture (file, relative and media name) or the light (gobo file name,
// KScnLight::SetFileName), and every scene contents that lists the object
// the video is connected to (a texture, a node, a material, a generic node)
// lists the video with one use, unless another video of its name is listed
// there (KScnSceneContents::OnUseConnection); a connection cut takes the use
// back. Later SetFileName /
// SetRelativeFileName calls reach every connected texture again.
//
// Ownership: the video owns its property set and destroys it (Destroy) in its
// own destructor. Textures, lights and scene contents are never owned.

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/attributes/KScnPropertyHandler.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KPropertyTemplate.h"
#include "scenesdk/kernel/KString.h"
#include "scenesdk/kernel/KStringList.h"

#include <string>

namespace scenesdk
{

class KScnVideo;
class KScnSdkManager;

// Names of the "AccessMode" values: 0 "Disk", 1 "Memory", 2 "Disk Async";
// null for any other value.
const char* VideoAccessModeName(int value);
// Names of the "InterlaceMode" values: 0 "None", 1 "Fields", 2 "Half Frame
// Even", 3 "Half Frame Odd", 4 "Full Frame Even", 5 "Full Frame Odd", 6 "Full
// Frame Even/Odd", 7 "Full Frame Odd/Even"; null for any other value.
const char* VideoInterlaceModeName(int value);

class KScnVideoProperties : public KScnPropertyHandler
{
    KCLASSID_DECLARE(KScnVideoProperties)

public:
    explicit KScnVideoProperties(KScnVideo* owner);

    void PushPropertyToTakes(KProperty& property) override;
    KScnTakeNodeContainer* GetOwner() override;
    KScnVideo* GetVideo() const { return mOwner; }

    // On a destination added to this set: feeds the new destination's texture
    // or light and lists the video in the scene contents behind it; on one
    // removed, takes that listing's use back.
    // The event always goes on to KObject's handling, whose result is returned.
    bool ConnectionEvent(const KEventPath* path, int code, KPlug* emitter, int index, KPlug* other,
                         uint32_t type, KPlug* extra) override;

    // Accessors bound to the declared properties, setter then getter.
    virtual void SetFrameRate(double value) { mFrameRate = value; }
    virtual double GetFrameRate() { return mFrameRate; }
    virtual void SetLastFrame(int value) { mLastFrame = value; }
    virtual int GetLastFrame() { return mLastFrame; }
    virtual void SetWidth(int value) { mWidth = value; }
    virtual int GetWidth() { return mWidth; }
    virtual void SetHeight(int value) { mHeight = value; }
    virtual int GetHeight() { return mHeight; }
    // Keeps a copy of the text (a null text keeps the stored one).
    virtual void SetPath(const char* value);
    // Null until a path was set.
    virtual const char* GetPath() { return mHasPath ? mPath.c_str() : nullptr; }
    virtual void SetStartFrame(int value) { mStartFrame = value; }
    virtual int GetStartFrame() { return mStartFrame; }
    virtual void SetStopFrame(int value) { mStopFrame = value; }
    virtual int GetStopFrame() { return mStopFrame; }
    virtual void SetPlaySpeed(double value) { mPlaySpeed = value; }
    virtual double GetPlaySpeed() { return mPlaySpeed; }
    virtual void SetOffset(KTime value) { mOffset = value; }
    virtual KTime GetOffset() { return mOffset; }
    virtual void SetInterlaceMode(int value) { mInterlaceMode = value; }
    virtual int GetInterlaceMode() { return mInterlaceMode; }
    virtual void SetFreeRunning(bool value) { mFreeRunning = value; }
    virtual bool GetFreeRunning() { return mFreeRunning; }
    virtual void SetLoop(bool value) { mLoop = value; }
    virtual bool GetLoop() { return mLoop; }
    virtual void SetAccessMode(int value) { mAccessMode = value; }
    virtual int GetAccessMode() { return mAccessMode; }

    KPropertyTemplate<double> FrameRate;
    KPropertyTemplate<int> LastFrame;
    KPropertyTemplate<int> Width;
    KPropertyTemplate<int> Height;
    KPropertyTemplate<const char*> Path;
    KPropertyTemplate<int> StartFrame;
    KPropertyTemplate<int> StopFrame;
    KPropertyTemplate<double> PlaySpeed;
    KPropertyTemplate<KTime> Offset;
    KPropertyTemplate<int> InterlaceMode; // type code 6 (enum)
    KPropertyTemplate<bool> FreeRunning;
    KPropertyTemplate<bool> Loop;
    KPropertyTemplate<int> AccessMode; // type code 6 (enum)

    // Plain settings, not properties.
    bool mUseMipMap = false;
    bool mOriginalFormat = true;
    KString mOriginalFileName;
    KString mRelativeFileName;

protected:
    ~KScnVideoProperties() override = default;

private:
    void OnDestinationAdded(KPlug* destination);

    KScnVideo* mOwner;
    double mFrameRate = 0.0;
    int mLastFrame = 0;
    int mWidth = 0;
    int mHeight = 0;
    bool mHasPath = false;
    std::string mPath;
    int mStartFrame = 0;
    int mStopFrame = 0;
    double mPlaySpeed = 1.0;
    KTime mOffset;
    int mInterlaceMode = 0;
    bool mFreeRunning = false;
    bool mLoop = false;
    int mAccessMode = 0;
};

namespace detail
{
// Built ahead of the take-node container, which keeps a pointer to it.
struct KScnVideoErrorHolder
{
    KErrorRecord mErrorRecord;
    KScnVideoErrorHolder();
};
} // namespace detail

class KScnVideo : private detail::KScnVideoErrorHolder, public KScnTakeNodeContainer
{
public:
    // name is the full object name; manager may be null for a free video.
    KScnVideo(KScnSdkManager* manager, const char* name);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnVideo() override;
    friend class KScnSdkManager;

public:
    int GetObjectKind() const override { return eKindVideo; }
    KScnPropertyHandler* GetPropertyHandler() override { return mProperties; }
    KScnVideoProperties* GetVideoProperties() const { return mProperties; }
    KString GetTypeName() const override { return KString("Clip"); }
    KStringList GetTypeNameList() const override;
    // Makes the channels of the set's animatable properties in take.
    void BuildTakeChannels(KScnTakeNodeEntry* take) override;

    KErrorRecord& GetError() { return mErrorRecord; }

    // False for a null or empty text. True without any change when the path
    // is already this text; otherwise stores it (through "Path") and passes
    // it to every texture whose property set is a destination of the video's.
    bool SetFileName(const char* name);
    // The path, or null while none was set.
    const char* GetFileName() const;
    // As SetFileName, for the relative file name.
    bool SetRelativeFileName(const char* name);
    const char* GetRelativeFileName() const;

    void SetUseMipMap(bool on);
    bool GetUseMipMap() const;
    void SetOriginalFormat(bool on);
    bool GetOriginalFormat() const;
    void SetOriginalFileName(const char* name);
    const char* GetOriginalFileName() const;

    // The video whose property set is plug (or owns plug, for a property of
    // the set); null for anything else.
    static KScnVideo* FromPlug(KPlug* plug);

private:
    KScnVideoProperties* mProperties;
};

} // namespace scenesdk
