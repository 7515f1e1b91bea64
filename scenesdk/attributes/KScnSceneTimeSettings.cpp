#include "scenesdk/attributes/KScnSceneTimeSettings.h"

namespace scenesdk
{

namespace
{

const char* const kTimeMessages[] = {"Index out of range."};

} // namespace

KScnSceneTimeSettings::Body::Body() : error(kTimeMessages, 1) {}

KScnSceneTimeSettings::KScnSceneTimeSettings() : mBody(new Body)
{
    RestoreDefaults();
}

KScnSceneTimeSettings::~KScnSceneTimeSettings()
{
    RemoveAllTimeMarkers();
}

void KScnSceneTimeSettings::RestoreDefaults()
{
    mBody->timeMode = 6;
    mBody->timeFormat = 1;
    mBody->snapOnFrames = 0;
    RemoveAllTimeMarkers();
}

int KScnSceneTimeSettings::GlobalTimeMode()
{
    return KTime::GetGlobalTimeMode();
}

int KScnSceneTimeSettings::GlobalTimeFormat()
{
    return KTime::GetGlobalTimeFormat();
}

void KScnSceneTimeSettings::SetTimeMode(int mode)
{
    mBody->timeMode = mode;
}

int KScnSceneTimeSettings::GetTimeMode() const
{
    if (mBody->timeMode != 0)
    {
        return mBody->timeMode;
    }
    const int global = GlobalTimeMode();
    return global != 0 ? global : 6;
}

void KScnSceneTimeSettings::SetTimeFormat(int format)
{
    mBody->timeFormat = format;
}

int KScnSceneTimeSettings::GetTimeFormat() const
{
    if (mBody->timeFormat != 2)
    {
        return mBody->timeFormat;
    }
    const int global = GlobalTimeFormat();
    return global != 2 ? global : 1;
}

const KScnSceneTimeMarker* KScnSceneTimeSettings::GetTimeMarker(int index) const
{
    return index >= 0 && index < GetTimeMarkerCount() ? mBody->timeMarkers[static_cast<size_t>(index)].get()
                                                      : nullptr;
}

void KScnSceneTimeSettings::AddTimeMarker(KScnSceneTimeMarker marker)
{
    mBody->timeMarkers.push_back(std::make_unique<KScnSceneTimeMarker>(marker));
}

void KScnSceneTimeSettings::RemoveAllTimeMarkers()
{
    while (!mBody->timeMarkers.empty())
    {
        mBody->timeMarkers.pop_back();
    }
    mBody->currentTimeMarker = -1;
}

bool KScnSceneTimeSettings::SetCurrentTimeMarker(int index)
{
    if (index < 0 || index >= GetTimeMarkerCount())
    {
        mBody->error.SetLastErrorID(eIndexOutOfRange);
        return false;
    }
    mBody->currentTimeMarker = index;
    return true;
}

} // namespace scenesdk
