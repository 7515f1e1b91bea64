#include "app/CEngineServices.h"
#include "app/CFModSoundMgr.h"
#include "app/CSettings.h"
#include "app/CVostrelApp.h"
#include "app/CW32Window.h"
#include "platform/win32/W32Console.h"
#include "tests/app/DummyWindowFixture.h"
#include "tests/app/VostrelAppFixture.h"

#include <cstdio>
#include <fstream>
#include <utility>

using namespace plat;

namespace
{

const char* const kGoodDisplay = testsupport::kGoodDisplaySettings;

const char* const kConsoleWarning =
    "Warning: Couldn't get Console position from \"settings.ini\"! Using default values.\n";

class VostrelApp : public testsupport::VostrelAppTest<testsupport::DummyWindowTest>
{
protected:
    // Settings loaded and CreateWindows run, as start-up steps 1 and 2.
    bool CreateWindowsFrom(CVostrelApp& app, const std::string& display)
    {
        // In the working folder, which a test may have changed.
        std::ofstream("settings.ini", std::ios::binary) << display;
        CSettings* s = CSettings::CreateInstance();
        EXPECT_TRUE(s && s->Load("settings.ini"));
        return app.CreateWindows();
    }

    static std::string Title(const CVostrelApp& app)
    {
        char buffer[128] = {};
        GetWindowTextA(app.GetWindow()->GetHandle(), buffer, sizeof buffer);
        return buffer;
    }
    static POINT Position(const CVostrelApp& app)
    {
        POINT p{0, 0};
        ClientToScreen(app.GetWindow()->GetHandle(), &p);
        return p;
    }
};

TEST_F(VostrelApp, MissingSettingsEndStartUpWithMinusOne)
{
    testing::internal::CaptureStderr();
    CVostrelApp* app = new CVostrelApp;
    EXPECT_EQ(RunApplication(app, GetModuleHandleA(nullptr)), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: Cannot open the \"settings.ini\" file !\n"
                          "Error: CSettings::Load(settings.ini) failed in CVostrelApp::Create\n"
                          "Error: Creation of application object failed\n");
    EXPECT_EQ(CSettings::GetInstance(), nullptr) << "the destructor tore down";
    EXPECT_FALSE(GetConsoleInfo().allocated);
}

TEST_F(VostrelApp, MalformedSettingsEndStartUpWithMinusOne)
{
    WriteSettings("/* x */");
    CVostrelApp app;
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: Cannot parse the \"settings.ini\" file !\n"
                          "Error: CSettings::Load(settings.ini) failed in CVostrelApp::Create\n"
                          "Error: Creation of application object failed\n");
    EXPECT_TRUE(app.IsQuitRequested());
    EXPECT_FALSE(app.GetWindow());
}

TEST_F(VostrelApp, NullApplicationIsReported)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunApplication(nullptr, nullptr), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: Creation of application object failed\n");
}

