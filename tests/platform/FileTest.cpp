#include <gtest/gtest.h>

#include "platform/File.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

TEST(File, CreateNewRefusesAnExistingFile) {
    test::TempDir dir;
    File first;
    ASSERT_TRUE(first.Open(dir / "a.txt", File::modeWrite | File::modeCreateNew));
    ASSERT_TRUE(first.Write("x\r\n"));
    ASSERT_TRUE(first.Close());
    File second;
    std::string error;
    EXPECT_FALSE(second.Open(dir / "a.txt", File::modeWrite | File::modeCreateNew, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(test::ReadWholeFile(dir / "a.txt"), "x\r\n");
}

}  // namespace
}  // namespace pv::platform
