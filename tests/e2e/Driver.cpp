// Acts on the running utility as a person would, with real mouse clicks and key presses
// (SendInput), and reports what is on the screen. One command a call:
//   driver dialog                 wait for the dialog; print "x y width height screen-width
//                                 screen-height toggle" (toggle 1 when pressed)
//   driver click toggle|apply|cancel|close
//   driver key escape
//   driver box                    wait for a message box; print "x y width height"
//   driver answer yes|no|ok       wait for a message box, print its text (UTF-8), click the button
//   driver gone                   wait until the dialog has closed
//   driver time-change            click Yes on the confirmation box and print the
//                                 milliseconds until the next box (the change is done by then)
//   driver version                print the Windows version this program is told it runs on:
//                                 "family major.minor", family 95 or NT (run under another
//                                 name, it shows what Wine tells a program of that name)
//   driver windows                print every top-level window: handle, class, caption,
//                                 visible or hidden, enabled or disabled, owner, place, and
//                                 the process it belongs to; the active window is marked
// Exit status 0 on success, 1 when the awaited window does not come, 2 on a usage error.
// With DRIVER_LOG set, each call appends to that file what it looked for, found and did.
#include <windows.h>
#include <tlhelp32.h>

#include <fcntl.h>
#include <io.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../resources/resource.h"

static const wchar_t szDialogCaption[] = L"ファイルの関連付け";
static const wchar_t szBoxCaption[] = L"INFORMATION";
// How long a window may take to come or go: 20 seconds, or the seconds in DRIVER_WAIT_SECONDS
// for a program that starts slowly (one run under an emulator).
static DWORD waitMs = 20000;

// One line of the log that DRIVER_LOG names, stamped with the milliseconds since the
// system started, so that the calls of a journey line up with each other.
static void Log(const wchar_t *pszFormat, ...)
{
    static FILE *log = NULL;
    if (!log)
    {
        wchar_t szPath[MAX_PATH];
        if (!GetEnvironmentVariableW(L"DRIVER_LOG", szPath, ARRAYSIZE(szPath)) || !(log = _wfopen(szPath, L"ab")))
            return;
    }
    wchar_t szLine[1024];
    int cch = _snwprintf(szLine, ARRAYSIZE(szLine) - 1, L"%10lu ", GetTickCount());
    va_list args;
    va_start(args, pszFormat);
    _vsnwprintf(szLine + cch, ARRAYSIZE(szLine) - 1 - cch, pszFormat, args);
    va_end(args);
    szLine[ARRAYSIZE(szLine) - 1] = L'\0';
    char szUtf8[3 * ARRAYSIZE(szLine)];
    WideCharToMultiByte(CP_UTF8, 0, szLine, -1, szUtf8, sizeof(szUtf8), NULL, NULL);
    fprintf(log, "%s\n", szUtf8);
    fflush(log);
}

static HWND FindVisible(const wchar_t *pszCaption)
{
    HWND hWnd = FindWindowW(L"#32770", pszCaption);
    return hWnd && IsWindowVisible(hWnd) ? hWnd : NULL;
}

// Waits until the window is the active one and the program that owns it has handled all
// its input and waits for more, as a person's next click would find it. A program that runs
// slowly (under an emulator) activates a new window well after showing it, and the
// activation moves the focus: a click that came before it would be undone.
static void WaitUntilReady(HWND hWnd)
{
    for (DWORD start = GetTickCount(); GetForegroundWindow() != hWnd && GetTickCount() - start < waitMs; Sleep(20))
        ;
    DWORD_PTR result;
    SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, waitMs, &result);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (HANDLE hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId))
    {
        WaitForInputIdle(hProcess, waitMs);
        CloseHandle(hProcess);
    }
}

static HWND WaitFor(const wchar_t *pszCaption)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < waitMs; Sleep(20))
        if (HWND hWnd = FindVisible(pszCaption))
        {
            Log(L"found %p \"%ls\" after %lu ms", hWnd, pszCaption, GetTickCount() - start);
            WaitUntilReady(hWnd);
            Sleep(100);     // let it finish painting and take the focus
            Log(L"ready: %p is %lsthe active window", hWnd, GetForegroundWindow() == hWnd ? L"" : L"not ");
            return hWnd;
        }
    Log(L"no visible window \"%ls\" within %lu ms", pszCaption, waitMs);
    fwprintf(stderr, L"driver: no window captioned %ls\n", pszCaption);
    return NULL;
}

