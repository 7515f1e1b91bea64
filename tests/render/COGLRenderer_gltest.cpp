#include "app/CPhysXMgr.h"
#include "app/CW32Window.h"
#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "platform/physx/NxPhysics.h"
#include "render/COGLDisplayList.h"
#include "render/COGLModel.h"
#include "render/COGLPhysXDebugDraw.h"
#include "render/COGLRenderer.h"
#include "render/CTextureLoader.h"
#include "render/CTextureProperties.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

using plat::GLFrame;

namespace
{

const int kSize = 128;

class RendererTest : public testsupport::TempDirTest
{
protected:
    void SetUp() override
    {
        ASSERT_NE(m_Window.GetDC(), nullptr) << SDL_GetError();
        ASSERT_TRUE(m_Renderer->CreateOnDC(m_Window.GetDC(), 32));
        m_Renderer->OnSize(kSize, kSize);
    }
    void TearDown() override { m_Renderer->Destroy(); }

    // Pixel-exact 2-D drawing: x, y in pixels from the bottom-left corner.
    void PixelProjection()
    {
        CMatrix4 ortho;
        float w = kSize, h = kSize, a = -1.0f, b = 1.0f;
        ortho.SetOrtho(w, h, a, b); // y runs downwards from the top edge
        m_Renderer->SetMatrixMode(0);
        m_Renderer->LoadMatrix(ortho);
        m_Renderer->SetMatrixMode(1);
        m_Renderer->LoadMatrix(CMatrix4());
    }

    // A model with one square group from (x0, y0) to (x1, y1) in the
    // projection's units (two counter-clockwise triangles as seen on screen
    // with y down), drawn white (state flags 4).
    CRefPtr<COGLModel> SquareModel(float x0, float y0, float x1, float y1)
    {
        CRefPtr<COGLModel> model(new COGLModel(m_Renderer.Get(), nullptr));
        CCOGLTriangleGroup* g = model->AddTriangleGroup(4, 6, 0, false);
        CVector3* p = g->GetPositions();
        p[0] = CVector3(x0, y0, 0);
        p[1] = CVector3(x0, y1, 0);
        p[2] = CVector3(x1, y1, 0);
        p[3] = CVector3(x1, y0, 0);
        const uint32_t idx[6] = {0, 1, 2, 0, 2, 3};
        std::copy(idx, idx + 6, g->GetIndices());
        g->GetRenderRecord()->m_usStateFlags = SRenderRecord::STATE_WHITE;
        return model;
    }

    plat::GLTestWindow m_Window{kSize, kSize, false};
    CRefPtr<COGLRenderer> m_Renderer{new COGLRenderer};
};

} // namespace

TEST_F(RendererTest, InitialState)
{
    EXPECT_TRUE(m_Renderer->IsCreated());
    EXPECT_TRUE(m_Renderer->GetTransparency());
    EXPECT_TRUE(m_Renderer->HasVBOSupport());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 1);
    // The first SetMatrixMode(0) reached GL.
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_PROJECTION);
    EXPECT_EQ(m_Renderer->GetMatrixMode(), 0);
    GLubyte stipple[128];
    glGetPolygonStipple(stipple);
    EXPECT_EQ(stipple[0], 0x11);
    EXPECT_EQ(stipple[32], 0x88);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(m_Renderer->GetLightColours(0)[i], 0.0f);
}

