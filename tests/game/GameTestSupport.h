#pragma once

// A game controller over engine services without a display: a fake window
// and input manager under a created GUI, recording render settings, and game
// objects whose updates a test scripts.

#include "app/CEngineServices.h"
#include "app/CFrameClock.h"
#include "app/CHiResTimer.h"
#include "app/CSettings.h"
#include "game/CGameCtrl.h"
#include "game/IGameObj.h"
#include "tests/render/GuiTestSupport.h"
#include "tests/support/ImageFiles.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace gametest
{

// Records the debug keys' calls as text; the two override setters answer
// with the flags a test sets.
class FakeRenderSettings : public COGLGlobalRenderSettings
{
public:
    FakeRenderSettings() : COGLGlobalRenderSettings(nullptr) {}
    void SetMipMapping(bool on) override { Add("mip", on); }
    void SetTextureQuality(int quality, bool on) override { Add("quality " + std::to_string(quality), on); }
    bool SetRenderModeOverride(int mode, bool on) override
    {
        Add("render " + std::to_string(mode), on);
        return m_bAcceptVbo || mode != 2;
    }
    bool SetCacheModeOverride(int mode, bool on) override
    {
        Add("cache " + std::to_string(mode), on);
        return m_bAcceptLists;
    }
    void SetWireFrame(bool on, bool flat) override { Add(flat ? "wire flat" : "wire", on); }
    void SetTransparency(bool on) override { Add("transparency", on); }

    std::vector<std::string> m_Calls;
    bool m_bAcceptVbo = true;
    bool m_bAcceptLists = true;

private:
    void Add(const std::string& what, bool on) { m_Calls.push_back(what + (on ? " on" : " off")); }
};

// The controller with the recording render settings in place of the
// renderer's.
class TestGameCtrl : public CGameCtrl
{
public:
    void AcquireServices() override
    {
        CGameCtrl::AcquireServices();
        m_pFake = new FakeRenderSettings;
        m_pRenderSettings = m_pFake.Get();
    }
    // The start-up check of the level set-up runs only when a test asks for
    // it: most tests of the states run without a world.
    bool CheckLevelSetUp() override { return !m_bCheckLevelSetUp || CGameCtrl::CheckLevelSetUp(); }
    bool IsListening() const { return m_bListening; }
    CRefPtr<FakeRenderSettings> m_pFake;
    bool m_bCheckLevelSetUp = false;
};

// A game object whose update writes "<name>" to a shared list and then runs
// a scripted action.
class ScriptedObj : public IGameObj
{
public:
    ScriptedObj(CGameCtrl* owner, uint32_t type, std::vector<std::string>* log, const std::string& name)
        : IGameObj(owner, type), m_pLog(log), m_Name(name)
    {
    }
    void OnLevelEnd() override
    {
        m_pLog->push_back("end:" + m_Name);
        if (m_OnLevelEnd)
            m_OnLevelEnd();
    }
    std::function<void()> m_OnUpdate;
    std::function<void()> m_OnLevelEnd;

protected:
    void OnUpdate(float) override
    {
        m_pLog->push_back(m_Name);
        if (m_OnUpdate)
            m_OnUpdate();
    }

private:
    std::vector<std::string>* m_pLog;
    std::string m_Name;
};

// Settings, engine services with a created GUI over a fake window and input
// manager, and the game's screen images in a temporary working folder.
class GameCtrlTest : public testsupport::TempDirTest
{
protected:
    // Every level of the game needs its section, even an empty one.
    static constexpr const char* kSettings = "[GAME]\nStartPos=100;5.5;-20\nNumLevels=3\n"
                                             "[Level1]\n[Level2]\n[Level3]\n";

    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        m_Dir.WriteFile("Data/sounds/button_rollover.wav", testsupport::MakeWav(0.05));
        m_Dir.WriteFile("Data/sounds/button_select.wav", testsupport::MakeWav(0.05));
        // The battle's sounds (the sound layer reads the data, whatever the
        // file's extension).
        for (const char* sound :
             {"Data/sounds/bowshot.mp3", "Data/sounds/jump.mp3", "Data/sounds/bg_battle.mp3",
              "Data/sounds/bg_build.mp3", "Data/sounds/build.mp3", "Data/sounds/nobuild.mp3"})
            m_Dir.WriteFile(sound, testsupport::MakeWav(0.05));
        for (const char* image :
             {"Data/mainbg.tga", "Data/buttonTex.tga", "Data/endbg.tga", "Data/wonbg.tga", "Data/windows.tga",
              "Data/loadingscreens/Level1.tga", "Data/loadingscreens/Level2.tga",
              "Data/loadingscreens/Level3.tga", "Data/button_citizen1.tga", "Data/button_citizen2.tga",
              "Data/button_market.tga", "Data/button_church.tga", "Data/button_toilet.tga",
              "Data/button_tower.tga"})
            m_Dir.WriteFile(image, testsupport::MakeTga(4, 4));
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        ASSERT_NE(services, nullptr);
        services->GetInputMgr() = m_pInput.Get();
        ASSERT_TRUE(services->GetSoundMgr()->Create());
        m_pClock->Reset(1, 0.1, -1.0);
        ASSERT_TRUE(services->GetGuiMgr()->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000));
    }
    void TearDown() override
    {
        m_Ctrl.Destroy();
        CEngineServices::DestroyInstance();
        CSettings::DestroyInstance();
    }

    void LoadSettings(const std::string& text)
    {
        m_Dir.WriteFile("settings.ini", text);
        CSettings::DestroyInstance();
        ASSERT_TRUE(CSettings::CreateInstance()->Load("settings.ini"));
    }
    // Settings from text (with the shipped prices when the text has no
    // "COSTS" section), then the controller's Create; the Error.log lines it
    // wrote are in m_strLog.
    bool Create(const std::string& settings = kSettings)
    {
        LoadSettings(settings.find("[COSTS]") == std::string::npos
                         ? settings + "[COSTS]\nCitizen1=100\nCitizen2=180\nMarket=150\nChurch=400\n"
                                      "Toilet=40\nTower=250\n"
                         : settings);
        testing::internal::CaptureStderr();
        const bool ok = m_Ctrl.Create(m_pClock);
        testing::internal::GetCapturedStderr();
        m_strLog = TakeErrorLog();
        return ok;
    }
    // The lines "Error.log" gained since the last call (the file is removed).
    // Without a display the GUI has no font: its lines are left out.
    std::string TakeErrorLog()
    {
        std::string log;
        std::istringstream lines(testsupport::TempDir::ReadFile(m_Dir.Path() + "/Error.log"));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Error: Couldn't create font", 0) != 0)
                log += line + "\n";
        std::remove("Error.log");
        return log;
    }
    CRefPtr<ScriptedObj> Obj(const std::string& name, uint32_t type = IGameObj::TYPE_BIRD)
    {
        return CRefPtr<ScriptedObj>(new ScriptedObj(&m_Ctrl, type, &m_Log, name));
    }
    std::vector<std::string> TakeLog()
    {
        std::vector<std::string> log;
        log.swap(m_Log);
        return log;
    }
    CGuiMgr& Gui() { return *CEngineServices::GetInstance()->GetGuiMgr(); }

    CRefPtr<guitest::FakeWindow> m_pWindow{new guitest::FakeWindow(1000, 1000)};
    CRefPtr<guitest::FakeInput> m_pInput{new guitest::FakeInput};
    CRefPtr<CFrameClock> m_pClock{new CFrameClock(CRefPtr<CHiResTimer>(new CHiResTimer))};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(m_pClock.Get())};
    TestGameCtrl m_Ctrl;
    std::vector<std::string> m_Log;
    std::string m_strLog;
};

} // namespace gametest
