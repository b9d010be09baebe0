// Entry of every test program: a child mode when asked for one, else the tests.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <map>

namespace test {

std::map<std::wstring, ChildMode>& childModes()
{
    static std::map<std::wstring, ChildMode> modes;
    return modes;
}

bool registerChildMode(const wchar_t* mode, ChildMode function)
{
    childModes()[mode] = function;
    return true;
}

} // namespace test

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 3 && std::wstring(argv[1]) == L"--child") {
        auto found = test::childModes().find(argv[2]);
        if (found == test::childModes().end()) return 99;
        return found->second(argc >= 4 ? argv[3] : L"");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
