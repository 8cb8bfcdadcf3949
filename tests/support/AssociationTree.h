// The association as registration leaves it, for the folder it was made from: its keys, to
// lay out before a test, and the lines that ClassesRootTree shows for them.
#ifndef SETUP_TESTS_ASSOCIATION_TREE_H
#define SETUP_TESTS_ASSOCIATION_TREE_H

#include <string>
#include <vector>

// "Morvane\shell\復元(&R)\command", in Shift-JIS.
std::string CommandKey();

// Creates the keys and values that registration from the folder writes.
void CreateAssociation(const std::string &folder);

// The whole of HKEY_CLASSES_ROOT, as ClassesRootTree shows it, when it holds exactly that.
std::vector<std::string> AssociatedTree(const std::string &folder);

#endif
