#include <windows.h>

#include "Association.h"
#include "AssociationKeys.h"
#include "../resources/Caption.h"

// "レジストリキーを確認出来ませんでした。既に削除された可能性があります。" (能 is 94 5C)
static const char szNotPresent[] = "レジストリキーを確認出来ませんでした。既に削除された可能性があります。";
// "レジストリキーを確認。これよりMorvaneの情報を削除します。"
static const char szSecondConfirmation[] = "レジストリキーを確認。これよりMorvaneの情報を削除します。";
// "レジストリの削除に成功しました。"
static const char szRemovalDone[] = "レジストリの削除に成功しました。";

// Deletes the key with everything beneath it, deepest first, since the NT family refuses to
// delete a key that still has subkeys. Stops at the first key that cannot be deleted.
static LONG DeleteKeyTree(HKEY hParent, const char *pszKey)
{
    HKEY hKey;
    LONG result = RegOpenKeyExA(hParent, pszKey, 0, KEY_ENUMERATE_SUB_KEYS, &hKey);
    if (result != ERROR_SUCCESS)
        return result;

    // A name may hold 255 characters, each up to two bytes in the ANSI code page.
    char szSubKey[512];
    for (;;)
    {
        DWORD cchSubKey = sizeof(szSubKey);
        result = RegEnumKeyExA(hKey, 0, szSubKey, &cchSubKey, NULL, NULL, NULL, NULL);
        if (result != ERROR_SUCCESS)
            break;
        result = DeleteKeyTree(hKey, szSubKey);
        if (result != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(hKey);
    if (result != ERROR_NO_MORE_ITEMS)
        return result;
    return RegDeleteKeyA(hParent, pszKey);
}

int RemoveAssociation()
{
    if (!IsAssociated())
    {
        MessageBoxA(NULL, szNotPresent, szInformationCaption, MB_ICONINFORMATION);
        return 1;
    }
    // Only an explicit No stops here; a box that could not be shown goes on.
    if (MessageBoxA(NULL, szSecondConfirmation, szInformationCaption, MB_YESNO | MB_ICONINFORMATION) == IDNO)
        return 1;

    // The extension goes whether or not the ProgID could, and whatever ProgID it names.
    LONG progIdResult = DeleteKeyTree(HKEY_CLASSES_ROOT, szProgIdKey);
    LONG extensionResult = DeleteKeyTree(HKEY_CLASSES_ROOT, szExtensionKey);
    if (progIdResult != ERROR_SUCCESS || extensionResult != ERROR_SUCCESS)
        return 1;

    MessageBoxA(NULL, szRemovalDone, szInformationCaption, MB_OK);
    return 0;
}
