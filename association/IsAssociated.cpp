#include <windows.h>

#include "Association.h"
#include "AssociationKeys.h"

bool IsAssociated()
{
    HKEY hKey;

    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, szProgIdKey, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}
