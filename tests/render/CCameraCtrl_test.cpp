#include "app/CEngineServices.h"
#include "app/CFrameClock.h"
#include "app/CHiResTimer.h"
#include "app/CW32Window.h"
#include "render/CCameraCtrl.h"
#include "tests/app/DummyWindowFixture.h"
#include "tests/render/GuiTestSupport.h"
#include "tests/support/VectorNear.h"

#include <gtest/gtest.h>

using namespace plat;

namespace
{

const float kBuildPitch = 1.1780972f;

// Positions after scrolling: speed x time products in single precision.
void ExpectNear(const CVector3& a, const CVector3& b)
{
    testsupport::ExpectVecNear(a, b, 1e-3f);
}

// The build phase's controller over engine services whose input manager is
// not created: listeners can be added, and events are handed on directly.
// The GUI manager maps a 1000 x 1000 window one to one onto its virtual
// screen and reads the mouse of a fake input manager, at first in the middle.
class CameraCtrl : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        CEngineServices::CreateInstance();
        ASSERT_NE(CEngineServices::GetInstance(), nullptr);
        // Every tick is a frame of 0.1 s: with no timer the clock measures
        // 0, which a negative spike limit turns into the previous frame.
        m_Clock.Reset(1, 0.1, -1.0);
        m_pMouse->m_X = 500;
        m_pMouse->m_Y = 500;
        ASSERT_TRUE(Gui().Create(m_pWindow, m_pMouse, m_pTimer, 1000, 1000));
    }
    void TearDown() override
    {
        m_pCtrl.Release();
        CEngineServices::DestroyInstance();
    }

    IInputMgr* Input() { return CEngineServices::GetInstance()->GetInputMgr().Get(); }
    CGuiMgr& Gui() { return *CEngineServices::GetInstance()->GetGuiMgr(); }
    // The mouse moves to the window point; the GUI manager reads it.
    void MouseAt(int32_t x, int32_t y)
    {
        m_pMouse->m_X = x;
        m_pMouse->m_Y = y;
        Gui().OnMouseMove(1, 1, 0);
    }
    void Frame()
    {
        m_Clock.Tick();
        m_pCtrl->Update();
    }

    CFrameClock m_Clock{CRefPtr<CHiResTimer>()};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(&m_Clock)};
    CRefPtr<CCameraCtrl> m_pCtrl{new CCameraCtrl(1.0f, 300, 50, 200, 600, 100, 600, 50.0f, m_pTimer, 1500)};
    CRefPtr<CCamera> m_pCamera{new CCamera};
    CRefPtr<guitest::FakeWindow> m_pWindow{new guitest::FakeWindow(1000, 1000)};
    CRefPtr<guitest::FakeInput> m_pMouse{new guitest::FakeInput};
};

} // namespace

TEST_F(CameraCtrl, AttachCentresTheCameraInItsBoundsAndListens)
{
    EXPECT_EQ(m_pCtrl->GetPriority(), 1500);
    m_pCtrl->Attach(m_pCamera);
    ExpectNear(m_pCamera->GetPosition(), CVector3(450, 50, 400));
    ExpectNear(m_pCamera->GetRotation(), CVector3(kBuildPitch, 0, 0));
    ASSERT_EQ(Input()->GetListeners().size(), 1u);
    EXPECT_EQ(Input()->GetListeners().front(), static_cast<IInputListener*>(m_pCtrl.Get()));
    // Nothing held and the mouse in the middle: the first frame keeps it there.
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(450, 50, 400));

    // Attaching again does not register twice.
    m_pCtrl->Attach(m_pCamera);
    EXPECT_EQ(Input()->GetListeners().size(), 1u);
    m_pCtrl->Detach();
    EXPECT_TRUE(Input()->GetListeners().empty());
    EXPECT_FALSE(m_pCtrl->GetCamera());
}

