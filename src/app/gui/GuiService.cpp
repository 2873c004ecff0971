#include "app/gui/GuiService.h"

#include <QApplication>

#include "app/FrontEnd.h"
#include "app/PressvaneDlg.h"
#include "app/StatusFeed.h"
#include "app/Usage.h"
#include "app/gui/PressvaneWindow.h"
#include "app/gui/SplashDialog.h"
#include "notify/Product.h"
#include "platform/Signals.h"

namespace pv::gui {

namespace {

std::vector<std::string> Arguments(int argc, char** argv) { return {argv + (argc > 0 ? 1 : 0), argv + argc}; }

// Until the monitor has finished: the window's ticks end the event loop.
void RunWindow(CPressvaneDlg& service, StatusFeed& feed, const StartupOptions& options,
               platform::InstanceLock* instance) {
    PressvaneWindow window(service, feed, platform::DefaultClock(), options.easyExit, instance);
    // Queued: a monitor that finished at once ends the window before the
    // event loop runs, and an exit before it would be lost.  exit, not quit:
    // quit first asks every window to close, which this one refuses.
    QObject::connect(
        &window, &QDialog::finished, qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    window.OnInitDialog();
    if (!window.Ended()) window.show();
    QApplication::exec();
}

}  // namespace

int RunGuiService(int& argc, char** argv) {
    // Before Qt looks for a display: asking for the usage needs none.
    if (const std::optional<int> answered = AnswerInfoRequest(Arguments(argc, argv), "pressvane-gui"))
        return *answered;
    QApplication application(argc, argv);  // takes Qt's own options out of argv
    // Hidden in the tray is not closed; the window's end ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    const StartupOptions options = ReadStartupOptions(Arguments(argc, argv), argc > 0 ? argv[0] : "");
    platform::InstallServiceSignals();
    const InstanceClaim instance = ClaimSingleInstance(options);
    if (instance.anotherRuns) return 0;
    if (!options.easyExit) SplashDialog(kProductName, kVersionText).exec();

    StatusFeed feed;  // outlives the service, whose monitor reports until it is joined
    CPressvaneDlg service(options, platform::DefaultClock());
    service.AddObserver(feed);
    service.OnInitDialog();
    RunWindow(service, feed, options, instance.lock.get());
    service.JoinMonitor();
    service.OnTimer();  // the last lines reach the status log
    return 0;
}

}  // namespace pv::gui
