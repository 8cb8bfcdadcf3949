#include <windows.h>

// The program's entry point, in place of a C runtime's start-up code: Windows 95 as
// installed has no C runtime DLL, and nothing here needs one. Nothing else runs before
// WinMain, so the program may have no objects to construct at namespace scope (the link
// refuses one). WinMain reads neither the command line nor the show state; it gets an
// empty one and the default.
extern "C" void __cdecl WinMainStartup()
{
    static char szNoCommandLine[] = "";

    ExitProcess(WinMain(GetModuleHandleA(NULL), NULL, szNoCommandLine, SW_SHOWDEFAULT));
}
