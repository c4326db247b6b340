// Test executables run parts of themselves as child processes (a fresh
// process per profile value or DPI, or one whose stdout a test reads).
// A child is a named function registered with KELVANE_CHILD.
#pragma once

#include <string>
#include <vector>

using ChildFunction = int (*)(const std::vector<std::string>& args);

struct ChildRegistrar {
    ChildRegistrar(const char* pszName, ChildFunction pfn);
};

#define KELVANE_CHILD(name)                                               \
    static int name(const std::vector<std::string>& args);                \
    static ChildRegistrar s_registrar_##name(#name, name);                \
    static int name(const std::vector<std::string>& args)

// The command-line arguments that make this executable run child `name`.
std::wstring ChildArguments(const char* pszName, const std::vector<std::string>& args = {});
