// The smallest program of the utility's kind, for comparison: it only shows one dialog,
// from whichever resource script it is linked with, and ends on Cancel or the close box.
#include <windows.h>

static INT_PTR CALLBACK BareDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_CLOSE || (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == 1003)))
        EndDialog(hDlg, 0);
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(hInstance, "DIALOG", NULL, BareDialogProc, 0);
    return 0;
}
