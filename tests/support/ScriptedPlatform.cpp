#include "ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iomanip>
#include <sstream>

#include "ImportPatch.h"

static ScriptedPlatform *s_active;

typedef BOOL(WINAPI *EndDialogFn)(HWND, INT_PTR);
typedef LONG(WINAPI *RegCreateKeyExAFn)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
typedef LONG(WINAPI *RegDeleteKeyAFn)(HKEY, LPCSTR);
typedef LONG(WINAPI *RegOpenKeyExAFn)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY);
typedef LONG(WINAPI *RegSetValueExAFn)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);
typedef LONG(WINAPI *RegCloseKeyFn)(HKEY);
typedef DWORD(WINAPI *GetCurrentDirectoryAFn)(DWORD, LPSTR);
typedef BOOL(WINAPI *SetWindowPosFn)(HWND, HWND, int, int, int, int, UINT);
typedef BOOL(WINAPI *GetWindowRectFn)(HWND, LPRECT);
typedef int(WINAPI *GetSystemMetricsFn)(int);

static std::string Escaped(const std::string &bytes);

static const char szPrivilegeEnabled[] = "shutdown privilege enabled";
static const char szPrivilegeDisabled[] = "shutdown privilege disabled";

// The shutdown privilege as this process's token holds it, which is what Windows NT looks
// at when a restart is requested. Wine restarts without it, so the tests look themselves.
static std::string ShutdownPrivilegeState()
{
    LUID luid;
    HANDLE hToken;
    if (!LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &luid))
        return "shutdown privilege unknown";
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return "no process token";
    DWORD buffer[1024];     // DWORDs, for the alignment of TOKEN_PRIVILEGES
    DWORD cbNeeded;
    std::string state = "shutdown privilege not held";
    if (GetTokenInformation(hToken, TokenPrivileges, buffer, sizeof(buffer), &cbNeeded))
    {
        const TOKEN_PRIVILEGES *privileges = reinterpret_cast<const TOKEN_PRIVILEGES *>(buffer);
        for (DWORD i = 0; i < privileges->PrivilegeCount; i++)
        {
            const LUID_AND_ATTRIBUTES &privilege = privileges->Privileges[i];
            if (privilege.Luid.LowPart == luid.LowPart && privilege.Luid.HighPart == luid.HighPart)
                state = privilege.Attributes & SE_PRIVILEGE_ENABLED ? szPrivilegeEnabled : szPrivilegeDisabled;
        }
    }
    CloseHandle(hToken);
    return state;
}

// A process starts with the privilege disabled; an earlier test may have enabled it.
static void DisableShutdownPrivilege()
{
    HANDLE hToken;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken))
        return;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    if (LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(hToken);
}

struct PlatformHooks
{
    // What the import table pointed at before the hooks: the platform's own functions.
    static void *realMessageBoxA;
    static void *realExitWindowsEx;
    static EndDialogFn realEndDialog;
    static RegCreateKeyExAFn realRegCreateKeyExA;
    static RegDeleteKeyAFn realRegDeleteKeyA;
    static RegOpenKeyExAFn realRegOpenKeyExA;
    static RegSetValueExAFn realRegSetValueExA;
    static RegCloseKeyFn realRegCloseKey;
    static GetCurrentDirectoryAFn realGetCurrentDirectoryA;
    static SetWindowPosFn realSetWindowPos;
    static GetWindowRectFn realGetWindowRect;
    static GetSystemMetricsFn realGetSystemMetrics;

    static void Record(const PlatformCall &call) { s_active->m_calls.push_back(call); }

    static int WINAPI MessageBoxA(HWND hWnd, LPCSTR pszText, LPCSTR pszCaption, UINT uType)
    {
        Record(Box(hWnd, pszText ? pszText : "", uType));
        s_active->m_calls.back().caption = pszCaption ? pszCaption : "(null)";
        if (s_active->m_answers.empty())
        {
            ADD_FAILURE() << "a message box that the test did not expect: " << ::testing::PrintToString(s_active->m_calls.back());
            return IDCANCEL;
        }
        int answer = s_active->m_answers.front();
        s_active->m_answers.pop_front();
        return answer;
    }

