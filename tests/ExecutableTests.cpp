// The built Setup.exe, read from its file: what the loader and the resource functions see.
// Usage: executable_tests SETUP-EXE ICON-PICTURE
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

static std::string s_exePath;
static std::string s_picturePath;

static std::vector<BYTE> ReadFileBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Sixteen bytes a line, so that a failure shows where two layouts part.
static std::string HexLines(const std::vector<BYTE> &bytes)
{
    std::string text;
    char szByte[4];
    for (size_t i = 0; i < bytes.size(); i++)
    {
        wsprintfA(szByte, "%02x", bytes[i]);
        text += szByte;
        text += (i % 16 == 15 || i + 1 == bytes.size()) ? "\n" : " ";
    }
    return text;
}

class Executable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_file = ReadFileBytes(s_exePath);
        ASSERT_GT(m_file.size(), 0x200u) << s_exePath;
        const IMAGE_DOS_HEADER *dos = At<IMAGE_DOS_HEADER>(0);
        ASSERT_TRUE(dos != NULL);
        m_ntOffset = dos->e_lfanew;
        m_nt = At<IMAGE_NT_HEADERS32>(m_ntOffset);
        ASSERT_TRUE(m_nt != NULL);
        ASSERT_TRUE(m_nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC || At<IMAGE_NT_HEADERS64>(m_ntOffset));
        m_hModule = LoadLibraryExA(s_exePath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_TRUE(m_hModule != NULL);
    }
    void TearDown() override
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
    }

    // The T at a file offset; NULL, and a failure, where the file ends before it does.
    template <typename T>
    const T *At(size_t offset) const
    {
        if (offset > m_file.size() || m_file.size() - offset < sizeof(T))
        {
            ADD_FAILURE() << "the file ends before the " << sizeof(T) << " bytes at offset " << offset;
            return NULL;
        }
        return reinterpret_cast<const T *>(&m_file[offset]);
    }

    // The NUL-terminated name at a file offset; empty, and a failure, where the file ends first.
    std::string NameAt(size_t offset) const
    {
        for (size_t end = offset; end < m_file.size(); end++)
            if (m_file[end] == 0)
                return std::string(m_file.begin() + offset, m_file.begin() + end);
        ADD_FAILURE() << "no name ends in the file after offset " << offset;
        return std::string();
    }

    std::vector<IMAGE_SECTION_HEADER> Sections() const
    {
        std::vector<IMAGE_SECTION_HEADER> sections;
        size_t at = m_ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + m_nt->FileHeader.SizeOfOptionalHeader;
        for (int i = 0; i < m_nt->FileHeader.NumberOfSections; i++, at += sizeof(IMAGE_SECTION_HEADER))
        {
            const IMAGE_SECTION_HEADER *section = At<IMAGE_SECTION_HEADER>(at);
            if (!section)
                break;
            sections.push_back(*section);
        }
        return sections;
    }

    // The file offset of a relative virtual address; past the file's end, and a failure,
    // where no section holds it.
    size_t Offset(DWORD rva) const
    {
        for (const IMAGE_SECTION_HEADER &section : Sections())
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize)
                return rva - section.VirtualAddress + section.PointerToRawData;
        ADD_FAILURE() << "no section holds " << rva;
        return m_file.size();
    }

    // The optional header's directories sit further on in a 64-bit file.
    IMAGE_DATA_DIRECTORY Directory(int index) const
    {
        if (m_nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            return reinterpret_cast<const IMAGE_NT_HEADERS64 *>(m_nt)->OptionalHeader.DataDirectory[index];
        return m_nt->OptionalHeader.DataDirectory[index];
    }

    // Each imported DLL, upper case, with the names of the functions taken from it; a function
    // imported by ordinal shows as "#ordinal".
    std::map<std::string, std::set<std::string>> Imports() const
    {
        bool is64 = m_nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
        std::map<std::string, std::set<std::string>> imports;
        for (size_t at = Offset(Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR))
        {
            const IMAGE_IMPORT_DESCRIPTOR *dll = At<IMAGE_IMPORT_DESCRIPTOR>(at);
            if (!dll || dll->Name == 0)
                break;
            std::string name = NameAt(Offset(dll->Name));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
            std::set<std::string> &functions = imports[name];
            DWORD thunks = dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk;
            for (size_t thunkAt = Offset(thunks);; thunkAt += is64 ? 8 : 4)
            {
                const void *slot = is64 ? static_cast<const void *>(At<ULONGLONG>(thunkAt)) : At<DWORD>(thunkAt);
                if (!slot)
                    break;
                ULONGLONG thunk = is64 ? *static_cast<const ULONGLONG *>(slot) : *static_cast<const DWORD *>(slot);
                if (thunk == 0)
                    break;
                if (thunk & (is64 ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32))
                    functions.insert("#" + std::to_string(thunk & 0xFFFF));
                else
                    functions.insert(NameAt(Offset(static_cast<DWORD>(thunk)) + offsetof(IMAGE_IMPORT_BY_NAME, Name)));
            }
        }
        return imports;
    }

    std::vector<BYTE> Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC hResource = FindResourceExA(m_hModule, type, name, MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        if (!hResource)
            return {};
        const BYTE *data = static_cast<const BYTE *>(LockResource(LoadResource(m_hModule, hResource)));
        return std::vector<BYTE>(data, data + SizeofResource(m_hModule, hResource));
    }

    std::vector<BYTE> m_file;
    size_t m_ntOffset = 0;
    const IMAGE_NT_HEADERS32 *m_nt = NULL;
    HMODULE m_hModule = NULL;
};

