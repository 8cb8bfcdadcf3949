#include "ScratchRegistry.h"
#include "KeyDacl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>

static const char szScratchParent[] = "Software\\MorvaneSetupTests";

ScratchClassesRoot::ScratchClassesRoot() : m_hKey(NULL)
{
    static int s_count;
    char szName[64];
    snprintf(szName, sizeof(szName), "\\%lu-%d", GetCurrentProcessId(), ++s_count);
    m_path = std::string(szScratchParent) + szName;

    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());   // left by an earlier process with the same id
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, NULL, &m_hKey, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, m_hKey));
}

bool ScratchClassesRoot::LockKey(const std::string &path, const char *pszSddl)
{
    LONG result = SetKeyDacl(HKEY_CLASSES_ROOT, path.c_str(), pszSddl);
    if (result == ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    EXPECT_EQ(ERROR_SUCCESS, result) << path;
    m_locked.push_back(path);
    return true;
}

ScratchClassesRoot::~ScratchClassesRoot()
{
    // A key that denies enumeration would keep its tree from being deleted.
    for (const std::string &path : m_locked)
        SetKeyDacl(HKEY_CLASSES_ROOT, path.c_str(), "D:(A;;KA;;;WD)");   // fails where the test deleted the key
    RegOverridePredefKey(HKEY_CLASSES_ROOT, NULL);
    RegCloseKey(m_hKey);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
}

// ` = REG_SZ "bytes"` (`type N` for another type): every byte stored, each NUL as \0.
static std::string DescribeValue(DWORD type, const std::string &data)
{
    std::ostringstream out;
    out << " = ";
    if (type == REG_SZ)
        out << "REG_SZ";
    else
        out << "type " << type;
    out << " \"";
    for (char c : data)
    {
        if (c == '\0')
            out << "\\0";
        else
            out << c;
    }
    out << '"';
    return out.str();
}

static std::string DescribeDefaultValue(HKEY hKey)
{
    DWORD type, size = 0;
    if (RegQueryValueExA(hKey, NULL, NULL, &type, NULL, &size) != ERROR_SUCCESS)
        return "";
    std::string data(size, '\0');
    RegQueryValueExA(hKey, NULL, NULL, &type, reinterpret_cast<BYTE *>(&data[0]), &size);
    data.resize(size);
    return DescribeValue(type, data);
}

static void CollectTree(HKEY hKey, const std::string &prefix, std::vector<std::string> &lines)
{
    char szName[512];   // 255 characters of up to two bytes each
    for (DWORD index = 0;; index++)
    {
        DWORD cchName = sizeof(szName);
        LONG result = RegEnumKeyExA(hKey, index, szName, &cchName, NULL, NULL, NULL, NULL);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS)
        {
            ADD_FAILURE() << "subkey " << index << " of \"" << prefix << "\" cannot be listed: error " << result;
            break;
        }
        HKEY hSubKey;
        std::string path = prefix + szName;
        if (RegOpenKeyExA(hKey, szName, 0, KEY_READ, &hSubKey) != ERROR_SUCCESS)
        {
            lines.push_back(path + " (cannot be opened)");
            continue;
        }
        lines.push_back(path + DescribeDefaultValue(hSubKey));
        CollectTree(hSubKey, path + "\\", lines);
        RegCloseKey(hSubKey);
    }
}

std::vector<std::string> ClassesRootTree()
{
    std::vector<std::string> lines;
    CollectTree(HKEY_CLASSES_ROOT, "", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string KeyWithText(const std::string &path, const std::string &text)
{
    return path + DescribeValue(REG_SZ, text + '\0');
}

void CreateClassesKey(const std::string &path, const char *pszValue)
{
    // The wide call: Wine's ANSI calls refuse a path of more than MAX_PATH characters
    // (ERROR_MORE_DATA), and a key name alone may have 255. Nor RegCreateKeyExA, which a
    // scripted platform records as the utility's own.
    wchar_t szPath[1024];
    ASSERT_NE(0, MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, path.c_str(), -1, szPath, std::size(szPath))) << path;
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CLASSES_ROOT, szPath, &hKey)) << path;
    if (pszValue)
        RegSetValueExA(hKey, NULL, 0, REG_SZ, reinterpret_cast<const BYTE *>(pszValue), lstrlenA(pszValue) + 1);
    RegCloseKey(hKey);
}
