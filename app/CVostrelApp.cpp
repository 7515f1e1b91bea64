#include "app/CVostrelApp.h"

#include "app/CDInputMgr.h"
#include "app/CEngineServices.h"
#include "app/CHiResTimer.h"
#include "app/CPhysXMgr.h"
#include "app/CSettings.h"
#include "app/CSettingsStore.h"
#include "app/CSteppedTimer.h"
#include "app/CTestObserver.h"
#include "app/CW32Window.h"
#include "app/Log.h"
#include "game/GameRandom.h"
#include "scenesdk/kernel/KLibrary.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <strings.h>

namespace
{

// The scene SDK library (its world, memory pools and class-id registry) is
// started by the program's static initialisers, before the entry function
// runs, and stopped when the run-time destroys the static objects at exit,
// after every SDK object of the run has gone with the engine services.
struct SScnSdkLibraryUser
{
    SScnSdkLibraryUser() { scenesdk::KLibraryStart(); }
    ~SScnSdkLibraryUser() { scenesdk::KLibraryStop(); }
    SScnSdkLibraryUser(const SScnSdkLibraryUser&) = delete;
    SScnSdkLibraryUser& operator=(const SScnSdkLibraryUser&) = delete;
};
const SScnSdkLibraryUser gScnSdkLibrary;

const char* const kSection = "DISPLAY";
// Follows the failure of the main window or of its OpenGL context (flags 9:
// in a box where one can still be shown); the process then ends with status
// 1.
const char* const kNoWindowMessage =
    "Error: No window or OpenGL context can be made: the game needs a display (DISPLAY naming a running X "
    "server) with OpenGL";

// Decimal conversion as atoi does it (leading blanks and a sign allowed,
// text without digits gives 0), clamped instead of overflowing.
long ToInt(const std::string& text)
{
    errno = 0;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX)
        v = INT_MAX;
    if (v < INT_MIN)
        v = INT_MIN;
    return v;
}

bool GetDisplayValue(const char* key, std::string& value)
{
    CSettings* settings = CSettings::GetInstance();
    return settings && settings->GetValue(kSection, key, value);
}

// For the entries that count as soon as their key line is there ("title",
// "fullscreen"): GetValue reports an empty value as missing, so a key line
// with nothing after the '=' is looked up in the store itself, in the same
// place GetValue looks (the first "DISPLAY" section, the first such key).
// value receives the value, empty when the line has none.
std::string DescribeDisplayKey(const std::string& key)
{
    CSettings* settings = CSettings::GetInstance();
    return settings ? settings->DescribeKey(kSection, key) : "[" + std::string(kSection) + "] " + key;
}

bool FindDisplayEntry(const char* key, std::string& value)
{
    value.clear();
    if (GetDisplayValue(key, value))
        return true;
    value.clear();
    CSettings* settings = CSettings::GetInstance();
    if (!settings || settings->GetStore().GetStatus() != CSettingsStore::Loaded)
        return false;
    for (const SSettingsSection& section : settings->GetStore().GetSections())
    {
        if (section.name != kSection)
            continue;
        for (const SSettingsEntry& entry : section.entries)
            if (entry.key == key)
                return true;
        return false;
    }
    return false;
}

// The main window's configuration from "DISPLAY"; valid when all four
// entries count (a missing title counts as an empty one). faults: the keys
// that do not count, each with what it needs; notes: warnings about keys
// that count all the same.
struct SWindowConfig
{
    std::string title;
    uint16_t width = 0;
    uint16_t height = 0;
    bool fullscreen = false;
    int count = 0;
    std::vector<std::pair<std::string, std::string>> faults;
    std::vector<std::string> notes;
};

// What people write for yes and for no, compared without regard to case.
const char* const kYes[] = {"true", "yes", "on", "1"};
const char* const kNo[] = {"false", "no", "off", "0"};

bool IsOneOf(const std::string& value, const char* const (&words)[4])
{
    for (const char* word : words)
        if (strcasecmp(value.c_str(), word) == 0)
            return true;
    return false;
}

