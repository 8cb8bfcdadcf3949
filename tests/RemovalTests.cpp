// Removal of the association, on Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../association/Association.h"
#include "support/AssociationTree.h"
#include "support/ExpectedTexts.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedPlatform.h"

typedef std::vector<PlatformCall> Calls;

static const PlatformCall SecondConfirmation = Box(NULL, szSecondConfirmationText, MB_YESNO | MB_ICONINFORMATION);
static const PlatformCall RemovalDone = Box(NULL, szRemovalDoneText, MB_OK);

class Removal : public ::testing::Test
{
protected:
    // Keys whose names only begin like the association's.
    static void CreateNeighbours()
    {
        CreateClassesKey("Morvane2\\shell\\open\\command", "other");
        CreateClassesKey(".mv10", "Morvane2");
        CreateClassesKey("MorvaneViewer");
    }

    static std::vector<std::string> Neighbours()
    {
        return {KeyWithText(".mv10", "Morvane2"), "Morvane2", "Morvane2\\shell", "Morvane2\\shell\\open",
                KeyWithText("Morvane2\\shell\\open\\command", "other"), "MorvaneViewer"};
    }

    ScratchClassesRoot m_classes;
};

// What counts as no association: the extension alone, or a ProgID that may only be read.
struct AbsentCase
{
    const char *pszName;
    bool registered;            // the keys as registration leaves them, else the extension alone
    const char *pszProgIdDacl;  // given to the ProgID, when not NULL
};

class AbsentAssociation : public Removal, public ::testing::WithParamInterface<AbsentCase>
{
};

static const AbsentCase absentCases[] = {
    {"ExtensionAlone", false, NULL},
    {"ReadOnlyProgId", true, szReadOnly},
};

TEST_P(AbsentAssociation, IsReportedAndNothingChanges)
{
    if (GetParam().registered)
        CreateAssociation("C:\\Tools\\App");
    else
        CreateClassesKey(".mv1", "Morvane");
    if (GetParam().pszProgIdDacl && !m_classes.LockKey("Morvane", GetParam().pszProgIdDacl))
        GTEST_SKIP() << szNoKeySecurity;
    CreateNeighbours();
    std::vector<std::string> before = ClassesRootTree();
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDOK});

    EXPECT_EQ(1, RemoveAssociation());

    EXPECT_EQ(platform.Calls(), Calls{Box(NULL, szNotPresentText, MB_ICONINFORMATION)});
    EXPECT_EQ(before, ClassesRootTree());
}

INSTANTIATE_TEST_SUITE_P(Keys, AbsentAssociation, ::testing::ValuesIn(absentCases),
                         [](const ::testing::TestParamInfo<AbsentCase> &info) { return info.param.pszName; });

TEST_F(Removal, NoAtTheSecondQuestionDeletesNothing)
{
    CreateAssociation("C:\\Tools\\App");
    std::vector<std::string> before = ClassesRootTree();
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDNO});

    EXPECT_EQ(1, RemoveAssociation());

    EXPECT_EQ(platform.Calls(), Calls{SecondConfirmation});
    EXPECT_EQ(before, ClassesRootTree());
}

// Only an explicit No stops; a box that could not be shown (0) goes on like Yes.
class SecondAnswer : public Removal, public ::testing::WithParamInterface<int>
{
};

TEST_P(SecondAnswer, DeletesBothTreesAndLeavesTheNeighbours)
{
    CreateAssociation("C:\\Tools\\App");
    CreateNeighbours();
    ScriptedPlatform platform;
    platform.AnswerBoxes({GetParam(), IDOK});

    EXPECT_EQ(0, RemoveAssociation());

    EXPECT_EQ(Neighbours(), ClassesRootTree());
    EXPECT_EQ(platform.CallsOf("MessageBoxA"), (Calls{SecondConfirmation, RemovalDone}));
    // The ProgID's tree goes first, itself last, and the extension after it.
    std::vector<std::string> deleted;
    for (const PlatformCall &call : platform.CallsOf("RegDeleteKeyA"))
        deleted.push_back(call.text);
    ASSERT_EQ(6u, deleted.size());
    EXPECT_EQ((std::vector<std::string>{"Morvane", ".mv1"}), std::vector<std::string>(deleted.end() - 2, deleted.end()));
}