static void ClickAt(POINT pt)
{
    int cx = GetSystemMetrics(SM_CXSCREEN) - 1, cy = GetSystemMetrics(SM_CYSCREEN) - 1;
    INPUT inputs[3] = {};
    for (INPUT &input : inputs)
    {
        input.type = INPUT_MOUSE;
        input.mi.dx = pt.x * 65535 / cx;
        input.mi.dy = pt.y * 65535 / cy;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    UINT sent = SendInput(3, inputs, sizeof(INPUT));
    HWND hAt = WindowFromPoint(pt);
    Log(L"click at %ld,%ld (%u of 3 events sent), over %p of %p", pt.x, pt.y, sent, hAt, GetAncestor(hAt, GA_ROOT));
}

static POINT ControlCentre(HWND hParent, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(hParent, id), &rect);
    POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    return centre;
}

// Clicks and gives the program a moment to answer, as a person's next move would.
static void ClickControl(HWND hParent, int id)
{
    ClickAt(ControlCentre(hParent, id));
    Sleep(150);
}

// Whether a click on the control ID of the dialog or box hWnd has done what it does: the
// toggle has flipped from WAS, Apply has brought up a box; Cancel and a box's buttons have
// closed their window.
static BOOL ClickTookEffect(HWND hWnd, int id, LRESULT was)
{
    if (!IsWindow(hWnd))
        return TRUE;
    if (id == IDC_ASSOCIATE)
        return SendDlgItemMessageW(hWnd, IDC_ASSOCIATE, BM_GETCHECK, 0, 0) != was;
    return id == IDC_APPLY && FindVisible(szBoxCaption) != NULL;
}

// Clicks a control as ClickControl does, and sees it take effect. A click that arrives while
// a slow or busy program is still activating its window can be lost, and the journey would
// go on from the wrong state: it is given again, up to twice, once a quarter of the wait
// has passed without effect.
static BOOL ClickWithEffect(HWND hWnd, int id)
{
    LRESULT was = SendDlgItemMessageW(hWnd, IDC_ASSOCIATE, BM_GETCHECK, 0, 0);
    for (int attempt = 1; attempt <= 3; attempt++)
    {
        ClickControl(hWnd, id);
        for (DWORD start = GetTickCount(); GetTickCount() - start < waitMs / 4; Sleep(20))
            if (ClickTookEffect(hWnd, id, was))
            {
                HWND hBox = FindVisible(szBoxCaption);
                Log(L"click %d on control %d took effect: %ls", attempt, id,
                    !IsWindow(hWnd) ? L"its window is gone" : id == IDC_ASSOCIATE ? L"the toggle flipped" : hBox ? L"a box shows" : L"?");
                return TRUE;
            }
        Log(L"click %d on control %d took no effect", attempt, id);
        fwprintf(stderr, L"driver: click %d on control %d took no effect\n", attempt, id);
        if (!IsWindow(hWnd))
            return TRUE;
        WaitUntilReady(hWnd);
        if (ClickTookEffect(hWnd, id, was))
            return TRUE;
    }
    return FALSE;
}

// The close box is wherever the frame says it is; look for it along the caption.
static BOOL ClickCloseBox(HWND hWnd)
{
    RECT rect;
    GetWindowRect(hWnd, &rect);
    for (int y = rect.top + 2; y < rect.top + 40; y += 2)
        for (int x = rect.right - 2; x > rect.right - 60; x -= 2)
            if (SendMessageW(hWnd, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE)
            {
                POINT pt = {x - 3, y + 3};
                ClickAt(pt);
                Sleep(150);
                return TRUE;
            }
    fwprintf(stderr, L"driver: no close box found\n");
    return FALSE;
}

static void PressKey(WORD vk)
{
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(150);
}

static void PrintUtf8(const wchar_t *pszText)
{
    char szText[1024];
    WideCharToMultiByte(CP_UTF8, 0, pszText, -1, szText, sizeof(szText), NULL, NULL);
    printf("%s\n", szText);
    fflush(stdout);
}

static int Answer(const char *pszButton)
{
    int id = !strcmp(pszButton, "yes") ? IDYES : !strcmp(pszButton, "no") ? IDNO : !strcmp(pszButton, "ok") ? IDOK : 0;
    if (!id)
    {
        fwprintf(stderr, L"driver: no button named %hs\n", pszButton);
        return 2;
    }
    HWND hBox = WaitFor(szBoxCaption);
    if (!hBox)
        return 1;
    wchar_t szText[512] = L"";
    GetDlgItemTextW(hBox, 0xFFFF, szText, ARRAYSIZE(szText));    // the box's text control
    PrintUtf8(szText);
    if (!GetDlgItem(hBox, id))
    {
        fwprintf(stderr, L"driver: the box has no such button\n");
        return 1;
    }
    return ClickWithEffect(hBox, id) ? 0 : 1;
}

// The name of each running process's program, for the list of windows.
static void ProcessName(DWORD processId, wchar_t *pszName, int cchName)
{
    lstrcpynW(pszName, L"?", cchName);
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(hSnapshot, &entry); more; more = Process32NextW(hSnapshot, &entry))
        if (entry.th32ProcessID == processId)
            lstrcpynW(pszName, entry.szExeFile, cchName);
    CloseHandle(hSnapshot);
}

