#include "scenesdk/kernel/KScnVideo.h"

namespace scenesdk
{

namespace
{
const char* const kVideoErrors[] = {"Take node error"};
} // namespace

detail::KScnVideoErrorHolder::KScnVideoErrorHolder() : mErrorRecord(kVideoErrors, 1) {}

KScnVideo::KScnVideo(KScnSdkManager* manager, const char* name)
    : KScnTakeNodeContainer(manager, name, &mErrorRecord)
{
    AddDefaultTakeNode();
}

} // namespace scenesdk
