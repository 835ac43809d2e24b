// kven.exe: the desktop program on Windows.
#include "app/win32/programmer_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CProgrammerApp theApp;
    if (!theApp.InitInstance())
        return 1;
    return theApp.Run();
}
