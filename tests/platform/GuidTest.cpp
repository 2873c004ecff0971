#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "platform/Guid.h"

namespace pv::platform {
namespace {

// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx": lower-case hex digits, version 4,
// y one of 8, 9, a, b.
bool IsVersionFourGuid(const std::string& text) {
    if (text.size() != 36 || text[14] != '4' || std::string_view("89ab").find(text[19]) == std::string_view::npos)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (text[i] >= '0' && text[i] <= '9') || (text[i] >= 'a' && text[i] <= 'f');
        if (dash ? text[i] != '-' : !hex) return false;
    }
    return true;
}


TEST(Guid, TextFormSetsVersionAndVariant) {
    std::array<uint8_t, 16> bytes{};
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0xf0 + i);
    EXPECT_EQ(GuidText(bytes), "f0f1f2f3-f4f5-46f7-b8f9-fafbfcfdfeff");
    bytes.fill(0);
    EXPECT_EQ(GuidText(bytes), "00000000-0000-4000-8000-000000000000");
    EXPECT_TRUE(IsVersionFourGuid(GuidText(bytes)));
    EXPECT_FALSE(IsVersionFourGuid("00000000-0000-3000-8000-000000000000"));
    EXPECT_FALSE(IsVersionFourGuid("00000000-0000-4000-c000-000000000000"));
    EXPECT_FALSE(IsVersionFourGuid("0000000-00000-4000-8000-000000000000"));
    EXPECT_FALSE(IsVersionFourGuid("00000000-0000-4000-8000-00000000000A"));
}

TEST(Guid, NewGuidsAreRandomVersionFour) {
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string guid = NewGuidText();
        ASSERT_TRUE(IsVersionFourGuid(guid)) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 1000u);
}

}  // namespace
}  // namespace pv::platform
