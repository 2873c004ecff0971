#include "app/ConsoleService.h"

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "app/CommandLine.h"
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

// Status lines keep their "\r\n" inside; a terminal wants "\n".
void PrintLine(const std::string& line) {
    static std::mutex mutex;
    std::string text;
    text.reserve(line.size() + 1);
    for (char c : line)
        if (c != '\r') text += c;
    std::lock_guard<std::mutex> lock(mutex);
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
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
    CPressvaneDlg service(options, clock);
    service.Status().SetEcho(PrintLine);
    service.OnInitDialog();
    PrintLine("Working folder: " + service.WorkingFolder());
    PrintLine(service.LastStartedLine());
    RunTicks(service, instance.get());
    return 0;
}

}  // namespace pv