// A size entry's leading whole number (as atoi reads it, clamped); text
// after it other than a comment is noted, once, as for the game's other
// numbers. False when the key is missing.
bool ReadSizeEntry(const char* key, long& value)
{
    std::string text;
    if (!GetDisplayValue(key, text))
        return false;
    value = ToInt(text);
    const size_t start = text.find_first_not_of(" \t");
    char* end = nullptr;
    std::strtol(text.c_str() + start, &end, 10);
    const size_t length = static_cast<size_t>(end - (text.c_str() + start));
    if (CSettings* settings = CSettings::GetInstance(); settings && length > 0)
        settings->NoteIgnoredText(key, text, length);
    return true;
}

// The window's size entries: key, least and greatest value.
struct SSizeKey
{
    const char* key;
    long least;
    long most;
};
const SSizeKey kSizeKeys[] = {{"hRes", 640, 1280}, {"vRes", 480, 1024}};

SWindowConfig ReadWindowConfig()
{
    SWindowConfig c;
    std::string v;
    // A missing title, an empty one, or one of 50 characters or more,
    // leaves the title empty but counts.
    ++c.count;
    if (!FindDisplayEntry("title", v))
        c.notes.push_back(DescribeDisplayKey("title") + ": the window has no title");
    else if (!v.empty() && v.size() < 50)
        c.title = v;
    uint16_t* sizes[] = {&c.width, &c.height};
    for (int i = 0; i < 2; ++i)
    {
        const SSizeKey& k = kSizeKeys[i];
        long value = k.least - 1;
        ReadSizeEntry(k.key, value);
        if (value >= k.least && value <= k.most)
        {
            *sizes[i] = static_cast<uint16_t>(value);
            ++c.count;
        }
        else
            c.faults.emplace_back(k.key, "a whole number from " + std::to_string(k.least) + " to " +
                                             std::to_string(k.most));
    }
    if (FindDisplayEntry("fullscreen", v))
    {
        ++c.count;
        // An empty value means windowed, without a word.
        c.fullscreen = IsOneOf(v, kYes);
        if (!v.empty() && !c.fullscreen && !IsOneOf(v, kNo))
            c.notes.push_back(DescribeDisplayKey("fullscreen") +
                              ": \"true\" or \"false\" (or yes and no, on and off, 1 and 0); the window is "
                              "windowed");
    }
    else
        c.faults.emplace_back("fullscreen", "\"true\" or \"false\"");
    return c;
}


std::string SizeText(uint32_t width, uint32_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// A windowed window larger than the screen shrinks to it, said with the key
// that is too large; its client area is then centred on the screen (at
// (200, 150) when the screen's size is unknown).
void FitWindowToScreen(uint16_t& width, uint16_t& height, int16_t& x, int16_t& y, bool fromSettings)
{
    uint32_t screenWidth = 0, screenHeight = 0;
    if (!CW32Window::ReadScreenSize(screenWidth, screenHeight) || screenWidth == 0 || screenHeight == 0)
    {
        x = 200;
        y = 150;
        return;
    }
    const uint16_t asked[] = {width, height};
    const uint32_t screen[] = {screenWidth, screenHeight};
    width = static_cast<uint16_t>(std::min<uint32_t>(width, screenWidth));
    height = static_cast<uint16_t>(std::min<uint32_t>(height, screenHeight));
    for (int i = 0; i < 2; ++i)
    {
        if (asked[i] <= screen[i])
            continue;
        const std::string what = fromSettings ? DescribeDisplayKey(kSizeKeys[i].key)
                                              : std::string("the default window's ") + kSizeKeys[i].key + " " +
                                                    std::to_string(asked[i]);
        Log(1, "Warning: %s: more than the screen (%s) holds; the window is %s", what.c_str(),
            SizeText(screenWidth, screenHeight).c_str(), SizeText(width, height).c_str());
    }
    x = static_cast<int16_t>((screenWidth - width) / 2);
    y = static_cast<int16_t>((screenHeight - height) / 2);
}

} // namespace

CVostrelApp::CVostrelApp() : m_bQuit(false)
{
    SetPriority(1000);
    m_pWindow.Release();
    m_bQuit = true;
}

CVostrelApp::~CVostrelApp()
{
    Destroy();
    // m_Console's destructor frees the console.
    m_pFrameClock.Release();
    m_pWindow.Release();
}

