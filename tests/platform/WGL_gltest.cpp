#include "platform/gl/GL.h"
#include "platform/gl/GLScreenshot.h"
#include "platform/gl/GLTestWindow.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <SDL.h>

using namespace plat;

namespace
{

class WGLTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Window.IsOk()) << SDL_GetError();
        glViewport(0, 0, 256, 256);
    }
    GLTestWindow m_Window{256, 256};
};

} // namespace

TEST_F(WGLTest, ContextIsCompatibleAndDoubleBuffered)
{
    ASSERT_EQ(glewInit(), GLEW_OK);
    GLint depth = 0, doubleBuffer = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffer);
    EXPECT_GE(depth, 16);
    EXPECT_EQ(doubleBuffer, 1);
    // Fixed-function calls work: a matrix push and pop leave no error.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glPopMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    GLFrame frame = ReadFrame();
    ASSERT_EQ(frame.width, 256);
    GLFrame::Pixel p = frame.At(10, 10);
    EXPECT_EQ(p.r, 255);
    EXPECT_NEAR(p.g, 128, 1);
    EXPECT_EQ(p.b, 0);
    EXPECT_TRUE(SwapBuffers(m_Window.GetDC()));
}

TEST_F(WGLTest, RefusedHandlesAndFormats)
{
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.dwFlags = PFD_DRAW_TO_WINDOW; // no OpenGL
    EXPECT_EQ(ChoosePixelFormat(m_Window.GetDC(), &pfd), 0);
    EXPECT_EQ(ChoosePixelFormat(nullptr, &pfd), 0);
    EXPECT_FALSE(SetPixelFormat(m_Window.GetDC(), 2, &pfd));
    EXPECT_EQ(wglCreateContext(nullptr), nullptr);
    EXPECT_FALSE(wglDeleteContext(nullptr));
    EXPECT_FALSE(SwapBuffers(nullptr));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
    EXPECT_EQ(GetDC(nullptr), nullptr);
    EXPECT_EQ(GetDCFromSDLWindow(nullptr), nullptr);
    EXPECT_FALSE(wglMakeCurrent(m_Window.GetDC(), nullptr));
    // No font selected into a fresh context.
    HDC dc = GetDCFromSDLWindow(m_Window.GetWindow());
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 32, 224, 1));
    EXPECT_EQ(ReleaseDC(nullptr, dc), 1);
    EXPECT_EQ(SelectObject(dc, nullptr), nullptr); // released: refused
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 32, 224, 1));
}

TEST_F(WGLTest, BitmapFontsDrawGlyphsOnTheBaseline)
{
    HFONT font =
        CreateFontA(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                    ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Verdana");
    ASSERT_NE(font, nullptr);
    EXPECT_NE(std::string(GetFontFileName(font)).find("DejaVu"), std::string::npos);
    HFONT bold = CreateFontA(-20, 0, 0, 0, FW_BOLD, 1, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Verdana");
    ASSERT_NE(bold, nullptr);
    EXPECT_STRNE(GetFontFileName(font), GetFontFileName(bold));

    HDC dc = m_Window.GetDC();
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 32, 224, 1)); // nothing selected
    HGDIOBJ old = SelectObject(dc, font);
    EXPECT_EQ(old, nullptr);
    GLuint first = glGenLists(224);
    ASSERT_TRUE(wglUseFontBitmapsA(dc, 32, 224, first));
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 200, 100, first)); // past code 255
    EXPECT_EQ(SelectObject(dc, old), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(bold));
    EXPECT_FALSE(DeleteObject(font));

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 256, 0, 256, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(1, 1, 1, 0);
    glRasterPos2f(10, 100);
    glListBase(first - 32);
    const char text[] = "HHHH";
    glCallLists(4, GL_UNSIGNED_BYTE, text);
    // The raster position moved on by four advances.
    GLfloat pos[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
    EXPECT_GT(pos[0], 10 + 4 * 8);
    EXPECT_LT(pos[0], 10 + 4 * 20);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    GLFrame frame = ReadFrame();
    // Ink sits above the baseline (y 100..115), none below it or left of x 10.
    EXPECT_GT(frame.CountDifferent(10, 100, 80, 116, 0, 0, 0), 40);
    EXPECT_EQ(frame.CountDifferent(0, 80, 256, 99, 0, 0, 0), 0);
    EXPECT_EQ(frame.CountDifferent(0, 0, 10, 256, 0, 0, 0), 0);
    glDeleteLists(first, 224);

    testsupport::TempDir dir;
    EXPECT_TRUE(WriteFrameTGA(frame, "shot.tga"));
    EXPECT_EQ(testsupport::TempDir::ReadFile("shot.tga").size(), 18u + 256 * 256 * 4);
}
