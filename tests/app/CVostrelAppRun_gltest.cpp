// Whole start-ups of the application, which need OpenGL for the renderer:
// on the X server the tests run under (Xvfb).

#include "app/CEngineServices.h"
#include "app/CFModSoundMgr.h"
#include "app/CSettings.h"
#include "app/CVostrelApp.h"
#include "app/CW32Window.h"
#include "game/CMainMenuState.h"
#include "platform/dinput/DInput8.h"
#include "platform/win32/W32Events.h"
#include "platform/win32/W32Inject.h"
#include "platform/win32/W32Window.h"
#include "render/COGLRenderer.h"
#include "tests/app/VostrelAppFixture.h"
#include "tests/app/VostrelProcess.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/RepoFiles.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace plat;

namespace
{

// The game's states also read their start position.
const std::string kGoodDisplay = std::string(testsupport::kGoodDisplaySettings) +
                                 "[GAME]\nStartPos=500;20;500\nNumLevels=1\n" + testsupport::kStartUpCosts;

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

class VostrelAppOnX : public testsupport::VostrelAppTest<testsupport::TempDirTest>
{
protected:
    void SetUp() override
    {
        unsetenv("SDL_VIDEODRIVER");
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
        ASSERT_TRUE(plat::InitVideo());
        plat::PumpEvents();
        plat::DiscardMessages();
        testsupport::WriteStartUpData(m_Dir);
    }
};

TEST_F(VostrelAppOnX, EscapeQuitsAndEverythingIsTornDown)
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

TEST_F(VostrelAppOnX, ClosingTheWindowRunsOneMoreFrame)
{
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_iActAt = 3;
    app.m_Act = [](ScriptedApp& a) { InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close); };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_EQ(app.m_iFrames, 4);
    EXPECT_EQ(app.m_iFramesAfterQuit, 1);
}

// On the 1280 x 1024 screen: a window the settings make too wide is the
// default one, said with its key, line, the screen's size and the size
// used; every window is centred on the screen, and one as large as the
// screen stands at its corner, wholly on it.
TEST_F(VostrelAppOnX, TheWindowIsCentredAndAWrongSizeIsSaid)
{
    const struct
    {
        const char* width;
        const char* height;
        int x, y;
        std::string said;
    } kRows[] = {
        {"1920", "1080", 240, 212,
         "Warning: settings.ini line 5: [DISPLAY] hRes = 1920: a whole number from 640 to 1280 (the screen is "
         "1280 x 1024, the default window is 800 x 600)\n"
         "Warning: settings.ini line 6: [DISPLAY] vRes = 1080: a whole number from 480 to 1024 (the screen is "
         "1280 x 1024, the default window is 800 x 600)\n"},
        {"1280", "1024", 0, 0, ""},
        {"1024", "768", 128, 128, ""},
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(std::string(row.width) + "x" + row.height);
        std::string settings = kGoodDisplay;
        settings.replace(settings.find("hRes=1024"), 9, std::string("hRes=") + row.width);
        settings.replace(settings.find("vRes=768"), 8, std::string("vRes=") + row.height);
        WriteSettings(settings);
        static plat::POINT s_Corner;
        ScriptedApp app;
        app.m_Act = [](ScriptedApp& a)
        {
            s_Corner = plat::POINT{0, 0};
            plat::ClientToScreen(a.GetWindow()->GetHandle(), &s_Corner);
            InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close);
        };
        EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
        EXPECT_EQ(s_Corner.x, row.x);
        EXPECT_EQ(s_Corner.y, row.y);
        EXPECT_EQ(ErrorLog(), row.said);
        std::remove("Error.log");
    }
}

