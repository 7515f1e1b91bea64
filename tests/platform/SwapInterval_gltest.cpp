// Frame pacing: a context the game makes current swaps at the vertical blank
// where the driver offers swap control; test and benchmark windows do not.

#include "platform/gl/GL.h"
#include "platform/gl/GLTestWindow.h"

#include <gtest/gtest.h>

#include <SDL.h>

using namespace plat;

TEST(SwapIntervalTest, NewContextsArePacedAndTestWindowsAreNot)
{
    GLTestWindow window{64, 64};
    ASSERT_TRUE(window.IsOk()) << SDL_GetError();
    // The test window turned pacing off on its context.
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);

    // A second context on the same window, made current the way the
    // renderer does it, starts paced where the driver can pace at all.
    const bool driverPaces = SDL_GL_SetSwapInterval(1) == 0;
    SDL_GL_SetSwapInterval(0);
    HGLRC rc = wglCreateContext(window.GetDC());
    ASSERT_NE(rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(window.GetDC(), rc));
    if (driverPaces)
    {
        EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
    }
    // Benchmarks switch it off on the current context; being made current
    // again does not switch it back on.
    if (driverPaces)
    {
        EXPECT_TRUE(wglSwapIntervalEXT(0));
        ASSERT_TRUE(wglMakeCurrent(window.GetDC(), rc));
        EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    }
    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    // Nothing current: nothing to set.
    EXPECT_FALSE(wglSwapIntervalEXT(1));
    EXPECT_TRUE(wglDeleteContext(rc));
}
