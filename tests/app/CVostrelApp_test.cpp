#include "app/CEngineServices.h"
#include "app/CFModSoundMgr.h"
#include "app/CSettings.h"
#include "app/CVostrelApp.h"
#include "app/CW32Window.h"
#include "platform/win32/W32Console.h"
#include "tests/app/DummyWindowFixture.h"

#include <fstream>

using namespace plat;

namespace
{

const char* const kGoodDisplay = "[DISPLAY]\n"
                                 "ConsoleX=12\n"
                                 "ConsoleY=34\n"
                                 "title=My Town\n"
                                 "hRes=1024\n"
                                 "vRes=768\n"
                                 "fullscreen=false\n";

const char* const kDefaultWarning =
    "Warning: creating default Window - check \"settings.ini\" for missing/wrong Entries !\n";
const char* const kConsoleWarning =
    "Warning: Couldn't get Console position from \"settings.ini\"! Using default values.\n";

// Runs the frames of a real run and lets a test act on a given frame.
class ScriptedApp : public CVostrelApp
{
public:
    bool Frame() override
    {
        ++m_iFrames;
        if (IsQuitRequested())
            ++m_iFramesAfterQuit;
        if (m_iFrames == m_iActAt && m_Act)
            m_Act(*this);
        if (m_iFrames == m_iActAt2 && m_Act2)
            m_Act2(*this);
        if (m_iFrames > 500)
            return false; // a broken quit path must not hang the test
        return CVostrelApp::Frame();
    }
    void (*m_Act)(ScriptedApp&) = nullptr;
    int m_iActAt = 1;
    void (*m_Act2)(ScriptedApp&) = nullptr;
    int m_iActAt2 = 0;
    bool m_bFlag = false;
    int m_iFrames = 0;
    int m_iFramesAfterQuit = 0; // frames begun with the quit flag already set
};

class VostrelApp : public testsupport::DummyWindowTest
{
protected:
    void TearDown() override { DiscardMessages(); }

    void WriteSettings(const std::string& text) { m_Dir.WriteFile("settings.ini", text); }

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
    EXPECT_EQ(Position(app).x, 200);
    EXPECT_EQ(Position(app).y, 150);
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

TEST_F(VostrelApp, OutOfRangeOrMissingEntriesGiveTheDefaultWindow)
{
    const char* variants[] = {
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=639\nvRes=600\nfullscreen=false\n",
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=1281\nvRes=600\nfullscreen=false\n",
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=1025\nfullscreen=false\n",
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=800\nvRes=479\nfullscreen=true\n",
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\nhRes=800\nvRes=600\nfullscreen=false\n",
        "[DISPLAY]\nConsoleX=1\nConsoleY=2\ntitle=T\nhRes=abc\nvRes=600\nfullscreen=false\n",
    };
    for (const char* v : variants)
    {
        testsupport::TempDir dir;
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, v)) << v;
        EXPECT_EQ(Title(app), "Vostrel - Main") << v;
        uint16_t w = 0, h = 0;
        app.GetWindow()->GetSize(w, h);
        EXPECT_EQ(w, 800);
        EXPECT_EQ(h, 600);
        EXPECT_FALSE(app.GetWindow()->IsFullscreen());
        EXPECT_EQ(Position(app).x, 200);
        EXPECT_EQ(Position(app).y, 150);
        EXPECT_EQ(testsupport::TempDir::ReadFile(dir.Path() + "/Error.log"), kDefaultWarning) << v;
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
                                               "\nhRes=1280\nvRes=1024\nfullscreen=True\n"));
        EXPECT_EQ(Title(app), t49);
        EXPECT_FALSE(app.GetWindow()->IsFullscreen()) << "only \"true\" means full screen";
        EXPECT_EQ(Position(app).x, 200);
    }
    {
        CVostrelApp app;
        ASSERT_TRUE(CreateWindowsFrom(app, "[DISPLAY]\nConsoleX=0\nConsoleY=0\ntitle=F\nhRes=800\nvRes=600\n"
                                           "fullscreen=true\n"));
        EXPECT_TRUE(app.GetWindow()->IsFullscreen());
    }
    EXPECT_TRUE(ErrorLog().empty());
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

