#include "app/CApplication.h"

#include "app/Log.h"

using namespace plat;

int CApplication::Run(HINSTANCE instance)
{
    m_hInstance = instance;
    if (!Create())
    {
        // The failing step said what went wrong.
        Log(16, "Error: Creation of application object failed");
        return m_iExitCode != 0 ? m_iExitCode : kStartUpFailedExitCode;
    }
    MSG msg;
    for (;;)
    {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        // Only with the queue empty: listener callbacks never run inside a frame.
        if (!Frame())
            break;
    }
    Destroy();
    return m_iExitCode;
}

int RunApplication(CApplication* app, HINSTANCE instance)
{
    if (!app)
    {
        Log(1, "Error: Creation of application object failed");
        return -1;
    }
    const int result = app->Run(instance);
    delete app;
    return result;
}
