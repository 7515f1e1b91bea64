#pragma once

// KScnReader: the interface through which the importer drives one file
// format's reader: open, obtain read options, read into a scene, close.
//
// Every object a reader creates is made through (or adopted by) the SDK
// manager, which owns it, and listed in the scene's contents.

#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

class KScnSceneRoot;
class KStreamOptionsScn;

class KScnReader
{
public:
    enum EError
    {
        eFileCorrupted = 0,
        eFileVersionNotSupportedYet,
        eFileVersionNotSupportedAnymore,
        eFileNotOpened,
        eFileNotCreated,
        eWrongPassword,
        eStreamOptionsNotSet,
        eUnidentifiedError,
        eErrorCount
    };

    KScnReader();
    virtual ~KScnReader();
    KScnReader(const KScnReader&) = delete;
    KScnReader& operator=(const KScnReader&) = delete;

    virtual bool OpenFile(const char* fileName) = 0;
    virtual void CloseFile() = 0;
    virtual bool IsOpen() const = 0;
    // New options owned by the caller (release with Destroy(0)), or null.
    // With parse set the file's takes are filled in.
    virtual KStreamOptionsScn* CreateReadOptions(bool parse) = 0;
    virtual bool ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options) = 0;

    KErrorRecord& GetError() { return mError; }
    const char* GetStatusText() const { return mStatus.Buffer(); }

protected:
    KErrorRecord mError;
    KString mStatus;
};

} // namespace scenesdk
