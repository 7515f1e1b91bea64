// Foreign-format readers: each format of the importer's table gets its
// reader, an existing file fails cleanly naming its format, a missing one
// fails as not found, the readers answer like readers without a file, and
// each gives read options of its own kind, every kind with an id of its own.

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
#include "scenesdk/importers/KStreamOptions3DS.h"
#include "scenesdk/importers/KStreamOptionsAcclaim.h"
#include "scenesdk/importers/KStreamOptionsAdaptiveOptics.h"
#include "scenesdk/importers/KStreamOptionsBiovision.h"
#include "scenesdk/importers/KStreamOptionsDxf.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisHtr.h"
#include "scenesdk/importers/KStreamOptionsMotionAnalysisTrc.h"
#include "scenesdk/importers/KStreamOptionsObj.h"
#include "scenesdk/importers/KStreamOptionsVicon.h"
#include "scenesdk/importers/KStreamOptionsWavefrontMov.h"
#include "scenesdk/kernel/KScnImporter.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
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

TEST(ForeignReaders, EveryReaderGivesOptionsOfItsOwnKind)
{
    const int ids[] = {KStreamOptionsScn::GetClassId(),
                       KStreamOptionsForeign::GetClassId(),
                       KStreamOptionsObj::GetClassId(),
                       KStreamOptions3DS::GetClassId(),
                       KStreamOptionsDxf::GetClassId(),
                       KStreamOptionsBiovision::GetClassId(),
                       KStreamOptionsMotionAnalysisHtr::GetClassId(),
                       KStreamOptionsMotionAnalysisTrc::GetClassId(),
                       KStreamOptionsAcclaim::GetClassId(),
                       KStreamOptionsAdaptiveOptics::GetClassId(),
                       KStreamOptionsWavefrontMov::GetClassId(),
                       KStreamOptionsVicon::GetClassId()};
    EXPECT_EQ(std::set<int>(std::begin(ids), std::end(ids)).size(), std::size(ids)) << "an id used twice";
    // The importer's format and the id of its reader's kind.
    const int kinds[][2] = {{3, ids[4]}, {4, ids[3]},  {5, ids[2]},   {6, ids[5]},  {7, ids[6]},  {8, ids[7]},
                            {9, ids[8]}, {10, ids[8]}, {11, ids[11]}, {12, ids[9]}, {15, ids[10]}};
    testsupport::TempDir dir;
    KScnSdkManager manager;
    KScnImporter* importer = manager.CreateImporter();
    const std::string path = dir.WriteFile("any.txt", "1 2 3\n");
    for (const auto& kind : kinds)
    {
        SCOPED_TRACE("format " + std::to_string(kind[0]));
        std::unique_ptr<KScnReader> reader(KScnImporter::CreateReader(&manager, importer, kind[0]));
        ASSERT_NE(reader, nullptr);
        ASSERT_TRUE(reader->OpenFile(path.c_str()));
        std::unique_ptr<KStreamOptionsScn> options(reader->CreateReadOptions(true));
        ASSERT_NE(options, nullptr);
        EXPECT_TRUE(options->Is(KStreamOptionsForeign::GetClassId()));
        for (int id : ids)
            if (id != ids[0] && id != ids[1])
            {
                EXPECT_EQ(options->Is(id), id == kind[1]) << std::hex << id;
            }
    }
}

} // namespace
