// The association keys, the presence test and registration, on Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "../association/Association.h"
#include "support/AssociationTree.h"
#include "support/ExpectedTexts.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedPlatform.h"

// Makes every folder of the path and enters it, for the life of the object.
class WorkingFolder
{
public:
    explicit WorkingFolder(const std::string &path)
    {
        GetCurrentDirectoryA(MAX_PATH, m_szPrevious);
        for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
            CreateDirectoryA(path.substr(0, slash).c_str(), NULL);
        CreateDirectoryA(path.c_str(), NULL);
        EXPECT_TRUE(SetCurrentDirectoryA(path.c_str())) << path;
    }
    ~WorkingFolder() { SetCurrentDirectoryA(m_szPrevious); }

private:
    char m_szPrevious[MAX_PATH];
};

class Registration : public ::testing::Test
{
protected:
    ScratchClassesRoot m_classes;
};

struct FolderCase
{
    const char *pszName;
    const char *pszFolder;      // entered before registering
    const char *pszDirectory;   // as the values must hold it
};

class RegistrationFromFolder : public Registration, public ::testing::WithParamInterface<FolderCase>
{
};

static const FolderCase folderCases[] = {
    {"ToolsApp", "C:\\Tools\\App", "C:\\Tools\\App"},
    // The platform keeps the root's backslash, so the values get two in a row.
    {"DriveRoot", "C:\\", "C:\\"},
    {"Spaces", "C:\\Program Files\\Tools App", "C:\\Program Files\\Tools App"},
    // "表示\ソフト": both 表 (95 5C) and ソ (83 5C) end in the backslash byte.
    {"ShiftJisTrailBackslash", "C:\\\x95\x5c\x8e\xa6\\\x83\x5c\x83t\x83g", "C:\\\x95\x5c\x8e\xa6\\\x83\x5c\x83t\x83g"},
};

TEST_P(RegistrationFromFolder, WritesTheLayoutWithTheCurrentDirectory)
{
    WorkingFolder folder(GetParam().pszFolder);
    ScriptedPlatform platform;

    EXPECT_EQ(0, RegisterAssociation());

    EXPECT_EQ(AssociatedTree(GetParam().pszDirectory), ClassesRootTree());
    EXPECT_EQ(platform.Calls(), (std::vector<PlatformCall>{KeyCreated(CommandKey()), KeyCreated(".mv1"),
                                                           KeyCreated("Morvane\\DefaultIcon")}));
}

INSTANTIATE_TEST_SUITE_P(Folders, RegistrationFromFolder, ::testing::ValuesIn(folderCases),
                         [](const ::testing::TestParamInfo<FolderCase> &info) { return info.param.pszName; });

struct PresenceCase
{
    const char *pszName;
    std::vector<const char *> keys;
    bool present;
};

class Presence : public Registration, public ::testing::WithParamInterface<PresenceCase>
{
};

static const PresenceCase presenceCases[] = {
    {"Nothing", {}, false},
    {"ExtensionWithoutProgId", {".mv1"}, false},
    {"ProgIdWithoutSubkeys", {"Morvane"}, true},
    {"ProgIdInOtherCase", {"MORVANE"}, true},
    {"OnlyTheIconKey", {"Morvane\\DefaultIcon"}, true},
    {"NeighbourSharingThePrefix", {"Morvane2", ".mv10"}, false},
};

TEST_P(Presence, FollowsTheProgIdKeyAlone)
{
    for (const char *pszKey : GetParam().keys)
        CreateClassesKey(pszKey);
    std::vector<std::string> before = ClassesRootTree();

    EXPECT_EQ(GetParam().present, IsAssociated());
    EXPECT_EQ(before, ClassesRootTree());
}

INSTANTIATE_TEST_SUITE_P(Keys, Presence, ::testing::ValuesIn(presenceCases),
                         [](const ::testing::TestParamInfo<PresenceCase> &info) { return info.param.pszName; });

