#pragma once

// KScnIO: the base of importers and exporters: the file name, the last error
// (ids into the IO message table below), the SDK manager that made the object
// and the status text of the last read or write.
//
// Progress reports go through the read options in use, which are set only
// while a read runs.

#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

namespace scenesdk
{

class KScnSdkManager;
class KStreamOptionsScn;

class KScnIO
{
public:
    // Error ids of the IO message table.
    enum EError
    {
        eFileCorrupted = 0,          // "File is corrupted"
        eFileVersionNotSupportedYet, // "File version is not supported yet"
        eFileVersionNotSupportedAnymore,
        eFileNotOpened,
        eFileNotCreated,
        eOutOfDiskSpace,
        eUninitializedFilename,
        eUnidentifiedError,
        eIndexOutOfRange,
        ePasswordError,
        eStreamOptionsNotSet,
        eErrorCount
    };

    // manager is not owned and may be null (for objects made outside a manager).
    explicit KScnIO(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    virtual ~KScnIO();
    friend class KScnSdkManager;

public:
    KScnIO(const KScnIO&) = delete;
    KScnIO& operator=(const KScnIO&) = delete;

    // Stores the file name (null reads as ""); true.
    virtual bool Initialize(const char* fileName);
    // A copy of the file name.
    virtual KString GetFileName() const;
    // While options are in use, hands the object, the message (text, then
    // " - " and the detail when a non-empty detail is given) and the value to
    // their progress callback; otherwise does nothing.
    virtual void ReportProgress(void* object, const char* text, const char* detail, double value);

    // The SDK's file version, 6000, as major 6, minor 0, revision 0. Null
    // outputs are skipped.
    static void GetCurrentVersion(int* major, int* minor, int* revision);

    int GetLastErrorID() const { return m_Error.GetLastErrorID(); }
    const char* GetLastErrorString() const { return m_Error.GetLastErrorString(); }
    KErrorRecord& GetError() { return m_Error; }

    KScnSdkManager* GetManager() const { return m_Manager; }
    const char* GetStatusText() const { return m_StatusText.Buffer(); }

protected:
    KErrorRecord m_Error;
    KString m_FileName;
    KScnSdkManager* m_Manager;
    // Not owned; set only while a read runs.
    KStreamOptionsScn* m_OptionsInUse = nullptr;
    // The reader's or writer's status text after the last operation.
    KString m_StatusText;
};

} // namespace scenesdk
