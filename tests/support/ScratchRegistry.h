// Gives a test a HKEY_CLASSES_ROOT of its own: the process's view of it is mapped onto a
// new empty key, so tests neither see nor change the prefix's classes or each other's.
#ifndef SETUP_TESTS_SCRATCH_REGISTRY_H
#define SETUP_TESTS_SCRATCH_REGISTRY_H

#include <windows.h>

#include <string>
#include <vector>

class ScratchClassesRoot
{
public:
    ScratchClassesRoot();
    ~ScratchClassesRoot();

private:
    std::string m_path;
    HKEY m_hKey;
};

// Every key under HKEY_CLASSES_ROOT, sorted, one line each: `path`, or `path = "text"` when
// it has an unnamed REG_SZ value of exactly its text and one NUL; any other unnamed value
// shows its type and bytes.
std::vector<std::string> ClassesRootTree();

// Creates the key under HKEY_CLASSES_ROOT, with an unnamed REG_SZ value when one is given.
void CreateClassesKey(const std::string &path, const char *pszValue = NULL);

#endif