TEST_F(VostrelApp, EscapeQuitsAndEverythingIsTornDown)
{
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    EXPECT_EQ(app.GetPriority(), 1000);
    app.m_iActAt = 2;
    app.m_Act = [](ScriptedApp& a)
    {
        // The window manager gives the focus; then Escape is pressed.
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::FocusGained);
        InjectKey(a.GetWindow()->GetHandle(), SCANCODE_ESCAPE, true);
    };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_EQ(app.GetPriority(), 100);
    EXPECT_LT(app.m_iFrames, 10);
    EXPECT_EQ(app.m_iFramesAfterQuit, 0) << "Escape is read inside the frame that then ends";
    EXPECT_TRUE(app.IsQuitRequested());
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
    EXPECT_EQ(CSettings::GetInstance(), nullptr);
    EXPECT_FALSE(app.GetWindow());
    EXPECT_FALSE(app.GetFrameClock());
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
    EXPECT_TRUE(ErrorLog().empty());
    app.Destroy(); // again: harmless
}

TEST_F(VostrelApp, ClosingTheWindowRunsOneMoreFrame)
{
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_iActAt = 3;
    app.m_Act = [](ScriptedApp& a) { InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close); };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_EQ(app.m_iFrames, 4);
    EXPECT_EQ(app.m_iFramesAfterQuit, 1);
}

// A machine without a sound device (the driver named cannot be opened)
// still starts, with the sound manager created after the input manager.
TEST_F(VostrelApp, StartsSilentWithoutASoundDevice)
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    std::string saved = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_iActAt = 1;
    app.m_Act = [](ScriptedApp& a)
    {
        auto* sound = dynamic_cast<CFModSoundMgr*>(CEngineServices::GetInstance()->GetSoundMgr().Get());
        char driver[32] = "";
        a.m_bFlag = sound && sound->IsCreated() &&
                    sound->GetSystem()->getDriverInfo(0, driver, sizeof driver, nullptr) == FMOD_OK &&
                    std::string(driver) == "dummy";
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close);
    };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_TRUE(app.m_bFlag) << "no created sound manager on the silent driver";
    EXPECT_TRUE(ErrorLog().empty());
    if (old)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
}

TEST_F(VostrelApp, SoundManagerFailureEndsStartUp)
{
    // The sound output is process-wide: a manager already holding it makes
    // the application's fail.
    CRefPtr<CFModSoundMgr> holder(new CFModSoundMgr);
    ASSERT_TRUE(holder->Create());
    WriteSettings(kGoodDisplay);
    CVostrelApp app;
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: Initializing FMod failed in CFModSoundMgr::Create\n"
                          "Error: ISoundMgr()->Create() failed in CVostrelApp::Create\n"
                          "Error: Creation of application object failed\n");
    app.Destroy();
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
}

// A listener asked before the application (smaller priority value) that
// takes Escape keeps the program running.
TEST_F(VostrelApp, EscapeTakenByAnEarlierListenerDoesNotQuit)
{
    struct Eater : IInputListener
    {
        bool OnKeyDown(uint8_t key) override { return key == 1; }
    };
    static Eater eater;
    eater.SetPriority(50);
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_iActAt = 2;
    app.m_Act = [](ScriptedApp& a)
    {
        CEngineServices::GetInstance()->GetInputMgr()->AddListener(&eater);
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::FocusGained);
        InjectKey(a.GetWindow()->GetHandle(), SCANCODE_ESCAPE, true);
    };
    app.m_iActAt2 = 6;
    app.m_Act2 = [](ScriptedApp& a)
    {
        a.m_bFlag = a.IsQuitRequested();
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close);
    };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_FALSE(app.m_bFlag) << "Escape was taken before it reached the application";
    EXPECT_EQ(app.m_iFrames, 7);
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
