// The story summary: where it starts, where it is cut, what is taken out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/StorySummaryText.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"
#include "transport/FtpFile.h"

namespace pv {
namespace {

// n characters of words ("aaaa aaaa ..."): a blank at every index that
// leaves 4 when divided by 5; no full stop.
std::string Words(size_t n) {
    std::string text;
    while (text.size() < n) text += text.size() % 5 == 4 ? ' ' : 'a';
    return text;
}

struct SummaryCase {
    std::string name;
    std::string body;
    SummarySettings settings;
    std::string summary;
};

TEST(StorySummary, CasesOfTheSettings) {
    const std::string sentenceAt170 = Words(169) + ". " + Words(100);
    const std::vector<SummaryCase> cases = {
        {"sentence within the additional length", sentenceAt170, {0, 0, 150, 40, false}, Words(169) + "."},
        {"no sentence end: last blank before 190", Words(300), {0, 0, 150, 40, false}, Words(189) + "..."},
        {"without additional length: last blank of the stretch", Words(298) + ".", {0, 0, 10, 0, false},
         Words(294) + "..."},
        {"line offset", "first line.\r\nsecond line. Rest", {1, 0, 5, 20, false}, "second line."},
        {"line offset beyond the lines", "first\nsecond line", {5, 0, 5, 0, false}, "second..."},
        {"offset", "0123456789 tail.", {0, 3, 20, 20, false}, "3456789 tail."},
        {"offset beyond the text", "short", {0, 6, 20, 20, false}, ""},
        {"negative offsets count as 0", "Start here. More", {-3, -7, 5, 10, false}, "Start here."},
        {"negative length counts as 0", "A. B", {0, 0, -600, 3, false}, "A."},
        {"separators and references go", "One =-------------------------\r\nTwo [cut.wav]three.",
         {0, 0, 100, 50, false}, "One Twothree."},
        {"only a blank or tab goes with a reference", "a,[x] b\t[y] c.", {0, 0, 100, 50, false}, "a, b c."},
        {"line ends, tabs and stray brackets", "a\r\nb\tc [d e. f", {0, 0, 100, 50, false}, "a b c  d e."},
        {"apostrophes under Unicode conversions", "Bob's show. x", {0, 0, 100, 50, true}, "Bob&lsquo;s show."},
        {"full stop not followed by a blank", "v1.2 is out", {0, 0, 100, 50, false}, "v1.2 is..."},
        {"one word", "Word", {0, 0, 2, 0, false}, "Word"},
        {"never past 2000 characters", Words(5000), {0, 0, 4000, 0, false}, Words(1999) + "..."},
    };
    for (const SummaryCase& c : cases) EXPECT_EQ(SummaryOfBody(c.body, c.settings), c.summary) << c.name;
}

TEST(StorySummary, NothingWantedWithoutOffsetsAndLength) {
    EXPECT_FALSE((SummarySettings{0, 0, 0, 40, false}.Wanted()));
    EXPECT_TRUE((SummarySettings{0, 0, 150, 40, false}.Wanted()));
    EXPECT_TRUE((SummarySettings{1, 0, 0, 0, false}.Wanted()));
}

// The summary starts after the header; the lines a page ignores on top are
// not skipped.
TEST(StorySummary, ReadFromTheStoryBody) {
    test::TempDir dir;
    test::RecordingReporter reporter;
    test::FakeClock clock;
    FileAccess access{reporter, clock};
    test::WriteWholeFile(dir / "story.txt",
                         "TQ32_SCRIPT1\r\nFILESLUG:Vote\r\nThe council met. It voted " + std::string(30000, 'x'));
    CFTPFile story(access);
    ASSERT_TRUE(story.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
    EXPECT_EQ(ExtractStorySummary(story, {0, 0, 20, 10, false}), "The council met.");
}

}  // namespace
}  // namespace pv
