// The test bed itself: each run must really see the Windows family it was started for,
// or the two runs of the registry tests would prove the same thing twice; and where the
// tests lock keys, the platform must enforce the lock.
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
    CreateClassesKey("Locked");

    LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, "Parent");
    bool locked = classes.LockKey("Locked", szReadOnly);
    HKEY hKey;
    LONG openResult = RegOpenKeyExA(HKEY_CLASSES_ROOT, "Locked", 0, KEY_ALL_ACCESS, &hKey);
    if (openResult == ERROR_SUCCESS)
        RegCloseKey(hKey);

    if (std::string(pszVersion) == "win98" || std::string(pszVersion) == "win95")
    {
        EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS), version.dwPlatformId);
        EXPECT_EQ(ERROR_SUCCESS, result);   // the 95 family deletes the subtree
        EXPECT_FALSE(locked);               // and keeps no security on keys
        EXPECT_EQ(ERROR_SUCCESS, openResult);
    }
    else
    {
        EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), version.dwPlatformId);
        EXPECT_EQ(ERROR_ACCESS_DENIED, result);
        EXPECT_TRUE(locked);                // a DACL that only grants reading is enforced
        EXPECT_EQ(ERROR_ACCESS_DENIED, openResult);
    }
}
