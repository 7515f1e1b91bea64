// Foreign-format readers: each format of the importer's table gets its
// reader, an existing file fails cleanly naming its format, a missing one
// fails as not found, and the readers answer like readers without a file.

#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/importers/KScnForeignReader.h"
#include "scenesdk/importers/KScnReaderAdaptiveOptics.h"
#include "scenesdk/importers/KScnReaderAscension.h"
#include "scenesdk/importers/KScnReaderBiovision.h"
#include "scenesdk/importers/KScnReaderDxf.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisHtr.h"
#include "scenesdk/importers/KScnReaderMotionAnalysisTrc.h"
#include "scenesdk/importers/KScnReaderObj.h"
#include "scenesdk/importers/KScnReaderPuppeteer.h"
#include "scenesdk/importers/KScnReaderVicon.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using namespace scenesdk;

namespace
{

struct SFormat
{
    int format;
    const char* extension; // "" for the formats without one in the table
    const char* message;
    std::function<bool(KScnReader*)> isItsReader;
};

template <class T> std::function<bool(KScnReader*)> Is()
{
    return [](KScnReader* r) { return dynamic_cast<T*>(r) != nullptr; };
}

const SFormat kFormats[] = {
    {13, "", "Adaptive Optics (mode 1) files cannot be read: their layout is not known to this build",
     Is<KScnReaderAdaptiveOptics>()},
    {14, "", "Puppeteer files cannot be read: their layout is not known to this build",
     Is<KScnReaderPuppeteer>()},
    {16, "", "Ascension files cannot be read: their layout is not known to this build",
     Is<KScnReaderAscension>()},
};

TEST(ForeignReaders, EveryFormatGetsItsReaderAndFailsCleanly)
{
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnImporter* importer = manager.CreateImporter();
    KScnSceneRoot* scene = manager.CreateScene();
    const int nodes = manager.GetNodeCount();
    for (const SFormat& f : kFormats)
    {
        SCOPED_TRACE(f.message);
        std::unique_ptr<KScnReader> reader(KScnImporter::CreateReader(&manager, importer, f.format));
        ASSERT_NE(reader, nullptr);
        EXPECT_TRUE(f.isItsReader(reader.get()));
        if (f.extension[0] != '\0')
        {
            EXPECT_EQ(KScnImporter::FindFileFormat(f.extension), f.format);
            EXPECT_STREQ(KScnImporter::GetFileExtension(f.format), f.extension);
        }

        const std::string name = std::string("model.") + (f.extension[0] != '\0' ? f.extension : "dat");
        const std::string path = dir.WriteFile(name, "not really that format\n");
        importer->SetFileFormat(f.format);
        EXPECT_TRUE(importer->Initialize(path.c_str()));
        EXPECT_FALSE(importer->Import(scene));
        EXPECT_EQ(importer->GetLastErrorID(), KScnIO::eUnidentifiedError);
        EXPECT_STREQ(importer->GetLastErrorString(), f.message);
        EXPECT_STREQ(importer->GetStatusText(), f.message);
        EXPECT_EQ(importer->GetTakeCount(), 0);

        importer->SetFileFormat(f.format);
        EXPECT_TRUE(importer->Initialize((dir.Path() + "/missing/" + name).c_str()));
        EXPECT_FALSE(importer->Import(scene));
        EXPECT_EQ(importer->GetLastErrorID(), KScnIO::eFileNotOpened);
        EXPECT_STREQ(importer->GetLastErrorString(), "File not opened");
    }
    EXPECT_EQ(manager.GetNodeCount(), nodes) << "nothing was created";
    EXPECT_EQ(KScnImporter::CreateReader(&manager, importer, 17), nullptr);
    EXPECT_EQ(KScnImporter::CreateReader(&manager, importer, -1), nullptr);
    EXPECT_EQ(KScnImporter::FindFileFormat("OBJ"), 5);
    EXPECT_EQ(KScnImporter::FindFileFormat("scn"), 0);
    EXPECT_EQ(KScnImporter::FindFileFormat("png"), -1);
    EXPECT_EQ(KScnImporter::FindFileFormat(nullptr), -1);
    std::unique_ptr<KScnReader> scn(KScnImporter::CreateReader(&manager, importer, 2));
    EXPECT_NE(dynamic_cast<KScnReaderScn*>(scn.get()), nullptr);
}

TEST(ForeignReaders, ReadersWithoutAnOpenFileAnswerNeutrally)
{
    KScnReaderAdaptiveOptics odd(nullptr, 7);
    EXPECT_EQ(odd.GetMode(), 0);
    KScnReaderDxf reader(nullptr);
    EXPECT_STREQ(reader.GetFormatName(), "DXF");
    EXPECT_FALSE(reader.OpenFile(nullptr));
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    EXPECT_FALSE(reader.OpenFile(""));
    EXPECT_FALSE(reader.IsOpen());
    reader.CloseFile();
    EXPECT_EQ(reader.CreateReadOptions(true), nullptr);
    EXPECT_EQ(reader.GetError().GetLastErrorID(), KScnReader::eFileNotOpened);
    EXPECT_FALSE(reader.ReadScene(nullptr, nullptr));
    EXPECT_STREQ(reader.GetError().GetLastErrorString(), "File not opened");
}

} // namespace
