// Main of the Windows tests. The program doubles as the second process of the tests that
// need one: "--open-map <name>" opens a shared block and reports what it saw.

#include <gtest/gtest.h>

#include <cstring>

int RunMapChild(const char* name);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--open-map") == 0)
        return RunMapChild(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
