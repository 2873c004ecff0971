#pragma once
// The main window: a second view of the service object beside the console.
// It shows the status lines the service reports (through its StatusFeed),
// the running time and the open FTP connections, and carries out the tray
// logic (TrayState) and the operator's commands (MainWindowController).  The
// window ends with result 2 at the first tick after the monitor finished.
#include <QDialog>
#include <QTimer>

#include "app/MainWindowController.h"
#include "app/PressvaneDlg.h"
#include "app/StatusFeed.h"
#include "app/TrayState.h"
#include "app/WindowTicker.h"
#include "app/gui/ExitWarningDialog.h"
#include "platform/InstanceLock.h"

class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;

namespace pv::gui {

class PressvaneWindow final : public QDialog, private TrayHost {
public:
    // The result the window ends with once the monitor has finished.
    static constexpr int kEndedResult = 2;

    // instance: the single-instance lock whose show requests bring the
    // window back (null with "/M").
    PressvaneWindow(CPressvaneDlg& service, StatusFeed& feed, platform::Clock& clock, bool easyExit,
                    platform::InstanceLock* instance);
    ~PressvaneWindow() override;

    // After the service's own start: texts, tray, timer, and the first tick
    // (which ends the window already when the monitor has finished).
    void OnInitDialog();
    bool Ended() const { return m_ending; }
    void ShowAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Escape: the window stays.
    void reject() override { m_controller.OnCancel(); }

private:
    void BuildControls();
    void BuildTray();
    void OnTick();
    void Show(const WindowShows& shows);
    void End();

    // TrayHost
    bool TrayAvailable() const override;
    bool AddIcon() override;
    bool RemoveIcon() override;
    void SetTaskbarButton(bool present) override;
    void HideWindow() override;
    void ShowWindow() override;
    void MinimiseWindow() override;
    void RestoreWindow() override;
    void RaiseWindow() override;
    void ShowTrayMenu() override;
    void CloseRequest() override;

    CPressvaneDlg& m_service;
    platform::InstanceLock* m_instance;
    TrayState m_tray{*this};
    MainWindowController m_controller;
    WindowTicker m_ticker;
    WindowExitWarning m_exitWarning{*this};
    QTimer m_timer;
    bool m_ending = false;

    QLabel* m_startLine = nullptr;
    QLabel* m_runningLine = nullptr;
    QLabel* m_runPath = nullptr;
    QPlainTextEdit* m_status = nullptr;
    QCheckBox* m_minimizeToTray = nullptr;
    QLabel* m_connections = nullptr;
    QPushButton* m_pause = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QMenu* m_trayMenu = nullptr;
};

}  // namespace pv::gui
