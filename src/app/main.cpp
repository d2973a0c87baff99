#include "SSDApp.h"

// The one application object.
static CSSDApp theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return theApp.Run();
}