TEST_F(RendererTest, SwitchesAndMatrixMode)
{
    m_Renderer->SetDepthTest(-1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    m_Renderer->SetDepthTest(0.0f);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    m_Renderer->SetBlending(1.0f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    m_Renderer->SetTransparency(false);
    m_Renderer->SetBlending(1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    m_Renderer->SetAlphaTest(1.0f);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    m_Renderer->SetTransparency(true);
    m_Renderer->SetAlphaTest(0.5f);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));

    // The stored mode is projection: asking for it again makes no GL call.
    glMatrixMode(GL_TEXTURE);
    m_Renderer->SetMatrixMode(0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    m_Renderer->SetMatrixMode(1);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    const float ambient[4] = {0.1f, 0.2f, 0.3f, 1.0f}, diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    m_Renderer->SetLightColours(0, ambient, diffuse);
    EXPECT_EQ(m_Renderer->GetLightColours(3)[1], 0.2f);
    GLfloat read[4];
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, read);
    EXPECT_EQ(read[0], 0.5f);
    m_Renderer->SetLightDirection(CVector3(0, 1, 0));
    EXPECT_EQ(m_Renderer->GetLightDirection()[1], 1.0f);
    EXPECT_EQ(m_Renderer->GetLightDirection()[3], 0.0f);
}

TEST_F(RendererTest, ClearColourReadBack)
{
    m_Renderer->SetClearColor(0xFFFFFFFF);
    EXPECT_EQ(m_Renderer->GetRenderSettings()->GetClearColour()[0], 0.99609375f);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[3], 0.99609375f);

    m_Renderer->SetClearColor(0x3FBFEF00);
    m_Renderer->BeginFrame();
    GLFrame frame = plat::ReadFrame();
    GLFrame::Pixel p = frame.At(kSize / 2, kSize / 2);
    EXPECT_NEAR(p.r, 0x3F, 1);
    EXPECT_NEAR(p.g, 0xBF, 1);
    EXPECT_NEAR(p.b, 0xEF, 1);
    // The screenshot is a TGA the game's own loader reads back.
    EXPECT_TRUE(plat::WriteFrameTGA(frame, "clear.tga"));
    CRefPtr<CTextureProperties> shot(new CTextureProperties);
    CRefPtr<CTextureLoader> loader(new CTextureLoader);
    ASSERT_TRUE(loader->LoadImage("clear.tga", shot));
    EXPECT_EQ(shot->m_usWidth, kSize);
    EXPECT_EQ(shot->m_bBitsPerPixel, 32);
    EXPECT_EQ(shot->m_Pixels, frame.bgra);

    // Wire frame clears grey; switching it off restores the colour set.
    CRefPtr<COGLGlobalRenderSettings> s = m_Renderer->GetRenderSettings();
    GLint polygonMode[2] = {0, 0};
    s->SetWireFrame(true, false);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[0], 0.3f);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_LINE);
    EXPECT_EQ(polygonMode[1], GL_LINE);
    s->SetWireFrame(false, false);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[1], 0xBF / 256.0f);
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    EXPECT_EQ(polygonMode[0], GL_FILL);

    s->SetPolygonStipple(true);
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_STIPPLE));
    s->SetPolygonStipple(false);
    EXPECT_FALSE(glIsEnabled(GL_POLYGON_STIPPLE));
    // The settings reach the renderer's transparency switch.
    s->SetTransparency(false);
    EXPECT_FALSE(m_Renderer->GetTransparency());
    s->SetTransparency(true);
    EXPECT_TRUE(m_Renderer->GetTransparency());
}

TEST_F(RendererTest, FirstFrameProjectionIsApplied)
{
    m_Renderer->SetClearColor(0x000000FF);
    m_Renderer->BeginFrame();
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    // The ortho projection has y down: the square covers screen rows 16..48
    // from the top, i.e. GL rows 80..112 from the bottom.
    CRefPtr<COGLModel> model = SquareModel(16, 16, 48, 48);
    model->Render();
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 2.0f / kSize);
    GLFrame frame = plat::ReadFrame();
    EXPECT_EQ(frame.At(32, kSize - 32).r, 255);
    EXPECT_EQ(frame.At(32, 32).r, 0);
    EXPECT_EQ(frame.CountDifferent(16, kSize - 48, 48, kSize - 16, 255, 255, 255, 0), 0);
    EXPECT_EQ(frame.CountDifferent(0, 0, kSize, kSize, 0, 0, 0, 0), 32 * 32);
}

