#include "app/CFModSoundMgr.h"
#include "render/ISceneEntry.h"
#include "tests/render/GuiTestSupport.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>

using namespace guitest;

namespace
{

// A GUI over a 1000 x 500 pixel window: one virtual unit per pixel across,
// two down. No GL context: the font cannot be made, the rest works.
class GuiTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        m_Dir.WriteFile("Data/sounds/button_rollover.wav", testsupport::MakeWav(0.05));
        m_Dir.WriteFile("Data/sounds/button_select.wav", testsupport::MakeWav(0.05));
        m_Clock.Reset(1, 0.1, -1.0); // every tick is a frame of 0.1 s
        CEngineServices::CreateInstance();
        ASSERT_NE(CEngineServices::GetInstance(), nullptr);
        ASSERT_TRUE(CEngineServices::GetInstance()->GetSoundMgr()->Create());
        m_pMgr = CEngineServices::GetInstance()->GetGuiMgr();
        ASSERT_TRUE(m_pMgr);
        m_pInput->m_X = 100;
        m_pInput->m_Y = 50;
        testing::internal::CaptureStderr();
        m_bCreated = m_pMgr->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000);
        m_strCreateLog = testing::internal::GetCapturedStderr();
    }
    void TearDown() override
    {
        m_pMgr.Release();
        CEngineServices::DestroyInstance();
    }

    // Puts the cursor at pixel (x, y) and tells the GUI it moved.
    bool MoveTo(int32_t x, int32_t y, int32_t dx = 0, int32_t dy = 0)
    {
        m_pInput->m_X = x;
        m_pInput->m_Y = y;
        return m_pMgr->OnMouseMove(dx, dy, 0);
    }

    // A button at virtual (x, y), w x h, with recording sounds and callback.
    CRefPtr<CGuiButton> Button(float x, float y, float w, float h, uint32_t id, float z = 1.0f)
    {
        CRefPtr<CGuiButton> b(new CGuiButton(CRefPtr<ISound>(new FakeSound(&m_Events, "rollover")),
                                             CRefPtr<ISound>(new FakeSound(&m_Events, "select"))));
        b->SetPosition(CVector3(x, y, z));
        b->SetScale(CVector3(w, h, 1));
        b->SetId(id);
        b->SetCallback(MakeGuiCallback(&m_Target, &ClickTarget::OnClick));
        return b;
    }

    // A plain panel holding the widgets, installed as root.
    CRefPtr<CGuiPanel> Root(std::initializer_list<CRefPtr<CGuiElement>> children)
    {
        CRefPtr<CGuiPanel> root = m_pMgr->CreatePanel();
        for (const CRefPtr<CGuiElement>& c : children)
            root->AddChild(c);
        m_pMgr->SetRoot(root);
        return root;
    }

    std::vector<std::string> TakeEvents()
    {
        std::vector<std::string> e;
        e.swap(m_Events);
        return e;
    }

    CRefPtr<FakeWindow> m_pWindow{new FakeWindow(1000, 500)};
    CRefPtr<FakeInput> m_pInput{new FakeInput};
    CFrameClock m_Clock{CRefPtr<CHiResTimer>()};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(&m_Clock)};
    CRefPtr<CGuiMgr> m_pMgr;
    bool m_bCreated = false;
    std::string m_strCreateLog;
    std::vector<std::string> m_Events;
    ClickTarget m_Target{&m_Events, nullptr};
};

using Events = std::vector<std::string>;

} // namespace

// ---- creation and the virtual screen -------------------------------------------

