// The main menu's labels in a window resized by its sizing frame: the font
// follows the window's height as the panels do, and in a window narrower
// than 4:3 its width, so "New game" and "Quit game" stay inside their
// buttons at every size and shape.

#include "game/CMainMenuState.h"
#include "tests/game/GLGameSupport.h"

namespace
{

class MenuTextsGL : public glgametest::GLGameTest<>
{
protected:
    MenuTextsGL() : GLGameTest(1024, 768) {}
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartServices(false));
        m_pGui = CEngineServices::GetInstance()->GetGuiMgr();
        m_Ctrl.AcquireServices();
        ASSERT_TRUE(m_Menu.Create(&m_Ctrl));
        m_Menu.Enter();
    }
    void TearDown() override
    {
        m_Menu.Reset();
        m_pGui.Release();
        GLGameTest::TearDown();
    }
    plat::GLFrame Frame()
    {
        m_pRenderer->BeginFrame();
        m_pGui->Render();
        return plat::ReadFrame();
    }
    void SetLabels(bool shown)
    {
        const char* const kTexts[] = {"New game", "Quit game"};
        for (size_t i = 0; i < m_Menu.GetScreen()->GetChildren().size(); ++i)
            static_cast<CGuiButton*>(m_Menu.GetScreen()->GetChildren()[i].Get())
                ->GetLabel()
                ->SetText(shown ? kTexts[i] : "");
    }

    CRefPtr<CGuiMgr> m_pGui;
    CMainMenuState m_Menu;
};

} // namespace

TEST_F(MenuTextsGL, LabelsStayInsideTheirButtonsAfterResizes)
{
    struct SSize
    {
        uint16_t width, height;
        uint8_t fontPixels; // 22 virtual units, no wider than in a 4:3 window
    };
    const SSize kSizes[] = {{640, 480, 10},  {800, 600, 13}, {1024, 768, 16}, {640, 480, 10},
                            {1280, 600, 13}, {640, 768, 10}, {800, 1024, 13}};
    for (const SSize& size : kSizes)
    {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        m_pWindow->SetSize(size.width, size.height);
        m_pRenderer->OnSize(size.width, size.height);
        ASSERT_TRUE(m_pGui->GetFont());
        EXPECT_EQ(m_pGui->GetFont()->GetHeight(), size.fontPixels);

        // The labels' pixels: where the frame with them differs from the one
        // without.
        SetLabels(false);
        const plat::GLFrame bare = Frame();
        SetLabels(true);
        const plat::GLFrame labelled = Frame();
        ASSERT_EQ(labelled.width, size.width);
        const float sx = size.width / 1000.0f, sy = size.height / 1000.0f;
        int inside[2] = {0, 0}, outside = 0;
        for (int y = 0; y < labelled.height; ++y)
            for (int x = 0; x < labelled.width; ++x)
            {
                const plat::GLFrame::Pixel a = labelled.At(x, y), b = bare.At(x, y);
                if (a.r == b.r && a.g == b.g && a.b == b.b)
                    continue;
                // Buttons at (435, 600) and (435, 700), 130 x 50 units.
                const float vx = (x + 0.5f) / sx, vy = (labelled.height - y - 0.5f) / sy;
                const int button = vy < 675 ? 0 : 1;
                const float top = button ? 700.0f : 600.0f;
                if (vx > 435 && vx < 565 && vy > top && vy < top + 50)
                    ++inside[button];
                else
                    ++outside;
            }
        EXPECT_GT(inside[0], 20);
        EXPECT_GT(inside[1], 20);
        EXPECT_EQ(outside, 0);
    }
}

// A full-screen picture keeps its proportions in every window shape: as
// large as fits, centred, with bars of whole black columns or rows beside
// it or above and below it; the menu's is one of them.
TEST_F(MenuTextsGL, PicturesKeepTheirProportions)
{
    m_Dir.WriteFile("Data/square.tga", testsupport::MakeTga(8, 8));
    m_Dir.WriteFile("Data/wide.tga", testsupport::MakeTga(8, 4));
    const struct
    {
        const char* picture;
        uint16_t width, height;
        int bars[2]; // pixels of each bar beside it, above and below it
    } kRows[] = {// 16:9 and 4:5 within the test's 1024 x 768 drawable
                 {"Data/square.tga", 1024, 576, {224, 0}}, {"Data/square.tga", 600, 750, {0, 75}},
                 {"Data/square.tga", 1024, 768, {128, 0}}, {"Data/wide.tga", 1024, 576, {0, 32}},
                 {"Data/wide.tga", 600, 750, {0, 225}}};
    for (const auto& row : kRows)
    {
        SCOPED_TRACE(std::string(row.picture) + " " + std::to_string(row.width) + "x" + std::to_string(row.height));
        m_pWindow->SetSize(row.width, row.height);
        m_pRenderer->OnSize(row.width, row.height);
        CRefPtr<CGuiImagePanel> picture = m_pGui->CreatePicturePanel(row.picture);
        picture->SetScale(CVector3(1000, 1000, 1));
        m_pGui->SetRoot(CRefPtr<CGuiElement>(picture.Get()));
        const plat::GLFrame frame = Frame();
        ASSERT_EQ(frame.height, row.height);
        // Whole black lines from each edge: left, right (columns), bottom, top.
        for (int side = 0; side < 4; ++side)
        {
            const bool column = side < 2, far = side % 2 == 1;
            const int lines = column ? frame.width : frame.height, across = column ? frame.height : frame.width;
            int bar = 0;
            for (bool black = true; black && bar < lines; bar += black ? 1 : 0)
                for (int i = 0; black && i < across; ++i)
                {
                    const int at = far ? lines - 1 - bar : bar;
                    const plat::GLFrame::Pixel p = column ? frame.At(at, i) : frame.At(i, at);
                    black = p.r == 0 && p.g == 0 && p.b == 0;
                }
            EXPECT_NEAR(bar, row.bars[column ? 0 : 1], 1) << side;
        }
        // The menu's 4:3 picture, as the GUI places it.
        CVector3 offset, size;
        m_Menu.GetScreen()->PictureRect(m_pGui->GetScaleX(), m_pGui->GetScaleY(), offset, size);
        EXPECT_NEAR((size.x / m_pGui->GetScaleX()) / (size.y / m_pGui->GetScaleY()), 4.0 / 3.0, 0.01);
    }
}
