// A full-screen viewer that puts known content under the picker: it covers the
// monitor under the cursor with a topmost borderless window showing either an
// image file, 1:1 from the monitor's top-left corner, or a UTF-8 text document
// typeset large enough for text recognition.
//
//   showimage FILE      FILE ending in .txt is a document, anything else an image
//
// Once the window is on screen it writes where the content stands, in
// virtual-screen pixels, one line each, to standard output:
//   image LEFT TOP RIGHT BOTTOM            for an image
//   block N LEFT TOP RIGHT BOTTOM          for each block of a document
// A document is blocks of lines separated by blank lines; a block whose first
// line starts with "# " is a heading. Lines are drawn as written, never wrapped.
// Esc closes the window.

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t c_szClass[] = L"KelvaneShowImage";
const wchar_t c_szTitle[] = L"showimage";
const wchar_t c_szLatinFace[] = L"DejaVu Serif";
const wchar_t c_szCjkFace[] = L"WenQuanYi Micro Hei";

struct Block {
    bool bHeading = false;
    bool bCjk = false;
    std::vector<std::wstring> lines;
    RECT rc = {};  // page coordinates, set by the layout
};

// The finished page, drawn once at start; it lives for the whole run.
HBITMAP g_hbmPage = NULL;

// Deletes a GDI object on exit.
template <class T>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(T h) : m_h(h) {}
    ~ScopedGdiObject() { if (m_h) DeleteObject(m_h); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    operator T() const { return m_h; }
private:
    T m_h;
};

// A memory DC with one object selected into it, both undone on exit.
class ScopedMemDCWith {
public:
    ScopedMemDCWith(HDC hdcLike, HGDIOBJ hObject)
        : m_hdc(CreateCompatibleDC(hdcLike)), m_hOld(SelectObject(m_hdc, hObject)) {}
    ~ScopedMemDCWith()
    {
        SelectObject(m_hdc, m_hOld);
        DeleteDC(m_hdc);
    }
    ScopedMemDCWith(const ScopedMemDCWith&) = delete;
    ScopedMemDCWith& operator=(const ScopedMemDCWith&) = delete;
    operator HDC() const { return m_hdc; }
private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// Selects an object into a DC and puts the one it replaced back on exit.
class ScopedSelect {
public:
    ScopedSelect(HDC hdc, HGDIOBJ hObject) : m_hdc(hdc), m_hOld(SelectObject(hdc, hObject)) {}
    ~ScopedSelect() { SelectObject(m_hdc, m_hOld); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// The screen's DC, released on exit.
class ScopedScreenDC {
public:
    ScopedScreenDC() : m_hdc(GetDC(NULL)) {}
    ~ScopedScreenDC() { ReleaseDC(NULL, m_hdc); }
    ScopedScreenDC(const ScopedScreenDC&) = delete;
    ScopedScreenDC& operator=(const ScopedScreenDC&) = delete;
    operator HDC() const { return m_hdc; }
private:
    HDC m_hdc;
};

bool ReadWholeFile(const std::wstring& path, std::string* pBytes)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    char buffer[16384];
    DWORD cbRead = 0;
    while (ReadFile(hFile, buffer, sizeof(buffer), &cbRead, NULL) && cbRead)
        pBytes->append(buffer, cbRead);
    CloseHandle(hFile);
    return true;
}

std::wstring WideFromUtf8(const std::string& text)
{
    int cch = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide(cch, L'\0');
    if (cch)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], cch);
    return wide;
}

bool HasCjk(const std::wstring& line)
{
    for (wchar_t ch : line) {
        if (ch >= 0x2E80 && ch < 0xFFF0)
            return true;
    }
    return false;
}

std::vector<Block> SplitBlocks(const std::wstring& text)
{
    std::vector<Block> blocks;
    Block current;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(L'\n', pos);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        if (!line.empty() && line[0] == 0xFEFF)  // a byte-order mark
            line.erase(0, 1);
        pos = end + 1;

        if (line.empty()) {
            if (!current.lines.empty())
                blocks.push_back(current);
            current = Block();
            continue;
        }
        if (current.lines.empty() && line.compare(0, 2, L"# ") == 0) {
            current.bHeading = true;
            line.erase(0, 2);
        }
        current.bCjk = current.bCjk || HasCjk(line);
        current.lines.push_back(line);
    }
    if (!current.lines.empty())
        blocks.push_back(current);
    return blocks;
}