static BOOL CALLBACK PrintTopLevelWindow(HWND hWnd, LPARAM)
{
    wchar_t szClass[128] = L"", szCaption[256] = L"", szProcess[MAX_PATH], szLine[1024] = L"";
    GetClassNameW(hWnd, szClass, ARRAYSIZE(szClass));
    GetWindowTextW(hWnd, szCaption, ARRAYSIZE(szCaption));
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    ProcessName(processId, szProcess, ARRAYSIZE(szProcess));
    RECT rect = {};
    GetWindowRect(hWnd, &rect);
    _snwprintf(szLine, ARRAYSIZE(szLine) - 1, L"%p%ls class \"%ls\" caption \"%ls\" %ls %ls owner %p at %ld,%ld %ldx%ld process %lu %ls",
              hWnd, GetForegroundWindow() == hWnd ? L" (active)" : L"", szClass, szCaption,
              IsWindowVisible(hWnd) ? L"visible" : L"hidden", IsWindowEnabled(hWnd) ? L"enabled" : L"disabled",
              GetWindow(hWnd, GW_OWNER), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
              processId, szProcess);
    PrintUtf8(szLine);
    return TRUE;
}

static int TimeChange()
{
    HWND hBox = WaitFor(szBoxCaption);
    if (!hBox)
        return 1;
    POINT yes = ControlCentre(hBox, IDYES);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ClickAt(yes);
    // The next box (the restart offer) comes right after the last key is written.
    for (;;)
    {
        HWND hNext = FindVisible(szBoxCaption);
        if (hNext && hNext != hBox)
            break;
        QueryPerformanceCounter(&end);
        if ((end.QuadPart - start.QuadPart) / frequency.QuadPart > 20)
            return 1;
        Sleep(0);
    }
    QueryPerformanceCounter(&end);
    printf("%.1f\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    _setmode(_fileno(stdout), _O_BINARY);     // plain newlines for the shell that reads us
    char szWait[16] = "";
    GetEnvironmentVariableA("DRIVER_WAIT_SECONDS", szWait, sizeof(szWait));
    if (int seconds = atoi(szWait); seconds > 0)
        waitMs = seconds * 1000;
    const char *pszCommand = argv[1];
    const char *pszArgument = argc > 2 ? argv[2] : "";
    Log(L"driver %hs %hs", pszCommand, pszArgument);

    if (!strcmp(pszCommand, "answer"))
        return Answer(pszArgument);
    if (!strcmp(pszCommand, "box"))
    {
        HWND hBox = WaitFor(szBoxCaption);
        RECT rect;
        if (!hBox || !GetWindowRect(hBox, &rect))
            return 1;
        printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (!strcmp(pszCommand, "windows"))
        return EnumWindows(PrintTopLevelWindow, 0) ? 0 : 1;
    if (!strcmp(pszCommand, "time-change"))
        return TimeChange();
    if (!strcmp(pszCommand, "version"))
    {
        OSVERSIONINFOA version = {sizeof(version)};
        GetVersionExA(&version);
        printf("%s %lu.%lu\n", version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT" : "95",
               version.dwMajorVersion, version.dwMinorVersion);
        return 0;
    }
    if (!strcmp(pszCommand, "gone"))
    {
        for (DWORD start = GetTickCount(); FindWindowW(L"#32770", szDialogCaption); Sleep(20))
            if (GetTickCount() - start > waitMs)
                return 1;
        return 0;
    }

    HWND hDlg = WaitFor(szDialogCaption);
    if (!hDlg)
        return 1;
    if (!strcmp(pszCommand, "dialog"))
    {
        RECT rect;
        GetWindowRect(hDlg, &rect);
        printf("%ld %ld %ld %ld %d %d %d\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
               SendDlgItemMessageW(hDlg, IDC_ASSOCIATE, BM_GETCHECK, 0, 0) == BST_CHECKED);
        return 0;
    }
    if (!strcmp(pszCommand, "click"))
    {
        if (!strcmp(pszArgument, "close"))
            return ClickCloseBox(hDlg) ? 0 : 1;
        int id = !strcmp(pszArgument, "toggle") ? IDC_ASSOCIATE
               : !strcmp(pszArgument, "apply")  ? IDC_APPLY
               : !strcmp(pszArgument, "cancel") ? IDC_CANCEL
                                                : 0;
        if (!id)
        {
            fwprintf(stderr, L"driver: no control named %hs\n", pszArgument);
            return 2;
        }
        return ClickWithEffect(hDlg, id) ? 0 : 1;
    }
    if (!strcmp(pszCommand, "key") && !strcmp(pszArgument, "escape"))
    {
        SetForegroundWindow(hDlg);
        PressKey(VK_ESCAPE);
        return 0;
    }
    return 2;
}