TEST_F(GuiTest, CreateMapsTheVirtualScreenAndListens)
{
    ASSERT_TRUE(m_bCreated);
    // Without a context only the font fails, with its maker's message.
    EXPECT_EQ(m_strCreateLog, "Error: Couldn't create font Verdana (11, 1, 0)\n");
    EXPECT_FALSE(m_pMgr->GetFont());
    EXPECT_EQ(m_pMgr->GetPriority(), 1000);
    EXPECT_EQ(m_pWindow->GetListeners().size(), 1u);
    ASSERT_EQ(m_pInput->GetListeners().size(), 1u);
    EXPECT_EQ(m_pInput->GetListeners().front(), static_cast<IInputListener*>(m_pMgr.Get()));

    EXPECT_FLOAT_EQ(m_pMgr->GetScaleX(), 1.0f);
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleY(), 2.0f);
    // The cursor read at creation, in virtual units, as the camera sees it.
    const IVirtualCursor& cursor = *m_pMgr;
    float x = 0, y = 0, w = 0, h = 0;
    cursor.GetVirtualMousePosition(x, y);
    cursor.GetVirtualScreenSize(w, h);
    EXPECT_FLOAT_EQ(x, 100.0f);
    EXPECT_FLOAT_EQ(y, 100.0f);
    EXPECT_FLOAT_EQ(w, 1000.0f);
    EXPECT_FLOAT_EQ(h, 1000.0f);
    CMatrix4 ortho;
    ortho.SetOrtho(1000, 1000, 1.0f, 1000.0f);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(m_pMgr->GetProjection()[i], ortho[i]) << i;

    // Button sounds: rollover repeated 4 times.
    ASSERT_TRUE(m_pMgr->GetRolloverSound());
    ASSERT_TRUE(m_pMgr->GetSelectSound());
    EXPECT_EQ(m_pMgr->GetRolloverSound()->GetLoopCount(), 4);
    EXPECT_EQ(m_pMgr->GetSelectSound()->GetLoopCount(), 0);

    // The statistics texts: white (0xFF / 256), at (5, 970) and (5, 936) in front.
    ASSERT_TRUE(m_pMgr->GetFpsText());
    ASSERT_TRUE(m_pMgr->GetCountersText());
    EXPECT_FLOAT_EQ(m_pMgr->GetFpsText()->GetColor()[0], 0.99609375f);
    EXPECT_FLOAT_EQ(m_pMgr->GetFpsText()->GetColor()[3], 0.99609375f);
    EXPECT_FLOAT_EQ(m_pMgr->GetFpsText()->GetPosition().y, 970.0f);
    EXPECT_FLOAT_EQ(m_pMgr->GetCountersText()->GetPosition().y, 936.0f);
    EXPECT_FLOAT_EQ(m_pMgr->GetCountersText()->GetPosition().z, 800.0f);
    EXPECT_FALSE(m_pMgr->IsStatisticsShown());

    m_pMgr->Destroy();
    EXPECT_TRUE(m_pWindow->GetListeners().empty());
    EXPECT_TRUE(m_pInput->GetListeners().empty());
    EXPECT_EQ(m_pMgr->GetVirtualWidth(), 0);
    EXPECT_FALSE(m_pMgr->GetRolloverSound());
    m_pMgr->Destroy(); // again: harmless
}

TEST_F(GuiTest, ResizeRescalesTheMouseAndBadArgumentsAreRefused)
{
    m_pWindow->SetSize(500, 250); // through the window's listener list
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleY(), 4.0f);
    MoveTo(500, 250);
    EXPECT_FLOAT_EQ(m_pMgr->GetMouseX(), 1000.0f);
    EXPECT_FLOAT_EQ(m_pMgr->GetMouseY(), 1000.0f);
    m_pMgr->OnSize(0, 0); // never sent by a window; must not divide by 0
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleX(), 1.0f);

    // A second Create registers once; missing parts are refused.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(m_pMgr->Create(m_pWindow, m_pInput, m_pTimer, 800, 600));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(m_pWindow->GetListeners().size(), 1u);
    EXPECT_EQ(m_pInput->GetListeners().size(), 1u);
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleX(), 1.6f); // 800 units over 500 pixels
    EXPECT_FALSE(m_pMgr->Create(CRefPtr<IWindow>(), m_pInput, m_pTimer, 1000, 1000));
    EXPECT_FALSE(m_pMgr->Create(m_pWindow, CRefPtr<IInputMgr>(), m_pTimer, 1000, 1000));
    EXPECT_FALSE(m_pMgr->Create(m_pWindow, m_pInput, CRefPtr<CGameTimer>(), 1000, 1000));
    EXPECT_FALSE(m_pMgr->Create(m_pWindow, m_pInput, m_pTimer, 0, 1000));
}

TEST_F(GuiTest, EngineServicesMakeOneManagerAndEmptyItWhenTheyGo)
{
    CRefPtr<CGuiMgr>& again = CEngineServices::GetInstance()->GetGuiMgr();
    EXPECT_EQ(again.Get(), m_pMgr.Get());
    CRefPtr<CGuiPanel> root = m_pMgr->CreatePanel();
    m_pMgr->SetRoot(root);
    CEngineServices::DestroyInstance();
    // Our handle keeps the manager, but it has left the window and the input
    // manager (which outlive it here) and dropped its tree.
    EXPECT_TRUE(m_pWindow->GetListeners().empty());
    EXPECT_TRUE(m_pInput->GetListeners().empty());
    EXPECT_FALSE(m_pMgr->GetRoot());
    EXPECT_EQ(root->GetRefCount(), 1u);
}

