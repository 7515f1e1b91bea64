#pragma once

// KScnImporter: turns a file into the contents of a scene. It makes the
// reader of the file's format, opens the file, carries the import states, the
// takes and the password between the caller and the reader's read options,
// runs the read and reports failures with the IO message table.
//
// Formats 0 to 2 are our scene files (the reader tells which kind it found);
// formats 3 to 16 have foreign-format readers (KScnForeignReader): DXF (3),
// 3DS (4), OBJ (5), BVH (6), HTR (7), TRC (8), ASF (9), AMC (10), C3D (11),
// AOA (12) and MOV (15) are read. MCD (13), VPM (14) and BRD (16) are not:
// opening such a file fails with error 7 and the reader's message ("Ascension
// files cannot be read: their layout is not known to this build"). A missing
// foreign file fails with error 3. A foreign file refused while reading
// fails the import with the reader's error (0 for a malformed file) and its
// reason as status text. Any other format has no reader: opening fails with
// error 7.
//
// Memory exhausted (std::bad_alloc) or any other exception of the standard
// library thrown by a read is caught by the reader or here: the call fails
// with error 0 and the reason as status text ("out of memory while reading
// the scene"), and a failed Import leaves the scene as it was (KScnReadUndo).

#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnIO.h"

#include <string>
#include <vector>

namespace scenesdk
{

class KScn;
class KScnReader;
class KScnSceneMetaData;
class KScnSceneRoot;

class KScnImporter : public KScnIO
{
public:
    static constexpr int kStateCount = 12;
    static constexpr int kFormatCount = 17;

    explicit KScnImporter(KScnSdkManager* manager);

protected:
    // Destroyed only by the manager (KScnFree.h: one made without a manager).
    ~KScnImporter() override;
    friend class KScnSdkManager;

public:
    // Resets, stores the name and, when the lower-cased extension contains
    // "scn", opens the reader now (its result returned); otherwise true.
    bool Initialize(const char* fileName) override;
    bool Import(KScnSceneRoot* scene, KStreamOptionsScn* options = nullptr);

    int GetFileFormat() const { return mFormat; }
    void SetFileFormat(int format) { mFormat = format; }
    // Index 0..11; others are ignored. The states are the read options'
    // switches 0 to 2, 4 to 11 and 13 (KStreamOptionsScn::EOption): state 0
    // character poses, 1 materials, 2 textures, 3 skins and clusters, 4
    // shapes, 5 user properties, 6 pivots, 7 characters, 8 takes, 9 global
    // settings, 10 the import pass, 11 the scene information. A state the
    // caller set stands until the next Initialize: the reader's options
    // (GetImportOptions) fill only the others, and an import without given
    // options reads with them.
    void SetState(int index, bool value);
    bool GetState(int index) const;
    void SetPassword(const char* password) { mPassword = password != nullptr ? password : ""; }
    // Major 1 to 4 is reported as 5, 0, 0. Null outputs are skipped.
    void GetFileVersion(int* major, int* minor, int* revision) const;
    int GetTakeCount();
    // Null out of range or for a foreign format.
    KScnTakeDescription* GetTakeDescription(int index);
    const char* GetCurrentTakeName() const { return mCurrentTakeName.Buffer(); }
    // The copy of the file's metadata taken with the read options (made
    // through the manager); null when the file has none. A successful
    // import copies it into the scene's record.
    KScnSceneMetaData* GetSceneMetaData() const { return mMetaData; }
    // The reader's options; with keep false null (error 7) when there are
    // none. A protected file is opened with the password first, when it is
    // the right one, so that its takes are listed; otherwise they are read
    // again after the import that opens it.
    KStreamOptionsScn* GetImportOptions(bool keep);
    static const char* GetFileExtension(int format);
    // The first format whose extension is the text (any case); -1 when none.
    static int FindFileFormat(const char* extension);
    // A new reader of the format (owned by the caller); null outside 0..16.
    static KScnReader* CreateReader(KScnSdkManager* manager, KScnImporter* importer, int format);

    // With a temporary scene reader, the read options (takes filled in) of a
    // file already opened elsewhere; null with error 4 without a file, 7
    // when the reader gives none. The caller releases them with Destroy(0).
    KStreamOptionsScn* GetFileReadOptions(KScn* file);
    // With a temporary scene reader, reads a file opened elsewhere into the
    // scene. False with error 10 without options, 4 without a file, 7 when
    // the read fails.
    bool ImportFromFile(KScnSceneRoot* scene, KStreamOptionsScn* options, KScn* file);

    bool HasHeaderInformation() const { return mHeaderInfo; }
    const char* GetHeaderText(int i) const;
    int32_t GetHeaderValue(int i) const;

private:
    // Initialize, GetImportOptions, GetTakeCount and Import without their
    // catch of the standard library's exceptions.
    bool Start(const char* fileName);
    KStreamOptionsScn* ObtainOptions(bool keep);
    int CountTakes();
    bool ImportScene(KScnSceneRoot* scene, KStreamOptionsScn* options);
    // Error 0 with the reason as status text, no options in use.
    void FailWith(const char* reason);
    void Reset();
    void CloseReader();
    bool OpenReader();
    // Takes the open failure of the reader (its id when id is -1) into the
    // error record and status text, then closes the reader.
    bool FailOpen(int id);
    // The error of a failed read from the reader's id: 0 to 4 are the same
    // here, a wrong password is 9 with its own text, any other 7.
    void SetReadError(int readerId);
    void RefreshTakes();
    void CopyFromOptions(KStreamOptionsScn& options);
    void FillOptions(KStreamOptionsScn& options) const;
    // The states into the options' switches.
    void FillStates(KStreamOptionsScn& options) const;
    void DestroyMetaData();
    // Replaces the metadata copy with a copy of metaData (none for null).
    void KeepMetaData(const KScnSceneMetaData* metaData);

    int mFormat = 0;
    KScnReader* mReader = nullptr; // owned
    bool mOptionsRead = false;
    // The takes were read from a protected file not opened yet (none known).
    bool mTakesSealed = false;
    // The last password tried on such a file for its takes (each try derives
    // a key, so a wrong one is not tried again on every call).
    KString mUnsealTried;
    KString mPassword;
    std::vector<KScnTakeDescription> mTakes;
    KScnSceneMetaData* mMetaData = nullptr;
    KString mCurrentTakeName;
    bool mStates[kStateCount];
    bool mStatesSet[kStateCount]; // set by the caller since the last reset
    int mVersion[3] = {0, 0, 0};
    bool mHeaderInfo = false;
    KString mHeaderTexts[2];
    int32_t mHeaderValues[4] = {0, 0, 0, 0};
};

} // namespace scenesdk
