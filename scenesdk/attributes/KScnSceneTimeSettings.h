#pragma once

// Scene time settings: time mode and format, snapping and the named time
// markers. A small handle owning its body; the scene creates one, resets it
// when cleared, and the file reader fills it.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

#include <memory>
#include <vector>

namespace scenesdk
{

// A named point in time; a value record.
class KScnSceneTimeMarker
{
public:
    KScnSceneTimeMarker() = default;
    KScnSceneTimeMarker(const char* name, KTime time, bool loop) : mName(name), mTime(time), mLoop(loop) {}

    KString mName{""};
    KTime mTime;
    bool mLoop = false;
};

class KScnSceneTimeSettings
{
public:
    enum EError
    {
        eIndexOutOfRange = 0
    };

    KScnSceneTimeSettings();
    ~KScnSceneTimeSettings();
    KScnSceneTimeSettings(const KScnSceneTimeSettings&) = delete;
    KScnSceneTimeSettings& operator=(const KScnSceneTimeSettings&) = delete;

    // Mode 6, format 1, no snapping, no markers, no current marker.
    void RestoreDefaults();

    // A stored 0 stands for the global mode (6 when that is 0 as well).
    void SetTimeMode(int mode);
    int GetTimeMode() const;
    // 0 timecode, 1 frame count; a stored 2 stands for the global format (1
    // when that is 2 as well).
    void SetTimeFormat(int format);
    int GetTimeFormat() const;
    void SetSnapOnFrames(int value) { mBody->snapOnFrames = value; }
    int GetSnapOnFrames() const { return mBody->snapOnFrames; }

    int GetTimeMarkerCount() const { return static_cast<int>(mBody->timeMarkers.size()); }
    // Null for an index out of range.
    const KScnSceneTimeMarker* GetTimeMarker(int index) const;
    // Appends a copy.
    void AddTimeMarker(KScnSceneTimeMarker marker);
    void RemoveAllTimeMarkers();
    // False with "Index out of range." unless 0 <= index < count.
    bool SetCurrentTimeMarker(int index);
    int GetCurrentTimeMarker() const { return mBody->currentTimeMarker; }

    KErrorRecord& GetError() { return mBody->error; }

    // The global mode and format consulted for stored 0 and 2.
    static int GlobalTimeMode();
    static int GlobalTimeFormat();

private:
    struct Body
    {
        Body();
        int timeMode = 6;
        int timeFormat = 1;
        int snapOnFrames = 0;
        std::vector<std::unique_ptr<KScnSceneTimeMarker>> timeMarkers;
        int currentTimeMarker = -1;
        KErrorRecord error;
    };
    std::unique_ptr<Body> mBody;
};

} // namespace scenesdk
