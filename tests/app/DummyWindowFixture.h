#pragma once

#include "platform/win32/W32Events.h"
#include "platform/win32/W32Inject.h"
#include "platform/win32/W32Window.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace testsupport
{

// Each test in its own working folder, on SDL's dummy video driver (no X,
// no OpenGL, no message boxes).
class DummyWindowTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("VOSTREL_NO_MESSAGEBOX", "1", 1);
        ASSERT_TRUE(plat::InitVideo());
        plat::PumpEvents();
        plat::DiscardMessages();
    }

    // Runs the message pump until the queue is empty, as the run loop does.
    static void Pump()
    {
        plat::MSG msg;
        while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE))
        {
            plat::TranslateMessage(&msg);
            plat::DispatchMessageA(&msg);
        }
    }

    std::string ErrorLog() const { return ReadFile(m_Dir.Path() + "/Error.log"); }
    static std::string ReadFile(const std::string& p) { return TempDir::ReadFile(p); }
};

} // namespace testsupport
