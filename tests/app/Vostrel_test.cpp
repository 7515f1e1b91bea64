#include "tests/app/VostrelProcess.h"
#include "tests/support/TempDir.h"

namespace
{

using VostrelProgram = testsupport::TempDirTest;

// Without a usable "settings.ini" the program ends at once with -1 (255 as
// a process status), having replaced the old log files.
TEST_F(VostrelProgram, BadSettingsEndWithMinusOne)
{
    const std::string exe = testsupport::VostrelExecutable();
    ASSERT_EQ(access(exe.c_str(), X_OK), 0) << exe;
    m_Dir.WriteFile("Error.log", "old run\n");
    m_Dir.WriteFile("Debug.log", "old debug\n");
    const std::string run =
        "SDL_VIDEODRIVER=dummy VOSTREL_NO_MESSAGEBOX=1 '" + exe + "' </dev/null >out.txt 2>err.txt";
    EXPECT_EQ(testsupport::RunShell(run), 255);
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"),
              "Error: Cannot open the \"settings.ini\" file !\n"
              "Error: CSettings::Load(settings.ini) failed in CVostrelApp::Create\n"
              "Error: Creation of application object failed\n");
    EXPECT_FALSE(testsupport::TempDir::FileExists(m_Dir.Path() + "/Debug.log"));

    m_Dir.WriteFile("settings.ini", "[DISPLAY]\nhRes=800\n/* unclosed");
    EXPECT_EQ(testsupport::RunShell(run), 255);
    EXPECT_EQ(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"),
              "Error: Cannot parse the \"settings.ini\" file !\n"
              "Error: CSettings::Load(settings.ini) failed in CVostrelApp::Create\n"
              "Error: Creation of application object failed\n");
}

} // namespace
