// Gives a key under HKEY_CLASSES_ROOT the DACL of an SDDL text, as an administrator might,
// so that the utility meets a key that the platform itself refuses to open.
// Usage: lockkey SDDL KEY. Exit status 0 when the DACL is set, else the error.
#include <windows.h>

#include <stdio.h>

#include "../support/KeyDacl.h"

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    LONG result = SetKeyDacl(HKEY_CLASSES_ROOT, argv[2], argv[1]);
    if (result != ERROR_SUCCESS)
        fprintf(stderr, "lockkey: %s: error %ld\n", argv[2], result);
    return static_cast<int>(result);
}
