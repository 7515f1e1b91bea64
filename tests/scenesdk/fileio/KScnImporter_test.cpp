#include "scenesdk/kernel/KScnFree.h"
#include "scenesdk/kernel/KScnImporter.h"

#include "scenesdk/fileio/KScn.h"
#include "scenesdk/fileio/KScnExtractFileExtension.h"
#include "scenesdk/fileio/KScnReaderScn.h"
#include "scenesdk/fileio/KStreamOptionsScn.h"
#include "scenesdk/kernel/KScnNode.h"
#include "scenesdk/kernel/KScnSceneRoot.h"
#include "scenesdk/kernel/KScnSdkManager.h"
#include "tests/support/TempDir.h"
#include "tools/scnwriter/CScnWriter.h"
#include "tools/scnwriter/ScnEncrypt.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

using namespace scenesdk;

namespace
{

class ImporterTest : public testsupport::TempDirTest
{
protected:
    std::string Save(const char* name, CScnWriter::EForm form, int32_t version = 6000,
                     const std::function<void(CScnWriter&)>& content = nullptr)
    {
        CScnWriter w(form, version);
        w.WriteHeader("tests", "2026-12-07 12:00:00");
        if (content)
            content(w);
        const std::string path = m_Dir.Path() + "/" + name;
        EXPECT_TRUE(w.SaveFile(path)) << w.Error();
        return path;
    }
    std::string SaveBytes(const char* name, const std::string& bytes)
    {
        const std::string path = m_Dir.Path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    KScnSdkManager mManager;
    KScnSceneRoot* mScene = mManager.CreateScene();
    KScnNode* mRoot = mScene->GetRootNode();
    KScnFree<KScnImporter> mImporter{&mManager};
};

void TwoTakes(CScnWriter& w)
{
    w.BeginField("Objects");
    w.BeginBlock();
    w.BeginField("Model");
    w.AddString("A");
    w.EndField();
    w.EndBlock();
    w.EndField();
    w.BeginField("Takes");
    w.BeginBlock();
    w.StringField("Current", "Run");
    for (const char* name : {"Walk", "Run"})
    {
        w.BeginField("Take");
        w.AddString(name);
        w.BeginBlock();
        w.StringField("Description", std::string("the ") + name);
        w.EndBlock();
        w.EndField();
    }
    w.EndBlock();
    w.EndField();
}

TEST_F(ImporterTest, EmptyNameInitializesButCannotImport)
{
    EXPECT_TRUE(mImporter.Initialize(""));
    EXPECT_FALSE(mImporter.Import(mScene));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eUninitializedFilename);
    EXPECT_STREQ(mImporter.GetLastErrorString(),
                 "Uninitialized filename, use method Initialize(char* pFilename) first");
}

TEST_F(ImporterTest, OpenFailuresCarryTheReadersMessage)
{
    EXPECT_FALSE(mImporter.Initialize((m_Dir.Path() + "/missing.scn").c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileNotOpened);
    EXPECT_STREQ(mImporter.GetLastErrorString(), "File not opened");

    EXPECT_FALSE(mImporter.Initialize(SaveBytes("junk.scn", "not a scene").c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted);
    EXPECT_STREQ(mImporter.GetLastErrorString(), "File is corrupted");

    int major = -1, minor = -1, revision = -1;
    EXPECT_FALSE(mImporter.Initialize(Save("new.scn", CScnWriter::eBinary, 7150).c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileVersionNotSupportedYet);
    EXPECT_STREQ(mImporter.GetLastErrorString(), "File version is not supported yet");
    mImporter.GetFileVersion(&major, &minor, &revision);
    EXPECT_EQ(major, 7);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(revision, 50);

    EXPECT_FALSE(mImporter.Initialize(Save("old.scn", CScnWriter::eText, 900).c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileVersionNotSupportedAnymore);
    EXPECT_STREQ(mImporter.GetLastErrorString(), "File version is not supported anymore");
}

TEST_F(ImporterTest, ExtensionDecidesWhenTheReaderOpens)
{
    // A missing file shows whether Initialize tried to open it.
    EXPECT_FALSE(mImporter.Initialize((m_Dir.Path() + "/MODEL.SCN").c_str()));
    EXPECT_TRUE(mImporter.Initialize((m_Dir.Path() + "/folder.scn/model").c_str()));
    EXPECT_TRUE(mImporter.Initialize((m_Dir.Path() + "/folder.scn\\model").c_str()));
    EXPECT_TRUE(mImporter.Initialize((m_Dir.Path() + "/model").c_str()));
    EXPECT_FALSE(mImporter.Import(mScene));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileNotOpened);
}

TEST_F(ImporterTest, FileKindSetsTheFormatAndVersion)
{
    ASSERT_TRUE(mImporter.Initialize(Save("t.scn", CScnWriter::eText, 6123).c_str()));
    EXPECT_EQ(mImporter.GetFileFormat(), 1);
    int major = 0, minor = 0, revision = 0;
    mImporter.GetFileVersion(&major, &minor, &revision);
    EXPECT_EQ(major * 10000 + minor * 100 + revision, 60123);
    ASSERT_TRUE(mImporter.Initialize(Save("b.scn", CScnWriter::eBinary).c_str()));
    EXPECT_EQ(mImporter.GetFileFormat(), 0);
    ASSERT_TRUE(mImporter.Initialize(Save("o.scn", CScnWriter::eText, 4500).c_str()));
    mImporter.GetFileVersion(&major, &minor, &revision);
    EXPECT_EQ(major * 10000 + minor * 100 + revision, 50000);
}

TEST_F(ImporterTest, HeaderInformationAndTakes)
{
    ASSERT_TRUE(mImporter.Initialize(Save("takes.scn", CScnWriter::eBinary, 6000, TwoTakes).c_str()));
    EXPECT_TRUE(mImporter.HasHeaderInformation());
    EXPECT_STREQ(mImporter.GetHeaderText(0), "tests");
    EXPECT_EQ(mImporter.GetHeaderValue(1), 0);
    EXPECT_EQ(mImporter.GetHeaderValue(2), 1);
    EXPECT_EQ(mImporter.GetHeaderValue(3), 2);
    ASSERT_EQ(mImporter.GetTakeCount(), 2);
    EXPECT_STREQ(mImporter.GetTakeDescription(1)->mName.Buffer(), "Run");
    EXPECT_STREQ(mImporter.GetTakeDescription(0)->mDescription.Buffer(), "the Walk");
    EXPECT_EQ(mImporter.GetTakeDescription(2), nullptr);
    EXPECT_EQ(mImporter.GetTakeDescription(-1), nullptr);
    EXPECT_STREQ(mImporter.GetCurrentTakeName(), "Run");
    mImporter.SetState(7, false);
    mImporter.SetState(12, false); // ignored
    ASSERT_TRUE(mImporter.Import(mScene));
    EXPECT_EQ(mRoot->GetChildCount(), 1);
    EXPECT_FALSE(mImporter.GetState(7));
}

TEST_F(ImporterTest, ProgressGoesThroughTheOptionsInUse)
{
    static std::string message;
    message.clear();
    const std::string path = Save("p.scn", CScnWriter::eText);
    ASSERT_TRUE(mImporter.Initialize(path.c_str()));
    KStreamOptionsScn options;
    options.SetProgressCallback([](void*, const char* text, double) { message = text; });
    mImporter.ReportProgress(nullptr, "before", "", 0); // no options in use: nothing
    EXPECT_EQ(message, "");
    ASSERT_TRUE(mImporter.Import(mScene, &options));
    EXPECT_EQ(message, "Scene read - " + path);
}

TEST_F(ImporterTest, ForeignFormatsAreRecognisedButNotRead)
{
    EXPECT_STREQ(KScnImporter::GetFileExtension(0), "scn");
    EXPECT_STREQ(KScnImporter::GetFileExtension(5), "obj");
    EXPECT_STREQ(KScnImporter::GetFileExtension(11), "c3d");
    EXPECT_STREQ(KScnImporter::GetFileExtension(12), "");
    mImporter.SetFileFormat(5);
    EXPECT_TRUE(mImporter.Initialize((m_Dir.Path() + "/a.obj").c_str()));
    EXPECT_EQ(mImporter.GetTakeCount(), 0);
    EXPECT_FALSE(mImporter.Import(mScene));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileNotOpened) << "the file does not exist";

    // A format without a reader.
    mImporter.SetFileFormat(17);
    EXPECT_TRUE(mImporter.Initialize((m_Dir.Path() + "/a.obj").c_str()));
    EXPECT_FALSE(mImporter.Import(mScene));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eUnidentifiedError);
    EXPECT_STREQ(mImporter.GetLastErrorString(), "Unidentified error");
}

std::string Encoded(CScnWriter::EForm form, const std::function<void(CScnWriter&)>& content)
{
    CScnWriter w(form);
    w.WriteHeader("tests", "2026-12-07 12:00:00");
    if (content)
        content(w);
    std::string out;
    EXPECT_TRUE(w.Finish(out));
    return out;
}

TEST_F(ImporterTest, EncryptedFilesNeedTheirPassword)
{
    // The clear header: the records of a header-only binary file.
    const std::string headerFile = Encoded(CScnWriter::eBinary, nullptr);
    const std::string clear = headerFile.substr(12, headerFile.size() - 20);
    for (CScnWriter::EForm form : {CScnWriter::eText, CScnWriter::eBinary})
    {
        const std::string path =
            SaveBytes("locked.scn", ScnEncrypt(Encoded(form, TwoTakes), clear, 6000, "sesame"));
        ASSERT_TRUE(mImporter.Initialize(path.c_str())) << mImporter.GetStatusText();
        EXPECT_EQ(mImporter.GetFileFormat(), 2);
        EXPECT_EQ(mImporter.GetHeaderValue(1), 1);
        const int before = mRoot->GetChildCount();
        mImporter.SetPassword("wrong");
        EXPECT_FALSE(mImporter.Import(mScene));
        EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::ePasswordError);
        EXPECT_STREQ(mImporter.GetLastErrorString(),
                     "File is password protected and the provided password is wrong.");
        EXPECT_EQ(mRoot->GetChildCount(), before);

        ASSERT_TRUE(mImporter.Initialize(path.c_str()));
        mImporter.SetPassword("sesame");
        ASSERT_TRUE(mImporter.Import(mScene)) << mImporter.GetStatusText();
        EXPECT_EQ(mRoot->GetChildCount(), before + 1);
    }
    std::string broken = ScnEncrypt(Encoded(CScnWriter::eText, nullptr), clear, 6000, "x");
    broken[broken.size() - 8] ^= 1; // the CRC
    EXPECT_FALSE(mImporter.Initialize(SaveBytes("broken.scn", broken).c_str()));
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileCorrupted);
}

