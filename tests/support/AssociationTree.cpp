#include "AssociationTree.h"

#include <algorithm>

#include "ExpectedTexts.h"
#include "ScratchRegistry.h"

std::string CommandKey()
{
    return std::string("Morvane\\shell\\") + szVerbName + "\\command";
}

void CreateAssociation(const std::string &folder)
{
    CreateClassesKey(CommandKey(), (folder + "\\Morvane %1").c_str());
    CreateClassesKey(".mv1", "Morvane");
    CreateClassesKey("Morvane\\DefaultIcon", (folder + "\\Morvane.exe,1").c_str());
}

std::vector<std::string> AssociatedTree(const std::string &folder)
{
    std::vector<std::string> tree = {
        KeyWithText(".mv1", "Morvane"),
        "Morvane",
        KeyWithText("Morvane\\DefaultIcon", folder + "\\Morvane.exe,1"),
        "Morvane\\shell",
        std::string("Morvane\\shell\\") + szVerbName,
        KeyWithText(CommandKey(), folder + "\\Morvane %1"),
    };
    std::sort(tree.begin(), tree.end());
    return tree;
}
