#pragma once
// The publishing command of a story submission: what the publisher does with
// the story's page.  The same codes come from the route settings, the
// submission descriptor and the story header.
#include <optional>
#include <string_view>

namespace pv {

enum StoryCommand { kCmdAdd = 0, kCmdReplace = 1, kCmdDelete = 2, kCmdReplaceTextOnly = 3, kCmdAddUnique = 4 };

// The command a story header holds when it names none.
inline constexpr int kNoStoryCommand = -1;

// The code of one of the five command words "Add", "Replace", "Delete",
// "Replace Text Only" and "Add Unique", compared without regard to ASCII
// case and with nothing trimmed; nothing for any other text.
std::optional<StoryCommand> StoryCommandFromWord(std::string_view word);

}  // namespace pv
