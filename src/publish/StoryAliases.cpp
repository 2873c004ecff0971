#include "publish/StoryAliases.h"

#include <algorithm>

#include "platform/Wildcard.h"

namespace pv {

namespace {

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

std::string Shown(std::string_view alias) {
    std::string shown(alias);
    std::replace_if(shown.begin(), shown.end(), IsControlByte, '?');
    return shown;
}

// What makes the alias unusable; empty when nothing does.
std::string_view Fault(std::string_view alias) {
    if (alias.empty()) return "it is empty";
    if (alias.find_first_of("/\\") != std::string_view::npos) return "it holds a path separator";
    if (alias.find("..") != std::string_view::npos) return "it holds \"..\"";
    if (std::any_of(alias.begin(), alias.end(), IsControlByte)) return "it holds a control character";
    return {};
}

}  // namespace

Status CheckAliasName(std::string_view alias) {
    const std::string_view fault = Fault(alias);
    if (fault.empty()) return Status::OK();
    return Status::InvalidArgument("The folder alias \"" + Shown(alias) + "\" cannot be used: " + std::string(fault) +
                                   ".");
}

AliasAdded AddStoryAlias(CFileData::WorkValues& story, const std::string& alias, Reporter& reporter,
                         const std::string& origin) {
    const Status check = CheckAliasName(alias);
    if (!check.ok()) {
        ShowFailure(reporter, check.WithDetail(origin));
        return AliasAdded::refused;
    }
    const auto same = [&alias](const std::string& listed) { return platform::EqualsIgnoringCase(listed, alias); };
    if (same(story.alias) || std::any_of(story.aliases.begin(), story.aliases.end(), same))
        return AliasAdded::alreadyListed;
    story.aliases.push_back(alias);
    return AliasAdded::added;
}

}  // namespace pv
