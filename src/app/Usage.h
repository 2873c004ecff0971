#pragma once
// "--help" and "--version": answered before anything else, so that trying
// them touches no folder, lock or settings file.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace pv {

enum class InfoRequest { none, help, version };

// The first of "--help", "-h" or "--version" among the arguments (any
// position; these are not among the service's own words).
InfoRequest FindInfoRequest(const std::vector<std::string>& arguments);

// The usage of the program called `program` ("pressvane" or "pressvane-gui").
std::string UsageText(const std::string& program);
std::string VersionText(const std::string& program);

// Prints the usage or the version when asked for and returns the exit code;
// nothing when the service should run.
std::optional<int> AnswerInfoRequest(const std::vector<std::string>& arguments, const std::string& program,
                                     std::FILE* out = stdout);

}  // namespace pv
