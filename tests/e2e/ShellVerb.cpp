// Invokes the document type's verb "復元(&R)" on a document through the shell, as choosing
// that item in the document's context menu does, and waits for what it starts.
// Usage: shellverb DOCUMENT. Exit status 0 when something was started, else the error.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2)
        return 2;
    SHELLEXECUTEINFOW info = {sizeof(info)};
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"復元(&R)";
    info.lpFile = argv[1];
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
    {
        DWORD error = GetLastError();
        printf("not started: %lu\n", error);
        return error ? static_cast<int>(error) : 1;
    }
    if (info.hProcess)
    {
        WaitForSingleObject(info.hProcess, 20000);
        CloseHandle(info.hProcess);
    }
    printf("started\n");
    return 0;
}
