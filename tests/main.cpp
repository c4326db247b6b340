// Every test executable's main(): "--child NAME ARGS..." runs that child, else the suites.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/kit/process.h"

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return FindChild(argv[2]) ? FindChild(argv[2])(std::vector<std::string>(argv + 3, argv + argc)) : 99;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
