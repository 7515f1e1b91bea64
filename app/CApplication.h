#pragma once

#include "platform/win32/W32Window.h"

// Base of the application object: Run builds it (Create), then alternates
// between draining every pending window message and one Frame until Frame
// returns false, and tears it down (Destroy). Everything runs on one thread.
class CApplication
{
public:
    CApplication() : m_hInstance(nullptr), m_iExitCode(0) {}
    virtual ~CApplication() {}
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    virtual bool Create() = 0;
    // One frame; false ends the run.
    virtual bool Frame() = 0;
    virtual void Destroy() = 0;

    // 0 after a normal end; kStartUpFailedExitCode (-1) when Create failed
    // (logged; Destroy is left to the destructor then) or a frame ended the
    // run on a failure of the same kind (SetStartUpFailed: a level that
    // cannot be set up); kFailedExitCode when Create failed after SetFailed
    // (no window or OpenGL context could be made). WM_QUIT is never looked
    // at: only Frame ends the loop.
    int Run(plat::HINSTANCE instance);

    static constexpr int kFailedExitCode = 1;
    static constexpr int kStartUpFailedExitCode = -1;

protected:
    // Called by a Create that fails for want of a display.
    void SetFailed() { m_iExitCode = kFailedExitCode; }
    // Called by a Frame that returns false because what the game needs
    // turned out to be missing or broken, as a failed start-up.
    void SetStartUpFailed() { m_iExitCode = kStartUpFailedExitCode; }

    plat::HINSTANCE m_hInstance;

private:
    int m_iExitCode;
};

// The program's entry sequence after the log files were reset: runs the
// application, deletes it and returns Run's result. A null application (its
// allocation failed) logs "Error: Creation of application object failed"
// and gives -1.
int RunApplication(CApplication* app, plat::HINSTANCE instance);
