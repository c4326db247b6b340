#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/kit/process.h"

// Everything here is read back from the built OCRKelvane.exe.
class BuiltExecutable : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hModule = LoadLibraryExW(SiblingPath(L"OCRKelvane.exe").c_str(), NULL,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_hModule, (HMODULE)NULL);
    }
    void TearDown() override { FreeLibrary(m_hModule); }

    const BYTE* Resource(LPCWSTR pszType, LPCWSTR pszName, WORD wLanguage, DWORD* pcb = nullptr)
    {
        HRSRC hRes = FindResourceExW(m_hModule, pszType, pszName, wLanguage);
        if (!hRes)
            return nullptr;
        if (pcb)
            *pcb = SizeofResource(m_hModule, hRes);
        return static_cast<const BYTE*>(LockResource(LoadResource(m_hModule, hRes)));
    }

    // The languages a resource is stored in.
    std::set<WORD> Languages(LPCWSTR pszType, LPCWSTR pszName)
    {
        std::set<WORD> languages;
        EnumResourceLanguagesW(m_hModule, pszType, pszName, AddLanguage, (LONG_PTR)&languages);
        return languages;
    }
    static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD wLanguage, LONG_PTR lParam)
    {
        reinterpret_cast<std::set<WORD>*>(lParam)->insert(wLanguage);
        return TRUE;
    }

    HMODULE m_hModule = NULL;
};

const WORD c_langChinesePrc = 0x0804;

TEST_F(BuiltExecutable, CarriesTheTitleAndClassStringsInChinesePrc)
{
    // Strings 103 and 109 both live in string block 7 (ids 96 to 111).
    EXPECT_EQ(Languages(RT_STRING, MAKEINTRESOURCEW(7)), std::set<WORD>{ c_langChinesePrc });
    WCHAR szText[100] = {};
    EXPECT_EQ(LoadStringW(m_hModule, 103, szText, 100), 10);
    EXPECT_STREQ(szText, L"OCRKelvane");
    EXPECT_EQ(LoadStringW(m_hModule, 109, szText, 100), 10);
    EXPECT_STREQ(szText, L"OCRKelvane");
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE bWidth, bHeight, bColorCount, bReserved;
    WORD wPlanes, wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
struct IconDir {
    WORD idReserved, idType, idCount;
    IconDirEntry entries[1];
};
#pragma pack(pop)

TEST_F(BuiltExecutable, CarriesTwoIconGroupsOf16And256Colours)
{
    for (int nGroup : { 107, 108 }) {
        EXPECT_EQ(Languages(RT_GROUP_ICON, MAKEINTRESOURCEW(nGroup)), std::set<WORD>{ c_langChinesePrc });
        const auto* pDir = reinterpret_cast<const IconDir*>(
            Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(nGroup), c_langChinesePrc));
        ASSERT_NE(pDir, nullptr) << "group " << nGroup;
        ASSERT_EQ(pDir->idCount, 2) << "group " << nGroup;
        std::set<int> bits;
        for (int i = 0; i < 2; i++) {
            const IconDirEntry& entry = pDir->entries[i];
            EXPECT_EQ(entry.bWidth, 32);
            EXPECT_EQ(entry.bHeight, 32);
            bits.insert(entry.wBitCount);
            EXPECT_NE(Resource(RT_ICON, MAKEINTRESOURCEW(entry.nId), c_langChinesePrc), nullptr);
        }
        EXPECT_EQ(bits, (std::set<int>{ 4, 8 })) << "group " << nGroup;
        HICON hIcon = (HICON)LoadImageW(m_hModule, MAKEINTRESOURCEW(nGroup), IMAGE_ICON, 32, 32, 0);
        EXPECT_NE(hIcon, (HICON)NULL);
        DestroyIcon(hIcon);
    }
}

