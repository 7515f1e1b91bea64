#pragma once

// KScnForeignReader: the base of the readers of foreign file formats (DXF,
// 3DS, OBJ, the motion-capture formats). It carries the reader interface
// once for all of them; a format's reader supplies only its reading rules.
//
// Open: OpenFile reads the whole file into memory through the SDK's checked
// file reading (only a regular file is read; a FIFO or device, a missing
// file give error 3 "File not opened", a file past the size limit error 0),
// then calls OnOpen, where a reader may look at the bytes (a magic number)
// and refuse. CloseFile frees the bytes.
//
// Options: CreateReadOptions gives the reader's own kind of options
// (CreateOptions; KStreamOptionsForeign by default) while a file is open. A
// reader of a readable format derives from KScnForeignReaderOf<its options>,
// which supplies these and hands ReadContent's options over as its kind.
//
// Read: ReadScene checks the file, the options and the scene, then calls
// ReadContent with an import builder (KScnImportBuilder). Everything the
// reader makes goes through the builder; it reaches the scene only when
// ReadContent returns true. On false the builder destroys all of it, so a
// refused file leaves the scene as it was.
//
// Refusing: a malformed file is refused with error 0 "File is corrupted"
// and the reason as status text: `return Refuse("face with 2 corners");` or
// `return RefuseAt(line, "...")` ("line 12: ..."). A refusal must come
// before the reader allocates more than the file can fill: a count read from
// the file is checked against the bytes left before anything is reserved.
//
// Memory exhausted (std::bad_alloc) or any other exception of the standard
// library while opening or reading is caught: error 0 with the reason ("out
// of memory while reading the file"), and the scene as it was before the
// read (KScnReadUndo).
//
// Formats this build cannot read (their layout is not known): a reader
// that does not override IsReadable refuses every existing file at OpenFile
// with error 7 and the message "<format> files cannot be read: their layout
// is not known to this build".
//
// Ownership: made and deleted by the importer (or a caller); creates scene
// objects only through the manager, via the builder.

#include "scenesdk/fileio/KScnReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnImportBuilder;
class KScnSdkManager;
class KStreamOptionsScn;
struct KScnReadBudget;
struct KScnReadCost;

class KScnForeignReader : public KScnReader
{
public:
    // formatName names the format in messages ("3DS"); static text.
    KScnForeignReader(KScnSdkManager* manager, const char* formatName);
    ~KScnForeignReader() override;

    bool OpenFile(const char* fileName) override;
    void CloseFile() override;
    bool IsOpen() const override { return mOpen; }
    KStreamOptionsScn* CreateReadOptions(bool parse) override;
    bool ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options) override;

    const char* GetFormatName() const { return mFormatName; }
    KScnSdkManager* GetManager() const { return mManager; }
    // The name given to OpenFile, and its folder ("" or ending in '/'; back
    // slashes turned to '/', as the readers join paths with it).
    const std::string& GetFileName() const { return mFileName; }
    std::string GetFolder() const;
    // The file's name without its folder and extension ("walk" for
    // "data/walk.amc"): what a motion reader names its take after.
    std::string GetFileStem() const;

    // Reads another file (an OBJ's material library, an AMC's skeleton)
    // with the same checks as OpenFile. False with why set.
    static bool ReadSideFile(const std::string& path, std::vector<char>& bytes, std::string& why);
    // True for a relative path (either slash) that never climbs out of its
    // folder through "..": what a reader follows when the caller keeps reads
    // inside the model's folder.
    static bool StaysInFolder(const char* path);
    // The status text of a read with warnings: the first most of them
    // (all for 0), "; " between, then "N more warnings" for the rest.
    static std::string JoinWarnings(const std::vector<std::string>& warnings, size_t most = 0);

protected:
    // True for formats this build reads.
    virtual bool IsReadable() const { return false; }
    // Called once the bytes are in; false refuses the file (set the error
    // with Refuse or Fail first). Default: true.
    virtual bool OnOpen() { return true; }
    // New options of the reader's kind (owned by the caller).
    virtual KStreamOptionsScn* CreateOptions() const;
    // Reads the open file into the builder; false refuses it (error set by
    // Refuse or Fail; when none is set the read fails with error 7).
    virtual bool ReadContent(KScnImportBuilder& builder, const KStreamOptionsScn& options);

    const std::vector<char>& GetBytes() const { return mBytes; }

    // Error 0 "File is corrupted" with the reason as status text; false.
    bool Refuse(const std::string& reason);
    bool Refuse(const char* reason);
    // The same with "line N: " before the reason.
    bool RefuseAt(int line, const std::string& reason);
    // Any error id with a status text; false.
    bool Fail(int id, const std::string& status);
    bool Fail(int id, const char* status);
    // True when value, the option called name, is a number above 0 and at
    // most most; else error 7 "the <name> option must be a number above 0"
    // (", at most <most>" when a limit is given) and false.
    bool CheckOption(double value, const char* name, double most = 0.0);
    // True when count, what the file asks this read to make ("nodes"), is
    // within the budget of the file's size scaled by the options'
    // mBudgetScale; else refuses the file (error 0) with a reason naming
    // "<optionsClass>::mBudgetScale" as the option raising the budget.
    // sideBytes: the size of a side file the content comes from as well
    // (an AMC's skeleton), added to the file's.
    bool CheckBudget(const KScnReadBudget& budget, uint64_t count, const char* what,
                     const KStreamOptionsScn& options, const char* optionsClass, size_t sideBytes = 0);
    // The same for what the file asks for of every kind, weighed in bytes
    // (KScnReadCost) with what earlier reads brought (the scene's takes on
    // the nodes counted, a take on each take owner of the scene), against the
    // read's byte budget (KScnReadMeter). CheckBudget of nodes adds the
    // same when the scene has takes.
    bool CheckCost(const KScnReadCost& cost, const KStreamOptionsScn& options, const char* optionsClass,
                   size_t sideBytes = 0);

private:
    // OpenFile and ReadScene without their catch of the standard library's
    // exceptions (memory exhausted), which refuses the file, the scene taken
    // back to what it was (KScnReadUndo).
    bool Open(const char* fileName);
    bool Read(KScnSceneRoot& scene, KStreamOptionsScn& options);

    KScnSdkManager* mManager;
    const char* mFormatName;
    std::string mFileName;
    std::vector<char> mBytes;
    bool mOpen = false;
    bool mFailed = false;
    // What earlier reads brought into the scene read into (see CheckCost).
    uint64_t mEarlierOwners = 0;
    uint64_t mEarlierTakes = 0;
};

} // namespace scenesdk
