#include "config/StoryCommand.h"

#include "platform/Wildcard.h"

namespace pv {

namespace {

struct CommandWord {
    std::string_view word;
    StoryCommand code;
};

constexpr CommandWord kCommandWords[] = {
    {"Add", kCmdAdd},
    {"Replace", kCmdReplace},
    {"Delete", kCmdDelete},
    {"Replace Text Only", kCmdReplaceTextOnly},
    {"Add Unique", kCmdAddUnique},
};

}  // namespace

std::optional<StoryCommand> StoryCommandFromWord(std::string_view word) {
    for (const CommandWord& known : kCommandWords)
        if (platform::EqualsIgnoringCase(word, known.word)) return known.code;
    return std::nullopt;
}

}  // namespace pv