TEST_F(BuiltExecutable, MapsAltQuestionMarkAndAltSlashToCommand104)
{
    EXPECT_EQ(Languages(RT_ACCELERATOR, MAKEINTRESOURCEW(109)), std::set<WORD>{ c_langChinesePrc });
    HACCEL hAccel = LoadAcceleratorsW(m_hModule, MAKEINTRESOURCEW(109));
    ASSERT_NE(hAccel, (HACCEL)NULL);
    ACCEL accels[8];
    int nCount = CopyAcceleratorTableW(hAccel, accels, 8);
    ASSERT_EQ(nCount, 2);
    std::set<WORD> keys;
    for (int i = 0; i < nCount; i++) {
        // Character codes with Alt, not virtual keys.
        EXPECT_EQ(accels[i].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT);
        EXPECT_EQ(accels[i].cmd, 104);
        keys.insert(accels[i].key);
    }
    EXPECT_EQ(keys, (std::set<WORD>{ '?', '/' }));
    DestroyAcceleratorTable(hAccel);
}

TEST_F(BuiltExecutable, RequestsAsInvokerWithoutUiAccessOrDpiEntry)
{
    HRSRC hRes = FindResourceW(m_hModule, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(hRes, (HRSRC)NULL);
    DWORD cb = SizeofResource(m_hModule, hRes);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(m_hModule, hRes))), cb);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
    std::set<WORD> languages = Languages(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_EQ(languages.size(), 1u);
    EXPECT_EQ(languages.count(c_langChinesePrc), 0u);
}

// The PE headers and import table, read from the file itself.
class PeFile {
public:
    explicit PeFile(const std::wstring& path)
    {
        HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        if (hFile == INVALID_HANDLE_VALUE)
            return;
        m_bytes.resize(GetFileSize(hFile, NULL));
        DWORD cbRead = 0;
        ReadFile(hFile, m_bytes.data(), (DWORD)m_bytes.size(), &cbRead, NULL);
        CloseHandle(hFile);
    }
    const IMAGE_NT_HEADERS32* Headers() const
    {
        auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m_bytes.data());
        return reinterpret_cast<const IMAGE_NT_HEADERS32*>(m_bytes.data() + pDos->e_lfanew);
    }
    std::vector<std::string> ImportedDlls() const
    {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY& dir = Headers()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        auto* pImport = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(At(dir.VirtualAddress));
        for (; pImport && pImport->Name; pImport++) {
            std::string name = reinterpret_cast<const char*>(At(pImport->Name));
            for (char& c : name)
                c = (char)tolower((unsigned char)c);
            names.push_back(name);
        }
        return names;
    }
    bool Loaded() const { return m_bytes.size() > 1024; }

private:
    const BYTE* At(DWORD rva) const
    {
        const IMAGE_NT_HEADERS32* pNt = Headers();
        const IMAGE_SECTION_HEADER* pSection = IMAGE_FIRST_SECTION(pNt);
        for (int i = 0; i < pNt->FileHeader.NumberOfSections; i++, pSection++) {
            if (rva >= pSection->VirtualAddress && rva < pSection->VirtualAddress + pSection->Misc.VirtualSize)
                return m_bytes.data() + pSection->PointerToRawData + (rva - pSection->VirtualAddress);
        }
        return nullptr;
    }
    std::vector<BYTE> m_bytes;
};

TEST(BuiltExecutableFile, IsA32BitLargeAddressAwareGuiProgramImportingOnlySystemDlls)
{
    PeFile pe(SiblingPath(L"OCRKelvane.exe"));
    ASSERT_TRUE(pe.Loaded());
    const IMAGE_NT_HEADERS32* pNt = pe.Headers();
    EXPECT_EQ(pNt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(pNt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
    EXPECT_EQ(pNt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(pNt->OptionalHeader.MajorSubsystemVersion, 6);
    EXPECT_EQ(pNt->OptionalHeader.MinorSubsystemVersion, 0);

    const std::set<std::string> system = { "kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll",
                                           "msimg32.dll", "ole32.dll", "msvcrt.dll", "advapi32.dll" };
    std::vector<std::string> dlls = pe.ImportedDlls();
    EXPECT_GE(dlls.size(), 6u);
    for (const std::string& dll : dlls)
        EXPECT_TRUE(system.count(dll)) << dll << " is not a system DLL";
}
