#include "render/CSCNLoader.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace
{

using CSCNLoaderTest = testsupport::TempDirTest;

const char* const kInitFailed = "Call to KScnImporter::Initialize() failed.\n\n"
                                "Error returned: Unidentified error\n\n\n";

} // namespace

TEST_F(CSCNLoaderTest, LoadingReportsTheImporterFailureOnTheErrorPath)
{
    CRefPtr<CSCNLoader> loader(new CSCNLoader);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loader->LoadScene("Data/house.scn"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kInitFailed);
    EXPECT_EQ(testsupport::TempDir::ReadFile("Error.log"), kInitFailed);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(loader->LoadSceneTriangulated("Data/house.obj"));
    // Without a scene there is nothing to convert, and no further message.
    CRefPtr<CModelData> data(new CModelData);
    EXPECT_FALSE(loader->Load(data));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kInitFailed);
    EXPECT_EQ(data->GetRefCount(), 1u);
}
