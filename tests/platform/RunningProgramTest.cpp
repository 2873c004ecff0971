#include <gtest/gtest.h>

#include <filesystem>

#include "platform/RunningProgram.h"

namespace pv::platform {
namespace {

TEST(RunningProgram, KnowsWhereItsExecutableIs) {
    const std::string path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
    EXPECT_EQ(ExecutableFolder(), path.substr(0, path.rfind('/') + 1));
}

}  // namespace
}  // namespace pv::platform
