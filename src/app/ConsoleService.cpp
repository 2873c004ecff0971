#include "app/ConsoleService.h"

#include <filesystem>

#include "app/CommandLine.h"
#include "app/ConsolePrinter.h"
#include "app/PressvaneDlg.h"
#include "platform/InstanceLock.h"
#include "platform/Signals.h"

namespace pv {

namespace {

constexpr auto kTickPeriod = std::chrono::milliseconds(250);

std::string CurrentFolder() {
    std::error_code ec;
    const std::string folder = std::filesystem::current_path(ec).string();
    return ec ? std::string() : folder;
}

void RunTicks(CPressvaneDlg& service, platform::InstanceLock* instance) {
    for (;;) {
        if (platform::TakeExitRequest()) service.RequestExit();
        for (int toggles = platform::TakePauseToggles(); toggles > 0; --toggles) service.TogglePause();
        if (instance && instance->TakeShowRequest())
            service.GetReporter().Status("Another start of the service asked this one to show itself.", false);
        if (service.OnTimer()) break;
        service.WaitForTick(kTickPeriod);
    }
    service.JoinMonitor();
    service.OnTimer();  // the last lines reach the status log
}

}  // namespace

int RunConsoleService(const std::vector<std::string>& arguments, const std::string& programPath) {
    const StartupOptions options = ParseCommandLine(arguments, CurrentFolder(), programPath);
    platform::InstallServiceSignals();

    std::unique_ptr<platform::InstanceLock> instance;
    if (!options.allowMultipleInstances) {
        instance = std::make_unique<platform::InstanceLock>();
        if (!instance->Acquire()) {
            instance->AskRunningInstanceToShow();
            return 0;
        }
    }

    platform::Clock& clock = platform::DefaultClock();
    ConsolePrinter console;  // outlives the service, whose monitor reports until it is joined
    CPressvaneDlg service(options, clock);
    service.AddObserver(console);
    service.OnInitDialog();
    console.PrintLine("Working folder: " + service.WorkingFolder());
    console.PrintLine(service.LastStartedLine());
    RunTicks(service, instance.get());
    return 0;
}

}  // namespace pv
