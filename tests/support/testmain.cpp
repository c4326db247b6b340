// main() of every test executable: "--child NAME ARGS..." runs a registered
// child function; anything else runs the GoogleTest suites.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "tests/support/child.h"

static std::map<std::string, ChildFunction>& Children()
{
    static std::map<std::string, ChildFunction> children;
    return children;
}

ChildRegistrar::ChildRegistrar(const char* pszName, ChildFunction pfn)
{
    Children()[pszName] = pfn;
}

std::wstring ChildArguments(const char* pszName, const std::vector<std::string>& args)
{
    std::string line = std::string("--child ") + pszName;
    for (const std::string& arg : args)
        line += " " + arg;
    return std::wstring(line.begin(), line.end());
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        auto it = Children().find(argv[2]);
        if (it == Children().end())
            return 99;
        return it->second(std::vector<std::string>(argv + 3, argv + argc));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
