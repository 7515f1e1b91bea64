#pragma once

// KScnReaderScn: reads our scene files (text or binary) into a scene: models
// with their hierarchy, local transforms, user properties and meshes (control
// points, polygons, layers), materials and textures. It also reads the scene
// information (the scene's metadata), characters (settings, solver parameters
// and node slots), the time warps of each take, which the import pass bakes
// into the curves they act on, the scene's time, camera and light settings,
// skin and cluster deformers (bound into links on their geometries) and
// character poses.
//
// ReadScene works in two steps: the whole document is first read into plain
// records and checked (counts, indices, references, repeated names); only a
// document that passes creates objects, so a malformed file leaves the scene
// and the manager untouched. Every failure is error 0 "File is corrupted"
// with what was wrong in the status text; references to undefined names and
// properties the reader does not know are skipped and counted in the status
// text of a successful read.
//
// Memory exhausted (std::bad_alloc) or any other exception of the standard
// library is caught by OpenFile, CreateReadOptions and ReadScene: error 0
// with the reason ("out of memory while reading the scene"); a read is
// taken back (KScnReadUndo), the scene left as it was.
//
// Bounds: models (and the nodes of character poses) nest at most
// kMaxModelDepth deep; the nodes a file makes stay within the budget of its
// size (KScnReadBudget::kSceneNodes, counted before any model is read; the
// options' mBudgetScale raises it). A file past either is refused with
// error 0 and the reason.

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnEncryptedWrapper.h"
#include "scenesdk/fileio/KScnReader.h"
#include "scenesdk/kernel/KScnSceneRoot.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnImporter;
class KScnSceneMetaData;
class KScnSdkManager;
class KScnTakeNodeContainer;

class KScnReaderScn : public KScnReader
{
public:
    // Versions read: kFirstVersion .. kLastVersion.
    static constexpr int32_t kFirstVersion = 1000;
    static constexpr int32_t kLastVersion = 6999;
    static constexpr int kMaxModelDepth = 1000;

    // Neither is owned; the importer may be null.
    KScnReaderScn(KScnSdkManager* manager, KScnImporter* importer);
    ~KScnReaderScn() override;

    bool OpenFile(const char* fileName) override;
    void CloseFile() override;
    bool IsOpen() const override { return mFile.IsOpen(); }
    KStreamOptionsScn* CreateReadOptions(bool parse) override;
    bool ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options) override;

    // The same for a file opened elsewhere (not closed here; the reader's own
    // file is left as it was).
    KStreamOptionsScn* CreateReadOptionsOfFile(KScn& file);
    bool ReadFromFile(KScnSceneRoot* scene, KStreamOptionsScn* options, KScn& file);

    // 0 text, 1 binary, 2 encrypted; -1 when nothing is open.
    int GetFileKind() const { return mEncrypted ? 2 : mFile.GetFileKind(); }
    // The version number of the open file (also after a refused version).
    int32_t GetFileVersion() const { return mVersion; }
    static void SplitVersion(int32_t version, int* major, int* minor, int* revision);

    // The password CreateReadOptions opens a protected file with, so that
    // the options list its takes (the importer hands its own over).
    void SetPassword(const char* password) { mPassword = password != nullptr ? password : ""; }
    // A protected file whose body is not opened yet.
    bool IsSealed() const { return mEncrypted && !mDecrypted; }

    // Header information: a flag, two texts and four values.
    bool HasHeaderInformation() const { return mFile.IsOpen(); }
    const char* GetHeaderText(int i) const;
    int32_t GetHeaderValue(int i) const;

    struct Document;
    // What earlier reads brought into the scene read into: its take owners
    // (and of them those without a take but "Default") and its takes besides
    // "Default" (counted in the read's cost).
    struct SEarlier
    {
        uint64_t owners = 0;
        uint64_t ownersWithoutTakes = 0;
        uint64_t takes = 0;
        uint64_t takeNameBytes = 0; // the bytes of those takes' names
    };

    // How the keys of a take are moved once read: shifted by shift ticks,
    // then scaled about time 0 (KFCurveFilterTimeShiftAndScale).
    struct STakeMove
    {
        bool moves = false;
        KTime shift;
        double scale = 1.0;
        // Set when the spans (or an object's keys) would leave the times a
        // move may reach: nothing (that object's keys) moves, and the take
        // keeps the file's span.
        mutable bool refused = false;
    };

private:
    // OpenFile, CreateReadOptions and ReadScene without their catch of the
    // standard library's exceptions (see the top).
    bool Open(const char* fileName);
    KStreamOptionsScn* CreateOptions(bool parse);
    bool Read(KScnSceneRoot* scene, KStreamOptionsScn* options);
    bool Fail(int id, const std::string& status);
    bool Fail(int id, const char* status);
    // Version range and the counts of the header information.
    bool AfterOpen();
    // Checks the wrapper of an encrypted file and opens its clear header.
    bool OpenEncrypted(const std::vector<char>& bytes);
    // Checks the password and opens the decrypted body in place of the
    // clear header.
    bool Decrypt(const char* password);
    // Models, materials, textures, characters, skins and clusters.
    static constexpr int kTakeObjectKinds = 6;
    // The takes' descriptions go to descriptions, for the scene once all
    // else is read. The file's camera switcher (null when none), kept out
    // of the scene until the read commits, gets every take the scene's
    // objects get.
    void ReadTakes(KScnSceneRoot& scene, KScnNode* switcher, const KStreamOptionsScn& options,
                   const std::map<std::string, KScnTakeNodeContainer*> (&objects)[kTakeObjectKinds],
                   std::vector<KScnTakeDescription>& descriptions, int& skipped);
    // Objects of a kind the options leave out are passed over uncounted;
    // the import pass runs when its switch is on.
    void ReadTakeChannels(const std::string& name, int index, const KStreamOptionsScn& options,
                          const std::map<std::string, KScnTakeNodeContainer*> (&objects)[kTakeObjectKinds],
                          const STakeMove& move, int& skipped);
    // The metadata read goes into the options (which the importer passes on
    // to the scene); read without an importer it goes to the scene here.
    void GiveMetaData(KScnSceneRoot& scene, KStreamOptionsScn& options, const KScnSceneMetaData* metaData);

    KScnSdkManager* mManager;
    KScnImporter* mImporter;
    KScn mFile;
    // The file read by ReadScene and CreateReadOptions: mFile, or the file
    // of ReadFromFile / CreateReadOptionsOfFile while they run.
    KScn* mSource = &mFile;
    int32_t mVersion = 0;
    int32_t mObjectCount = 0;
    int32_t mTakeCount = 0;
    // Encrypted files: the wrapper's parts until the body is decrypted.
    bool mEncrypted = false;
    bool mDecrypted = false;
    KScnEncryptedWrapper mWrapper;
    std::string mPassword;
};

} // namespace scenesdk
