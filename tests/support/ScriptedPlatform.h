// Stands between the utility's code and the platform for one test: message boxes are
// answered from a script instead of shown, the restart request is only recorded, and
// chosen registry and window calls can be made to fail or see another screen. Every
// intercepted call is recorded in order. Where Wine is more lenient than Windows, the
// interception holds the program to Windows' terms: the restart request records whether
// the shutdown privilege is enabled, and a value is stored with exactly the bytes its call
// counts. Every registry key opened or created while it lives must be closed by the time
// it goes.
#ifndef SETUP_TESTS_SCRIPTED_PLATFORM_H
#define SETUP_TESTS_SCRIPTED_PLATFORM_H

#include <windows.h>

#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct PlatformCall
{
    std::string function;   // MessageBoxA, ExitWindowsEx, EndDialog, RegCreateKeyExA, RegDeleteKeyA, SetWindowPos
    HWND hwnd;              // box owner, dialog, window moved
    std::string text;       // box text or key path, as bytes; for a restart, the shutdown privilege's state
    std::string caption;    // box caption
    UINT flags;             // box type, restart flags, SetWindowPos flags
    int x, y;               // SetWindowPos position

    bool operator==(const PlatformCall &other) const;
};
void PrintTo(const PlatformCall &call, std::ostream *os);

PlatformCall Box(HWND hOwner, const std::string &text, UINT type);
// A restart request made with the shutdown privilege enabled, as Windows NT requires.
PlatformCall Reboot();
PlatformCall DialogEnded(HWND hDlg);
PlatformCall KeyCreated(const std::string &path);

class ScriptedPlatform
{
public:
    ScriptedPlatform();
    ~ScriptedPlatform();

    // Answers for the coming message boxes, in order. A box with no answer left fails the test.
    void AnswerBoxes(std::initializer_list<int> answers);
    // What the coming calls of GetCurrentDirectoryA see, in order: a directory, or
    // nullopt for a call that fails. With none left, the real current directory.
    void SetCurrentDirectories(std::initializer_list<std::optional<std::string>> directories);
    // Creating or deleting this key (the path as passed) fails with this code.
    void FailKeyCreation(const std::string &path, LONG error);
    void FailKeyDeletion(const std::string &path, LONG error);
    // The screen size and window rectangle that centring sees.
    void SetScreen(int cx, int cy, RECT window);

    const std::vector<PlatformCall> &Calls() const { return m_calls; }
    std::vector<PlatformCall> CallsOf(const std::string &function) const;

private:
    friend struct PlatformHooks;
    std::vector<PlatformCall> m_calls;
    std::deque<int> m_answers;
    std::deque<std::optional<std::string>> m_directories;
    std::vector<std::pair<std::string, LONG>> m_failedCreates;
    std::vector<std::pair<std::string, LONG>> m_failedDeletes;
    std::map<HKEY, std::string> m_openKeys;     // opened or created, not yet closed: the path as passed
    bool m_inert = false;
    bool m_screenSet = false;
    int m_cxScreen = 0, m_cyScreen = 0;
    RECT m_window = {};
};

#endif
