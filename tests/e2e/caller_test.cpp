// The example caller, run end to end against the picker.
#include "tests/e2e/driver.h"

#include <fstream>
#include <iterator>

using CallerExample = PickerTest;

static std::wstring TempPngPath()
{
    WCHAR szDir[MAX_PATH];
    GetTempPathW(MAX_PATH, szDir);
    return std::wstring(szDir) + L"kelvane-caller-" + std::to_wstring(GetCurrentProcessId()) + L".png";
}

static std::vector<BYTE> ReadWholeFile(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST_F(CallerExample, SavesTheSelectionAsPng)
{
    std::wstring path = TempPngPath();
    DeleteFileW(path.c_str());
    ASSERT_TRUE(picker.StartThrough(SiblingPath(L"caller.exe"), L"\"" + path + L"\""));
    Drag(150, 140, 330, 260);
    ASSERT_TRUE(OverlayShows({ 150, 140, 330, 260 }));
    KeyPress(VK_RETURN);

    ProcessResult result = picker.Finish();
    EXPECT_TRUE(result.bExited);
    EXPECT_EQ(0u, result.dwExitCode);
    Image saved;
    ASSERT_TRUE(DecodePng(ReadWholeFile(path), &saved));
    DeleteFileW(path.c_str());
    ASSERT_EQ(180, saved.width);
    ASSERT_EQ(120, saved.height);
    EXPECT_EQ(-1, FirstMismatch(saved, MonitorPattern(), 150, 140));
}

TEST_F(CallerExample, ReportsNothingSelectedWhenEscEndsThePicker)
{
    std::wstring path = TempPngPath();
    DeleteFileW(path.c_str());
    ASSERT_TRUE(picker.StartThrough(SiblingPath(L"caller.exe"), L"\"" + path + L"\""));
    KeyPress(VK_ESCAPE);

    ProcessResult result = picker.Finish();
    EXPECT_TRUE(result.bExited);
    EXPECT_EQ(1u, result.dwExitCode);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}