// A ProgID key that the platform will not open with full access is no association.
class LockedProgId : public Registration, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(LockedProgId, CountsAsAbsent)
{
    CreateClassesKey("Morvane\\DefaultIcon", "C:\\Tools\\App\\Morvane.exe,1");
    if (!m_classes.LockKey("Morvane", GetParam()))
        GTEST_SKIP() << szNoKeySecurity;
    std::vector<std::string> before = ClassesRootTree();

    EXPECT_FALSE(IsAssociated());
    EXPECT_EQ(before, ClassesRootTree());
}

INSTANTIATE_TEST_SUITE_P(Dacls, LockedProgId, ::testing::Values(szReadOnly, szNoAccess),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return info.param == szReadOnly ? "ReadOnly" : "NoAccess";
                         });

TEST_F(Registration, RefusesWhenTheProgIdKeyExists)
{
    CreateClassesKey("Morvane");
    CreateClassesKey(".mv1", "Other");
    std::vector<std::string> before = ClassesRootTree();
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDOK});

    EXPECT_EQ(1, RegisterAssociation());

    EXPECT_EQ(platform.Calls(), (std::vector<PlatformCall>{Box(NULL, szAlreadyAssociatedText, MB_ICONINFORMATION)}));
    EXPECT_EQ(before, ClassesRootTree());
}

TEST_F(Registration, TakesOverAnExtensionThatNamesAnotherType)
{
    CreateClassesKey(".mv1", "OtherViewer.Document");
    WorkingFolder folder("C:\\Tools\\App");
    ScriptedPlatform platform;

    EXPECT_EQ(0, RegisterAssociation());

    EXPECT_EQ(AssociatedTree("C:\\Tools\\App"), ClassesRootTree());
}

TEST_F(Registration, StopsAtAnExtensionKeyItMayOnlyRead)
{
    CreateClassesKey(".mv1", "OtherViewer.Document");
    if (!m_classes.LockKey(".mv1", szReadOnly))
        GTEST_SKIP() << szNoKeySecurity;
    WorkingFolder folder("C:\\Tools\\App");
    ScriptedPlatform platform;

    EXPECT_EQ(1, RegisterAssociation());

    std::vector<std::string> expected = {KeyWithText(".mv1", "OtherViewer.Document"), "Morvane", "Morvane\\shell",
                                         std::string("Morvane\\shell\\") + szVerbName,
                                         KeyWithText(CommandKey(), "C:\\Tools\\App\\Morvane %1")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ClassesRootTree());
    EXPECT_EQ(platform.Calls(), (std::vector<PlatformCall>{KeyCreated(CommandKey()), KeyCreated(".mv1")}));
}

// A read-only ProgID counts as absent, so registration goes ahead, and fails where the
// existing command key may only be read too.
TEST_F(Registration, StopsAtACommandKeyItMayOnlyRead)
{
    CreateClassesKey(CommandKey(), "D:\\Old\\Morvane %1");
    if (!m_classes.LockKey(CommandKey(), szReadOnly))
        GTEST_SKIP() << szNoKeySecurity;
    if (!m_classes.LockKey("Morvane", szReadOnly))
        GTEST_SKIP() << szNoKeySecurity;
    std::vector<std::string> before = ClassesRootTree();
    ScriptedPlatform platform;

    EXPECT_EQ(1, RegisterAssociation());

    EXPECT_EQ(before, ClassesRootTree());
    EXPECT_EQ(platform.Calls(), (std::vector<PlatformCall>{KeyCreated(CommandKey())}));
}

// Keys that do not exist yet fail here by interception: Wine creates a missing subkey even
// where the parent's DACL forbids it, which Windows refuses.
struct FailedCreateCase
{
    const char *pszName;
    std::string failingKey;
    std::vector<std::string> remaining;     // what the earlier creates left
};

class FailedCreate : public Registration, public ::testing::WithParamInterface<FailedCreateCase>
{
};

static const FailedCreateCase failedCreateCases[] = {
    {"CommandKey", CommandKey(), {}},
    {"ExtensionKey", ".mv1",
     {"Morvane", "Morvane\\shell", std::string("Morvane\\shell\\") + szVerbName,
      KeyWithText(CommandKey(), "C:\\Tools\\App\\Morvane %1")}},
    {"IconKey", "Morvane\\DefaultIcon",
     {KeyWithText(".mv1", "Morvane"), "Morvane", "Morvane\\shell", std::string("Morvane\\shell\\") + szVerbName,
      KeyWithText(CommandKey(), "C:\\Tools\\App\\Morvane %1")}},
};

