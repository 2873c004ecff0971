#include "publish/StoryAliases.h"

#include <algorithm>

#include "platform/HostPath.h"
#include "platform/Wildcard.h"

namespace pv {

namespace {

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

}  // namespace

bool IsUsableAlias(const std::string& alias, std::string* why) {
    if (alias.find("..") != std::string::npos) {
        if (why) *why = "it holds \"..\"";
        return false;
    }
    for (char c : alias)
        if (c == ':') {
            if (why) *why = "it holds ':'";
            return false;
        }
    return platform::IsSafeFileName(alias, why);
}

std::string AliasForDisplay(const std::string& alias) {
    std::string shown = alias;
    std::replace_if(shown.begin(), shown.end(), IsControlByte, '?');
    return shown;
}

AliasAdded AddStoryAlias(CFileData::WorkValues& story, const std::string& alias, std::string* why) {
    if (!IsUsableAlias(alias, why)) return AliasAdded::refused;
    const auto same = [&alias](const std::string& listed) { return platform::EqualsIgnoringCase(listed, alias); };
    if (same(story.alias) || std::any_of(story.aliases.begin(), story.aliases.end(), same))
        return AliasAdded::alreadyListed;
    story.aliases.push_back(alias);
    return AliasAdded::added;
}

}  // namespace pv
