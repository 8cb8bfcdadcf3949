// Redirects calls that this test program makes through its import table, the way the
// utility's code linked into it calls the platform.
#ifndef SETUP_TESTS_IMPORT_PATCH_H
#define SETUP_TESTS_IMPORT_PATCH_H

// Points the import of pszDll!pszFunction at pReplacement and returns the previous target;
// NULL when this program does not import that function.
void *PatchImport(const char *pszDll, const char *pszFunction, void *pReplacement);

#endif