TEST_F(Executable, IsA32BitWindows40GuiProgramOfAtMost20KiB)
{
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, m_nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, m_nt->OptionalHeader.Magic);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, m_nt->OptionalHeader.Subsystem);
    EXPECT_EQ(4, m_nt->OptionalHeader.MajorSubsystemVersion);
    EXPECT_EQ(0, m_nt->OptionalHeader.MinorSubsystemVersion);
    // The smallest file alignment the format allows, and the page: Windows 95's loader takes
    // nothing packed tighter.
    EXPECT_EQ(512u, m_nt->OptionalHeader.FileAlignment);
    EXPECT_EQ(4096u, m_nt->OptionalHeader.SectionAlignment);
    // Loaded at its own base, so it carries no relocations; the 95 family loads such a file
    // only at the base that programs have there.
    EXPECT_EQ(0x400000u, m_nt->OptionalHeader.ImageBase);
    EXPECT_TRUE(m_nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_EQ(0u, Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size);
    EXPECT_LE(m_file.size(), 20u * 1024);
}

// Each section's name and how the loader maps it: code that runs and is never written, and
// an import table that the loader may write, since it fills in the addresses in place.
// Resources are only ever read: linkers differ on whether they may be written (binutils
// 2.40 says yes, 2.44 no), and either is sound.
TEST_F(Executable, SectionsAreMappedAsTheLoaderExpects)
{
    const DWORD known = IMAGE_SCN_CNT_CODE | IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_EXECUTE |
                        IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
    std::vector<std::string> sections;
    for (const IMAGE_SECTION_HEADER &section : Sections())
    {
        std::string line(reinterpret_cast<const char *>(section.Name), strnlen(reinterpret_cast<const char *>(section.Name), 8));
        DWORD flags = section.Characteristics;
        if (line == ".rsrc")
            flags &= ~IMAGE_SCN_MEM_WRITE;
        line += flags & IMAGE_SCN_CNT_CODE ? " code" : "";
        line += flags & IMAGE_SCN_CNT_INITIALIZED_DATA ? " data" : "";
        line += flags & IMAGE_SCN_MEM_EXECUTE ? " execute" : "";
        line += flags & IMAGE_SCN_MEM_READ ? " read" : "";
        line += flags & IMAGE_SCN_MEM_WRITE ? " write" : "";
        if (flags & ~known)
        {
            char szOther[16];
            wsprintfA(szOther, " +%08lx", flags & ~known);
            line += szOther;
        }
        sections.push_back(line);
    }
    EXPECT_EQ((std::vector<std::string>{".text code execute read", ".data data read write", ".rdata data read",
                                        ".idata data read write", ".rsrc data read"}),
              sections);
}