TEST_F(VostrelApp, ConfiguredWindowAndConsole)
{
    CVostrelApp app;
    ASSERT_TRUE(CreateWindowsFrom(app, kGoodDisplay));
    EXPECT_EQ(Title(app), "My Town");
    uint16_t w = 0, h = 0;
    app.GetWindow()->GetSize(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_FALSE(app.GetWindow()->IsFullscreen());
    EXPECT_EQ(app.GetWindow()->GetBits(), 32);
    // Centred on the screen, which the dummy video driver makes 1024 x 768.
    EXPECT_EQ(Position(app).x, 0);
    EXPECT_EQ(Position(app).y, 0);
    const ConsoleInfo console = GetConsoleInfo();
    EXPECT_STREQ(console.title, "Vostrel - Console");
    EXPECT_EQ(console.columns, 80);
    EXPECT_EQ(console.rows, 25);
    EXPECT_EQ(console.x, 12);
    EXPECT_EQ(console.y, 34);
    EXPECT_EQ(app.GetWindow()->GetListeners().size(), 1u);
    EXPECT_TRUE(ErrorLog().empty());
    app.Destroy();
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
    EXPECT_EQ(CSettings::GetInstance(), nullptr);
}

// Each entry that does not count is said with its line, what it needs, the
// screen's size and the size used; the default window keeps the configured
// title and is centred on the (dummy driver's 1024 x 768) screen. A missing
// title is an empty one, text after a size is said, and "fullscreen" takes
// what people write for yes and no.
TEST_F(VostrelApp, TheWindowEntriesAreReadOrSaid)
{
    const std::string screen = " (the screen is 1024 x 768, the default window is 800 x 600)\n";
    const std::string hRes = ": a whole number from 640 to 1280" + screen;
    const std::string vRes = ": a whole number from 480 to 1024" + screen;
    const std::string noTitle =
        "Warning: settings.ini has no \"title\" in [DISPLAY]: the window has no title\n";
    const struct
    {
        const char* settings;
        std::string said;
        bool full = false;
        const char* title = "T";
        uint16_t width = 800, height = 600;
    } rows[] = {
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=639\nvRes=600\nfullscreen=false\n",
         "Warning: settings.ini line 5: [DISPLAY] hRes = 639" + hRes},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=1920\nvRes=600\nfullscreen=false\n",
         "Warning: settings.ini line 5: [DISPLAY] hRes = 1920" + hRes},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=1025\nfullscreen=false\n",
         "Warning: settings.ini line 6: [DISPLAY] vRes = 1025" + vRes},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=479\nfullscreen=true\n",
         "Warning: settings.ini line 6: [DISPLAY] vRes = 479" + vRes},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\nhRes=1024\nvRes=768\nfullscreen=false\n", noTitle, false, "",
         1024, 768},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\nhRes=1920\nvRes=768\nfullscreen=false\n",
         noTitle + "Warning: settings.ini line 4: [DISPLAY] hRes = 1920" + hRes, false, ""},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=abc\nvRes=600\n",
         "Warning: settings.ini line 5: [DISPLAY] hRes = abc" + hRes +
             "Warning: settings.ini has no \"fullscreen\" in [DISPLAY]: \"true\" or \"false\"" + screen},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=1024\nvRes=700px\nfullscreen=false\n",
         "vRes \"700px\": \"px\" after 700 is ignored\n", false, "T", 1024, 700},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800 # wide\nvRes= 600 \nfullscreen=false\n", ""},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=yes\n", "", true},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=On\n", "", true},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=1\n", "", true},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=No\n", ""},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=off\n", ""},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=0\n", ""},
        {"[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=600\nfullscreen=maybe\n",
         "Warning: settings.ini line 7: [DISPLAY] fullscreen = maybe: \"true\" or \"false\" (or yes and no, "
         "on and off, 1 and 0); the window is windowed\n"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.settings);
        testsupport::TempDir dir;
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, row.settings));
        EXPECT_EQ(Title(app), row.title);
        uint16_t w = 0, h = 0;
        app.GetWindow()->GetSize(w, h);
        EXPECT_EQ(w, row.width);
        EXPECT_EQ(h, row.height);
        EXPECT_EQ(app.GetWindow()->IsFullscreen(), row.full);
        EXPECT_EQ(Position(app).x, row.full ? 0 : (1024 - row.width) / 2);
        EXPECT_EQ(Position(app).y, row.full ? 0 : (768 - row.height) / 2);
        EXPECT_EQ(testsupport::TempDir::ReadFile(dir.Path() + "/Error.log"), row.said);
    }
}

TEST_F(VostrelApp, TitleAndFullScreenQuirks)
{
    const std::string t49(49, 'x'), t50(50, 'y');
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=" + t50 +
                                               "\nhRes=640\nvRes=480\nfullscreen=false\n"));
        EXPECT_EQ(Title(app), "") << "a 50-character title leaves the title empty";
        uint16_t w = 0, h = 0;
        app.GetWindow()->GetSize(w, h);
        EXPECT_EQ(w, 640);
    }
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=" + t49 +
                                               "\nhRes=1280\nvRes=1024\nfullscreen=no\n"));
        EXPECT_EQ(Title(app), t49);
        EXPECT_FALSE(app.GetWindow()->IsFullscreen());
        // Larger than the 1024 x 768 screen: kept on it, each key said.
        uint16_t w = 0, h = 0;
        app.GetWindow()->GetSize(w, h);
        EXPECT_EQ(w, 1024);
        EXPECT_EQ(h, 768);
        EXPECT_EQ(Position(app).x, 0);
        EXPECT_EQ(ErrorLog(), "Warning: settings.ini line 5: [DISPLAY] hRes = 1280: more than the screen (1024 x "
                              "768) holds; the window is 1024 x 768\n"
                              "Warning: settings.ini line 6: [DISPLAY] vRes = 1024: more than the screen (1024 x "
                              "768) holds; the window is 1024 x 768\n");
        std::remove("Error.log");
    }
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=F\nhRes=800\nvRes=600\n"
                                           "fullscreen=true\n"));
        EXPECT_TRUE(app.GetWindow()->IsFullscreen());
    }
    EXPECT_TRUE(ErrorLog().empty());
}

