// The test build as it would be without the DLL search restriction at start: the control that
// shows what a plant could reach when the program does nothing about its search path.
#include "SSDApp.h"

static CSSDApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return theApp.Run();
}
