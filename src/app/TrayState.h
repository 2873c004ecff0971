#pragma once
// The notification-area side of the main window: when the icon shows, when
// the window has a task-bar button, minimising into the tray and coming back.
// It knows nothing of the service or of any toolkit; the window carries out
// what it decides through a TrayHost, so the whole state machine is tried
// without a display.
namespace pv {

// When the icon is shown (icon mode) or the window has a task-bar button
// (task-bar mode).
enum class TrayMode {
    always = 0,
    never = 1,
    whileMinimised = 2,
    whileNotMinimised = 3,
};

// A mouse event on the icon.
enum class IconEvent { leftDown, leftDoubleClick, rightDown, contextMenu, rightDoubleClick, mouseMove };

// What a minimise command came to.
enum class MinimiseOutcome {
    ignored,    // the modes leave nowhere to go: the window stays as it is
    hidden,     // the window went to the tray (hidden, no task-bar button)
    minimised,  // minimised as usual
};

// The window system as the tray logic uses it.
class TrayHost {
public:
    virtual ~TrayHost() = default;
    // Whether a notification area is there to take an icon right now.
    virtual bool TrayAvailable() const = 0;
    // True when the icon was added to (removed from) the notification area.
    virtual bool AddIcon() = 0;
    virtual bool RemoveIcon() = 0;
    // Gives the window a task-bar button or takes it away; the window is
    // hidden around the change.
    virtual void SetTaskbarButton(bool present) = 0;
    virtual void HideWindow() = 0;
    virtual void ShowWindow() = 0;  // in its normal state
    virtual void MinimiseWindow() = 0;
    virtual void RestoreWindow() = 0;
    virtual void RaiseWindow() = 0;
    virtual void ShowTrayMenu() = 0;  // the icon's menu at the cursor
    virtual void CloseRequest() = 0;  // the window's exit path
};

class TrayState {
public:
    // The one icon the window puts in the notification area.
    static constexpr int kIconId = 1;

    explicit TrayState(TrayHost& host) : m_host(host) {}

    // Each updates the tray when the mode changed.
    void SetIconMode(TrayMode mode);
    void SetTaskbarMode(TrayMode mode);
    // The window's own start: not minimised, tray as the modes say.
    void OnInitDialog();
    // Adds or removes the icon and the task-bar button as the modes and the
    // minimised state call for; a failed add or remove is tried again next time.
    void UpdateTrayState();

    // The window system's minimise and restore commands.
    MinimiseOutcome OnMinimise();
    void OnRestore();
    // A notification from an icon; only the window's own icon counts.
    void OnIconNotification(int iconId, IconEvent event);
    // The icon menu's "&Restore" and "&Close".
    void RestoreFromTray();
    void CloseFromTray();
    // The window goes away: a shown icon goes with it.
    void OnDestroy();

    bool IconShown() const { return m_iconShown; }
    bool AppWindowStyleSet() const { return m_appWindowStyleSet; }
    bool Minimised() const { return m_minimised; }
    TrayMode IconMode() const { return m_iconMode; }
    TrayMode TaskbarMode() const { return m_taskbarMode; }

private:
    // The modes in effect: without a notification area the window never
    // goes to the tray (it would be hidden with no way back).
    TrayMode EffectiveIconMode() const;
    TrayMode EffectiveTaskbarMode() const;
    void UpdateIcon();
    void UpdateTaskbarButton();

    TrayHost& m_host;
    TrayMode m_iconMode = TrayMode::always;
    TrayMode m_taskbarMode = TrayMode::always;
    bool m_iconShown = false;
    bool m_appWindowStyleSet = false;
    bool m_minimised = false;
};

}  // namespace pv