TEST_F(RendererTest, DisplayListsAndBuffersDrawTheSame)
{
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    CRefPtr<COGLModel> model = SquareModel(0, 0, 64, 64);
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    SRenderRecord* r = g->GetRenderRecord();

    // Recorded from vertex arrays.
    r->m_iCompileMode = SRenderRecord::PATH_VERTEX_ARRAYS;
    ASSERT_TRUE(m_Renderer->Compile(g, model.Get()));
    EXPECT_TRUE(glIsList(r->m_uiDisplayList));
    r->m_iCompiled = SRenderRecord::LIST_RECORDED;
    glClearColor(0, 0, 0, 1);
    m_Renderer->BeginFrame();
    model->Render();
    EXPECT_EQ(plat::ReadFrame().CountDifferent(0, 0, kSize, kSize, 0, 0, 0), 64 * 64);

    // From vertex buffers, without a list.
    ASSERT_TRUE(m_Renderer->CreateVertexBuffer(g));
    EXPECT_NE(g->m_uiPositionBuffer, 0u);
    EXPECT_NE(g->m_uiIndexBuffer, 0u);
    EXPECT_EQ(g->m_uiNormalBuffer, 0u); // no lighting flag
    r->m_bVBOCreated = true;
    r->m_iCompiled = SRenderRecord::LIST_NONE;
    r->m_iRenderMode = SRenderRecord::PATH_VBO;
    m_Renderer->BeginFrame();
    model->Render();
    EXPECT_EQ(plat::ReadFrame().CountDifferent(0, 0, kSize, kSize, 0, 0, 0), 64 * 64);

    // The flat-colour override paints the override colour.
    CRefPtr<COGLGlobalRenderSettings> s = m_Renderer->GetRenderSettings();
    s->ClearOverrideMask();
    const float red[4] = {1, 0, 0, 1};
    s->SetOverrideColor(red);
    m_Renderer->BeginFrame();
    model->Render();
    GLFrame frame = plat::ReadFrame();
    EXPECT_EQ(frame.At(10, kSize - 10).r, 255);
    EXPECT_EQ(frame.At(10, kSize - 10).g, 0);
    s->ResetOverrideMask();

    // An unknown compile mode records nothing.
    r->m_iCompileMode = 7;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(m_Renderer->Compile(g, model.Get()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Unknown model typ in COGLRenderer::Compile()\n");
    EXPECT_FALSE(glIsList(r->m_uiDisplayList));

    // An unknown render mode is logged, not drawn.
    r->m_iRenderMode = 9;
    testing::internal::CaptureStderr();
    model->Render();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Unknown RenderMode in COGLRenderer::Render()\n");
}

TEST_F(RendererTest, NothingIsRecordedAfterDestroy)
{
    CRefPtr<COGLModel> model = SquareModel(0, 0, 8, 8);
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    g->GetRenderRecord()->m_iCompileMode = SRenderRecord::PATH_IMMEDIATE;
    m_Renderer->Destroy();
    EXPECT_FALSE(m_Renderer->Compile(g, model.Get()));
    EXPECT_EQ(g->GetRenderRecord()->m_uiDisplayList, 0u);
    model->Render();
    EXPECT_FALSE(m_Renderer->GetRenderSettings());
}

TEST_F(RendererTest, StockDisplayListBlends)
{
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glColor4f(1, 1, 1, 0.5f);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 128, 0);
    glVertex3f(128, 0, 0);
    glEnd();
    glEndList();
    {
        CRefPtr<COGLDisplayList> quad(new COGLDisplayList(nullptr, m_Renderer.Get(), list, 1));
        glClearColor(0, 0, 0, 1);
        m_Renderer->BeginFrame();
        quad->Render();
        EXPECT_NEAR(plat::ReadFrame().At(5, kSize - 5).r, 128, 2);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        m_Renderer->SetTransparency(false);
        m_Renderer->BeginFrame();
        quad->Render();
        EXPECT_EQ(plat::ReadFrame().At(5, kSize - 5).r, 255);
    }
    EXPECT_FALSE(glIsList(list));
}

TEST_F(RendererTest, TexturesUploadAtOddWidths)
{
    CRefPtr<CTextureProperties> image(new CTextureProperties);
    image->m_strName = "Data/odd.tga";
    image->m_usWidth = 3;
    image->m_usHeight = 3;
    image->m_bBitsPerPixel = 24;
    for (int i = 0; i < 27; ++i)
        image->m_Pixels.push_back(static_cast<uint8_t>(i * 9));
    SOGLTexture record;
    record.m_uiTarget = GL_TEXTURE_2D;
    record.m_iMinFilter = GL_NEAREST;
    record.m_iMagFilter = GL_LINEAR;
    ASSERT_TRUE(m_Renderer->CreateTexture(image, &record));
    EXPECT_NE(record.m_uiGLId, 0u);
    EXPECT_EQ(record.m_strName, "Data/odd.tga");
    uint8_t back[27] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, back);
    EXPECT_EQ(std::vector<uint8_t>(back, back + 27), image->m_Pixels);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);

    // 32 bits with mip-maps: GLU rescales 3 x 3 to a power of two.
    image->m_bBitsPerPixel = 32;
    image->m_bHasAlpha = 1;
    image->m_Pixels.assign(36, 200);
    SOGLTexture mip;
    mip.m_uiTarget = GL_TEXTURE_2D;
    mip.m_bMipMaps = true;
    mip.m_iMinFilter = GL_LINEAR_MIPMAP_LINEAR;
    mip.m_iMagFilter = GL_LINEAR;
    ASSERT_TRUE(m_Renderer->CreateTexture(image, &mip));
    GLint w = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w);
    EXPECT_GE(w, 1);

    // A cube face takes its image; filters are set on the cube map.
    SOGLTexture face;
    face.m_uiTarget = GL_TEXTURE_CUBE_MAP_POSITIVE_X;
    face.m_iMinFilter = face.m_iMagFilter = GL_LINEAR;
    EXPECT_TRUE(m_Renderer->CreateTexture(image, &face));
    EXPECT_NE(face.m_uiGLId, 0u);

    // An image without pixels is refused.
    CRefPtr<CTextureProperties> empty(new CTextureProperties);
    EXPECT_FALSE(m_Renderer->CreateTexture(empty, &record));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RendererTest, FontsAreSharedAndDrawText)
{
    // A list made just before the font's: character 31 would call it.
    const GLuint trap = glGenLists(1);
    glNewList(trap, GL_COMPILE);
    glClearColor(1, 0, 0, 1);
    glEndList();
    CRefPtr<COGLFont> font = m_Renderer->CreateFont("Verdana", 20, 1, 0);
    ASSERT_TRUE(font);
    EXPECT_EQ(m_Renderer->CreateFont("Verdana", 20, 1, 0), font);
    CRefPtr<COGLFont> other = m_Renderer->CreateFont("Verdana", 12, 1, 0);
    ASSERT_TRUE(other);
    EXPECT_NE(other, font);
    EXPECT_EQ(font->GetListBase(), font->GetFirstList() - 32);

    // Bottom-up pixel projection: the text's baseline is at y + height.
    m_Renderer->SetMatrixMode(0);
    CMatrix4 ortho;
    float w = kSize, h = kSize, a = -1, b = 1;
    ortho.SetOrtho(w, h, a, b);
    m_Renderer->LoadMatrix(ortho);
    m_Renderer->SetMatrixMode(1);
    m_Renderer->LoadMatrix(CMatrix4());
    glClearColor(0, 0, 0, 1);
    m_Renderer->BeginFrame();
    m_Renderer->SetAlphaTest(1.0f);
    glAlphaFunc(GL_GREATER, 0.5f);
    STextRecord text;
    text.m_fX = 4;
    text.m_fY = 10;
    text.m_fZ = 0;
    text.m_Colour[3] = 0.0f; // the game's colours have alpha 0: still drawn
    text.m_strText = "\x01W\x02";
    font->Draw(text);
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLFrame frame = plat::ReadFrame();
    // y down: baseline at screen row 30, glyph above it, at GL rows 98..116.
    EXPECT_GT(frame.CountDifferent(4, kSize - 30, 30, kSize - 10, 0, 0, 0), 20);
    EXPECT_EQ(frame.CountDifferent(0, 0, kSize, kSize - 34, 0, 0, 0), 0);

    // Control characters alone draw nothing and call no foreign list.
    ASSERT_EQ(font->GetFirstList(), trap + 1);
    text.m_strText = std::string("\x1F\x01", 2);
    font->Draw(text);
    m_Renderer->BeginFrame();
    EXPECT_EQ(plat::ReadFrame().CountDifferent(0, 0, kSize, kSize, 0, 0, 0), 0);

    testing::internal::CaptureStderr();
    m_Renderer->Destroy();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The font outlives the context: drawing and releasing it are harmless.
    font->Draw(text);
}

