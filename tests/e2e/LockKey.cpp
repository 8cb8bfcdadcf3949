// Gives a key under HKEY_CLASSES_ROOT the DACL of an SDDL text, as an administrator might,
// so that the utility meets a key that the platform itself refuses to open.
// Usage: lockkey SDDL KEY. Exit status 0 when the DACL is set, else the error.
#include <windows.h>
#include <sddl.h>

#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    PSECURITY_DESCRIPTOR pDescriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(argv[1], SDDL_REVISION_1, &pDescriptor, NULL))
        return static_cast<int>(GetLastError());
    // The owner may always change the DACL, also of a key that denies everything else.
    HKEY hKey;
    LONG result = RegOpenKeyExA(HKEY_CLASSES_ROOT, argv[2], 0, WRITE_DAC, &hKey);
    if (result == ERROR_SUCCESS)
    {
        result = RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, pDescriptor);
        RegCloseKey(hKey);
    }
    LocalFree(pDescriptor);
    if (result != ERROR_SUCCESS)
        fprintf(stderr, "lockkey: %s: error %ld\n", argv[2], result);
    return static_cast<int>(result);
}
