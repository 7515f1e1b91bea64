#include "app/CConsoleWindow.h"
#include "platform/win32/W32Console.h"
#include "tests/support/TempDir.h"

#include <cstdlib>

namespace
{

class ConsoleWindow : public testsupport::TempDirTest
{
protected:
    void SetUp() override { setenv("VOSTREL_NO_MESSAGEBOX", "1", 1); }
    std::string ErrorLog() const { return testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"); }
};

TEST_F(ConsoleWindow, CreateKeepsTitleSizeAndPosition)
{
    CConsoleWindow console;
    ASSERT_TRUE(console.Create("Vostrel - Console", 80, 25, 30, -4));
    EXPECT_EQ(console.GetColumns(), 80);
    EXPECT_EQ(console.GetRows(), 25);
    const plat::ConsoleInfo info = plat::GetConsoleInfo();
    EXPECT_TRUE(info.allocated);
    EXPECT_STREQ(info.title, "Vostrel - Console");
    EXPECT_EQ(info.columns, 80);
    EXPECT_EQ(info.rows, 25);
    EXPECT_EQ(info.x, 30);
    EXPECT_EQ(info.y, -4);
    console.Destroy();
    EXPECT_FALSE(plat::GetConsoleInfo().allocated);
    EXPECT_EQ(console.GetColumns(), 0);
    // The standard streams survive.
    testing::internal::CaptureStdout();
    std::fputs("out\n", stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "out\n");
    console.Destroy();
    EXPECT_TRUE(ErrorLog().empty());
}

TEST_F(ConsoleWindow, SecondConsoleFailsWithBoxOnlyMessage)
{
    CConsoleWindow first;
    ASSERT_TRUE(first.Create("one", 80, 25, 0, 0));
    {
        CConsoleWindow second;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(second.Create("two", 80, 25, 0, 0));
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "Error: Error: AllocConsole failed in CConsoleWindow::Create (5)\n");
        EXPECT_TRUE(ErrorLog().empty()) << "flag 8: message box only";
    }
}

TEST_F(ConsoleWindow, BadBufferSizeIsLogged)
{
    CConsoleWindow console;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(console.Create("c", 0, 25, 0, 0));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: SetConsoleScreenBufferSize failed in CConsoleWindow::Create (5)\n");
    console.Destroy();
    EXPECT_FALSE(plat::GetConsoleInfo().allocated);
    EXPECT_EQ(plat::GetConsoleInfo().openBuffers, 0);
}

} // namespace
