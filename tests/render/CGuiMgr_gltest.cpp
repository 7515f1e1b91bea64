#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "render/COGLRenderer.h"
#include "tests/render/GuiTestSupport.h"
#include "tests/support/SoundFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace guitest;
using plat::GLFrame;

namespace
{

const int kSize = 500; // pixels; the virtual screen is 1000 x 1000, two units a pixel

// An uncompressed 32-bit TGA, width 4, with the rows' colours given from
// the top of the image down (rows of each colour: rowsEach).
std::string BandTga(const std::vector<uint32_t>& rgbTopDown, int rowsEach)
{
    const int w = 4, h = static_cast<int>(rgbTopDown.size()) * rowsEach;
    std::string t(18, '\0');
    t[2] = 2;
    t[12] = static_cast<char>(w);
    t[14] = static_cast<char>(h);
    t[16] = 32;
    t[17] = 8; // 8 alpha bits, rows bottom-up
    for (int row = h - 1; row >= 0; --row)
    {
        const uint32_t c = rgbTopDown[row / rowsEach];
        for (int x = 0; x < w; ++x)
        {
            t += static_cast<char>(c & 0xFF);
            t += static_cast<char>((c >> 8) & 0xFF);
            t += static_cast<char>((c >> 16) & 0xFF);
            t += static_cast<char>(0xFF);
        }
    }
    return t;
}

class GuiGLTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_NE(m_Window.GetDC(), nullptr);
        m_Dir.WriteFile("Data/sounds/button_rollover.wav", testsupport::MakeWav(0.05));
        m_Dir.WriteFile("Data/sounds/button_select.wav", testsupport::MakeWav(0.05));
        // Button bands from the top of the image: red, green, blue, white.
        // Texture coordinate 0 is the image's bottom row (rows are uploaded
        // as the file keeps them, bottom-up), so the normal band is white.
        m_Dir.WriteFile("Data/buttonTex.tga", BandTga({0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, 8));
        CEngineServices::CreateInstance();
        CEngineServices* services = CEngineServices::GetInstance();
        ASSERT_NE(services, nullptr);
        m_pRenderer = static_cast<COGLRenderer*>(services->GetRenderer().Get());
        ASSERT_TRUE(m_pRenderer->CreateOnDC(m_Window.GetDC(), 32));
        m_pRenderer->OnSize(kSize, kSize);
        m_pRenderer->SetClearColor(0x000000FFu);
        ASSERT_TRUE(services->GetSoundMgr()->Create());
        m_pMgr = services->GetGuiMgr();
        ASSERT_TRUE(m_pMgr->Create(m_pWindow, m_pInput, m_pTimer, 1000, 1000));
    }
    void TearDown() override
    {
        m_pMgr.Release();
        CEngineServices::DestroyInstance();
    }

    GLFrame Frame()
    {
        m_pRenderer->BeginFrame();
        m_pMgr->Render();
        return plat::ReadFrame();
    }
    // The frame's pixel under virtual point (x, y).
    static GLFrame::Pixel At(const GLFrame& f, float x, float y)
    {
        return f.At(static_cast<int>(x / 2), kSize - 1 - static_cast<int>(y / 2));
    }
    // Pixels of the virtual rectangle that are not r, g, b.
    static int Different(const GLFrame& f, float x0, float y0, float x1, float y1, uint8_t r, uint8_t g,
                         uint8_t b)
    {
        return f.CountDifferent(static_cast<int>(x0 / 2), kSize - static_cast<int>(y1 / 2),
                                static_cast<int>(x1 / 2), kSize - static_cast<int>(y0 / 2), r, g, b);
    }
    CRefPtr<CGuiImagePanel> Panel(float x, float y, float z, float w, float h, const float colour[4])
    {
        CRefPtr<CGuiImagePanel> p = m_pMgr->CreateImagePanel("", 0, 0, 1, 1, colour, 0);
        p->SetPosition(CVector3(x, y, z));
        p->SetScale(CVector3(w, h, 1));
        return p;
    }

    plat::GLTestWindow m_Window{kSize, kSize, false};
    COGLRenderer* m_pRenderer = nullptr;
    CRefPtr<FakeWindow> m_pWindow{new FakeWindow(kSize, kSize)};
    CRefPtr<FakeInput> m_pInput{new FakeInput};
    CFrameClock m_Clock{CRefPtr<CHiResTimer>()};
    CRefPtr<CGameTimer> m_pTimer{new CGameTimer(&m_Clock)};
    CRefPtr<CGuiMgr> m_pMgr;
};

