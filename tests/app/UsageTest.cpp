#include <gtest/gtest.h>

#include <cstdio>

#include "app/Usage.h"
#include "notify/Product.h"

namespace pv {
namespace {

TEST(Usage, HelpAndVersionAreFoundAnywhereButOnlyAsWritten) {
    const struct {
        std::vector<std::string> args;
        InfoRequest request;
    } cases[] = {
        {{}, InfoRequest::none},
        {{"--help"}, InfoRequest::help},
        {{"-h"}, InfoRequest::help},
        {{"--version"}, InfoRequest::version},
        {{"/PATH=/srv/news/", "Once", "--version"}, InfoRequest::version},
        {{"--version", "--help"}, InfoRequest::version},
        {{"-h", "--version"}, InfoRequest::help},
        {{"Once", "EasyExit", "/M"}, InfoRequest::none},
        {{"--HELP"}, InfoRequest::none},
        {{"-H"}, InfoRequest::none},
        {{"help"}, InfoRequest::none},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(FindInfoRequest(c.args), c.request) << joined;
    }
}

// The usage names every word and switch of the command line, where the
// settings live and what the signals do.
TEST(Usage, TheUsageNamesEveryWordSwitchAndSignal) {
    for (const std::string program : {"pressvane", "pressvane-gui"}) {
        const std::string usage = UsageText(program);
        EXPECT_TRUE(usage.starts_with("Usage: " + program + " ")) << usage;
        for (const char* word : {"/PATH=", "/PEXE", "Once", "/X", "Twice", "/2", "NoDelay", "EasyExit", "Execute",
                                 "DontMakeDirs", "DeleteOneInUse", "/D", "AllowMultipleInstances", "/M",
                                 "Pressvane/Pressvane.ini", "SIGTERM", "SIGINT", "SIGUSR1", "--help", "--version",
                                 "PRESSVANE_RUNTIME_DIR", "pressvane(1)"})
            EXPECT_NE(usage.find(word), std::string::npos) << program << ": " << word;
    }
}

TEST(Usage, AnsweredRequestsPrintAndEndTheProgram) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(AnswerInfoRequest({"Once"}, "pressvane", out), std::nullopt);
    EXPECT_EQ(std::ftell(out), 0);
    EXPECT_EQ(AnswerInfoRequest({"--version"}, "pressvane", out), 0);
    std::rewind(out);
    char line[128] = {};
    ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
    EXPECT_EQ(std::string(line), std::string("pressvane (Pressvane, Fernwick) ") + kVersionText + "\n");
    std::fclose(out);
}

}  // namespace
}  // namespace pv