HFONT CreateBlockFont(const Block& block, int nBodyHeight)
{
    int nHeight = block.bHeading ? nBodyHeight * 3 / 2 : nBodyHeight;
    int nWeight = block.bHeading ? FW_BOLD : FW_NORMAL;
    // The CJK face for a block with Chinese text: the Latin face has no such glyphs.
    const wchar_t* pszFace = block.bCjk ? c_szCjkFace : c_szLatinFace;
    BYTE nCharset = block.bCjk ? GB2312_CHARSET : ANSI_CHARSET;
    return CreateFontW(-nHeight, 0, 0, 0, nWeight, FALSE, FALSE, FALSE, nCharset,
                       OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       DEFAULT_PITCH, pszFace);
}

// Places the blocks top to bottom from the margins, and draws them when bDraw
// is set. Returns the rightmost and the lowest extent reached.
SIZE LayOutBlocks(HDC hdc, std::vector<Block>* pBlocks, int nBodyHeight, int nMargin, bool bDraw)
{
    SIZE extent = { 0, 0 };
    int y = nMargin;
    for (Block& block : *pBlocks) {
        ScopedGdiObject<HFONT> hFont(CreateBlockFont(block, nBodyHeight));
        ScopedSelect selected(hdc, hFont);
        TEXTMETRICW tm = {};
        GetTextMetricsW(hdc, &tm);
        int nAdvance = tm.tmHeight * 13 / 10;  // room between lines helps recognition

        SetRect(&block.rc, nMargin, y, nMargin, y);
        for (const std::wstring& line : block.lines) {
            SIZE size = {};
            GetTextExtentPoint32W(hdc, line.c_str(), (int)line.size(), &size);
            if (bDraw)
                TextOutW(hdc, nMargin, y, line.c_str(), (int)line.size());
            block.rc.right = std::max(block.rc.right, (LONG)(nMargin + size.cx));
            block.rc.bottom = y + tm.tmHeight;
            y += nAdvance;
        }
        extent.cx = std::max(extent.cx, block.rc.right);
        extent.cy = std::max(extent.cy, block.rc.bottom);
        y = block.rc.bottom + nBodyHeight;
    }
    return extent;
}

// A white page of the monitor's size with the document on it, the body text
// about a 24th of the monitor's height, smaller if the text would not fit.
HBITMAP MakeTextPage(HDC hdcScreen, const std::wstring& text, int cx, int cy, std::vector<RECT>* pBlocks)
{
    std::vector<Block> blocks = SplitBlocks(text);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cy);
    ScopedMemDCWith hdc(hdcScreen, hbm);
    RECT rcPage = { 0, 0, cx, cy };
    FillRect(hdc, &rcPage, (HBRUSH)GetStockObject(WHITE_BRUSH));

    int nMargin = std::min(cx, cy) / 12;
    int nBodyHeight = std::max(cy / 24, 8);
    for (int i = 0; i < 20; i++) {
        SIZE extent = LayOutBlocks(hdc, &blocks, nBodyHeight, nMargin, false);
        if ((extent.cx <= cx - nMargin && extent.cy <= cy - nMargin) || nBodyHeight <= 8)
            break;
        nBodyHeight = nBodyHeight * 9 / 10;
    }
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0x10, 0x10, 0x10));
    LayOutBlocks(hdc, &blocks, nBodyHeight, nMargin, true);

    for (const Block& block : blocks)
        pBlocks->push_back(block.rc);
    return hbm;
}

// A white page of the monitor's size with the image 1:1 at its top-left corner.
HBITMAP MakeImagePage(HDC hdcScreen, const std::wstring& path, int cx, int cy, std::vector<RECT>* pBlocks)
{
    Gdiplus::Bitmap image(path.c_str());
    if (image.GetLastStatus() != Gdiplus::Ok)
        return NULL;
    HBITMAP hbmImage = NULL;
    // The image's pixels as they are: no scaling by the resolution stored in the file.
    if (image.GetHBITMAP(Gdiplus::Color(255, 255, 255), &hbmImage) != Gdiplus::Ok)
        return NULL;
    ScopedGdiObject<HBITMAP> hbmSource(hbmImage);
    int cxImage = (int)image.GetWidth();
    int cyImage = (int)image.GetHeight();

    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, cx, cy);
    ScopedMemDCWith hdc(hdcScreen, hbm);
    RECT rcPage = { 0, 0, cx, cy };
    FillRect(hdc, &rcPage, (HBRUSH)GetStockObject(WHITE_BRUSH));
    ScopedMemDCWith hdcImage(hdcScreen, hbmSource);
    BitBlt(hdc, 0, 0, cxImage, cyImage, hdcImage, 0, 0, SRCCOPY);

    RECT rcImage = { 0, 0, std::min(cxImage, cx), std::min(cyImage, cy) };
    pBlocks->push_back(rcImage);
    return hbm;
}

bool EndsWithTxt(const std::wstring& path)
{
    return path.size() >= 4 && lstrcmpiW(path.c_str() + path.size() - 4, L".txt") == 0;
}

