#pragma once
// What the main window does when the operator acts, without any toolkit:
// pause, the minimise-to-tray box, Escape and the exit path.  The window
// turns its controls' events into these calls and shows what they return.
#include <optional>
#include <string>

#include "app/TrayState.h"
#include "app/WindowService.h"

namespace pv {

// The exit warning, asked afresh for every close request.
class ExitWarning {
public:
    virtual ~ExitWarning() = default;
    // The text typed into its password field when the operator left it with
    // OK; nothing after Cancel.
    virtual std::optional<std::string> Ask() = 0;
};

// The word that confirms an exit, compared without regard to case.  Shown
// nowhere: the operators learn it from whoever runs the service.
bool IsExitWord(const std::string& typed);

// The pause button's text for the pause flag.
const char* PauseButtonText(bool paused);

class MainWindowController {
public:
    MainWindowController(WindowService& service, TrayState& tray, bool easyExit)
        : m_service(service), m_tray(tray), m_easyExit(easyExit) {}

    // The window opens: the tray as "Minimize To System Tray" says.
    void OnInitDialog();
    // The pause button: toggles the pause flag; returns the button's new text.
    const char* OnPause();
    // The minimise-to-tray box: written back and in effect at once.
    void OnMinimizeToTrayClicked(bool checked);
    bool MinimizeToTray() const { return m_minimizeToTray; }
    // Escape (the dialog's cancel): the window stays.
    void OnCancel() {}
    // Close button, window close, the tray menu's "&Close": unless easy exit,
    // the exit warning must be left with OK and the exit word.
    void OnCloseRequest(ExitWarning& warning);

private:
    void ApplyTrayModes();

    WindowService& m_service;
    TrayState& m_tray;
    const bool m_easyExit;
    bool m_minimizeToTray = true;
};

}  // namespace pv
