#include "app/FrontEnd.h"

#include <filesystem>

#include "platform/Signals.h"

namespace pv {

namespace {

std::string CurrentFolder() {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    return ec ? std::string() : folder;
}

}  // namespace

StartupOptions ReadStartupOptions(const std::vector<std::string>& arguments, const std::string& programPath) {
    return ParseCommandLine(arguments, CurrentFolder(), programPath);
}

InstanceClaim ClaimSingleInstance(const StartupOptions& options) {
    InstanceClaim claim;
    if (options.allowMultipleInstances) return claim;
    claim.lock = std::make_unique<platform::InstanceLock>();
    if (!claim.lock->Acquire()) {
        claim.lock->AskRunningInstanceToShow();
        claim.lock.reset();
        claim.anotherRuns = true;
    }
    return claim;
}

bool TakeOutsideRequests(WindowService& service, platform::InstanceLock* instance) {
    if (platform::TakeExitRequest()) service.RequestExit();
    for (int toggles = platform::TakePauseToggles(); toggles > 0; --toggles) service.TogglePause();
    return instance && instance->TakeShowRequest();
}

}  // namespace pv