INSTANTIATE_TEST_SUITE_P(Answers, SecondAnswer, ::testing::Values(IDYES, 0));

// A name as long as a key name may be: 255 characters, here 表 (95 5C) each, 510 bytes in
// all, every second one the backslash byte.
static std::string LongestKeyName()
{
    std::string name;
    for (int i = 0; i < 255; i++)
        name += "\x95\x5c";
    return name;
}

struct TreeCase
{
    const char *pszName;
    std::vector<std::pair<std::string, const char *>> keys;   // created before removal
    int result;
    std::vector<std::string> readAndDeleteOnly;     // keys then given a DACL that lets anyone read and delete them, not write
};

class RemovedTrees : public Removal, public ::testing::WithParamInterface<TreeCase>
{
};

static const TreeCase treeCases[] = {
    {"ProgIdWithoutSubkeys", {{"Morvane", NULL}, {".mv1", "Morvane"}}, 0},
    {"ExtensionNamingAnotherType", {{"Morvane\\DefaultIcon", "x"}, {".mv1", "OtherViewer.Document"}}, 0},
    // Keys that other software added, three and more levels down, go with their trees.
    {"ForeignSubkeys",
     {{CommandKey(), "c"},
      {"Morvane\\shell\\open\\command\\ddeexec\\topic", "t"},
      {"Morvane\\shellex\\PropertySheetHandlers\\{0}\\deep", NULL},
      {".mv1\\ShellNew\\Config\\deeper\\deepest", "n"},
      {".mv1\\OpenWithProgids", NULL}},
     0},
    // The ProgID goes; the missing extension makes the whole a failure.
    {"ExtensionMissing", {{CommandKey(), "c"}, {"Morvane\\DefaultIcon", "i"}}, 1},
    // Names of 255 double-byte characters, one level and more down in either tree.
    {"ForeignKeysWithTheLongestNames",
     {{CommandKey(), "c"},
      {"Morvane\\shellex\\" + LongestKeyName() + "\\deep", NULL},
      {".mv1\\" + LongestKeyName(), "n"},
      {".mv1\\ShellNew\\" + LongestKeyName() + "\\" + LongestKeyName(), NULL}},
     0},
    // Each key is opened only to list its subkeys, which other software's keys may allow
    // where they forbid writing.
    {"KeysThatMayOnlyBeReadAndDeleted",
     {{CommandKey(), "c"},
      {"Morvane\\shellex\\Handler\\deep", "d"},
      {".mv1", "Morvane"},
      {".mv1\\ShellNew\\Config", NULL}},
     0,
     {CommandKey(), "Morvane\\shellex\\Handler\\deep", "Morvane\\shellex\\Handler", "Morvane\\shellex",
      ".mv1\\ShellNew\\Config", ".mv1\\ShellNew", ".mv1"}},
};

TEST_P(RemovedTrees, LeaveNothingOfEitherTree)
{
    for (const auto &key : GetParam().keys)
        CreateClassesKey(key.first, key.second);
    for (const std::string &key : GetParam().readAndDeleteOnly)
        if (!m_classes.LockKey(key, szReadAndDelete))
            GTEST_SKIP() << szNoKeySecurity;
    CreateNeighbours();
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDYES});
    if (GetParam().result == 0)
        platform.AnswerBoxes({IDOK});

    EXPECT_EQ(GetParam().result, RemoveAssociation());

    EXPECT_EQ(Neighbours(), ClassesRootTree());
    Calls boxes = {SecondConfirmation};
    if (GetParam().result == 0)
        boxes.push_back(RemovalDone);
    EXPECT_EQ(platform.CallsOf("MessageBoxA"), boxes);
}

