// How a story line is cut into text and references.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/StoryLines.h"

namespace pv {
namespace {

struct SplitCase {
    std::string line;
    std::vector<std::string> pieces;  // text pieces as they are, references as "[name]"
};

TEST(StoryLines, LinesAreCutIntoTextAndReferences) {
    const std::vector<SplitCase> cases = {
        {"plain", {"plain"}},
        {"a [b] c", {"a", "[b]", " c"}},
        {"a\t[b]", {"a", "[b]"}},
        {"a,[b]", {"a,", "[b]"}},
        {"[b][c]", {"[b]", "[c]"}},
        {"x [] y", {"x", "[]", " y"}},
        {"x [y", {"x [y"}},
        {"x ] [y] ]", {"x ]", "[y]", " ]"}},
        {" [a]", {"[a]"}},
    };
    for (const SplitCase& c : cases) {
        std::vector<std::string> pieces;
        for (const LinePiece& piece : SplitStoryLine(c.line))
            pieces.push_back(piece.reference ? "[" + std::string(piece.text) + "]" : std::string(piece.text));
        EXPECT_EQ(pieces, c.pieces) << c.line;
    }
    EXPECT_EQ(ReferencesOn("[ a ] [] [  ] [b.wav]"), (std::vector<std::string>{"a", "b.wav"}));
}

}  // namespace
}  // namespace pv