TEST_F(CameraCtrl, ArrowKeysAreTakenOnlyWhileACameraIsAttached)
{
    EXPECT_FALSE(m_pCtrl->OnKeyDown(CCameraCtrl::KEY_UP));
    EXPECT_FALSE(m_pCtrl->GetKeyFlag(0));
    m_pCtrl->Attach(m_pCamera);
    EXPECT_FALSE(m_pCtrl->OnKeyDown(57)); // space
    EXPECT_TRUE(m_pCtrl->OnKeyDown(CCameraCtrl::KEY_UP));
    EXPECT_TRUE(m_pCtrl->GetKeyFlag(0));
    EXPECT_TRUE(m_pCtrl->OnKeyDown(CCameraCtrl::KEY_RIGHT));
    EXPECT_TRUE(m_pCtrl->OnKeyUp(CCameraCtrl::KEY_UP));
    EXPECT_FALSE(m_pCtrl->GetKeyFlag(0));
    EXPECT_TRUE(m_pCtrl->GetKeyFlag(3));
    EXPECT_FALSE(m_pCtrl->OnMouseDown(0));
    // Detaching forgets held keys.
    m_pCtrl->Detach();
    EXPECT_FALSE(m_pCtrl->GetKeyFlag(3));
    EXPECT_FALSE(m_pCtrl->OnKeyUp(CCameraCtrl::KEY_RIGHT));
}

TEST_F(CameraCtrl, KeysScrollOverTheGroundAtTheTimersSpeed)
{
    m_pCtrl->Attach(m_pCamera);
    // 50 units/s for 0.1 s: 5 units per frame, y untouched.
    m_pCtrl->OnKeyDown(CCameraCtrl::KEY_UP);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(450, 50, 395));
    m_pCtrl->OnKeyDown(CCameraCtrl::KEY_RIGHT);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(455, 50, 390));
    // Opposite keys cancel out.
    m_pCtrl->OnKeyDown(CCameraCtrl::KEY_DOWN);
    m_pCtrl->OnKeyDown(CCameraCtrl::KEY_LEFT);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(455, 50, 390));
    m_pCtrl->OnKeyUp(CCameraCtrl::KEY_UP);
    m_pCtrl->OnKeyUp(CCameraCtrl::KEY_RIGHT);
    // Held long enough, the bounds stop it.
    for (int i = 0; i < 100; ++i)
        Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(300, 50, 600));
    // A stopped timer moves nothing.
    m_pTimer->SetRunning(false);
    m_pCtrl->OnKeyUp(CCameraCtrl::KEY_LEFT);
    m_pCtrl->OnKeyDown(CCameraCtrl::KEY_RIGHT);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(300, 50, 600));
}

TEST_F(CameraCtrl, TheScreenBorderScrolls)
{
    m_pCtrl->Attach(m_pCamera);
    MouseAt(0, 500);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(445, 50, 400));
    // The last position counts while the mouse rests there.
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(440, 50, 400));
    MouseAt(-1, 500); // outside the window
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(440, 50, 400));
    MouseAt(999, 500); // the last column
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(445, 50, 400));
    MouseAt(1001, 0);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(445, 50, 395));
    MouseAt(500, 999);
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(445, 50, 400));
    // A GUI manager without its virtual screen has no border: only the keys
    // scroll.
    Gui().Destroy();
    m_pMouse->m_X = 0;
    Frame();
    ExpectNear(m_pCamera->GetPosition(), CVector3(445, 50, 400));
}

// An edge of the screen is the window's last pixel row or column, whatever
// its size (one pixel, less than a virtual unit or more). One row per
// pointer place: the window, the pixel and the camera's move (x, z) in one
// frame of 5 units from (450, 50, 400).
TEST_F(CameraCtrl, TheLastPixelRowAndColumnScrollAtEverySize)
{
    const struct
    {
        uint16_t width, height;
        int32_t x, y;
        float dx, dz;
    } kRows[] = {
        {640, 480, 320, 479, 0, 5}, // bottom row: 2.08 units from the edge
        {640, 480, 320, 478, 0, 0}, // the row above it is no edge
        {640, 480, 639, 240, 5, 0}, // right column: 1.56 units
        {640, 480, 638, 240, 0, 0},    {640, 480, 0, 240, -5, 0},     {640, 480, 320, 0, 0, -5},
        {800, 600, 400, 599, 0, 5},    {800, 600, 400, 598, 0, 0},    // 3.3 units from the edge
        {1280, 1024, 640, 1023, 0, 5}, {1280, 1024, 640, 1022, 0, 0}, // one row, not two
        {1280, 1024, 640, 1020, 0, 0}, {1280, 600, 1279, 300, 5, 0},  {640, 768, 320, 767, 0, 5},
        {1024, 768, 1023, 384, 5, 0},  {1024, 768, 1022, 384, 0, 0},  {1024, 768, 0, 384, -5, 0},
        {1024, 768, 1, 384, 0, 0},     {1280, 1024, 640, 1, 0, 0},    {1280, 1024, 640, 0, 0, -5},
        {400, 300, 399, 150, 5, 0}, // a window made narrow: its last column is 2.5 units wide
    };
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(testing::Message()
                     << row.width << "x" << row.height << " at " << row.x << ", " << row.y);
        m_pWindow->SetSize(row.width, row.height);
        m_pCtrl->Attach(m_pCamera);
        m_pCamera->SetPosition(CVector3(450, 50, 400));
        MouseAt(row.x, row.y);
        Frame();
        ExpectNear(m_pCamera->GetPosition(), CVector3(450 + row.dx, 50, 400 + row.dz));
    }
}