const float kRed[4] = {1, 0, 0, 1};
const float kGreen[4] = {0, 1, 0, 1};

} // namespace

TEST_F(GuiGLTest, VirtualUnitsMapOntoTheWindowsPixels)
{
    EXPECT_FLOAT_EQ(m_pMgr->GetScaleY(), 2.0f);
    ASSERT_TRUE(m_pMgr->GetFont());
    // 22 units high, but no wider than in a 4:3 window: a square window is
    // narrower, so its width decides (22 / (2 x 4/3) pixels).
    EXPECT_EQ(m_pMgr->GetFont()->GetHeight(), 8);
    EXPECT_EQ(m_pMgr->GetFont()->GetBold(), 1);

    // At the default depth (z 1), at virtual (200, 400), 400 x 200 units.
    CRefPtr<CGuiImagePanel> p = m_pMgr->CreateImagePanel("", 0, 0, 1, 1, kRed, 0);
    p->SetPosition(CVector3(200, 400, 1));
    p->SetScale(CVector3(400, 200, 1));
    m_pMgr->SetRoot(p);
    GLFrame f = Frame();
    EXPECT_EQ(Different(f, 200, 400, 600, 600, 255, 0, 0), 0);
    EXPECT_EQ(Different(f, 0, 0, 1000, 396, 0, 0, 0), 0);
    EXPECT_EQ(Different(f, 0, 604, 1000, 1000, 0, 0, 0), 0);
    EXPECT_EQ(Different(f, 604, 0, 1000, 1000, 0, 0, 0), 0);
    // The GUI draws without depth test and leaves it on for the scene.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    // Hidden: nothing.
    p->SetVisible(0);
    f = Frame();
    EXPECT_EQ(Different(f, 0, 0, 1000, 1000, 0, 0, 0), 0);
}

TEST_F(GuiGLTest, LargerDepthIsDrawnOnTopAndChildrenInTheirParentsFrame)
{
    CRefPtr<CGuiPanel> root = m_pMgr->CreatePanel();
    CRefPtr<CGuiImagePanel> green = Panel(100, 100, 5, 400, 400, kGreen);
    CRefPtr<CGuiImagePanel> red = Panel(300, 300, 2, 400, 400, kRed);
    root->AddChild(green);
    root->AddChild(red);
    m_pMgr->SetRoot(root);
    GLFrame f = Frame();
    EXPECT_EQ(Different(f, 300, 300, 500, 500, 0, 255, 0), 0) << "green (z 5) over red (z 2)";
    EXPECT_EQ(Different(f, 500, 500, 700, 700, 255, 0, 0), 0);
    red->SetPosition(CVector3(300, 300, 9));
    f = Frame();
    EXPECT_EQ(Different(f, 300, 300, 500, 500, 255, 0, 0), 0) << "red moved on top";

    // A child of the green panel at (0, 0) sits on the panel's corner; its
    // scale does not reach the child.
    std::vector<std::string> events;
    CRefPtr<ProbeWidget> a(new ProbeWidget(&events, "a")), b(new ProbeWidget(&events, "b"));
    a->SetPosition(CVector3(0, 0, 3));
    b->SetPosition(CVector3(0, 0, 4));
    green->AddChild(b);
    green->AddChild(a);
    root->RemoveChild(red);
    CRefPtr<CGuiImagePanel> child = Panel(0, 0, 1, 100, 100, kRed);
    green->AddChild(child);
    f = Frame();
    EXPECT_EQ(Different(f, 100, 100, 200, 200, 255, 0, 0), 0);
    EXPECT_EQ(Different(f, 204, 100, 500, 500, 0, 255, 0), 0);
    // Drawing goes from the smallest depth to the largest.
    EXPECT_EQ(events, (std::vector<std::string>{"draw:a", "draw:b"}));
}

