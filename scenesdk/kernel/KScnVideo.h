#pragma once

// KScnVideo: a video clip or image sequence that textures may show, named
// "Video::" + name by the SDK manager, which makes and destroys it. It holds
// the clip's file name; it has no animatable values (no property set).

#include "scenesdk/animation/KScnTakeNodeContainer.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

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
    // The name is kept as given (the manager prefixes it); the take
    // "Default" is added.
    KScnVideo(KScnSdkManager* manager, const char* name);

    int GetObjectKind() const override { return eKindVideo; }
    KString GetTypeName() const override { return KString("Video"); }
    void BuildTakeChannels(KScnTakeNodeEntry* /*take*/) override {}

    void SetFileName(const char* fileName) { mFileName = fileName != nullptr ? fileName : ""; }
    const char* GetFileName() const { return mFileName.Buffer(); }
    KErrorRecord& GetError() { return mErrorRecord; }

private:
    KString mFileName;
};

} // namespace scenesdk
