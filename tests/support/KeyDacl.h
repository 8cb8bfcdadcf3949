// Sets the DACL of a registry key from an SDDL text, so that the platform itself refuses
// what the DACL does not grant.
#ifndef SETUP_TESTS_KEY_DACL_H
#define SETUP_TESTS_KEY_DACL_H

#include <windows.h>

// The DACL of hRoot\pszKey; ERROR_SUCCESS or the platform's error (ERROR_CALL_NOT_IMPLEMENTED
// on the 95 family, which keeps no security on keys). The owner may always change the DACL,
// also of a key that denies everything else.
LONG SetKeyDacl(HKEY hRoot, const char *pszKey, const char *pszSddl);

#endif
