// The setup dialog, built from the program's own template and run through its WinMain (in this
// test program linked with the C runtime, not the start-up routine that Setup.exe has),
// driven by messages on the real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../association/Association.h"
#include "../resources/resource.h"
#include "support/AssociationTree.h"
#include "support/DialogDriver.h"
#include "support/ExpectedTexts.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedPlatform.h"

typedef std::vector<PlatformCall> Calls;

class SetupDialog : public ::testing::Test
{
protected:
    SetupDialog()
    {
        GetCurrentDirectoryA(MAX_PATH, m_szPrevious);
        CreateDirectoryA("C:\\Tools", NULL);
        CreateDirectoryA("C:\\Tools\\App", NULL);
        SetCurrentDirectoryA("C:\\Tools\\App");
    }
    ~SetupDialog() override { SetCurrentDirectoryA(m_szPrevious); }

    // Runs the utility; its exit status is 0 on every path.
    HWND Run(const std::vector<DialogStep> &steps)
    {
        DialogRun run = RunSetup(steps);
        EXPECT_EQ(0, run.result);
        return run.hDlg;
    }

    ScratchClassesRoot m_classes;
    ScriptedPlatform m_platform;
    char m_szPrevious[MAX_PATH];
};

static LRESULT ToggleState(HWND hDlg)
{
    return SendDlgItemMessageA(hDlg, IDC_ASSOCIATE, BM_GETCHECK, 0, 0);
}

static void ExpectStillOpen(HWND hDlg)
{
    EXPECT_TRUE(IsWindowVisible(hDlg));
}

TEST_F(SetupDialog, OpensCentredOnTheRealScreen)
{
    RECT rect = {};
    Run({[&](HWND hDlg) { GetWindowRect(hDlg, &rect); }, [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_GT(width, 0);
    EXPECT_LE(abs(rect.left + width / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
    EXPECT_LE(abs(rect.top + height / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
}

struct CentringCase
{
    int cxScreen, cyScreen;
    RECT window;
    int x, y;
};

class Centring : public SetupDialog, public ::testing::WithParamInterface<CentringCase>
{
};

static const CentringCase centringCases[] = {
    // Each half truncates on its own: 512 - 75, not (1024 - 151) / 2 = 436.
    {1024, 768, {3, 5, 154, 106}, 437, 334},
    {1023, 767, {0, 0, 150, 100}, 436, 333},
    {800, 600, {10, 20, 210, 170}, 300, 225},
    // Larger than the screen: the dialog starts off its top left corner.
    {640, 480, {0, 0, 701, 501}, -30, -10},
};

TEST_P(Centring, MovesTheDialogWithoutResizingIt)
{
    m_platform.SetScreen(GetParam().cxScreen, GetParam().cyScreen, GetParam().window);
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    PlatformCall expected = {"SetWindowPos", hDlg, "", "", SWP_NOSIZE, GetParam().x, GetParam().y};
    EXPECT_EQ(m_platform.CallsOf("SetWindowPos"), Calls{expected});
}

INSTANTIATE_TEST_SUITE_P(Screens, Centring, ::testing::ValuesIn(centringCases));

TEST_F(SetupDialog, ToggleStartsReleasedWithoutTheAssociation)
{
    CreateClassesKey(".mv1", "Morvane");    // the extension alone does not count
    LRESULT state = -1;
    Run({[&](HWND hDlg) { state = ToggleState(hDlg); }, [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(BST_UNCHECKED, state);
}

TEST_F(SetupDialog, ToggleStartsPressedWithTheAssociation)
{
    CreateClassesKey("Morvane");
    LRESULT state = -1;
    Run({[&](HWND hDlg) { state = ToggleState(hDlg); }, [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(BST_CHECKED, state);
}

TEST_F(SetupDialog, ToggleStartsReleasedWhenTheProgIdIsReadOnly)
{
    CreateClassesKey("Morvane\\DefaultIcon", "i");
    if (!m_classes.LockKey("Morvane", szReadOnly))
        GTEST_SKIP() << szNoKeySecurity;
    LRESULT state = -1;
    Run({[&](HWND hDlg) { state = ToggleState(hDlg); }, [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(BST_UNCHECKED, state);
}

TEST_F(SetupDialog, RegistersAfterYesAndOffersTheRestart)
{
    m_platform.AnswerBoxes({IDYES, IDNO});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); }, [](HWND hDlg) { Click(hDlg, IDC_APPLY); }});

    EXPECT_EQ(AssociatedTree("C:\\Tools\\App"), ClassesRootTree());
    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmAssociationText, MB_YESNO | MB_ICONQUESTION),
                     Box(hDlg, szRestartOfferText, MB_YESNO | MB_ICONQUESTION)}));
    EXPECT_TRUE(m_platform.CallsOf("ExitWindowsEx").empty());
    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
}

TEST_F(SetupDialog, RequestsTheRestartBeforeEnding)
{
    m_platform.AnswerBoxes({IDYES, IDYES});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); }, [](HWND hDlg) { Click(hDlg, IDC_APPLY); }});

    EXPECT_EQ(AssociatedTree("C:\\Tools\\App"), ClassesRootTree());
    std::vector<PlatformCall> calls = m_platform.Calls();
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [](const PlatformCall &call) { return call.function != "ExitWindowsEx" && call.function != "EndDialog"; }),
                calls.end());
    EXPECT_EQ(calls, (Calls{Reboot(), DialogEnded(hDlg)}));
}

// Anything but Yes to the question leaves the registry and the dialog as they were.
class DeclinedAssociation : public SetupDialog, public ::testing::WithParamInterface<int>
{
};

TEST_P(DeclinedAssociation, ChangesNothing)
{
    m_platform.AnswerBoxes({GetParam()});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); },
                     [](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) {
                         ExpectStillOpen(hDlg);
                         EXPECT_EQ(BST_CHECKED, ToggleState(hDlg));
                     },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_TRUE(ClassesRootTree().empty());
    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"), Calls{Box(hDlg, szConfirmAssociationText, MB_YESNO | MB_ICONQUESTION)});
    EXPECT_TRUE(m_platform.CallsOf("RegCreateKeyExA").empty());
}

