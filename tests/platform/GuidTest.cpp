#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "platform/Guid.h"

namespace pv::platform {
namespace {

TEST(Guid, TextFormSetsVersionAndVariant) {
    std::array<uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0xf0 + i);
    EXPECT_EQ(GuidText(bytes), "f0f1f2f3-f4f5-46f7-b8f9-fafbfcfdfeff");
    bytes.fill(0);
    EXPECT_EQ(GuidText(bytes), "00000000-0000-4000-8000-000000000000");
}

TEST(Guid, NewGuidsAreRandomVersionFour) {
    const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string guid = NewGuidText();
        ASSERT_TRUE(std::regex_match(guid, form)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace pv::platform
