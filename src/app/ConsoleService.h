#pragma once
// The headless front end: status lines on stdout, SIGTERM/SIGINT as a
// confirmed exit, SIGUSR1 toggles pause, one instance per user.
#include <string>
#include <vector>

namespace pv {

// Runs the service for the given arguments (without the program name) and
// returns the process exit code.
int RunConsoleService(const std::vector<std::string>& arguments, const std::string& programPath);

}  // namespace pv