bool CVostrelApp::Create()
{
    // 1. Settings.
    CSettings* settings = CSettings::CreateInstance();
    if (!settings || !settings->Load("settings.ini"))
    {
        Log(16, "Error: CSettings::Load(%s) failed in CVostrelApp::Create", "settings.ini");
        return false;
    }
    // 2. Console and main window.
    if (!CreateWindows())
    {
        Log(16, "Error: CreateWindows() failed in CVostrelApp::Create");
        return false;
    }
    // 3. Engine services (its constructor builds the renderer and the model factory).
    CEngineServices::CreateInstance();
    CEngineServices* services = CEngineServices::GetInstance();
    if (!services)
        return false;
    // 4. Renderer.
    if (!SetupRenderEngine())
    {
        Log(16, "Error: SetupRenderEngine() failed in CVostrelApp::Create");
        return false;
    }
    // 5. Input manager.
    CRefPtr<IInputMgr>& pInputMgr = services->GetInputMgr();
    if (!pInputMgr || !pInputMgr->Create(m_hInstance, m_pWindow))
    {
        Log(16, "Error: pInputMgr->Create failed in CVostrelApp::Create");
        return false;
    }
    // 6. Sound manager (silent on a machine without a sound device).
    CRefPtr<ISoundMgr>& pSoundMgr = services->GetSoundMgr();
    if (!pSoundMgr || !pSoundMgr->Create())
    {
        Log(16, "Error: ISoundMgr()->Create() failed in CVostrelApp::Create");
        return false;
    }

    // 7. The application hears input after every listener below 100.
    SetPriority(100);
    pInputMgr->AddListener(this);

    // 8. Frame clock: 5-frame window, 0.03 s first frame, 0.2 s spike limit.
    //    A test that asks for a replayable run (VOSTREL_TEST_SEED) gets the
    //    game's random source seeded and frames of exactly 1/60 s from the
    //    first one on.
    uint32_t seed = 0;
    if (ParseTestSeed(std::getenv("VOSTREL_TEST_SEED"), seed))
    {
        gamerandom::Seed(seed);
        m_pFrameClock = new CFrameClock(CRefPtr<CHiResTimer>(new CSteppedTimer(1.0 / 60.0)));
        m_pFrameClock->Reset(5, 1.0 / 60.0, 0.2);
        Log(4, "Replay run: random seed %u, frames of 1/60 s", seed);
    }
    else
    {
        m_pFrameClock = new CFrameClock(CRefPtr<CHiResTimer>(new CHiResTimer));
        m_pFrameClock->Reset(5, 0.03, 0.2);
    }

    // Started in another folder, nothing would load: said before the first
    // file is read (the GUI's button sounds would fail first).
    if (!CGameCtrl::CheckDataFolder())
        return false;

    // 9. GUI manager over a virtual screen of 1000 x 1000 units, timed by a
    //    game timer of its own on the frame clock.
    CRefPtr<CGameTimer> guiTimer(new CGameTimer(m_pFrameClock.Get()));
    CRefPtr<CGuiMgr>& pGuiMgr = services->GetGuiMgr();
    if (!pGuiMgr || !pGuiMgr->Create(m_pWindow, pInputMgr, guiTimer, 1000, 1000))
    {
        Log(1, "Error: pGuiMgr->Create failed in CVostrelApp::Create");
        return false;
    }

    // 10. Physics.
    CRefPtr<CPhysXMgr>& pPhysXMgr = services->GetPhysXMgr();
    if (!pPhysXMgr || !pPhysXMgr->Create())
    {
        Log(16, "Error: pPhysXMgr->Create failed in CVostrelApp::Create");
        return false;
    }

    // 11. Game controller: its states, and the main menu entered.
    if (!m_GameCtrl.Create(m_pFrameClock))
    {
        Log(16, "Error: m_GameCtrl.Create failed in CVostrelApp::Create");
        return false;
    }

    const std::string observed = CTestObserver::PathFromEnvironment();
    if (!observed.empty())
        m_pObserver.reset(new CTestObserver(observed));

    // 12. Show, run, confine the cursor.
    m_pWindow->Show(true);
    m_bQuit = false;
    pInputMgr->SetCursorClip(true);
    return true;
}