TEST_F(ImporterTest, FileObjectsOpenedElsewhere)
{
    KScn file;
    const std::string bytes = Encoded(CScnWriter::eBinary, TwoTakes);
    ASSERT_TRUE(file.OpenMemory(bytes.data(), bytes.size()));
    KStreamOptionsScn* options = mImporter.GetFileReadOptions(&file);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->GetTakes().size(), 2u);
    EXPECT_TRUE(mImporter.ImportFromFile(mScene, options, &file));
    EXPECT_EQ(mRoot->GetChildCount(), 1);
    EXPECT_FALSE(mImporter.ImportFromFile(mScene, nullptr, &file));
    EXPECT_STREQ(mImporter.GetLastErrorString(), "Stream options not set");
    EXPECT_FALSE(mImporter.ImportFromFile(mScene, options, nullptr));
    EXPECT_STREQ(mImporter.GetLastErrorString(), "File not created");
    EXPECT_EQ(mImporter.GetFileReadOptions(nullptr), nullptr);
    EXPECT_EQ(mImporter.GetLastErrorID(), KScnIO::eFileNotCreated);
    options->Destroy(0);
}

TEST(KScnExtractFileExtension, OnlyADotAfterTheLastSeparatorCounts)
{
    EXPECT_STREQ(KScnExtractFileExtension("Data/models/Tower.SCN").Buffer(), "SCN");
    EXPECT_STREQ(KScnExtractFileExtension("a.b/c").Buffer(), "");
    EXPECT_STREQ(KScnExtractFileExtension("a.b\\c").Buffer(), "");
    EXPECT_STREQ(KScnExtractFileExtension("name.").Buffer(), "");
    EXPECT_STREQ(KScnExtractFileExtension("x.tar.gz").Buffer(), "gz");
    EXPECT_STREQ(KScnExtractFileExtension(nullptr).Buffer(), "");
}

TEST(StreamOptionsScn, OptionsOutsideTheRangeAreIgnored)
{
    KStreamOptionsScn options;
    EXPECT_TRUE(options.GetOption(13));
    options.SetOption(13, false);
    options.SetOption(14, false);
    options.SetOption(-1, false);
    EXPECT_FALSE(options.GetOption(13));
    EXPECT_FALSE(options.GetOption(14));
    EXPECT_TRUE(options.GetOption(0));
}

} // namespace
