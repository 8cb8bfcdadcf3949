#include <windows.h>

#include "Association.h"
#include "AssociationKeys.h"
#include "../resources/Caption.h"

// "既存のレジストリキーを確認しました。　既に作成されています。" (an ideographic space between)
static const char szAlreadyAssociated[] =
    "既存のレジストリキーを確認しました。　既に作成されています。";

// Fills szValue with the current directory followed by the suffix. FALSE when the directory
// cannot be read or the whole does not fit; the buffer is never written past its end.
template <size_t cchSuffix>
static BOOL ComposeCurrentDirectoryValue(char (&szValue)[MAX_PATH], const char (&szSuffix)[cchSuffix])
{
    DWORD cchResult = GetCurrentDirectoryA(MAX_PATH, szValue);
    if (cchResult == 0 || cchResult >= MAX_PATH)
        return FALSE;   // failed, or needs a larger buffer and left this one unfilled

    size_t cchDirectory = lstrlenA(szValue);
    if (cchDirectory + cchSuffix > MAX_PATH)    // cchSuffix counts the NUL
        return FALSE;
    lstrcpyA(szValue + cchDirectory, szSuffix);
    return TRUE;
}

// The keys are created without a class; the platform's prototype takes a writable string.
static char szNoClass[] = "";

// Creates or opens the key and sets its unnamed value; only the create is judged.
static BOOL WriteDefaultValue(const char *pszKey, const char *pszValue)
{
    HKEY hKey;
    DWORD dwDisposition;

    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, pszKey, 0, szNoClass, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &hKey, &dwDisposition) != ERROR_SUCCESS)
        return FALSE;
    RegSetValueExA(hKey, NULL, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszValue),
                   static_cast<DWORD>(lstrlenA(pszValue) + 1));
    RegCloseKey(hKey);
    return TRUE;
}

int RegisterAssociation()
{
    char szCommand[MAX_PATH];
    char szIcon[MAX_PATH];

    if (IsAssociated())
    {
        MessageBoxA(NULL, szAlreadyAssociated, szInformationCaption, MB_ICONINFORMATION);
        return 1;
    }

    // Both values are composed first, so a directory that does not fit writes nothing.
    if (!ComposeCurrentDirectoryValue(szCommand, szCommandSuffix) ||
        !ComposeCurrentDirectoryValue(szIcon, szIconSuffix))
        return 1;

    // Creating the command key also creates the ProgID and shell keys above it.
    if (!WriteDefaultValue(szCommandKey, szCommand))
        return 1;
    if (!WriteDefaultValue(szExtensionKey, szExtensionProgId))
        return 1;
    if (!WriteDefaultValue(szIconKey, szIcon))
        return 1;
    return 0;
}
