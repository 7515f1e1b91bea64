// The program's entry: the working folder holds "settings.ini" and the
// "Data/" tree; the command line is not read.

#include "app/CVostrelApp.h"
#include "app/Log.h"
#include "platform/win32/W32DisplayLoss.h"
#include "platform/win32/W32MessageBox.h"
#include "platform/win32/W32Window.h"

#include <new>

namespace
{

// The process ends right after this (with exit code 1): the line goes to
// "Error.log" and the standard error stream only, never to a message box.
void OnDisplayLost(const char* message)
{
    Log(1, "%s", message);
}

} // namespace

int main()
{
    plat::InstallMessageBoxSink();
    plat::SetDisplayLostHandler(&OnDisplayLost);
    ResetLogFiles();
    const int result = RunApplication(new (std::nothrow) CVostrelApp, plat::GetModuleHandleA(nullptr));
    plat::QuitSDL();
    return result;
}