TEST_F(GuiGLTest, ButtonsShowTheBandOfTheirState)
{
    CRefPtr<CGuiButton> b = m_pMgr->CreateButton("Data\\buttonTex.tga");
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(b->GetModel(i)) << i;
    b->SetPosition(CVector3(200, 200, 1));
    b->SetScale(CVector3(400, 200, 1));
    m_pMgr->SetRoot(b);
    auto centre = [&]
    {
        GLFrame::Pixel p = At(Frame(), 400, 300);
        return std::vector<int>{p.r, p.g, p.b};
    };
    // Bands from texture coordinate 0: normal white, hover blue, pressed
    // green at 0.8, disabled red at 0.8.
    EXPECT_EQ(centre(), (std::vector<int>{255, 255, 255}));
    m_pInput->m_X = 200; // virtual (400, 300)
    m_pInput->m_Y = 150;
    m_pMgr->OnMouseMove(0, 0, 0);
    EXPECT_EQ(centre(), (std::vector<int>{0, 0, 255}));
    m_pMgr->OnMouseDown(0);
    std::vector<int> pressed = centre();
    EXPECT_EQ(pressed[0], 0);
    EXPECT_NEAR(pressed[1], 204, 2);
    EXPECT_EQ(pressed[2], 0);
    m_pMgr->OnMouseUp(0);
    m_pMgr->SetFocus(CRefPtr<CGuiElement>());
    b->SetEnabled(0);
    std::vector<int> disabled = centre();
    EXPECT_NEAR(disabled[0], 204, 2);
    EXPECT_EQ(disabled[1], 0);
    EXPECT_EQ(disabled[2], 0);

    // The label is drawn over the button in its colour.
    b->SetEnabled(1);
    b->SetText("OK", 0x00FF00FFu);
    GLFrame f = Frame();
    EXPECT_GT(Different(f, 200, 200, 600, 400, 255, 255, 255), 20);
    int green = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
        {
            GLFrame::Pixel p = f.At(x, y);
            green += p.g > 200 && p.r < 50;
        }
    EXPECT_GT(green, 5);
}

TEST_F(GuiGLTest, TextAndStatisticsAreDrawnWhereTheyArePlaced)
{
    // Nothing at all without a root and with the statistics hidden.
    EXPECT_EQ(Different(Frame(), 0, 0, 1000, 1000, 0, 0, 0), 0);

    CRefPtr<CGuiText> text = m_pMgr->CreateText();
    text->SetColor(0x00FF00FFu);
    text->SetText("Gold: 100");
    text->SetPosition(CVector3(400, 400, 1));
    m_pMgr->SetRoot(text);
    GLFrame f = Frame();
    // Green glyph pixels right of (400, 400), inside one line.
    const int inside = Different(f, 400, 380, 700, 440, 0, 0, 0);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(Different(f, 0, 0, 1000, 380, 0, 0, 0), 0);
    EXPECT_EQ(Different(f, 0, 450, 1000, 1000, 0, 0, 0), 0);

    // The statistics lines at the bottom left.
    m_pMgr->SetRoot(CRefPtr<CGuiElement>());
    m_pMgr->SetStatisticsShown(true);
    m_Clock.Tick();
    m_pMgr->RenderStatistics();
    EXPECT_EQ(m_pMgr->GetCountersText()->GetText(), "Rendered: 0 (0/0)");
    f = Frame();
    EXPECT_GT(Different(f, 0, 936, 400, 1000, 0, 0, 0), 20);
    EXPECT_EQ(Different(f, 0, 0, 1000, 926, 0, 0, 0), 0);
}

// The engine services empty the GUI before they let the renderer go: its
// widgets' display lists are deleted while the context exists, and its font
// is left to the renderer, whose Destroy deletes the glyph lists.
TEST_F(GuiGLTest, ServicesReleaseTheGuisListsWhileTheContextLives)
{
    CRefPtr<CGuiButton> b = m_pMgr->CreateButton("Data\\buttonTex.tga");
    const uint32_t list = b->GetModel(CGuiButton::MODEL_NORMAL)->GetListId();
    COGLFont* font = m_pMgr->GetFont().Get();
    m_pMgr->SetRoot(b);
    b.Release();
    ASSERT_TRUE(glIsList(list));
    CRefPtr<IRenderer> keep = CEngineServices::GetInstance()->GetRenderer(); // keeps the context
    // m_pMgr still holds the manager, as a late holder would.
    CEngineServices::DestroyInstance();
    EXPECT_FALSE(m_pMgr->GetRoot());
    EXPECT_FALSE(glIsList(list));
    EXPECT_EQ(font->GetRefCount(), 1u) << "only the renderer's cache holds the font";
    keep->Destroy();
}
