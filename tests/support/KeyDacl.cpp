#include "KeyDacl.h"

#include <sddl.h>

LONG SetKeyDacl(HKEY hRoot, const char *pszKey, const char *pszSddl)
{
    PSECURITY_DESCRIPTOR pDescriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(pszSddl, SDDL_REVISION_1, &pDescriptor, NULL))
        return static_cast<LONG>(GetLastError());
    HKEY hKey;
    LONG result = RegOpenKeyExA(hRoot, pszKey, 0, WRITE_DAC, &hKey);
    if (result == ERROR_SUCCESS)
    {
        result = RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pDescriptor);
        RegCloseKey(hKey);
    }
    LocalFree(pDescriptor);
    return result;
}