INSTANTIATE_TEST_SUITE_P(Keys, RemovedTrees, ::testing::ValuesIn(treeCases),
                         [](const ::testing::TestParamInfo<TreeCase> &info) { return info.param.pszName; });

// A key that other software put deep in the ProgID and that nobody may open stops the
// ProgID's deletion there; the extension goes all the same.
TEST_F(Removal, AForeignKeyNobodyMayOpenFailsTheProgIdButNotTheExtension)
{
    CreateAssociation("C:\\Tools\\App");
    CreateClassesKey("Morvane\\shellex\\PropertySheetHandlers\\{0}\\deep", "d");
    if (!m_classes.LockKey("Morvane\\shellex\\PropertySheetHandlers\\{0}", szNoAccess))
        GTEST_SKIP() << szNoKeySecurity;
    CreateNeighbours();
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDYES});

    EXPECT_EQ(1, RemoveAssociation());

    // The keys before it in the ProgID are gone; the path down to it stays.
    std::vector<std::string> expected = Neighbours();
    expected.insert(expected.end(), {"Morvane", "Morvane\\shellex", "Morvane\\shellex\\PropertySheetHandlers",
                                     "Morvane\\shellex\\PropertySheetHandlers\\{0} (cannot be opened)"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ClassesRootTree());
    EXPECT_EQ(platform.CallsOf("MessageBoxA"), Calls{SecondConfirmation});
}

// Deletions fail here by interception: Wine grants DELETE whatever a key's DACL says.
struct FailedDeletionCase
{
    const char *pszName;
    const char *pszFailingKey;  // the name as the deletion passes it
    bool progIdStays;
    bool extensionStays;
};

class FailedDeletion : public Removal, public ::testing::WithParamInterface<FailedDeletionCase>
{
};

static const FailedDeletionCase failedDeletionCases[] = {
    {"ProgIdItself", "Morvane", true, false},
    {"DeepInTheProgId", "command", true, false},
    {"ForeignKeyInTheExtension", "Config", false, true},
    {"ExtensionItself", ".mv1", false, true},
};

TEST_P(FailedDeletion, StillAttemptsTheOtherTree)
{
    CreateAssociation("C:\\Tools\\App");
    CreateClassesKey(".mv1\\ShellNew\\Config");
    ScriptedPlatform platform;
    platform.FailKeyDeletion(GetParam().pszFailingKey, ERROR_ACCESS_DENIED);
    platform.AnswerBoxes({IDYES});

    EXPECT_EQ(1, RemoveAssociation());

    std::vector<std::string> tree = ClassesRootTree();
    auto holds = [&](const std::string &line) { return std::find(tree.begin(), tree.end(), line) != tree.end(); };
    EXPECT_EQ(GetParam().progIdStays, holds("Morvane"));
    EXPECT_EQ(GetParam().extensionStays, holds(KeyWithText(".mv1", "Morvane")));
    EXPECT_EQ(platform.CallsOf("MessageBoxA"), Calls{SecondConfirmation});
}

INSTANTIATE_TEST_SUITE_P(Keys, FailedDeletion, ::testing::ValuesIn(failedDeletionCases),
                         [](const ::testing::TestParamInfo<FailedDeletionCase> &info) { return info.param.pszName; });

TEST_F(Removal, UndoesRegistration)
{
    CreateNeighbours();
    std::vector<std::string> before = ClassesRootTree();
    {
        ScriptedPlatform platform;
        ASSERT_EQ(0, RegisterAssociation());
    }
    ScriptedPlatform platform;
    platform.AnswerBoxes({IDYES, IDOK});

    EXPECT_EQ(0, RemoveAssociation());

    EXPECT_EQ(before, ClassesRootTree());
    EXPECT_FALSE(IsAssociated());
}