// "title" and "fullscreen" count as soon as their key line is there, even
// with nothing after the '=', where the settings report no value.
TEST_F(VostrelApp, EmptyTitleOrFullScreenStillCount)
{
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=\nhRes=1024\nvRes=768\n"
                                           "fullscreen=false\n"));
        EXPECT_EQ(Title(app), "");
        uint16_t w = 0, h = 0;
        app.GetWindow()->GetSize(w, h);
        EXPECT_EQ(w, 1024);
        EXPECT_EQ(h, 768);
    }
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=T\nhRes=640\nvRes=480\n"
                                           "fullscreen=  \n"));
        EXPECT_EQ(Title(app), "T");
        EXPECT_FALSE(app.GetWindow()->IsFullscreen());
        EXPECT_EQ(Position(app).x, 192);
        EXPECT_EQ(Position(app).y, 144);
    }
    EXPECT_TRUE(ErrorLog().empty());
    {
        // Looked up where every other value is: the first "DISPLAY" section.
        testsupport::TempDir dir;
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\nhRes=1024\nvRes=768\n"
                                           "fullscreen=false\n[DISPLAY]\ntitle=\n"));
        EXPECT_EQ(Title(app), "");
        EXPECT_EQ(testsupport::TempDir::ReadFile(dir.Path() + "/Error.log"),
                  "Warning: settings.ini has no \"title\" in [DISPLAY]: the window has no title\n");
    }
}

TEST_F(VostrelApp, ConsolePositionNeedsBothKeys)
{
    CVostrelApp app;
    ASSERT_TRUE(
        CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=77\ntitle=T\nhRes=800\nvRes=600\nfullscreen=false\n"));
    EXPECT_EQ(ErrorLog(), kConsoleWarning);
    EXPECT_EQ(GetConsoleInfo().x, 0);
    EXPECT_EQ(GetConsoleInfo().y, 0);
}

// A console coordinate has 16 bits: a position past them is refused like a
// missing one.
TEST_F(VostrelApp, ConsolePositionOutsideSixteenBitsIsRefused)
{
    const std::pair<std::string, int> cases[] = {
        {"-32768", -32768}, {"32767", 32767}, {"32768", 0}, {"-32769", 0}, {"99999999999", 0}};
    for (const auto& [y, expected] : cases)
    {
        SCOPED_TRACE(y);
        {
            CVostrelApp app;
            ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=5\nConsoleY=" + y +
                                                   "\ntitle=T\nhRes=800\nvRes=600\nfullscreen=false\n"));
            EXPECT_EQ(ErrorLog(), expected != 0 ? "" : kConsoleWarning);
            EXPECT_EQ(GetConsoleInfo().x, expected != 0 ? 5 : 0);
            EXPECT_EQ(GetConsoleInfo().y, expected);
        }
        std::remove("Error.log");
        CSettings::DestroyInstance();
    }
}

// The dummy video driver has no OpenGL: start-up ends at the renderer, with
// status 1 and a line that says why.
TEST_F(VostrelApp, NoOpenGLEndsStartUpAtTheRenderer)
{
    WriteSettings(kGoodDisplay);
    CVostrelApp app;
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: ::wglCreateContext failed in COGLRenderer::Create\n"
                          "Error: IRenderer::Create failed in CVostrelApp::SetupRenderEngine\n"
                          "Error: No window or OpenGL context can be made: the game needs a display (DISPLAY naming a running X "
                          "server) with OpenGL\n"
                          "Error: SetupRenderEngine() failed in CVostrelApp::Create\n"
                          "Error: Creation of application object failed\n");
    app.Destroy();
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
}

// Each failing start-up step logs its own line under the failing call's,
// then the run ends with -1 (1 where no window can be made) and the
// destructor tears down what stood.
TEST_F(VostrelApp, FailingStepsLogTheirLines)
{
    const std::string tail = "Error: Creation of application object failed\n";
    const std::string windows = "Error: CreateWindows() failed in CVostrelApp::Create\n";
    WriteSettings(kGoodDisplay);
    testing::internal::CaptureStderr();
    {
        // Someone holds the process's console: the message goes to a box only.
        ASSERT_TRUE(AllocConsole());
        CVostrelApp app;
        EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), -1);
        EXPECT_EQ(ErrorLog(),
                  "Error: m_Console.Create failed in CVostrelApp::CreateWindows\n" + windows + tail);
        EXPECT_FALSE(app.GetWindow());
    }
    FreeConsole();
    std::remove("Error.log");
    {
        // The window class name is taken.
        WNDCLASSEXA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.lpszClassName = "RCW32Window";
        ASSERT_NE(RegisterClassExA(&wc), 0);
        CVostrelApp app;
        EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 1) << "no window";
        UnregisterClassA("RCW32Window", nullptr);
        EXPECT_EQ(ErrorLog(), "Error: RegisterClassEx failed in CW32Window::Create!\n"
                              "Error: m_pWindow->Create failed in CVostrelApp::CreateWindows\n"
                              "Error: No window or OpenGL context can be made: the game needs a display "
                              "(DISPLAY naming a running X server) with OpenGL\n" +
                                  windows + tail);
    }
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(GetConsoleInfo().allocated);
}

TEST_F(VostrelApp, OnlyEscapeIsTaken)
{
    CVostrelApp app;
    EXPECT_FALSE(app.OnKeyDown(2));
    EXPECT_FALSE(app.OnKeyUp(1));
    EXPECT_TRUE(app.IsQuitRequested()) << "set from construction until Create succeeds";
    EXPECT_TRUE(app.OnKeyDown(1));
}

} // namespace
