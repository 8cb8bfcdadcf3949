// The test bed itself: each run must really see the Windows family it was started for,
// or the two runs of the registry tests would prove the same thing twice.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/ScratchRegistry.h"

TEST(TestBed, RunsOnTheRequestedWindowsFamily)
{
    const char *pszVersion = getenv("SETUP_WINE_VERSION");
    if (!pszVersion)
        GTEST_SKIP() << "not started by the Wine runner";
    OSVERSIONINFOA version = {sizeof(version)};
    ASSERT_TRUE(GetVersionExA(&version));
    ScratchClassesRoot classes;
    CreateClassesKey("Parent\\Child");

    LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, "Parent");

    if (std::string(pszVersion) == "win98" || std::string(pszVersion) == "win95")
    {
        EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), version.dwPlatformId);
        EXPECT_EQ(ERROR_SUCCESS, result);   // the 95 family deletes the subtree
    }
    else
    {
        EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), version.dwPlatformId);
        EXPECT_EQ(ERROR_ACCESS_DENIED, result);
    }
}
