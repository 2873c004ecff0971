#include "app/MainWindowController.h"

#include "platform/Wildcard.h"

namespace pv {

namespace {

constexpr char kExitWord[] = "vane";

}  // namespace

bool IsExitWord(const std::string& typed) { return platform::EqualsIgnoringCase(typed, kExitWord); }

const char* PauseButtonText(bool paused) { return paused ? "&Unpause" : "&Pause"; }

void MainWindowController::OnInitDialog() {
    m_minimizeToTray = m_service.MinimizeToSystemTray();
    ApplyTrayModes();
    m_tray.OnInitDialog();
}

// On: minimising hides the window and shows the icon.  Off: no icon, and the
// window minimises as usual.
void MainWindowController::ApplyTrayModes() {
    m_tray.SetIconMode(m_minimizeToTray ? TrayMode::whileMinimised : TrayMode::never);
    m_tray.SetTaskbarMode(m_minimizeToTray ? TrayMode::whileNotMinimised : TrayMode::always);
}

const char* MainWindowController::OnPause() {
    m_service.TogglePause();
    return PauseButtonText(m_service.Paused());
}

void MainWindowController::OnMinimizeToTrayClicked(bool checked) {
    m_minimizeToTray = checked;
    m_service.WriteMinimizeToSystemTray(checked);
    ApplyTrayModes();
}

void MainWindowController::OnCloseRequest(ExitWarning& warning) {
    if (!m_easyExit) {
        const std::optional<std::string> typed = warning.Ask();
        if (!typed || !IsExitWord(*typed)) return;
    }
    // A finished monitor needs nothing more: the next tick ends the window.
    if (!m_service.MonitorFinished()) m_service.RequestExit();
}

}  // namespace pv
