#include <windows.h>

#include "SetupDialog.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(hInstance, "DIALOG", NULL, SetupDialogProc, 0);
    return 0;
}