TEST_F(RendererTest, EndFrameReportsErrors)
{
    glEnable(0x1234);
    glEnable(0x1235);
    testing::internal::CaptureStderr();
    m_Renderer->EndFrame();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "OpenGL-Error: \"invalid enumerant\"\n");
    EXPECT_EQ(m_Renderer->GetLastGLError(), unsigned(GL_INVALID_ENUM));
}

TEST(RendererCreate, FailuresAreLogged)
{
    testsupport::TempDir dir;
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(renderer->CreateOnDC(nullptr, 32));
    EXPECT_FALSE(renderer->Create(CRefPtr<IWindow>()));
    EXPECT_FALSE(renderer->CreateFont("Verdana", 10, 1, 1));
    // The context's trace lines go to "Error.log" only; the application says what they mean.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Couldn't create font Verdana (10, 1, 1)\n");
    EXPECT_EQ(testsupport::TempDir::ReadFile(dir.Path() + "/Error.log"),
              "Error: ::GetDC failed in COGLRenderer::Create\n"
              "Error: ::GetDC failed in COGLRenderer::Create\n"
              "Error: Couldn't create font Verdana (10, 1, 1)\n");
}

TEST(RendererOnWindow, CreatesItsContextOnTheMainWindow)
{
    testsupport::TempDir dir;
    setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
    CRefPtr<CW32Window> window(new CW32Window);
    ASSERT_TRUE(window->Create(plat::GetModuleHandleA(nullptr), "renderer", 160, 120, 0, 0, 0, 32));
    CRefPtr<COGLRenderer> renderer(new COGLRenderer);
    ASSERT_TRUE(renderer->Create(window));
    GLint value = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &value);
    EXPECT_EQ(value, 1);
    glGetIntegerv(GL_DEPTH_BITS, &value);
    EXPECT_GE(value, 16);
    glGetIntegerv(GL_RED_BITS, &value);
    EXPECT_EQ(value, 8);
    // Mesa's X visuals offer an accumulation buffer.
    glGetIntegerv(GL_ACCUM_RED_BITS, &value);
    EXPECT_EQ(value, 16);

    // The window's size events reach the renderer's viewport.
    plat::SendMessageA(window->GetHandle(), plat::WM_SIZE, 0, plat::MAKELPARAM(80, 60));
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 80);
    EXPECT_EQ(viewport[3], 60);

    renderer->SetClearColor(0x3FBFEF00);
    renderer->BeginFrame();
    EXPECT_NEAR(plat::ReadFrame().At(40, 30).b, 0xEF, 1);
    testing::internal::CaptureStderr();
    renderer->EndFrame();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    renderer->Destroy();
    EXPECT_FALSE(renderer->IsCreated());
    // Size events after Destroy no longer reach it.
    plat::SendMessageA(window->GetHandle(), plat::WM_SIZE, 0, plat::MAKELPARAM(20, 20));
    window->Destroy();
}