// ---- the widget tree ------------------------------------------------------------

TEST_F(GuiTest, ChildrenAreOrderedByDepthLargestFirst)
{
    CRefPtr<CGuiPanel> panel = m_pMgr->CreatePanel();
    CRefPtr<ProbeWidget> a(new ProbeWidget(&m_Events, "a")), b(new ProbeWidget(&m_Events, "b")),
        c(new ProbeWidget(&m_Events, "c"));
    a->SetPosition(CVector3(0, 0, 2));
    b->SetPosition(CVector3(0, 0, 5));
    c->SetPosition(CVector3(0, 0, 3));
    panel->AddChild(a);
    panel->AddChild(b);
    panel->AddChild(c);
    EXPECT_EQ(a->GetParent(), panel.Get());
    auto order = [&]
    {
        std::string s;
        for (const CRefPtr<CGuiElement>& e : panel->GetChildren())
            s += static_cast<ProbeWidget*>(e.Get())->m_Name;
        return s;
    };
    EXPECT_EQ(order(), "bca");
    // Moving a child re-sorts before the next walk; key events go topmost first.
    a->SetPosition(CVector3(0, 0, 9));
    EXPECT_TRUE(panel->OnKeyDown(7) == false);
    EXPECT_EQ(TakeEvents(), (Events{"key:a", "key:b", "key:c"}));
    // The first child that takes a key stops the walk.
    b->m_bTakeKey = 7;
    EXPECT_TRUE(panel->OnKeyDown(7));
    EXPECT_EQ(TakeEvents(), (Events{"key:a", "key:b"}));
    // Update reaches every child in child order with the delta.
    panel->Update(0.25f);
    EXPECT_EQ(TakeEvents(), (Events{"update:a", "update:b", "update:c"}));
    EXPECT_FLOAT_EQ(c->m_fLastDelta, 0.25f);

    // IsSame: the panel and its direct children only.
    CRefPtr<CGuiPanel> outer = m_pMgr->CreatePanel();
    outer->AddChild(panel);
    EXPECT_TRUE(outer->IsSame(outer));
    EXPECT_TRUE(outer->IsSame(panel));
    EXPECT_FALSE(outer->IsSame(a));
    EXPECT_FALSE(a->IsSame(b));
    EXPECT_FLOAT_EQ(a->GetAbsolutePosition().z, 11.0f); // 9 + 1 + 1

    panel->RemoveChild(b);
    EXPECT_EQ(b->GetParent(), nullptr);
    EXPECT_EQ(order(), "ac");
    panel->RemoveChild(b); // absent: nothing
    // A released panel leaves no dangling parent in children held elsewhere.
    outer.Release();
    panel.Release();
    EXPECT_EQ(a->GetParent(), nullptr);
    EXPECT_FLOAT_EQ(a->GetAbsolutePosition().z, 9.0f);
}

TEST_F(GuiTest, ResetRestoresTheConstructedState)
{
    CRefPtr<CGuiButton> b = Button(10, 10, 50, 50, 4);
    b->SetVisible(0);
    b->SetEnabled(0);
    b->SetOption(1);
    b->SetSelected(1);
    b->Reset();
    EXPECT_TRUE(b->IsVisible() && b->IsEnabled());
    EXPECT_EQ(b->GetState(), 0);
    EXPECT_EQ(b->GetId(), 0u);
    EXPECT_EQ(b->GetOption(), 0);
    EXPECT_FLOAT_EQ(b->GetPosition().x, 0.0f);
    EXPECT_FLOAT_EQ(b->GetPosition().z, 1.0f);

    CRefPtr<CGuiText> t = m_pMgr->CreateText();
    t->SetColor(0x80FF0040u);
    EXPECT_FLOAT_EQ(t->GetColor()[0], 0.5f);
    EXPECT_FLOAT_EQ(t->GetColor()[1], 0.99609375f);
    EXPECT_FLOAT_EQ(t->GetColor()[2], 0.0f);
    EXPECT_FLOAT_EQ(t->GetColor()[3], 0.25f);
    EXPECT_FLOAT_EQ(t->GetRecord().m_fZ, 0.2f);
}

