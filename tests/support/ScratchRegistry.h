// Gives a test a HKEY_CLASSES_ROOT of its own: the process's view of it is mapped onto a
// new empty key, so tests neither see nor change the prefix's classes or each other's.
#ifndef SETUP_TESTS_SCRATCH_REGISTRY_H
#define SETUP_TESTS_SCRATCH_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

// Security descriptors for LockKey, as SDDL: Everyone may only read the key, may do
// nothing with it at all, or may read and delete it but not write it.
static const char szReadOnly[] = "D:P(A;;KR;;;WD)";
static const char szNoAccess[] = "D:P(D;;KA;;;WD)";
static const char szReadAndDelete[] = "D:(A;;KRSD;;;WD)";
// Why a test of a locked key is skipped where LockKey is false.
static const char szNoKeySecurity[] = "this Windows family keeps no security on registry keys";

class ScratchClassesRoot
{
public:
    ScratchClassesRoot();
    ~ScratchClassesRoot();

    // Gives the existing key under HKEY_CLASSES_ROOT the DACL of the SDDL text, so that the
    // platform itself refuses what it does not grant. False where the platform keeps no
    // security on registry keys (the 95 family); any other failure fails the test. The
    // scratch area gets an open DACL on every locked key again before it goes, so that it
    // can always be deleted.
    bool LockKey(const std::string &path, const char *pszSddl);

private:
    std::string m_path;
    HKEY m_hKey;
    std::vector<std::string> m_locked;
};

// Every key under HKEY_CLASSES_ROOT, sorted, one line each: `path`, or, when it has an
// unnamed value, `path = REG_SZ "text\0"`: the value's type (`type N` for another) and
// every byte it stores, each NUL shown as \0, so that a string stored without its NUL or
// with more than one reads differently.
std::vector<std::string> ClassesRootTree();

// The line of ClassesRootTree for a key whose unnamed value is the text as a string, stored
// with its one terminating NUL.
std::string KeyWithText(const std::string &path, const std::string &text);

// Creates the key under HKEY_CLASSES_ROOT, with an unnamed REG_SZ value when one is given.
void CreateClassesKey(const std::string &path, const char *pszValue = NULL);

#endif