TEST_P(FailedCreate, StopsThereAndKeepsWhatWasWritten)
{
    WorkingFolder folder("C:\\Tools\\App");
    ScriptedPlatform platform;
    platform.FailKeyCreation(GetParam().failingKey, ERROR_ACCESS_DENIED);

    EXPECT_EQ(1, RegisterAssociation());

    std::vector<std::string> remaining = GetParam().remaining;
    std::sort(remaining.begin(), remaining.end());
    EXPECT_EQ(remaining, ClassesRootTree());
    ASSERT_FALSE(platform.Calls().empty());
    EXPECT_EQ(GetParam().failingKey, platform.Calls().back().text);
    EXPECT_TRUE(platform.CallsOf("MessageBoxA").empty());
}

INSTANTIATE_TEST_SUITE_P(Keys, FailedCreate, ::testing::ValuesIn(failedCreateCases),
                         [](const ::testing::TestParamInfo<FailedCreateCase> &info) { return info.param.pszName; });

// A directory of exactly `length` bytes.
static std::string DirectoryOfLength(size_t length)
{
    return "C:\\" + std::string(length - 3, 'd');
}

struct LengthCase
{
    const char *pszName;
    std::optional<std::string> commandDirectory;    // what the first look at the directory sees
    std::optional<std::string> iconDirectory;       // and the second
    bool registered;
};

class DirectoryLength : public Registration, public ::testing::WithParamInterface<LengthCase>
{
};

static const LengthCase lengthCases[] = {
    // directory + "\Morvane %1" + NUL is 260 bytes at 248.
    {"Command248Fits", DirectoryOfLength(248), "C:\\Short", true},
    {"Command249TooLong", DirectoryOfLength(249), "C:\\Short", false},
    // directory + "\Morvane.exe,1" + NUL is 260 bytes at 245.
    {"Icon245Fits", "C:\\Short", DirectoryOfLength(245), true},
    {"Icon246TooLong", "C:\\Short", DirectoryOfLength(246), false},
    // The directory alone fills the buffer, or would need a larger one.
    {"DirectoryFillsTheBuffer", DirectoryOfLength(259), DirectoryOfLength(259), false},
    {"DirectoryLargerThanTheBuffer", DirectoryOfLength(300), DirectoryOfLength(300), false},
    {"FirstLookFails", std::nullopt, "C:\\Short", false},
    {"SecondLookFails", "C:\\Short", std::nullopt, false},
};

TEST_P(DirectoryLength, RegistersOnlyWhatFitsAndOtherwiseWritesNothing)
{
    ScriptedPlatform platform;
    platform.SetCurrentDirectories({GetParam().commandDirectory, GetParam().iconDirectory});

    EXPECT_EQ(GetParam().registered ? 0 : 1, RegisterAssociation());

    if (GetParam().registered)
    {
        std::vector<std::string> tree = ClassesRootTree();
        EXPECT_NE(tree.end(), std::find(tree.begin(), tree.end(),
                                        KeyWithText(CommandKey(), *GetParam().commandDirectory + "\\Morvane %1")));
        EXPECT_NE(tree.end(), std::find(tree.begin(), tree.end(),
                                        KeyWithText("Morvane\\DefaultIcon", *GetParam().iconDirectory + "\\Morvane.exe,1")));
    }
    else
    {
        EXPECT_TRUE(ClassesRootTree().empty());
        EXPECT_TRUE(platform.CallsOf("RegCreateKeyExA").empty());
    }
    EXPECT_TRUE(platform.CallsOf("MessageBoxA").empty());
}

INSTANTIATE_TEST_SUITE_P(Directories, DirectoryLength, ::testing::ValuesIn(lengthCases),
                         [](const ::testing::TestParamInfo<LengthCase> &info) { return info.param.pszName; });
