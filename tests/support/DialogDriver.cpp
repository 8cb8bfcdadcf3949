#include "DialogDriver.h"

#include <gtest/gtest.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nShowCmd);

static HWND s_hDlg;
static const std::vector<DialogStep> *s_steps;
static size_t s_nextStep;
static int s_idleTicks;

// The dialog is the first top-level window of the dialog class that this thread creates.
static LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && !s_hDlg)
    {
        CREATESTRUCTA *create = reinterpret_cast<CBT_CREATEWNDA *>(lParam)->lpcs;
        if (create->lpszClass == WC_DIALOG && !(create->style & WS_CHILD))
            s_hDlg = reinterpret_cast<HWND>(wParam);
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

static void CALLBACK NextStep(HWND, UINT, UINT_PTR, DWORD)
{
    if (!s_hDlg || !IsWindow(s_hDlg) || !IsWindowVisible(s_hDlg))
        return;
    if (s_nextStep < s_steps->size())
    {
        (*s_steps)[s_nextStep++](s_hDlg);
        return;
    }
    if (++s_idleTicks == 500)
    {
        ADD_FAILURE() << "the dialog is still open after the last step";
        EndDialog(s_hDlg, -1);
    }
}

DialogRun RunDialog(const std::function<int()> &start, const std::vector<DialogStep> &steps)
{
    s_hDlg = NULL;
    s_steps = &steps;
    s_nextStep = 0;
    s_idleTicks = 0;
    HHOOK hHook = SetWindowsHookExA(WH_CBT, WatchCreation, NULL, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(NULL, 0, 10, NextStep);

    DialogRun run;
    run.result = start();
    run.hDlg = s_hDlg;

    KillTimer(NULL, timer);
    UnhookWindowsHookEx(hHook);
    EXPECT_TRUE(run.hDlg != NULL) << "no dialog was shown";
    EXPECT_EQ(steps.size(), s_nextStep) << "the dialog ended before all steps were done";
    return run;
}

DialogRun RunSetup(const std::vector<DialogStep> &steps)
{
    return RunDialog([] { return WinMain(GetModuleHandleA(NULL), NULL, const_cast<char *>(""), SW_SHOWNORMAL); },
                     steps);
}

void Click(HWND hDlg, int id)
{
    SendMessageA(GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}