// ---- input routing ---------------------------------------------------------------

TEST_F(GuiTest, WithoutRootOrModalNothingIsTaken)
{
    EXPECT_FALSE(MoveTo(10, 10, 3, 4));
    EXPECT_FALSE(m_pMgr->OnMouseDown(0));
    EXPECT_FALSE(m_pMgr->OnMouseUp(0));
    EXPECT_FALSE(m_pMgr->OnChar('a'));
    EXPECT_FALSE(m_pMgr->OnKeyDown(30));
    EXPECT_FALSE(m_pMgr->OnKeyUp(30));
    EXPECT_FLOAT_EQ(m_pMgr->GetMouseY(), 20.0f);
}

TEST_F(GuiTest, AModalTakesEveryEventEvenWhenItIgnoresIt)
{
    CRefPtr<CGuiText> text = m_pMgr->CreateText();
    CRefPtr<CGuiButton> other = Button(0, 0, 1000, 1000, 1);
    Root({CRefPtr<CGuiElement>(other)});
    m_pMgr->ShowModal(text);
    EXPECT_TRUE(MoveTo(10, 10));
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_TRUE(m_pMgr->OnChar('a'));
    EXPECT_TRUE(m_pMgr->OnKeyDown(30));
    EXPECT_TRUE(m_pMgr->OnKeyUp(30));
    EXPECT_FALSE(other->IsPressed());
    EXPECT_TRUE(TakeEvents().empty());

    m_pMgr->CloseModal(other); // not on the stack: nothing
    EXPECT_EQ(m_pMgr->GetModals().size(), 1u);
    m_pMgr->ShowModal(text); // no duplicate test
    m_pMgr->CloseModal(text);
    EXPECT_EQ(m_pMgr->GetModals().size(), 1u);
    m_pMgr->CloseModal(text);
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    m_pMgr->ShowModal(CRefPtr<CGuiElement>()); // empty: ignored
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    // The root answers again.
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_TRUE(other->IsPressed());
}

