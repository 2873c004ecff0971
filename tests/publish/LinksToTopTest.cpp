// The story rewritten with its first link of each kind on top.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/LinksToTop.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"
#include "transport/FtpFile.h"

namespace pv {
namespace {

struct RewriteCase {
    std::string name;
    std::string story;
    std::string rewritten;
};

TEST(LinksToTop, TheFirstLinkOfEachKindMovesToTheTop) {
    CDirOptions route;
    route.m_strLinkExts[0] = {"wav"};
    route.m_strLinkExts[1] = {"jpg"};
    route.m_strLinkExts[2] = {"htm"};
    const std::string header = "TQ32_SCRIPT1\r\nFILESLUG:x\r\n";
    const std::vector<RewriteCase> cases = {
        {"all three kinds",
         header + "ignored\r\nFirst para.\r\nSecond [W:\\a.wav] para [p.jpg] end [s.htm].\r\nAgain [W:\\a.wav].\r\n",
         header + "\r\n[W:\\a.wav]\r\n[p.jpg]\r\n[s.htm]\r\nFirst para.\r\nSecond  para  end .\r\nAgain [W:\\a.wav].\r\n"},
        {"a kind the story lacks", header + "ignored\r\n[ b.jpg ] text\r\n",
         header + "\r\n\r\n[b.jpg]\r\n\r\n text\r\n"},
        {"no extension counts as wav", "ignored\r\nBody [x] [y.mp3]\r\n", "\r\n[x]\r\n\r\n\r\nBody  [y.mp3]\r\n"},
        {"an empty name ends the walk of its line", header + "ignored\r\n[] [c.wav]\r\n[c.wav] end\r\n",
         header + "\r\n[c.wav]\r\n\r\n\r\n[] [c.wav]\r\n end\r\n"},
        {"no body", header, header + "\r\n\r\n\r\n"},
    };
    test::TempDir dir;
    test::RecordingReporter reporter;
    test::FakeClock clock;
    FileAccess access{reporter, clock};
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteWholeFile(dir / "story.txt", c.story);
        CFTPFile story(access), copy(access);
        ASSERT_TRUE(story.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
        ASSERT_TRUE(copy.Open(dir / "copy.txt", platform::File::modeCreate | platform::File::modeWrite));
        EXPECT_TRUE(WriteLinksOnTop(route, 1, story, copy));
        EXPECT_TRUE(copy.Close());
        EXPECT_EQ(test::ReadWholeFile(dir / "copy.txt"), c.rewritten);
        EXPECT_EQ(test::ReadWholeFile(dir / "story.txt"), c.story);
    }
}

// One reference may fill several kinds; then each of its occurrences, in
// turn, is cut out once.
TEST(LinksToTop, OneReferenceForTwoKinds) {
    CDirOptions route;
    route.m_strLinkExts[0] = {"wav"};
    route.m_strLinkExts[2] = {"wav"};
    test::TempDir dir;
    test::RecordingReporter reporter;
    test::FakeClock clock;
    FileAccess access{reporter, clock};
    test::WriteWholeFile(dir / "story.txt", "a [c.wav] b\r\nc [c.wav] d [c.wav]\r\n");
    CFTPFile story(access), copy(access);
    ASSERT_TRUE(story.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
    ASSERT_TRUE(copy.Open(dir / "copy.txt", platform::File::modeCreate | platform::File::modeWrite));
    EXPECT_TRUE(WriteLinksOnTop(route, 0, story, copy));
    EXPECT_TRUE(copy.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "copy.txt"), "[c.wav]\r\n\r\n[c.wav]\r\na  b\r\nc  d [c.wav]\r\n");
}

}  // namespace
}  // namespace pv
