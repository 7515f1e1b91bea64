// The program's entry: the working folder holds "settings.ini" and the
// "Data/" tree; the command line is not read.

#include "app/CVostrelApp.h"
#include "app/Log.h"
#include "platform/win32/W32MessageBox.h"
#include "platform/win32/W32Window.h"

#include <new>

int main()
{
    plat::InstallMessageBoxSink();
    ResetLogFiles();
    return RunApplication(new (std::nothrow) CVostrelApp, plat::GetModuleHandleA(nullptr));
}
