// The setup dialog: the utility's only window.
#ifndef SETUP_DIALOG_H
#define SETUP_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK SetupDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// After a successful change: offers to restart Windows, requests the restart on Yes, and
// ends the dialog whatever the answer.
void OfferRestart(HWND hDlg);

#endif