    static BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason)
    {
        PlatformCall call = Reboot();
        call.text = ShutdownPrivilegeState();
        call.flags = uFlags;
        call.x = static_cast<int>(dwReason);
        Record(call);
        return TRUE;
    }

    static BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
    {
        PlatformCall call = DialogEnded(hDlg);
        call.x = static_cast<int>(nResult);
        Record(call);
        return realEndDialog(hDlg, nResult);
    }

    static LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR pszSubKey, DWORD reserved, LPSTR pszClass, DWORD options,
                                       REGSAM sam, LPSECURITY_ATTRIBUTES security, PHKEY phResult, LPDWORD pdwDisposition)
    {
        Record(KeyCreated(pszSubKey));
        for (const auto &failure : s_active->m_failedCreates)
            if (failure.first == pszSubKey)
                return failure.second;
        LONG result = realRegCreateKeyExA(hKey, pszSubKey, reserved, pszClass, options, sam, security, phResult, pdwDisposition);
        if (result == ERROR_SUCCESS)
            s_active->m_openKeys[*phResult] = pszSubKey;
        return result;
    }

    static LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR pszSubKey, DWORD options, REGSAM sam, PHKEY phResult)
    {
        LONG result = realRegOpenKeyExA(hKey, pszSubKey, options, sam, phResult);
        if (result == ERROR_SUCCESS)
            s_active->m_openKeys[*phResult] = pszSubKey ? pszSubKey : "";
        return result;
    }

    static LONG WINAPI RegCloseKey(HKEY hKey)
    {
        s_active->m_openKeys.erase(hKey);
        return realRegCloseKey(hKey);
    }

    // On the NT family a value's size decides what is stored, except that the platform
    // counts a terminating NUL that a string's size leaves out when one happens to follow
    // it in memory. The copy handed on is followed by none, so that what is stored is
    // exactly what the call counted. The 95 family measures a string itself and ignores
    // the size; there the call goes on as it is.
    static LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR pszName, DWORD reserved, DWORD type, const BYTE *pData, DWORD cbData)
    {
        if (!pData || (GetVersion() & 0x80000000) != 0)
            return realRegSetValueExA(hKey, pszName, reserved, type, pData, cbData);
        std::vector<BYTE> copy(pData, pData + cbData);
        copy.push_back('#');
        return realRegSetValueExA(hKey, pszName, reserved, type, copy.data(), cbData);
    }

    static LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR pszSubKey)
    {
        PlatformCall call = {"RegDeleteKeyA", NULL, pszSubKey, "", 0, 0, 0};
        Record(call);
        for (const auto &failure : s_active->m_failedDeletes)
            if (failure.first == pszSubKey)
                return failure.second;
        return realRegDeleteKeyA(hKey, pszSubKey);
    }

    // Keeps the platform's contract: a buffer too small is left alone and the size
    // needed, NUL included, is returned.
    static DWORD WINAPI GetCurrentDirectoryA(DWORD cchBuffer, LPSTR pszBuffer)
    {
        if (s_active->m_directories.empty())
            return realGetCurrentDirectoryA(cchBuffer, pszBuffer);
        std::optional<std::string> directory = s_active->m_directories.front();
        s_active->m_directories.pop_front();
        if (!directory)
        {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        if (directory->size() + 1 > cchBuffer)
            return static_cast<DWORD>(directory->size() + 1);
        memcpy(pszBuffer, directory->c_str(), directory->size() + 1);
        return static_cast<DWORD>(directory->size());
    }

    static BOOL WINAPI SetWindowPos(HWND hWnd, HWND hInsertAfter, int x, int y, int cx, int cy, UINT uFlags)
    {
        PlatformCall call = {"SetWindowPos", hWnd, "", "", uFlags, x, y};
        if (hInsertAfter != HWND_TOP || cx != 0 || cy != 0)
            call.text = "unexpected z-order or size";
        Record(call);
        return realSetWindowPos(hWnd, hInsertAfter, x, y, cx, cy, uFlags);
    }

    static BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT pRect)
    {
        if (!s_active->m_screenSet)
            return realGetWindowRect(hWnd, pRect);
        *pRect = s_active->m_window;
        return TRUE;
    }

    static int WINAPI GetSystemMetrics(int index)
    {
        if (s_active->m_screenSet && index == SM_CXSCREEN)
            return s_active->m_cxScreen;
        if (s_active->m_screenSet && index == SM_CYSCREEN)
            return s_active->m_cyScreen;
        return realGetSystemMetrics(index);
    }
};

void *PlatformHooks::realMessageBoxA;
void *PlatformHooks::realExitWindowsEx;
EndDialogFn PlatformHooks::realEndDialog;
RegCreateKeyExAFn PlatformHooks::realRegCreateKeyExA;
RegDeleteKeyAFn PlatformHooks::realRegDeleteKeyA;
RegOpenKeyExAFn PlatformHooks::realRegOpenKeyExA;
RegSetValueExAFn PlatformHooks::realRegSetValueExA;
RegCloseKeyFn PlatformHooks::realRegCloseKey;
GetCurrentDirectoryAFn PlatformHooks::realGetCurrentDirectoryA;
SetWindowPosFn PlatformHooks::realSetWindowPos;
GetWindowRectFn PlatformHooks::realGetWindowRect;
GetSystemMetricsFn PlatformHooks::realGetSystemMetrics;

struct Hook
{
    const char *dll;
    const char *function;
    void *replacement;
    void **original;    // where the replaced target is kept, for the hook to call and to restore
};

