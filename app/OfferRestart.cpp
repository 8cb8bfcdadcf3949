#include <windows.h>

#include "SetupDialog.h"
#include "../resources/Caption.h"

// "再起動すると設定が有効になります。再起動しますか？"
static const char szRestartOffer[] = "再起動すると設定が有効になります。再起動しますか？";

// The NT family refuses a restart to a process that has not enabled this privilege; on the
// 95 family these calls do nothing. Every result is ignored: the restart is only requested.
static void EnableShutdownPrivilege()
{
    HANDLE hToken;
    TOKEN_PRIVILEGES privileges;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &hToken))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(hToken);
}

void OfferRestart(HWND hDlg)
{
    if (MessageBoxA(hDlg, szRestartOffer, szInformationCaption, MB_YESNO | MB_ICONQUESTION) == IDYES)
    {
        EnableShutdownPrivilege();
        ExitWindowsEx(EWX_REBOOT, 0);
    }
    EndDialog(hDlg, 0);
}