// Start-up makes the renderer's context on the main window and sets the
// sky-blue clear colour (0x3FBFEF00, each byte / 256).
TEST_F(VostrelAppOnX, RendererIsCreatedWithTheClearColour)
{
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_Act = [](ScriptedApp& a)
    {
        CRefPtr<IRenderer> renderer = CEngineServices::GetInstance()->GetRenderer();
        auto* ogl = dynamic_cast<COGLRenderer*>(renderer.Get());
        const float* clear = renderer->GetRenderSettings()->GetClearColour();
        a.m_bFlag = ogl && ogl->IsCreated() && ogl->GetTransparency() && clear[0] == 0x3F / 256.0f &&
                    clear[1] == 0xBF / 256.0f && clear[2] == 0xEF / 256.0f && clear[3] == 0.0f;
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close);
    };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_TRUE(app.m_bFlag);
    EXPECT_TRUE(ErrorLog().empty());
}

// A machine without a sound device (the driver named cannot be opened)
// still starts, with the sound manager created after the input manager.
TEST_F(VostrelAppOnX, StartsSilentWithoutASoundDevice)
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

TEST_F(VostrelAppOnX, SoundManagerFailureEndsStartUp)
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

TEST_F(VostrelAppOnX, InputManagerFailureEndsStartUp)
{
    WriteSettings(kGoodDisplay);
    CVostrelApp app;
    SetDInputFault("DirectInput8Create", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), -1);
    testing::internal::GetCapturedStderr();
    SetDInputFault("", 0);
    EXPECT_EQ(ErrorLog(), "Error: DirectInput8Create failed\n"
                          "Error: pInputMgr->Create failed in CVostrelApp::Create\n"
                          "Error: Creation of application object failed\n");
    app.Destroy();
    EXPECT_EQ(CEngineServices::GetInstance(), nullptr);
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
}

// A listener asked before the application (smaller priority value) that
// takes Escape keeps the program running.
TEST_F(VostrelAppOnX, EscapeTakenByAnEarlierListenerDoesNotQuit)
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

// A level whose set-up fails (here: a sky model that is no scene file) is
// said once, as a failed start-up is, and ends the program with its status;
// "Quit game" ends it with 0.
TEST_F(VostrelAppOnX, AFailedLevelSetUpEndsWithTheFailureStatus)
{
    WriteSettings(kGoodDisplay);
    std::string err;
    {
        // Its console goes with it: one console per process.
        ScriptedApp app;
        app.m_iActAt = 2;
        app.m_Act = [](ScriptedApp& a) { a.GetGameCtrl().GetMainMenuState()->OnNewGame(0); };
        testing::internal::CaptureStderr();
        EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), CApplication::kStartUpFailedExitCode);
        err = testing::internal::GetCapturedStderr();
        EXPECT_LT(app.m_iFrames, 10);
    }
    const std::string said = ": [Level1] EnvironmentModel = Data/environment/envSphere.scn: the sky model "
                             "cannot be loaded (File is corrupted (missing file version)); the game ends\n";
    // Said once, without the trace lines of where it failed.
    EXPECT_NE(err.find(said), std::string::npos) << err;
    EXPECT_EQ(err.find(said), err.rfind(said)) << err;
    EXPECT_EQ(err.find("failed"), std::string::npos) << err;
    EXPECT_NE(ErrorLog().find("Error: pEnvironment->Create failed in CNewLevelState::Update\n"),
              std::string::npos)
        << ErrorLog();

    ScriptedApp quitting;
    quitting.m_iActAt = 2;
    quitting.m_Act = [](ScriptedApp& a) { a.GetGameCtrl().GetMainMenuState()->OnQuitGame(0); };
    EXPECT_EQ(quitting.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_LT(quitting.m_iFrames, 10);
}

} // namespace