TEST_F(CameraCtrl, ADestroyedControllerLeavesNoListenerBehind)
{
    m_pCtrl->Attach(m_pCamera);
    ASSERT_EQ(Input()->GetListeners().size(), 1u);
    m_pCtrl.Release();
    EXPECT_TRUE(Input()->GetListeners().empty());
    // The camera lives on with its own handle.
    EXPECT_EQ(m_pCamera->GetRefCount(), 1u);
    // Attaching an empty handle detaches.
    m_pCtrl = new CCameraCtrl(1.0f, 300, 50, 200, 600, 100, 600, 50.0f, m_pTimer, 1500);
    m_pCtrl->Attach(m_pCamera);
    m_pCtrl->Attach(CRefPtr<CCamera>());
    EXPECT_TRUE(Input()->GetListeners().empty());
    // No timer, no camera: updates do nothing.
    CRefPtr<CCameraCtrl> bare(new CCameraCtrl(1.0f, 0, 0, 0, 10, 10, 10, 1.0f, CRefPtr<CGameTimer>(), 1));
    bare->Update();
    bare->Attach(m_pCamera);
    bare->OnKeyDown(CCameraCtrl::KEY_LEFT);
    bare->Update();
    ExpectNear(m_pCamera->GetPosition(), CVector3(5, 10, 5));
    bare->Detach();
}

// Arrow keys pressed on the keyboard reach the controller through the input
// manager's per-frame update and scroll the camera.
class CameraCtrlInput : public testsupport::DummyWindowTest
{
protected:
    void TearDown() override
    {
        m_pCtrl.Release();
        if (CEngineServices* s = CEngineServices::GetInstance())
            s->GetInputMgr()->Destroy();
        if (m_pWindow)
            m_pWindow->Destroy();
        m_pWindow.Release();
        CEngineServices::DestroyInstance();
    }

    CRefPtr<CW32Window> m_pWindow;
    CRefPtr<CCameraCtrl> m_pCtrl;
};

TEST_F(CameraCtrlInput, ArrowKeyEventsScrollTheCamera)
{
    CEngineServices::CreateInstance();
    m_pWindow = new CW32Window;
    ASSERT_TRUE(m_pWindow->Create(GetModuleHandleA(nullptr), "camera", 640, 480, 0, 100, 50, 32));
    IInputMgr* input = CEngineServices::GetInstance()->GetInputMgr().Get();
    ASSERT_TRUE(input->Create(GetModuleHandleA(nullptr), CRefPtr<IWindow>(m_pWindow.Get())));
    InjectWindowEvent(m_pWindow->GetHandle(), WindowEventKind::FocusGained);
    Pump();
    input->Update(); // acquires
    input->Update(); // resynchronises

    CFrameClock clock{CRefPtr<CHiResTimer>()};
    clock.Reset(1, 0.1, -1.0);
    CRefPtr<CGameTimer> timer(new CGameTimer(&clock));
    m_pCtrl = new CCameraCtrl(1.0f, 300, 50, 200, 600, 100, 600, 50.0f, timer, 1500);
    CRefPtr<CCamera> camera(new CCamera);
    m_pCtrl->Attach(camera);

    InjectKey(m_pWindow->GetHandle(), SCANCODE_LEFT, true);
    Pump();
    input->Update();
    EXPECT_TRUE(m_pCtrl->GetKeyFlag(2));
    clock.Tick();
    m_pCtrl->Update();
    ExpectNear(camera->GetPosition(), CVector3(445, 50, 400));

    InjectKey(m_pWindow->GetHandle(), SCANCODE_LEFT, false);
    Pump();
    input->Update();
    clock.Tick();
    m_pCtrl->Update();
    ExpectNear(camera->GetPosition(), CVector3(445, 50, 400));
    m_pCtrl->Detach();
}
