#pragma once

// KScnForeignReader: the base of the readers of foreign file formats (DXF,
// 3DS, OBJ, motion-capture formats, ...). This build recognises these
// formats but has no reading rules for them: opening an existing file fails
// with error 7 and the message "<format> files cannot be read by this build"
// (also the status text), opening a missing file fails with error 3 "File
// not opened", and every other operation answers as for a reader without an
// open file (no options, no read, error 3).
//
// Ownership: made and deleted by the importer; creates nothing.

#include "scenesdk/fileio/KScnReader.h"

namespace scenesdk
{

class KScnSdkManager;

class KScnForeignReader : public KScnReader
{
public:
    // formatName names the format in messages ("3DS"); static text.
    KScnForeignReader(KScnSdkManager* manager, const char* formatName);

    bool OpenFile(const char* fileName) override;
    void CloseFile() override {}
    bool IsOpen() const override { return false; }
    KStreamOptionsScn* CreateReadOptions(bool parse) override;
    bool ReadScene(KScnSceneRoot* scene, KStreamOptionsScn* options) override;

    const char* GetFormatName() const { return mFormatName; }
    KScnSdkManager* GetManager() const { return mManager; }

private:
    KScnSdkManager* mManager;
    const char* mFormatName;
};

} // namespace scenesdk
