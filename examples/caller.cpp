// A minimal caller of the picker: starts it, reads the Base64 text it writes
// to standard output, decodes it and saves the PNG.
//
//   caller OUTPUT.png [PICKER.exe]
//
// Exit status: 0 when a PNG was saved, 1 when the user selected nothing
// (Esc), 2 on any error. The picker defaults to OCRKelvane.exe beside this
// program.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

static std::wstring PickerBesideThisProgram()
{
    WCHAR szPath[MAX_PATH];
    GetModuleFileNameW(NULL, szPath, MAX_PATH);
    std::wstring path = szPath;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"OCRKelvane.exe";
}

// Runs the picker to its end with its standard output on a pipe; false when
// it cannot be started.
static bool RunPicker(const std::wstring& picker, std::string* pText)
{
    SECURITY_ATTRIBUTES sa = { sizeof(sa), NULL, TRUE };
    HANDLE hRead, hWrite;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0))
        return false;
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);  // only the write end goes to the picker

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::wstring commandLine = L"\"" + picker + L"\"";
    // Suspended until it may take the foreground: Windows gives it only to a
    // process its rules allow, and a caller that holds it can pass it on, so
    // that Enter and Esc reach the picker rather than the window below it.
    BOOL bStarted = CreateProcessW(picker.c_str(), &commandLine[0], NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL,
                                   &si, &pi);
    // Closed here too, so the read below ends when the picker exits.
    CloseHandle(hWrite);
    if (!bStarted) {
        CloseHandle(hRead);
        return false;
    }
    AllowSetForegroundWindow(pi.dwProcessId);  // fails harmlessly when this caller cannot set it either
    ResumeThread(pi.hThread);

    // Read as it comes, before waiting for the exit: the text can be megabytes,
    // and a pipe holds a few kilobytes.
    char buffer[65536];
    DWORD cbRead;
    while (ReadFile(hRead, buffer, sizeof(buffer), &cbRead, NULL) && cbRead)
        pText->append(buffer, cbRead);
    CloseHandle(hRead);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

static bool DecodeBase64(const std::string& text, std::vector<BYTE>* pBytes)
{
    DWORD cb = 0;
    if (!CryptStringToBinaryA(text.c_str(), (DWORD)text.size(), CRYPT_STRING_BASE64, NULL, &cb, NULL, NULL))
        return false;
    pBytes->resize(cb);
    return CryptStringToBinaryA(text.c_str(), (DWORD)text.size(), CRYPT_STRING_BASE64, pBytes->data(), &cb,
                                NULL, NULL) != FALSE;
}

static bool SaveFile(const wchar_t* pszPath, const std::vector<BYTE>& bytes)
{
    HANDLE hFile = CreateFileW(pszPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD cbWritten = 0;
    BOOL bWritten = WriteFile(hFile, bytes.data(), (DWORD)bytes.size(), &cbWritten, NULL);
    CloseHandle(hFile);
    return bWritten && cbWritten == bytes.size();
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: caller OUTPUT.png [PICKER.exe]\n");
        return 2;
    }
    std::wstring picker = (argc == 3) ? argv[2] : PickerBesideThisProgram();

    std::string text;
    if (!RunPicker(picker, &text)) {
        std::fprintf(stderr, "caller: cannot start the picker\n");
        return 2;
    }
    if (text.empty()) {
        std::fprintf(stderr, "caller: nothing selected\n");
        return 1;
    }

    std::vector<BYTE> png;
    if (!DecodeBase64(text, &png) || !SaveFile(argv[1], png)) {
        std::fprintf(stderr, "caller: cannot decode or save the selection\n");
        return 2;
    }
    std::fprintf(stderr, "caller: saved %u bytes\n", (unsigned)png.size());
    return 0;
}
