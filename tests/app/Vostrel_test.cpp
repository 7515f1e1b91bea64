#include "tests/app/VostrelProcess.h"
#include "tests/support/TempDir.h"

#include <cstdio>

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

// Where no window or OpenGL context can be made (no X server, or a driver
// that shows nothing), start-up ends at once with status 1 and says so on
// the standard error stream, instead of playing where nobody sees it.
TEST_F(VostrelProgram, NoDisplayEndsStartUpWithStatusOne)
{
    const std::string exe = testsupport::VostrelExecutable();
    ASSERT_EQ(access(exe.c_str(), X_OK), 0) << exe;
    testsupport::WriteEndToEndGame(m_Dir);
    const std::string noWindow = "Error: No window or OpenGL context can be made: the game needs a display "
                                 "(DISPLAY naming a running X server) with OpenGL\n";
    const char* const kDisplays[] = {"env -u DISPLAY -u SDL_VIDEODRIVER", "env -u SDL_VIDEODRIVER DISPLAY=:4987",
                                     "env -u DISPLAY SDL_VIDEODRIVER=offscreen"};
    for (const char* display : kDisplays)
    {
        SCOPED_TRACE(display);
        std::remove((m_Dir.Path() + "/err.txt").c_str());
        const std::string run = std::string(display) +
                                " SDL_AUDIODRIVER=dummy VOSTREL_NO_MESSAGEBOX=1 ASAN_OPTIONS=detect_leaks=0 timeout 30 '" +
                                exe + "' </dev/null >out.txt 2>err.txt";
        EXPECT_EQ(testsupport::RunShell(run), 1);
        const std::string err = testsupport::TempDir::ReadFile(m_Dir.Path() + "/err.txt");
        // Said once, without the trace lines of where it failed.
        EXPECT_NE(err.find(noWindow), std::string::npos) << err;
        EXPECT_EQ(err.find(noWindow), err.rfind(noWindow)) << err;
        EXPECT_EQ(err.find("ailed"), std::string::npos) << err;
    }
}

} // namespace
