#include "app/gui/PressvaneWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>

#include "app/FrontEnd.h"
#include "app/gui/AboutDialog.h"
#include "app/gui/AppIcon.h"
#include "app/gui/DialogUnits.h"
#include "app/gui/ShownText.h"
#include "notify/Product.h"

namespace pv::gui {

namespace {

QLabel* AddLabel(QWidget& parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, &parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

PressvaneWindow::PressvaneWindow(CPressvaneDlg& service, StatusFeed& feed, platform::Clock& clock, bool easyExit,
                                 platform::InstanceLock* instance)
    // A tool window (no task-bar button) until the tray logic gives it its
    // button, as it believes at the start.
    : QDialog(nullptr, Qt::Tool | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      m_service(service),
      m_instance(instance),
      m_controller(service, m_tray, easyExit),
      m_ticker(service, feed, clock) {
    setObjectName("pressvaneWindow");
    setWindowTitle(kServiceName);
    setWindowIcon(ApplicationIcon());
    BuildControls();
    BuildTray();
    m_timer.setInterval(kTickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
}

PressvaneWindow::~PressvaneWindow() { m_tray.OnDestroy(); }

void PressvaneWindow::BuildControls() {
    const DialogUnits du(fontMetrics());
    setFixedSize(du.Size(394, 235));
    du.Place(*AddLabel(*this, "product", QString(kProductName) + " (TM)"), 34, 7, 52, 8);
    du.Place(*AddLabel(*this, "version", kVersionText), 92, 7, 47, 8);
    m_startLine = AddLabel(*this, "startLine", "");
    m_runningLine = AddLabel(*this, "runningLine", "");
    m_runPath = AddLabel(*this, "runPath", "");
    m_status = new QPlainTextEdit(this);
    m_status->setObjectName("statusDisplay");
    m_status->setReadOnly(true);
    m_status->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_status->setGeometry(du.Rect(7, 39, 380, 172));
    m_minimizeToTray = new QCheckBox("&Minimize to the System Tray", this);
    m_minimizeToTray->setObjectName("minimizeToTray");
    du.Place(*m_minimizeToTray, 7, 218, 103, 10);
    QLabel* connectionsLabel = AddLabel(*this, "connectionsLabel", "Open FTP Connections:");
    du.Place(*connectionsLabel, 139, 217, 77, 8);
    m_connections = AddLabel(*this, "connections", "0");
    // After its label, however wide the font made that.
    QRect count = du.Rect(220, 217, 19, 8);
    count.moveLeft(std::max(count.left(), connectionsLabel->geometry().right() + du.X(3)));
    m_connections->setGeometry(count);
    m_pause = new QPushButton(PauseButtonText(false), this);
    m_pause->setObjectName("pause");
    m_pause->setAutoDefault(false);
    m_pause->setGeometry(du.Rect(310, 214, 36, 14));
    connect(m_pause, &QPushButton::clicked, this, [this] { m_pause->setText(m_controller.OnPause()); });
    connect(m_minimizeToTray, &QCheckBox::clicked, this,
            [this](bool checked) { m_controller.OnMinimizeToTrayClicked(checked); });
    // Where the system menu would carry it: the window's own context menu.
    auto* about = new QAction("&About Pressvane...", this);
    connect(about, &QAction::triggered, this, [this] { ShowAbout(); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PressvaneWindow::BuildTray() {
    m_trayMenu = new QMenu("SysTray Menu", this);
    QAction* restore = m_trayMenu->addAction("&Restore", this, [this] { m_tray.RestoreFromTray(); });
    m_trayMenu->addAction("&Close", this, [this] { m_tray.CloseFromTray(); });
    m_trayMenu->addAction("&About...", this, [this] { ShowAbout(); });
    m_trayMenu->setDefaultAction(restore);
    m_trayIcon = new QSystemTrayIcon(ApplicationIcon(), this);
    m_trayIcon->setToolTip("Quillmark - Fernwick");
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
            case QSystemTrayIcon::Trigger:
                m_tray.OnIconNotification(TrayState::kIconId, IconEvent::leftDown);
                break;
            case QSystemTrayIcon::DoubleClick:
                m_tray.OnIconNotification(TrayState::kIconId, IconEvent::leftDoubleClick);
                break;
            case QSystemTrayIcon::Context:
                m_tray.OnIconNotification(TrayState::kIconId, IconEvent::contextMenu);
                break;
            default:
                break;
        }
    });
}

void PressvaneWindow::OnInitDialog() {
    m_startLine->setText(ShownText(m_service.LastStartedLine()));
    m_runPath->setText(ShownText(m_service.WorkingFolder()));
    const DialogUnits du(fontMetrics());
    du.Place(*m_startLine, 11, 17, 112, 8);
    du.Place(*m_runPath, 11, 28, 372, 8);
    m_controller.OnInitDialog();
    m_minimizeToTray->setChecked(m_controller.MinimizeToTray());
    m_timer.start();
    OnTick();
}

void PressvaneWindow::ShowAbout() {
    AboutDialog about(this, m_service.StartTime());
    about.exec();
}

void PressvaneWindow::OnTick() {
    if (TakeOutsideRequests(m_service, m_instance)) m_tray.RestoreFromTray();
    const std::optional<WindowShows> shows = m_ticker.OnTimer();
    if (!shows) return;
    Show(*shows);
    if (shows->end) End();
}

void PressvaneWindow::Show(const WindowShows& shows) {
    m_runningLine->setText(QString::fromStdString(shows.runningLine));
    DialogUnits(fontMetrics()).Place(*m_runningLine, 158, 17, 137, 8);
    m_connections->setText(QString::number(shows.ftpConnections));
    m_pause->setText(PauseButtonText(shows.paused));
    if (!shows.displayChanged) return;
    m_status->setPlainText(ShownText(shows.displayText));
    m_status->verticalScrollBar()->setValue(m_status->verticalScrollBar()->maximum());
}

// Open dialogs go with the window; the window ends once.
void PressvaneWindow::End() {
    if (m_ending) return;
    m_ending = true;
    m_timer.stop();
    m_exitWarning.Dismiss();
    done(kEndedResult);
}

// The window closes only by its end; a close before that is a request.
void PressvaneWindow::closeEvent(QCloseEvent* event) {
    if (m_ending) return event->accept();
    event->ignore();
    m_controller.OnCloseRequest(m_exitWarning);
}

// Qt tells of a minimise or restore once it happened; the tray logic then
// decides where the window goes.
void PressvaneWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (isMinimized() && !m_tray.Minimised()) {
        if (m_tray.OnMinimise() == MinimiseOutcome::ignored) showNormal();
    } else if (!isMinimized() && m_tray.Minimised() && isVisible()) {
        m_tray.OnRestore();
    }
}

bool PressvaneWindow::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool PressvaneWindow::AddIcon() {
    if (!TrayAvailable()) return false;
    m_trayIcon->show();
    return true;
}

bool PressvaneWindow::RemoveIcon() {
    m_trayIcon->hide();
    return true;
}

// A tool window has no task-bar button.
void PressvaneWindow::SetTaskbarButton(bool present) {
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | (present ? Qt::Dialog : Qt::Tool));
}

void PressvaneWindow::HideWindow() { hide(); }

void PressvaneWindow::ShowWindow() { showNormal(); }

void PressvaneWindow::MinimiseWindow() {
    if (!isMinimized()) showMinimized();
}

void PressvaneWindow::RestoreWindow() {
    if (isMinimized() || !isVisible()) showNormal();
}

void PressvaneWindow::RaiseWindow() {
    raise();
    activateWindow();
}

void PressvaneWindow::ShowTrayMenu() {
    if (!m_trayMenu->isVisible()) m_trayMenu->popup(QCursor::pos());
}

void PressvaneWindow::CloseRequest() {
    if (!m_ending) m_controller.OnCloseRequest(m_exitWarning);
}

}  // namespace pv::gui
