#include "app/CW32Window.h"
#include "tests/app/DummyWindowFixture.h"

#include <cstdlib>

using namespace plat;

namespace
{

// Records every window event as text, into a log shared by several listeners.
class RecordingListener : public IWindowListener
{
public:
    RecordingListener(const char* name, std::vector<std::string>& log) : m_Name(name), m_Log(log) {}
    void OnSize(uint16_t w, uint16_t h) override
    {
        Add("size " + std::to_string(w) + "x" + std::to_string(h));
    }
    void OnChar(uint32_t c) override { Add("char " + std::to_string(c)); }
    void OnActivate(bool a) override { Add(a ? "activate 1" : "activate 0"); }
    void OnDestroy() override { Add("destroy"); }
    void OnBeforeFullscreen(bool f) override { Add(f ? "before 1" : "before 0"); }
    void OnAfterFullscreen(bool f) override { Add(f ? "after 1" : "after 0"); }

private:
    void Add(const std::string& s) { m_Log.push_back(m_Name + ": " + s); }
    std::string m_Name;
    std::vector<std::string>& m_Log;
};

class W32Window : public testsupport::DummyWindowTest
{
protected:
    void TearDown() override
    {
        for (auto& w : m_Windows)
            w->Destroy();
    }
    CRefPtr<CW32Window> Make(uint16_t w = 800, uint16_t h = 600, uint8_t full = 0, int16_t x = 200,
                             int16_t y = 150)
    {
        CRefPtr<CW32Window> win(new CW32Window);
        EXPECT_TRUE(win->Create(GetModuleHandleA(nullptr), "Vostrel - Main", w, h, full, x, y, 32));
        m_Windows.push_back(win);
        return win;
    }
    static DWORD Style(const CRefPtr<CW32Window>& w)
    {
        return static_cast<DWORD>(GetWindowLongA(w->GetHandle(), GWL_STYLE));
    }
    std::vector<CRefPtr<CW32Window>> m_Windows;
};

TEST_F(W32Window, CreatesHiddenWindowedWindowAndKeepsItsValues)
{
    auto w = Make(800, 600);
    ASSERT_TRUE(w->IsCreated());
    EXPECT_FALSE(w->IsFullscreen());
    EXPECT_EQ(w->GetBits(), 32);
    uint16_t cw = 0, ch = 0;
    w->GetSize(cw, ch);
    EXPECT_EQ(cw, 800);
    EXPECT_EQ(ch, 600);
    EXPECT_EQ(w->GetWindowedX(), 200);
    EXPECT_EQ(w->GetWindowedY(), 150);
    EXPECT_GT(w->GetDesktopWidth(), 0u);
    EXPECT_EQ(Style(w), CW32Window::kStyleWindowed);
    char title[64];
    GetWindowTextA(w->GetHandle(), title, sizeof title);
    EXPECT_STREQ(title, "Vostrel - Main");
    RECT rc{};
    GetClientRect(w->GetHandle(), &rc);
    EXPECT_EQ(rc.right, 800) << "the client area has the configured size";

    w->SetTitle("Other");
    GetWindowTextA(w->GetHandle(), title, sizeof title);
    EXPECT_STREQ(title, "Other");
    w->SetSize(640, 480);
    EXPECT_EQ(w->GetWindowedWidth(), 640);
    GetClientRect(w->GetHandle(), &rc);
    EXPECT_EQ(rc.bottom, 480);
    w->SetPosition(10, 20);
    EXPECT_EQ(w->GetWindowedX(), 10);
    EXPECT_TRUE(ErrorLog().empty());
}

TEST_F(W32Window, ClassRegisteredWithFirstWindowAndDroppedWithLast)
{
    EXPECT_FALSE(CW32Window::IsClassRegistered());
    auto a = Make();
    auto b = Make(640, 480);
    EXPECT_TRUE(CW32Window::IsClassRegistered());
    EXPECT_EQ(CW32Window::GetWindowCount(), 2u);
    a->Destroy();
    EXPECT_FALSE(a->IsCreated());
    EXPECT_TRUE(CW32Window::IsClassRegistered());
    b->Destroy();
    EXPECT_FALSE(CW32Window::IsClassRegistered());
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
    b->Destroy(); // again: harmless
    auto c = Make();
    EXPECT_TRUE(c->IsCreated()) << "can be created again after the class went";
}

TEST_F(W32Window, ListenersGetEveryEventInRegistrationOrder)
{
    auto w = Make();
    std::vector<std::string> log;
    RecordingListener first("A", log), second("B", log);
    w->AddListener(&first);
    w->AddListener(&second);
    InjectWindowEvent(w->GetHandle(), WindowEventKind::FocusGained);
    InjectWindowEvent(w->GetHandle(), WindowEventKind::SizeChanged, 1024, 700);
    InjectWindowEvent(w->GetHandle(), WindowEventKind::SizeChanged, 0, 0);
    InjectText(w->GetHandle(), "x");
    InjectWindowEvent(w->GetHandle(), WindowEventKind::FocusLost);
    InjectWindowEvent(w->GetHandle(), WindowEventKind::Close);
    Pump();
    const std::vector<std::string> want = {
        "A: activate 1", "B: activate 1", "A: size 1024x700", "B: size 1024x700", "A: char 120",
        "B: char 120",   "A: activate 0", "B: activate 0",    "A: destroy",       "B: destroy"};
    EXPECT_EQ(log, want);
    uint16_t cw = 0, ch = 0;
    w->GetSize(cw, ch);
    EXPECT_EQ(cw, 1024);
    EXPECT_EQ(ch, 700);
    EXPECT_EQ(w->GetWindowedWidth(), 800) << "the windowed size is not the current size";

    // Removed listeners hear nothing; the program's own Destroy sends nothing.
    log.clear();
    w->RemoveListener(&first);
    InjectWindowEvent(w->GetHandle(), WindowEventKind::FocusGained);
    Pump();
    EXPECT_EQ(log, std::vector<std::string>{"B: activate 1"});
    log.clear();
    w->Destroy();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(w->GetListeners().empty());
}

TEST_F(W32Window, FullScreenSwitchCalledDirectly)
{
    auto w = Make(640, 480);
    std::vector<std::string> log;
    RecordingListener l("L", log);
    w->AddListener(&l);

    w->SetFullscreen(true, 640, 480);
    EXPECT_TRUE(w->IsFullscreen());
    EXPECT_EQ(Style(w), CW32Window::kStyleFullscreen);
    w->SetPosition(5, 5);
    w->SetSize(320, 240);
    EXPECT_EQ(w->GetWindowedX(), 200) << "ignored while full screen";
    EXPECT_EQ(w->GetWindowedWidth(), 640);

    w->SetFullscreen(false, 640, 480);
    EXPECT_FALSE(w->IsFullscreen());
    EXPECT_EQ(Style(w), CW32Window::kStyleWindowedAfterSwitch);
    RECT rc{};
    GetClientRect(w->GetHandle(), &rc);
    EXPECT_EQ(rc.right, 640);
    EXPECT_EQ(rc.bottom, 480);
    POINT p{0, 0};
    ClientToScreen(w->GetHandle(), &p);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 150);
    EXPECT_EQ(log, (std::vector<std::string>{"L: before 1", "L: after 1", "L: before 0", "L: after 0"}));
    EXPECT_TRUE(ErrorLog().empty());
}

