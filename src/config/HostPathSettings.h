#pragma once
// Where Windows-form paths of the settings live on this host: section
// "Host Paths", key "Drive Map" ("C=/srv/newsroom/c;W=/mnt/audio") and key
// "Share Root" (the folder where \\server\share trees are mounted).
#include <map>
#include <string>
#include <vector>

#include "config/SettingsReads.h"
#include "platform/HostPath.h"
#include "platform/Reporter.h"

namespace pv {

platform::PathMapSettings ReadHostPathSettings(SettingsReader& reads, Reporter& reporter);

// Parses a "Drive Map" value; entries that are not "<letter>=<folder>" are
// returned in `rejected`.
std::map<char, std::string> ParseDriveMap(const std::string& value, std::vector<std::string>& rejected);

}  // namespace pv