INSTANTIATE_TEST_SUITE_P(Answers, DeclinedAssociation, ::testing::Values(IDNO, IDCANCEL, 0));

TEST_F(SetupDialog, ReportsTheExistingAssociationTwiceAndStaysOpen)
{
    CreateClassesKey("Morvane");
    m_platform.AnswerBoxes({IDYES, IDOK, IDOK});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(std::vector<std::string>{"Morvane"}, ClassesRootTree());
    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmAssociationText, MB_YESNO | MB_ICONQUESTION),
                     Box(NULL, szAlreadyAssociatedText, MB_ICONINFORMATION),
                     Box(hDlg, szRegistrationFailedText, MB_OK)}));
    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
}

TEST_F(SetupDialog, ReportsAFailedWriteAndLetsTheUserTryAgain)
{
    m_platform.FailKeyCreation(".mv1", ERROR_ACCESS_DENIED);
    m_platform.AnswerBoxes({IDYES, IDOK, IDYES, IDOK, IDOK});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); },
                     [](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     // The command key written the first time now makes the association present.
                     [](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmAssociationText, MB_YESNO | MB_ICONQUESTION),
                     Box(hDlg, szRegistrationFailedText, MB_OK),
                     Box(hDlg, szConfirmAssociationText, MB_YESNO | MB_ICONQUESTION),
                     Box(NULL, szAlreadyAssociatedText, MB_ICONINFORMATION),
                     Box(hDlg, szRegistrationFailedText, MB_OK)}));
}

TEST_F(SetupDialog, ClickingTheToggleAloneChangesNothing)
{
    LRESULT afterOne = -1, afterTwo = -1;
    HWND hDlg = Run({[&](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); afterOne = ToggleState(hDlg); },
                     [&](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); afterTwo = ToggleState(hDlg); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(BST_CHECKED, afterOne);
    EXPECT_EQ(BST_UNCHECKED, afterTwo);
    EXPECT_TRUE(ClassesRootTree().empty());
    Calls moves = m_platform.CallsOf("SetWindowPos");
    ASSERT_EQ(1u, moves.size());
    EXPECT_EQ(m_platform.Calls(), (Calls{moves[0], DialogEnded(hDlg)}));
}

struct EndingCase
{
    const char *pszName;
    UINT message;
    WPARAM wParam;
    bool ends;
};

class Ending : public SetupDialog, public ::testing::WithParamInterface<EndingCase>
{
};

static const EndingCase endingCases[] = {
    {"CancelButton", WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), true},
    {"CloseBox", WM_SYSCOMMAND, SC_CLOSE, true},
    {"EscapeKey", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), false},
    {"EnterKey", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), false},
};