TEST_F(GuiTest, ClickInsideCallsTheCallbackOnceAfterTheSelectSound)
{
    CRefPtr<CGuiButton> b = Button(100, 100, 200, 100, 7);
    Root({CRefPtr<CGuiElement>(b)});
    EXPECT_TRUE(MoveTo(150, 75)); // virtual (150, 150)
    EXPECT_EQ(m_pMgr->GetFocus().Get(), b.Get());
    EXPECT_TRUE(b->IsHover());
    EXPECT_EQ(b->GetCurrentModel(), CGuiButton::MODEL_HOVER);
    EXPECT_EQ(TakeEvents(), (Events{"rollover"}));
    EXPECT_TRUE(MoveTo(160, 75)); // still inside: no new rollover
    EXPECT_TRUE(TakeEvents().empty());

    // Other buttons than the left are taken but do nothing.
    EXPECT_TRUE(m_pMgr->OnMouseDown(1));
    EXPECT_FALSE(b->IsPressed());
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(b->GetCurrentModel(), CGuiButton::MODEL_PRESSED);
    ASSERT_EQ(m_pMgr->GetModals().size(), 1u);
    EXPECT_EQ(m_pMgr->GetModals()[0].Get(), b.Get());
    EXPECT_TRUE(m_pMgr->OnMouseDown(0)); // already pressed: no second modal
    EXPECT_EQ(m_pMgr->GetModals().size(), 1u);
    EXPECT_TRUE(m_pMgr->OnMouseUp(1)); // taken by the modal, no click
    EXPECT_TRUE(TakeEvents().empty());

    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_EQ(TakeEvents(), (Events{"select", "click:7"}));
    EXPECT_FALSE(b->IsPressed());
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    // A release without a press does nothing more.
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_TRUE(TakeEvents().empty());

    // Without a callback: no select sound either.
    b->SetCallback(CRefPtr<CGuiCallback>());
    m_pMgr->OnMouseDown(0);
    m_pMgr->OnMouseUp(0);
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(GuiTest, ReleaseOutsideEndsThePressWithoutAClick)
{
    CRefPtr<CGuiButton> b = Button(100, 100, 200, 100, 7);
    CRefPtr<CGuiButton> neighbour = Button(400, 100, 200, 100, 8);
    Root({CRefPtr<CGuiElement>(b), CRefPtr<CGuiElement>(neighbour)});
    MoveTo(150, 75);
    m_pMgr->OnMouseDown(0);
    TakeEvents();
    // Held: the pressed button captures the input; the neighbour under the
    // mouse gets neither hover nor press.
    EXPECT_TRUE(MoveTo(450, 75));
    EXPECT_FALSE(neighbour->IsHover());
    EXPECT_EQ(m_pMgr->GetFocus().Get(), nullptr) << "leaving the button gives up its focus";
    EXPECT_EQ(b->GetCurrentModel(), CGuiButton::MODEL_NORMAL) << "pressed but not under the mouse";
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_FALSE(neighbour->IsPressed());
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_FALSE(b->IsPressed());
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    EXPECT_TRUE(TakeEvents().empty());
    // The next move reaches the tree again.
    EXPECT_TRUE(MoveTo(451, 75));
    EXPECT_TRUE(neighbour->IsHover());
}

TEST_F(GuiTest, ToggleButtonsAlternateAndPlainOnesEndUnselected)
{
    CRefPtr<CGuiButton> toggle = Button(0, 0, 100, 100, 1);
    CRefPtr<CGuiButton> plain = Button(200, 0, 100, 100, 2);
    toggle->SetOption(1);
    plain->SetSelected(1);
    Root({CRefPtr<CGuiElement>(toggle), CRefPtr<CGuiElement>(plain)});
    auto click = [&](int x)
    {
        MoveTo(x, 10);
        m_pMgr->OnMouseDown(0);
        m_pMgr->OnMouseUp(0);
    };
    click(50);
    EXPECT_TRUE(toggle->IsSelected());
    EXPECT_EQ(toggle->GetCurrentModel(), CGuiButton::MODEL_PRESSED);
    click(50);
    EXPECT_FALSE(toggle->IsSelected());
    click(50);
    EXPECT_TRUE(toggle->IsSelected());
    click(250);
    EXPECT_FALSE(plain->IsSelected());
    click(250);
    EXPECT_FALSE(plain->IsSelected());
    EXPECT_EQ(std::count(m_Events.begin(), m_Events.end(), "click:1"), 3);
    EXPECT_EQ(std::count(m_Events.begin(), m_Events.end(), "click:2"), 2);
}

TEST_F(GuiTest, DisabledButtonSwallowsTheMouseButTakesNoFocus)
{
    CRefPtr<CGuiButton> b = Button(100, 100, 200, 100, 7);
    b->SetEnabled(0);
    Root({CRefPtr<CGuiElement>(b)});
    EXPECT_TRUE(MoveTo(150, 75));
    EXPECT_FALSE(m_pMgr->GetFocus());
    EXPECT_FALSE(b->IsHover());
    EXPECT_EQ(b->GetCurrentModel(), CGuiButton::MODEL_DISABLED);
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_FALSE(b->IsPressed());
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_TRUE(TakeEvents().empty());
    // Invisible: nothing at all.
    b->SetVisible(0);
    EXPECT_FALSE(MoveTo(150, 75));
    EXPECT_FALSE(m_pMgr->OnMouseDown(0));
}

TEST_F(GuiTest, EdgesOfTheHitRectangleCountAsInside)
{
    // Virtual (100, 100) .. (300, 200); pixels map x one to one, y halved.
    CRefPtr<CGuiButton> b = Button(100, 100, 200, 100, 7);
    CRefPtr<CGuiPanel> root = Root({CRefPtr<CGuiElement>(b)});
    EXPECT_TRUE(MoveTo(300, 100)); // bottom-right corner exactly
    EXPECT_TRUE(MoveTo(100, 50));  // top-left corner
    EXPECT_FALSE(MoveTo(301, 75));
    EXPECT_FALSE(MoveTo(99, 75));
    m_pInput->m_Y = 0;
    // Children are hit at their absolute position.
    root->SetPosition(CVector3(50, 0, 1));
    EXPECT_FALSE(MoveTo(100, 75));
    EXPECT_TRUE(MoveTo(350, 75));
}

TEST_F(GuiTest, ImagePanelsSwallowTheMouseOverThemAndPlainPanelsDoNot)
{
    CRefPtr<CGuiImagePanel> image(new CGuiImagePanel);
    image->SetPosition(CVector3(0, 0, 1));
    image->SetScale(CVector3(500, 500, 1));
    CRefPtr<CGuiButton> b = Button(100, 100, 100, 100, 3);
    image->AddChild(b);
    m_pMgr->SetRoot(image);
    EXPECT_TRUE(MoveTo(150, 75));
    EXPECT_EQ(m_pMgr->GetFocus().Get(), b.Get());
    EXPECT_TRUE(MoveTo(400, 100)); // over the background only
    EXPECT_FALSE(m_pMgr->GetFocus());
    EXPECT_TRUE(m_pMgr->OnMouseDown(0));
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_FALSE(MoveTo(600, 100));
    EXPECT_FALSE(m_pMgr->OnMouseDown(0));

    CRefPtr<CGuiPanel> plain = m_pMgr->CreatePanel();
    plain->SetScale(CVector3(500, 500, 1));
    m_pMgr->SetRoot(plain);
    EXPECT_EQ(image->GetParent(), nullptr);
    EXPECT_FALSE(MoveTo(400, 100));
    EXPECT_FALSE(m_pMgr->OnMouseDown(0));

    // Hidden panels pass no mouse on, but keys and characters still go down.
    CRefPtr<ProbeWidget> probe(new ProbeWidget(&m_Events, "p"));
    probe->m_bTakeKey = 5;
    plain->AddChild(probe);
    plain->AddChild(b);
    plain->SetVisible(0);
    TakeEvents();
    EXPECT_FALSE(MoveTo(150, 75));
    EXPECT_FALSE(m_pMgr->OnMouseDown(0));
    EXPECT_TRUE(m_pMgr->OnKeyDown(5));
    EXPECT_EQ(TakeEvents(), (Events{"key:p"}));
}

TEST_F(GuiTest, TheFocusStaysInTheTopModal)
{
    CRefPtr<CGuiButton> outside = Button(0, 0, 100, 100, 1);
    CRefPtr<CGuiButton> inside = Button(500, 0, 100, 100, 2);
    CRefPtr<CGuiButton> hidden = Button(500, 200, 100, 100, 3);
    hidden->SetVisible(0);
    CRefPtr<CGuiPanel> dialog = m_pMgr->CreatePanel();
    dialog->AddChild(hidden);
    dialog->AddChild(inside);
    Root({CRefPtr<CGuiElement>(outside), CRefPtr<CGuiElement>(dialog)});
    MoveTo(50, 25);
    ASSERT_EQ(m_pMgr->GetFocus().Get(), outside.Get());
    TakeEvents();

    // Showing the dialog moves the focus into it: the first child that can
    // take it (the hidden one cannot).
    m_pMgr->ShowModal(dialog);
    EXPECT_EQ(m_pMgr->GetFocus().Get(), inside.Get());
    EXPECT_FALSE(outside->IsHover());
    EXPECT_TRUE(inside->IsHover());
    // Widgets outside the dialog cannot take it back.
    m_pMgr->SetFocus(outside);
    EXPECT_EQ(m_pMgr->GetFocus().Get(), inside.Get());
    // Closing the dialog leaves the focus alone.
    m_pMgr->CloseModal(dialog);
    EXPECT_EQ(m_pMgr->GetFocus().Get(), inside.Get());
    // A widget that takes no input cannot have it; empty clears it.
    CRefPtr<ProbeWidget> probe(new ProbeWidget(&m_Events, "p"));
    m_pMgr->SetFocus(probe);
    EXPECT_EQ(m_pMgr->GetFocus().Get(), inside.Get());
    m_pMgr->SetFocus(CRefPtr<CGuiElement>());
    EXPECT_FALSE(inside->IsHover());
    EXPECT_FALSE(m_pMgr->GetFocus());

    // A new root drops the modals and the focus.
    m_pMgr->ShowModal(dialog);
    m_pMgr->SetFocus(inside);
    CRefPtr<CGuiPanel> next = m_pMgr->CreatePanel();
    m_pMgr->SetRoot(next);
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    EXPECT_FALSE(m_pMgr->GetFocus());
    EXPECT_FALSE(inside->IsHover());
}

// A panel shown over the running game (ShowPanel) takes a press only once
// the mouse has been left alone for half a second since it showed; each
// press or release before then starts the wait again. One row per script
// (P ShowPanel, M ShowModal, R SetRoot, C CloseModal, '.' a frame of 1/8 s,
// d and u the left button over the panel's button) and the clicks taken.
TEST_F(GuiTest, APanelTakesOnlyAClickBegunAfterItsQuietTime)
{
    const std::pair<const char*, long> kRows[] = {
        {"P...du", 0},                        // under half a second
        {"P....dudu", 2},                     // at it, and after
        {"dP..u...du", 0},                    // a press held from before: its release restarts the wait
        {"dP..u....du", 1},                   // and the wait passes
        {"Pdu.du.du.du.du.du.du.du...du", 0}, // firing on at 8 Hz as it shows
        {"Mdu", 1},                           // a plain modal takes it at once
        {"PRdu", 1},                          // the wait ends with the panel made the root
        {"PCMdu", 1},                         // or closed
    };
    for (const auto& [script, clicks] : kRows)
    {
        SCOPED_TRACE(script);
        m_Clock.Reset(1, 0.125, -1.0);
        m_pTimer->Reset();
        CRefPtr<CGuiButton> button = Button(100, 100, 200, 100, 7);
        CRefPtr<CGuiPanel> panel = m_pMgr->CreatePanel();
        panel->AddChild(button);
        Root({});
        MoveTo(150, 75);
        const std::map<char, std::function<void()>> steps = {
            {'P', [&] { m_pMgr->ShowPanel(panel); }}, {'M', [&] { m_pMgr->ShowModal(panel); }},
            {'R', [&] { m_pMgr->SetRoot(panel); }},   {'C', [&] { m_pMgr->CloseModal(panel); }},
            {'.', [&] { m_Clock.Tick(); }},           {'d', [&] { m_pMgr->OnMouseDown(0); }},
            {'u', [&] { m_pMgr->OnMouseUp(0); }},
        };
        for (const char step : std::string(script))
            steps.at(step)();
        const Events events = TakeEvents();
        EXPECT_EQ(std::count(events.begin(), events.end(), "click:7"), clicks);
        EXPECT_EQ(m_pMgr->IsPanelWaiting(), clicks == 0 && script[0] != 'M');
    }
}

// A click whose callback installs the next screen releases the clicked
// button's last holders while it is still running.
TEST_F(GuiTest, ACallbackMayReplaceTheScreenItWasCalledFrom)
{
    CRefPtr<CGuiButton> b = Button(100, 100, 200, 100, 9);
    Root({CRefPtr<CGuiElement>(b)});
    CRefPtr<CGuiPanel> next = m_pMgr->CreatePanel();
    m_Target.then = [&](uint32_t) { m_pMgr->SetRoot(next); };
    MoveTo(150, 75);
    m_pMgr->OnMouseDown(0);
    CGuiButton* raw = b.Get();
    b.Release(); // the screen (root and modal) holds it now
    EXPECT_EQ(raw->GetRefCount(), 3u) << "root, modal, focus";
    EXPECT_TRUE(m_pMgr->OnMouseUp(0));
    EXPECT_EQ(m_pMgr->GetRoot().Get(), next.Get());
    EXPECT_TRUE(m_pMgr->GetModals().empty());
    EXPECT_FALSE(m_pMgr->GetFocus());
    EXPECT_EQ(TakeEvents(), (Events{"rollover", "select", "click:9"}));
}

TEST_F(GuiTest, ButtonLabelIsMadeOnceAndCentredVertically)
{
    CRefPtr<CGuiButton> b = Button(0, 0, 300, 60, 1);
    b->SetText("Start", 0xFF000080u);
    CRefPtr<CGuiText> label = b->GetLabel();
    ASSERT_TRUE(label);
    EXPECT_EQ(label->GetText(), "Start");
    EXPECT_FLOAT_EQ(label->GetColor()[0], 0.99609375f);
    EXPECT_FLOAT_EQ(label->GetColor()[3], 0.5f);
    EXPECT_FLOAT_EQ(label->GetPosition().x, 10.0f);
    EXPECT_FLOAT_EQ(label->GetPosition().y, 20.0f);
    EXPECT_FLOAT_EQ(label->GetPosition().z, 1.0f);
    b->SetText("Quit", 0xFFFFFFFFu);
    EXPECT_EQ(b->GetLabel().Get(), label.Get());
    EXPECT_EQ(label->GetText(), "Quit");
    b->Reset();
    EXPECT_FALSE(b->GetLabel());
}

// ---- sounds through the sound manager ------------------------------------------

TEST_F(GuiTest, ButtonSoundsPlayOnTheSoundManager)
{
    auto playing = [](const CRefPtr<ISound>& s)
    {
        bool on = false;
        plat::FMOD::Channel* ch = static_cast<CFModSound*>(s.Get())->GetChannel();
        return ch && ch->isPlaying(&on) == plat::FMOD_OK && on;
    };
    CRefPtr<CGuiButton> b(new CGuiButton(m_pMgr->GetRolloverSound(), m_pMgr->GetSelectSound()));
    b->SetScale(CVector3(100, 100, 1));
    b->SetCallback(MakeGuiCallback(&m_Target, &ClickTarget::OnClick));
    Root({CRefPtr<CGuiElement>(b)});
    EXPECT_FALSE(playing(m_pMgr->GetRolloverSound()));
    MoveTo(10, 10);
    EXPECT_TRUE(playing(m_pMgr->GetRolloverSound()));
    EXPECT_FALSE(playing(m_pMgr->GetSelectSound()));
    m_pMgr->OnMouseDown(0);
    m_pMgr->OnMouseUp(0);
    EXPECT_TRUE(playing(m_pMgr->GetSelectSound()));
    EXPECT_EQ(TakeEvents(), (Events{"click:0"}));
}

TEST_F(GuiTest, MissingButtonSoundsAreLoggedAndLeaveButtonsSilent)
{
    std::remove("Data/sounds/button_select.wav");
    // A fresh output: the cache would still have the file.
    CEngineServices::GetInstance()->GetSoundMgr()->Destroy();
    ASSERT_TRUE(CEngineServices::GetInstance()->GetSoundMgr()->Create());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(m_pMgr->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Couldn't create font Verdana (11, 1, 0)\n"
              "Error: Loading \"Data\\sounds\\button_select.wav\" failed (File not found.) in "
              "CFModSoundMgr::GetSound\n");
    EXPECT_FALSE(m_pMgr->GetSelectSound());
    CRefPtr<CGuiButton> b(new CGuiButton(m_pMgr->GetRolloverSound(), m_pMgr->GetSelectSound()));
    b->SetScale(CVector3(100, 100, 1));
    b->SetCallback(MakeGuiCallback(&m_Target, &ClickTarget::OnClick));
    Root({CRefPtr<CGuiElement>(b)});
    MoveTo(10, 10);
    m_pMgr->OnMouseDown(0);
    m_pMgr->OnMouseUp(0);
    EXPECT_EQ(TakeEvents(), (Events{"click:0"}));
}

// ---- per-frame statistics --------------------------------------------------------

TEST_F(GuiTest, StatisticsTextsFollowTheTimerAndTheCounters)
{
    CRefPtr<ProbeWidget> probe(new ProbeWidget(&m_Events, "p"));
    Root({CRefPtr<CGuiElement>(probe)});
    SRenderCounters& counters = GetRenderCounters();
    counters.drawn = 3;
    counters.tested = 5;
    counters.boxPassed = 2;
    m_Clock.Tick();
    // Hidden statistics: only the tree's update.
    m_pMgr->RenderStatistics();
    EXPECT_EQ(TakeEvents(), (Events{"update:p"}));
    EXPECT_FLOAT_EQ(probe->m_fLastDelta, 0.1f);
    EXPECT_EQ(counters.drawn, 3u);
    EXPECT_EQ(m_pMgr->GetCountersText()->GetText(), "");

    m_pMgr->SetStatisticsShown(true);
    m_pMgr->RenderStatistics();
    EXPECT_EQ(m_pMgr->GetCountersText()->GetText(), "Rendered: 3 (5/2)");
    EXPECT_EQ(counters.drawn + counters.tested + counters.boxPassed, 0u);
    // 0.1 s of game time: too early for the FPS text.
    EXPECT_EQ(m_pMgr->GetFpsText()->GetText(), "");
    m_Clock.Tick();
    m_Clock.Tick(); // 0.3 s
    m_pMgr->RenderStatistics();
    EXPECT_EQ(m_pMgr->GetFpsText()->GetText(), "FPS: 10.0");
    EXPECT_EQ(m_pMgr->GetCountersText()->GetText(), "Rendered: 0 (0/0)");
    // At most once per 0.2 s: a tick later the text is left alone.
    m_pMgr->GetFpsText()->SetText("kept");
    m_Clock.Tick();
    m_pMgr->RenderStatistics();
    EXPECT_EQ(m_pMgr->GetFpsText()->GetText(), "kept");
    m_Clock.Tick();
    m_Clock.Tick();
    m_pMgr->RenderStatistics();
    EXPECT_EQ(m_pMgr->GetFpsText()->GetText(), "FPS: 10.0");
    m_pMgr->ToggleStatistics();
    EXPECT_FALSE(m_pMgr->IsStatisticsShown());
}
