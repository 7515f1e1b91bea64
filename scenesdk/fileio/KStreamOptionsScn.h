#pragma once

// KStreamOptionsScn: the read options of a scene file: fourteen boolean
// switches, the take descriptions found in the file, the current take name,
// the password of an encrypted file, the file's metadata (when it has some)
// and a progress callback.
//
// The switches (EOption, all on by default) say which kinds of content a
// read makes; a reader leaves out the kinds whose switch is off. The
// importer's twelve states are switches 0 to 2, 4 to 11 and 13 (state 10 is
// switch 13; KScnImporter::SetState). What each reader reads of them: the
// scene file format notes (7.12) and the README.
// The take descriptions are the scene's records (KScnSceneRoot.h).
//
// The readers of foreign formats derive their own options from this class
// (KStreamOptionsForeign and its kinds): the importer hands them around as
// these, and a reader tells its own kind by Is with its class id.

#include "scenesdk/kernel/KScnSceneMetaData.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KString.h"

#include <memory>
#include <vector>

namespace scenesdk
{

class KStreamOptionsScn
{
public:
    static constexpr int kOptionCount = 14;
    // The switches by index. A refused file is refused whatever they say:
    // the whole file is read and checked before they leave anything out.
    enum EOption
    {
        eCharacterPoses = 0, // character poses with their private scenes
        eMaterials = 1,      // materials (with models' Materials and material layers)
        eTextures = 2,       // textures (with models' Textures and texture layers)
        eKeepDeformers = 3,  // off: skins and clusters, once bound into links, are destroyed
        eDeformers = 4,      // skins and clusters, and the links they bind
        eShapes = 5,         // the shapes (morph targets) of geometries
        eUserProperties = 6, // models' user properties
        ePivots = 7,         // models' pivots, offsets, pre- and post-rotations and limits
        eCharacters = 8,     // characters with their control sets
        eTakes = 9,          // takes: their channels, the takes a read adds, their descriptions
        eGlobalSettings = 10, // the scene's time, camera and light settings
        eSceneInfo = 11,     // the scene's metadata
        eReserved12 = 12,    // not used
        eImportPass = 13     // the import pass over the channels read (layers, time warps)
    };
    // Called with the object reporting, a message and a value.
    using ProgressCallback = void (*)(void* object, const char* message, double value);

    // Every switch on, no takes, no password.
    KStreamOptionsScn();
    virtual ~KStreamOptionsScn();
    KStreamOptionsScn(const KStreamOptionsScn&) = delete;
    KStreamOptionsScn& operator=(const KStreamOptionsScn&) = delete;

    static int GetClassId() { return 0x53434e4f; }
    // True for this class's id and, in derived options, for each id of
    // their chain.
    virtual bool Is(int classId) const { return classId == GetClassId(); }

    // Indexes outside 0..13 read false and are not written.
    bool GetOption(int index) const;
    void SetOption(int index, bool value);

    // Owned copies.
    std::vector<KScnTakeDescription>& GetTakes() { return mTakes; }
    const std::vector<KScnTakeDescription>& GetTakes() const { return mTakes; }
    KString mCurrentTakeName;
    KString mPassword;
    // Every reader bounds what one file may make by the file's size (the
    // nodes a scene file or a foreign file names, the points, corners and
    // nodes a DXF drawing expands to: KScnReadBudget) and refuses a file
    // past its budget with error 0 naming this option. The budgets are
    // multiplied by this: 2 reads a file that makes twice as much. A value
    // that is not a number above 0 fails the read with error 7.
    double mBudgetScale = 1.0;

    // The file's metadata; null when it has none.
    const KScnSceneMetaData* GetSceneMetaData() const { return mMetaData.get(); }
    // Keeps a copy (null removes it).
    void SetSceneMetaData(const KScnSceneMetaData* metaData);

    void SetProgressCallback(ProgressCallback callback) { mProgress = callback; }
    // Forwards to the callback when one is set.
    void ReportProgress(void* object, const char* message, double value) const;

    // Releases options a reader made (see KScnReader::CreateReadOptions);
    // argument kept for the callers' form, always 0.
    void Destroy(int);

private:
    bool mOptions[kOptionCount];
    std::vector<KScnTakeDescription> mTakes;
    ProgressCallback mProgress = nullptr;
    std::unique_ptr<KScnSceneMetaData> mMetaData;
};

} // namespace scenesdk