// The header's checksum is the file's own, as the linker computes it: the import table's
// flags are set after the link.
TEST_F(Executable, ChecksumMatchesTheFile)
{
    const size_t field = reinterpret_cast<const BYTE *>(&m_nt->OptionalHeader.CheckSum) - m_file.data();
    DWORD sum = 0;
    for (size_t offset = 0; offset < m_file.size(); offset += 2)
    {
        if (offset >= field && offset < field + 4)
            continue;
        sum += m_file[offset] | (offset + 1 < m_file.size() ? m_file[offset + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16) + static_cast<DWORD>(m_file.size());
    EXPECT_EQ(sum, m_nt->OptionalHeader.CheckSum);
}

// The imports found among the exports of both Windows 95's first release and Windows NT 4.0:
// check a new import against both before adding it here.
static const std::map<std::string, std::set<std::string>> s_importsCheckedAgainstWindows95AndNT40 = {
    {"ADVAPI32.DLL", {"AdjustTokenPrivileges", "LookupPrivilegeValueA", "OpenProcessToken",
                      "RegCloseKey", "RegCreateKeyExA", "RegDeleteKeyA", "RegEnumKeyExA", "RegOpenKeyExA",
                      "RegSetValueExA"}},
    {"KERNEL32.DLL", {"CloseHandle", "ExitProcess", "GetCurrentDirectoryA", "GetCurrentProcess",
                      "GetModuleHandleA", "lstrcpyA", "lstrlenA"}},
    {"USER32.DLL", {"DialogBoxParamA", "EndDialog", "ExitWindowsEx", "GetSystemMetrics", "GetWindowRect",
                    "MessageBoxA", "SendDlgItemMessageA", "SetWindowPos"}},
};

// Windows 95 as installed has no C runtime DLL: only the system's own three are imported.
TEST_F(Executable, ImportsOnlyFunctionsCheckedAgainstWindows95AndNT40)
{
    std::map<std::string, std::set<std::string>> imports = Imports();
    std::set<std::string> dlls;
    for (const auto &dll : imports)
        dlls.insert(dll.first);
    EXPECT_EQ((std::set<std::string>{"ADVAPI32.DLL", "KERNEL32.DLL", "USER32.DLL"}), dlls);

    for (const auto &dll : imports)
    {
        auto known = s_importsCheckedAgainstWindows95AndNT40.find(dll.first);
        for (const std::string &function : dll.second)
            EXPECT_TRUE(known != s_importsCheckedAgainstWindows95AndNT40.end() && known->second.count(function))
                << dll.first << " " << function << " is not known to exist on Windows 95 and NT 4.0";
    }
}

static BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD> *>(param)->push_back(language);
    return TRUE;
}

static std::string ResourceId(LPCSTR id)
{
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(id)) : std::string(id);
}

static BOOL CALLBACK CollectName(HMODULE hModule, LPCSTR type, LPSTR name, LONG_PTR param)
{
    std::vector<WORD> languages;
    EnumResourceLanguagesA(hModule, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    for (WORD language : languages)
    {
        char szLanguage[16];
        wsprintfA(szLanguage, "%04x", language);
        reinterpret_cast<std::vector<std::string> *>(param)->push_back(ResourceId(type) + " " + ResourceId(name) + " " + szLanguage);
    }
    return TRUE;
}

static BOOL CALLBACK CollectType(HMODULE hModule, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(hModule, type, CollectName, param);
    return TRUE;
}

TEST_F(Executable, CarriesExactlyTheDialogAndTheIconInJapanese)
{
    std::vector<std::string> resources;
    EnumResourceTypesA(m_hModule, CollectType, reinterpret_cast<LONG_PTR>(&resources));
    std::sort(resources.begin(), resources.end());

    // RT_ICON is 3, RT_DIALOG 5, RT_GROUP_ICON 14.
    EXPECT_EQ((std::vector<std::string>{"#14 #102 0411", "#3 #1 0411", "#5 DIALOG 0411"}), resources);
}

// Little-endian template bytes, built field by field.
class Template
{
public:
    Template &Word(WORD value) { m_bytes.push_back(LOBYTE(value)); m_bytes.push_back(HIBYTE(value)); return *this; }
    Template &Dword(DWORD value) { return Word(LOWORD(value)).Word(HIWORD(value)); }
    Template &Text(const char16_t *text)
    {
        do Word(*text); while (*text++);
        return *this;
    }
    Template &AlignToDword()
    {
        while (m_bytes.size() % 4)
            m_bytes.push_back(0);
        return *this;
    }
    Template &Button(DWORD style, short x, short y, short cx, short cy, WORD id, const char16_t *text)
    {
        return AlignToDword().Dword(style).Dword(0).Word(x).Word(y).Word(cx).Word(cy).Word(id)
            .Word(0xFFFF).Word(0x0080).Text(text).Word(0);
    }
    std::vector<BYTE> m_bytes;
};

TEST_F(Executable, DialogTemplateIsTheClassicFormByteForByte)
{
    Template expected;
    expected.Dword(0x80C800C0).Dword(0).Word(3).Word(0).Word(0).Word(99).Word(65)
        .Word(0).Word(0).Text(u"ファイルの関連付け")
        .Word(9).Text(u"ＭＳ Ｐゴシック")
        .Button(0x50010000, 7, 45, 37, 14, 1002, u"適用")
        .Button(0x50010000, 55, 45, 37, 14, 1003, u"キャンセル")
        .Button(0x50011003, 6, 6, 86, 23, 1004, u"ファイル(*.mv1)を関連付ける");

    EXPECT_EQ(HexLines(expected.m_bytes), HexLines(Resource(RT_DIALOG, "DIALOG")));
}

TEST_F(Executable, IconGroupHoldsOne32By32SixteenColourImage)
{
    std::vector<BYTE> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(102));
    Template expected;
    expected.Word(0).Word(1).Word(1);
    expected.m_bytes.insert(expected.m_bytes.end(), {32, 32, 16, 0});
    expected.Word(1).Word(4).Dword(744).Word(1);
    EXPECT_EQ(HexLines(expected.m_bytes), HexLines(group));

    std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEA(1));
    ASSERT_EQ(744u, image.size());
    const BITMAPINFOHEADER *header = reinterpret_cast<const BITMAPINFOHEADER *>(&image[0]);
    EXPECT_EQ(40u, header->biSize);
    EXPECT_EQ(32, header->biWidth);
    EXPECT_EQ(64, header->biHeight);    // colour bits and mask
    EXPECT_EQ(1, header->biPlanes);
    EXPECT_EQ(4, header->biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
}

