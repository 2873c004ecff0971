#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace pv {
namespace {

TEST(CommandLine, WorkingFolderRules) {
    const struct {
        std::vector<std::string> args;
        const char* current;
        const char* program;
        const char* folder;
    } cases[] = {
        {{}, "/srv/news", "/opt/pv/pressvane", "/srv/news/"},
        {{}, "C:\\News", "x", "C:\\News\\"},
        {{"/path=/data/newsroom"}, "/srv", "p", "/data/newsroom/"},
        {{"/PATH=D:\\Newsroom\\"}, "/srv", "p", "D:\\Newsroom\\"},
        {{"/PATH=D:\\Newsroom"}, "/srv", "p", "D:\\Newsroom\\"},
        {{"/PEXE"}, "/srv", "/opt/pv/pressvane", "/opt/pv/"},
        {{"/PEXE"}, "/srv", "pressvane", ""},
        {{"/PATH=/a/", "/PEXE"}, "/srv", "/opt/pv/pressvane", "/opt/pv/"},
        {{"/PEXE", "/PATH=/a/"}, "/srv", "/opt/pv/pressvane", "/a/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCommandLine(c.args, c.current, c.program).workingFolder, c.folder) << c.current;
}

TEST(CommandLine, FlagsAndAliasesIgnoreCase) {
    const StartupOptions o = ParseCommandLine(
        {"easyexit", "/x", "/2", "EXECUTE", "DontMakeDirs", "/d", "/m", "NoDelay", "bogus"}, "/srv", "p");
    EXPECT_TRUE(o.easyExit && o.once && o.twice && o.execute && o.dontMakeDirs && o.deleteOneInUse &&
                o.allowMultipleInstances && o.noDelay);
    const StartupOptions words = ParseCommandLine({"Once", "Twice", "DeleteOneInUse", "AllowMultipleInstances"},
                                                  "/srv", "p");
    EXPECT_TRUE(words.once && words.twice && words.deleteOneInUse && words.allowMultipleInstances);
    EXPECT_FALSE(words.easyExit || words.execute || words.noDelay || words.dontMakeDirs);
}

TEST(CommandLine, OnlyTheFirstNineArgumentsCount) {
    std::vector<std::string> args(9, "unknown");
    args.push_back("Once");
    EXPECT_FALSE(ParseCommandLine(args, "/srv", "p").once);
    args[8] = "Once";
    EXPECT_TRUE(ParseCommandLine(args, "/srv", "p").once);
}

}  // namespace
}  // namespace pv
