#include "app/CDInputMgr.h"
#include "app/CW32Window.h"
#include "platform/dinput/DIKeyCodes.h"
#include "tests/app/DummyWindowFixture.h"

using namespace plat;

namespace
{

// Records every input event; consumes the kinds it is told to.
class Recorder : public IInputListener
{
public:
    Recorder(const char* name, std::vector<std::string>& log, uint16_t priority, bool consume = false)
        : m_Name(name), m_Log(log), m_bConsume(consume)
    {
        SetPriority(priority);
    }
    bool OnMouseMove(int32_t dx, int32_t dy, int32_t dz) override
    {
        return Add("move " + std::to_string(dx) + " " + std::to_string(dy) + " " + std::to_string(dz));
    }
    bool OnMouseDown(uint8_t b) override { return Add("down " + std::to_string(b)); }
    bool OnMouseUp(uint8_t b) override { return Add("up " + std::to_string(b)); }
    bool OnChar(uint32_t c) override { return Add("char " + std::to_string(c)); }
    bool OnKeyDown(uint8_t k) override { return Add("keydown " + std::to_string(k)); }
    bool OnKeyUp(uint8_t k) override { return Add("keyup " + std::to_string(k)); }

private:
    bool Add(const std::string& s)
    {
        m_Log.push_back(m_Name + ": " + s);
        return m_bConsume;
    }
    std::string m_Name;
    std::vector<std::string>& m_Log;
    bool m_bConsume;
};

class DInputMgr : public testsupport::DummyWindowTest
{
protected:
    void SetUp() override
    {
        DummyWindowTest::SetUp();
        m_pWindow = new CW32Window;
        ASSERT_TRUE(m_pWindow->Create(GetModuleHandleA(nullptr), "input", 640, 480, 0, 100, 50, 32));
        m_pMgr = new CDInputMgr;
    }
    void TearDown() override
    {
        m_pMgr->Destroy();
        m_pMgr.Release();
        m_pWindow->Destroy();
        m_pWindow.Release();
        SetDInputFault("", 0);
    }
    HWND Hwnd() const { return m_pWindow->GetHandle(); }

    // Created, focused and past the first (failing) read, with listener A.
    void StartRunning()
    {
        ASSERT_TRUE(m_pMgr->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get())));
        InjectWindowEvent(Hwnd(), WindowEventKind::FocusGained);
        Pump();
        m_pMgr->Update(); // not acquired yet: re-acquires, nothing delivered
        m_pMgr->Update(); // resynchronises from the (empty) state
        m_pMgr->AddListener(&m_A);
    }

    std::vector<std::string> m_Log;
    Recorder m_A{"A", m_Log, 100};
    CRefPtr<CW32Window> m_pWindow;
    CRefPtr<CDInputMgr> m_pMgr;
};

TEST_F(DInputMgr, ListenersAskedByAscendingPriorityUntilOneConsumes)
{
    std::vector<std::string> log;
    Recorder late("late", log, 1000), first("first", log, 100), second("second", log, 100),
        eater("eater", log, 500, true);
    m_pMgr->AddListener(&late);
    m_pMgr->AddListener(&first);
    m_pMgr->AddListener(&eater);
    m_pMgr->AddListener(&second);
    std::vector<IInputListener*> order(m_pMgr->GetListeners().begin(), m_pMgr->GetListeners().end());
    EXPECT_EQ(order, (std::vector<IInputListener*>{&first, &second, &eater, &late}));
    m_pMgr->OnChar('q');
    EXPECT_EQ(log, (std::vector<std::string>{"first: char 113", "second: char 113", "eater: char 113"}));
    log.clear();
    m_pMgr->RemoveListener(&eater);
    m_pMgr->OnChar('r');
    EXPECT_EQ(log, (std::vector<std::string>{"first: char 114", "second: char 114", "late: char 114"}));
    m_pMgr->RemoveListener(&eater); // not there: nothing happens
    EXPECT_EQ(m_pMgr->GetListeners().size(), 3u);
}

TEST_F(DInputMgr, CreateRegistersWithTheWindowAndDestroyUndoesIt)
{
    ASSERT_TRUE(m_pMgr->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get())));
    ASSERT_EQ(m_pWindow->GetListeners().size(), 1u);
    EXPECT_TRUE(m_pMgr->IsCursorShown());
    EXPECT_FALSE(m_pMgr->IsCursorClipped());
    // Characters typed into the window reach the input listeners.
    m_pMgr->AddListener(&m_A);
    InjectText(Hwnd(), "z");
    Pump();
    EXPECT_EQ(m_Log, std::vector<std::string>{"A: char 122"});
    m_pMgr->Destroy();
    EXPECT_TRUE(m_pWindow->GetListeners().empty());
    m_pMgr->Destroy();
    EXPECT_TRUE(ErrorLog().empty());
}

