#include <gtest/gtest.h>
TEST(Settings, Builds) { SUCCEED(); }
