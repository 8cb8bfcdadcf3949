#include <windows.h>

#include "SetupDialog.h"
#include "../association/Association.h"
#include "../resources/Caption.h"
#include "../resources/resource.h"

// "ファイルを関連付けます。よろしいですか？"
static const char szConfirmAssociation[] = "ファイルを関連付けます。よろしいですか？";
// "レジストリの書き込みに失敗しました。"
static const char szRegistrationFailed[] = "レジストリの書き込みに失敗しました。";
// "ファイルの関連付けを解除します。よろしいですか？"
static const char szConfirmRemoval[] = "ファイルの関連付けを解除します。よろしいですか？";
// "レジストリの削除に失敗しました。"
static const char szRemovalFailed[] = "レジストリの削除に失敗しました。";

// Each size is halved on its own, so odd sizes truncate separately.
static void CentreOnScreen(HWND hDlg)
{
    RECT rect;

    GetWindowRect(hDlg, &rect);
    int cyScreen = GetSystemMetrics(SM_CYSCREEN);
    int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    int y = cyScreen / 2 - (rect.bottom - rect.top) / 2;
    int x = cxScreen / 2 - (rect.right - rect.left) / 2;
    SetWindowPos(hDlg, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

// Both changes run alike: ask, change, then report a failure (the dialog stays open for
// another try) or offer the restart, which ends the dialog.
static void ApplyChange(HWND hDlg, const char *pszConfirm, int (*pfnChange)(), const char *pszFailed)
{
    if (MessageBoxA(hDlg, pszConfirm, szInformationCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (pfnChange() != 0)
    {
        MessageBoxA(hDlg, pszFailed, szInformationCaption, MB_OK);
        return;
    }
    OfferRestart(hDlg);
}

// Pressed asks for the association, any other state for its removal.
static void Apply(HWND hDlg)
{
    if (SendDlgItemMessageA(hDlg, IDC_ASSOCIATE, BM_GETCHECK, 0, 0) == BST_CHECKED)
        ApplyChange(hDlg, szConfirmAssociation, RegisterAssociation, szRegistrationFailed);
    else
        ApplyChange(hDlg, szConfirmRemoval, RemoveAssociation, szRemovalFailed);
}

// Returns FALSE for every message: focus stays where the dialog manager puts it.
INT_PTR CALLBACK SetupDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG:
        CentreOnScreen(hDlg);
        if (IsAssociated())
            SendDlgItemMessageA(hDlg, IDC_ASSOCIATE, BM_SETCHECK, BST_CHECKED, 0);
        break;

    case WM_COMMAND:
        // The toggle flips itself; IDOK and IDCANCEL (Enter, Esc) are ignored.
        switch (LOWORD(wParam))
        {
        case IDC_APPLY:
            Apply(hDlg);
            break;
        case IDC_CANCEL:
            EndDialog(hDlg, 0);
            break;
        }
        break;

    case WM_CLOSE:
        EndDialog(hDlg, 0);
        break;
    }
    return FALSE;
}
