#pragma once
// What both front ends (the console and the window) do around the service
// object: read the command line, keep to one running instance, and hand the
// signals and the other starts' requests to the service on every tick.
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/WindowService.h"
#include "platform/InstanceLock.h"

namespace pv {

// The command line read against the current folder.
StartupOptions ReadStartupOptions(const std::vector<std::string>& arguments, const std::string& programPath);

// The instance lock this process holds while it runs.
struct InstanceClaim {
    std::unique_ptr<platform::InstanceLock> lock;  // null with "/M"
    bool anotherRuns = false;  // another instance holds it and was asked to show itself
};

// Unless "/M" was given: this process becomes the one running instance, or
// finds the running one and asks it to show itself.
InstanceClaim ClaimSingleInstance(const StartupOptions& options);

// SIGTERM/SIGINT become a confirmed exit, SIGUSR1 toggles pause.  True when
// another start asked this instance to show itself.
bool TakeOutsideRequests(WindowService& service, platform::InstanceLock* instance);

}  // namespace pv