TEST_F(DInputMgr, EverySetUpFailureHasItsMessage)
{
    struct Case
    {
        const char* call;
        int n;
        const char* message;
    } cases[] = {
        {"DirectInput8Create", 1, "Error: DirectInput8Create failed"},
        {"CreateDevice", 1, "Error: CreateDevice failed for mouse device"},
        {"SetDataFormat", 1, "Error: SetDataFormat failed for mouse device"},
        {"SetCooperativeLevel", 1, "Error: SetCooperativeLevel failed for mouse device"},
        {"SetProperty", 1, "Error: SetProperty (set buffer size) failed for mouse device"},
        {"CreateDevice", 2, "Error: CreateDevice faild for keyboard device"},
        {"SetDataFormat", 2, "Error: SetDataFormat faild for keyboard device"},
        {"SetCooperativeLevel", 2, "Error: SetCooperativeLevel faild for keyboard device"},
        {"SetProperty", 2, "Error: SetProperty (set buffer size) failed for keyboard device"},
    };
    std::string expected;
    testing::internal::CaptureStderr();
    for (const Case& c : cases)
    {
        CRefPtr<CDInputMgr> mgr(new CDInputMgr);
        SetDInputFault(c.call, c.n);
        EXPECT_FALSE(mgr->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get()))) << c.message;
        expected += std::string(c.message) + "\n";
        mgr->Destroy();
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ErrorLog(), expected);
    EXPECT_TRUE(m_pWindow->GetListeners().empty());
}

TEST_F(DInputMgr, ButtonsFirstThenOneSummedMove)
{
    StartRunning();
    InjectMouseMotion(Hwnd(), 5, -3);
    InjectMouseButton(Hwnd(), 1, true);
    InjectMouseMotion(Hwnd(), 2, 1);
    InjectMouseButton(Hwnd(), 1, false);
    InjectMouseButton(Hwnd(), 3, true); // SDL's right button is index 1
    InjectMouseWheel(Hwnd(), -1);
    Pump();
    m_pMgr->Update();
    EXPECT_EQ(m_Log, (std::vector<std::string>{"A: down 0", "A: up 0", "A: down 1", "A: move 7 -2 -120"}));
    EXPECT_TRUE(m_pMgr->IsMouseButtonDown(1));

    // Movement that sums to zero sends no move.
    m_Log.clear();
    InjectMouseMotion(Hwnd(), 4, 4);
    InjectMouseMotion(Hwnd(), -4, -4);
    Pump();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty());
}

TEST_F(DInputMgr, ButtonHeldAtStartIsReportedByTheStatePoll)
{
    ASSERT_TRUE(m_pMgr->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get())));
    m_pMgr->AddListener(&m_A);
    InjectMouseButton(Hwnd(), 1, true); // before the window has the focus
    InjectKey(Hwnd(), SCANCODE_LSHIFT, true);
    InjectWindowEvent(Hwnd(), WindowEventKind::FocusGained);
    Pump();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty()) << "the first read fails and re-acquires";
    m_pMgr->Update();
    EXPECT_EQ(m_Log, (std::vector<std::string>{"A: down 0", "A: keydown 42"}));
    m_Log.clear();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty()) << "resynchronised once";
}

TEST_F(DInputMgr, StateIsRecordedWithoutListeners)
{
    StartRunning();
    m_pMgr->RemoveListener(&m_A);
    InjectMouseButton(Hwnd(), 1, true);
    InjectKey(Hwnd(), SCANCODE_W, true);
    Pump();
    m_pMgr->Update();
    EXPECT_TRUE(m_pMgr->IsMouseButtonDown(0));
    EXPECT_TRUE(m_pMgr->IsKeyDown(DIK_W));
}

TEST_F(DInputMgr, KeyboardOverflowIsResynchronisedFromState)
{
    StartRunning();
    const int keys[] = {SCANCODE_A, SCANCODE_D, SCANCODE_G, SCANCODE_S, SCANCODE_W, SCANCODE_SPACE};
    // 3 x (down, up) x 6 = 36 items, 16 fit; then W stays held.
    for (int round = 0; round < 3; ++round)
        for (int k : keys)
        {
            InjectKey(Hwnd(), k, true);
            InjectKey(Hwnd(), k, false);
        }
    InjectKey(Hwnd(), SCANCODE_W, true);
    Pump();
    m_Log.clear(); // the characters
    m_pMgr->Update();
    ASSERT_EQ(m_Log.size(), 17u);
    EXPECT_EQ(m_Log[0], "A: keydown 30");
    EXPECT_EQ(m_Log[15], "A: keyup 32"); // D, in the second round
    EXPECT_EQ(m_Log[16], "A: keydown 17") << "the state poll finds W held";
    for (int k : {DIK_A, DIK_D, DIK_G, DIK_S, DIK_SPACE})
        EXPECT_FALSE(m_pMgr->IsKeyDown(static_cast<uint8_t>(k)));
}