TEST_P(Ending, EndsOnlyOnCancelAndClose)
{
    const EndingCase &ending = GetParam();
    std::vector<DialogStep> steps = {[&](HWND hDlg) { SendMessageA(hDlg, ending.message, ending.wParam, 0); }};
    if (!ending.ends)
        steps.push_back([](HWND hDlg) {
            ExpectStillOpen(hDlg);
            Click(hDlg, IDC_CANCEL);
        });
    HWND hDlg = Run(steps);

    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
    EXPECT_TRUE(m_platform.CallsOf("MessageBoxA").empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, Ending, ::testing::ValuesIn(endingCases),
                         [](const ::testing::TestParamInfo<EndingCase> &info) { return info.param.pszName; });

TEST_F(SetupDialog, RealEscapeKeyLeavesItOpen)
{
    HWND hDlg = Run({[](HWND hDlg) {
                         // Through the dialog manager, as a key press arrives.
                         MSG msg = {GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {0, 0}};
                         EXPECT_TRUE(IsDialogMessageA(hDlg, &msg));
                     },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
}

TEST_F(SetupDialog, RemovalWithNothingPresentIsReportedTwiceAndStaysOpen)
{
    m_platform.AnswerBoxes({IDYES, IDOK, IDOK});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmRemovalText, MB_YESNO | MB_ICONQUESTION),
                     Box(NULL, szNotPresentText, MB_ICONINFORMATION),
                     Box(hDlg, szRemovalFailedText, MB_OK)}));
    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
}

TEST_F(SetupDialog, RemovesAfterBothQuestionsThenOffersTheRestart)
{
    ASSERT_EQ(0, RegisterAssociation());
    m_platform.AnswerBoxes({IDYES, IDYES, IDOK, IDNO});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); }, [](HWND hDlg) { Click(hDlg, IDC_APPLY); }});

    EXPECT_TRUE(ClassesRootTree().empty());
    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmRemovalText, MB_YESNO | MB_ICONQUESTION),
                     Box(NULL, szSecondConfirmationText, MB_YESNO | MB_ICONINFORMATION),
                     Box(NULL, szRemovalDoneText, MB_OK),
                     Box(hDlg, szRestartOfferText, MB_YESNO | MB_ICONQUESTION)}));
    EXPECT_TRUE(m_platform.CallsOf("ExitWindowsEx").empty());
    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
}

TEST_F(SetupDialog, RemovalStoppedByAKeyNobodyMayOpenIsReportedAndStaysOpen)
{
    ASSERT_EQ(0, RegisterAssociation());
    CreateClassesKey("Morvane\\shellex\\Handler\\deep");
    if (!m_classes.LockKey("Morvane\\shellex\\Handler", szNoAccess))
        GTEST_SKIP() << szNoKeySecurity;
    m_platform.AnswerBoxes({IDYES, IDYES, IDOK});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); },
                     [](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"),
              (Calls{Box(hDlg, szConfirmRemovalText, MB_YESNO | MB_ICONQUESTION),
                     Box(NULL, szSecondConfirmationText, MB_YESNO | MB_ICONINFORMATION),
                     Box(hDlg, szRemovalFailedText, MB_OK)}));
    EXPECT_TRUE(m_platform.CallsOf("ExitWindowsEx").empty());
    EXPECT_EQ(m_platform.CallsOf("EndDialog"), Calls{DialogEnded(hDlg)});
    std::vector<std::string> tree = ClassesRootTree();
    EXPECT_EQ(tree.end(), std::find(tree.begin(), tree.end(), KeyWithText(".mv1", "Morvane")));
    EXPECT_NE(tree.end(), std::find(tree.begin(), tree.end(), "Morvane"));
}

TEST_F(SetupDialog, NoToTheRemovalQuestionChangesNothing)
{
    CreateClassesKey("Morvane\\DefaultIcon", "i");
    CreateClassesKey(".mv1", "Morvane");
    std::vector<std::string> before = ClassesRootTree();
    m_platform.AnswerBoxes({IDNO});
    HWND hDlg = Run({[](HWND hDlg) { Click(hDlg, IDC_ASSOCIATE); },
                     [](HWND hDlg) { Click(hDlg, IDC_APPLY); },
                     [](HWND hDlg) { ExpectStillOpen(hDlg); },
                     [](HWND hDlg) { Click(hDlg, IDC_CANCEL); }});

    EXPECT_EQ(before, ClassesRootTree());
    EXPECT_EQ(m_platform.CallsOf("MessageBoxA"), Calls{Box(hDlg, szConfirmRemovalText, MB_YESNO | MB_ICONQUESTION)});
}