HBITMAP MakePage(const std::wstring& path, int cx, int cy, std::vector<RECT>* pBlocks)
{
    ScopedScreenDC hdcScreen;
    if (!EndsWithTxt(path))
        return MakeImagePage(hdcScreen, path, cx, cy, pBlocks);
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        return NULL;
    return MakeTextPage(hdcScreen, WideFromUtf8(bytes), cx, cy, pBlocks);
}

// One unbuffered write: a caller that polls the output knows the page is shown.
void PrintLayout(bool bImage, const std::vector<RECT>& blocks, POINT ptOrigin)
{
    std::string text;
    char line[128];
    for (size_t i = 0; i < blocks.size(); i++) {
        const RECT& rc = blocks[i];
        if (bImage)
            snprintf(line, sizeof(line), "image %ld %ld %ld %ld\n", ptOrigin.x + rc.left,
                     ptOrigin.y + rc.top, ptOrigin.x + rc.right, ptOrigin.y + rc.bottom);
        else
            snprintf(line, sizeof(line), "block %u %ld %ld %ld %ld\n", (unsigned)i, ptOrigin.x + rc.left,
                     ptOrigin.y + rc.top, ptOrigin.x + rc.right, ptOrigin.y + rc.bottom);
        text += line;
    }
    HANDLE hOut = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD cbWritten = 0;
    if (hOut && hOut != INVALID_HANDLE_VALUE)
        WriteFile(hOut, text.data(), (DWORD)text.size(), &cbWritten, NULL);
}

void PrintError(const char* pszText)
{
    HANDLE hErr = GetStdHandle(STD_ERROR_HANDLE);
    DWORD cbWritten = 0;
    if (hErr && hErr != INVALID_HANDLE_VALUE)
        WriteFile(hErr, pszText, lstrlenA(pszText), &cbWritten, NULL);
}

void PaintPage(HWND hWnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    RECT rc;
    GetClientRect(hWnd, &rc);
    ScopedMemDCWith hdcPage(hdc, g_hbmPage);
    BitBlt(hdc, 0, 0, rc.right, rc.bottom, hdcPage, 0, 0, SRCCOPY);
    EndPaint(hWnd, &ps);
}

LRESULT CALLBACK ViewerWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT:      PaintPage(hWnd); return 0;
    case WM_ERASEBKGND: return 1;  // the page covers the whole window
    case WM_KEYUP:
        if (wParam == VK_ESCAPE)
            DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:    PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

HWND CreateViewerWindow(HINSTANCE hInstance, const RECT& rcMonitor)
{
    WNDCLASSEXW wcex = {};
    wcex.cbSize = sizeof(wcex);
    wcex.lpfnWndProc = ViewerWindowProc;
    wcex.hInstance = hInstance;
    wcex.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wcex.lpszClassName = c_szClass;
    RegisterClassExW(&wcex);
    return CreateWindowExW(WS_EX_TOPMOST, c_szClass, c_szTitle, WS_POPUP,
                           rcMonitor.left, rcMonitor.top,
                           rcMonitor.right - rcMonitor.left, rcMonitor.bottom - rcMonitor.top,
                           NULL, NULL, hInstance, NULL);
}

RECT CursorMonitorRect()
{
    POINT pt;
    GetCursorPos(&pt);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcMonitor;
}

std::wstring FirstArgument()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring arg = (argv && argc >= 2) ? argv[1] : L"";
    LocalFree(argv);
    return arg;
}

// Shows the file until the window closes.
int RunViewer(HINSTANCE hInstance, const std::wstring& path)
{
    RECT rcMonitor = CursorMonitorRect();
    std::vector<RECT> blocks;
    g_hbmPage = MakePage(path, rcMonitor.right - rcMonitor.left, rcMonitor.bottom - rcMonitor.top, &blocks);
    if (!g_hbmPage) {
        PrintError("showimage: the file could not be read or decoded\n");
        return 1;
    }
    HWND hWnd = CreateViewerWindow(hInstance, rcMonitor);
    if (!hWnd) {
        PrintError("showimage: no window\n");
        return 1;
    }
    ShowWindow(hWnd, SW_SHOW);
    UpdateWindow(hWnd);
    PrintLayout(!EndsWithTxt(path), blocks, { rcMonitor.left, rcMonitor.top });

    MSG msg;
    while (GetMessageW(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(g_hbmPage);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    // Physical pixels, like the picker, so the printed positions are its positions.
    SetProcessDPIAware();
    std::wstring path = FirstArgument();
    if (path.empty()) {
        PrintError("usage: showimage FILE (an image, or a .txt document)\n");
        return 2;
    }

    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, NULL);
    int nExit = RunViewer(hInstance, path);
    Gdiplus::GdiplusShutdown(token);
    return nExit;
}
