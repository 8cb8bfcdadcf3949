// Runs the setup dialog for real, modally, and acts on it from inside its message loop.
#ifndef SETUP_TESTS_DIALOG_DRIVER_H
#define SETUP_TESTS_DIALOG_DRIVER_H

#include <windows.h>

#include <functional>
#include <vector>

typedef std::function<void(HWND hDlg)> DialogStep;

struct DialogRun
{
    int result;     // what start returned
    HWND hDlg;      // the dialog it showed; no longer a window once it has ended
};

// Calls start, which must show a dialog modally, and performs the steps one by one once the
// dialog is up. A dialog still open a while after the last step fails the test and is ended.
DialogRun RunDialog(const std::function<int()> &start, const std::vector<DialogStep> &steps);

// Runs the utility's WinMain, as the C runtime's start-up would in this test program.
DialogRun RunSetup(const std::vector<DialogStep> &steps);

// A click on one of the dialog's buttons, by the button itself.
void Click(HWND hDlg, int id);

#endif
