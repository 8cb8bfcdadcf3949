// The smallest program of the utility's kind, for comparison: it only shows one dialog,
// from whichever resource script it is linked with, and ends on Cancel or the close box.
// Built with BARE_DIALOG_STARTUP_WORK, it also does before the dialog shows what the
// utility does: centres it on the screen and looks for the association, pressing the
// toggle when it is there.
#include <windows.h>

#ifdef BARE_DIALOG_STARTUP_WORK
#include "../association/Association.h"
#include "../resources/resource.h"

static void DoStartupWork(HWND hDlg)
{
    RECT rect;
    GetWindowRect(hDlg, &rect);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - (rect.right - rect.left) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - (rect.bottom - rect.top) / 2;
    SetWindowPos(hDlg, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    if (IsAssociated())
        SendDlgItemMessageA(hDlg, IDC_ASSOCIATE, BM_SETCHECK, BST_CHECKED, 0);
}
#endif

static INT_PTR CALLBACK BareDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
#ifdef BARE_DIALOG_STARTUP_WORK
    if (message == WM_INITDIALOG)
        DoStartupWork(hDlg);
#endif
    if (message == WM_CLOSE || (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == 1003)))
        EndDialog(hDlg, 0);
    return FALSE;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    DialogBoxParamA(hInstance, "DIALOG", NULL, BareDialogProc, 0);
    return 0;
}
