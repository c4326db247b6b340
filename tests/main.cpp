// main() of every test executable: "--child NAME ARGS..." runs a registered
// child function; anything else runs the GoogleTest suites.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/kit/process.h"

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        ChildFunction pfn = FindChild(argv[2]);
        return pfn ? pfn(std::vector<std::string>(argv + 3, argv + argc)) : 99;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