TEST_F(W32Window, FailedModeChangeFallsBackToWindowed)
{
    auto w = Make(640, 480);
    std::vector<std::string> log;
    RecordingListener l("L", log);
    w->AddListener(&l);
    w->SetFullscreen(true, 9000, 9000);
    EXPECT_FALSE(w->IsFullscreen());
    EXPECT_EQ(Style(w), CW32Window::kStyleWindowedAfterSwitch);
    EXPECT_EQ(ErrorLog(), "Errror: Failed to enter fullscreen mode\n");
    EXPECT_EQ(log, (std::vector<std::string>{"L: before 1", "L: after 0"}));

    // At creation the fallback is silent.
    auto big = Make(9000, 9000, 1, 0, 0);
    EXPECT_FALSE(big->IsFullscreen());
    EXPECT_EQ(Style(big), CW32Window::kStyleWindowed);
    EXPECT_EQ(ErrorLog(), "Errror: Failed to enter fullscreen mode\n");
    auto full = Make(640, 480, 1, 0, 0);
    EXPECT_TRUE(full->IsFullscreen());
    EXPECT_EQ(Style(full), CW32Window::kStyleFullscreen);
}

TEST_F(W32Window, MaximiseAndRestoreCommandsSwitchAtTheWindowedSize)
{
    auto w = Make(700, 500);
    // The window manager's maximise arrives as an event.
    InjectWindowEvent(w->GetHandle(), WindowEventKind::Maximized);
    Pump();
    EXPECT_TRUE(w->IsFullscreen());
    SendMessageA(w->GetHandle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(w->IsFullscreen());
    SendMessageA(w->GetHandle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(w->IsFullscreen());
    uint16_t cw = 0, ch = 0;
    w->GetSize(cw, ch);
    EXPECT_EQ(cw, 700);
    SendMessageA(w->GetHandle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(w->IsFullscreen());
}

// The window's own lines go to "Error.log" only: the application says what
// they mean for the player.
TEST_F(W32Window, WindowCreationFailureIsLogged)
{
    CRefPtr<CW32Window> w(new CW32Window);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w->Create(GetModuleHandleA(nullptr), "t", 0, 600, 0, 200, 150, 32));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: CreateWindowEx failed in CW32Window::Create!\n");
    EXPECT_EQ(err, "");
    EXPECT_FALSE(w->IsCreated());
    EXPECT_EQ(CW32Window::GetWindowCount(), 0u);
    w->Destroy();
    auto ok = Make();
    EXPECT_TRUE(ok->IsCreated()) << "a later window is still made";
}

TEST_F(W32Window, NoDisplayMeansRegistrationFails)
{
    QuitVideo();
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    CRefPtr<CW32Window> w(new CW32Window);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w->Create(GetModuleHandleA(nullptr), "t", 800, 600, 0, 200, 150, 32));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), "Error: RegisterClassEx failed in CW32Window::Create!\n");
    EXPECT_EQ(err.find("RegisterClassEx"), std::string::npos) << err;
    EXPECT_FALSE(w->IsCreated());
    EXPECT_FALSE(CW32Window::IsClassRegistered());
    w->Destroy();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

} // namespace