// Start-up step 9: the GUI over a 1000 x 1000 virtual screen on the main
// window, listening to the input manager after the application (100).
TEST_F(VostrelAppOnX, GuiManagerIsCreatedOverTheVirtualScreen)
{
    WriteSettings(kGoodDisplay);
    ScriptedApp app;
    app.m_Act = [](ScriptedApp& a)
    {
        CEngineServices* services = CEngineServices::GetInstance();
        CGuiMgr* gui = services->GetGuiMgr().Get();
        const std::list<IInputListener*>& listeners = services->GetInputMgr()->GetListeners();
        a.m_bFlag = gui && gui->GetVirtualWidth() == 1000 && gui->GetVirtualHeight() == 1000 &&
                    gui->GetScaleX() == 1000.0f / 1024.0f && gui->GetScaleY() == 1000.0f / 768.0f &&
                    gui->GetFont() && gui->GetFont()->GetHeight() == 16 && gui->GetRolloverSound() &&
                    std::find(listeners.begin(), listeners.end(), static_cast<IInputListener*>(gui)) !=
                        listeners.end();
        InjectWindowEvent(a.GetWindow()->GetHandle(), WindowEventKind::Close);
    };
    EXPECT_EQ(app.Run(GetModuleHandleA(nullptr)), 0);
    EXPECT_TRUE(app.m_bFlag);
    EXPECT_TRUE(ErrorLog().empty());
}

// A settings value the first level's set-up could not use (a colour, a sky
// model that is no scene file), or a start in another folder than the one
// that holds "Data" (here: one with the shipped settings only), ends the
// start-up before the menu with a message that names the key and its line,
// or where the game looked, as its first line, also in a message box
// captioned "Error" (on standard error where none can be shown); the
// program exits with 255 (-1).
TEST(VostrelProgramOnX, WhatALevelWouldFailOnEndsTheStartUp)
{
    const std::string exe = testsupport::VostrelExecutable();
    ASSERT_EQ(access(exe.c_str(), X_OK), 0) << exe;
    const struct
    {
        const char* from; // the line replaced in the game's settings; null: no "Data"
        const char* to;
        const char* need;
    } kCases[] = {
        {"SunDiffuseColor=1;1;1", "SunDiffuseColor = 1.5 1.2 1.0",
         "[GAME] SunDiffuseColor = 1.5 1.2 1.0: three finite numbers separated by ';' (r;g;b)"},
        {"EnvironmentModel=Data/environment/envSphere.scn", "EnvironmentModel=Data/environment/sky.tga",
         "[Level1] EnvironmentModel = Data/environment/sky.tga: a scene file (text, binary or encrypted) that "
         "the model importer reads; \"Data/environment/sky.tga\" is not one"},
        {nullptr, nullptr, nullptr}};
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.to ? c.to : "no Data");
        testsupport::TempDir dir;
        std::string settings = testsupport::TempDir::ReadFile(testsupport::RepoRoot() + "/settings.ini"),
                    message, after = "Error: m_GameCtrl.Create failed in CVostrelApp::Create\n";
        if (c.from)
        {
            testsupport::WriteEndToEndGame(dir);
            settings = testsupport::TempDir::ReadFile(dir.Path() + "/settings.ini");
            const size_t at = settings.find(c.from);
            ASSERT_NE(at, std::string::npos) << c.from;
            settings.replace(at, std::strlen(c.from), c.to);
            message = "Error: settings.ini line " +
                      std::to_string(1 + std::count(settings.begin(), settings.begin() + at, '\n')) + ": " +
                      c.need;
        }
        else
        {
            message = "Error: No \"Data\" folder in the working folder \"" + dir.Path() +
                      "\": start the game in the folder that holds \"Data\" and \"settings.ini\"";
            after.clear();
        }
        message += "; the game does not start\n";
        dir.WriteFile("settings.ini", settings);
        EXPECT_EQ(
            testsupport::RunShell("SDL_AUDIODRIVER=dummy VOSTREL_NO_MESSAGEBOX=1 ASAN_OPTIONS=detect_leaks=0 "
                                  "timeout 60 '" +
                                  exe + "' </dev/null >out.txt 2>err.txt"),
            255);
        EXPECT_EQ(testsupport::TempDir::ReadFile(dir.Path() + "/Error.log"),
                  message + after + "Error: Creation of application object failed\n");
        // Said once on standard error, without the trace lines.
        const std::string err = testsupport::TempDir::ReadFile(dir.Path() + "/err.txt");
        EXPECT_NE(err.find(message), std::string::npos) << err;
        EXPECT_EQ(err.find(message), err.rfind(message)) << err;
        EXPECT_EQ(err.find("failed"), std::string::npos) << err;
    }
}
