// The folder alias file: the input is a DBFolder.dat.  Every line is split
// into options and each option applied to a story record and a route's story
// state, as the reader does.  Keys come out trimmed and lower case, one
// option per ";"; options shown on a status line hold no more "|" than
// written and mask every credential part; the story's aliases are safe names,
// each once; the filled-in paths hold no date placeholder.
#include <algorithm>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "platform/Reporter.h"
#include "platform/Wildcard.h"
#include "publish/DatePlaceholders.h"
#include "publish/FolderAliasLine.h"
#include "publish/FolderAliasOptions.h"
#include "publish/StoryAliases.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool EndsWithSeparator(const std::string& path) { return !path.empty() && (path.back() == '\\' || path.back() == '/'); }

void CheckOptions(std::string_view line, const std::vector<pv::FolderAliasOption>& options) {
    size_t semicolons = 0;
    for (char c : line) semicolons += c == ';';
    PV_FUZZ_CHECK(options.size() == semicolons);
    for (const pv::FolderAliasOption& option : options) {
        for (char c : option.key) PV_FUZZ_CHECK(c < 'A' || c > 'Z');
        PV_FUZZ_CHECK(option.key.empty() || (!IsBlank(option.key.front()) && !IsBlank(option.key.back())));
        PV_FUZZ_CHECK(option.value.empty() || (!IsBlank(option.value.front()) && !IsBlank(option.value.back())));
        const std::string shown = pv::OptionTextForDisplay(option.written);
        PV_FUZZ_CHECK(std::count(shown.begin(), shown.end(), '|') <=
                      std::count(option.written.begin(), option.written.end(), '|'));
        if (option.written.find('|') != std::string::npos) PV_FUZZ_CHECK(shown.find("****") != std::string::npos);
    }
}

void CheckStory(const pv::CFileData& story, const pv::RouteStoryState& route) {
    const auto& aliases = story.work.aliases;
    for (size_t i = 0; i < aliases.size(); ++i) {
        PV_FUZZ_CHECK(pv::IsUsableAlias(aliases[i]));
        for (size_t j = 0; j < i; ++j) PV_FUZZ_CHECK(!pv::platform::EqualsIgnoringCase(aliases[i], aliases[j]));
    }
    const std::string& extension = story.options.extensionlessTemplateExt;
    PV_FUZZ_CHECK(extension.empty() || extension.front() == '.');
    PV_FUZZ_CHECK(story.options.backupPath.empty() || EndsWithSeparator(story.options.backupPath));
    PV_FUZZ_CHECK(route.linkOutputPath.empty() || EndsWithSeparator(route.linkOutputPath));
}

void CheckDates(std::string text) {
    std::tm date{};
    date.tm_year = 126;
    date.tm_mon = 2;
    date.tm_mday = 9;
    pv::FillDatePlaceholders(text, date);
    for (const char* placeholder : {"[YYYY]", "[MM]", "[DD]"})
        PV_FUZZ_CHECK(text.find(placeholder) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static pv::NullReporter reporter;
    const std::string_view text = pv::fuzz::AsText(data, size);
    pv::CFileData story;
    story.Reset();
    story.work.alias = "News";
    pv::RouteStoryState route;
    pv::FolderAliasTarget target{story, route, reporter};
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const auto options = pv::FolderAliasOptions(line);
        CheckOptions(line, options);
        for (const pv::FolderAliasOption& option : options) pv::ApplyFolderAliasOption(option, target);
        start = end + 1;
    }
    CheckStory(story, route);
    CheckDates(story.options.outputFilename);
    CheckDates(std::string(text.substr(0, 256)));
    return 0;
}
