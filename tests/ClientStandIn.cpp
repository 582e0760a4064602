// Stands in for the client in the updater's tests: leaves "started.txt" in its current directory.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ::CloseHandle(::CreateFileA("started.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
