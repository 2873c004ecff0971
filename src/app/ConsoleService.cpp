#include "app/ConsoleService.h"

#include <unistd.h>

#include "app/ConsolePrinter.h"
#include "app/FrontEnd.h"
#include "app/PressvaneDlg.h"
#include "app/Usage.h"
#include "app/WindowTicker.h"
#include "platform/ServiceManager.h"
#include "platform/Signals.h"

namespace pv {

namespace {

constexpr auto kTickPeriod = std::chrono::milliseconds(kTickMilliseconds);

void RunTicks(CPressvaneDlg& service, platform::InstanceLock* instance) {
    bool stopping = false;
    for (;;) {
        if (TakeOutsideRequests(service, instance))
            service.GetReporter().Status("Another start of the service asked this one to show itself.", false);
        if (!stopping && service.ExitRequested()) {
            stopping = true;
            platform::NotifyServiceManager("STOPPING=1");
        }
        if (service.OnTimer()) break;
        service.WaitForTick(kTickPeriod);
    }
    service.JoinMonitor();
    service.OnTimer();  // the last lines reach the status log
}

}  // namespace

int RunConsoleService(const std::vector<std::string>& arguments, const std::string& programPath) {
    if (const std::optional<int> answered = AnswerInfoRequest(arguments, "pressvane")) return *answered;
    const StartupOptions options = ReadStartupOptions(arguments, programPath);
    platform::InstallServiceSignals();
    const InstanceClaim instance = ClaimSingleInstance(options);
    if (instance.anotherRuns) return 0;

    platform::Clock& clock = platform::DefaultClock();
    // Outlives the service, whose monitor reports until it is joined.
    ConsolePrinter console(stdout, platform::IsJournalStream(STDOUT_FILENO));
    CPressvaneDlg service(options, clock);
    service.AddObserver(console);
    service.OnInitDialog();
    console.PrintLine("Working folder: " + service.WorkingFolder());
    console.PrintLine(service.LastStartedLine());
    platform::NotifyServiceManager("READY=1\nSTATUS=Working folder " + service.WorkingFolder());
    RunTicks(service, instance.lock.get());
    return 0;
}

}  // namespace pv