TEST_F(DInputMgr, MouseOverflowRecoversButtonsButNotMovement)
{
    StartRunning();
    // 16 clicks fill the 32 items; the movement and the right press after
    // them are lost from the buffer.
    for (int i = 0; i < 16; ++i)
    {
        InjectMouseButton(Hwnd(), 1, true);
        InjectMouseButton(Hwnd(), 1, false);
    }
    InjectMouseMotion(Hwnd(), 3, 3);
    InjectMouseButton(Hwnd(), 3, true);
    Pump();
    m_pMgr->Update();
    ASSERT_EQ(m_Log.size(), 33u);
    EXPECT_EQ(m_Log[30], "A: down 0");
    EXPECT_EQ(m_Log[31], "A: up 0");
    EXPECT_EQ(m_Log[32], "A: down 1") << "the state poll finds the right button held";
    EXPECT_TRUE(m_pMgr->IsMouseButtonDown(1));
    m_Log.clear();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty());
}

TEST_F(DInputMgr, FocusLossDeliversNothingThenResynchronises)
{
    StartRunning();
    InjectKey(Hwnd(), SCANCODE_ESCAPE, true);
    Pump();
    EXPECT_EQ(m_Log, std::vector<std::string>{"A: char 27"}) << "the window's character, between frames";
    m_Log.clear();
    m_pMgr->Update();
    EXPECT_EQ(m_Log, std::vector<std::string>{"A: keydown 1"});
    m_Log.clear();
    InjectWindowEvent(Hwnd(), WindowEventKind::FocusLost);
    InjectKey(Hwnd(), SCANCODE_ESCAPE, false);
    InjectKey(Hwnd(), SCANCODE_UP, true);
    Pump();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty());
    InjectWindowEvent(Hwnd(), WindowEventKind::FocusGained);
    Pump();
    m_pMgr->Update();
    EXPECT_TRUE(m_Log.empty()) << "the read fails once more, then the device is acquired";
    m_pMgr->Update();
    EXPECT_EQ(m_Log, (std::vector<std::string>{"A: keyup 1", "A: keydown 200"}));
}

TEST_F(DInputMgr, RepeatsAndCharactersAreSeparate)
{
    StartRunning();
    InjectKey(Hwnd(), SCANCODE_G, true);
    InjectKey(Hwnd(), SCANCODE_G, true, true);
    InjectKey(Hwnd(), SCANCODE_G, true, true);
    InjectKey(Hwnd(), SCANCODE_G, false);
    Pump(); // characters arrive between frames
    m_pMgr->Update();
    EXPECT_EQ(m_Log, (std::vector<std::string>{"A: char 103", "A: keydown 34", "A: keyup 34"}));
}

TEST_F(DInputMgr, CursorClipAndVisibilityChangeOnlyOnChange)
{
    ASSERT_TRUE(m_pMgr->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get())));
    m_pMgr->ShowMouseCursor(false);
    m_pMgr->ShowMouseCursor(false);
    EXPECT_EQ(ShowCursor(1), 0) << "one hide only: the counter was -1";
    ShowCursor(0);
    m_pMgr->SetCursorClip(true);
    m_pMgr->SetCursorClip(true);
    EXPECT_TRUE(m_pMgr->IsCursorClipped());
    InjectWindowEvent(Hwnd(), WindowEventKind::FocusGained);
    Pump();
    EXPECT_TRUE(m_pMgr->IsCursorClipped());
    m_pMgr->Destroy();
    EXPECT_FALSE(m_pMgr->IsCursorClipped());
    EXPECT_TRUE(m_pMgr->IsCursorShown());
    EXPECT_EQ(ShowCursor(1), 1) << "shown again by Destroy";
    ShowCursor(0);
    int32_t x = -1, y = -1;
    m_pMgr->GetCursorPosition(x, y);
    float nx = -1, ny = -1;
    m_pMgr->GetNormalizedCursorPosition(nx, ny);
    EXPECT_EQ(nx, 0.0f) << "no window any more";
}

} // namespace