// What the icon shows at (x, y), top row 0: '.' transparent, or the colour as "rrggbb".
static std::string Pixel(const std::vector<BYTE> &image, int x, int y)
{
    const RGBQUAD *palette = reinterpret_cast<const RGBQUAD *>(&image[40]);
    const BYTE *colours = &image[40 + 16 * 4];
    const BYTE *mask = colours + 32 * 16;
    int row = 31 - y;
    if (mask[row * 4 + x / 8] & (0x80 >> (x % 8)))
        return ".";
    BYTE index = colours[row * 16 + x / 2];
    RGBQUAD colour = palette[x % 2 ? index & 0x0F : index >> 4];
    char szColour[8];
    wsprintfA(szColour, "%02x%02x%02x", colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
    return szColour;
}

TEST_F(Executable, IconIsABlueFrameWithBlackLettersOnTransparency)
{
    std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEA(1));
    ASSERT_EQ(744u, image.size());
    int blackPixels = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
        {
            bool inside = x > 2 && x < 29 && y > 1 && y < 30;
            bool onFrame = (x >= 2 && x <= 29 && (y == 1 || y == 30)) || (y >= 1 && y <= 30 && (x == 2 || x == 29));
            std::string pixel = Pixel(image, x, y);
            if (onFrame)
                EXPECT_EQ("0000ff", pixel) << x << "," << y;
            else if (!inside)
                EXPECT_EQ(".", pixel) << x << "," << y;
            else if (pixel != ".")
                EXPECT_EQ("000000", pixel) << x << "," << y;
            blackPixels += pixel == "000000";
        }
    EXPECT_GT(blackPixels, 0);
}

TEST_F(Executable, IconShowsItsPicture)
{
    std::vector<BYTE> image = Resource(RT_ICON, MAKEINTRESOURCEA(1));
    ASSERT_EQ(744u, image.size());
    std::ifstream picture(s_picturePath);
    std::string line;
    int y = 0;
    while (std::getline(picture, line))
    {
        if (line.empty() || line[0] == '#')
            continue;
        ASSERT_LT(y, 32);
        ASSERT_EQ(32u, line.size());
        for (int x = 0; x < 32; x++)
        {
            const char *expected = line[x] == 'B' ? "0000ff" : line[x] == 'K' ? "000000" : ".";
            EXPECT_EQ(expected, Pixel(image, x, y)) << x << "," << y;
        }
        y++;
    }
    EXPECT_EQ(32, y);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3)
    {
        fprintf(stderr, "usage: executable_tests SETUP-EXE ICON-PICTURE\n");
        return 2;
    }
    s_exePath = argv[1];
    s_picturePath = argv[2];
    return RUN_ALL_TESTS();
}
