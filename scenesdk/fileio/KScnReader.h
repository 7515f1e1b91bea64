#pragma once

// KScnReader: the interface through which the importer drives one file
// format's reader: open, obtain read options, read into a scene, close.
//
// Until the scene object is available the scene a reader fills is its root
// node: nodes (made through the manager) go below it; the materials, textures
// and node attributes read are handed to the caller with TakeObjects. The
// caller owns them and must destroy the nodes before them.

#include "scenesdk/kernel/KErrorRecord.h"
#include "scenesdk/kernel/KString.h"

#include <memory>
#include <vector>

namespace scenesdk
{

class KScnMaterial;
class KScnNode;
class KScnNodeAttribute;
class KScnTexture;
class KStreamOptionsScn;

// What a read created besides the nodes. Attributes go first when the bundle
// is destroyed (their layers point at the materials and textures).
struct KScnReadObjects
{
    KScnReadObjects();
    ~KScnReadObjects();
    KScnReadObjects(KScnReadObjects&&) noexcept;
    KScnReadObjects& operator=(KScnReadObjects&&) noexcept;
    // Moves the other bundle's objects after these.
    void Append(KScnReadObjects&& other);

    std::vector<std::unique_ptr<KScnMaterial>> materials;
    std::vector<std::unique_ptr<KScnTexture>> textures;
    std::vector<std::unique_ptr<KScnNodeAttribute>> attributes;
};

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
    virtual bool ReadScene(KScnNode* root, KStreamOptionsScn* options) = 0;

    KScnReadObjects TakeObjects();

    KErrorRecord& GetError() { return mError; }
    const char* GetStatusText() const { return mStatus.Buffer(); }

protected:
    KErrorRecord mError;
    KString mStatus;
    KScnReadObjects mObjects;
};

} // namespace scenesdk
