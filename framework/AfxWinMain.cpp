// Compiled into each program, not the library: the console test runners have their own entry point.
#include "AfxApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return AfxWinMain();
}