#define HOOK(dll, function) \
    {dll, #function, reinterpret_cast<void *>(PlatformHooks::function), reinterpret_cast<void **>(&PlatformHooks::real##function)}

static Hook s_hooks[] = {
    HOOK("user32.dll", MessageBoxA),
    HOOK("user32.dll", ExitWindowsEx),
    HOOK("user32.dll", EndDialog),
    HOOK("user32.dll", SetWindowPos),
    HOOK("user32.dll", GetWindowRect),
    HOOK("user32.dll", GetSystemMetrics),
    HOOK("advapi32.dll", RegCreateKeyExA),
    HOOK("advapi32.dll", RegDeleteKeyA),
    HOOK("advapi32.dll", RegOpenKeyExA),
    HOOK("advapi32.dll", RegSetValueExA),
    HOOK("advapi32.dll", RegCloseKey),
    HOOK("kernel32.dll", GetCurrentDirectoryA),
};

ScriptedPlatform::ScriptedPlatform()
{
    // A second one would unhook the first when it goes; it stays inert instead.
    m_inert = s_active != NULL;
    if (m_inert)
    {
        ADD_FAILURE() << "two scripted platforms at once";
        return;
    }
    s_active = this;
    // So that a restart request shows whether the code under test enabled it.
    DisableShutdownPrivilege();
    EXPECT_EQ(szPrivilegeDisabled, ShutdownPrivilegeState());
    // A program that does not import a function (no dialog linked in, say) has nothing to patch.
    for (Hook &hook : s_hooks)
        *hook.original = PatchImport(hook.dll, hook.function, hook.replacement);
}

ScriptedPlatform::~ScriptedPlatform()
{
    if (m_inert)
        return;
    for (Hook &hook : s_hooks)
        if (*hook.original)
            PatchImport(hook.dll, hook.function, *hook.original);
    s_active = NULL;
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " scripted box answer(s) never asked for";
    for (const auto &key : m_openKeys)
        ADD_FAILURE() << "a registry key opened or created and never closed: \"" << Escaped(key.second) << "\"";
}

void ScriptedPlatform::AnswerBoxes(std::initializer_list<int> answers)
{
    m_answers.insert(m_answers.end(), answers.begin(), answers.end());
}

void ScriptedPlatform::SetCurrentDirectories(std::initializer_list<std::optional<std::string>> directories)
{
    m_directories.insert(m_directories.end(), directories.begin(), directories.end());
}

void ScriptedPlatform::FailKeyCreation(const std::string &path, LONG error)
{
    m_failedCreates.emplace_back(path, error);
}

void ScriptedPlatform::FailKeyDeletion(const std::string &path, LONG error)
{
    m_failedDeletes.emplace_back(path, error);
}

void ScriptedPlatform::SetScreen(int cx, int cy, RECT window)
{
    m_screenSet = true;
    m_cxScreen = cx;
    m_cyScreen = cy;
    m_window = window;
}

std::vector<PlatformCall> ScriptedPlatform::CallsOf(const std::string &function) const
{
    std::vector<PlatformCall> calls;
    for (const PlatformCall &call : m_calls)
        if (call.function == function)
            calls.push_back(call);
    return calls;
}

bool PlatformCall::operator==(const PlatformCall &other) const
{
    return function == other.function && hwnd == other.hwnd && text == other.text && caption == other.caption &&
           flags == other.flags && x == other.x && y == other.y;
}

// Non-ASCII bytes are shown in hex, so that a Shift-JIS text reads the same on any console.
static std::string Escaped(const std::string &bytes)
{
    std::ostringstream out;
    for (unsigned char c : bytes)
    {
        if (c >= 0x20 && c < 0x7F)
            out << c;
        else
            out << "\\x" << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(c) << std::dec;
    }
    return out.str();
}

void PrintTo(const PlatformCall &call, std::ostream *os)
{
    *os << call.function << "(hwnd=" << call.hwnd << ", \"" << Escaped(call.text) << "\", \"" << Escaped(call.caption)
        << "\", flags=0x" << std::hex << call.flags << std::dec << ", " << call.x << ", " << call.y << ")";
}

PlatformCall Box(HWND hOwner, const std::string &text, UINT type)
{
    return {"MessageBoxA", hOwner, text, "INFORMATION", type, 0, 0};
}

PlatformCall Reboot()
{
    return {"ExitWindowsEx", NULL, szPrivilegeEnabled, "", EWX_REBOOT, 0, 0};
}

PlatformCall DialogEnded(HWND hDlg)
{
    return {"EndDialog", hDlg, "", "", 0, 0, 0};
}

PlatformCall KeyCreated(const std::string &path)
{
    return {"RegCreateKeyExA", NULL, path, "", 0, 0, 0};
}
