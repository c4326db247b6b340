// Starting a program as a child process with its standard output on a pipe,
// finding its window and collecting its output and exit status; and parts of
// a test executable run as child processes of their own (a fresh process per
// profile value or DPI, or one whose stdout a test reads).
#pragma once

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

// A child is a named function registered with KELVANE_CHILD; the test main
// runs it for "--child NAME ARGS...".
using ChildFunction = int (*)(const std::vector<std::string>& args);

struct ChildRegistrar {
    ChildRegistrar(const char* pszName, ChildFunction pfn);
};

#define KELVANE_CHILD(name)                                               \
    static int name(const std::vector<std::string>& args);                \
    static ChildRegistrar s_registrar_##name(#name, name);                \
    static int name(const std::vector<std::string>& args)

// The registered child of that name, or nullptr.
ChildFunction FindChild(const char* pszName);
// The command-line arguments that make this executable run child `name`.
std::wstring ChildArguments(const char* pszName, const std::vector<std::string>& args = {});

// Full path of a file beside this executable (the build puts every program
// in one folder).
std::wstring SiblingPath(const wchar_t* pszFile);
std::wstring ThisExePath();

enum class StdoutMode {
    Pipe,        // read by the test
    None,        // no standard output at all
    BrokenPipe,  // a pipe whose reader is gone before anything is written
};

struct ProcessResult {
    bool bExited = false;       // ended on its own within the time given
    DWORD dwExitCode = 0;
    std::string out;            // everything written to standard output
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& exePath, const std::wstring& args = L"",
               StdoutMode mode = StdoutMode::Pipe);
    // The process's top-level window of this class, once it is visible.
    HWND WaitForWindow(const wchar_t* pszClass, DWORD dwTimeoutMs = 15000);
    // Waits for the process to end (killing it after the timeout) and for
    // the pipe to drain.
    ProcessResult Finish(DWORD dwTimeoutMs = 15000);
    bool HasExited(DWORD dwWaitMs = 0) const;
    DWORD Id() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hRead = NULL;
    std::thread m_reader;
    std::string m_out;
};

// Runs this executable's child `name` to its end and returns its result.
ProcessResult RunChild(const char* pszName, const std::wstring& extraArgs = L"",
                       DWORD dwTimeoutMs = 60000);
