#include <gtest/gtest.h>

#include "config/StoryCommand.h"

namespace pv {
namespace {

TEST(StoryCommandWord, TheFiveWordsInAnyCaseAndNothingElse) {
    EXPECT_EQ(StoryCommandFromWord("Add"), kCmdAdd);
    EXPECT_EQ(StoryCommandFromWord("REPLACE"), kCmdReplace);
    EXPECT_EQ(StoryCommandFromWord("delete"), kCmdDelete);
    EXPECT_EQ(StoryCommandFromWord("Replace text ONLY"), kCmdReplaceTextOnly);
    EXPECT_EQ(StoryCommandFromWord("add Unique"), kCmdAddUnique);
    for (const char* other : {"", "Publish", "Add ", " Add", "AddUnique", "Replace  Text Only", "Add\r", "Add\xc9"})
        EXPECT_EQ(StoryCommandFromWord(other), std::nullopt) << other;
}

}  // namespace
}  // namespace pv
