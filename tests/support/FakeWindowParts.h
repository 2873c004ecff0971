#pragma once
// Stand-ins for the window's logic tests: the window system as the tray
// logic sees it (with the state it would be in), and the service.
#include <functional>
#include <string>
#include <vector>

#include "app/TrayState.h"
#include "app/WindowService.h"

namespace pv::test {

// Keeps the state the real window system would be in, and every call.
class FakeTrayHost final : public TrayHost {
public:
    bool trayAvailable = true;
    bool addSucceeds = true;

    bool windowVisible = false;
    bool windowMinimised = false;
    bool iconVisible = false;
    bool taskbarButton = false;  // none until the tray logic gives it one
    std::vector<std::string> calls;

    int Count(const std::string& call) const {
        int n = 0;
        for (const std::string& c : calls) n += c == call ? 1 : 0;
        return n;
    }

    bool TrayAvailable() const override { return trayAvailable; }
    bool AddIcon() override {
        calls.push_back("AddIcon");
        if (!trayAvailable || !addSucceeds) return false;
        iconVisible = true;
        return true;
    }
    bool RemoveIcon() override {
        calls.push_back("RemoveIcon");
        iconVisible = false;
        return true;
    }
    void SetTaskbarButton(bool present) override {
        calls.push_back(present ? "TaskbarButtonOn" : "TaskbarButtonOff");
        taskbarButton = present;
    }
    void HideWindow() override {
        calls.push_back("Hide");
        windowVisible = false;
    }
    void ShowWindow() override {
        calls.push_back("Show");
        windowVisible = true;
        windowMinimised = false;
    }
    void MinimiseWindow() override {
        calls.push_back("Minimise");
        windowMinimised = true;
    }
    void RestoreWindow() override {
        calls.push_back("Restore");
        windowVisible = true;
        windowMinimised = false;
    }
    void RaiseWindow() override { calls.push_back("Raise"); }
    void ShowTrayMenu() override { calls.push_back("TrayMenu"); }
    void CloseRequest() override { calls.push_back("CloseRequest"); }
};

class FakeWindowService final : public WindowService {
public:
    bool finished = false;
    std::time_t startTime = 0;
    int connections = 0;
    int displayLines = 20;
    bool exitRequested = false;
    bool paused = false;
    bool minimizeToTray = true;
    std::vector<bool> written;  // every "Minimize To System Tray" written back
    int timerCalls = 0;
    std::function<void()> duringTimer;

    bool OnTimer() override {
        ++timerCalls;
        if (duringTimer) duringTimer();
        return finished;
    }
    std::time_t StartTime() const override { return startTime; }
    int OpenFtpConnections() const override { return connections; }
    int DisplayLines() const override { return displayLines; }
    bool MonitorFinished() const override { return finished; }
    void RequestExit() override { exitRequested = true; }
    void TogglePause() override { paused = !paused; }
    bool Paused() const override { return paused; }
    bool MinimizeToSystemTray() const override { return minimizeToTray; }
    void WriteMinimizeToSystemTray(bool on) override {
        minimizeToTray = on;
        written.push_back(on);
    }
};

}  // namespace pv::test
