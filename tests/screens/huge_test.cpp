// The whole picker on a 7680 x 4320 monitor (run on a display of that size of
// its own): it starts, a selection of the whole monitor exports the picture
// the screen showed, pixel for pixel, and the 32-bit process has the address
// space for it because it is linked large-address-aware.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "tests/hardening/picker_driver.h"

namespace {

const int c_cxHuge = 7680;
const int c_cyHuge = 4320;

TEST(HugeScreen, TheProgramIsLargeAddressAware)
{
    std::wstring path = SiblingPath(L"OCRKelvane.exe");
    std::ifstream file(path.c_str(), std::ios::binary);
    ASSERT_TRUE(file.good());
    std::vector<char> header(4096);
    file.read(header.data(), (std::streamsize)header.size());
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(header.data());
    ASSERT_EQ(pDos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LT((size_t)pDos->e_lfanew + sizeof(IMAGE_NT_HEADERS32), header.size());
    const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(header.data() + pDos->e_lfanew);
    ASSERT_EQ(pNt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(pNt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_TRUE(pNt->FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE);
}

TEST(HugeScreen, AWholeMonitorSelectionExportsWhatTheScreenShowed)
{
    SetProcessDPIAware();
    RECT rcMonitor = { 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
    ASSERT_EQ(rcMonitor.right, c_cxHuge) << "this test needs a display of its own of 7680 x 4320";
    ASSERT_EQ(rcMonitor.bottom, c_cyHuge);

    PatternWindow pattern(rcMonitor, TestPattern);
    ASSERT_EQ("", pattern.WaitUntilShown(60000));

    ChildProcess picker;
    DWORD dwStart = GetTickCount();
    HWND hWnd = StartPicker(&picker, POINT{ c_cxHuge / 2, c_cyHuge / 2 });
    ASSERT_TRUE(hWnd) << "the picker did not show its window";
    DWORD dwShown = GetTickCount() - dwStart;
    RECT rcWindow;
    GetWindowRect(hWnd, &rcWindow);
    EXPECT_TRUE(EqualRect(&rcWindow, &rcMonitor));

    // A band from the top-left corner to the bottom-right one, whose pixel
    // lies just beyond the last pixel of the monitor.
    PostBand(hWnd, 0, 0, c_cxHuge, c_cyHuge);
    PostKeyUp(hWnd, VK_RETURN);
    ProcessResult result = picker.Finish(240000);
    DWORD dwTotal = GetTickCount() - dwStart;
    ASSERT_TRUE(result.bExited) << "the export did not end the run";
    EXPECT_EQ(result.dwExitCode, 0u);
    std::printf("window after %lu ms, run over after %lu ms, %.1f MB of Base64 text\n", (unsigned long)dwShown,
                (unsigned long)dwTotal, result.out.size() / (1024.0 * 1024.0));

    Image crop;
    ASSERT_TRUE(DecodeSinglePng(result.out, &crop));
    std::string().swap(result.out);
    ASSERT_EQ(crop.width, c_cxHuge);
    ASSERT_EQ(crop.height, c_cyHuge);
    EXPECT_TRUE(ImageMatches(crop, pattern.Expected(), 0, 0));
}

}  // namespace