bool CVostrelApp::CreateWindows()
{
    // Console position: "ConsoleY" is read only when "ConsoleX" was found.
    std::string x, y;
    int16_t consoleX = 0, consoleY = 0;
    // A position past the 16 bits of a console coordinate is refused like
    // a missing one.
    if (GetDisplayValue("ConsoleX", x) && GetDisplayValue("ConsoleY", y) && ToInt(x) >= INT16_MIN &&
        ToInt(x) <= INT16_MAX && ToInt(y) >= INT16_MIN && ToInt(y) <= INT16_MAX)
    {
        consoleX = static_cast<int16_t>(ToInt(x));
        consoleY = static_cast<int16_t>(ToInt(y));
    }
    else
        Log(1, "Warning: Couldn't get Console position from \"settings.ini\"! Using default values.");
    if (!m_Console.Create("Vostrel - Console", 80, 25, consoleX, consoleY))
    {
        Log(16, "Error: m_Console.Create failed in CVostrelApp::CreateWindows");
        return false;
    }

    m_pWindow = new CW32Window;
    const SWindowConfig c = ReadWindowConfig();
    for (const std::string& note : c.notes)
        Log(1, "Warning: %s", note.c_str());
    bool created;
    int16_t left = 0, top = 0;
    if (c.count != 4)
    {
        uint16_t width = 800, height = 600;
        uint32_t screenWidth = 0, screenHeight = 0;
        const std::string screen = CW32Window::ReadScreenSize(screenWidth, screenHeight)
                                       ? "the screen is " + SizeText(screenWidth, screenHeight) + ", "
                                       : std::string();
        for (const auto& [key, need] : c.faults)
            Log(1, "Warning: %s: %s (%sthe default window is %s)", DescribeDisplayKey(key).c_str(), need.c_str(),
                screen.c_str(), SizeText(width, height).c_str());
        FitWindowToScreen(width, height, left, top, false);
        // The configured title stays: only the entries said are replaced.
        created = m_pWindow->Create(m_hInstance, c.title.c_str(), width, height, 0, left, top, 32);
    }
    else
    {
        uint16_t width = c.width, height = c.height;
        // Full screen changes the display mode to the asked size.
        if (!c.fullscreen)
            FitWindowToScreen(width, height, left, top, true);
        created =
            m_pWindow->Create(m_hInstance, c.title.c_str(), width, height, c.fullscreen ? 1 : 0, left, top, 32);
    }
    if (!created)
    {
        Log(16, "Error: m_pWindow->Create failed in CVostrelApp::CreateWindows");
        Log(9, kNoWindowMessage);
        SetFailed();
        return false;
    }
    m_pWindow->AddListener(static_cast<IWindowListener*>(this));
    return true;
}

bool CVostrelApp::SetupRenderEngine()
{
    CRefPtr<IRenderer> renderer = CEngineServices::GetInstance()->GetRenderer();
    if (!renderer || !renderer->Create(m_pWindow))
    {
        Log(16, "Error: IRenderer::Create failed in CVostrelApp::SetupRenderEngine");
        Log(9, kNoWindowMessage);
        SetFailed();
        return false;
    }
    renderer->SetClearColor(kClearColor);
    return true;
}

bool CVostrelApp::Frame()
{
    m_pFrameClock->Tick();
    // Input, state, GUI, camera and drawing; false ends the program.
    if (!m_GameCtrl.Update())
    {
        if (m_GameCtrl.HasFailed())
            SetStartUpFailed();
        return false;
    }
    if (m_pObserver)
        m_pObserver->Write(m_GameCtrl);
    return !m_bQuit;
}

void CVostrelApp::Destroy()
{
    m_pObserver.reset();
    m_GameCtrl.Destroy();
    if (CEngineServices::GetInstance())
        CEngineServices::DestroyInstance();
    m_pFrameClock.Release();
    if (m_pWindow)
    {
        m_pWindow->RemoveListener(static_cast<IWindowListener*>(this));
        m_pWindow->Destroy();
        m_pWindow.Release();
    }
    if (CSettings::GetInstance())
        CSettings::DestroyInstance();
    m_pWindow.Release();
    m_bQuit = true;
}

void CVostrelApp::OnDestroy()
{
    m_bQuit = true;
}

bool CVostrelApp::OnKeyDown(uint8_t key)
{
    if (key != 1)
        return false;
    m_bQuit = true;
    return true;
}