namespace
{

// Counts what the renderer asks of a group's shader.
class CCountingShader : public CCgShader
{
public:
    CCountingShader() : CCgShader(nullptr, nullptr) {}
    void Render() override { ++m_iRenders; }
    void Unbind() override { ++m_iUnbinds; }
    int m_iRenders = 0;
    int m_iUnbinds = 0;
};

} // namespace

TEST_F(RendererTest, PathChoiceFollowsRecordAndOverrides)
{
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    glClearColor(0, 0, 0, 1);
    CRefPtr<COGLModel> model = SquareModel(0, 0, 64, 64);
    CCOGLTriangleGroup* g = model->GetTriangleGroup(0);
    SRenderRecord* r = g->GetRenderRecord();
    CRefPtr<CCountingShader> shader(new CCountingShader);
    r->m_pShader = shader.Get();
    r->m_iRenderMode = SRenderRecord::PATH_SHADER;
    r->m_iCompiled = SRenderRecord::LIST_SHADER;
    auto drawn = [&]()
    {
        m_Renderer->BeginFrame();
        model->Render();
        return plat::ReadFrame().CountDifferent(0, 0, kSize, kSize, 0, 0, 0);
    };

    EXPECT_EQ(drawn(), 0);
    EXPECT_EQ(shader->m_iRenders, 1);
    EXPECT_EQ(shader->m_iUnbinds, 1);

    // Under a path override the shader group is drawn by that path.
    CRefPtr<COGLGlobalRenderSettings> s = m_Renderer->GetRenderSettings();
    ASSERT_TRUE(s->SetRenderModeOverride(1, true));
    EXPECT_EQ(drawn(), 64 * 64);
    EXPECT_EQ(shader->m_iRenders, 1);
    ASSERT_TRUE(s->SetRenderModeOverride(3, true));
    testing::internal::CaptureStderr();
    EXPECT_EQ(drawn(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Unknown GLOBAL RenderMode in COGLRenderer::Render()\n");

    // Global display lists: a group with a global list calls it; one
    // without is drawn by the override path.
    ASSERT_TRUE(s->SetRenderModeOverride(0, true));
    ASSERT_TRUE(s->SetCacheModeOverride(1, true));
    const GLuint empty = glGenLists(1);
    glNewList(empty, GL_COMPILE);
    glEndList();
    r->m_uiDisplayList = empty;
    r->m_iGlobalList = SRenderRecord::LIST_RECORDED;
    EXPECT_EQ(drawn(), 0);
    r->m_iGlobalList = SRenderRecord::LIST_FAILED;
    EXPECT_EQ(drawn(), 64 * 64);
    // The group's own list counts only without the cache override.
    r->m_iCompiled = SRenderRecord::LIST_RECORDED;
    EXPECT_EQ(drawn(), 64 * 64);
    ASSERT_TRUE(s->SetCacheModeOverride(2, false));
    EXPECT_EQ(drawn(), 0);
    EXPECT_EQ(shader->m_iRenders, 1);
}

TEST_F(RendererTest, StateFlagsChooseColoursLightingAndTextures)
{
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    glClearColor(0, 0, 0, 1);

    // Per-vertex colours (flags 1), both paths.
    CRefPtr<COGLModel> coloured(new COGLModel(m_Renderer.Get(), nullptr));
    {
        CRefPtr<COGLModel> square = SquareModel(0, 0, 32, 32);
        CCOGLTriangleGroup* src = square->GetTriangleGroup(0);
        CCOGLTriangleGroup* g = coloured->AddTriangleGroup(4, 6, 0, true);
        std::copy(src->GetPositions(), src->GetPositions() + 4, g->GetPositions());
        std::copy(src->GetIndices(), src->GetIndices() + 6, g->GetIndices());
        for (int v = 0; v < 4; ++v)
        {
            const float blue[4] = {0, 0, 1, 1};
            std::copy(blue, blue + 4, g->GetColours() + 4 * v);
        }
        g->GetRenderRecord()->m_usStateFlags = SRenderRecord::STATE_COLOURS;
    }
    for (int path : {0, 1})
    {
        coloured->GetTriangleGroup(0)->GetRenderRecord()->m_iRenderMode = path;
        m_Renderer->BeginFrame();
        coloured->Render();
        GLFrame frame = plat::ReadFrame();
        EXPECT_EQ(frame.At(5, kSize - 5).b, 255) << path;
        EXPECT_EQ(frame.At(5, kSize - 5).r, 0) << path;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "coloured";
    }

    // One texture layer over white (flags 12): a red 1 x 1 texture.
    CRefPtr<CTextureProperties> image(new CTextureProperties);
    image->m_usWidth = image->m_usHeight = 1;
    image->m_bBitsPerPixel = 24;
    image->m_Pixels = {0, 0, 255};
    CRefPtr<COGLModel> textured = SquareModel(0, 0, 32, 32);
    {
        CRefPtr<COGLModel> square = textured;
        textured = new COGLModel(m_Renderer.Get(), nullptr);
        CCOGLTriangleGroup* src = square->GetTriangleGroup(0);
        CCOGLTriangleGroup* g = textured->AddTriangleGroup(4, 6, 1, false);
        std::copy(src->GetPositions(), src->GetPositions() + 4, g->GetPositions());
        std::copy(src->GetIndices(), src->GetIndices() + 6, g->GetIndices());
        g->GetLayer(0)->m_sTextureIndex = 0;
        g->GetLayer(0)->m_iEnvMode = GL_MODULATE;
        EXPECT_EQ(g->GetLayer(1), nullptr);
        g->GetRenderRecord()->m_usStateFlags = SRenderRecord::STATE_WHITE | SRenderRecord::STATE_TEXTURES;
        SOGLTexture* record = textured->AddTexture();
        record->m_uiTarget = GL_TEXTURE_2D;
        record->m_iMinFilter = record->m_iMagFilter = GL_NEAREST;
        ASSERT_TRUE(m_Renderer->CreateTexture(image, record));
    }
    for (int path : {0, 1})
    {
        textured->GetTriangleGroup(0)->GetRenderRecord()->m_iRenderMode = path;
        m_Renderer->BeginFrame();
        textured->Render();
        GLFrame frame = plat::ReadFrame();
        EXPECT_EQ(frame.At(5, kSize - 5).r, 255) << path;
        EXPECT_EQ(frame.At(5, kSize - 5).g, 0) << path;
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "textured";
    }

    // Lighting (flags 2) takes the material's diffuse colour.
    CRefPtr<COGLModel> lit = SquareModel(0, 0, 32, 32);
    CCOGLTriangleGroup* g = lit->GetTriangleGroup(0);
    for (int v = 0; v < 4; ++v)
        g->GetNormals()[v] = CVector3(0, 0, 1);
    g->GetRenderRecord()->m_usStateFlags = SRenderRecord::STATE_LIGHTING;
    SGLMaterial* material = lit->AddMaterial();
    material->m_Diffuse[0] = material->m_Diffuse[2] = 0.0f;
    const float ambient[4] = {0, 0, 0, 1}, diffuse[4] = {1, 1, 1, 1};
    m_Renderer->SetLightColours(0, ambient, diffuse);
    m_Renderer->SetLightDirection(CVector3(0, 0, 1));
    m_Renderer->BeginFrame();
    lit->Render();
    GLFrame frame = plat::ReadFrame();
    EXPECT_GT(frame.At(5, kSize - 5).g, 200);
    EXPECT_LT(frame.At(5, kSize - 5).r, 120);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    // A scaled model is lit as at full size (its normals keep their length).
    material->m_Diffuse[1] = 0.5f;
    int lastGreen = -1;
    for (float scale : {1.0f, 0.25f, 3.0f})
    {
        CMatrix4 m;
        m.SetScale(CVector3(scale, scale, scale));
        m_Renderer->BeginFrame();
        m_Renderer->MultMatrix(m);
        lit->Render();
        const int green = plat::ReadFrame().At(2, kSize - 2).g;
        EXPECT_TRUE(lastGreen < 0 || std::abs(green - lastGreen) <= 3) << scale << ": " << green;
        lastGreen = green;
        m_Renderer->LoadMatrix(CMatrix4());
    }

    // Two layers and an environment map: the map's unit is 3, switched off after.
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    CRefPtr<COGLModel> shiny(new COGLModel(m_Renderer.Get(), nullptr));
    CCOGLTriangleGroup* sg = shiny->AddTriangleGroup(3, 3, 2, false);
    sg->GetRenderRecord()->m_usStateFlags = 12;
    sg->GetEnvironmentMap()->m_iKind = SEnvironmentMap::SPHERE;
    sg->GetLayer(0)->m_iEnvMode = sg->GetLayer(1)->m_iEnvMode = GL_MODULATE;
    // Units 2 and 3 switched on beforehand: only the map's unit is switched off.
    for (GLenum unit : {GL_TEXTURE2, GL_TEXTURE3})
    {
        glActiveTexture(unit);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_TEXTURE_GEN_S);
    }
    glActiveTexture(GL_TEXTURE0);
    shiny->Render();
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    glActiveTexture(GL_TEXTURE3);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    glActiveTexture(GL_TEXTURE2);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(RendererTest, PhysicsDebugGeometryIsDrawnInItsColoursWhileTheContextLives)
{
    EXPECT_EQ(CPhysXMgr::GetDebugDrawFunction(), &COGLPhysXDebugDraw::Draw);
    PixelProjection();
    m_Renderer->SetDepthTest(0.0f);
    // Debug triangles come in either winding.
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 1);
    m_Renderer->BeginFrame();

    plat::NxDebugRenderable debug;
    debug.points.push_back({plat::NxVec3(10.5f, 10.5f, 0), 0xFF0000});
    debug.points.push_back({plat::NxVec3(20.5f, 10.5f, 0), 0xFFFFFF});
    debug.lines.push_back({plat::NxVec3(0, 40.5f, 0), plat::NxVec3(kSize, 40.5f, 0), 0x00FF00});
    // A colour of every byte value class: 0x80 / 255 is 128 again.
    debug.triangles.push_back(
        {plat::NxVec3(64, 64, 0), plat::NxVec3(kSize, 64, 0), plat::NxVec3(kSize, kSize, 0), 0x804020});
    CPhysXMgr::GetDebugDrawFunction()(debug);

    GLFrame frame = plat::ReadFrame();
    // Screen rows count from the top, frame rows from the bottom.
    EXPECT_EQ(frame.CountDifferent(10, kSize - 11, 11, kSize - 10, 255, 0, 0, 0), 0);
    EXPECT_EQ(frame.CountDifferent(20, kSize - 11, 21, kSize - 10, 255, 255, 255, 0), 0);
    EXPECT_EQ(frame.CountDifferent(0, kSize - 41, kSize, kSize - 40, 0, 255, 0, 0), 0);
    EXPECT_EQ(frame.CountDifferent(120, kSize - 73, 121, kSize - 72, 128, 64, 32, 0), 0);
    // Nothing else: two points, one row of line, a right triangle of 64 x 64.
    const int drawn = frame.CountDifferent(0, 0, kSize, kSize, 0, 0, 0, 0);
    EXPECT_GE(drawn, 2 + kSize + 64 * 63 / 2);
    EXPECT_LE(drawn, 2 + kSize + 64 * 65 / 2);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // Without the context there is nothing to draw in.
    m_Renderer->Destroy();
    EXPECT_EQ(CPhysXMgr::GetDebugDrawFunction(), nullptr);
}
