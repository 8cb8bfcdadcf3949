// A stand-in for the application: appends its command line, in UTF-8, to Morvane.log in
// its own folder, so a test can see that the shell started it and with what.
#include <windows.h>

#include <string.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    wchar_t szLog[MAX_PATH];
    GetModuleFileNameW(NULL, szLog, MAX_PATH);
    wcscpy(wcsrchr(szLog, L'\\') + 1, L"Morvane.log");

    char szLine[2048];
    int cb = WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, szLine, sizeof(szLine) - 1, NULL, NULL);
    if (cb == 0)    // the line did not convert: say so rather than log nothing
        cb = lstrlenA(lstrcpyA(szLine, "(the command line could not be converted)")) + 1;
    szLine[cb - 1] = '\n';

    HANDLE hFile = CreateFileW(szLog, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    DWORD written;
    WriteFile(hFile, szLine, cb, &written, NULL);
    CloseHandle(hFile);
    return 0;
}
